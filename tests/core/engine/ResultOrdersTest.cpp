#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/ResultOrders.h"

using namespace vornix;

namespace {

struct OrdersFixture : ::testing::Test {
    vornix::test::TempDir dir;
    RunState state;
    WordStore store{dir.file("Vornix.$$$"), state};
    ResultOrders orders;
    void SetUp() override { store.ClearStore(); }

    void Add(const std::string& word, int times) {
        for (int i = 0; i < times; ++i) store.AddWord(word);
    }
    std::vector<std::string> Walk(const std::vector<std::int32_t>& index) {
        std::vector<std::string> out;
        for (std::int32_t p = 1; p <= store.WordCount(); ++p) out.emplace_back(store.ReadWordRecord(index[p]).Text());
        return out;
    }
};

using Words = std::vector<std::string>;

}  // namespace

TEST_F(OrdersFixture, EmptyStoreGivesZeros) {
    BuildOrders(store, orders);
    EXPECT_EQ(orders.FreqIndex[0], 0);
    EXPECT_EQ(orders.FreqIndex[1], 0);
    EXPECT_EQ(orders.LengthIndex[1], 0);
}

TEST_F(OrdersFixture, FrequencyDescendingTiesAlphabetical) {
    Add("ZOO", 3);
    Add("A", 1);
    Add("THE", 5);
    Add("CAT", 3);
    Add("AND", 3);
    BuildOrders(store, orders);
    EXPECT_EQ(Walk(orders.FreqIndex), (Words{"THE", "AND", "CAT", "ZOO", "A"}));
}

TEST_F(OrdersFixture, LengthDescendingTiesAlphabetical) {
    for (const char* w : {"ELEPHANT", "CAT", "AARDVARK", "A", "DOG"}) Add(w, 1);
    BuildOrders(store, orders);
    EXPECT_EQ(Walk(orders.LengthIndex), (Words{"AARDVARK", "ELEPHANT", "CAT", "DOG", "A"}));
}

TEST_F(OrdersFixture, UnmetCommonWordsComeLast) {
    state.Increment = 0;
    state.ReadingCommon = true;
    Add("OF", 1);
    Add("AN", 1);
    state.Increment = 1;
    state.ReadingCommon = false;
    Add("ZULU", 1);
    Add("BRAVO", 2);
    BuildOrders(store, orders);
    EXPECT_EQ(Walk(orders.FreqIndex), (Words{"BRAVO", "ZULU", "AN", "OF"}));
    // Positions above WordCount stay zero.
    EXPECT_EQ(orders.FreqIndex[5], 0);
    EXPECT_EQ(orders.LengthIndex[5], 0);
}

TEST_F(OrdersFixture, AllEqualCountsGiveTheAlphabeticalOrder) {
    for (const char* w : {"M", "B", "Y", "A"}) Add(w, 2);
    BuildOrders(store, orders);
    EXPECT_EQ(Walk(orders.FreqIndex), Walk(store.AlphaIndex()));
}

TEST_F(OrdersFixture, MatchesAStableSortOnManyWords) {
    // Pseudo-random counts and lengths; the reference is a plain stable sort. Counts
    // small beside the number of words, and counts far above it, take different ways.
    for (const int spread : {7, 5000000}) {
        SCOPED_TRACE(spread);
        store.ClearStore();
        unsigned seed = 12345;
        for (int i = 0; i < 3000; ++i) {
            seed = seed * 1103515245u + 12345u;
            std::string w(1 + (seed >> 16) % 12, 'A');
            for (std::size_t k = 0; k < w.size(); ++k) w[k] = static_cast<char>('A' + (seed >> (k % 16)) % 26);
            Add(w, 1);
            const int extra = static_cast<int>((seed >> 8) % spread);
            if (extra > 0) store.CountTimes(store.LastRecord(), extra);
        }
        BuildOrders(store, orders);
        std::vector<std::int32_t> alpha(store.AlphaIndex().begin() + 1,
                                        store.AlphaIndex().begin() + 1 + store.WordCount());
        auto byCount = alpha, byLength = alpha;
        std::stable_sort(byCount.begin(), byCount.end(), [&](int a, int b) { return store.Count(a) > store.Count(b); });
        std::stable_sort(byLength.begin(), byLength.end(),
                         [&](int a, int b) { return store.Length(a) > store.Length(b); });
        EXPECT_TRUE(std::equal(byCount.begin(), byCount.end(), orders.FreqIndex.begin() + 1));
        EXPECT_TRUE(std::equal(byLength.begin(), byLength.end(), orders.LengthIndex.begin() + 1));
    }
}
