#include "core/context/ContextSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/context/ContextText.h"
#include "core/engine/Cp1252.h"
#include "core/engine/Utf8.h"

namespace vornix {

ContextReader::Source::~Source() {
    if (fd >= 0) ::close(fd);
}

std::string ContextReader::Source::Read(std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, size);
    if (to <= from) return {};
    if (fd < 0) return in->text.substr(std::size_t(from), std::size_t(to - from));
    constexpr std::int64_t kCache = 1 << 18;
    if (to - from > kCache / 2) return ReadFile(from, to);
    if (from < cacheFrom || to > cacheFrom + std::int64_t(cache.size())) {
        cacheFrom = std::max<std::int64_t>(0, from - kCache / 8);
        cache = ReadFile(cacheFrom, cacheFrom + kCache);
    }
    const std::int64_t at = from - cacheFrom;
    if (at + (to - from) > std::int64_t(cache.size())) return ReadFile(from, to);
    return cache.substr(std::size_t(at), std::size_t(to - from));
}

std::string ContextReader::Source::ReadFile(std::int64_t from, std::int64_t to) const {
    to = std::min(to, size);
    std::string out;
    if (to <= from) return out;
    out.resize(std::size_t(to - from));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t r = ::pread(fd, out.data() + got, out.size() - got, from + std::int64_t(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += std::size_t(r);
    }
    if (got < out.size()) changed = true;  // shorter than when it was opened
    out.resize(got);
    return out;
}

std::int64_t ContextReader::Source::Breaks(std::int64_t from, std::int64_t to) const {
    std::int64_t breaks = 0;
    constexpr std::int64_t kPiece = 1 << 16;
    for (std::int64_t at = from; at < to; at += kPiece) {
        const std::int64_t end = std::min(to, at + kPiece);
        const std::string bytes = Read(at, end + unit);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t n = std::min<std::size_t>(bytes.size(), std::size_t(end - at));
        int next = -1;
        if (bytes.size() >= n + unit) next = unit == 1 ? p[n] : int(Unit16(p + n, big));
        breaks += CountLineBreaks(p, n, next, unit, big);
    }
    return breaks;
}

std::int64_t ContextReader::Source::LineOf(std::int64_t offset) {
    if (offset < lastOffset || offset - lastOffset > (1 << 20)) {
        if (marks.empty()) {
            marks.push_back(1);
            for (std::int64_t at = 0; at + (1 << 16) <= size; at += 1 << 16)
                marks.push_back(marks.back() + Breaks(at, at + (1 << 16)));
        }
        const std::size_t k = std::min<std::size_t>(std::size_t(offset >> 16), marks.size() - 1);
        lastOffset = std::int64_t(k) << 16;
        lastLine = marks[k];
    }
    lastLine += Breaks(lastOffset, offset);
    lastOffset = offset;
    return lastLine;
}

std::vector<char32_t> ContextReader::Source::Characters(std::int64_t from, std::int64_t to, bool aligned) const {
    std::vector<char32_t> out;
    const std::int64_t start = in->skip;
    if (unit == 2 && ((from - start) & 1)) ++from;
    from = std::max(from, start);
    const std::string bytes = Read(from, to);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    if (in->encoding == TextEncoding::Bytes) {
        const char32_t* dosChars = dos ? DosCharacters() : nullptr;
        for (; i < n; ++i) out.push_back(p[i] < 0x80 ? char32_t(p[i]) : dos ? dosChars[p[i]] : Cp1252CodePoint(p[i]));
        return out;
    }
    if (unit == 1) {
        if (!aligned)
            while (i < n && i < 3 && (p[i] & 0xC0) == 0x80) ++i;
        while (i < n) {
            const int length = Utf8SequenceLength(p + i, n - i);
            if (length == 1) {
                out.push_back(p[i++]);
            } else if (length > 1) {
                out.push_back(Utf8Decode(p + i, length));
                i += std::size_t(length);
            } else {
                out.push_back(Cp1252CodePoint(p[i++]));
            }
        }
        return out;
    }
    if (!aligned && n >= 2) {
        const unsigned u = Unit16(p, big);
        if (u >= 0xDC00 && u <= 0xDFFF) i = 2;
    }
    for (; i + 1 < n; i += 2) {
        const unsigned u = Unit16(p + i, big);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
            const unsigned low = Unit16(p + i + 2, big);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out.push_back(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return out;
}

std::int64_t CountLineBreaks(const unsigned char* p, std::size_t n, int next, int unit, bool bigEndian) {
    std::int64_t breaks = 0;
    if (unit == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            // A line ends at LF, and at a CR that no LF follows.
            if (p[i] == '\n' || (p[i] == '\r' && (i + 1 < n ? p[i + 1] : next) != '\n')) ++breaks;
        }
        return breaks;
    }
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const unsigned u = Unit16(p + i, bigEndian);
        if (u == '\n' || (u == '\r' && (i + 3 < n ? int(Unit16(p + i + 2, bigEndian)) : next) != '\n')) ++breaks;
    }
    return breaks;
}

}  // namespace vornix
