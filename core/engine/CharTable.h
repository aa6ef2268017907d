#pragma once
// The 256-entry byte map through which every analysed text is read. It decides what a
// word is: after mapping, a byte is 32 (separator), 44 (comma), 46 (full stop), 198
// (the AE ligature, written as two letters) or a word character (apostrophe, digit,
// capital letter, underscore).
#include <array>
#include <cstdint>

namespace vornix {

enum class CharacterSet { Windows = 0, Dos = 1 };

// The radio group index to set: 0 means Windows, any other value DOS.
CharacterSet CharacterSetFromIndex(int index);

using CharMapTable = std::array<std::uint8_t, 256>;

// Builds the table for one run; a run never changes it afterwards.
CharMapTable BuildCharMap(CharacterSet set);

constexpr std::uint8_t kSeparator = 32;
constexpr std::uint8_t kComma = 44;
constexpr std::uint8_t kFullStop = 46;
constexpr std::uint8_t kApostrophe = 39;
constexpr std::uint8_t kLigature = 198;

// Punctuation trimmed from both ends of a word.
constexpr bool IsEdgeChar(std::uint8_t c) {
    return c == 39 || c == 44 || c == 46;
}
// A word whose first character is a digit is a number.
constexpr bool IsDigitChar(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

}  // namespace vornix
