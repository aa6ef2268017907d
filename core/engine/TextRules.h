#pragma once
// Small text rules that several places share, so each is written once: the whole
// numbers that settings, searches and thresholds accept, and the A-Z / a-z case
// forms (only ASCII letters change case; every other byte or character stays).
#include <cstdint>
#include <optional>
#include <string_view>

namespace vornix {

// A whole number as the settings file writes them: leading spaces, an optional sign,
// then decimal digits or "$" and hexadecimal digits (either case), up to the end of
// the text, with a value in the signed 32-bit range ("$10" is 16, "-$10" is -16).
// Nothing otherwise.
std::optional<std::int32_t> ParseInt32(std::string_view text);
std::optional<std::int32_t> ParseInt32(std::u16string_view text);

template <class Char>
constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <class Char>
constexpr Char AsciiUpper(Char c) {
    return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - ('a' - 'A')) : c;
}

// A-Z to a-z (lowerCase) or a-z to A-Z, in place, over any string of characters.
template <class Text>
void AsciiCaseForm(Text& text, bool lowerCase) {
    for (auto& c : text) c = lowerCase ? AsciiLower(c) : AsciiUpper(c);
}

}  // namespace vornix
