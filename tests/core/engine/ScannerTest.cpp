#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/engine/Scanner.h"

using namespace vornix;

namespace {

std::vector<std::string> Cut(std::string_view text, CharacterSet set = CharacterSet::Windows, std::size_t block = 0) {
    const CharMapTable map = BuildCharMap(set);
    Scanner scanner(map);
    scanner.Start();
    std::vector<std::string> words;
    auto onWord = [&](std::string_view w) {
        words.emplace_back(w);
        return true;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    if (block == 0) block = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += block)
        scanner.Feed(p + at, std::min(block, text.size() - at), onWord);
    scanner.Finish(onWord);
    return words;
}

using Words = std::vector<std::string>;

struct CutCase {
    const char* input;
    Words expected;
};

}  // namespace

TEST(Scanner, CutsWordsByTheRules) {
    const CutCase cases[] = {
        {"well-known", {"WELL", "KNOWN"}},
        {"(note)", {"NOTE"}},
        {"and/or", {"AND", "OR"}},
        {"Hello, world.", {"HELLO", "WORLD"}},
        {"Hello, world.\r\n", {"HELLO", "WORLD"}},
        {"tab\there\nline\rend", {"TAB", "HERE", "LINE", "END"}},
        {"1,000,000", {"1000000"}},
        {"5,a", {"5A"}},
        {"x,5", {"X", "5"}},
        {"5,,6", {"5", "6"}},
        {"3.14", {"3.14"}},
        {"e.g.", {"E.G"}},
        {"U.S.A.", {"U.S.A"}},
        {"end.Start", {"END.START"}},
        {"etc...", {"ETC"}},
        {"a..b", {"A", "B"}},
        {".5", {"5"}},
        {",5", {"5"}},
        {"'tis", {"TIS"}},
        {"dogs'", {"DOGS"}},
        {"don't", {"DON'T"}},
        {"'''", {}},
        {"' . , '", {}},
        {"The end.", {"THE", "END"}},
        {"snake_case x_1", {"SNAKE_CASE", "X_1"}},
        {"", {}},
        {"   \n\n", {}},
    };
    for (const CutCase& c : cases) EXPECT_EQ(Cut(c.input), c.expected) << "input: " << c.input;
}

TEST(Scanner, ControlBytesAndNulsSeparate) {
    EXPECT_EQ(Cut(std::string("a\0b\x01"
                              "c\x7f"
                              "d",
                              7)),
              (Words{"A", "B", "C", "D"}));
}

TEST(Scanner, WindowsCharacterSetFoldsAccents) {
    EXPECT_EQ(Cut("na\xEFve"), Words{"NAIVE"});
    EXPECT_EQ(Cut("\xC6sop \xE6sop"), (Words{"AESOP", "AESOP"}));
    EXPECT_EQ(Cut("Stra\xDF"
                  "e"),
              (Words{"STRA", "E"}));
    EXPECT_EQ(Cut("don\x92t"), Words{"DON'T"});
    EXPECT_EQ(Cut("caf\xE9 \xFF"), (Words{"CAFE", "Y"}));
}

TEST(Scanner, DosCharacterSetUsesItsOwnTable) {
    EXPECT_EQ(Cut("don\x92t", CharacterSet::Dos), Words{"DONAET"});
    EXPECT_EQ(Cut("caf\xE9 na\xEFve", CharacterSet::Dos), (Words{"CAF", "NA", "VE"}));
    EXPECT_EQ(Cut("\x98", CharacterSet::Dos), Words{"I"});
    EXPECT_EQ(Cut("caf\x82", CharacterSet::Dos), Words{"CAFE"});
}

TEST(Scanner, KeepsOnlyFortyCharacters) {
    const std::string letters45(45, 'q');
    EXPECT_EQ(Cut(letters45 + " next"), (Words{std::string(40, 'Q'), "NEXT"}));
    // 39 letters and 's: the S does not fit, the apostrophe is trimmed.
    EXPECT_EQ(Cut(std::string(39, 'b') + "'s"), Words{std::string(39, 'B')});
    // Of the ligature's two letters only the A fits in the last place.
    EXPECT_EQ(Cut(std::string(39, 'c') + "\xC6x"), Words{std::string(39, 'C') + "A"});
    // A full stop that does not fit still counts as the previous character.
    EXPECT_EQ(Cut(std::string(40, 'd') + "..e"), (Words{std::string(40, 'D'), "E"}));
}

TEST(Scanner, GivesTheSameWordsWhateverTheBlockSize) {
    const std::string text =
        "It's 1,000 U.S.A. dollars... e.g. don't; 5,,6 etc... \xC6sop's na\xEFve end.Start "
        "'quoted' words, and more,words.";
    const Words whole = Cut(text);
    for (std::size_t block : {1u, 2u, 3u, 7u, 16u}) EXPECT_EQ(Cut(text, CharacterSet::Windows, block), whole) << block;
}

TEST(Scanner, StopsWhenTheSinkSaysSo) {
    const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    Scanner scanner(map);
    scanner.Start();
    Words seen;
    auto onWord = [&](std::string_view w) {
        seen.emplace_back(w);
        return seen.size() < 2;
    };
    const std::string text = "one two three four";
    EXPECT_FALSE(scanner.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size(), onWord));
    EXPECT_EQ(seen, (Words{"ONE", "TWO"}));
}

TEST(Scanner, StripsPossessivesOnlyWhereTheRuleSays) {
    struct Case {
        const char* word;
        const char* expected;
    } cases[] = {
        {"CAT'S", "CAT"},     {"IT'S", "IT'S"}, {"O'NEILL'S", "O'NEILL'S"},
        {"DOGS'S", "DOGS"},   {"CATS", "CATS"}, {"DON'T", "DON'T"},
        {"CAT'SS", "CAT'SS"}, {"X'S", "X"},     {"ITS'S", "ITS"},
        {"BIT'S", "BIT"},     {"A.'S", "A."},   {"S'S", "S"},
    };
    for (const Case& c : cases) {
        std::string w = c.word;
        EXPECT_EQ(w.substr(0, StripPossessive(w.data(), w.size())), c.expected) << c.word;
    }
}
