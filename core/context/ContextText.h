#pragma once
// What the word-in-context files share about an input's text: its unit size, UTF-16
// units, which characters are blanks and word characters in the lines shown, and the
// characters of the DOS set.
#include "core/engine/TextDecoder.h"

namespace vornix {

inline bool IsUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16LE || e == TextEncoding::Utf16BE;
}

inline unsigned Unit16(const unsigned char* p, bool big) {
    return big ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
}

// Line breaks, tabs and the other blanks, which a line shows as one space. Inline: it is
// asked of every character of every line formed.
inline bool IsBlank(char32_t c) {
    return c <= 0x20 || c == 0x7F || c == 0x85 || c == 0xA0 || c == 0x2028 || c == 0x2029;
}
// Letters, digits, the apostrophes and the underscore: what a sort key's words are made of.
bool IsWordChar(char32_t c);
// The characters of the DOS set's 256 bytes, for showing DOS texts.
const char32_t* DosCharacters();

}  // namespace vornix
