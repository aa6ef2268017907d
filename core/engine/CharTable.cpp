#include "core/engine/CharTable.h"

#include "core/engine/TextRules.h"

namespace vornix {

namespace {

constexpr std::uint8_t S = 32;  // separator
constexpr std::uint8_t L = kLigature;

// Entries for input codes 192..255 of code page 1252.
constexpr std::uint8_t kWindowsFold[64] = {
    'A', 'A', 'A', 'A', 'A', 'A', L,   'C', 'E', 'E', 'E', 'E', 'I', 'I', 'I', 'I',  // 192-207
    S,   'N', 'O', 'O', 'O', 'O', 'O', S,   'O', 'U', 'U', 'U', 'U', 'Y', S,   S,    // 208-223
    'A', 'A', 'A', 'A', 'A', 'A', L,   'C', 'E', 'E', 'E', 'E', 'I', 'I', 'I', 'I',  // 224-239
    S,   'N', 'O', 'O', 'O', 'O', 'O', S,   'O', 'U', 'U', 'U', 'U', 'Y', S,   'Y',  // 240-255
};

// Entries for input codes 128..165 of code page 437; note 152 (y diaeresis) reads as I.
constexpr std::uint8_t kDosFold[38] = {
    'C', 'U', 'E', 'A', 'A', 'A', 'A', 'C', 'E', 'E', 'E', 'I', 'I', 'I', 'A', 'A',  // 128-143
    'E', L,   L,   'O', 'O', 'O', 'U', 'U', 'I', 'O', 'U', S,   S,   S,   S,   'F',  // 144-159
    'A', 'I', 'O', 'U', 'N', 'N',                                                    // 160-165
};

}  // namespace

CharacterSet CharacterSetFromIndex(int index) {
    return index == 0 ? CharacterSet::Windows : CharacterSet::Dos;
}

CharMapTable BuildCharMap(CharacterSet set) {
    CharMapTable map;
    map.fill(S);
    for (int c = 0; c < 128; ++c) {
        if (c == 39 || c == 44 || c == 46 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_')
            map[c] = static_cast<std::uint8_t>(c);
        else if (c >= 'a' && c <= 'z')
            map[c] = static_cast<std::uint8_t>(AsciiUpper(c));
    }
    if (set == CharacterSet::Windows) {
        map[146] = kApostrophe;  // right single quotation mark
        for (int i = 0; i < 64; ++i) map[192 + i] = kWindowsFold[i];
    } else {
        for (int i = 0; i < 38; ++i) map[128 + i] = kDosFold[i];
    }
    return map;
}

}  // namespace vornix
