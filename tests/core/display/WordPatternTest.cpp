#include <gtest/gtest.h>

#include "core/display/WordPattern.h"

using namespace vornix;

TEST(WordPattern, MatchesAsTheFilterBoxPromises) {
    struct Case {
        const char* pattern;
        bool lowerCase;
        const char* word;  // as the table shows it
        bool kept;
    } cases[] = {
        // Plain text anywhere in the word, in the table's case whatever was typed.
        {"the", false, "THE", true},
        {"he", false, "OTHER", true},
        {"HE", true, "other", true},
        {"the", false, "TH", false},
        {"", false, "ANY", true},
        {"^", false, "ANY", true},
        // Anchors.
        {"^th", false, "THE", true},
        {"^he", false, "THE", false},
        {"er$", false, "OTHER", true},
        {"er$", false, "ERA", false},
        {"^the$", false, "THE", true},
        {"^the$", false, "THEM", false},
        {"^$", false, "A", false},
        // Wildcards, alone and anchored.
        {"t?e", false, "OTHER", true},
        {"t?e", false, "TE", false},
        {"^t*r$", false, "TOWER", true},
        {"^t*r$", false, "TOWERS", false},
        {"*", false, "X", true},
        {"a*b*c", false, "XAYBZCW", true},
        {"a*b*c", false, "XAYCZB", false},
        {"^?$", false, "I", true},
        {"^?$", false, "IT", false},
        {"**a**", true, "banana", true},
        // Only a trailing '$' and a leading '^' anchor; elsewhere they are letters.
        {"a$b", false, "A$B", true},
        {"a^", false, "XA^", true},
        // Letters outside A-Z keep their byte.
        {"\xE9t\xE9", true, "\xE9t\xE9", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WordPattern(c.pattern, c.lowerCase).Matches(c.word), c.kept)
            << '"' << c.pattern << "\" on " << c.word << (c.lowerCase ? " (lower case)" : "");
}
