#include "commonlist/ListText.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/Errors.h"
#include "engine/TextRules.h"
#include "input/Cp1252.h"
#include "shell/AtomicFile.h"

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

}  // namespace

void ApplyCaseForm(std::u16string& text, bool lowerCase) {
    AsciiCaseForm(text, lowerCase);
}
void ApplyCaseForm(std::string& text, bool lowerCase) {
    AsciiCaseForm(text, lowerCase);
}

std::u16string EditorTextFromListFile(std::string_view bytes) {
    return Utf16FromCp1252(WithLineBreaks(bytes, "\n"));
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

std::string ListWithWordAdded(std::string_view listBytes, std::string_view word) {
    std::string out(word);
    out += "\r\n";
    out += WithLineBreaks(listBytes, "\r\n");
    return out;
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
