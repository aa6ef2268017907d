#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Cp1252.h"
#include "core/engine/Scanner.h"
#include "core/engine/TextDecoder.h"

using namespace vornix;
using Words = std::vector<std::string>;

namespace {

Words ScanCodes(std::string_view codes, CharacterSet set = CharacterSet::Windows) {
    const CharMapTable map = BuildCharMap(set);
    Scanner scanner(map);
    scanner.Start();
    Words words;
    auto onWord = [&](std::string_view w) {
        words.emplace_back(w);
        return true;
    };
    scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
    scanner.Finish(onWord);
    return words;
}

std::string Utf16(std::u16string_view text, bool little) {
    std::string out;
    for (char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
    Words words;
    std::int64_t others;
};

}  // namespace

// Each case is also decoded in pieces of every small size: a sequence cut by the end of
// a read block, or a combining mark in the next block, must read exactly as when whole.
TEST(TextDecoder, UnicodeTextsReadAsTheirWords) {
    const auto U8 = TextEncoding::Utf8;
    const std::vector<DecodeCase> cases = {
        {"the issue's sample",
         "Don\u2019t stop \u201Cbelieving\u201D \u2014 caf\u00E9 na\u00EFve Z\u00FCrich",
         U8,
         {"DON'T", "STOP", "BELIEVING", "CAFE", "NAIVE", "ZURICH"},
         0},
        {"the table's separators kept",
         "Stra\u00DFe \u0160ar \u0152uvre \u00C6sop \u00FFes",
         U8,
         {"STRA", "E", "AR", "UVRE", "AESOP", "YES"},
         0},
        {"NFD composes first (to separators too)",
         "e\u0301te\u0301 S\u030Cab Y\u0308x y\u0308s q\u0303r",
         U8,
         {"ETE", "AB", "X", "YS", "QR"},
         0},
        {"Polish",
         "Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144 \u0141\u00F3d\u017A",
         U8,
         {"ZAZOLC", "GESLA", "JAZN", "LODZ"},
         0},
        {"Czech",
         "P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148 \u00FAp\u011Bl \u010F\u00E1belsk\u00E9",
         U8,
         {"PRILI", "LUTOUCKY", "KUN", "UPEL", "DABELSKE"},
         0},
        {"Turkish",
         "\u0130stanbul \u0131l\u0131k \u015Fe\u011Fi \u00C7\u00F6z",
         U8,
         {"ISTANBUL", "ILIK", "SEGI", "COZ"},
         0},
        {"Vietnamese",
         "Ti\u1EBFng Vi\u1EC7t \u0111\u1EB9p \u01A1n \u01B0u Tie\u0302\u0301ng",
         U8,
         {"TIENG", "VIET", "DEP", "ON", "UU", "TIENG"},
         0},
        {"ligatures and stroke letters",
         "\uFB01n \u0133s \u0127a\u0142 \u01C6ez",
         U8,
         {"FIN", "IJS", "HAL", "DZEZ"},
         0},
        {"Greek and Cyrillic give no words",
         "\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u03BA\u03CC\u03C3\u03BC\u03B5 "
         "\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440!",
         U8,
         {},
         22},
        {"scripts mixed into a word split it", "ab\u05D0\u05D1cd \u4E2D\u6587x", U8, {"AB", "CD", "X"}, 4},
        {"emoji between words",
         "one\U0001F600two \U0001F44D\U0001F3FDthree 4\u20AC",
         U8,
         {"ONE", "TWO", "THREE", "4"},
         0},
        {"overlong and surrogate bytes read as Windows-1252",
         "caf\xC0\xA9 ab\xED\xA0\x80"
         "cd \xF4\x90\x80\x80x",
         U8,
         {"CAFA", "ABI", "CD", "O", "X"},
         0},
        {"a sequence cut by the end", "caf\xC3", U8, {"CAFA"}, 0},
        {"UTF-16 LE",
         Utf16(u"Gr\u00FC\u00DFe \u0142\u00F3d\u017A \U0001F600ok", true),
         TextEncoding::Utf16LE,
         {"GRU", "E", "LODZ", "OK"},
         0},
        {"UTF-16 BE, unpaired surrogates separate",
         Utf16(u"ab\xD800"
               u"cd\xDC00"
               u"ef",
               false),
         TextEncoding::Utf16BE,
         {"AB", "CD", "EF"},
         0},
        {"UTF-16 of odd length", Utf16(u"one two", true) + "x", TextEncoding::Utf16LE, {"ONE", "TWO"}, 0},
    };
    CodePointTable table;
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::int64_t others = -1;
        const std::string whole = DecodeToCodes(c.bytes, c.encoding, table, &others);
        EXPECT_EQ(ScanCodes(whole), c.words);
        EXPECT_EQ(ScanCodes(whole, CharacterSet::Dos), c.words) << "the DOS set reads Unicode alike";
        EXPECT_EQ(others, c.others);
        for (std::size_t piece = 1; piece <= 7; ++piece) {
            TextDecoder decoder(c.encoding, table);
            std::string pieces;
            for (std::size_t at = 0; at < c.bytes.size(); at += piece)
                pieces += decoder.Decode(reinterpret_cast<const unsigned char*>(c.bytes.data()) + at,
                                         std::min(piece, c.bytes.size() - at));
            pieces += decoder.Finish();
            EXPECT_EQ(pieces, whole) << "pieces of " << piece;
            EXPECT_EQ(decoder.OtherScriptLetters(), c.others);
        }
    }
}

