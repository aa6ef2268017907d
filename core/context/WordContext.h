#pragma once
// Word in context: every occurrence of one table word, or of a phrase, in the run's
// inputs, and the text around it. The store keeps no positions, so the inputs are read again with exactly
// the count's rules (character table, trimming, possessives, the decoding each input
// was read with) and each word whose stored form equals the one sought is kept as a
// 16-byte record. The text of a line is formed only when it is asked for.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/AnalysisRun.h"

namespace vornix {

class ScriptScanner;

// One occurrence: which input, and where its bytes lie as written.
struct Occurrence {
    std::uint32_t input;
    std::uint32_t length;
    std::uint64_t offset;
};
static_assert(sizeof(Occurrence) == 16, "an occurrence is 16 bytes");

// "The file X has changed since it was counted; the lines shown may not match the table"
std::string ChangedFileMessage(const std::string& path);

// The stored form of a word typed by the user ("don't", "Café"): cut by the run's rules.
// Empty when the text is not exactly one word.
std::string StoredFormOf(std::string_view typed, const CharMapTable& map);
// The stored forms of the words of a typed phrase ("of the" gives OF, THE), in order.
std::vector<std::string> StoredFormsOf(std::string_view typed, const CharMapTable& map);
// The same for a run of words of every script (allScripts), whose scanner cuts it (typed
// text that is not UTF-8 read as the characters of set).
std::vector<std::string> StoredFormsOf(std::string_view typed, const CharMapTable& map, bool allScripts,
                                       CharacterSet set = CharacterSet::Windows);
// One word by the run's rules, of every script or not; empty when not exactly one.
std::string StoredFormOf(std::string_view typed, const CharMapTable& map, bool allScripts,
                         CharacterSet set = CharacterSet::Windows);

// What a search finds. One word: its every occurrence. A phrase (two words or more):
// every place where the words follow one another within one document, the same places
// the n-gram of those words is counted at (overlapping ones too), each occurrence
// running from the first word to the last. With `near`: the occurrences of the one word
// that have `near` standing at most `left` words before them or `right` words after
// them in the same document, the places where the collocate of that span is counted.
struct ContextQuery {
    static constexpr std::size_t MaxWords = 32;
    std::vector<std::string> words;  // stored forms, 1 to MaxWords
    std::string near;                // a stored form, or empty
    int left = 0, right = 0;         // for `near`: the span in words

    static ContextQuery Phrase(std::vector<std::string> words) { return {std::move(words), {}, 0, 0}; }
    static ContextQuery Near(std::string node, std::string near, int left, int right) {
        return {{std::move(node)}, std::move(near), left, right};
    }
};

// The search, run in slices: Step reads a bounded amount and returns, so a caller can
// show progress and stop between slices, on its own thread or a worker's. The run must
// stay unchanged while the search lives.
class OccurrenceSearch {
public:
    // word: the stored form (as the table holds it). expected: its count in the table;
    // the records are reserved for exactly that many, so they take 16 bytes each.
    OccurrenceSearch(const AnalysisRun& run, std::string word, std::size_t expected = 0);
    // A phrase or a word near another (query.words must hold 1 to MaxWords words).
    OccurrenceSearch(const AnalysisRun& run, ContextQuery query, std::size_t expected = 0);
    // Every word instead of one: visit(input, word) gets each word in text order, in
    // its stored form, as the count read it; Found stays empty. For analyses of the
    // words around a word, which read the inputs again in the same slices.
    using WordVisitor = std::function<void(std::uint32_t input, std::string_view word)>;
    OccurrenceSearch(const AnalysisRun& run, WordVisitor visit);
    ~OccurrenceSearch();

    // Threads for a large 8-bit document when one word is sought (0: one per processor;
    // 1, the default: the one reading in slices). With more than one, Step reads such a
    // document whole, in chunks of chunkBytes on that many threads, whatever its budget;
    // Found is the same.
    void SetThreads(unsigned threads, std::size_t chunkBytes = std::size_t{4} << 20) {
        threads_ = threads;
        chunkBytes_ = chunkBytes;
    }

    // Reads on for about `budget` bytes; false once every input has been read.
    bool Step(std::size_t budget = 4 << 20);
    void RunToEnd() {
        while (Step()) {
        }
    }
    bool Done() const;

