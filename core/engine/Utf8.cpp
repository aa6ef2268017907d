#include "core/engine/Utf8.h"

#include <cstdint>
#include <cstring>

namespace vornix {

int Utf8SequenceLength(const unsigned char* p, std::size_t n) {
    if (p[0] < 0x80) return 1;
    const Utf8Lead lead = Utf8LeadOf(p[0]);
    if (lead.need == 0) return 0;
    for (int k = 1; k <= lead.need; ++k) {
        if (static_cast<std::size_t>(k) >= n) return -1;
        const unsigned char x = p[k];
        if (x < (k == 1 ? lead.low : 0x80) || x > (k == 1 ? lead.high : 0xBF)) return 0;
    }
    return lead.need + 1;
}

char32_t Utf8Decode(const unsigned char* p, int length) {
    if (length == 1) return p[0];
    if (length == 2) return ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    if (length == 3) return ((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    return ((p[0] & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsUtf8(std::string_view text) {
    Utf8Check check;
    check.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return check.Finish();
}

bool Utf8Check::Feed(const unsigned char* p, std::size_t n) {
    const unsigned char* end = p + n;
    while (valid_ && p < end) {
        if (need_ > 0) {
            const unsigned char b = *p++;
            if (b < low_ || b > high_) return valid_ = false;
            low_ = 0x80;
            high_ = 0xBF;
            --need_;
            continue;
        }
        // Most text is ASCII: skip eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            if (w & 0x8080808080808080ull) break;
            p += 8;
        }
        while (p < end && *p < 0x80) ++p;
        if (p == end) break;
        const Utf8Lead lead = Utf8LeadOf(*p++);
        if (lead.need == 0) return valid_ = false;
        need_ = lead.need;
        low_ = lead.low;
        high_ = lead.high;
    }
    return valid_;
}

}  // namespace vornix
