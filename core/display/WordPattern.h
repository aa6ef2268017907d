#pragma once
// The filter box's matching: which shown words a typed pattern keeps. Plain text matches
// anywhere in the word; '*' stands for any run of characters and '?' for one; a leading
// '^' ties the pattern to the word's start and a trailing '$' to its end. The pattern
// takes the case of the table (lower case when the table shows it so), so what the user
// types is compared with what the user sees.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/WordStore.h"

namespace vornix {

class WordPattern {
public:
    // pattern: in the table's 8-bit set, as typed.
    WordPattern(std::string_view pattern, bool lowerCase);

    // An empty pattern (or one of anchors only) keeps every word.
    bool KeepsAll() const { return keepsAll_; }
    bool Matches(std::string_view shownWord) const;

private:
    std::string text_;  // without the anchors, in the table's case
    bool start_ = false;
    bool end_ = false;
    bool plain_ = true;  // no wildcard: a substring test does
    bool keepsAll_ = false;
};

// The rows of `rows` (record numbers in the order shown) whose shown word matches,
// with each kept row's rank in the full order (1-based) in ranks.
std::vector<std::int32_t> FilterRows(const WordStore& store, const std::vector<std::int32_t>& rows,
                                     const WordPattern& pattern, bool lowerCase, std::vector<std::int32_t>& ranks);

}  // namespace vornix
