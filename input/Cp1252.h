#pragma once
// Windows-1252 text as the clipboard exchanges it: reading turns Unicode into 8-bit
// bytes (a character without a 1252 form becomes "?") and cuts the text at its first
// zero; writing reads the bytes back as 1252.
#include <string>
#include <string_view>

namespace vornix {

std::string Cp1252FromUtf16(std::u16string_view text);
std::u16string Utf16FromCp1252(std::string_view bytes);

}  // namespace vornix
