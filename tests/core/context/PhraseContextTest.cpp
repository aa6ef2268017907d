// Phrases and words near another word in context: the places found against the n-gram
// counts of a real text and against places worked out by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/context/WordContext.h"
#include "core/engine/Scanner.h"
#include "core/ngrams/NGrams.h"

namespace vornix {
namespace {

using test::CorpusExcerpt;
using test::TempDir;

// The words the bytes of an occurrence read as (8-bit inputs), possessives stripped
// when the input was read so, joined by spaces.
std::string WordsAt(const AnalysisRun& run, const Occurrence& o) {
    const RunInput& in = run.Inputs()[o.input];
    std::ifstream f(in.path, std::ios::binary);
    std::string bytes(o.length, '\0');
    f.seekg(static_cast<std::streamoff>(o.offset));
    f.read(bytes.data(), o.length);
    Scanner scanner(run.CharMap());
    scanner.Start();
    std::string words;
    auto onWord = [&](std::string_view w) {
        if (in.strip) w = w.substr(0, StripPossessive(w.data(), w.size()));
        words += (words.empty() ? "" : " ") + std::string(w);
        return true;
    };
    scanner.Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), onWord);
    scanner.Finish(onWord);
    return words;
}

TEST(PhraseContext, EveryNGramOfARealTextIsFoundAsOftenAsCounted) {
    // Two documents (a phrase never runs from one into the next), kept and stripped
    // possessives, two orders; every n-gram counted ten times or more, and a sample of
    // the rarer ones.
    TempDir dir;
    const std::vector<std::string> paths = {CorpusExcerpt("shakespeare-sonnets.txt"),
                                            std::string(VORNIX_TEST_DATA_DIR) + "/ulysses-excerpt.txt"};
    for (const auto& [strip, n] : {std::pair{false, 2}, std::pair{true, 3}}) {
        {
            AnalysisRun run(dir.file("Vornix.$$$"));
            run.SetThreads(1);
            NGramCounter counter(n);
            run.SetObserver(&counter);
            run.GeneralInitialize(CharacterSet::Windows, nullptr, EncodingChoice::Auto);
            run.ReadDocuments(paths, strip);
            run.GeneralClosedown();
            std::size_t checked = 0, rare = 0;
            std::int64_t found = 0, counted = 0;
            for (std::size_t i = 0; i < counter.Distinct(); ++i) {
                if (counter.Count(i) < 10 && ++rare % 499 != 0) continue;
                std::vector<std::string> words;
                std::string joined;
                for (int k = 0; k < n; ++k) {
                    words.emplace_back(run.Store().WordRecord(counter.Records(i)[k]).Text());
                    joined += (k ? " " : "") + words.back();
                }
                OccurrenceSearch search(run, ContextQuery::Phrase(words));
                search.RunToEnd();
                ASSERT_EQ(search.Found().size(), static_cast<std::size_t>(counter.Count(i))) << joined;
                std::uint32_t inputs = 0, last = UINT32_MAX;
                for (const Occurrence& o : search.Found()) {
                    ASSERT_EQ(WordsAt(run, o), joined) << "at " << o.offset;
                    if (o.input != last) ++inputs;
                    last = o.input;
                }
                EXPECT_EQ(inputs, static_cast<std::uint32_t>(counter.Range(i))) << joined;
                found += static_cast<std::int64_t>(search.Found().size());
                counted += counter.Count(i);
                ++checked;
            }
            EXPECT_GT(checked, 60u);
            EXPECT_EQ(found, counted);
        }
    }
}

struct Place {
    std::uint32_t input;
    std::string text;  // the bytes found
    std::uint64_t offset;
    bool operator==(const Place&) const = default;
};

std::vector<Place> Search(const AnalysisRun& run, ContextQuery query) {
    OccurrenceSearch search(run, std::move(query));
    while (search.Step(7)) {  // tiny slices: the state goes on from one to the next
    }
    std::vector<Place> out;
    for (const Occurrence& o : search.Found()) {
        std::ifstream f(run.Inputs()[o.input].path, std::ios::binary);
        std::string bytes(o.length, '\0');
        f.seekg(static_cast<std::streamoff>(o.offset));
        f.read(bytes.data(), o.length);
        out.push_back({o.input, bytes, o.offset});
    }
    return out;
}

TEST(PhraseContext, HandMadePhrasesAndWordsNearAnother) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "the the the of\r\nThe dog's bone. of the");
    const std::string b = dir.write("b.txt", "the end, the dog of the the");
    AnalysisRun run(dir.file("Vornix.$$$"));
    run.GeneralInitialize(CharacterSet::Windows, nullptr, EncodingChoice::Auto);
    run.ReadDocuments({a, b}, false);
    run.GeneralClosedown();
    const CharMapTable& map = run.CharMap();
    ASSERT_EQ(StoredFormsOf(" of  The, ", map), (std::vector<std::string>{"OF", "THE"}));
    ASSERT_TRUE(StoredFormsOf(" ,. ", map).empty());

    struct Case {
        const char* what;
        ContextQuery query;
        std::vector<Place> places;
    };
    const std::vector<Case> cases = {
        // Overlapping occurrences each count; a line break inside a phrase is kept as written;
        // "of" ending a.txt and "the" opening b.txt are no phrase.
        {"THE THE", ContextQuery::Phrase({"THE", "THE"}), {{0, "the the", 0}, {0, "the the", 4}, {1, "the the", 20}}},
        {"OF THE", ContextQuery::Phrase({"OF", "THE"}), {{0, "of\r\nThe", 12}, {0, "of the", 32}, {1, "of the", 17}}},
        {"THE DOG'S BONE", ContextQuery::Phrase({"THE", "DOG'S", "BONE"}), {{0, "The dog's bone", 16}}},
        {"a phrase longer than a document",
         ContextQuery::Phrase({"THE", "END", "THE", "DOG", "OF", "THE", "THE", "X"}),
         {}},
        // THE with THE just after it: the last THE of a.txt has none, as its span ends
        // with the document.
        {"THE, THE 0L 1R", ContextQuery::Near("THE", "THE", 0, 1), {{0, "the", 0}, {0, "the", 4}, {1, "the", 20}}},
        {"THE, OF 1L 0R", ContextQuery::Near("THE", "OF", 1, 0), {{0, "The", 16}, {0, "the", 35}, {1, "the", 20}}},
        // THE near THE: each occurrence with another within two words on either side.
        {"THE, THE 2L 2R",
         ContextQuery::Near("THE", "THE", 2, 2),
         {{0, "the", 0},
          {0, "the", 4},
          {0, "the", 8},
          {0, "The", 16},
          {1, "the", 0},
          {1, "the", 9},
          {1, "the", 20},
          {1, "the", 24}}},
        {"DOG, END 3L 0R", ContextQuery::Near("DOG", "END", 3, 0), {{1, "dog", 13}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Search(run, c.query), c.places) << c.what;
}

}  // namespace
}  // namespace vornix
