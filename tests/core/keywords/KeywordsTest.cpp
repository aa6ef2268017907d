// Keyword figures, reference tables read back and the keyword list's choices.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "core/engine/Errors.h"
#include "core/keywords/Keywords.h"
#include "core/table/TableReader.h"

namespace vornix {
namespace {

// G2 written out independently: the two-cell form sums only the word's own cells,
// the four-cell form adds the cells of every other word.
double TwoCell(double a, double b, double c, double d) {
    const double e1 = c * (a + b) / (c + d), e2 = d * (a + b) / (c + d);
    return 2 * (a * std::log(a / e1) + b * std::log(b / e2));
}
double FourCell(double a, double b, double c, double d) {
    const double n = c + d;
    auto t = [](double o, double e) { return o == 0 ? 0 : o * std::log(o / e); };
    return 2 * (t(a, c * (a + b) / n) + t(b, d * (a + b) / n) + t(c - a, c * (n - a - b) / n) +
                t(d - b, d * (n - a - b) / n));
}

TEST(KeywordFigures, WorkedExampleUsesTheFourCellForm) {
    const KeywordFigures f = ComputeKeywordFigures(100, 50, 100000, 200000, 1);
    EXPECT_NEAR(f.logLikelihood, 69.35, 0.005);
    EXPECT_NEAR(TwoCell(100, 50, 100000, 200000), 69.31, 0.005);
    EXPECT_NEAR(f.logLikelihood, FourCell(100, 50, 100000, 200000), 1e-9);
    EXPECT_NEAR(f.logRatio, 2.000, 0.0005);
    EXPECT_NEAR(f.percentDiff, 300.0, 0.05);
    EXPECT_NEAR(f.simpleMaths, 3.988, 0.0005);
    EXPECT_NEAR(ComputeKeywordFigures(100, 50, 100000, 200000, 100).simpleMaths, 3.143, 0.0005);
    EXPECT_NEAR(f.p, std::erfc(std::sqrt(69.35 / 2)), 1e-16);
}

TEST(KeywordFigures, SignsAndZeroCounts) {
    struct Case {
        std::int64_t a, b, c, d;
        double logRatio, percentDiff;
    } cases[] = {
        // Rarer in the text: every figure says so.
        {10, 80, 1000, 2000, std::log2((10.0 / 1000) / (80.0 / 2000)), (0.01 - 0.04) / 0.04 * 100},
        // Absent from the reference: b taken as 0.5 in Log Ratio and %DIFF.
        {7, 0, 1000, 2000, std::log2((7.0 / 1000) / (0.5 / 2000)), (0.007 - 0.00025) / 0.00025 * 100},
        // Absent from the text: a taken as 0.5 in Log Ratio only; %DIFF is -100.
        {0, 9, 1000, 2000, std::log2((0.5 / 1000) / (9.0 / 2000)), -100},
        // Equal rates.
        {5, 10, 1000, 2000, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + "/" + std::to_string(c.b));
        const KeywordFigures f = ComputeKeywordFigures(c.a, c.b, c.c, c.d, 1);
        const double g2 = FourCell(double(c.a), double(c.b), double(c.c), double(c.d));
        const bool rarer = double(c.a) / double(c.c) < double(c.b) / double(c.d);
        EXPECT_NEAR(f.logLikelihood, rarer ? -g2 : g2, 1e-9);
        EXPECT_NEAR(f.logRatio, c.logRatio, 1e-12);
        EXPECT_NEAR(f.percentDiff, c.percentDiff, 1e-9);
        const double sm = (double(c.a) / double(c.c) * 1e6 + 1) / (double(c.b) / double(c.d) * 1e6 + 1);
        EXPECT_NEAR(f.simpleMaths, sm, 1e-12);
    }
    EXPECT_NEAR(ChiSquareTailOneDf(CriticalLogLikelihood(0.05)), 0.05, 1e-6);
    EXPECT_NEAR(ChiSquareTailOneDf(CriticalLogLikelihood(0.0001)), 0.0001, 1e-8);
}

std::vector<std::pair<std::string, std::int64_t>> Rows(std::string_view text, EncodingChoice e = EncodingChoice::Auto) {
    std::vector<std::pair<std::string, std::int64_t>> rows;
    ReadWordTableText(text, "t", e, [&](std::string_view w, std::int64_t n) { rows.emplace_back(w, n); });
    return rows;
}

TEST(TableReader, ReadsEveryLayoutWeWriteAndPlainLists) {
    const std::vector<std::pair<std::string, std::int64_t>> two = {{"THE", 12}, {"CAT'S", 3}};
    const char* layouts[] = {
        "THE\t12\r\nCAT'S\t3\r\n",
        "THE 12\r\nCAT'S 3\r\n",
        "THE,12\r\nCAT'S,3\r\n",
        "THE\t12\t800000.0\r\nCAT'S\t3\t200000.0\r\n",  // per million
        "rank,word,count\n1,THE,12\n2,CAT'S,3\n",
        "rank\tword\tcount\n1\tTHE\t12\n2\tCAT'S\t3\n",
        "[\n{\"rank\":1,\"word\":\"THE\",\"count\":12},\n{\"rank\":2,\"word\":\"CAT'S\",\"count\":3}\n]\n",
        "rank,word,count,reference_count,log_likelihood\n1,THE,12,4,2.5\n2,CAT'S,3,1,0.5\n",
        "\xEF\xBB\xBFWord;Frequency\nTHE;12\n\nCAT'S;3",
        "THE   12\nCAT'S\t 3\n",
        "word,count\n\"THE\",12\n\"CAT'S\",3\n",
    };
    for (const char* text : layouts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Rows(text), two);
    }
    EXPECT_TRUE(Rows("").empty());
    EXPECT_TRUE(Rows("[]").empty());
}

TEST(TableReader, MalformedLinesNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"THE\t12\r\nCAT\r\n", "Line 2 of t is not a word and a count"},
        {"THE\t12\nCAT\t-3\n", "Line 2 of t is not a word and a count"},
        {"THE\t12\n\nCAT\tmany\n", "Line 3 of t is not a word and a count"},
        {"THE\t12\nCAT\t3\tblue\n", "Line 2 of t is not a word and a count"},
        {"THE\t99999999999999999999\n", "Line 1 of t is not a word and a count"},
        {"[\n{\"word\":\"THE\",\"count\":1},\n{\"word\":\"A\",\"count\":-1}\n]",
         "Line 3 of t is not a word and a count"},
        {"[\n{\"word\":\"THE\"}\n]", "Line 2 of t is not a word and a count"},
        {"[\n{\"word\":\"THE\",\"count\":1}", "Line 2 of t is not a word and a count"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            Rows(c.text);
            ADD_FAILURE() << "read";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(ReferenceCounts, WordsTakeTheStoredFormAndBadTablesChangeNothing) {
    ReferenceCounts ref(BuildCharMap(CharacterSet::Windows), true);
    // Lower case, an accent in UTF-8, a possessive, a hyphenated row (two words), a
    // row of punctuation that holds no word.
    ref.AddTableText("the\t5\nna\xC3\xAFve\t2\ncat's\t3\nwell-known\t4\n--\t9\nTHE\t1\n", "t", EncodingChoice::Auto);
    EXPECT_EQ(ref.Count("THE"), 6);
    EXPECT_EQ(ref.Count("NAIVE"), 2);
    EXPECT_EQ(ref.Count("CAT"), 3);
    EXPECT_EQ(ref.Count("WELL"), 4);
    EXPECT_EQ(ref.Count("KNOWN"), 4);
    EXPECT_EQ(ref.Total(), 6 + 2 + 3 + 4 + 4);
    // The same accent in the 8-bit set.
    ref.AddTableText("na\xEFve 1\n", "t", EncodingChoice::Auto);
    EXPECT_EQ(ref.Count("NAIVE"), 3);
    EXPECT_THROW(ref.AddTableText("dog\t1\ncat\tx\n", "t", EncodingChoice::Auto), FileError);
    EXPECT_EQ(ref.Count("DOG"), 0);
    EXPECT_EQ(ref.Total(), 20);
}

// A run over texts in a temporary folder.
struct Counted {
    test::TempDir dir;
    AnalysisRun run{dir.file("w.$$$")};
    explicit Counted(const std::vector<std::string>& texts, const std::string* list = nullptr) {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("t" + std::to_string(i) + ".txt", texts[i]));
        run.GeneralInitialize(CharacterSet::Windows, list);
        run.ReadDocuments(paths, false);
        run.GeneralClosedown();
    }
};

std::vector<std::string> Words(const KeywordTable& t) {
    std::vector<std::string> w;
    for (std::size_t r = 0; r < t.Rows(); ++r) w.push_back(t.Row(r).word);
    return w;
}

TEST(Keywords, CutOffsNegativesFiltersAndOrder) {
    std::string target, other;
    for (int i = 0; i < 60; ++i) target += "whale sea ship ";
    for (int i = 0; i < 20; ++i) target += "and the 1851 ";
    for (int i = 0; i < 200; ++i) other += "the and king crown ";
    other += "sea ship 1851 ";
    test::TempDir lists;
    const std::string list = lists.write("l.dat", "THE\n");
    Counted text({target}, &list);
    Counted refRun({other}, &list);
    ReferenceCounts ref(BuildCharMap(CharacterSet::Windows), false);
    ref.AddRun(refRun.run);
    const auto c = text.run.State().TotalWords;
    DisplayOptions show;
    struct Case {
        const char* name;
        DisplayOptions display;
        KeywordOptions options;
        std::vector<std::string> words;
    } cases[] = {
        // WHALE is absent from the reference, SEA and SHIP nearly; THE is common.
        {"default", show, {}, {"WHALE", "SEA", "SHIP"}},
        {"negative", show, {0.05, true}, {"WHALE", "SEA", "SHIP", "AND", "CROWN", "KING"}},
        {"numbers",
         [] {
             DisplayOptions d;
             d.ShowNumbers = true;
             d.ShowCommonWords = true;
             d.LowerCase = true;
             return d;
         }(),
         {0.05, true},
         {"whale", "sea", "ship", "1851", "and", "the", "crown", "king"}},  // ties: alphabetical
        {"threshold",
         [] {
             DisplayOptions d;
             d.ActiveThreshold = 61;
             return d;
         }(),
         {},
         {}},
        {"log ratio", show, {0.05, false, KeywordSort::LogRatio}, {"WHALE", "SEA", "SHIP"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const KeywordTable table = ComputeKeywords(text.run.Store(), c, ref, k.display, k.options);
        EXPECT_EQ(Words(table), k.words);
        for (std::size_t r = 0; r < table.Rows(); ++r) {
            const KeywordRow& row = table.Row(r);
            EXPECT_NEAR(std::fabs(row.figures.logLikelihood),
                        FourCell(double(row.count), double(row.referenceCount), double(c), double(ref.Total())), 1e-9);
            EXPECT_GE(std::fabs(row.figures.logLikelihood), 3.841459);
        }
    }
    // Every word without a cut-off: the positive part ends where G2 turns negative.
    KeywordOptions all{1, true};
    const KeywordTable table = ComputeKeywords(text.run.Store(), c, ref, show, all);
    ASSERT_EQ(table.Rows(), 6u);
    for (std::size_t r = 1; r < table.Rows(); ++r)
        EXPECT_GE(table.Row(r - 1).figures.logLikelihood, table.Row(r).figures.logLikelihood);
}

TEST(Keywords, APTooSmallForFourDecimalsIsShownInExponentForm) {
    struct Case {
        double p;
        const char* shown;  // in the window and the plain table
    } cases[] = {{0.0123, "0.0123"}, {0.00006, "0.0001"}, {0.00004, "4.0e-05"}, {3.2e-17, "3.2e-17"}, {0, "0.0000"}};
    std::vector<KeywordRow> rows;
    for (const Case& c : cases) {
        KeywordRow row;
        row.figures.p = c.p;
        rows.push_back(row);
    }
    const KeywordTable table(rows);
    const std::size_t pColumn = 4;
    ASSERT_EQ(table.Columns()[pColumn].key, "p");
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        SCOPED_TRACE(cases[r].p);
        EXPECT_EQ(CellText(table, r, pColumn, true), cases[r].shown);
        EXPECT_EQ(std::stod(CellText(table, r, pColumn, false)), cases[r].p);  // CSV keeps every digit
    }
}

TEST(Keywords, OurOwnTablesAsReferenceEqualTheDocuments) {
    const std::string target = "It was the best of times, it was the worst of times; whales, whales and 3.14.";
    const std::string other = "Call me Ishmael. Some years ago, never mind how long, the whale, 3.14 times.";
    Counted text({target});
    Counted refRun({other});
    DisplayOptions all;
    all.ShowCommonWords = all.ShowNumbers = true;
    KeywordOptions every{1, true};
    ReferenceCounts fromRun(BuildCharMap(CharacterSet::Windows), false);
    fromRun.AddRun(refRun.run);
    const KeywordTable expected = ComputeKeywords(text.run.Store(), text.run.State().TotalWords, fromRun, all, every);
    ASSERT_GT(expected.Rows(), 10u);
    const auto csvExpected = FormatTable(expected, TableFormat::Csv);
    for (TableFormat f : {TableFormat::Table, TableFormat::Csv, TableFormat::Tsv, TableFormat::Json}) {
        for (bool lower : {false, true}) {
            DisplayOptions written = all;
            written.LowerCase = lower;
            ReferenceCounts fromTable(BuildCharMap(CharacterSet::Windows), false);
            fromTable.AddTableText(FormatWordTable(refRun.run.Store(), refRun.run.Orders(), written, f, ' '), "t",
                                   EncodingChoice::Auto);
            EXPECT_EQ(fromTable.Total(), fromRun.Total());
            const KeywordTable got =
                ComputeKeywords(text.run.Store(), text.run.State().TotalWords, fromTable, all, every);
            EXPECT_EQ(FormatTable(got, TableFormat::Csv), csvExpected) << int(f) << lower;
        }
    }
}

}  // namespace
}  // namespace vornix