    // In text order: input by input, by offset. Grows only inside Step.
    const std::vector<Occurrence>& Found() const { return found_; }
    // Changed, vanished and unreadable inputs, one message each, as they were met.
    const std::vector<std::string>& Problems() const { return problems_; }
    std::int64_t BytesDone() const { return bytesDone_; }
    std::int64_t BytesTotal() const { return bytesTotal_; }

private:
    struct Reader;
    // A reader for an input, or none (its problem noted) when it cannot be read.
    std::unique_ptr<Reader> Open(std::uint32_t index);
    const AnalysisRun& run_;
    ContextQuery query_;
    WordVisitor visit_;
    std::vector<Occurrence> found_;
    std::vector<std::string> problems_;
    std::int64_t bytesDone_ = 0;
    std::int64_t bytesTotal_ = 0;
    std::size_t next_ = 0;  // the next input to open
    unsigned threads_ = 1;
    std::size_t chunkBytes_ = std::size_t{4} << 20;
    std::unique_ptr<CodePointTable> table_;
    std::unique_ptr<ScriptScanner> scripts_;  // made for a run of words of every script
    std::unique_ptr<Reader> reader_;
};

// Line breaks: LF, CR LF and a lone CR each end a line. Counts the breaks in
// [p, p + n); `next` is the byte (unit) after the range, or -1 at the end of the text,
// so a CR just before an LF is not counted twice. unit: 1 for bytes and UTF-8, 2 for
// UTF-16 (bigEndian says which).
std::int64_t CountLineBreaks(const unsigned char* p, std::size_t n, int next, int unit = 1, bool bigEndian = false);

// The text of occurrences, formed on demand from the inputs.
class ContextReader {
public:
    explicit ContextReader(const AnalysisRun& run);
    ~ContextReader();

    struct Line {
        std::string left;  // UTF-8, cut at a word boundary, no line breaks
        std::string hit;   // the occurrence as written
        std::string right;
        std::int64_t line = 0;  // from 1
        std::string name;       // the input's file name
    };
    // width: characters of context on each side. Lines are fastest asked for in text
    // order (the line number is then counted on from the last one).
    Line Format(const Occurrence& o, int width);
    // The line number (from 1) of an offset in an input.
    std::int64_t LineOf(std::uint32_t input, std::uint64_t offset);
    // Inputs no longer as they were counted (ChangedFileMessage), one message each, as
    // the search reports them: noted when lines are first formed from an input, when a
    // read of it comes short, and by CheckInputs. Lines formed from them may be wrong.
    const std::vector<std::string>& Problems() const { return problems_; }
    // Looks again at every input lines were formed from, for a change since the count.
    void CheckInputs();

private:
    friend void SortOccurrences(std::vector<Occurrence>&, struct ContextSort, ContextReader&);
    struct Source;
    Source& SourceOf(std::uint32_t input);
    void Note(Source& s);
    const AnalysisRun& run_;
    std::vector<std::unique_ptr<Source>> sources_;
    std::vector<std::string> problems_;
    bool dos_;
    std::vector<char32_t> chars_;  // the characters of the line being formed
};

// Whether a document named on the command line can be read a second time, as the
// context search reads it: a regular file (or a link to one). Standard input ("-"), a
// FIFO, a device or a pipe's /dev/stdin cannot; looking does not open it.
bool ReadableTwice(const std::string& path);

// How the lines are ordered: by text order, or by the n-th word to the left (1L, 2L, …)
// or to the right (1R, 2R, …) of the occurrence, case-insensitively, ties in text order.
struct ContextSort {
    enum Side { Text, Left, Right } side = Text;
    int n = 1;
};
// Parses "1L", "2R", "text"; false when it is none of them.
bool ParseContextSort(std::string_view text, ContextSort& sort);
// found must be in text order (as the search gives it).
void SortOccurrences(std::vector<Occurrence>& found, ContextSort sort, ContextReader& reader);

// The concordance as vornix-count prints it: one line per occurrence, UTF-8,
// tab-separated: file name, line number, left context, occurrence, right context.
std::string ConcordanceLine(const ContextReader::Line& line);

}  // namespace vornix
