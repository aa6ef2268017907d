#include "core/table/TableReader.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>
#include <vector>

#include "core/engine/EncodingRule.h"
#include "core/engine/Errors.h"
#include "core/engine/Utf8.h"
#include "core/files/AtomicFile.h"

namespace vornix {

FileError NotAWordAndCount(std::size_t line, const std::string& name) {
    return FileError("Line " + std::to_string(line) + " of " + name + " is not a word and a count");
}

namespace {

FileError BadLine(std::size_t line, const std::string& name) {
    return NotAWordAndCount(line, name);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A whole count: decimal digits only, no sign, within 64 bits.
std::optional<std::int64_t> Count(std::string_view s) {
    s = Trim(s);
    if (s.empty()) return std::nullopt;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A number of any kind: the per-million figure of a saved table, a rank.
bool IsNumber(std::string_view s) {
    s = Trim(s);
    if (s.empty()) return false;
    bool digit = false;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E')
            return false;
    }
    return digit;
}

// Splits a line by the separator; ' ' splits at runs of blanks and tabs. CSV fields may
// be quoted, with doubled quotes inside.
void SplitFields(std::string_view line, char sep, std::vector<std::string>& fields) {
    fields.clear();
    if (sep == ' ') {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            if (i == line.size()) break;
            const std::size_t b = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
            fields.emplace_back(line.substr(b, i - b));
        }
        return;
    }
    std::size_t i = 0;
    for (;;) {
        std::string field;
        const std::size_t start = i;
        while (i < line.size() && line[i] == ' ') ++i;
        if (sep == ',' && i < line.size() && line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            while (i < line.size() && line[i] != sep) field += line[i++];
        } else {
            i = start;
            while (i < line.size() && line[i] != sep) field += line[i++];
        }
        fields.push_back(std::move(field));
        if (i >= line.size()) break;
        ++i;  // the separator
    }
}

// The separator of a line: a tab, else a semicolon, else a comma, else blanks. Words
// never hold any of them, so the first one found is the one the writer used.
char SeparatorOf(std::string_view line) {
    if (line.find('\t') != std::string_view::npos) return '\t';
    if (line.find(';') != std::string_view::npos) return ';';
    if (line.find(',') != std::string_view::npos) return ',';
    return ' ';
}

std::string Lower(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void ReadLines(std::string_view text, const std::string& name, const TableLineSink& sink) {
    std::vector<std::string> fields;
    std::size_t lineNo = 0, pos = 0;
    bool first = true;
    char sep = 0;
    std::size_t wordCol = 0, countCol = 1;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty()) continue;
        if (sep == 0) sep = SeparatorOf(line);
        SplitFields(line, sep, fields);
        if (first) {
            first = false;
            // A header holds no number; its names say where the word and count are
            // (rank,word,count and the keyword table's longer header among them).
            if (std::none_of(fields.begin(), fields.end(), [](const std::string& f) { return IsNumber(f); })) {
                for (std::size_t i = 0; i < fields.size(); ++i) {
                    const std::string n = Lower(fields[i]);
                    if (n == "word") wordCol = i;
                    if (n == "count" || n == "frequency" || n == "freq") countCol = i;
                }
                if (wordCol == countCol) countCol = wordCol + 1;
                continue;
            }
        }
        if (fields.size() <= std::max(wordCol, countCol)) throw BadLine(lineNo, name);
        const auto count = Count(fields[countCol]);
        const std::string_view word = Trim(fields[wordCol]);
        if (!count || word.empty()) throw BadLine(lineNo, name);
        // Without a header only a per-million figure may follow the count.
        if (wordCol == 0 && countCol == 1)
            for (std::size_t i = 2; i < fields.size(); ++i)
                if (!IsNumber(fields[i])) throw BadLine(lineNo, name);
        sink(word, *count, lineNo);
    }
}

// The JSON array of flat objects that --format=json writes; other members are skipped.
class JsonRows {
public:
    JsonRows(std::string_view text, const std::string& name, const TableLineSink& sink)
        : t_(text), name_(name), sink_(sink) {}

