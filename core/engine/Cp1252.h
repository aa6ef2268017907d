#pragma once
// Windows-1252 text as the clipboard exchanges it: reading turns Unicode into 8-bit
// bytes (a character without a 1252 form becomes "?") and cuts the text at its first
// zero; writing reads the bytes back as 1252.
#include <string>
#include <string_view>

namespace vornix {

std::string Cp1252FromUtf16(std::u16string_view text);

// The character a byte stands for in Windows-1252; the five bytes the set leaves
// undefined stand for the control character of the same number.
char32_t Cp1252CodePoint(unsigned char byte);
// The byte of a character in Windows-1252, or -1 when the set lacks it.
int Cp1252Byte(char32_t c);
std::u16string Utf16FromCp1252(std::string_view bytes);

}  // namespace vornix
