#pragma once
// One input of a word-in-context search as its lines are formed: its bytes (from the
// file, or the text kept in memory), its line numbers, and its characters as shown.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/context/WordContext.h"

namespace vornix {

struct ContextReader::Source {
    const RunInput* in = nullptr;
    int fd = -1;
    std::int64_t size = 0;
    int unit = 1;
    bool big = false;
    bool dos = false;  // 8-bit text of the DOS set
    // No longer what was counted (another size or time, shorter than it was, gone);
    // noted once.
    mutable bool changed = false;
    bool noted = false;
    // The last line number asked for, counted on from there.
    std::int64_t lastOffset = 0;
    std::int64_t lastLine = 1;
    // Line numbers at every 64 KiB, made at the first look back.
    std::vector<std::int64_t> marks;

    ~Source();

    // Bytes [from, to) of the input (cut to what it holds), valid until the next call.
    // Lines near each other are read from one cached stretch of the file, without a copy.
    std::string_view Read(std::int64_t from, std::int64_t to) const;
    void ReadFile(std::int64_t from, std::int64_t to, std::string& out) const;
    mutable std::string cache;
    mutable std::int64_t cacheFrom = -1;
    mutable std::string longRead;  // what is too long for the cache

    // Line breaks in [from, to).
    std::int64_t Breaks(std::int64_t from, std::int64_t to) const;
    // The line number (from 1) of an offset.
    std::int64_t LineOf(std::int64_t offset);

    // Characters of [from, to) as shown; `aligned` says from is a character boundary.
    std::vector<char32_t> Characters(std::int64_t from, std::int64_t to, bool aligned) const {
        std::vector<char32_t> out;
        Characters(from, to, aligned, false, out);
        return out;
    }
    // The same into `out` (emptied first, its room kept); with `tidy` each run of blanks
    // becomes one space.
    void Characters(std::int64_t from, std::int64_t to, bool aligned, bool tidy, std::vector<char32_t>& out) const;
};

}  // namespace vornix
