#include "core/commonlist/ListText.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/engine/CharTable.h"
#include "core/engine/Cp1252.h"
#include "core/engine/EncodingRule.h"
#include "core/engine/Errors.h"
#include "core/engine/TextRules.h"
#include "core/engine/Utf8.h"
#include "core/files/AtomicFile.h"

namespace vornix {

namespace {

template <class Char>
bool IsListWordChar(Char c) {
    return c == '\'' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Every line break (CR LF, lone LF, lone CR) becomes the given break.
std::string WithLineBreaks(std::string_view bytes, std::string_view lineBreak) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += lineBreak;
        } else if (c == '\n') {
            out += lineBreak;
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string WithEditorBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u'\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

std::u16string Utf16FromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const int length = Utf8SequenceLength(p + i, n - i);
        if (length <= 0) {
            AppendUtf16(out, Cp1252CodePoint(p[i]));
            ++i;
            continue;
        }
        AppendUtf16(out, Utf8Decode(p + i, length));
        i += static_cast<std::size_t>(length);
    }
    return out;
}

const CharMapTable& WindowsMap() {
    static const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    return map;
}

bool IsWordCode(std::uint8_t code) {
    return code != kSeparator && code != kComma && code != kFullStop;
}

// Whether a character of a Unicode list stays inside its word for Sort.
bool IsUnicodeListWordChar(char32_t c) {
    if (c < 0x80) return IsListWordChar(c);
    if (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK)) return true;
    // What a run reads as part of a word, such as the typographic apostrophe.
    const int byte = Cp1252Byte(c);
    return byte >= 0x80 && IsWordCode(WindowsMap()[byte]);
}

std::vector<std::string> UnicodeWords(std::u16string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        // A lone surrogate is no character and separates.
        if (!(c >= 0xD800 && c <= 0xDFFF) && IsUnicodeListWordChar(c)) {
            AppendUtf8(word, c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string MatchedForm(std::string_view word, CodePointTable& table) {
    std::string form;
    for (char code : DecodeToCodes(word, TextEncoding::Utf8, table)) {
        const std::uint8_t m = WindowsMap()[static_cast<std::uint8_t>(code)];
        if (IsWordCode(m)) form += static_cast<char>(m);
    }
    return form;
}

char32_t FirstCodePoint(std::string_view utf8) {
    const std::u16string units = Utf16FromUtf8(utf8.substr(0, std::min<std::size_t>(4, utf8.size())));
    if (units.size() >= 2 && units[0] >= 0xD800 && units[0] <= 0xDBFF)
        return 0x10000 + ((units[0] - 0xD800) << 10) + (units[1] - 0xDC00);
    return units.empty() ? 0 : units[0];
}

// The group of a word a run reads nothing of: its first letter in capitals, without
// accents (Ά and Α open one group).
char32_t BaseInitial(std::string_view word) {
    const auto c = static_cast<UChar32>(u_toupper(static_cast<UChar32>(FirstCodePoint(word))));
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString parts;
    if (U_SUCCESS(status) && nfd->getDecomposition(c, parts) && parts.length() > 0)
        return static_cast<char32_t>(parts.char32At(0));
    return static_cast<char32_t>(c);
}

}  // namespace

ListEncoding ListFileEncoding(std::string_view bytes, bool detectUnicode) {
    // The list reads in the editor as the count reads it.
    const EncodingDecision d = DecideEncoding(bytes, detectUnicode ? EncodingChoice::Auto : EncodingChoice::Bytes);
    return ListEncoding{d.encoding, d.skip > 0};
}

std::u16string EditorTextFromListFile(std::string_view bytes, const ListEncoding& encoding) {
    if (encoding.encoding == TextEncoding::Bytes) return EditorTextFromListFile(bytes);
    TextEncoding marked = TextEncoding::Bytes;
    const std::size_t mark = ByteOrderMark(bytes, marked);
    if (mark > 0 && marked == encoding.encoding) bytes.remove_prefix(mark);
    if (encoding.encoding == TextEncoding::Utf8) return WithEditorBreaks(Utf16FromUtf8(bytes));
    std::u16string units;
    units.reserve(bytes.size() / 2);
    const bool little = encoding.encoding == TextEncoding::Utf16LE;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b));
    }
    return WithEditorBreaks(units);
}

