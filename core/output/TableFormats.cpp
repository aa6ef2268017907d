#include "core/output/TableFormats.h"

#include "core/engine/Cp1252.h"
#include "core/engine/Utf8.h"
#include "core/engine/VocabularyStats.h"
#include "core/output/OutputWalk.h"

namespace vornix {

std::optional<TableFormat> ParseTableFormat(std::string_view name) {
    if (name == "table") return TableFormat::Table;
    if (name == "csv") return TableFormat::Csv;
    if (name == "tsv") return TableFormat::Tsv;
    if (name == "json") return TableFormat::Json;
    return std::nullopt;
}

std::string Utf8FromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    // 1252 has no character outside the basic plane, so no surrogates appear.
    for (char16_t c : Utf16FromCp1252(bytes)) AppendUtf8(out, c);
    return out;
}

std::string StoredWordUtf8(std::string_view word) {
    return IsUtf8(word) ? std::string(word) : Utf8FromWindows1252(word);
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string JsonString(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

namespace {

// A TSV field cannot hold a tab or a line break at all; none can occur in a word, and
// should one ever, it becomes a space rather than a broken row.
std::string TsvField(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

std::string FormatWordTable(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                            TableFormat format, char separator) {
    std::string out;
    WriteWordTable(store, orders, options, format, separator, [&out](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

bool WriteWordTable(WordStore& store, const ResultOrders& orders, const DisplayOptions& options, TableFormat format,
                    char separator, const std::function<bool(std::string_view)>& sink) {
    constexpr std::size_t kPiece = std::size_t{64} << 10;
    // The per-million figure, when asked for, is the one the plain table writes.
    const bool perMillion = options.ShowRelFreq;
    const std::int64_t total = perMillion ? TotalOccurrences(store) : 0;
    std::string out;
    if (format == TableFormat::Csv) out = perMillion ? "rank,word,count,per_million\n" : "rank,word,count\n";
    if (format == TableFormat::Tsv) out = perMillion ? "rank\tword\tcount\tper_million\n" : "rank\tword\tcount\n";
    if (format == TableFormat::Json) out = "[";
    std::int64_t rank = 0;
    const std::vector<std::int32_t> shown = ShownWords(store, orders, options);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::int32_t rec = shown[i];
        if (i + 16 < shown.size()) store.PrefetchRecord(shown[i + 16]);
        if (format == TableFormat::Table) {
            // Exactly what FormatAnalysis writes.
            const std::string word = DisplayWord(store.ReadWordRecord(rec), options.LowerCase);
            if (perMillion)
                AppendOutputLine(out, word, separator, store.Count(rec), PerMillionText(store.Count(rec), total));
            else
                AppendOutputLine(out, word, separator, store.Count(rec));
        } else {
            const std::string word = StoredWordUtf8(DisplayWord(store.ReadWordRecord(rec), options.LowerCase));
            const std::string r = std::to_string(++rank);
            const std::string count = std::to_string(store.Count(rec));
            const std::string million = perMillion ? PerMillionText(store.Count(rec), total) : std::string();
            switch (format) {
                case TableFormat::Csv:
                    out += r + ',' + CsvField(word) + ',' + count + (perMillion ? ',' + million : std::string()) + '\n';
                    break;
                case TableFormat::Tsv:
                    out +=
                        r + '\t' + TsvField(word) + '\t' + count + (perMillion ? '\t' + million : std::string()) + '\n';
                    break;
                default:
                    out += rank == 1 ? "\n" : ",\n";
                    out += "{\"rank\":" + r + ",\"word\":" + JsonString(word) + ",\"count\":" + count +
                           (perMillion ? ",\"per_million\":" + million : std::string()) + '}';
                    break;
            }
        }
        if (out.size() >= kPiece) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    if (format == TableFormat::Json) out += rank == 0 ? "]\n" : "\n]\n";
    return out.empty() || sink(out);
}

}  // namespace vornix
