#include "display/WordPattern.h"

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
    std::vector<std::int32_t> kept;
    ranks.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!pattern.Matches(DisplayWord(store.WordRecord(rows[i]), lowerCase))) continue;
        kept.push_back(rows[i]);
        ranks.push_back(static_cast<std::int32_t>(i + 1));
    }
    return kept;
}

}  // namespace vornix
