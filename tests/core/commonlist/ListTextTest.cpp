#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "TestSupport.h"
#include "core/commonlist/ListText.h"
#include "core/engine/Errors.h"

using namespace vornix;
using vornix::test::IgnoresPermissions;
using vornix::test::kRootSkip;
using vornix::test::ReadFile;
using vornix::test::TempDir;
using Words = std::vector<std::string>;

namespace {

// A stand-in for the language's order: letters without regard to case, apostrophes
// passed over, otherwise byte order. The window passes the real collation.
int Collate(std::string_view a, std::string_view b) {
    auto key = [](std::string_view w) {
        std::string k;
        for (char c : w) {
            if (c == '\'') continue;
            k += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        }
        return k;
    };
    return key(a).compare(key(b));
}

std::string Sorted(std::u16string_view text, bool lower = false) {
    return SortedListText(text, lower, Collate);
}

}  // namespace

TEST(ListSort, TheWorkedExampleGivesOneLinePerInitial) {
    EXPECT_EQ(Sorted(u"the cat, the dog. a bee"), "A \r\n\r\nBEE \r\n\r\nCAT \r\n\r\nDOG \r\n\r\nTHE THE ");
    // The same in lower case, from a text already in mixed case and layout.
    EXPECT_EQ(Sorted(u"The\r\nCAT,\n\nthe  Dog.\ta BEE", true),
              "a \r\n\r\nbee \r\n\r\ncat \r\n\r\ndog \r\n\r\nthe the ");
}

TEST(ListSort, WordsAreRunsOfApostrophesDigitsAndAsciiLetters) {
    EXPECT_EQ(ListWords(u"well-known caf\u00e9s can't 4x4\r\n\r\n  O'Brien's 1999"),
              (Words{"well", "known", "caf", "s", "can't", "4x4", "O'Brien's", "1999"}));
    // The last word counts without a separator after it; separators alone give nothing.
    EXPECT_EQ(ListWords(u"alpha beta"), (Words{"alpha", "beta"}));
    EXPECT_EQ(ListWords(u" ,.-\r\n\u00e9\u20ac "), Words{});
    EXPECT_EQ(Sorted(u""), "");
    EXPECT_EQ(Sorted(u"\r\n \r\n"), "");
}

TEST(ListSort, DuplicatesStayAndTiesAreBrokenByteByByte) {
    // CAN'T and CANT collate alike; the plain order then puts the apostrophe first, in
    // either order of input.
    EXPECT_EQ(Sorted(u"cant can't cant"), "CAN'T CANT CANT ");
    EXPECT_EQ(Sorted(u"can't cant"), Sorted(u"cant can't"));
}

TEST(ListSort, DigitsAndApostrophesNeverOpenAGroup) {
    // Digits come first and stand on a line of their own before the first letter.
    EXPECT_EQ(Sorted(u"zoo 42 apple 7up"), "42 7UP \r\n\r\nAPPLE \r\n\r\nZOO ");
    // A word beginning with an apostrophe joins the line it sorts into: after a T word
    // it stays on the T line; as the first of its letter it stays on the line before.
    EXPECT_EQ(Sorted(u"toe 'tis tab"), "TAB 'TIS TOE ");
    EXPECT_EQ(Sorted(u"cat 'tis too"), "CAT 'TIS \r\n\r\nTOO ");
    EXPECT_EQ(GroupedListText({"'EM", "ABLE"}), "'EM \r\n\r\nABLE ");
}

TEST(ListCaseForm, OnlyAsciiLettersChange) {
    std::u16string text = u"Caf\u00e9 \u00c0b'x 1-Q\r\n";
    ApplyCaseForm(text, false);
    EXPECT_EQ(text, u"CAF\u00e9 \u00c0B'X 1-Q\r\n");
    ApplyCaseForm(text, true);
    EXPECT_EQ(text, u"caf\u00e9 \u00c0b'x 1-q\r\n");
}

