#pragma once
// Counting a reference: its tables read, then its documents counted by the rules and
// options of the text they are compared with. It touches nothing but its own run, so
// the window runs it on a thread of its own while the text's run stays untouched.
#include <functional>
#include <string>
#include <vector>

#include "core/engine/CharTable.h"
#include "core/engine/TextDecoder.h"
#include "core/keywords/Keywords.h"

namespace vornix {

// What a reference is made of and how its documents are counted.
struct ReferenceSource {
    std::vector<std::string> documents;
    std::vector<std::string> tables;
    CharacterSet charset = CharacterSet::Windows;
    std::string commonList;  // empty: none
    EncodingChoice encoding = EncodingChoice::Auto;
    bool stripPossessives = false;
    bool allScripts = false;  // words of every script, as the text's run counted them
    unsigned threads = 0;     // as AnalysisRun::SetThreads
    // The place of the reference run's record file, which is nameless once created.
    std::string recordPath;

    // The same reference counted by the same rules (wherever its record file goes).
    bool operator==(const ReferenceSource& o) const {
        return documents == o.documents && tables == o.tables && charset == o.charset && commonList == o.commonList &&
               encoding == o.encoding && stripPossessives == o.stripPossessives && allScripts == o.allScripts &&
               threads == o.threads;
    }
};

struct ReferenceHooks {
    // "Reading PATH (i of n)" as each document starts, then the run's progress text.
    std::function<void(const std::string&)> status;
    std::function<void(const std::string&)> progress;
    // Asked while the documents are counted: true stops the count.
    std::function<bool()> stop;
};

struct ReferenceResult {
    ReferenceCounts counts;
    bool stopped = false;       // stopped by the hook: the counts are incomplete
    bool limitReached = false;  // the documents held more distinct words than a run can
};

// The tables are read first, so a bad one fails before the long count. Throws
// FileError for a table or document that cannot be read or a malformed table line.
ReferenceResult ReadReference(const ReferenceSource& source, const ReferenceHooks& hooks = {});

}  // namespace vornix
