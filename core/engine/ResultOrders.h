#pragma once
// The frequency and word-length orders, built once at the end of every run. Both are
// descending; words with the same count or length keep their alphabetical order.
#include <cstdint>
#include <vector>

#include "core/engine/WordStore.h"

namespace vornix {

struct ResultOrders {
    // Positions 1..WordCount hold record numbers; position 0 and WordCount + 1 hold 0.
    // They are sized for the words stored, not for the limit.
    std::vector<std::int32_t> FreqIndex = std::vector<std::int32_t>(2, 0);
    std::vector<std::int32_t> LengthIndex = std::vector<std::int32_t>(2, 0);
    // The words of the last build.
    std::int32_t Filled = 0;
};

// Equivalent to a stable sort of the alphabetical sequence by descending value, done
// here as a counting sort for lengths (1..40) and a stable sort for counts, so the cost
// does not grow with the number of distinct counts.
void BuildOrders(WordStore& store, ResultOrders& orders);

}  // namespace vornix