TEST(ListFileText, LineBreaksBecomeCrLfAndEveryByteSurvivesTheRoundTrip) {
    // Windows, Unix and old Mac line ends all read as one line break each.
    EXPECT_EQ(EditorTextFromListFile("A\r\nB\nC\rD\r\n\r\n"), u"A\nB\nC\nD\n\n");
    EXPECT_EQ(ListFileFromEditorText(u"A\nB\n\nC"), "A\r\nB\r\n\r\nC");  // nothing added at the end
    EXPECT_EQ(ListFileFromEditorText(u"A\u2029B\u2028C"), "A\r\nB\r\nC");
    // Bytes above 127, the euro sign, the bytes 1252 leaves undefined, a zero byte and a
    // no-break space come back as they were.
    const std::string bytes("CAF\xC9\r\n\x80\x81\x8D\xA0X\r\nNUL\0Z\r\n\xFF", 21);
    const std::u16string text = EditorTextFromListFile(bytes);
    EXPECT_EQ(text.substr(0, 5), u"CAF\u00c9\n");
    EXPECT_EQ(text[5], u'\u20ac');
    EXPECT_EQ(ListFileFromEditorText(text), bytes);
    // What the 8-bit set cannot hold is written as "?".
    EXPECT_EQ(ListFileFromEditorText(u"\u4e2d\U0001F600x"), "??x");
}

TEST(ListFileText, AddingPutsTheWordOnTheFirstLine) {
    EXPECT_EQ(ListWithWordAdded("A\r\nOF\r\n", "THE"), "THE\r\nA\r\nOF\r\n");
    EXPECT_EQ(ListWithWordAdded("A\nOF", "THE"), "THE\r\nA\r\nOF");
    EXPECT_EQ(ListWithWordAdded("", "THE"), "THE\r\n");
    const std::string longest(40, 'W');
    EXPECT_EQ(ListWithWordAdded("A \r\n\r\nB ", longest), longest + "\r\nA \r\n\r\nB ");
}

