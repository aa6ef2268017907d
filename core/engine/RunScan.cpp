#include "core/engine/RunScan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornix {

namespace {

constexpr bool IsPlain(unsigned c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\'' || c == '_';
}

constexpr unsigned char Upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

#if defined(__SSE2__)
// Bytes in [low, low + count) as a mask, by a signed compare after shifting the range
// to the bottom of the signed bytes.
inline __m128i InRange(__m128i v, char low, char count) {
    const __m128i shifted = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(-128 - low)));
    return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + count)));
}

inline __m128i PlainMask(__m128i v) {
    const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
    const __m128i digit = InRange(v, '0', 10);
    const __m128i mark = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')), _mm_cmpeq_epi8(v, _mm_set1_epi8('_')));
    return _mm_or_si128(_mm_or_si128(letter, digit), mark);
}
#endif

}  // namespace

bool RunScanFits(const CharMapTable& map) {
    // Other bytes go through the per-byte rules, whatever they map to.
    for (unsigned c = 0; c < 128; ++c)
        if (IsPlain(c) && map[c] != Upper(static_cast<unsigned char>(c))) return false;
    return true;
}

std::size_t PlainRun(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    while (n - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned plain = static_cast<unsigned>(_mm_movemask_epi8(PlainMask(v)));
        if (plain != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(~plain));
        i += 16;
    }
#endif
    while (i < n && IsPlain(p[i])) ++i;
    return i;
}

void CopyUpper16(const unsigned char* p, char* out) {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_sub_epi8(v, _mm_and_si128(InRange(v, 'a', 26), _mm_set1_epi8(0x20))));
#else
    for (int i = 0; i < 16; ++i) out[i] = static_cast<char>(Upper(p[i]));
#endif
}

void CopyUpper(const unsigned char* p, std::size_t n, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; n - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i lower = InRange(v, 'a', 26);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_sub_epi8(v, _mm_and_si128(lower, _mm_set1_epi8(0x20))));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<char>(Upper(p[i]));
}

}  // namespace vornix
