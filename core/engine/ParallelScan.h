#pragma once
// Reading one large document on several threads. The document is cut into chunks just
// after separator bytes: there the scanner is in the state it has at the start of a
// text, so each chunk is cut into exactly the words a whole reading gives it. A Unicode
// document is cut only after an ASCII separator that a character starting a new
// normalisation segment follows, where the decoder too is in its start state. Each chunk
// is scanned on a worker thread into a table of its own; the caller merges the tables on
// its own thread in document order, so what it builds is what one thread builds.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/CharTable.h"
#include "core/engine/EncodingRule.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

// The threads a run uses when none were asked for: one per processor.
unsigned DefaultThreads();

// One distinct word of a chunk, zero-padded as a record holds it.
struct ChunkWord {
    char padded[40];
    std::uint8_t length;
    std::int32_t count;
    std::uint64_t hash;  // HashPadded(padded, length)
};

// The distinct words of one chunk in the order they were first met, with their counts.
class ChunkWords {
public:
    ChunkWords();
    void Clear();
    // word holds 1 to 40 characters.
    void Add(std::string_view word);
    const std::vector<ChunkWord>& Words() const { return words_; }
    // Every word added, repeats included.
    std::int64_t Total() const { return static_cast<std::int64_t>(sequence_.size()); }
    // The words in document order, as indexes into Words(): what a merge replays for
    // figures that follow each occurrence rather than the counts.
    const std::vector<std::uint32_t>& Sequence() const { return sequence_; }

private:
    void Grow();
    std::vector<ChunkWord> words_;
    // High half: the top of the word's hash; low half: index in words_ + 1 (0: empty).
    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
    std::vector<std::uint32_t> sequence_;
};

// Cuts the word list of bytes the way the scanner does and keeps it in a chunk table
// (possessives stripped when strip is set).
void ScanChunk(const CharMapTable& map, bool strip, const unsigned char* p, std::size_t n, ChunkWords& out);

// Bytes [begin, begin + n) of a document, cut where the next chunk takes over; for a
// Unicode document, the chunk's characters decoded into the character table's codes.
struct ChunkText {
    const unsigned char* data;
    std::size_t size;
    std::int64_t offset;                  // of the chunk's first byte in the document, from where the reading began
    std::int64_t otherScriptLetters = 0;  // counted by the decoder of a Unicode chunk
};

// Called on the calling thread for each chunk in document order; false stops the
// reading at once (the later chunks are never merged).
using ChunkMerge = std::function<bool(const ChunkWords&, const ChunkText&)>;

struct ChunkPlan {
    unsigned threads = 2;
    std::size_t chunkBytes = std::size_t{1} << 20;
    // How the bytes read: Bytes through the map, else decoded first (the byte-order mark,
    // if any, is before offset).
    TextEncoding encoding = TextEncoding::Bytes;
    // Where decoding starts, from where the reading began: a document without a mark
    // is read as bytes up to its first non-ASCII byte, as one reading does.
    std::int64_t decodeFrom = 0;
};

// Whether a Unicode document may be cut just after the code unit at j of p (n bytes,
// j a multiple of the unit's size): the unit is an ASCII separator by the map, and the
// character after it starts a new normalisation segment (or the document ends there,
// when atEnd). -1: the bytes after j are too few to tell.
int UnicodeCutAfter(const CharMapTable& map, TextEncoding encoding, CodePointTable& table, const unsigned char* p,
                    std::size_t n, std::size_t j, bool atEnd);

// Reads size bytes of the regular file fd from offset by pread on plan.threads workers.
// Returns false when a merge stopped the reading. A read error throws
// FileError("Cannot open file PATH") once the chunks before it are merged, as a one-
// thread reading would fail there.
bool ScanFileInChunks(int fd, const std::string& path, off_t offset, off_t size, const CharMapTable& map, bool strip,
                      const ChunkPlan& plan, const ChunkMerge& merge);

// Reads the stream fd (a pipe, a terminal, a socket) to its end on plan.threads workers:
// a reader thread reads it ahead into chunks, at most four a worker held at once. The
// encoding is decided while reading, as one reading decides it for a stream (the
// choice, a byte-order mark, else at the first non-ASCII byte on the bytes that follow
// it); decision holds it as far as the reading got. A stream that stops delivering
// hands on what it holds, so its words are counted before more come. Returns false
// when a merge stopped the reading. A read error throws FileFailure("Cannot open file",
// path, errno) once the chunks before it are merged.
bool ScanStreamInChunks(int fd, const std::string& path, EncodingChoice choice, const CharMapTable& map, bool strip,
                        const ChunkPlan& plan, const ChunkMerge& merge, EncodingDecision& decision);

}  // namespace vornix