// A word of every script (UTF-8) goes into a list in the list's own encoding; an 8-bit
// list that cannot hold it is written as UTF-8 only when asked.
TEST(ListFileText, AWordOfEveryScriptIsWrittenInTheListsEncoding) {
    const std::string bom8 = "\xEF\xBB\xBF";
    struct Case {
        const char* what;
        std::string list, word;
        std::optional<std::string> added, asUtf8;
    };
    const std::vector<Case> cases = {
        {"8-bit list, ASCII word", "caf\xE9\nA", "THE", "THE\r\ncaf\xE9\r\nA", "THE\r\ncaf\xE9\r\nA"},
        {"8-bit list, a letter of the set", "caf\xE9\r\n", "\xC5\x92UF",
         "\x8C"
         "UF\r\ncaf\xE9\r\n",
         "\x8C"
         "UF\r\ncaf\xE9\r\n"},
        {"8-bit list, Greek", "caf\xE9\r\n\x80", "\xCE\x9F\xCE\x94\xCE\x8C\xCE\xA3", std::nullopt,
         bom8 + "\xCE\x9F\xCE\x94\xCE\x8C\xCE\xA3\r\ncaf\xC3\xA9\r\n\xE2\x82\xAC"},
        {"UTF-8 list, Russian", "\xD0\x98\r\n", "\xD0\x9C\xD0\xAB", "\xD0\x9C\xD0\xAB\r\n\xD0\x98\r\n",
         "\xD0\x9C\xD0\xAB\r\n\xD0\x98\r\n"},
        {"UTF-16 list, Chinese",
         std::string("\xFF\xFE"
                     "A\0",
                     4),
         "\xE4\xB8\xAD", std::string("\xFF\xFE\x2D\x4E\r\0\n\0A\0", 10),
         std::string("\xFF\xFE\x2D\x4E\r\0\n\0A\0", 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ListWithWordAdded(c.list, c.word), c.added);
        EXPECT_EQ(ListWithWordAdded(c.list, c.word, true, true), c.asUtf8);
    }
}

TEST(ListFileText, ReplacingAListFileFailsWithoutHarm) {
    TempDir dir;
    const std::string path = dir.write("Vornix.dat", "OLD\r\n");
    ReplaceListFile(path, "NEW\r\n");
    EXPECT_EQ(ReadFile(path), "NEW\r\n");

    // A folder that is gone, and a "folder" that is a regular file.
    const std::string gone = dir.file("gone/list.dat");
    dir.write("plain", "not a folder");
    for (const std::string& bad : {gone, dir.file("plain/list.dat")}) {
        try {
            ReplaceListFile(bad, "X");
            ADD_FAILURE() << "no error for " << bad;
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Cannot create file " + bad, 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(ReadFile(dir.file("plain")), "not a folder");
    EXPECT_EQ(ReadFile(path), "NEW\r\n");
}

TEST(ListFileText, AReadOnlyListIsNotReplaced) {
    if (IgnoresPermissions()) GTEST_SKIP() << kRootSkip;
    TempDir dir;
    const std::string path = dir.write("Vornix.dat", "OLD\r\n");
    ::chmod(path.c_str(), 0444);
    EXPECT_THROW(ReplaceListFile(path, "NEW\r\n"), FileError);
    EXPECT_EQ(ReadFile(path), "OLD\r\n");
}

// A Unicode list is shown as its characters and written back in the encoding it came
// in: a mark stays, a missing mark stays missing; adding a word keeps it so too.
TEST(ListFileText, UnicodeListsKeepTheirEncoding) {
    const std::string bom8 = "\xEF\xBB\xBF", le = "\xFF\xFE", be = "\xFE\xFF";
    struct Case {
        const char* what;
        std::string bytes;
        ListEncoding encoding;
        std::string added;  // the file after adding "NEW"
    };
    const std::vector<Case> cases = {
        {"UTF-8 without a mark",
         "caf\xC3\xA9\r\n\xC5\x82\xC3\xB3"
         "d\xC5\xBA",
         {TextEncoding::Utf8, false},
         "NEW\r\ncaf\xC3\xA9\r\n\xC5\x82\xC3\xB3"
         "d\xC5\xBA"},
        {"UTF-8 with a mark",
         bom8 + "caf\xC3\xA9\n\xC5\x82\xC3\xB3"
                "d\xC5\xBA",
         {TextEncoding::Utf8, true},
         bom8 + "NEW\r\ncaf\xC3\xA9\r\n\xC5\x82\xC3\xB3"
                "d\xC5\xBA"},
        {"UTF-16 LE",
         le + std::string("c\0a\0f\0\xE9\0\r\0\n\0A\x01", 14),
         {TextEncoding::Utf16LE, true},
         le + std::string("N\0E\0W\0\r\0\n\0c\0a\0f\0\xE9\0\r\0\n\0A\x01", 24)},
        {"UTF-16 BE",
         be + std::string("\0c\0a\0f\0\xE9\0\n\x01"
                          "A",
                          12),
         {TextEncoding::Utf16BE, true},
         be + std::string("\0N\0E\0W\0\r\0\n\0c\0a\0f\0\xE9\0\r\0\n\x01"
                          "A",
                          24)},
        {"Windows-1252", "caf\xE9\r\n", {TextEncoding::Bytes, false}, "NEW\r\ncaf\xE9\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ListEncoding found = ListFileEncoding(c.bytes);
        EXPECT_EQ(found, c.encoding);
        const std::u16string text = EditorTextFromListFile(c.bytes, found);
        EXPECT_EQ(text.substr(0, 5), u"caf\u00E9\n") << "shown as its characters";
        std::string saved = ListFileFromEditorText(text, found);
        EXPECT_EQ(EditorTextFromListFile(saved, ListFileEncoding(saved)), text);
        EXPECT_EQ(ListFileEncoding(saved), found);
        EXPECT_EQ(ListWithWordAdded(c.bytes, "NEW"), c.added);
    }
    // Detection off: every list is 8-bit, as the documents are.
    EXPECT_EQ(ListFileEncoding(bom8 + "caf\xC3\xA9", false), ListEncoding{});
    EXPECT_EQ(ListWithWordAdded(bom8 + "x", "NEW", false), "NEW\r\n" + bom8 + "x");
}

// A Unicode list keeps its letters above U+007F whole and orders its words as a run
// matches them; other scripts come last, grouped by their first letter without accents.
TEST(ListSort, AUnicodeListKeepsItsLettersAndSortsByTheMatchedForm) {
    const ListEncoding utf8{TextEncoding::Utf8, false};
    struct Case {
        const char16_t* text;
        bool lower;
        const char16_t* sorted;
    };
    std::u16string loneSurrogate = u"X\U00010400Y A";
    loneSurrogate += char16_t(0xD800);
    loneSurrogate += u"B";
    const std::vector<Case> cases = {
        {u"ΕΛΛΆΔΑ ŁÓDŹ CAFÉ the", false, u"CAFÉ \n\nŁÓDŹ \n\nTHE \n\nΕΛΛΆΔΑ "},
        {u"EGG ÉCOLE EAT CAFÉ CAFE LOVE ŁÓDŹ LAMP", false, u"CAFE CAFÉ \n\nEAT ÉCOLE EGG \n\nLAMP ŁÓDŹ LOVE "},
        // Punctuation and blanks above U+007F still separate; a letter the run reads as
        // a separator (ß) stays in its word.
        {u"«ZÜRICH»\u00A0GENÈVE—BERN\u2028ÅRHUS…STRAND STRAßE", false,
         u"ÅRHUS \n\nBERN \n\nGENÈVE \n\nSTRAßE STRAND \n\nZÜRICH "},
        // The typographic apostrophe is one as in the text; a combining accent stays.
        {u"DONT DON\u2019T CAFE\u0301S DON'T", false, u"CAFE\u0301S \n\nDON'T DON\u2019T DONT "},
        // Only A to Z change case.
        {u"Café THE ŁÓDŹ", true, u"café \n\nŁÓdŹ \n\nthe "},
        {u"ΩΜΕΓΑ zoo ΆΛΦΑ ΑΘΉΝΑ МОСКВА 42", false, u"42 \n\nZOO \n\nΆΛΦΑ ΑΘΉΝΑ \n\nΩΜΕΓΑ \n\nМОСКВА "},
        {loneSurrogate.c_str(), false, u"A \n\nB \n\nX\U00010400Y "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(c.text)));
        EXPECT_EQ(SortedEditorText(c.text, utf8, c.lower, Collate), c.sorted);
    }
    EXPECT_EQ(MatchedListForm("\xC5\x81\xC3\x93"
                              "d\xC5\xB9"),
              "LODZ");
    EXPECT_EQ(MatchedListForm("\xCE\xB1\xCE\xB2"), "");

    // The 8-bit set still cuts at every character above 127.
    EXPECT_EQ(SortedEditorText(u"CAFÉ ŁÓDŹ", ListEncoding{}, false, Collate), u"CAF \n\nD ");

    // Words of plain ASCII sort alike in every encoding.
    for (const char16_t* text : {u"the cat, the dog. a bee", u"zoo 'tis can't\r\ncant tab 42 Well-known 7up\r\n\r\ntis",
                                 u"cat 'tis too", u"'em able"}) {
        for (bool lower : {false, true}) {
            const std::u16string bytes = EditorTextFromListFile(SortedListText(text, lower, Collate));
            for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Bytes})
                EXPECT_EQ(SortedEditorText(text, ListEncoding{e, false}, lower, Collate), bytes);
        }
    }
}
