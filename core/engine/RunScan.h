#pragma once
// The scanner's rules for a text that starts in the scanner's start state and is read
// to its end (a chunk of the threaded reading), with runs of plain word bytes (ASCII
// letters, digits, apostrophe, underscore) found sixteen at a time: most bytes of a
// text are such runs, and only the bytes between them need the per-byte rules.
#include <cstddef>
#include <string_view>

#include "core/engine/CharTable.h"

namespace vornix {

// Whether RunScan can read texts by this map: its ASCII half must be the one
// BuildCharMap gives every character set.
bool RunScanFits(const CharMapTable& map);

// Calls onWord(std::string_view) for each trimmed, non-empty word, as Scanner would.
template <class OnWord>
void RunScan(const CharMapTable& map, const unsigned char* p, std::size_t n, OnWord&& onWord);

// The length of the run of plain word bytes at p (at most n).
std::size_t PlainRun(const unsigned char* p, std::size_t n);
// Copies n plain word bytes to out in upper case; out has room for n rounded up to 16.
void CopyUpper(const unsigned char* p, std::size_t n, char* out);
// Copies sixteen bytes, the plain ones in upper case.
void CopyUpper16(const unsigned char* p, char* out);

template <class OnWord>
void RunScan(const CharMapTable& map, const unsigned char* p, std::size_t n, OnWord&& onWord) {
    constexpr std::size_t kMax = 40;
    char word[kMax + 64];
    std::size_t len = 0;
    std::uint8_t current = kSeparator;
    auto emit = [&] {
        std::size_t b = 0, e = len;
        len = 0;
        while (b < e && IsEdgeChar(static_cast<std::uint8_t>(word[b]))) ++b;
        while (e > b && IsEdgeChar(static_cast<std::uint8_t>(word[e - 1]))) --e;
        if (e > b) onWord(std::string_view(word + b, e - b));
    };
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = PlainRun(p + i, n - i);
        if (run > 0) {
            // Only the first 40 characters of a word count; the rest is read past.
            if (len < kMax) {
                const std::size_t take = run < kMax - len ? run : kMax - len;
                if (n - i >= 16) {
                    // Sixteen at once, though fewer may be kept: the buffer has room.
                    CopyUpper16(p + i, word + len);
                    if (take > 16) CopyUpper(p + i + 16, take - 16, word + len + 16);
                } else {
                    CopyUpper(p + i, take, word + len);
                }
                len += take;
            }
            i += run;
            current = map[p[i - 1]];
            if (i == n) break;
        }
        const std::uint8_t previous = current;
        current = map[p[i++]];
        switch (current) {
            case kSeparator:
                if (len != 0) emit();
                break;
            case kComma:
                if (len != 0 && !IsDigitChar(previous)) emit();  // 1,000 reads as 1000
                break;
            case kFullStop:
                if (len == 0) break;
                if (previous == kFullStop)
                    emit();
                else if (len < kMax)
                    word[len++] = '.';
                break;
            case kLigature:
                if (len < kMax) word[len++] = 'A';
                if (len < kMax) word[len++] = 'E';
                break;
            default:
                if (len < kMax) word[len++] = static_cast<char>(current);
        }
    }
    if (len != 0) emit();
}

}  // namespace vornix
