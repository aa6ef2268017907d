#pragma once
// Counters and flags of one analysis run. They keep their values from the end of a run
// until the next run starts; adding a word to the common words list may still change
// CommonWords afterwards.
#include <cstdint>

namespace vornix {

struct RunState {
    std::int32_t FilesRead = 0;
    std::int32_t TotalWords = 0;
    std::int32_t CommonWords = 0;
    std::int32_t CommonUnused = 0;
    std::int32_t UniqueNumbers = 0;
    // Letters of other scripts read as separators in the documents (not the list).
    std::int64_t OtherScriptLetters = 0;

    bool ReadingCommon = false;
    bool BreakRequested = false;
    bool StopRun = false;
    // What each occurrence adds to a count: 0 while the common words list is read.
    std::uint8_t Increment = 1;
};

}  // namespace vornix
