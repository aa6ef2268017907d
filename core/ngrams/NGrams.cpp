#include "core/ngrams/NGrams.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "core/output/TableFormats.h"

namespace vornix {

NGramCounter::NGramCounter(int n) : order_(std::clamp(n, MinOrder, MaxOrder)) {
    BeginRun();
}

NGramCounter::~NGramCounter() = default;

void NGramCounter::BeginRun() {
    blocks_.clear();
    stamps_.clear();
    ranges_.clear();
    documents_ = 0;
    distinct_ = 0;
    total_ = 0;
    filled_ = 0;
    stamp_ = 0;
    bits_ = 10;
    slots_.assign(std::size_t{1} << bits_, 0);
}

void NGramCounter::AddRangeBlock() {
    ranges_.push_back(std::make_unique<std::uint32_t[]>(kBlock));
    stamps_.push_back(std::make_unique<std::uint16_t[]>(kBlock));
}

void NGramCounter::BeginDocument() {
    filled_ = 0;
    // Stamps are told apart only by equality; when the numbers run out they are all
    // cleared, once per 65,535 documents.
    if (++stamp_ == 0) {
        for (std::size_t b = 0; b < stamps_.size(); ++b) std::fill_n(stamps_[b].get(), kBlock, std::uint16_t{0});
        stamp_ = 1;
    }
    if (++documents_ == 2) {
        // Every n-gram so far is in the first document: range 1, a stamp unlike this
        // document's.
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            AddRangeBlock();
            std::fill_n(ranges_[b].get(), kBlock, 1u);
            std::fill_n(stamps_[b].get(), kBlock, static_cast<std::uint16_t>(stamp_ - 1));
        }
    }
}

void NGramCounter::Word(std::int32_t record) {
    if (filled_ < order_) {
        window_[filled_++] = record;
        if (filled_ < order_) return;
    } else {
        std::memmove(window_, window_ + 1, sizeof(std::int32_t) * std::size_t(order_ - 1));
        window_[order_ - 1] = record;
    }
    Count(window_);
}

std::uint64_t NGramCounter::Hash(const std::int32_t* records) const {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int k = 0; k < order_; ++k) h = (h ^ static_cast<std::uint32_t>(records[k])) * 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

void NGramCounter::Place(std::uint64_t hash, std::uint32_t index) {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32) >> bits_ << bits_;
    std::size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = tag | (index + 1);
}

void NGramCounter::ReleaseLookup() {
    std::vector<std::uint32_t>().swap(slots_);
}

void NGramCounter::Grow() {
    ++bits_;
    Rehash();
}

void NGramCounter::Rehash() {
    std::vector<std::uint32_t>().swap(slots_);
    slots_.assign(std::size_t{1} << bits_, 0);
    for (std::size_t i = 0; i < distinct_; ++i) Place(Hash(Records(i)), static_cast<std::uint32_t>(i));
}

void NGramCounter::Words(const std::int32_t* records, std::size_t n) {
    if (slots_.empty()) Rehash();
    const std::size_t order = static_cast<std::size_t>(order_);
    // Windows that reach back into the words before these go one by one.
    const std::size_t first = std::min(n, order - 1);
    for (std::size_t i = 0; i < first; ++i) Word(records[i]);
    if (first == n) return;
    // From here on the window ending at word i is records[i + 1 - order .. i].
    constexpr std::size_t kAhead = 16;
    std::uint64_t ahead[kAhead];
    for (std::size_t i = first; i < n && i < first + kAhead; ++i) ahead[i % kAhead] = Hash(records + i + 1 - order);
    // Half way there, the slot (in the cache by then) names the entry to fetch.
    const std::uint32_t low = ~std::uint32_t{0} >> (32 - bits_);
    for (std::size_t i = first; i < n; ++i) {
        const std::uint64_t hash = ahead[i % kAhead];
        if (const std::size_t j = i + kAhead; j < n) {
            const std::uint64_t later = Hash(records + j + 1 - order);
            ahead[j % kAhead] = later;
            __builtin_prefetch(slots_.data() + (later & (slots_.size() - 1)));
        }
        if (const std::size_t j = i + kAhead / 2; j < n) {
            const std::uint32_t slot = slots_[ahead[j % kAhead] & (slots_.size() - 1)];
            const std::size_t index = (slot & low) - 1;
            if (slot != 0 && index < distinct_) __builtin_prefetch(Entry(index));
        }
        Count(records + i + 1 - order, hash);
    }
    std::memcpy(window_, records + n - order, sizeof(std::int32_t) * order);
    filled_ = order_;
}

