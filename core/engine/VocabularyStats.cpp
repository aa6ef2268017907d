#include "core/engine/VocabularyStats.h"

#include <cassert>
#include <charconv>

namespace vornix {

VocabularyStats ComputeVocabularyStats(WordStore& store, const ChunkCounter& chunks) {
    VocabularyStats s;
    s.CompleteChunks = chunks.CompleteChunks();
    s.ChunkDistinctSum = chunks.DistinctSum();
    const std::int32_t n = store.WordCount();
    int longest = 0;
    for (std::int32_t r = 0; r < n; ++r) {
        const std::int32_t c = store.Count(r);
        if (c <= 0) continue;  // a common word the documents never used
        const int length = store.Length(r);
        ++s.UniqueWords;
        s.TotalWords += c;
        if (c == 1) ++s.OnceWords;
        if (c == 2) ++s.TwiceWords;
        s.LetterSum += static_cast<std::int64_t>(c) * length;
        if (length > longest) longest = length;
    }
    if (longest > 0) {
        const auto& alpha = store.AlphaIndex();
        for (std::int32_t p = 1; p <= n; ++p) {
            const std::int32_t r = alpha[p];
            if (store.Count(r) > 0 && store.Length(r) == longest) {
                s.LongestRecord = r;
                break;
            }
        }
    }
    return s;
}

std::string FixedRatio(std::int64_t num, std::int64_t den, int places) {
    assert(num >= 0 && den >= 0 && places >= 0 && places <= 6);
    if (den <= 0) return {};
    std::int64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    // Integer arithmetic: a binary fraction would round some exact halves down.
    const std::int64_t scaled =
        static_cast<std::int64_t>((static_cast<__int128>(num) * scale * 2 + den) / (static_cast<__int128>(den) * 2));
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, scaled / scale);
    (void)ec;
    std::string out(buf, end);
    if (places > 0) {
        std::string fraction = std::to_string(scaled % scale);
        out += '.';
        out.append(static_cast<std::size_t>(places) - fraction.size(), '0');
        out += fraction;
    }
    return out;
}

std::string PerMillionText(std::int64_t count, std::int64_t total) {
    return FixedRatio(count * 1000000, total, 1);
}

std::vector<std::pair<std::string, std::string>> VocabularyRows(WordStore& store, const VocabularyStats& s,
                                                                bool lowerCase) {
    std::string longest;
    if (s.LongestRecord >= 0) longest = DisplayWord(store.ReadWordRecord(s.LongestRecord), lowerCase);
    return {
        {"Type/token ratio", FixedRatio(s.UniqueWords, s.TotalWords, 4)},
        {"Standardised type/token ratio (per 1,000 words)",
         FixedRatio(s.ChunkDistinctSum, static_cast<std::int64_t>(s.CompleteChunks) * ChunkCounter::ChunkWords, 4)},
        {"Words occurring once", std::to_string(s.OnceWords)},
        {"Words occurring twice", std::to_string(s.TwiceWords)},
        {"Mean word length (characters)", FixedRatio(s.LetterSum, s.TotalWords, 2)},
        {"Longest word", longest},
    };
}

}  // namespace vornix
