// A reference made of documents and tables, counted off the window's thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "TestSupport.h"
#include "core/engine/Errors.h"
#include "core/keywords/ReferenceRead.h"

namespace vornix {
namespace {

using Counts = std::map<std::string, std::int64_t>;

Counts AllOf(const ReferenceCounts& counts) {
    Counts all;
    for (std::size_t i = 0; i < counts.Size(); ++i) {
        const auto [at, added] = all.emplace(std::string(counts.Word(i)), counts.CountAt(i));
        EXPECT_TRUE(added) << "twice: " << at->first;
        EXPECT_EQ(counts.Count(counts.Word(i)), counts.CountAt(i));
    }
    return all;
}

TEST(ReadReference, DocumentsAndTablesAddUpByTheTextsRules) {
    test::TempDir dir;
    const std::string one = dir.write("one.txt", "Cat cat's dog\n");
    const std::string two = dir.write("two.txt", "DOG bird\r\n");
    const std::string table = dir.write("t.tsv", "rank\tword\tcount\n1\tcat's\t10\n2\tfish\t3\n");
    struct Case {
        std::vector<std::string> documents, tables;
        bool strip;
        Counts words;
        std::int64_t total;
    } cases[] = {
        {{one, two}, {}, false, {{"BIRD", 1}, {"CAT", 1}, {"CAT'S", 1}, {"DOG", 2}}, 5},
        {{one, two}, {}, true, {{"BIRD", 1}, {"CAT", 2}, {"DOG", 2}}, 5},
        {{}, {table}, true, {{"CAT", 10}, {"FISH", 3}}, 13},
        {{one}, {table}, true, {{"CAT", 12}, {"DOG", 1}, {"FISH", 3}}, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.documents.size() * 10 + c.tables.size() + (c.strip ? 100 : 0));
        ReferenceSource source;
        source.documents = c.documents;
        source.tables = c.tables;
        source.stripPossessives = c.strip;
        source.recordPath = dir.file("Vornix.ref");
        std::vector<std::string> status;
        const ReferenceResult r = ReadReference(source, {[&](const std::string& s) { status.push_back(s); }, {}, {}});
        EXPECT_FALSE(r.stopped);
        EXPECT_EQ(AllOf(r.counts), c.words);
        EXPECT_EQ(r.counts.Total(), c.total);
        const auto reading = std::count_if(status.begin(), status.end(),
                                           [](const std::string& s) { return s.rfind("Reading ", 0) == 0; });
        EXPECT_EQ(std::size_t(reading), c.documents.size());
    }
}

TEST(ReadReference, StopsWhenAskedAndFailsOnBadFiles) {
    test::TempDir dir;
    std::string many;
    for (int i = 0; i < 2000; ++i) many += "word" + std::string(1, char('a' + i % 26)) + " ";
    ReferenceSource source;
    source.documents = {dir.write("many.txt", many)};
    source.recordPath = dir.file("Vornix.ref");
    int asked = 0;
    const ReferenceResult stopped = ReadReference(source, {{}, {}, [&] { return ++asked == 3; }});
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(asked, 3);  // asked every hundred words until it said stop
    const ReferenceResult whole = ReadReference(source, {{}, {}, [] { return false; }});
    EXPECT_FALSE(whole.stopped);
    EXPECT_EQ(whole.counts.Total(), 2000);

    struct Case {
        std::vector<std::string> documents, tables;
        std::string message;
    } cases[] = {
        {{dir.file("missing.txt")}, {}, "Cannot open file " + dir.file("missing.txt")},
        {{},
         {dir.write("bad.txt", "cat\t1\ndog\n")},
         "Line 2 of " + dir.file("bad.txt") + " is not a word and a count"},
    };
    for (const Case& c : cases) {
        source.documents = c.documents;
        source.tables = c.tables;
        try {
            ReadReference(source);
            ADD_FAILURE() << "read " << c.message;
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
        }
    }
}

}  // namespace
}  // namespace vornix