void NGramCounter::Count(const std::int32_t* window, std::uint64_t hash) {
    if (slots_.empty()) Rehash();
    ++total_;
    if (documents_ == 0) documents_ = 1;
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t low = (std::uint32_t{1} << bits_) - 1;
    const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32) & ~low;
    const std::size_t bytes = sizeof(std::int32_t) * std::size_t(order_);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = slots_[at];
        if (slot == 0) break;
        if ((slot & ~low) != tag) continue;
        const std::size_t index = (slot & low) - 1;
        std::uint32_t* e = Entry(index);
        int k = 0;
        while (k < order_ && e[k] == static_cast<std::uint32_t>(window[k])) ++k;
        if (k < order_) continue;
        ++e[order_];
        if (ranges_.empty()) return;
        std::uint16_t& stamp = Stamp(index);
        if (stamp != stamp_) {
            stamp = stamp_;
            ++RangeOf(index);
        }
        return;
    }
    // A new n-gram.
    const std::size_t index = distinct_;
    if ((index >> kBlockBits) == blocks_.size()) {
        blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlock * std::size_t(order_ + 1)));
        if (documents_ >= 2) AddRangeBlock();
    }
    std::uint32_t* e = Entry(index);
    std::memcpy(e, window, bytes);
    e[order_] = 1;
    if (!ranges_.empty()) {
        RangeOf(index) = 1;
        Stamp(index) = stamp_;
    }
    ++distinct_;
    // Seven eighths full at most; the slots keep room for the index (bits_ < 32).
    if (distinct_ * 8 > slots_.size() * 7)
        Grow();
    else
        Place(hash, static_cast<std::uint32_t>(index));
}

NGramSearch::NGramSearch(const AnalysisRun& run, int n)
    : store_(run.Store()),
      counter_(n),
      search_(run, [this](std::uint32_t input, std::string_view word) { Take(input, word); }) {}

void NGramSearch::Take(std::uint32_t input, std::string_view word) {
    if (input != input_) {
        input_ = input;
        counter_.BeginDocument();
    }
    std::int32_t rec = -1;
    if (!word.empty() && word.size() <= static_cast<std::size_t>(WordStore::MaxWordBytes)) {
        char padded[WordStore::MaxWordBytes] = {};
        std::memcpy(padded, word.data(), word.size());
        rec = store_.FindPadded(padded, word.size(), HashPadded(padded, word.size()));
    }
    if (rec < 0)
        counter_.Interrupt();
    else
        counter_.Word(rec);
}

std::size_t NGramCounter::MemoryBytes() const {
    return blocks_.size() * kBlock * sizeof(std::uint32_t) * std::size_t(order_ + 1) +
           ranges_.size() * kBlock * (sizeof(std::uint32_t) + sizeof(std::uint16_t)) +
           slots_.size() * sizeof(std::uint32_t);
}

NGramOrder NGramOrderOf(ResultOrder order) {
    switch (order) {
        case ResultOrder::Alphabetical:
            return NGramOrder::Alphabetical;
        case ResultOrder::WordLength:
            return NGramOrder::Length;
        case ResultOrder::Frequency:
            break;
    }
    return NGramOrder::Frequency;
}

