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

std::string_view ContextReader::Source::Read(std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, size);
    if (to <= from) return {};
    if (fd < 0) return std::string_view(in->text).substr(std::size_t(from), std::size_t(to - from));
    constexpr std::int64_t kCache = 1 << 18;
    if (to - from > kCache / 2) {
        ReadFile(from, to, longRead);
        return longRead;
    }
    if (from < cacheFrom || to > cacheFrom + std::int64_t(cache.size())) {
        cacheFrom = std::max<std::int64_t>(0, from - kCache / 8);
        ReadFile(cacheFrom, cacheFrom + kCache, cache);
    }
    const std::int64_t at = from - cacheFrom;
    if (at + (to - from) > std::int64_t(cache.size())) {
        // The file ends (or was cut) inside the stretch asked for.
        ReadFile(from, to, longRead);
        return longRead;
    }
    return std::string_view(cache).substr(std::size_t(at), std::size_t(to - from));
}

void ContextReader::Source::ReadFile(std::int64_t from, std::int64_t to, std::string& out) const {
    to = std::min(to, size);
    out.clear();
    if (to <= from) return;
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
}

std::int64_t ContextReader::Source::Breaks(std::int64_t from, std::int64_t to) const {
    std::int64_t breaks = 0;
    constexpr std::int64_t kPiece = 1 << 16;
    for (std::int64_t at = from; at < to; at += kPiece) {
        const std::int64_t end = std::min(to, at + kPiece);
        const std::string_view bytes = Read(at, end + unit);
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

void ContextReader::Source::Characters(std::int64_t from, std::int64_t to, bool aligned, bool tidy,
                                       std::vector<char32_t>& out) const {
    out.clear();
    const std::int64_t start = in->skip;
    if (unit == 2 && ((from - start) & 1)) ++from;
    from = std::max(from, start);
    const std::string_view bytes = Read(from, to);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    // At most one character a byte: written through a pointer, the size set at the end.
    out.resize(n);
    char32_t* const first = out.data();
    char32_t* o = first;
    auto put = [&o, first, tidy](char32_t c) {
        if (!tidy || !IsBlank(c))
            *o++ = c;
        else if (o == first || o[-1] != ' ')
            *o++ = ' ';
    };
    std::size_t i = 0;
    if (in->encoding == TextEncoding::Bytes) {
        const char32_t* dosChars = dos ? DosCharacters() : nullptr;
        for (; i < n; ++i) put(p[i] < 0x80 ? char32_t(p[i]) : dos ? dosChars[p[i]] : Cp1252CodePoint(p[i]));
        out.resize(std::size_t(o - first));
        return;
    }
    if (unit == 1) {
        if (!aligned)
            while (i < n && i < 3 && (p[i] & 0xC0) == 0x80) ++i;
        while (i < n) {
            if (p[i] < 0x80) {
                put(p[i++]);
                continue;
            }
            const int length = Utf8SequenceLength(p + i, n - i);
            if (length > 1) {
                put(Utf8Decode(p + i, length));
                i += std::size_t(length);
            } else {
                put(Cp1252CodePoint(p[i++]));
            }
        }
        out.resize(std::size_t(o - first));
        return;
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
                put(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        put(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    out.resize(std::size_t(o - first));
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
