#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/engine/TextRules.h"

namespace vornix {
namespace {

// Every case is read both as bytes (settings, thresholds, options) and as UTF-16
// (search texts), which must agree.
TEST(TextRules, Int32SyntaxAndRange) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {" 7", 7},
        {"   -12", -12},
        {"+4", 4},
        {"$10", 16},
        {"$ff", 255},
        {"$FF", 255},
        {"-$10", -16},
        {"+$a", 10},
        {"00000000000000000000009", 9},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$7fffffff", INT32_MAX},
        {"-$80000000", INT32_MIN},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"+-1", std::nullopt},
        {"$-1", std::nullopt},
        {"7x", std::nullopt},
        {"7 ", std::nullopt},
        {"\t7", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x10", std::nullopt},
        {"$fg", std::nullopt},
        {"ab", std::nullopt},  // hexadecimal digits need the "$"
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$80000000", std::nullopt},
        {"$FFFFFFFF", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"18446744073709551621", std::nullopt},  // 2^64 + 5: must not wrap round to 5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInt32(std::string_view(c.text)), c.value);
        const std::string bytes(c.text);
        EXPECT_EQ(ParseInt32(std::u16string(bytes.begin(), bytes.end())), c.value);
    }
    // A non-ASCII digit is no digit.
    EXPECT_FALSE(ParseInt32(std::u16string(u"\x0665")).has_value());
    EXPECT_FALSE(ParseInt32(std::string_view("\xd9\xa5")).has_value());
}

TEST(TextRules, CaseFormsChangeOnlyAsciiLetters) {
    std::string bytes = "Abz@[`{\xc9\xe9'9";
    AsciiCaseForm(bytes, true);
    EXPECT_EQ(bytes, "abz@[`{\xc9\xe9'9");
    AsciiCaseForm(bytes, false);
    EXPECT_EQ(bytes, "ABZ@[`{\xc9\xe9'9");
    std::u16string wide = u"d\u00e9j\u00c0 Vu";
    AsciiCaseForm(wide, false);
    EXPECT_EQ(wide, u"D\u00e9J\u00c0 VU");
    EXPECT_EQ(AsciiUpper(static_cast<unsigned char>(0xE9)), 0xE9);
}

}  // namespace
}  // namespace vornix