namespace {

// Stable counting sort of `from` into `to` by key(row), a number below buckets, rows
// with smaller keys first. Each row's entry is fetched some rows ahead, as the rows of
// a sorted order lie anywhere in the counter's blocks. count(b) gives the rows of key b.
template <class Prefetch, class Key>
void ScatterByKey(const std::vector<std::uint32_t>& from, std::vector<std::uint32_t>& to,
                  std::vector<std::uint32_t>& starts, Prefetch&& prefetch, Key&& key) {
    std::uint32_t at = 0;
    for (std::uint32_t& s : starts) {
        const std::uint32_t rows = s;
        s = at;
        at += rows;
    }
    constexpr std::size_t kAhead = 16;
    const std::size_t n = from.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) prefetch(from[i + kAhead]);
        const std::uint32_t row = from[i];
        to[starts[key(row)]++] = row;
    }
}

}  // namespace

NGramTable::NGramTable(const NGramCounter& counter, const WordStore& store, const DisplayOptions& display,
                       NGramOrder order)
    : counter_(counter) {
    const std::int32_t words = store.WordCount();
    words_.resize(static_cast<std::size_t>(words));
    utf8_.resize(words_.size());
    std::vector<std::uint8_t> hidden(words_.size());
    for (std::int32_t r = 0; r < words; ++r) {
        const WordRec rec = store.WordRecord(r);
        words_[r] = DisplayWord(rec, display.LowerCase);
        utf8_[r] = StoredWordUtf8(words_[r]);
        hidden[r] = (rec.Common == 1 && !display.ShowCommonWords) || (rec.Number == 1 && !display.ShowNumbers);
    }
    // Each record's place in the byte order of its display form: the joined texts then
    // compare as their rank sequences, because the space that joins them sorts before
    // every byte a word can hold.
    std::vector<std::int32_t> byText(words_.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](std::int32_t a, std::int32_t b) { return words_[a] < words_[b]; });
    std::vector<std::uint32_t> rank(words_.size());
    for (std::size_t i = 0; i < byText.size(); ++i)
        rank[byText[i]] =
            i > 0 && words_[byText[i]] == words_[byText[i - 1]] ? rank[byText[i - 1]] : static_cast<std::uint32_t>(i);
    std::vector<std::int32_t>().swap(byText);

    // The orders are stable counting sorts, one per word from the last to the first and
    // then one or two on the count or the length: two arrays of 4 bytes a row, where
    // sorting keys beside the rows would hold several times that. Rows with the same
    // words keep the counter's order, as the first pass reads them in that order.
    const int n = counter.Order();
    const std::size_t distinct = counter.Distinct();
    std::vector<std::uint64_t> shownBits((distinct + 63) / 64);
    std::size_t shown = 0;
    std::uint32_t maxCount = 0;
    for (std::size_t i = 0; i < distinct; ++i) {
        if (counter.Count(i) < display.ActiveThreshold) continue;
        const std::int32_t* recs = counter.Records(i);
        bool visible = false;
        for (int k = 0; k < n && !visible; ++k) visible = !hidden[recs[k]];
        if (!visible) continue;
        shownBits[i / 64] |= std::uint64_t{1} << (i % 64);
        ++shown;
        maxCount = std::max(maxCount, static_cast<std::uint32_t>(counter.Count(i)));
    }
    auto eachShown = [&](auto&& f) {
        for (std::size_t w = 0; w < shownBits.size(); ++w)
            for (std::uint64_t bits = shownBits[w]; bits != 0; bits &= bits - 1)
                f(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits))));
    };
    auto prefetch = [&](std::uint32_t row) { __builtin_prefetch(counter.Records(row)); };
    rows_.resize(shown);
    std::vector<std::uint32_t> other(shown), starts;
    // One pass: rows of key(row) (below buckets), counted over the shown rows in the
    // counter's order, then moved from rows_ by that key.
    bool first = true;
    auto pass = [&](std::size_t buckets, auto&& key) {
        starts.assign(buckets, 0);
        eachShown([&](std::uint32_t row) { ++starts[key(row)]; });
        if (first) {
            // The first pass takes the rows in the counter's order, which it reads in turn.
            first = false;
            std::uint32_t at = 0;
            for (std::uint32_t& s : starts) {
                const std::uint32_t rows = s;
                s = at;
                at += rows;
            }
            eachShown([&](std::uint32_t row) { rows_[starts[key(row)]++] = row; });
            return;
        }
        ScatterByKey(rows_, other, starts, prefetch, key);
        rows_.swap(other);
    };
    const std::size_t ranks = std::max<std::size_t>(words_.size(), 1);
    for (int k = n - 1; k >= 0; --k) pass(ranks, [&](std::uint32_t row) { return rank[counter.Records(row)[k]]; });
    if (order == NGramOrder::Frequency) {
        // Count descending: the low 16 bits, then the high ones when any count needs them.
        const std::uint32_t top = maxCount;
        if (top < 0x10000) {
            pass(std::size_t{top} + 1,
                 [&](std::uint32_t row) { return top - static_cast<std::uint32_t>(counter.Count(row)); });
        } else {
            pass(0x10000, [&](std::uint32_t row) {
                return 0xFFFFu - (static_cast<std::uint32_t>(counter.Count(row)) & 0xFFFFu);
            });
            const std::uint32_t high = top >> 16;
            pass(std::size_t{high} + 1,
                 [&](std::uint32_t row) { return high - (static_cast<std::uint32_t>(counter.Count(row)) >> 16); });
        }
    } else if (order == NGramOrder::Length) {
        std::vector<std::uint32_t> length(words_.size());
        std::uint32_t longestWord = 0;
        for (std::size_t r = 0; r < words_.size(); ++r) {
            length[r] = static_cast<std::uint32_t>(words_[r].size());
            longestWord = std::max(longestWord, length[r]);
        }
        const std::uint32_t longest = static_cast<std::uint32_t>(n) * longestWord;
        auto size = [&](std::uint32_t row) {
            const std::int32_t* recs = counter.Records(row);
            std::uint32_t total = 0;
            for (int k = 0; k < n; ++k) total += length[recs[k]];
            return longest - total;
        };
        pass(std::size_t{longest} + 1, size);
    }
}

