#pragma once
// One document read from a descriptor as the count reads it: in blocks (a huge file
// never has to fit in memory), a hole of a sparse file as one separator, the encoding
// decided by the one rule (EncodingRule.h; a regular file is judged on all its rest, a
// stream on the mebibyte after its first non-ASCII byte), and Unicode decoded into the
// character table's codes. The decision is kept in the run's inputs, so that the
// context search reads the document again exactly so.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/engine/EncodingRule.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

// Decoding runs in pieces that stay in the cache until the scanner has read them.
constexpr std::size_t kDecodePiece = 1 << 16;

class DocumentReader {
public:
    // What the scanner is given, piece by piece; false stops the reading.
    using Feed = std::function<bool(const unsigned char*, std::size_t)>;
    // The Unicode table is built only when a document turns out to need it.
    using TableSource = std::function<CodePointTable&()>;

    DocumentReader(int fd, const std::string& path, EncodingChoice choice, TableSource table);
    // Unicode is handed on as the document's own bytes, undecoded (Decision() says how
    // to read them), and a hole as feed(nullptr, 0): for the scanner of every script,
    // which reads characters itself.
    void HandBytesOn() { raw_ = true; }
    ~DocumentReader();
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;

    // Reads to the end of the document, or until feed returns false (then false).
    // Throws FileError when the descriptor cannot be read.
    bool Read(const Feed& feed);

    // The decision as far as the reading got (a run stopped before the first non-ASCII
    // byte leaves it at 8-bit).
    const EncodingDecision& Decision() const { return decision_; }
    // The decoder of a Unicode document, with its count of other-script letters.
    const TextDecoder* Decoder() const { return decoder_ ? &*decoder_ : nullptr; }

private:
    class Blocks;
    enum class Mode { Undecided, Bytes, Unicode };

    void StartUnicode(TextEncoding encoding);
    bool Process(const unsigned char* p, std::size_t n);
    bool JudgeAt(const unsigned char*& p, std::size_t& n);
    bool FeedUnicode(const unsigned char* p, std::size_t n);
    bool Hole();

    int fd_;
    const std::string& path_;
    EncodingChoice choice_;
    TableSource table_;
    std::unique_ptr<Blocks> blocks_;
    const Feed* feed_ = nullptr;
    Mode mode_ = Mode::Bytes;
    EncodingDecision decision_;
    std::optional<TextDecoder> decoder_;
    std::string ahead_;  // a stream read ahead to judge it
    bool raw_ = false;
};

}  // namespace vornix
