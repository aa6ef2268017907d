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

#include "core/engine/CharTable.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/RunState.h"
#include "core/engine/ScriptScanner.h"
#include "core/engine/TextDecoder.h"
#include "core/engine/VocabularyStats.h"
#include "core/engine/WordStore.h"

namespace vornix {

class ChunkWords;
struct ChunkText;

struct RunHooks {
    // The bottom status line; the window also lets pending events run here.
    std::function<void(const std::string&)> showStatus;
    // Called every 100 words of a document; the window refreshes the progress line and
    // lets pending events run, which is how a Break request reaches the run.
    std::function<void()> showProgress;
    // Called when BreakRequested was found set: true means stop the run.
    std::function<bool()> confirmStop;
};

// Sees the words the run reads from its documents (never the common words list), as
// record numbers in reading order, with the start of each run and document, for the
// analyses that must know which document a word came from. Word runs once per counted
// word on the run's thread, so it must stay cheap.
class WordObserver {
public:
    virtual ~WordObserver() = default;
    virtual void BeginRun() = 0;
    virtual void BeginDocument() = 0;
    virtual void Word(std::int32_t record) = 0;
    // Several words in reading order (a chunk read on another thread).
    virtual void Words(const std::int32_t* records, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) Word(records[i]);
    }
};

// One input as the run read it, so that it can be read again the same way.
struct RunInput {
    std::string path;        // empty for a text held in memory
    std::string name;        // as in FileList
    std::string text;        // the text itself when there is no path (UTF-16 in native order when Utf16)
    bool stream = false;     // standard input: it cannot be read again
    std::int64_t size = -1;  // size and modification time when it was read
    std::int64_t mtimeNs = 0;
    TextEncoding encoding = TextEncoding::Bytes;
    std::int64_t skip = 0;    // a byte-order mark: not read
    bool asciiFirst = false;  // read as bytes up to its first non-ASCII byte, decoded from there
    bool strip = false;       // possessives stripped
    bool stopped = false;     // the run stopped inside it, after `words` words
    std::int64_t words = 0;
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

// The rows of the statistics, in the order the statistics window and vornix-count
// show them, each with its caption; the list of files read follows them.
struct StatsRow {
    const char* caption;
    std::int32_t RunStats::*value;
};
inline constexpr StatsRow kStatsRows[] = {
    {"File count", &RunStats::FileCount},
    {"VORNIX.DAT common words", &RunStats::CommonWords},
    {"Common words found in text", &RunStats::CommonFound},
    {"Common words not found in text", &RunStats::CommonUnused},
    {"Total words from file(s)", &RunStats::TotalWords},
    {"Unique words", &RunStats::UniqueWords},
    {"Unique non-common words", &RunStats::UniqueNonCommon},
    {"Unique numeric \"words\"", &RunStats::UniqueNumbers},
};
inline constexpr const char* kFilesReadCaption = "Files read";
// The last row, after the files read.
inline constexpr const char* kOtherScriptsCaption = "Letters of other scripts (not counted)";

class AnalysisRun {
public:
    // The record file lives at wordFilePath (created by each run, deleted with the run
    // object).
    // anonymous: see WordStore.
    explicit AnalysisRun(std::string wordFilePath, bool anonymous = false);

    RunState& State() { return state_; }
    const RunState& State() const { return state_; }
    WordStore& Store() { return store_; }
    const WordStore& Store() const { return store_; }
    const ResultOrders& Orders() const { return orders_; }
    // Names of the inputs read, kept sorted case-insensitively for the statistics.
    const std::vector<std::string>& FileList() const { return fileList_; }
    RunHooks& Hooks() { return hooks_; }
    // The documents (or the clipboard text) in the order they were read.
    const std::vector<RunInput>& Inputs() const { return inputs_; }
    const CharMapTable& CharMap() const { return charMap_; }
    // Threads that read one large document (8-bit or Unicode): 0 means one per processor, 1 the plain
    // one-thread reading. The results are the same with any number.
    void SetThreads(unsigned threads) { threads_ = threads; }
    // The bytes a thread takes at a time; documents under four chunks use one thread.
    void SetChunkBytes(std::size_t bytes) { chunkBytes_ = bytes; }
    // Documents by path must be regular files: anything else (a named pipe, a device, a
    // folder) is refused with "Cannot open file PATH (not a regular file)" without
    // waiting on it. The window sets this; its event loop must never block in open.
    void SetRegularFilesOnly(bool only) { regularOnly_ = only; }
    // Told of every document word from the next GeneralInitialize on (null: nobody); it
    // must outlive the runs it watches.
    void SetObserver(WordObserver* observer) { observer_ = observer; }
    // Words of every script (ScriptScanner) from the next GeneralInitialize on: the
    // store holds UTF-8 words in its wide records, and documents are read on one
    // thread. Off: the 8-bit words, exactly as ever.
    void SetAllScripts(bool on) { allScriptsNext_ = on; }
    bool AllScripts() const { return allScripts_; }
    CharacterSet ScriptsSet() const { return scriptsSet_; }

