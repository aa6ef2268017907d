#include <gtest/gtest.h>

#include <string>

#include "core/engine/Cp1252.h"

using namespace vornix;

TEST(Cp1252, EveryByteButZeroSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string text = Utf16FromCp1252(all);
    ASSERT_EQ(text.size(), all.size());
    EXPECT_EQ(Cp1252FromUtf16(text), all);
}

TEST(Cp1252, TheBytesWhereTheSetDiffersFromLatin1) {
    // 0x80-0x9F hold typographic characters; the five undefined ones stay controls.
    EXPECT_EQ(Utf16FromCp1252("\x80\x8C\x92\x9F"), u"\u20AC\u0152\u2019\u0178");
    EXPECT_EQ(Utf16FromCp1252("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(Cp1252FromUtf16(u"\u20AC\u0152\u2019\u0178\u0161"), "\x80\x8C\x92\x9F\x9A");
    // Latin-1 letters are their own bytes.
    EXPECT_EQ(Cp1252FromUtf16(u"\u00C9clair \u00C6sop na\u00EFve"),
              "\xC9"
              "clair \xC6sop na\xEFve");
    EXPECT_EQ(Utf16FromCp1252("\xC9\xFF"), u"\u00C9\u00FF");
}

TEST(Cp1252, CharactersOutsideTheSetBecomeOneQuestionMarkEach) {
    // A control whose byte the set gives to the euro sign has no byte of its own.
    EXPECT_EQ(Cp1252FromUtf16(u"a\u0080b"), "a?b");
    EXPECT_EQ(Cp1252FromUtf16(u"\u0100\u4E2D\u2603"), "???");
    // A character beyond the basic plane is one character, not two.
    EXPECT_EQ(Cp1252FromUtf16(u"x\U0001F600y"), "x?y");
    // Broken surrogate halves each count as one unknown character.
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"a") + char16_t(0xD83D) + u"b"), "a?b");
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"a") + char16_t(0xDE00)), "a?");
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"a") + char16_t(0xD83D)), "a?");
}

TEST(Cp1252, TheTextEndsAtItsFirstZero) {
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(Cp1252FromUtf16(std::u16string(u"\0x", 2)), "");
    EXPECT_EQ(Cp1252FromUtf16(u""), "");
    EXPECT_EQ(Utf16FromCp1252(""), u"");
}
