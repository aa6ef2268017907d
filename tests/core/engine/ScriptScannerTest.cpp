#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/display/WordPattern.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/ScriptScanner.h"
#include "core/output/TableFormats.h"

using namespace vornix;
using vornix::test::TempDir;

namespace {

using Words = std::vector<std::string>;

// The words of a text fed in pieces of `block` bytes (0: whole).
Words Cut(std::string_view text, TextEncoding encoding = TextEncoding::Utf8, std::size_t block = 0,
          CharacterSet set = CharacterSet::Windows) {
    ScriptScanner scanner(set);
    scanner.Start();
    Words words;
    auto take = [&](std::string_view w) {
        words.emplace_back(w);
        return true;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    if (block == 0) block = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += block)
        scanner.Feed(p + at, std::min(block, text.size() - at), encoding, take);
    scanner.Finish(take);
    return words;
}

std::string Repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::u16string Utf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data() + i);
        const int n = Utf8SequenceLength(p, utf8.size() - i);
        char32_t c = Utf8Decode(p, n);
        i += static_cast<std::size_t>(n);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

struct Case {
    const char* what;
    std::string input;
    Words expected;
};

}  // namespace

TEST(ScriptScanner, CutsWordsOfEveryScriptWholeAndInSmallBlocks) {
    const Case cases[] = {
        {"Greek, tonos and final sigma", "Η οδός, η ΟΔΟΣ.", {"Η", "ΟΔΌΣ", "Η", "ΟΔΟΣ"}},
        {"Greek, accent as a combining mark (NFC)", "οδο\u0301ς", {"ΟΔΌΣ"}},
        {"Russian", "Москва — столица России; ёж.", {"МОСКВА", "СТОЛИЦА", "РОССИИ", "ЁЖ"}},
        {"Arabic with its vowel marks", "اللغة العربية كَتَبَ", {"اللغة", "العربية", "كَتَبَ"}},
        {"Hebrew", "עברית שפה", {"עברית", "שפה"}},
        {"Hindi with combining vowel signs and virama", "हिन्दी भाषा", {"हिन्दी", "भाषा"}},
        {"Chinese", "中华人民共和国，我们。", {"中华", "人民", "共和国", "我们"}},
        {"Japanese, kana and kanji mixed", "私は学生です。東京タワー", {"私", "は", "学生", "です", "東京タワー"}},
        {"Thai", "ภาษาไทยง่ายนิดเดียว", {"ภาษา", "ไทย", "ง่าย", "นิด", "เดียว"}},
        {"Korean, with spaces", "한국어 사전을", {"한국어", "사전을"}},
        {"Cyrillic of 40 characters", Repeat("ж", 40), {Repeat("Ж", 40)}},
        {"Cyrillic of 41 characters keeps 40", Repeat("ж", 41) + " да", {Repeat("Ж", 40), "ДА"}},
        // Characters no dictionary knows make one word, not one word each.
        {"Han of 40 characters", Repeat("\U00020000", 40), {Repeat("\U00020000", 40)}},
        {"Han of 41 characters keeps 40, never part of one", Repeat("\U00020000", 41), {Repeat("\U00020000", 40)}},
        {"a lone unknown Han character joins the word before", "学生\U00020001。", {"学生\U00020001"}},
        {"Latin folds as the 8-bit reading does; sharp s",
         "straße Café ŁÓDŹ Æsir ﬁne",
         {"STRASSE", "CAFE", "LODZ", "AESIR", "FINE"}},
        {"Latin letters without a fold keep their form", "Šťastný ŋ", {"STASTNY", "Ŋ"}},
        {"apostrophes and numbers inside other scripts",
         "Д’Артаньян 1,000 рублей 3.14 «рубль'»",
         {"Д'АРТАНЬЯН", "1000", "РУБЛЕЙ", "3.14", "РУБЛЬ"}},
        {"the 8-bit rules stand",
         "don't e.g. U.S.A. etc... 'tis 5,,6 a..b",
         {"DON'T", "E.G", "U.S.A", "ETC", "TIS", "5", "6", "A", "B"}},
        {"digits of other scripts", "١٢٣ ۴۵", {"١٢٣", "۴۵"}},
        {"a script boundary between letters cuts", "abc東京", {"ABC", "東京"}},
        {"a mark alone adds nothing", "\u0301 \u0301a", {"A"}},
        {"invalid UTF-8 reads as Windows characters", "caf\xE9 \xC3", {"CAFE", "A"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cut(c.input), c.expected) << c.what;
        for (std::size_t block : {1, 2, 3, 7})
            EXPECT_EQ(Cut(c.input, TextEncoding::Utf8, block), c.expected) << c.what << ", blocks of " << block;
    }
}

TEST(ScriptScanner, Utf16AndEightBitTextsReadAsTheirCharacters) {
    const std::string text = "Η οδός 東京タワー straße \U00020000\U00020000 ОК";
    const Words expected = Cut(text);
    const std::u16string units = Utf16(text);
    std::string le, be;
    for (char16_t u : units) {
        le += static_cast<char>(u & 0xFF);
        le += static_cast<char>(u >> 8);
        be += static_cast<char>(u >> 8);
        be += static_cast<char>(u & 0xFF);
    }
    for (std::size_t block : {0, 1, 3}) {
        EXPECT_EQ(Cut(le, TextEncoding::Utf16LE, block), expected);
        EXPECT_EQ(Cut(be, TextEncoding::Utf16BE, block), expected);
    }
    // Windows: é, ß, Š (byte 8A) and the right quotation mark (92) as an apostrophe.
    EXPECT_EQ(Cut("caf\xE9 stra\xDF"
                  "e \x8A"
                  "koda don\x92t",
                  TextEncoding::Bytes),
              (Words{"CAFE", "STRASSE", "SKODA", "DON'T"}));
    // DOS: é is 82, and E2 E0 are the Greek capital gamma and small alpha.
    EXPECT_EQ(Cut("caf\x82 \xE2\xE0", TextEncoding::Bytes, 0, CharacterSet::Dos), (Words{"CAFE", "ΓΑ"}));
}

namespace {

// A word with where it lies.
using Placed = std::vector<std::tuple<std::string, std::uint64_t, std::uint64_t>>;

// The words and their offsets, fed in pieces of random sizes (1 to maxBlock bytes; 0:
// whole), with the ASCII shortcut on or off.
Placed Scan(std::string_view text, TextEncoding encoding, bool asciiRuns, std::mt19937& random, std::size_t maxBlock) {
    ScriptScanner scanner(CharacterSet::Windows);
    scanner.SetAsciiRuns(asciiRuns);
    scanner.Start();
    Placed words;
    auto take = [&](std::string_view w, std::uint64_t b, std::uint64_t e) {
        words.emplace_back(std::string(w), b, e);
        return true;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n =
            maxBlock == 0 ? text.size() : std::min<std::size_t>(1 + random() % maxBlock, text.size() - at);
        scanner.Feed(p + at, n, encoding, take);
        at += n;
    }
    scanner.Finish(take);
    return words;
}

}  // namespace

// The shortcut for ASCII runs against the per-character reading, on random texts that
// mix ASCII words and punctuation with Greek, marks, Han, kana, folded Latin, invalid
// UTF-8 and over-long words, whatever the cuts between the pieces.
TEST(ScriptScanner, AsciiRunsGiveTheWordsOfThePerCharacterReading) {
    // The pieces, cut at the bars: ASCII words and punctuation, the right quotation mark,
    // combining marks, Greek, Latin to fold, Han (one no dictionary knows), kana, Thai and
    // invalid or cut UTF-8.
    const std::string_view kinds =
        "a|Zeta|don't|'tis|''|x'|1|2024|_|snake_case| |  |\n|\t|-|;|,|.|..|1,000|3.14|U.S.A.|e.g.|\u2019|\u0301|"
        "\u0308|οδός|ΣΟΦΊΑ|\u00E9|stra\u00DFe|\u0141\u00F3d\u017A|中华|我们|\U00020000|私は|タワー|ภาษา|\xC3|\xE9|"
        "\xF0\x9F";
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at <= kinds.size();) {
        const std::size_t bar = std::min(kinds.find('|', at), kinds.size());
        pieces.emplace_back(kinds.substr(at, bar - at));
        at = bar + 1;
    }
    // A NUL separates; words of 45 and 700 letters; a letter and 50 apostrophes.
    for (std::string piece :
         {std::string(1, '\0'), std::string(45, 'q'), std::string(700, 'w'), "A" + std::string(50, '\'')})
        pieces.push_back(piece);
    std::mt19937 random(26);
    std::size_t words = 0;
    for (int doc = 0; doc < 400; ++doc) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 120);
        // Most pieces are ASCII, so that plain runs meet the other pieces at every place.
        for (int k = 0; k < length; ++k) text += pieces[random() % pieces.size()];
        const std::size_t maxBlocks[] = {3, 17, text.size(), 0};
        const std::size_t maxBlock = maxBlocks[doc % 4];
        const Placed slow = Scan(text, TextEncoding::Utf8, false, random, 1);
        words += slow.size();
        EXPECT_EQ(Scan(text, TextEncoding::Utf8, true, random, maxBlock), slow) << "UTF-8 document " << doc;
        // The same bytes as an 8-bit text.
        EXPECT_EQ(Scan(text, TextEncoding::Bytes, true, random, maxBlock),
                  Scan(text, TextEncoding::Bytes, false, random, 1))
            << "8-bit document " << doc;
    }
    EXPECT_GT(words, 4000u);  // the texts are not all separators
}

