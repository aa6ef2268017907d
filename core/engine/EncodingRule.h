#pragma once
// How a text's encoding is decided: documents, the common words list (counted and
// edited) and word-frequency tables all take it from here, so a file reads the same
// wherever it is opened.
//   1. The choice Bytes reads every byte through the 8-bit set.
//   2. Else a byte-order mark names the encoding and is not read; with the choice Utf8
//      only UTF-8's own mark counts (the text is read as UTF-8 whatever it holds).
//   3. Else the choice Utf8 reads UTF-8.
//   4. Else (Auto) ASCII reads alike either way, so the text is read as bytes up to its
//      first non-ASCII byte; from there it is UTF-8 when all the rest is valid UTF-8,
//      else 8-bit. A text of ASCII only stays 8-bit.
#include <cstddef>
#include <string_view>

#include "core/engine/TextDecoder.h"

namespace vornix {

struct EncodingDecision {
    TextEncoding encoding = TextEncoding::Bytes;
    std::size_t skip = 0;     // the byte-order mark's length
    bool asciiFirst = false;  // decided by step 4 at the first non-ASCII byte
    bool operator==(const EncodingDecision&) const = default;
};

// Standard input and pipes cannot be read twice: step 4 judges them on the bytes from
// the first non-ASCII one, this many (all of them when fewer come).
inline constexpr std::size_t kStreamJudged = std::size_t{1} << 20;

// Steps 1 to 3 on the text's first bytes (three when it has them). decided is false
// when step 4 must look further.
struct EncodingStart {
    bool decided = true;
    EncodingDecision decision;
};
EncodingStart EncodingFromStart(std::string_view head, EncodingChoice choice);

// The whole rule on a text held in memory.
EncodingDecision DecideEncoding(std::string_view text, EncodingChoice choice);

// The length of the ASCII run at the start of p.
std::size_t AsciiPrefix(const unsigned char* p, std::size_t n);

}  // namespace vornix
