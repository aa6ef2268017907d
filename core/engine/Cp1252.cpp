#include "core/engine/Cp1252.h"

namespace vornix {

namespace {

// Code points of bytes 0x80..0x9F; 0 where 1252 leaves the byte undefined (those bytes
// are read as the control character of the same number).
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ByteFor(char32_t c) {
    const int b = Cp1252Byte(c);
    return b < 0 ? '?' : static_cast<char>(b);
}

}  // namespace

char32_t Cp1252CodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0) return kHigh[byte - 0x80];
    return byte;
}

int Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == c) return 0x80 + i;
    if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] == 0) return static_cast<int>(c);
    return -1;
}

std::string Cp1252FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c == 0) break;  // the text ends at its first zero
        out += ByteFor(c);
    }
    return out;
}

std::u16string Utf16FromCp1252(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
            out += kHigh[b - 0x80];
        else
            out += static_cast<char16_t>(b);
    }
    return out;
}

}  // namespace vornix
