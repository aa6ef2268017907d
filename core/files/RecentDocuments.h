#pragma once
// The document sets of the last runs, newest first, as the File menu's "Open recent"
// lists them. A set is the documents one run read, in the order it read them. The list
// lives in the settings file as Recent1 ... Recent8 (see doc/settings-file.md).
#include <cstddef>
#include <string>
#include <vector>

namespace vornix {

class SettingsFile;

using DocumentSet = std::vector<std::string>;

class RecentDocuments {
public:
    static constexpr std::size_t kLimit = 8;

    // A run read these documents: the set moves to the top (an equal set further down
    // goes), and the oldest beyond the limit drops out. An empty set is not kept.
    void Add(DocumentSet set);
    void Clear() { sets_.clear(); }
    const std::vector<DocumentSet>& Sets() const { return sets_; }

    // Reads the keys; unreadable or repeated entries are skipped.
    void Load(const SettingsFile& settings);
    // Writes the keys in memory; keys of sets no longer there are emptied, and no key is
    // written for a list that was never used.
    void Save(SettingsFile& settings) const;

private:
    std::vector<DocumentSet> sets_;
};

// Whether every document of the set still exists as a file; a set with a missing one
// is shown greyed.
bool DocumentSetAvailable(const DocumentSet& set);

// The menu text: the first document's file name, and "and N more" when it has others.
std::string DocumentSetLabel(const DocumentSet& set);

// One settings value for a set: the paths separated by tabs, with "%", tab, CR and LF
// written as "%25", "%09", "%0D" and "%0A" (a path may hold any of them; a value cannot
// hold a line break). Decoding an empty value gives an empty set.
std::string EncodeDocumentSet(const DocumentSet& set);
DocumentSet DecodeDocumentSet(const std::string& value);

}  // namespace vornix