std::string ListFileFromEditorText(std::u16string_view text, const ListEncoding& encoding) {
    if (encoding.encoding == TextEncoding::Bytes) return ListFileFromEditorText(text);
    std::u16string withBreaks;
    withBreaks.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        if (c == u'\n' || c == u'\u2028' || c == u'\u2029')
            withBreaks += u"\r\n";
        else
            withBreaks += c;
    }
    std::string out;
    if (encoding.encoding == TextEncoding::Utf8) {
        if (encoding.mark) out = "\xEF\xBB\xBF";
        for (std::size_t i = 0; i < withBreaks.size(); ++i) {
            char32_t c = withBreaks[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < withBreaks.size() && withBreaks[i + 1] >= 0xDC00 &&
                withBreaks[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (withBreaks[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;  // a lone surrogate has no UTF-8 form
            }
            AppendUtf8(out, c);
        }
        return out;
    }
    const bool little = encoding.encoding == TextEncoding::Utf16LE;
    out.reserve(2 * withBreaks.size() + 2);
    auto unit = [&](char16_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    };
    if (encoding.mark) unit(0xFEFF);
    for (char16_t c : withBreaks) unit(c);
    return out;
}

void ApplyCaseForm(std::u16string& text, bool lowerCase) {
    AsciiCaseForm(text, lowerCase);
}
void ApplyCaseForm(std::string& text, bool lowerCase) {
    AsciiCaseForm(text, lowerCase);
}

std::u16string EditorTextFromListFile(std::string_view bytes) {
    return Utf16FromCp1252(WithLineBreaks(bytes, "\n"));
}

bool ListEncodingHolds(std::u16string_view text, const ListEncoding& encoding) {
    if (encoding.encoding != TextEncoding::Bytes) return true;
    for (const char16_t c : text)
        if (c >= 0x80 && c != u'\u2028' && c != u'\u2029' && Cp1252Byte(c) < 0) return false;
    return true;
}

std::string ListFileFromEditorText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    // The 8-bit conversion ends a text at a zero; a zero inside the list is kept.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char16_t c = end ? 0 : text[i];
        const bool lineBreak = c == u'\n' || c == u'\u2028' || c == u'\u2029';
        if (!end && !lineBreak && c != 0) continue;
        out += Cp1252FromUtf16(text.substr(start, i - start));
        if (lineBreak)
            out += "\r\n";
        else if (!end)
            out += '\0';
        start = i + 1;
    }
    return out;
}

std::vector<std::string> ListWords(std::u16string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char16_t c : text) {
        if (IsListWordChar(c)) {
            word += static_cast<char>(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string GroupedListText(const std::vector<std::string>& sortedWords) {
    std::string out;
    char initial = '0';
    for (const std::string& word : sortedWords) {
        if (word.empty()) continue;
        const char first = word.front();
        // Only a letter opens a group: digits and apostrophes sort in among the words
        // of the group they belong to.
        if (first != initial && static_cast<unsigned char>(first) >= 'A') {
            if (!out.empty()) out += "\r\n\r\n";
            initial = first;
        }
        out += word;
        out += ' ';
    }
    return out;
}

std::string SortedListText(std::u16string_view text, bool lowerCase, const ListCollation& collate) {
    std::vector<std::string> words = ListWords(text);
    for (std::string& word : words) ApplyCaseForm(word, lowerCase);
    std::sort(words.begin(), words.end(), [&](const std::string& a, const std::string& b) {
        const int order = collate(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return GroupedListText(words);
}

std::string MatchedListForm(std::string_view word) {
    CodePointTable table;
    return MatchedForm(word, table);
}

std::u16string SortedEditorText(std::u16string_view text, const ListEncoding& encoding, bool lowerCase,
                                const ListCollation& collate) {
    if (encoding.encoding == TextEncoding::Bytes)
        return EditorTextFromListFile(SortedListText(text, lowerCase, collate));

    std::u16string cased(text);
    ApplyCaseForm(cased, lowerCase);
    struct Entry {
        std::string word;  // UTF-8
        std::string form;  // as a run matches it; empty: read as nothing
    };
    std::vector<Entry> entries;
    CodePointTable table;
    for (std::string& word : UnicodeWords(cased)) {
        std::string form = MatchedForm(word, table);
        entries.push_back({std::move(word), std::move(form)});
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.form.empty() != b.form.empty()) return b.form.empty();
        const int order = a.form.empty() ? collate(a.word, b.word) : collate(a.form, b.form);
        if (order != 0) return order < 0;
        // DON'T before DONT as in an 8-bit list, CAFE before CAFÉ: UTF-8 bytes compare in
        // code point order.
        return a.form != b.form ? a.form < b.form : a.word < b.word;
    });

    std::string out;
    char32_t initial = '0';
    for (const Entry& e : entries) {
        // Digits and apostrophes open no group, as in the 8-bit layout.
        char32_t first = 0;
        if (e.form.empty())
            first = BaseInitial(e.word);
        else if (static_cast<unsigned char>(e.form.front()) >= 'A')
            first = static_cast<unsigned char>(e.form.front());
        if (first != 0 && first != initial) {
            if (!out.empty()) out += "\n\n";
            initial = first;
        }
        out += e.word;
        out += ' ';
    }
    return Utf16FromUtf8(out);
}

std::optional<std::string> ListWithWordAdded(std::string_view listBytes, std::string_view word, bool detectUnicode,
                                             bool asUtf8) {
    const ListEncoding encoding = ListFileEncoding(listBytes, detectUnicode);
    const bool ascii =
        std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (encoding.encoding == TextEncoding::Bytes && ascii) {
        std::string out(word);
        out += "\r\n";
        out += WithLineBreaks(listBytes, "\r\n");
        return out;
    }
    // Bytes put in front of a mark or into UTF-16 would spoil the whole list, and a
    // word's UTF-8 bytes in an 8-bit list would read as other letters.
    std::u16string text = Utf16FromUtf8(word);
    text += u'\n';
    text += EditorTextFromListFile(listBytes, encoding);
    if (ListEncodingHolds(text, encoding)) return ListFileFromEditorText(text, encoding);
    if (!asUtf8) return std::nullopt;
    return ListFileFromEditorText(text, ListEncoding{TextEncoding::Utf8, true});
}

void ReplaceListFile(const std::string& path, std::string_view bytes) {
    // The atomic write renames a new file over the old one, which the folder allows
    // even when the file itself is read-only; ask the file first.
    if (::access(path.c_str(), W_OK) != 0 && errno != ENOENT) {
        const int e = errno;
        throw FileFailure("Cannot create file", path, e);
    }
    WriteFileAtomically(path, bytes, true);
}

}  // namespace vornix
