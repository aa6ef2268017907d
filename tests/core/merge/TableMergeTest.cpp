// Summed tables against one run over the documents, and the tables a merge refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/merge/TableMerge.h"
#include "core/output/TableFormats.h"

namespace vornix {
namespace {

using test::TempDir;

// Words whose stored and lower-case forms sort apart (A_ before AB only in upper case),
// numbers, possessives, the ligature, accents in 8 bits and in UTF-8.
const std::vector<std::string> kDocuments = {
    "A_ ab ab Ab a_b 1,000 10th 3.14 John's JOHN C\xe6sar's caf\xe9 o'clock the The THE\n",
    "ab A_ A_ z_z zz 1,000 2nd John's \"quoted\" caf\xc3\xa9 \xc3\x86sop na\xc3\xafve the\n",
    "Zz ZZ z_z the a_b 10th word. word.. U.S.A. u.s.a rock'n'roll\n",
};

struct Shard {
    std::vector<int> documents;
    TableFormat format;
    bool lower;
    char separator;
    bool perMillion;
};

TEST(TableMerge, SummedShardsGiveOneRunsTableInEveryOrder) {
    TempDir dir;
    const std::string list = dir.write("list.dat", "the\nzebra\nab\n");
    // Each shard counted without the list, every number shown, in a format of its own.
    const std::vector<Shard> shards = {{{0}, TableFormat::Table, true, ',', true},
                                       {{1}, TableFormat::Json, false, '\t', false},
                                       {{2}, TableFormat::Csv, true, '\t', true}};
    std::vector<std::string> tables;
    for (const Shard& shard : shards) {
        AnalysisRun run{dir.file("s.$$$")};
        run.GeneralInitialize(CharacterSet::Windows, nullptr);
        for (int d : shard.documents) run.VornixText(kDocuments[d], "d" + std::to_string(d), false);
        run.GeneralClosedown();
        DisplayOptions shown{
            .ShowNumbers = true, .LowerCase = shard.lower, .ShowRelFreq = shard.perMillion, .Filter = {}};
        tables.push_back(FormatWordTable(run.Store(), run.Orders(), shown, shard.format, shard.separator));
    }
    for (const bool withList : {false, true})
        for (const bool strip : {false, true}) {
            SCOPED_TRACE(std::string(withList ? "list" : "no list") + (strip ? ", strip" : ""));
            AnalysisRun one{dir.file("o.$$$")}, merged{dir.file("m.$$$")};
            one.GeneralInitialize(CharacterSet::Windows, withList ? &list : nullptr);
            for (std::size_t d = 0; d < kDocuments.size(); ++d)
                one.VornixText(kDocuments[d], "d" + std::to_string(d), strip);
            one.GeneralClosedown();
            merged.GeneralInitialize(CharacterSet::Windows, withList ? &list : nullptr);
            TableMerge merge(merged, strip);
            for (std::size_t t = 0; t < tables.size(); ++t)
                merge.AddTableText(tables[t], "t" + std::to_string(t), EncodingChoice::Auto);
            merged.GeneralClosedown();
            EXPECT_EQ(merge.Tables(), 3);
            for (const ResultOrder order : {ResultOrder::Frequency, ResultOrder::Alphabetical, ResultOrder::WordLength})
                for (const bool lower : {false, true}) {
                    const DisplayOptions o{.ShowCommonWords = true,
                                           .ShowNumbers = true,
                                           .LowerCase = lower,
                                           .Order = order,
                                           .ActiveThreshold = 0,
                                           .ShowRelFreq = true,
                                           .Filter = {}};
                    const std::string expected =
                        FormatWordTable(one.Store(), one.Orders(), o, TableFormat::Table, '\t');
                    EXPECT_GT(expected.size(), 200u);
                    EXPECT_EQ(FormatWordTable(merged.Store(), merged.Orders(), o, TableFormat::Table, '\t'), expected);
                }
            const RunStats a = one.Stats(), b = merged.Stats();
            EXPECT_EQ(b.TotalWords, a.TotalWords);
            EXPECT_EQ(b.UniqueWords, a.UniqueWords);
            EXPECT_EQ(b.UniqueNumbers, a.UniqueNumbers);
            EXPECT_EQ(b.CommonFound, a.CommonFound);
            EXPECT_EQ(b.CommonUnused, a.CommonUnused);
        }
}

TEST(TableMerge, RefusesWhatIsNotATableOrPassesARunsBounds) {
    std::string full;  // as many distinct words as the store holds
    for (std::int32_t i = 0; i < WordStore::DefaultMaxWords; ++i) {
        std::string w = "W";
        for (std::int32_t n = i; n > 0; n /= 26) w += static_cast<char>('A' + n % 26);
        full += w + "\t1\n";
    }
    const struct {
        const char* name;
        std::string table;
        std::string message;
    } cases[] = {
        {"two words", "GOOD\t1\r\nfish-cake\t3\r\n", "Line 2 of t is not a word and a count"},
        {"no word", "rank,word,count\n1,good,1\n2,--,4\n", "Line 3 of t is not a word and a count"},
        {"json", "[\n{\"word\":\"ok\",\"count\":1},\n\n{\"word\":\"a b\",\"count\":2}\n]\n",
         "Line 4 of t is not a word and a count"},
        {"no count", "GOOD\t1\nTHE\tmany\n", "Line 2 of t is not a word and a count"},
        {"prose", "It was a dark\nand stormy night\n", "Line 2 of t is not a word and a count"},
        {"total", "THE\t2000000000\nA\t147483647\nOF\t1\n",
         "Merging t passes 2147483647 words, more than one run counts"},
        {"limit", full, "Merging t reached the unique-words limit 500000: the sum would not be exact"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalysisRun run{dir.file("m.$$$")};
        run.GeneralInitialize(CharacterSet::Windows, nullptr);
        TableMerge merge(run, false);
        try {
            merge.AddTableText(c.table, "t", EncodingChoice::Auto);
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

}  // namespace
}  // namespace vornix