namespace {

struct ScriptRun : ::testing::Test {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};

    void Count(bool all, const std::vector<std::string>& docs, const std::string* list = nullptr) {
        run.SetAllScripts(all);
        run.GeneralInitialize(CharacterSet::Windows, list);
        run.ReadDocuments(docs, false);
        run.GeneralClosedown();
    }
    std::int32_t Record(std::string_view word) {
        std::int32_t pos = 0;
        if (!run.Store().FindWord(word, pos)) return -1;
        return run.Store().AlphaIndex()[pos];
    }
    std::string Table(bool lower = false) {
        DisplayOptions o;
        o.ShowNumbers = true;
        o.LowerCase = lower;
        o.Order = ResultOrder::Alphabetical;
        return FormatWordTable(run.Store(), run.Orders(), o, TableFormat::Table, '\t');
    }
};

}  // namespace

TEST_F(ScriptRun, LatinTextGivesTheSameTableEitherWayExceptSharpS) {
    const std::string genesis = dir.write("genesis.txt", test::CorpusExcerpt("kjv-genesis.txt"));
    Count(false, {genesis});
    const std::string off = Table();
    const RunStats offStats = run.Stats();
    Count(true, {genesis});
    EXPECT_EQ(Table(), off);
    EXPECT_EQ(run.Stats().TotalWords, offStats.TotalWords);
    EXPECT_EQ(run.Stats().UniqueNumbers, offStats.UniqueNumbers);

    const std::string german = dir.write("de.txt", "Die Straße, café.");
    Count(false, {german});
    EXPECT_EQ(Table(), "CAFE\t1\r\nDIE\t1\r\nE\t1\r\nSTRA\t1\r\n");
    Count(true, {german});
    EXPECT_EQ(Table(), "CAFE\t1\r\nDIE\t1\r\nSTRASSE\t1\r\n");
}

