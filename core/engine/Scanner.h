#pragma once
// Cuts a text into words by the character table. The scanner keeps its state between
// calls to Feed, so a text may arrive in pieces (a file read in blocks) and still be cut
// exactly as if it were read whole.
//
// Rules: a separator ends a word; a comma is dropped after a digit and otherwise ends
// the word; a full stop never starts a word, stays inside it when single, and two in a
// row end it; the ligature is written as "AE"; only the first 40 characters of a word
// are kept; apostrophes, commas and full stops are trimmed from both ends.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/engine/CharTable.h"

namespace vornix {

// Removes the possessive ending: when the part from the first apostrophe to the end is
// exactly "'S" and the word is not IT'S, those two characters go. Returns the new length.
std::size_t StripPossessive(const char* word, std::size_t length);

// TrackPositions also tells where each word lies in the text fed since Start:
// onWord(word, begin, end) gets the offsets of its first kept character and just past
// its last one that is not trimmed (an over-long word's dropped tail included). The
// counting scanner (Scanner) compiles without any of it.
template <bool TrackPositions>
class BasicScanner {
public:
    explicit BasicScanner(const CharMapTable& map) : map_(map) {}

    // Resets the state for a new text.
    void Start() {
        len_ = 0;
        current_ = kSeparator;
        fed_ = 0;
    }

    // Where the word in progress began (or the end of the text fed when there is none):
    // no later word can begin before it.
    std::uint64_t PendingStart() const { return len_ > 0 ? pos_[0] : fed_; }

    // Scans bytes; calls onWord(std::string_view) for each trimmed, non-empty word.
    // onWord returns false to stop the scan at once; Feed then returns false too.
    template <class OnWord>
    bool Feed(const unsigned char* p, std::size_t n, OnWord&& onWord);

    // The text has ended: a word in progress is trimmed and handed on.
    template <class OnWord>
    bool Finish(OnWord&& onWord) {
        if (len_ == 0) return true;
        return Emit(onWord);
    }

private:
    template <class OnWord>
    bool Emit(OnWord& onWord) {
        assert(len_ <= 40);  // only the first 40 characters are kept
        std::size_t b = 0, e = len_;
        len_ = 0;
        while (b < e && IsEdgeChar(static_cast<std::uint8_t>(word_[b]))) ++b;
        while (e > b && IsEdgeChar(static_cast<std::uint8_t>(word_[e - 1]))) --e;
        if (e == b) return true;
        if constexpr (TrackPositions)
            return onWord(std::string_view(word_ + b, e - b), pos_[b], tail_);
        else
            return onWord(std::string_view(word_ + b, e - b));
    }

    static constexpr std::size_t kMax = 40;
    void Put(char c, [[maybe_unused]] std::uint64_t at) {
        if constexpr (TrackPositions) {
            if (!IsEdgeChar(static_cast<std::uint8_t>(c))) tail_ = at + 1;
            if (len_ < kMax) pos_[len_] = at;
        }
        if (len_ < kMax) word_[len_++] = c;
    }

    const CharMapTable& map_;
    char word_[48];
    std::size_t len_ = 0;
    std::uint8_t current_ = kSeparator;
    // Positions: only with TrackPositions.
    std::uint64_t fed_ = 0;
    std::uint64_t tail_ = 0;
    std::uint64_t pos_[TrackPositions ? 48 : 1];
};

using Scanner = BasicScanner<false>;
using PositionScanner = BasicScanner<true>;

template <bool TrackPositions>
template <class OnWord>
bool BasicScanner<TrackPositions>::Feed(const unsigned char* p, std::size_t n, OnWord&& onWord) {
    std::uint8_t current = current_;
    [[maybe_unused]] const std::uint64_t base = fed_;
    if constexpr (TrackPositions) fed_ += n;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t previous = current;
        current = map_[p[i]];
        switch (current) {
            case kSeparator:
                if (len_ == 0) break;
                current_ = current;
                if (!Emit(onWord)) return false;
                break;
            case kComma:
                if (len_ == 0 || IsDigitChar(previous)) break;  // 1,000 reads as 1000
                current_ = current;
                if (!Emit(onWord)) return false;
                break;
            case kFullStop:
                if (len_ == 0) break;
                if (previous == kFullStop) {
                    current_ = current;
                    if (!Emit(onWord)) return false;
                    break;
                }
                Put('.', base + i);
                break;
            case kLigature:
                Put('A', base + i);
                Put('E', base + i);
                break;
            default:
                Put(static_cast<char>(current), base + i);
        }
    }
    current_ = current;
    return true;
}

}  // namespace vornix
