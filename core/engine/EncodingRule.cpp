#include "core/engine/EncodingRule.h"

#include <cstdint>
#include <cstring>

#include "core/engine/Utf8.h"

namespace vornix {

EncodingStart EncodingFromStart(std::string_view head, EncodingChoice choice) {
    EncodingStart start;
    if (choice == EncodingChoice::Bytes) return start;
    TextEncoding marked = TextEncoding::Bytes;
    const std::size_t mark = ByteOrderMark(head, marked);
    if (choice == EncodingChoice::Utf8) {
        start.decision.encoding = TextEncoding::Utf8;
        if (marked == TextEncoding::Utf8) start.decision.skip = mark;
    } else if (mark > 0) {
        start.decision = EncodingDecision{marked, mark, false};
    } else {
        start.decided = false;
    }
    return start;
}

EncodingDecision DecideEncoding(std::string_view text, EncodingChoice choice) {
    const EncodingStart start = EncodingFromStart(text, choice);
    if (start.decided) return start.decision;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t ascii = AsciiPrefix(p, text.size());
    if (ascii == text.size()) return {};
    Utf8Check check;
    check.Feed(p + ascii, text.size() - ascii);
    if (!check.Finish()) return {};
    return EncodingDecision{TextEncoding::Utf8, 0, true};
}

std::size_t AsciiPrefix(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    // Sixty-four bytes a step, their high bits gathered first: the compiler turns this
    // into a few vector instructions.
    while (n - i >= 64) {
        std::uint64_t any = 0;
        for (std::size_t k = 0; k < 8; ++k) {
            std::uint64_t w;
            std::memcpy(&w, p + i + 8 * k, 8);
            any |= w;
        }
        if (any & 0x8080808080808080ull) break;
        i += 64;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

}  // namespace vornix