TEST_F(ScriptRun, WordsOfEveryScriptAreStoredInWideRecords) {
    const std::string doc = dir.write("doc.txt", "ΟΔΟΣ οδος zebra Москва " + Repeat("ж", 41) + " ١٢٣ 7");
    Count(true, {doc});
    WordStore& store = run.Store();
    ASSERT_EQ(store.WordCount(), 6);
    // The record file: 163-byte records, the length byte counting bytes.
    struct stat info {};
    ASSERT_EQ(::stat(store.WordFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 6 * 163);
    const std::string bytes = test::ReadFile(store.WordFilePath());
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), std::string("ΟΔΟΣ").size());
    EXPECT_EQ(bytes.substr(1, 8), "ΟΔΟΣ");
    EXPECT_EQ(bytes[1 + 160], 0);  // not common
    // Lengths in characters, the 41st dropped; numbers of any script.
    EXPECT_EQ(store.Length(Record("МОСКВА")), 6);
    EXPECT_EQ(store.Count(Record("ΟΔΟΣ")), 2);
    EXPECT_EQ(store.Length(Record(Repeat("Ж", 40))), 40);
    EXPECT_EQ(store.WordRecord(Record("١٢٣")).Number, 1);
    EXPECT_EQ(store.WordRecord(Record("МОСКВА")).Number, 0);
    // Byte order: A to Z and digits first, then by code point; lower case by the full
    // mapping, with the final sigma.
    EXPECT_EQ(Table(), "7\t1\r\nZEBRA\t1\r\nΟΔΟΣ\t2\r\n" + Repeat("Ж", 40) + "\t1\r\nМОСКВА\t1\r\n١٢٣\t1\r\n");
    EXPECT_EQ(DisplayWord(store.WordRecord(Record("ΟΔΟΣ")), true), "οδος");
    EXPECT_EQ(DisplayWord(store.WordRecord(Record("МОСКВА")), true), "москва");
    // Off again: the narrow 43-byte records.
    Count(false, {doc});
    ASSERT_EQ(::stat(store.WordFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_size, static_cast<off_t>(store.WordCount()) * 43);
}

