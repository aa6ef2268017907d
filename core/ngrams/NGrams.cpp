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
    distinct_ = 0;
    total_ = 0;
    filled_ = 0;
    stamp_ = 0;
    bits_ = 10;
    slots_.assign(std::size_t{1} << bits_, 0);
}

void NGramCounter::BeginDocument() {
    filled_ = 0;
    // Stamps are told apart only by equality; when the numbers run out they are all
    // cleared, once per 65,535 documents.
    if (++stamp_ == 0) {
        for (std::size_t b = 0; b < stamps_.size(); ++b) std::fill_n(stamps_[b].get(), kBlock, std::uint16_t{0});
        stamp_ = 1;
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

void NGramCounter::Grow() {
    ++bits_;
    slots_.assign(std::size_t{1} << bits_, 0);
    for (std::size_t i = 0; i < distinct_; ++i) Place(Hash(Records(i)), static_cast<std::uint32_t>(i));
}

void NGramCounter::Count(const std::int32_t* window) {
    ++total_;
    const std::uint64_t hash = Hash(window);
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
        if (std::memcmp(e, window, bytes) != 0) continue;
        ++e[order_];
        std::uint16_t& stamp = Stamp(index);
        if (stamp != stamp_) {
            stamp = stamp_;
            ++e[order_ + 1];
        }
        return;
    }
    // A new n-gram.
    const std::size_t index = distinct_;
    if ((index >> kBlockBits) == blocks_.size()) {
        blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlock * std::size_t(order_ + 2)));
        stamps_.push_back(std::make_unique<std::uint16_t[]>(kBlock));
    }
    std::uint32_t* e = Entry(index);
    std::memcpy(e, window, bytes);
    e[order_] = 1;
    e[order_ + 1] = 1;
    Stamp(index) = stamp_;
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
    if (!word.empty() && word.size() <= static_cast<std::size_t>(WordStore::MaxWordLength)) {
        char padded[WordStore::MaxWordLength] = {};
        std::memcpy(padded, word.data(), word.size());
        rec = store_.FindPadded(padded, word.size(), HashPadded(padded, word.size()));
    }
    if (rec < 0)
        counter_.Interrupt();
    else
        counter_.Word(rec);
}

std::size_t NGramCounter::MemoryBytes() const {
    return blocks_.size() * kBlock * (sizeof(std::uint32_t) * std::size_t(order_ + 2) + sizeof(std::uint16_t)) +
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

NGramTable::NGramTable(const NGramCounter& counter, const WordStore& store, const DisplayOptions& display,
                       NGramOrder order)
    : counter_(counter) {
    const std::int32_t words = store.WordCount();
    words_.resize(static_cast<std::size_t>(words));
    std::vector<std::uint8_t> hidden(words_.size());
    for (std::int32_t r = 0; r < words; ++r) {
        const WordRec rec = store.WordRecord(r);
        words_[r] = DisplayWord(rec, display.LowerCase);
        hidden[r] = (rec.Common == 1 && !display.ShowCommonWords) || (rec.Number == 1 && !display.ShowNumbers);
    }
    // Each record's place in the byte order of its display form: the joined texts then
    // compare as their rank sequences, because the space that joins them sorts before
    // every byte a word can hold.
    std::vector<std::int32_t> byText(words_.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](std::int32_t a, std::int32_t b) { return words_[a] < words_[b]; });
    std::vector<std::int32_t> rank(words_.size());
    for (std::size_t i = 0; i < byText.size(); ++i)
        rank[byText[i]] =
            i > 0 && words_[byText[i]] == words_[byText[i - 1]] ? rank[byText[i - 1]] : static_cast<std::int32_t>(i);

    const int n = counter.Order();
    for (std::size_t i = 0; i < counter.Distinct(); ++i) {
        if (counter.Count(i) < display.ActiveThreshold) continue;
        const std::int32_t* recs = counter.Records(i);
        bool shown = false;
        for (int k = 0; k < n && !shown; ++k) shown = !hidden[recs[k]];
        if (shown) rows_.push_back(static_cast<std::uint32_t>(i));
    }
    auto alphabetical = [&](std::uint32_t a, std::uint32_t b) {
        const std::int32_t *x = counter.Records(a), *y = counter.Records(b);
        for (int k = 0; k < n; ++k)
            if (rank[x[k]] != rank[y[k]]) return rank[x[k]] < rank[y[k]];
        return a < b;
    };
    auto length = [&](std::uint32_t a) {
        std::size_t sum = 0;
        for (int k = 0; k < n; ++k) sum += words_[counter.Records(a)[k]].size();
        return sum;
    };
    switch (order) {
        case NGramOrder::Frequency:
            std::sort(rows_.begin(), rows_.end(), [&](std::uint32_t a, std::uint32_t b) {
                if (counter.Count(a) != counter.Count(b)) return counter.Count(a) > counter.Count(b);
                return alphabetical(a, b);
            });
            break;
        case NGramOrder::Alphabetical:
            std::sort(rows_.begin(), rows_.end(), alphabetical);
            break;
        case NGramOrder::Length: {
            std::vector<std::uint32_t> lengths(counter.Distinct());
            for (std::uint32_t r : rows_) lengths[r] = static_cast<std::uint32_t>(length(r));
            std::sort(rows_.begin(), rows_.end(), [&](std::uint32_t a, std::uint32_t b) {
                if (lengths[a] != lengths[b]) return lengths[a] > lengths[b];
                return alphabetical(a, b);
            });
            break;
        }
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
    return column == 0 ? Utf8FromWindows1252(Shown(row)) : std::string();
}

double NGramTable::Number(std::size_t row, std::size_t column) const {
    if (column == 1) return counter_.Count(rows_[row]);
    if (column == 2) return counter_.Range(rows_[row]);
    return 0;
}

}  // namespace vornix