const std::vector<TableColumn>& NGramTable::Columns() const {
    static const std::vector<TableColumn> columns = {
        {"ngram", "N-gram", ColumnKind::Text, 0, true},
        {"count", "Count", ColumnKind::Integer, 0, true},
        {"range", "Range", ColumnKind::Integer, 0, false},
    };
    return columns;
}

std::string NGramTable::Shown(std::size_t row) const {
    const std::int32_t* recs = counter_.Records(rows_[row]);
    std::string text = words_[recs[0]];
    for (int k = 1; k < counter_.Order(); ++k) {
        text += ' ';
        text += words_[recs[k]];
    }
    return text;
}

std::string NGramTable::Text(std::size_t row, std::size_t column) const {
    if (column != 0) return {};
    // Rows are written in turn: the entry of a row some way on is fetched now.
    if (row + 16 < rows_.size()) __builtin_prefetch(counter_.Records(rows_[row + 16]));
    // The words' UTF-8 forms joined: the joined text converted, without converting
    // each word again for every row it is in.
    const std::int32_t* recs = counter_.Records(rows_[row]);
    std::size_t size = static_cast<std::size_t>(counter_.Order() - 1);
    for (int k = 0; k < counter_.Order(); ++k) size += utf8_[recs[k]].size();
    std::string text;
    text.reserve(size);
    text += utf8_[recs[0]];
    for (int k = 1; k < counter_.Order(); ++k) {
        text += ' ';
        text += utf8_[recs[k]];
    }
    return text;
}

double NGramTable::Number(std::size_t row, std::size_t column) const {
    if (column == 1) return counter_.Count(rows_[row]);
    if (column == 2) return counter_.Range(rows_[row]);
    return 0;
}

}  // namespace vornix
