// The orders of the context lines: text order, or the n-th word to the left or right.
#include <unicode/uchar.h>

#include <algorithm>
#include <utility>

#include "core/context/ContextSource.h"
#include "core/context/ContextText.h"
#include "core/context/WordContext.h"
#include "core/engine/Utf8.h"

namespace vornix {

bool ParseContextSort(std::string_view text, ContextSort& sort) {
    if (text == "text") {
        sort = ContextSort{};
        return true;
    }
    if (text.size() < 2) return false;
    const char side = text.back();
    int n = 0;
    for (char c : text.substr(0, text.size() - 1)) {
        if (c < '0' || c > '9' || n > 100) return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1) return false;
    if (side == 'L' || side == 'l')
        sort = {ContextSort::Left, n};
    else if (side == 'R' || side == 'r')
        sort = {ContextSort::Right, n};
    else
        return false;
    return true;
}

void SortOccurrences(std::vector<Occurrence>& found, ContextSort sort, ContextReader& reader) {
    if (sort.side == ContextSort::Text) {
        std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
            return a.input != b.input ? a.input < b.input : a.offset < b.offset;
        });
        return;
    }
    const int width = 24 * sort.n + 40;
    std::vector<std::pair<std::string, std::uint32_t>> keys(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        auto& s = reader.SourceOf(found[i].input);
        const std::int64_t at = std::int64_t(found[i].offset);
        const std::int64_t end = at + found[i].length;
        std::vector<char32_t> chars = sort.side == ContextSort::Left
                                          ? s.Characters(std::max(s.in->skip, at - std::int64_t{4} * width), at, false)
                                          : s.Characters(end, end + std::int64_t{4} * width, true);
        // The words, nearest first.
        std::vector<std::pair<std::size_t, std::size_t>> words;
        std::size_t k = 0;
        while (k < chars.size()) {
            while (k < chars.size() && !IsWordChar(chars[k])) ++k;
            const std::size_t b = k;
            while (k < chars.size() && IsWordChar(chars[k])) ++k;
            if (k > b) words.emplace_back(b, k);
        }
        if (sort.side == ContextSort::Left) std::reverse(words.begin(), words.end());
        std::string key;
        if (words.size() >= std::size_t(sort.n)) {
            const auto [b, e] = words[std::size_t(sort.n) - 1];
            for (std::size_t j = b; j < e; ++j)
                AppendUtf8(key, static_cast<char32_t>(u_foldCase(static_cast<UChar32>(chars[j]), U_FOLD_CASE_DEFAULT)));
        }
        keys[i] = {std::move(key), static_cast<std::uint32_t>(i)};
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Occurrence> sorted;
    sorted.reserve(found.size());
    for (const auto& k : keys) sorted.push_back(found[k.second]);
    found.swap(sorted);
}

}  // namespace vornix
