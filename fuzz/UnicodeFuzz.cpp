// Fuzzing of the Unicode decoder: any bytes, read as UTF-8, UTF-16 LE or BE and split
// at fuzzer-chosen places, give exactly the codes and the other-script count of the
// whole text read at once, and only ASCII codes, which both 8-bit tables read alike.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/engine/TextDecoder.h"

using namespace vornix;

#define CHECK(cond)                                                                \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static CodePointTable table;
    const TextEncoding encoding = (data[0] % 3 == 0)   ? TextEncoding::Utf8
                                  : (data[0] % 3 == 1) ? TextEncoding::Utf16LE
                                                       : TextEncoding::Utf16BE;
    const std::size_t block = 1 + data[1];
    data += 2;
    size -= 2;

    std::int64_t others = 0;
    const std::string whole =
        DecodeToCodes(std::string_view(reinterpret_cast<const char*>(data), size), encoding, table, &others);
    TextDecoder decoder(encoding, table);
    std::string pieces;
    for (std::size_t at = 0; at < size; at += block) pieces += decoder.Decode(data + at, std::min(block, size - at));
    pieces += decoder.Finish();
    CHECK(pieces == whole);
    CHECK(decoder.OtherScriptLetters() == others);
    CHECK(others >= 0);
    // ASCII only: both 8-bit tables read ASCII alike.
    for (unsigned char c : whole) CHECK(c < 0x80);
    return 0;
}