TEST(TextDecoder, EveryWindows1252CharacterReadsAsTheWindowsTableReadsItsByte) {
    CodePointTable table;
    for (int b = 1; b < 256; ++b) {
        // The character between two letters and after a digit: the table decides
        // whether it joins them, ends the word or is dropped.
        const std::string bytes = std::string("x") + static_cast<char>(b) + "y 1" + static_cast<char>(b) + "2";
        std::u16string text = u"x";
        text += static_cast<char16_t>(Cp1252CodePoint(static_cast<unsigned char>(b)));
        text += u"y 1";
        text += static_cast<char16_t>(Cp1252CodePoint(static_cast<unsigned char>(b)));
        text += u"2";
        const std::string codes = DecodeToCodes(Utf16(text, true), TextEncoding::Utf16LE, table);
        EXPECT_EQ(ScanCodes(codes), ScanCodes(bytes)) << "byte " << b;
        EXPECT_EQ(ScanCodes(codes, CharacterSet::Dos), ScanCodes(bytes)) << "byte " << b;
    }
}

TEST(Utf8Check, ValidityAsTheDetectionNeedsIt) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"plain ASCII", true},
        {"caf\xC3\xA9", true},
        {"\xE2\x80\x99\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", true},  // 3 and 4 bytes, U+10FFFF
        {"\xC0\xAF", false},                                     // overlong
        {"\xE0\x80\xAF", false},                                 // overlong
        {"\xF0\x80\x80\xAF", false},                             // overlong
        {"\xED\xA0\x80", false},                                 // surrogate
        {"\xF4\x90\x80\x80", false},                             // past U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"caf\xE9 ", false},  // Windows-1252
        {"caf\xC3", false},   // cut short at the end
        {"\xA9", false},      // a lone continuation byte
    };
    for (const Case& c : cases) {
        Utf8Check check;
        check.Feed(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(check.Finish(), c.valid) << ::testing::PrintToString(c.bytes);
        // Fed one byte at a time, the verdict is the same.
        Utf8Check bytewise;
        for (char b : c.bytes) bytewise.Feed(reinterpret_cast<const unsigned char*>(&b), 1);
        EXPECT_EQ(bytewise.Finish(), c.valid) << ::testing::PrintToString(c.bytes);
    }
}

TEST(TextDecoder, ByteOrderMarks) {
    TextEncoding e = TextEncoding::Bytes;
    EXPECT_EQ(ByteOrderMark("\xEF\xBB\xBFx", e), 3u);
    EXPECT_EQ(e, TextEncoding::Utf8);
    EXPECT_EQ(ByteOrderMark("\xFF\xFEx", e), 2u);
    EXPECT_EQ(e, TextEncoding::Utf16LE);
    EXPECT_EQ(ByteOrderMark("\xFE\xFFx", e), 2u);
    EXPECT_EQ(e, TextEncoding::Utf16BE);
    e = TextEncoding::Bytes;
    EXPECT_EQ(ByteOrderMark("\xEF\xBB", e), 0u);
    EXPECT_EQ(ByteOrderMark("\xFF", e), 0u);
    EXPECT_EQ(e, TextEncoding::Bytes);
}

// The clipboard's text: Unicode, cut at its first zero, counted by the Unicode rules
// whatever the 8-bit set, and its other-script letters in the statistics.
TEST(TextDecoder, ClipboardTextReadsByTheUnicodeRules) {
    test::TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    run.GeneralInitialize(CharacterSet::Dos, nullptr, EncodingChoice::Bytes);
    run.ReadUnicodeText(u"\u0141\u00F3d\u017A caf\u00E9 \u03B1\u03B2 na\u00EFve\0hidden words", "Clipboard", false);
    run.GeneralClosedown();
    Words words;
    for (std::int32_t i = 1; i <= run.Store().WordCount(); ++i)
        words.emplace_back(run.Store().ReadWordRecord(run.Store().AlphaIndex()[i]).Text());
    EXPECT_EQ(words, (Words{"CAFE", "LODZ", "NAIVE"}));
    EXPECT_EQ(run.Stats().OtherScriptLetters, 2);
    EXPECT_EQ(run.Stats().FileCount, 1);  // the engine counts the clipboard as the one file read
    EXPECT_EQ(run.FileList(), (std::vector<std::string>{"Clipboard"}));
}
