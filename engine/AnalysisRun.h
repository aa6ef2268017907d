#pragma once
// One complete analysis: the store is emptied, the common words list read, the inputs
// scanned, and at the end the orders built. The window and the command line drive the
// same steps; the window adds its busy mode and dialogs through the hooks.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CharTable.h"
#include "engine/ResultOrders.h"
#include "engine/RunState.h"
#include "engine/TextDecoder.h"
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
    // "Letters of other scripts (not counted)": Greek, Cyrillic, CJK and other non-Latin scripts, read as separators.
    std::int64_t OtherScriptLetters = 0;
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
    // Names of the inputs read, kept sorted case-insensitively for the statistics.
    std::vector<std::string> FileList;
    RunHooks hooks;
    EncodingChoice Encoding = EncodingChoice::Auto;
    // Threads that read one large 8-bit document: 0 means one per processor, 1 the plain
    // one-thread reading. The results are the same with any number.
    unsigned Threads = 0;
    // The bytes a thread takes at a time; documents under four chunks use one thread.
    std::size_t ChunkBytes = std::size_t{1} << 20;

    // Builds the character table, empties the store (creating the record file: may throw
    // FileError), clears the counters and, given a list path, reads the common words
    // list. Throws FileError("Cannot open file PATH") when the list cannot be opened.
    // encoding decides how documents and the list are read (see EncodingChoice).
    void GeneralInitialize(CharacterSet set, const std::string* commonListPath,
                           EncodingChoice encoding = EncodingChoice::Auto);

    // Reads one document ("Cannot open file PATH" on failure) or a text already in
    // memory, under the given name, counting its words.
    void Vornix(const std::string& path, bool stripPossessives);
    void VornixText(std::string_view text, const std::string& name, bool stripPossessives);
    // Unicode text (the clipboard's), read by the Unicode rules whatever the encoding
    // choice; it ends at its first zero character.
    void VornixUnicodeText(std::u16string_view text, const std::string& name, bool stripPossessives);
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
    // "Words 1200 ... Unique 431"
    std::string ProgressText() const;

private:
    template <class Source>
    void Scan(Source&& source, bool stripPossessives);
    void ScanDescriptor(int fd, const std::string& path, bool stripPossessives);
    bool ScanInChunks(int fd, const std::string& path, bool stripPossessives);
    void AddFileName(std::string name);
    CodePointTable& Table();
    void CountOtherScripts(const TextDecoder& decoder);

    std::unique_ptr<CodePointTable> table_;  // made at the first Unicode text
};

// "Reached unique-words limit 500000: cannot read more."
std::string LimitMessage();

// Case-insensitive (ASCII letters) order of names, ties broken byte-wise: the order of
// the statistics window's file list.
bool FileNameLess(std::string_view a, std::string_view b);

}  // namespace vornix
