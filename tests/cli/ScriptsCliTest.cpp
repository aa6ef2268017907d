// vornix-count --scripts=all on real texts of other scripts: Debian's Russian and
// Japanese manual pages, turned into plain text by groff, counted against a count
// written here with ICU's word-break iterator.
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/ucharstrie.h>
#include <unicode/udata.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "CountProcess.h"

namespace {

// The pages of one language as plain UTF-8 text, "" when they are not installed.
std::string ManualText(const std::string& folder, std::size_t pages) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".gz") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    if (files.size() > pages) files.resize(pages);
    std::string text;
    for (const std::string& file : files) {
        const std::string command = "zcat '" + file + "' | groff -K utf8 -man -Tutf8 -P-cbou 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) continue;
        char buffer[1 << 16];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
        ::pclose(pipe);
    }
    // Table markup of groff's tbl, which ICU's rules join to letters: the same text for
    // both counts without it.
    std::replace(text.begin(), text.end(), '@', ' ');
    return text;
}

// Whether every character of the word is a letter or mark of one of the scripts.
bool OfScripts(const icu::UnicodeString& word, std::initializer_list<UScriptCode> scripts) {
    for (std::int32_t i = 0; i < word.length(); i = word.moveIndex32(i, 1)) {
        const UChar32 c = word.char32At(i);
        const std::int8_t type = u_charType(c);
        const bool letter = (U_GC_L_MASK | U_GC_M_MASK) & U_MASK(type);
        if (!letter) return false;
        bool in = false;
        for (UScriptCode s : scripts) in = in || uscript_hasScript(c, s);
        if (!in) return false;
    }
    return word.length() > 0;
}

using Counts = std::map<std::string, int>;

// Whether ICU's Chinese and Japanese dictionary has the character as a word: the
// dictionary's string trie, found through ICU's break-iterator data.
class Dictionary {
public:
    Dictionary() {
        const char* tree = U_ICUDATA_NAME U_TREE_SEPARATOR_STRING "brkitr";
        UErrorCode status = U_ZERO_ERROR;
        UResourceBundle* bundle = ures_open(tree, "", &status);
        UResourceBundle* names = ures_getByKey(bundle, "dictionaries", nullptr, &status);
        std::int32_t n = 0;
        const UChar* name = ures_getStringByKey(names, "Hani", &n, &status);
        std::string file;
        if (U_SUCCESS(status)) icu::UnicodeString(name, n).toUTF8String(file);
        ures_close(names);
        ures_close(bundle);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        const std::string base = file.substr(0, file.find('.')), type = file.substr(file.find('.') + 1);
        memory_ = udata_open(tree, type.c_str(), base.c_str(), &status);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        const auto* bytes = static_cast<const char*>(udata_getMemory(memory_));
        trie_ = reinterpret_cast<const char16_t*>(bytes + reinterpret_cast<const std::int32_t*>(bytes)[0]);
    }
    ~Dictionary() { udata_close(memory_); }
    bool Has(UChar32 c) const {
        icu::UCharsTrie trie(trie_);
        return USTRINGTRIE_HAS_VALUE(trie.firstForCodePoint(c));
    }

private:
    UDataMemory* memory_ = nullptr;
    const char16_t* trie_ = nullptr;
};

bool IsCj(UChar32 c) {
    return uscript_hasScript(c, USCRIPT_HAN) || uscript_hasScript(c, USCRIPT_HIRAGANA) ||
           uscript_hasScript(c, USCRIPT_KATAKANA);
}

