#pragma once
// Unicode documents (UTF-8, UTF-16) read as the words they hold. The decoder turns a
// Unicode text into the codes the character table gives (plain ASCII: capital letters,
// digits, the underscore, apostrophe, comma, full stop and the space), so the same
// scanner cuts it into words whatever 8-bit set the run uses:
// - the text is normalised to NFC first, so a letter and its combining accent read as
//   the accented letter;
// - a character the Windows-1252 set has reads as the Windows table reads its byte;
// - any other Latin letter folds to its plain capital(s) (l with stroke to L, the fi
//   ligature to FI); a combining mark left over after NFC adds nothing;
// - every other character is a separator; letters of other scripts are counted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/Utf8.h"

namespace vornix {

// How a document's bytes are read.
enum class TextEncoding { Bytes, Utf8, Utf16LE, Utf16BE };

// The user's choice: Auto decides per document (byte-order mark, else valid UTF-8 with
// a multi-byte sequence, else 8-bit); Utf8 reads every input as UTF-8; Bytes reads
// every byte through the chosen 8-bit set.
enum class EncodingChoice { Auto, Utf8, Bytes };

// The byte-order mark at the start of a text: its length (0 when there is none) and
// the encoding it names. Needs the first three bytes when the text has them.
std::size_t ByteOrderMark(std::string_view start, TextEncoding& encoding);

// What one character reads as; built from Unicode data once per code point and kept.
class CodePointTable {
public:
    CodePointTable();
    ~CodePointTable();

    struct Entry {
        char codes[5];        // the table codes, ASCII
        std::uint8_t length;  // number of codes
        std::uint8_t others;  // letters of other scripts among them
        bool starter;         // false: the character may join the one before (NFC)
    };
    const Entry& Lookup(char32_t c);
    // The codes of a character and the combining characters after it, after NFC.
    // Appends them to out and returns the number of other-script letters.
    int MapSequence(const char32_t* cps, std::size_t n, std::string& out);

private:
    Entry Compute(char32_t c);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class TextDecoder {
public:
    TextDecoder(TextEncoding encoding, CodePointTable& table);

    // Decodes the next piece of the text and returns the codes now ready for the
    // scanner, valid until the next call. The codes of the last character are held
    // back until the next call or Finish: a combining mark after it may change them.
    std::string_view Decode(const unsigned char* p, std::size_t n);
    // A stretch of zero bytes that is not read (a hole in a sparse file): one
    // separator, ending any sequence in progress.
    std::string_view Separator();
    // The text has ended: a sequence cut short reads as its bytes (UTF-8) or as a
    // separator (UTF-16); everything held back is handed on.
    std::string_view Finish();

    // Letters of other scripts read so far (final after Finish).
    std::int64_t OtherScriptLetters() const { return others_; }

private:
    void Begin(std::size_t incoming);
    std::string_view Ready(bool all);
    void Put(char32_t c);
    void PutUtf8(const unsigned char* p, std::size_t n, bool final, std::size_t& used);
    void PutUtf16(const unsigned char* p, std::size_t n);
    void FlushPending();

    TextEncoding encoding_;
    CodePointTable& table_;
    std::string out_;
    std::size_t handed_ = 0;    // codes handed on by the last call, dropped at the next
    std::size_t segStart_ = 0;  // where the codes of the current character start
    char32_t seg_[32];          // the current character and the marks joined to it
    std::size_t segLength_ = 0;
    int segOthers_ = 0;
    std::int64_t others_ = 0;
    unsigned char pending_[4];  // a sequence (or UTF-16 unit) cut by the end of a piece
    std::size_t pendingLength_ = 0;
    char32_t highSurrogate_ = 0;
};

// Decodes a whole text held in memory; for tests and small texts.
std::string DecodeToCodes(std::string_view bytes, TextEncoding encoding, CodePointTable& table,
                          std::int64_t* otherScriptLetters = nullptr);

}  // namespace vornix