TEST_F(ScriptRun, CommonListsAndEightBitDocumentsOfEveryScript) {
    const std::string list = dir.write("ru.dat", "и\r\nв\r\nне\r\n");
    const std::string ru = dir.write("ru.txt", "Я не знаю, и ты не знаешь. В лесу.");
    const std::string windows = dir.write("w.txt",
                                          "Stra\xDF"
                                          "e caf\xE9");  // 8-bit
    Count(true, {ru, windows}, &list);
    const RunStats s = run.Stats();
    EXPECT_EQ(s.CommonWords, 3);
    EXPECT_EQ(s.CommonFound, 3);
    EXPECT_EQ(run.Store().WordRecord(Record("НЕ")).Common, 1);
    EXPECT_EQ(run.Store().Count(Record("НЕ")), 2);
    EXPECT_EQ(run.Store().WordRecord(Record("ЗНАЮ")).Common, 0);
    EXPECT_GE(Record("STRASSE"), 0);
    EXPECT_GE(Record("CAFE"), 0);
    EXPECT_EQ(s.OtherScriptLetters, 0);

    // The clipboard's text reads the same way.
    run.SetAllScripts(true);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadUnicodeText(u"Ελλάδα ελλάδα", "Clipboard", false);
    run.GeneralClosedown();
    EXPECT_EQ(run.Store().Count(Record("ΕΛΛΆΔΑ")), 2);
}

TEST_F(ScriptRun, TheFilterTakesOneCharacterOfAnyScriptForAQuestionMark) {
    const std::string doc = dir.write("doc.txt", "Москва " + Repeat("ж", 41) + " moscow");
    Count(true, {doc});
    std::vector<std::int32_t> rows, ranks;
    for (std::int32_t r = 0; r < run.Store().WordCount(); ++r) rows.push_back(r);
    struct FilterCase {
        const char* pattern;
        bool lower;
        std::vector<std::int32_t> kept;
    } cases[] = {
        {"?осква", false, {0}},  // typed in lower case, shown in capitals
        {"^МОСКВ?$", false, {0}}, {"^мо??ва$", true, {0}},
        {"^?$", false, {}},       {"^Ж*Ж$", false, {1}},  // a word of 80 bytes is matched whole
        {"M?SCOW", false, {2}},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(FilterRows(run.Store(), rows, WordPattern(c.pattern, c.lower), c.lower, ranks), c.kept) << c.pattern;
}
