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
#include <array>
#include <cstdio>
#include <map>
#include <set>
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

namespace {

// Rows of a TSV table, each as the chosen columns joined by "|", with how often each
// occurs (the order is another test's concern).
using RowSet = std::map<std::string, int>;

RowSet TsvRows(const std::string& tsv, const std::vector<std::string>& columns) {
    std::vector<std::vector<std::string>> cells;
    std::istringstream lines(tsv);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string>& row = cells.emplace_back();
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            row.push_back(line.substr(start, tab - start));
        row.push_back(line.substr(start));
    }
    RowSet rows;
    if (cells.empty()) return rows;
    std::vector<std::size_t> picked;
    for (const std::string& name : columns) {
        const auto at = std::find(cells[0].begin(), cells[0].end(), name);
        EXPECT_NE(at, cells[0].end()) << "no column " << name;
        picked.push_back(static_cast<std::size_t>(at - cells[0].begin()));
    }
    for (std::size_t r = 1; r < cells.size(); ++r) {
        std::string key;
        for (std::size_t c : picked) key += (key.empty() ? "" : "|") + (c < cells[r].size() ? cells[r][c] : "?");
        ++rows[key];
    }
    return rows;
}

using Words = std::vector<std::string>;

Counts Frequencies(const std::vector<Words>& documents) {
    Counts counts;
    for (const Words& document : documents)
        for (const std::string& w : document) ++counts[w];
    return counts;
}

std::string Joined(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "|") + p;
    return out;
}

}  // namespace

// Every mode of vornix-count with --scripts=all, against counts worked out here from the
// words of a small Russian, Greek and Chinese text as read by hand.
TEST(ScriptsCli, EveryModeTakesWordsOfEveryScript) {
    TempDir dir;
    const std::string d1 =
        dir.write("d1.txt", "Мы читаем книгу, и мы пишем книгу.\nΗ οδός και η θάλασσα.\n我们学习中文。\n");
    const std::string d2 = dir.write("d2.txt", "Мы пишем книгу. 中文。\n");
    // The words by hand: upper case by the full mapping, Greek accents kept, the Chinese
    // sentence cut as a dictionary cuts it.
    const Words w1 = {"МЫ",   "ЧИТАЕМ", "КНИГУ", "И",       "МЫ",   "ПИШЕМ", "КНИГУ", "Η",
                      "ΟΔΌΣ", "ΚΑΙ",    "Η",     "ΘΆΛΑΣΣΑ", "我们", "学习",  "中文"};
    const Words w2 = {"МЫ", "ПИШЕМ", "КНИГУ", "中文"};
    const Counts c1 = Frequencies({w1}), c2 = Frequencies({w2}), both = Frequencies({w1, w2});
    auto count = [](const Counts& c, const std::string& w) { return std::to_string(c.count(w) ? c.at(w) : 0); };

    RowSet plain, perFile;
    for (const auto& [w, n] : both) {
        ++plain[Joined({w, std::to_string(n)})];
        ++perFile[Joined({w, std::to_string(n), count(c1, w), count(c2, w)})];
    }
    // Trigrams within each document, with the documents they occur in.
    std::map<std::string, std::pair<int, std::set<int>>> grams;
    for (int d = 0; d < 2; ++d) {
        const Words& w = d == 0 ? w1 : w2;
        for (std::size_t i = 0; i + 3 <= w.size(); ++i) {
            auto& g = grams[w[i] + " " + w[i + 1] + " " + w[i + 2]];
            ++g.first;
            g.second.insert(d);
        }
    }
    RowSet trigrams;
    for (const auto& [g, n] : grams) ++trigrams[Joined({g, std::to_string(n.first), std::to_string(n.second.size())})];
    // The collocates of МЫ one word either side: (together, left, right).
    std::map<std::string, std::array<int, 3>> near;
    for (std::size_t i = 0; i < w1.size(); ++i) {
        if (w1[i] != "МЫ") continue;
        if (i > 0) ++near[w1[i - 1]][0], ++near[w1[i - 1]][1];
        if (i + 1 < w1.size()) ++near[w1[i + 1]][0], ++near[w1[i + 1]][2];
    }
    RowSet collocates;
    for (const auto& [w, n] : near)
        ++collocates[Joined({w, std::to_string(n[0]), std::to_string(n[1]), std::to_string(n[2]), count(c1, w)})];
    // A reference table in lower case, as a table shown in lower case holds its words.
    const std::string table = dir.write("ref.tsv", "мы\t10\nκαι\t5\n中文\t3\nзнаем\t2\n");
    const Counts tableCounts = {{"МЫ", 10}, {"ΚΑΙ", 5}, {"中文", 3}, {"ЗНАЕМ", 2}};
    auto keywords = [&](const Counts& reference) {
        RowSet rows;
        Counts words = c1;
        for (const auto& [w, n] : reference) words.emplace(w, 0);  // the negative ones too
        for (const auto& [w, n] : words) ++rows[Joined({w, count(c1, w), count(reference, w)})];
        return rows;
    };
    // Tables of each document counted alone, one in lower case, summed by --merge.
    const std::string t1 = dir.file("t1.tsv"), t2 = dir.file("t2.txt");
    ASSERT_EQ(RunCount({"--scripts=all", "--no-common-list", "--format=tsv", "--output=" + t1, d1}).exitCode, 0);
    ASSERT_EQ(RunCount({"--scripts=all", "--no-common-list", "--lower", "--output=" + t2, d2}).exitCode, 0);

    struct Row {
        std::vector<std::string> args;
        std::vector<std::string> columns;
        RowSet expected;
    };
    const std::vector<Row> rows = {
        {{d1, d2}, {"word", "count"}, plain},
        {{"--per-file", d1, d2}, {"word", "count", d1, d2}, perFile},
        {{"--ngrams=3", d1, d2}, {"ngram", "count", "range"}, trigrams},
        // The node word typed in lower case, formed by the same rules as the text's words.
        {{"--collocates=мы", "--left=1", "--right=1", d1},
         {"collocate", "cooccurrence", "left", "right", "count"},
         collocates},
        {{"--merge", t1, t2}, {"word", "count"}, plain},
        {{"--keywords", "--p=1", "--negative", "--reference-table=" + table, d1},
         {"word", "count", "reference_count"},
         keywords(tableCounts)},
        {{"--keywords", "--p=1", "--negative", "--reference=" + d2, d1},
         {"word", "count", "reference_count"},
         keywords(c2)},
        // The lines of the word as the documents have it.
        {{"--context=КНИГУ", d1, d2}, {"file", "line", "word"}, {{"d1.txt|1|книгу", 2}, {"d2.txt|1|книгу", 1}}},
        {{"--context=中文", d1, d2}, {"file", "line", "word"}, {{"d1.txt|3|中文", 1}, {"d2.txt|1|中文", 1}}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args = {"--scripts=all", "--no-common-list", "--format=tsv"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        std::string shown;
        for (const std::string& a : row.args) shown += a + " ";
        SCOPED_TRACE(shown);
        const CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(TsvRows(r.out, row.columns), row.expected) << r.out;
    }
}
