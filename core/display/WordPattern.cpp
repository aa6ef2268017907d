#include "core/display/WordPattern.h"

#include "core/engine/TextRules.h"

namespace vornix {

namespace {

char TableCase(char c, bool lowerCase) {
    if (lowerCase && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    if (!lowerCase && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c;
}

// Glob match of the whole word, '*' and '?' as wildcards. The greedy walk with one
// back-tracking point is linear in practice and never recursive.
bool GlobMatch(std::string_view glob, std::string_view word) {
    std::size_t g = 0, w = 0;
    std::size_t starGlob = std::string_view::npos, starWord = 0;
    while (w < word.size()) {
        if (g < glob.size() && (glob[g] == '?' || glob[g] == word[w])) {
            ++g;
            ++w;
        } else if (g < glob.size() && glob[g] == '*') {
            starGlob = g++;
            starWord = w;
        } else if (starGlob != std::string_view::npos) {
            g = starGlob + 1;
            w = ++starWord;
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
    for (char c : pattern) {
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
        const std::size_t length = rec.length > 40 ? 40 : rec.length;
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
