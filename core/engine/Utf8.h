#pragma once
// UTF-8, the one place that knows its rules: which lead bytes start a sequence, the
// limits on the byte after E0, ED, F0 and F4 (no overlong forms, no surrogates, nothing
// past U+10FFFF), decoding and encoding.
#include <cstddef>
#include <string>
#include <string_view>

namespace vornix {

// What a lead byte asks of the bytes after it: how many follow, and the range the
// first of them must lie in (the others lie in 80..BF). need 0: no lead byte.
struct Utf8Lead {
    int need;
    unsigned char low;
    unsigned char high;
};
constexpr Utf8Lead Utf8LeadOf(unsigned char b) {
    using byte = unsigned char;
    if (b < 0xC2) return {0, 0x80, 0xBF};  // ASCII, a continuation byte, or an overlong lead
    if (b < 0xE0) return {1, 0x80, 0xBF};
    if (b < 0xF0) return {2, byte(b == 0xE0 ? 0xA0 : 0x80), byte(b == 0xED ? 0x9F : 0xBF)};
    if (b < 0xF5) return {3, byte(b == 0xF0 ? 0x90 : 0x80), byte(b == 0xF4 ? 0x8F : 0xBF)};
    return {0, 0x80, 0xBF};
}

// The length of the sequence at p (n bytes available): 1 for ASCII, 2 to 4 for a valid
// sequence, 0 when it is not one, -1 when it may be one but is cut by the end.
int Utf8SequenceLength(const unsigned char* p, std::size_t n);

// The code point of a valid sequence of the given length (from Utf8SequenceLength).
char32_t Utf8Decode(const unsigned char* p, int length);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t c);

// Whether the whole text is valid UTF-8.
bool IsUtf8(std::string_view text);

// Checks UTF-8 piece by piece: no overlong forms, no surrogates, nothing past U+10FFFF.
class Utf8Check {
public:
    // False once a byte that is not valid UTF-8 was seen.
    bool Feed(const unsigned char* p, std::size_t n);
    // The text ended: false when it ends inside a sequence.
    bool Finish() const { return valid_ && need_ == 0; }
    // Whether the bytes seen so far are valid and end inside a sequence at most.
    bool Valid() const { return valid_; }

private:
    bool valid_ = true;
    int need_ = 0;              // continuation bytes still to come
    unsigned char low_ = 0x80;  // allowed range of the next continuation byte
    unsigned char high_ = 0xBF;
};

}  // namespace vornix