    void Read() {
        Space();
        Expect('[');
        Space();
        if (Peek() == ']') return End();
        for (;;) {
            Object();
            Space();
            if (Peek() == ',') {
                ++i_;
                Space();
                continue;
            }
            Expect(']');
            return End();
        }
    }

private:
    void End() {
        ++i_;
        Space();
        if (i_ < t_.size()) Fail();
    }
    char Peek() const { return i_ < t_.size() ? t_[i_] : '\0'; }
    void Space() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r' || t_[i_] == '\n')) {
            if (t_[i_] == '\n') ++line_;
            ++i_;
        }
    }
    [[noreturn]] void Fail() { throw BadLine(line_, name_); }
    void Expect(char c) {
        if (Peek() != c) Fail();
        ++i_;
    }
    std::uint32_t Hex4() {
        if (i_ + 4 > t_.size()) Fail();
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = t_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                Fail();
        }
        return v;
    }
    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (i_ >= t_.size()) Fail();
            const char c = t_[i_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail();
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= t_.size()) Fail();
            const char e = t_[i_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                case 'f':
                case 'n':
                case 'r':
                case 't':
                    out += ' ';  // a control character: a separator in a word anyway
                    break;
                case 'u': {
                    std::uint32_t cp = Hex4();
                    if (cp >= 0xD800 && cp < 0xDC00 && t_.substr(i_, 2) == "\\u") {
                        i_ += 2;
                        const std::uint32_t low = Hex4();
                        if (low < 0xDC00 || low > 0xDFFF) Fail();
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xD800 && cp < 0xE000) {
                        Fail();
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default:
                    Fail();
            }
        }
    }
    // A scalar that is not a string: its text.
    std::string_view Scalar() {
        const std::size_t b = i_;
        while (i_ < t_.size() && t_[i_] != ',' && t_[i_] != '}' && t_[i_] != ' ' && t_[i_] != '\n' && t_[i_] != '\r' &&
               t_[i_] != '\t')
            ++i_;
        if (i_ == b) Fail();
        return t_.substr(b, i_ - b);
    }
    void Object() {
        const std::size_t line = line_;
        Expect('{');
        std::optional<std::string> word;
        std::optional<std::int64_t> count;
        Space();
        if (Peek() != '}') {
            for (;;) {
                Space();
                const std::string key = String();
                Space();
                Expect(':');
                Space();
                if (Peek() == '"') {
                    std::string value = String();
                    if (key == "word") word = std::move(value);
                } else {
                    const std::string_view value = Scalar();
                    if (key == "count") {
                        count = Count(value);
                        if (!count) throw BadLine(line, name_);
                    }
                }
                Space();
                if (Peek() == ',') {
                    ++i_;
                    continue;
                }
                break;
            }
        }
        Expect('}');
        if (!word || !count || Trim(*word).empty()) throw BadLine(line, name_);
        sink_(Trim(*word), *count, line);
    }

    std::string_view t_;
    const std::string& name_;
    const TableLineSink& sink_;
    std::size_t i_ = 0;
    std::size_t line_ = 1;
};

}  // namespace

TableReadResult ReadWordTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding,
                                  const TableRowSink& sink) {
    return ReadWordTableText(
        bytes, name, encoding,
        TableLineSink([&sink](std::string_view word, std::int64_t count, std::size_t) { sink(word, count); }));
}

TableReadResult ReadWordTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding,
                                  const TableLineSink& sink) {
    TableReadResult result;
    TextEncoding marked = TextEncoding::Bytes;
    const std::size_t mark = encoding == EncodingChoice::Bytes ? 0 : ByteOrderMark(bytes, marked);
    if (mark > 0 && marked != TextEncoding::Utf8)
        throw FileError("Cannot open file " + name + " (a UTF-16 table: save it as UTF-8)");
    const EncodingDecision decision = DecideEncoding(bytes, encoding);
    bytes.remove_prefix(decision.skip);
    std::size_t lead = 0;
    while (lead < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[lead]))) ++lead;
    if (lead < bytes.size() && bytes[lead] == '[') {
        result.utf8 = true;
        JsonRows(bytes, name, sink).Read();
        return result;
    }
    result.utf8 = decision.encoding == TextEncoding::Utf8;
    ReadLines(bytes, name, sink);
    return result;
}

TableReadResult ReadWordTable(const std::string& path, EncodingChoice encoding, const TableRowSink& sink) {
    return ReadWordTableText(ReadWholeFile(path), path, encoding, sink);
}

}  // namespace vornix
