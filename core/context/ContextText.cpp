#include "core/context/ContextText.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <cstdint>
#include <vector>

#include "core/engine/Cp1252.h"

namespace vornix {

const char32_t* DosCharacters() {
    static const auto table = [] {
        std::vector<char32_t> t(256);
        for (int b = 0; b < 256; ++b) t[b] = b < 128 ? char32_t(b) : Cp1252CodePoint(static_cast<unsigned char>(b));
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("ibm-437", &status);
        if (U_SUCCESS(status)) {
            for (int b = 128; b < 256; ++b) {
                const char in = static_cast<char>(b);
                UChar out[4];
                UErrorCode s = U_ZERO_ERROR;
                const std::int32_t n = ucnv_toUChars(conv, out, 4, &in, 1, &s);
                if (U_SUCCESS(s) && n == 1) t[b] = out[0];
            }
            ucnv_close(conv);
        }
        return t;
    }();
    return table.data();
}

bool IsWordChar(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '\'' || c == '_';
    return c == 0x2019 || u_isalnum(static_cast<UChar32>(c));
}

}  // namespace vornix
