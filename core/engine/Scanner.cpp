#include "core/engine/Scanner.h"

#include <cstring>

namespace vornix {

std::size_t StripPossessive(const char* word, std::size_t length) {
    const void* found = std::memchr(word, '\'', length);
    if (!found) return length;
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - word);
    if (at + 2 != length || word[at + 1] != 'S') return length;
    if (length == 4 && std::memcmp(word, "IT'S", 4) == 0) return length;
    return at;
}

}  // namespace vornix
