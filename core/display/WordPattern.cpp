#include "core/display/WordPattern.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "core/engine/TextRules.h"
#include "core/engine/Utf8.h"
#include "core/engine/WordStore.h"

namespace vornix {

namespace {

char TableCase(char c, bool lowerCase) {
    if (lowerCase && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    if (!lowerCase && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c;
}

// The bytes of the UTF-8 character at word[at] (1 for ASCII and for any other byte).
std::size_t CharacterBytes(std::string_view word, std::size_t at) {
    std::size_t n = 1;
    while (at + n < word.size() && (static_cast<unsigned char>(word[at + n]) & 0xC0) == 0x80) ++n;
    return n;
}

// A typed pattern beyond ASCII in the case of the shown words (words of every script).
std::string CasePattern(std::string_view pattern, bool lowerCase) {
    if (!IsUtf8(pattern)) return std::string(pattern);
    if (lowerCase) return LowerWord(pattern);
    icu::UnicodeString s =
        icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<std::int32_t>(pattern.size())));
    s.toUpper(icu::Locale::getRoot());
    std::string out;
    return s.toUTF8String(out);
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Glob match of the whole word, '*' and '?' as wildcards; '?' is one character, of
// any script. The greedy walk with one back-tracking point is linear in practice and
// never recursive.
bool GlobMatch(std::string_view glob, std::string_view word) {
    std::size_t g = 0, w = 0;
    std::size_t starGlob = std::string_view::npos, starWord = 0;
    while (w < word.size()) {
        if (g < glob.size() && glob[g] == '?') {
            ++g;
            w += CharacterBytes(word, w);
        } else if (g < glob.size() && glob[g] == word[w]) {
            ++g;
            ++w;
        } else if (g < glob.size() && glob[g] == '*') {
            starGlob = g++;
            starWord = w;
        } else if (starGlob != std::string_view::npos) {
            g = starGlob + 1;
            starWord += CharacterBytes(word, starWord);
            w = starWord;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == '*') ++g;
    return g == glob.size();
}

}  // namespace

WordPattern::WordPattern(std::string_view pattern, bool lowerCase) {
    if (!pattern.empty() && pattern.front() == '^') {
        start_ = true;
        pattern.remove_prefix(1);
    }
    if (!pattern.empty() && pattern.back() == '$') {
        end_ = true;
        pattern.remove_suffix(1);
    }
    const std::string cased = IsAscii(pattern) ? std::string(pattern) : CasePattern(pattern, lowerCase);
    for (char c : cased) {
        text_ += TableCase(c, lowerCase);
        if (c == '*' || c == '?') plain_ = false;
    }
    keepsAll_ = text_.empty() && !(start_ && end_);
    if (!plain_) {
        // Unanchored ends match anything: the pattern may sit anywhere in the word.
        if (!start_) text_.insert(text_.begin(), '*');
        if (!end_) text_ += '*';
    }
}

bool WordPattern::Matches(std::string_view word) const {
    if (keepsAll_) return true;
    if (!plain_) return GlobMatch(text_, word);
    if (start_ && end_) return word == text_;
    if (start_) return word.substr(0, text_.size()) == text_;
    if (end_) return word.size() >= text_.size() && word.substr(word.size() - text_.size()) == text_;
    return word.find(text_) != std::string_view::npos;
}

std::vector<std::int32_t> FilterRows(const WordStore& store, const std::vector<std::int32_t>& rows,
                                     const WordPattern& pattern, bool lowerCase, std::vector<std::int32_t>& ranks) {
    // The records are tested in their stored order, which reads the store front to
    // back, and the rows then pick their verdicts: the shown order jumps all over it.
    const std::int32_t count = store.WordCount();
    std::vector<bool> keep(static_cast<std::size_t>(count));
    char shown[40];
    for (std::int32_t r = 0; r < count; ++r) {
        const WordRec rec = store.WordRecord(r);
        if (rec.length > 40 || !IsAscii(rec.Text())) {  // a word of another script
            keep[static_cast<std::size_t>(r)] = pattern.Matches(DisplayWord(rec, lowerCase));
            continue;
        }
        const std::size_t length = rec.length;
        // As DisplayWord shows it: folded only for the lower-case display.
        for (std::size_t i = 0; i < length; ++i) shown[i] = lowerCase ? AsciiLower(rec.text[i]) : rec.text[i];
        keep[static_cast<std::size_t>(r)] = pattern.Matches(std::string_view(shown, length));
    }
    std::vector<std::int32_t> kept;
    ranks.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] < 0 || rows[i] >= count || !keep[static_cast<std::size_t>(rows[i])]) continue;
        kept.push_back(rows[i]);
        ranks.push_back(static_cast<std::int32_t>(i + 1));
    }
    return kept;
}

}  // namespace vornix