// The independent count: ICU's word segments, in NFC and upper case (root locale), the
// first 40 characters, kept when all of their characters are of the scripts.
Counts IcuCounts(const std::string& text, std::initializer_list<UScriptCode> scripts) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> words(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    EXPECT_TRUE(U_SUCCESS(status));
    const icu::UnicodeString all = icu::UnicodeString::fromUTF8(text);
    words->setText(all);
    // The segments, with single Chinese or Japanese characters the dictionary does not
    // know joined: several in a row into one word, one alone to the word before it when
    // that touches it, else to the word after.
    struct Segment {
        std::int32_t start, end;
        bool word, unknown;
    };
    const Dictionary dictionary;
    std::vector<Segment> segments;
    for (std::int32_t start = words->first(), end = words->next(); end != icu::BreakIterator::DONE;
         start = end, end = words->next()) {
        const UChar32 c = all.char32At(start);
        const bool single = all.moveIndex32(start, 1) == end;
        segments.push_back({start, end, words->getRuleStatus() >= UBRK_WORD_LETTER,
                            single && IsCj(c) && u_isalpha(c) && !dictionary.Has(c)});
    }
    std::vector<Segment> joined;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        Segment s = segments[i];
        if (!s.unknown) {
            joined.push_back(s);
            continue;
        }
        std::size_t last = i;
        while (last + 1 < segments.size() && segments[last + 1].unknown &&
               segments[last + 1].start == segments[last].end)
            ++last;
        s.end = segments[last].end;
        const bool alone = last == i;
        if (alone && !joined.empty() && joined.back().word && joined.back().end == s.start &&
            IsCj(all.char32At(joined.back().end - 1))) {
            joined.back().end = s.end;
        } else if (alone && last + 1 < segments.size() && segments[last + 1].word &&
                   IsCj(all.char32At(segments[last + 1].start))) {
            s.end = segments[++last].end;
            joined.push_back(s);
        } else {
            joined.push_back(s);
        }
        i = last;
    }
    Counts counts;
    for (const Segment& segment : joined) {
        if (!segment.word) continue;
        icu::UnicodeString word = nfc->normalize(all.tempSubStringBetween(segment.start, segment.end), status);
        word.toUpper(icu::Locale::getRoot());
        if (word.countChar32() > 40) word.truncate(word.moveIndex32(0, 40));
        if (!OfScripts(word, scripts)) continue;
        std::string utf8;
        ++counts[word.toUTF8String(utf8)];
    }
    return counts;
}

// vornix-count's words of the same kind, from its TSV table.
Counts CountedCounts(const std::string& tsv, std::initializer_list<UScriptCode> scripts) {
    Counts counts;
    std::istringstream lines(tsv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        const std::size_t a = line.find('\t'), b = line.rfind('\t');
        const std::string word = line.substr(a + 1, b - a - 1);
        if (OfScripts(icu::UnicodeString::fromUTF8(word), scripts)) counts[word] = std::stoi(line.substr(b + 1));
    }
    return counts;
}

// The words whose counts differ, "" when none do.
std::string Differences(const Counts& counted, const Counts& expected) {
    std::string out;
    Counts all = counted;
    all.insert(expected.begin(), expected.end());
    for (const auto& [word, _] : all) {
        const auto a = counted.find(word), b = expected.find(word);
        const int x = a == counted.end() ? 0 : a->second, y = b == expected.end() ? 0 : b->second;
        if (x != y) out += word + ": " + std::to_string(x) + " counted, " + std::to_string(y) + " by ICU\n";
    }
    return out;
}

}  // namespace

TEST(ScriptsCli, RussianManualPagesCountAsIcuSegmentsThem) {
    const std::string text = ManualText("/usr/share/man/ru/man1", 60);
    if (text.size() < 10000) GTEST_SKIP() << "the Russian manual pages (manpages-ru) or groff are not installed";
    TempDir dir;
    const std::string file = dir.write("ru.txt", text);
    const CountResult r = RunCount({"--scripts=all", "--no-common-list", "--format=tsv", "--quiet", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Counts counted = CountedCounts(r.out, {USCRIPT_CYRILLIC});
    EXPECT_GT(counted.size(), 1000u);
    EXPECT_EQ(Differences(counted, IcuCounts(text, {USCRIPT_CYRILLIC})), "");
    // With the choice off the same text gives no Cyrillic word at all.
    const CountResult off = RunCount({"--no-common-list", "--format=tsv", "--quiet", file});
    EXPECT_TRUE(CountedCounts(off.out, {USCRIPT_CYRILLIC}).empty());
}

TEST(ScriptsCli, JapaneseManualPagesCountAsIcuSegmentsThem) {
    const std::string text = ManualText("/usr/share/man/ja/man1", 40);
    if (text.size() < 10000) GTEST_SKIP() << "the Japanese manual pages (manpages-ja) or groff are not installed";
    TempDir dir;
    const std::string file = dir.write("ja.txt", text);
    const CountResult r = RunCount({"--scripts=all", "--no-common-list", "--format=tsv", "--quiet", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto scripts = {USCRIPT_HAN, USCRIPT_HIRAGANA, USCRIPT_KATAKANA};
    const Counts counted = CountedCounts(r.out, scripts);
    EXPECT_GT(counted.size(), 1000u);
    EXPECT_EQ(Differences(counted, IcuCounts(text, scripts)), "");
}
