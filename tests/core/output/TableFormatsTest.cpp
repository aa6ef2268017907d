#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/output/OutputWalk.h"
#include "core/output/TableFormats.h"

using namespace vornix;

TEST(TableFormats, FieldsAreEscapedOnlyWhereTheFormatNeedsIt) {
    struct Case {
        std::string in, csv, json;
    };
    const Case cases[] = {
        {"DON'T", "DON'T", "\"DON'T\""},
        {"", "", "\"\""},
        {"1,000", "\"1,000\"", "\"1,000\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\""},
        {"a\r\nb", "\"a\r\nb\"", "\"a\\u000d\\u000ab\""},
        {"back\\slash\ttab", "back\\slash\ttab", "\"back\\\\slash\\u0009tab\""},
        {"caf\xC3\xA9", "caf\xC3\xA9", "\"caf\xC3\xA9\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvField(c.in), c.csv) << c.in;
        EXPECT_EQ(JsonString(c.in), c.json) << c.in;
    }
}

TEST(TableFormats, Windows1252BytesBecomeUtf8) {
    EXPECT_EQ(Utf8FromWindows1252("AE'S.1_"), "AE'S.1_");
    // Euro sign (a 1252 extra), AE ligature, e acute, and 0x81, which 1252 leaves undefined.
    EXPECT_EQ(Utf8FromWindows1252("\x80\xC6\xE9\x81\xFF"), "\xE2\x82\xAC\xC3\x86\xC3\xA9\xC2\x81\xC3\xBF");
}

TEST(TableFormats, NamesOfTheFormats) {
    EXPECT_EQ(ParseTableFormat("table"), TableFormat::Table);
    EXPECT_EQ(ParseTableFormat("csv"), TableFormat::Csv);
    EXPECT_EQ(ParseTableFormat("tsv"), TableFormat::Tsv);
    EXPECT_EQ(ParseTableFormat("json"), TableFormat::Json);
    for (const char* bad : {"", "CSV", "xml", "csv ", "tabl"}) EXPECT_FALSE(ParseTableFormat(bad)) << bad;
}

TEST(TableFormats, EachFormatHoldsTheTableRowsWithRanks) {
    vornix::test::TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    const std::string list = dir.write("list.dat", "THE\nOF\n");
    const std::string doc = dir.write("doc.txt", "the cat the dog 1,000 cat zebra\xC6 the don't");
    run.GeneralInitialize(CharacterSet::Windows, &list);
    run.ReadDocuments({doc}, false);
    run.GeneralClosedown();
    auto format = [&](const DisplayOptions& o, TableFormat f) {
        return FormatWordTable(run.Store(), run.Orders(), o, f, ',');
    };

    DisplayOptions o;
    o.ShowNumbers = true;
    EXPECT_EQ(format(o, TableFormat::Table), FormatAnalysis(run.Store(), run.Orders(), o, ','));
    EXPECT_EQ(format(o, TableFormat::Csv), "rank,word,count\n1,CAT,2\n2,1000,1\n3,DOG,1\n4,DON'T,1\n5,ZEBRAAE,1\n");
    o.Order = ResultOrder::Alphabetical;
    o.LowerCase = true;
    EXPECT_EQ(format(o, TableFormat::Tsv),
              "rank\tword\tcount\n1\t1000\t1\n2\tcat\t2\n3\tdog\t1\n4\tdon't\t1\n5\tzebraae\t1\n");
    o.ShowNumbers = false;
    o.ActiveThreshold = 2;
    EXPECT_EQ(format(o, TableFormat::Json), "[\n{\"rank\":1,\"word\":\"cat\",\"count\":2}\n]\n");
    o.ActiveThreshold = 100;
    EXPECT_EQ(format(o, TableFormat::Csv), "rank,word,count\n");
    EXPECT_EQ(format(o, TableFormat::Tsv), "rank\tword\tcount\n");
    EXPECT_EQ(format(o, TableFormat::Json), "[]\n");
}
