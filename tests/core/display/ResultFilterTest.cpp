#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/display/ResultFilter.h"

using namespace vornix;

namespace {

WordRec Rec(const char* text, int common = 0, int number = 0) {
    WordRec r{};
    r.length = static_cast<std::uint8_t>(std::strlen(text));
    std::memcpy(r.text, text, r.length);
    r.Common = static_cast<std::uint8_t>(common);
    r.Number = static_cast<std::uint8_t>(number);
    return r;
}

}  // namespace

TEST(ResultFilter, HidesCommonThenNumbersThenBelowThreshold) {
    struct Case {
        int common, number, count;
        bool showCommon, showNumbers;
        int threshold;
        bool shown;
    } cases[] = {
        {0, 0, 1, false, false, 1, true}, {1, 0, 5, false, true, 1, false},  {1, 0, 5, true, false, 1, true},
        {0, 1, 5, true, false, 1, false}, {0, 1, 5, false, true, 1, true},   {1, 1, 5, true, false, 1, false},
        {1, 0, 0, true, false, 1, false}, {1, 0, 0, true, false, 0, true},   {0, 0, 2, false, false, 3, false},
        {0, 0, 3, false, false, 3, true}, {0, 0, 0, false, false, -5, true},
    };
    for (const Case& c : cases) {
        DisplayOptions o;
        o.ShowCommonWords = c.showCommon;
        o.ShowNumbers = c.showNumbers;
        o.ActiveThreshold = c.threshold;
        EXPECT_EQ(WordPassesFilter(Rec("W", c.common, c.number), c.count, o), c.shown)
            << c.common << c.number << c.count << c.showCommon << c.showNumbers << c.threshold;
    }
}

TEST(ResultFilter, LowerCaseTouchesOnlyAToZ) {
    EXPECT_EQ(DisplayWord(Rec("DON'T_2.5"), true), "don't_2.5");
    EXPECT_EQ(DisplayWord(Rec("DON'T_2.5"), false), "DON'T_2.5");
    EXPECT_EQ(DisplayWord(Rec("CAF\xC6"), true), "caf\xC6");
    const std::string forty(40, 'Q');
    EXPECT_EQ(DisplayWord(Rec(forty.c_str()), false), forty);
}

TEST(ResultFilter, SummaryLineNamesOnlyHiddenCategoriesWithMembers) {
    EXPECT_EQ(SummaryText(ResultOrder::Frequency, "812", "97", "4", false, true, 715),
              "Frequency order. 812 words; 97 common (hidden); 4 numeric; showing 715.");
    EXPECT_EQ(SummaryText(ResultOrder::Alphabetical, "5", "0", "0", false, false, 5),
              "Alphabetical order. 5 words; 0 common; 0 numeric; showing 5.");
    EXPECT_EQ(SummaryText(ResultOrder::WordLength, "9", "2", "3", true, false, 0),
              "Word-length order. 9 words; 2 common; 3 numeric (hidden); showing 0.");
    // A filter in force is named at the end, also when it leaves nothing.
    EXPECT_EQ(SummaryText(ResultOrder::Frequency, "9", "2", "3", true, true, 0, "x*z"),
              "Frequency order. 9 words; 2 common; 3 numeric; showing 0 (filter \"x*z\").");
    EXPECT_EQ(FilterNoteText("^cat"), "No words match the filter ^cat");
    EXPECT_EQ(HiddenSuffix("00", false), " (hidden); ");
}

TEST(ResultFilter, NumberCellsArePaddedNeverCut) {
    EXPECT_EQ(NumberCell(5), "       5");
    EXPECT_EQ(NumberCell(123456), "  123456");
    EXPECT_EQ(NumberCell(1234567), "  1234567");
    EXPECT_EQ(NumberCell(-2147483647 - 1), "  -2147483648");
}

TEST(ResultFilter, OrderFromChecksTestsFrequencyFirst) {
    EXPECT_EQ(OrderFromChecks(true, true, true), ResultOrder::Frequency);
    EXPECT_EQ(OrderFromChecks(false, true, true), ResultOrder::Alphabetical);
    EXPECT_EQ(OrderFromChecks(false, false, true), ResultOrder::WordLength);
    EXPECT_EQ(OrderFromChecks(false, false, false), ResultOrder::Frequency);
}

TEST(ResultFilter, ThresholdTextReadsIntegersElseZero) {
    EXPECT_EQ(ThresholdFromText("3"), 3);
    EXPECT_EQ(ThresholdFromText("-2"), -2);
    EXPECT_EQ(ThresholdFromText("+4"), 4);
    EXPECT_EQ(ThresholdFromText(""), 0);
    EXPECT_EQ(ThresholdFromText("3x"), 0);
    EXPECT_EQ(ThresholdFromText("99999999999"), 0);
    EXPECT_EQ(ThresholdFromText("$10"), 16);
}

TEST(ResultFilter, GroupedNumbersAndTextCellsLineUp) {
    const std::pair<std::int64_t, const char*> grouped[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {12345, "12,345"},
        {100000, "100,000"},
        {1234567, "1,234,567"},
        {-1000, "-1,000"},
        {-12, "-12"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto& [value, text] : grouped) EXPECT_EQ(GroupedNumber(value), text) << value;
    // A figure given as text ends where a count of the same width ends.
    EXPECT_EQ(NumberCell("12.5", 6), NumberCell(std::int64_t{9999}).substr(0, 4) + "12.5");
    EXPECT_EQ(NumberCell("1000000.0", 6), "  1000000.0");
    EXPECT_EQ(NumberCell("", 3), "     ");
}

TEST(StatusNoteText, SaysWhatTheSummaryDoesNot) {
    struct Case {
        bool stopped, limit;
        std::int32_t threshold;
        const char* note;
    } cases[] = {
        {false, false, 1, ""},
        {false, false, 0, ""},
        {true, false, 1, "Partial: stopped by the user"},
        {false, true, 1, "Partial: word limit reached"},
        {true, true, 1, "Partial: word limit reached"},
        {false, false, 3, "Threshold 3"},
        {true, false, 12, "Partial: stopped by the user; Threshold 12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusNoteText(c.stopped, c.limit, c.threshold), c.note) << c.stopped << c.limit << c.threshold;
}
