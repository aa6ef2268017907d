// The lines of word in context: an occurrence with the text on either side, cut at word
// boundaries, and its line number.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/context/ContextSource.h"
#include "core/context/ContextText.h"
#include "core/context/WordContext.h"
#include "core/engine/Utf8.h"

namespace vornix {

namespace {

bool SameAsCounted(const RunInput& in, const struct stat& info) {
    return info.st_size == in.size &&
           std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec == in.mtimeNs;
}

}  // namespace

ContextReader::ContextReader(const AnalysisRun& run)
    : run_(run), sources_(run.Inputs().size()), dos_(run.CharMap() == BuildCharMap(CharacterSet::Dos)) {}
ContextReader::~ContextReader() = default;

ContextReader::Source& ContextReader::SourceOf(std::uint32_t input) {
    std::unique_ptr<Source>& s = sources_.at(input);
    if (!s) {
        s = std::make_unique<Source>();
        s->in = &run_.Inputs()[input];
        s->unit = IsUtf16(s->in->encoding) ? 2 : 1;
        s->big = s->in->encoding == TextEncoding::Utf16BE;
        s->dos = dos_;
        if (!s->in->path.empty()) {
            // Without blocking: a FIFO or a device put in the file's place is refused.
            s->fd = ::open(s->in->path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            struct stat info {};
            if (s->fd >= 0 && ::fstat(s->fd, &info) == 0 && S_ISREG(info.st_mode)) {
                s->size = info.st_size;
                s->changed = !SameAsCounted(*s->in, info);
            } else {
                if (s->fd >= 0) ::close(s->fd);
                s->fd = -1;
                s->changed = true;
            }
        } else {
            s->size = static_cast<std::int64_t>(s->in->text.size());
        }
    }
    return *s;
}

std::int64_t ContextReader::LineOf(std::uint32_t input, std::uint64_t offset) {
    Source& s = SourceOf(input);
    const std::int64_t line = s.LineOf(static_cast<std::int64_t>(offset));
    Note(s);
    return line;
}

void ContextReader::Note(Source& s) {
    if (!s.changed || s.noted) return;
    s.noted = true;
    problems_.push_back(ChangedFileMessage(s.in->path));
}

void ContextReader::CheckInputs() {
    for (const std::unique_ptr<Source>& s : sources_) {
        if (!s || s->fd < 0) continue;
        struct stat info {};
        if (::fstat(s->fd, &info) != 0 || !SameAsCounted(*s->in, info)) s->changed = true;
        Note(*s);
    }
}

bool ReadableTwice(const std::string& path) {
    struct stat info {};
    return path != "-" && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

namespace {

std::string Utf8Of(const std::vector<char32_t>& chars, std::size_t from, std::size_t to) {
    while (from < to && chars[from] == ' ') ++from;
    while (to > from && chars[to - 1] == ' ') --to;
    // ASCII straight into the string's room; other characters by the encoder.
    std::string out(to - from, '\0');
    std::size_t n = 0;
    std::size_t i = from;
    for (; i < to && chars[i] < 0x80; ++i) out[n++] = static_cast<char>(chars[i]);
    out.resize(n);
    for (; i < to; ++i) AppendUtf8(out, chars[i]);
    return out;
}

// The last `width` characters, cut at a word boundary unless the text starts there.
std::string LeftOf(const std::vector<char32_t>& chars, std::size_t width, bool atStart) {
    std::size_t from = chars.size() > width ? chars.size() - width : 0;
    if (from > 0 || !atStart) {
        if (from > 0 && chars[from - 1] != ' ' && chars[from] != ' ') {
            std::size_t space = from;
            while (space < chars.size() && chars[space] != ' ') ++space;
            from = space;
        } else if (from == 0 && !atStart && !chars.empty() && chars[0] != ' ') {
            // The window itself began inside a word.
            std::size_t space = 0;
            while (space < chars.size() && chars[space] != ' ') ++space;
            from = space;
        }
    }
    return Utf8Of(chars, from, chars.size());
}

std::string RightOf(const std::vector<char32_t>& chars, std::size_t width, bool atEnd) {
    std::size_t to = std::min(chars.size(), width);
    if (to < chars.size() || !atEnd) {
        const bool inWord = to < chars.size() ? chars[to] != ' ' : !atEnd;
        if (inWord && to > 0 && chars[to - 1] != ' ') {
            std::size_t space = to;
            while (space > 0 && chars[space - 1] != ' ') --space;
            to = space;
        }
    }
    return Utf8Of(chars, 0, to);
}

}  // namespace

ContextReader::Line ContextReader::Format(const Occurrence& o, int width) {
    Source& s = SourceOf(o.input);
    Line line;
    line.name = s.in->name;
    const std::int64_t at = static_cast<std::int64_t>(o.offset);
    const std::int64_t end = at + o.length;
    // Blanks (line breaks, tabs) read as one space. One buffer serves every line: a
    // concordance forms millions of them.
    std::vector<char32_t>& chars = chars_;
    // Most text is one byte a character: try a short stretch first, the longest a
    // character may need only when that did not give enough.
    const std::size_t w = std::size_t(std::max(width, 0));
    const std::int64_t first = std::int64_t(w) + std::int64_t(w) / 2 + 16, second = 4 * std::int64_t(w) + 64;
    for (std::int64_t span = first;; span = second) {
        const std::int64_t from = std::max(s.in->skip, at - span);
        s.Characters(from, at, from == s.in->skip, true, chars);
        if (chars.size() > w + 1 || from == s.in->skip || span == second) {
            line.left = LeftOf(chars, w, from == s.in->skip);
            break;
        }
    }
    s.Characters(at, std::min(end, at + (1 << 16)), true, true, chars);
    line.hit = Utf8Of(chars, 0, chars.size());
    for (std::int64_t span = first;; span = second) {
        s.Characters(end, end + span, true, true, chars);
        if (chars.size() > w + 1 || end + span >= s.size || span == second) {
            line.right = RightOf(chars, w, end + span >= s.size);
            break;
        }
    }
    line.line = s.LineOf(at);
    Note(s);
    return line;
}

std::string ConcordanceLine(const ContextReader::Line& line) {
    return line.name + '\t' + std::to_string(line.line) + '\t' + line.left + '\t' + line.hit + '\t' + line.right + '\n';
}

}  // namespace vornix
