// The UTF-8 rules at their boundaries: every lead byte's first and last allowed
// follower, and the bytes just outside them.
#include <gtest/gtest.h>

#include <string>

#include "core/engine/Utf8.h"

namespace vornix {
namespace {

TEST(Utf8, SequenceLengthsAtTheBoundaries) {
    const struct {
        std::string bytes;
        int length;
        char32_t code;  // checked when length > 0
    } cases[] = {
        {"\x7F", 1, 0x7F},
        {"\x80", 0, 0},      // a continuation byte alone
        {"\xC1\xBF", 0, 0},  // overlong two-byte form
        {"\xC2\x80", 2, 0x80},
        {"\xDF\xBF", 2, 0x7FF},
        {"\xE0\x9F\xBF", 0, 0},  // overlong three-byte form
        {"\xE0\xA0\x80", 3, 0x800},
        {"\xED\x9F\xBF", 3, 0xD7FF},
        {"\xED\xA0\x80", 0, 0},  // a surrogate
        {"\xEF\xBF\xBF", 3, 0xFFFF},
        {"\xF0\x8F\xBF\xBF", 0, 0},  // overlong four-byte form
        {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\xF4\x90\x80\x80", 0, 0},  // past U+10FFFF
        {"\xF5\x80\x80\x80", 0, 0},
        {"\xE2\x82", -1, 0},  // cut short by the end
        {"\xE2\x28\xA1", 0, 0},
    };
    for (const auto& c : cases) {
        const auto* p = reinterpret_cast<const unsigned char*>(c.bytes.data());
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Utf8SequenceLength(p, c.bytes.size()), c.length);
        EXPECT_EQ(IsUtf8(c.bytes), c.length == static_cast<int>(c.bytes.size()));
        if (c.length > 0) {
            EXPECT_EQ(Utf8Decode(p, c.length), c.code);
            std::string encoded;
            AppendUtf8(encoded, c.code);
            EXPECT_EQ(encoded, c.bytes);
        }
    }
}

TEST(Utf8, CheckAcceptsASequenceCutAcrossPieces) {
    const std::string text = "caf\xC3\xA9 \xF0\x9F\x98\x80";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        Utf8Check check;
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        EXPECT_TRUE(check.Feed(p, cut));
        EXPECT_TRUE(check.Feed(p + cut, text.size() - cut));
        EXPECT_TRUE(check.Finish()) << cut;
    }
    Utf8Check cutShort;
    cutShort.Feed(reinterpret_cast<const unsigned char*>("\xF0\x9F"), 2);
    EXPECT_TRUE(cutShort.Valid());
    EXPECT_FALSE(cutShort.Finish());
}

}  // namespace
}  // namespace vornix
