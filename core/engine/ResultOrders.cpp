#include "core/engine/ResultOrders.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vornix {

void BuildOrders(WordStore& store, ResultOrders& orders) {
    const std::int32_t n = store.WordCount();
    // Made anew for the words of this run: a run after a large one gives its memory back.
    std::vector<std::int32_t>(static_cast<std::size_t>(n) + 2, 0).swap(orders.FreqIndex);
    std::vector<std::int32_t>(static_cast<std::size_t>(n) + 2, 0).swap(orders.LengthIndex);
    orders.Filled = n;
    if (n == 0) return;
    const auto& alpha = store.AlphaIndex();
    const auto& counts = store.Counts();
    const auto& lengths = store.Lengths();

    // Word length: buckets 40 down to 0, each filled in alphabetical order.
    std::array<std::int32_t, 42> start{};
    for (std::int32_t p = 1; p <= n; ++p) ++start[WordStore::MaxWordLength - lengths[alpha[p]] + 1];
    for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    for (std::int32_t p = 1; p <= n; ++p) {
        std::int32_t rec = alpha[p];
        orders.LengthIndex[1 + start[WordStore::MaxWordLength - lengths[rec]]++] = rec;
    }

    // Frequency: stable, so equal counts stay alphabetical. Where the counts are small
    // beside the number of words (a large vocabulary, mostly rare words) a counting sort
    // gives the same order in two passes; otherwise a stable sort.
    std::int32_t most = 0;
    for (std::int32_t p = 1; p <= n; ++p) most = std::max(most, counts[alpha[p]]);
    if (most < n && most < (std::int32_t{1} << 22)) {
        std::vector<std::int32_t> at(static_cast<std::size_t>(most) + 2, 0);
        for (std::int32_t p = 1; p <= n; ++p) ++at[most - counts[alpha[p]] + 1];
        for (std::size_t i = 1; i < at.size(); ++i) at[i] += at[i - 1];
        for (std::int32_t p = 1; p <= n; ++p) {
            const std::int32_t rec = alpha[p];
            orders.FreqIndex[1 + at[most - counts[rec]]++] = rec;
        }
        return;
    }
    std::copy(alpha.begin() + 1, alpha.begin() + 1 + n, orders.FreqIndex.begin() + 1);
    std::stable_sort(orders.FreqIndex.begin() + 1, orders.FreqIndex.begin() + 1 + n,
                     [&](std::int32_t a, std::int32_t b) { return counts[a] > counts[b]; });
}

}  // namespace vornix