    // Builds the character table, empties the store (creating the record file: may throw
    // FileError), clears the counters and, given a list path, reads the common words
    // list. Throws FileError("Cannot open file PATH") when the list cannot be opened, and
    // without waiting when it is no regular file or is over kMaxCommonListBytes.
    // encoding decides how documents and the list are read (see EncodingChoice).
    void GeneralInitialize(CharacterSet set, const std::string* commonListPath,
                           EncodingChoice encoding = EncodingChoice::Auto);

    // Reads one document ("Cannot open file PATH" on failure) or a text already in
    // memory, under the given name, counting its words. A regular file whose size or
    // modification time differ after its reading from before it throws FileError "The
    // file PATH changed while it was read" (its words so far stay counted).
    void Vornix(const std::string& path, bool stripPossessives);
    void VornixText(std::string_view text, const std::string& name, bool stripPossessives);
    // Unicode text (the clipboard's), read by the Unicode rules whatever the encoding
    // choice; it ends at its first zero character. It counts as one file read.
    void ReadUnicodeText(std::u16string_view text, const std::string& name, bool stripPossessives);
    // Reads an open descriptor to its end (standard input), under the given name.
    void VornixStream(int fd, const std::string& name, bool stripPossessives);

    // The document loop: "Reading PATH (i of n)", FilesRead + 1, scan; stops early when
    // the run is stopped. The path "-" reads standard input, named "stdin". A document that cannot be opened throws
    // after the documents before it were counted; the caller ends the run with GeneralClosedown.
    void ReadDocuments(const std::vector<std::string>& paths, bool stripPossessives);

    // The end of the run that decides results: builds the alphabetical index and the
    // orders. (The limit message and the display are the caller's.)
    void GeneralClosedown();

    // The limit of distinct words from the next GeneralInitialize on (kept within
    // WordStore::LeastMaxWords..MostMaxWords); every rule of the limit is the same at any.
    void SetMaxWords(std::int32_t limit) { store_.SetMaxWords(limit); }
    bool LimitReached() const { return store_.WordCount() >= store_.MaxWords(); }
    RunStats Stats() const;
    // The vocabulary measures of the run; the store's index must be built (after
    // GeneralClosedown).
    VocabularyStats Vocabulary() { return ComputeVocabularyStats(store_, chunks_); }
    // "Words 1200 ... Unique 431"
    std::string ProgressText() const;

private:
    RunState state_;
    WordStore store_;  // declared after state_, which it refers to
    ResultOrders orders_;
    CharMapTable charMap_{};
    std::vector<std::string> fileList_;
    RunHooks hooks_;
    // Distinct words per 1,000 running words of the documents (not of the list).
    ChunkCounter chunks_;
    std::vector<RunInput> inputs_;
    unsigned threads_ = 0;
    std::size_t chunkBytes_ = std::size_t{1} << 20;
    EncodingChoice encoding_ = EncodingChoice::Auto;
    bool regularOnly_ = false;
    WordObserver* observer_ = nullptr;
    // Words counted and not yet handed to the observer.
    std::int32_t observed_[256] = {};
    std::size_t observedCount_ = 0;
    void FlushObserved(WordObserver* observer);

    // The Break check: a pending request is put to confirmStop; false once the run stops.
    bool KeepGoing();
    template <class Source>
    void Scan(Source&& source, bool stripPossessives);
    template <class Source>
    void ScanScripts(Source&& source, bool stripPossessives);
    bool TakeWord(std::string_view word, bool strip, WordObserver* observer);
    bool allScripts_ = false;
    bool allScriptsNext_ = false;
    std::unique_ptr<ScriptScanner> scripts_;
    CharacterSet scriptsSet_ = CharacterSet::Windows;
    void ScanDescriptor(int fd, const std::string& path, bool stripPossessives, RunInput* input);
    bool ScanInChunks(int fd, const std::string& path, bool stripPossessives, RunInput* input);
    // Merges one chunk read elsewhere into the store, or reads it again word by word by
    // onWord where the store would fill or the record file has no room.
    template <class OnWord>
    bool MergeChunk(const ChunkWords& chunk, const ChunkText& text, std::int64_t& others,
                    std::vector<std::int32_t>& records, std::vector<std::int32_t>& observed, OnWord& onWord);
    void AddFileName(std::string name);
    RunInput* BeginInput(const std::string& name, bool strip);
    void EndInput(RunInput* input, std::int32_t wordsBefore);
    CodePointTable& Table();
    void CountOtherScripts(const TextDecoder& decoder);

    std::unique_ptr<CodePointTable> table_;  // made at the first Unicode text
};

// The largest common words list read: far above any real list (the shipped one is a few
// KiB), far below what would swamp the store.
inline constexpr std::int64_t kMaxCommonListBytes = std::int64_t{64} << 20;

// "Reached unique-words limit 500000: cannot read more." with the run's limit.
std::string LimitMessage(std::int32_t maxWords);

// Case-insensitive (ASCII letters) order of names, ties broken byte-wise: the order of
// the statistics window's file list.
bool FileNameLess(std::string_view a, std::string_view b);

}  // namespace vornix
