// The window's parts: recorded while the run reads, or made afterwards by reading the
// run's inputs again; both must be the same parts.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "core/dispersion/RunDispersion.h"

namespace vornix {
namespace {

using test::TempDir;

// Each part as "key/words" and its (record, count) pairs.
using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
std::vector<std::pair<std::string, Pairs>> Flat(const PartCounts& parts) {
    std::vector<std::pair<std::string, Pairs>> out;
    for (std::size_t p = 0; p < parts.Size(); ++p) {
        Pairs pairs;
        for (const PartCount& pair : parts.InPart(p)) pairs.emplace_back(pair.record, pair.count);
        out.emplace_back(parts.Parts()[p].key + "/" + std::to_string(parts.Parts()[p].words), pairs);
    }
    return out;
}

TEST(RunDispersion, ReadingAgainGivesTheRecordedParts) {
    const std::vector<std::vector<std::string>> cases = {
        // Documents, one of them without words, and a common words list.
        {"the cat and the dog", " ,;. ", "cat cat bird", "the the the dog"},
        // One document: ten equal parts.
        {"a b c d e f g h i j k l m n o p q r s t u v w a b c"},
        // The last document empty.
        {"x y x", ""},
    };
    for (const auto& texts : cases) {
        SCOPED_TRACE(texts.front());
        TempDir dir;
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("doc" + std::to_string(i) + ".txt", texts[i]));
        const std::string list = dir.write("list.dat", "the\nand\n");
        AnalysisRun run(dir.file("Vornix.$$$"));
        RunDispersion recorded;
        run.SetObserver(recorded.BeginRun(true));
        run.GeneralInitialize(CharacterSet::Windows, &list);
        run.ReadDocuments(paths, false);
        run.GeneralClosedown();
        recorded.EndRun(run);
        ASSERT_TRUE(recorded.Ready());

        RunDispersion again;
        EXPECT_EQ(again.BeginRun(false), nullptr);
        again.EndRun(run);
        EXPECT_FALSE(again.Ready());
        again.BeginReread(run);
        while (again.Step(8)) {  // small slices
        }
        ASSERT_TRUE(again.Ready());
        EXPECT_TRUE(again.Problems().empty());
        EXPECT_EQ(Flat(again.Parts()), Flat(recorded.Parts()));
        ASSERT_EQ(again.Figures().size(), recorded.Figures().size());
        for (std::size_t r = 0; r < again.Figures().size(); ++r) {
            EXPECT_EQ(again.Figures()[r].range, recorded.Figures()[r].range);
            EXPECT_EQ(std::isnan(again.Figures()[r].dp), std::isnan(recorded.Figures()[r].dp));
        }
    }
}

TEST(RunDispersion, AChangedFileIsReported) {
    TempDir dir;
    const std::vector<std::string> paths = {dir.write("a.txt", "one two"), dir.write("b.txt", "two three")};
    AnalysisRun run(dir.file("Vornix.$$$"));
    RunDispersion parts;
    run.SetObserver(parts.BeginRun(false));
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments(paths, false);
    run.GeneralClosedown();
    parts.EndRun(run);
    dir.write("b.txt", "two three four five");
    parts.BeginReread(run);
    while (parts.Step()) {
    }
    ASSERT_TRUE(parts.Ready());
    ASSERT_EQ(parts.Problems().size(), 1u);
    EXPECT_NE(parts.Problems()[0].find("b.txt"), std::string::npos);
    EXPECT_EQ(parts.Parts().Size(), 2u);
}

}  // namespace
}  // namespace vornix
