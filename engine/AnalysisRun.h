#pragma once
// One complete analysis: the store is emptied, the common words list read, the inputs
// scanned, and at the end the orders built. The window and the command line drive the
// same steps; the window adds its busy mode and dialogs through the hooks.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CharTable.h"
#include "engine/ResultOrders.h"
#include "engine/RunState.h"
#include "engine/VocabularyStats.h"
#include "engine/WordStore.h"

namespace vornix {

struct RunHooks {
    // The bottom status line; the window also lets pending events run here.
    std::function<void(const std::string&)> showStatus;
    // Called every 100 words of a document; the window refreshes the progress line and
    // lets pending events run, which is how a Break request reaches the run.
    std::function<void()> showProgress;
    // Called when BreakRequested was found set: true means stop the run.
    std::function<bool()> confirmStop;
};

// The figures of the statistics window, derived from the counters.
struct RunStats {
    std::int32_t FileCount = 0;
    std::int32_t CommonWords = 0;
    std::int32_t CommonFound = 0;
    std::int32_t CommonUnused = 0;
    std::int32_t TotalWords = 0;
    std::int32_t UniqueWords = 0;
    std::int32_t UniqueNonCommon = 0;
    std::int32_t UniqueNumbers = 0;
};

class AnalysisRun {
public:
    // The record file lives at wordFilePath (created by each run, deleted with the run
    // object).
    // anonymous: see WordStore.
    explicit AnalysisRun(std::string wordFilePath, bool anonymous = false);

    RunState state;
    WordStore store;
    ResultOrders orders;
    CharMapTable CharMap{};
    // Distinct words per 1,000 running words of the documents (not of the list).
    ChunkCounter chunks;
    // Names of the inputs read, kept sorted case-insensitively for the statistics.
    std::vector<std::string> FileList;
    RunHooks hooks;

    // Builds the character table, empties the store (creating the record file: may throw
    // FileError), clears the counters and, given a list path, reads the common words
    // list. Throws FileError("Cannot open file PATH") when the list cannot be opened.
    void GeneralInitialize(CharacterSet set, const std::string* commonListPath);

    // Reads one document ("Cannot open file PATH" on failure) or a text already in
    // memory, under the given name, counting its words.
    void Vornix(const std::string& path, bool stripPossessives);
    void VornixText(std::string_view text, const std::string& name, bool stripPossessives);
    // Reads an open descriptor to its end (standard input), under the given name.
    void VornixStream(int fd, const std::string& name, bool stripPossessives);

    // The document loop: "Reading PATH (i of n)", FilesRead + 1, scan; stops early when
    // the run is stopped. The path "-" reads standard input, named "stdin". A document that cannot be opened throws
    // after the documents before it were counted; the caller ends the run with GeneralClosedown.
    void ReadDocuments(const std::vector<std::string>& paths, bool stripPossessives);

    // The end of the run that decides results: builds the alphabetical index and the
    // orders. (The limit message and the display are the caller's.)
    void GeneralClosedown();

    bool LimitReached() const { return store.WordCount() >= WordStore::MaxWords; }
    RunStats Stats() const;
    // The vocabulary measures of the run; the store's index must be built (after
    // GeneralClosedown).
    VocabularyStats Vocabulary() { return ComputeVocabularyStats(store, chunks); }
    // "Words 1200 ... Unique 431"
    std::string ProgressText() const;

private:
    template <class Source>
    void Scan(Source&& source, bool stripPossessives);
    void ScanDescriptor(int fd, const std::string& path, bool stripPossessives);
    void AddFileName(std::string name);
};

// "Reached unique-words limit 500000: cannot read more."
std::string LimitMessage();

// Case-insensitive (ASCII letters) order of names, ties broken byte-wise: the order of
// the statistics window's file list.
bool FileNameLess(std::string_view a, std::string_view b);

}  // namespace vornix
