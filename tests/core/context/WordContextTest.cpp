#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/context/WordContext.h"
#include "core/engine/Scanner.h"

using namespace vornix;
using vornix::test::CorpusExcerpt;
using vornix::test::TempDir;

namespace {

struct Reading {
    CharacterSet set = CharacterSet::Windows;
    bool strip = false;
    EncodingChoice encoding = EncodingChoice::Auto;
};

std::unique_ptr<AnalysisRun> Count(const TempDir& dir, const std::vector<std::string>& paths, Reading s = {}) {
    auto run = std::make_unique<AnalysisRun>(dir.file("Vornix.$$$"));
    run->GeneralInitialize(s.set, nullptr, s.encoding);
    run->ReadDocuments(paths, s.strip);
    run->GeneralClosedown();
    return run;
}

std::string Bytes(const RunInput& in, const Occurrence& o) {
    if (in.path.empty()) return in.text.substr(o.offset, o.length);
    std::ifstream f(in.path, std::ios::binary);
    std::string b(o.length, '\0');
    f.seekg(static_cast<std::streamoff>(o.offset));
    f.read(b.data(), o.length);
    return b;
}

// The word the bytes of an occurrence read as, by the rules its input was counted with:
// this checks that the offsets point at the word itself.
std::string WordAt(const AnalysisRun& run, const Occurrence& o) {
    const RunInput& in = run.Inputs()[o.input];
    std::string codes = Bytes(in, o);
    if (in.encoding != TextEncoding::Bytes) {
        CodePointTable table;
        codes = DecodeToCodes(codes, in.encoding, table);
    }
    Scanner scanner(run.CharMap());
    scanner.Start();
    std::vector<std::string> words;
    auto onWord = [&](std::string_view w) {
        if (in.strip) w = w.substr(0, StripPossessive(w.data(), w.size()));
        words.emplace_back(w);
        return true;
    };
    scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
    scanner.Finish(onWord);
    return words.size() == 1 ? words[0] : "<" + std::to_string(words.size()) + " words>";
}

// Every word of the table: as many occurrences as its count, each one that word.
void ExpectEveryWordFound(AnalysisRun& run, const std::string& what) {
    ASSERT_GT(run.Store().WordCount(), 0) << what;
    std::int64_t total = 0;
    for (std::int32_t n = 0; n < run.Store().WordCount(); ++n) {
        const std::string word(run.Store().ReadWordRecord(n).Text());
        OccurrenceSearch search(run, word);
        while (search.Step(1 << 12)) {
        }
        ASSERT_EQ(search.Found().size(), static_cast<std::size_t>(run.Store().Count(n))) << what << ": " << word;
        EXPECT_TRUE(search.Problems().empty()) << what;
        for (const Occurrence& o : search.Found()) ASSERT_EQ(WordAt(run, o), word) << what << " at " << o.offset;
        total += static_cast<std::int64_t>(search.Found().size());
        // Cut into chunks far smaller than a word, a sentence or the text, and read on
        // several threads where the input allows: the same finds in the same order.
        // (Some fifty words, and a megabyte in no more than a few hundred chunks, to keep
        // it quick.)
        if (n % std::max(1, run.Store().WordCount() / 50) != 0) continue;
        for (const auto& [threads, smallest] :
             {std::pair{2u, std::size_t{1}}, {3u, std::size_t{5}}, {4u, std::size_t{97}}}) {
            OccurrenceSearch chunked(run, word);
            chunked.SetThreads(threads, std::max<std::size_t>(smallest, std::size_t(search.BytesTotal()) / 300));
            chunked.RunToEnd();
            ASSERT_EQ(chunked.Found().size(), search.Found().size())
                << what << ": " << word << " on " << threads << " threads";
            for (std::size_t k = 0; k < search.Found().size(); ++k) {
                ASSERT_EQ(chunked.Found()[k].input, search.Found()[k].input) << what << ": " << word;
                ASSERT_EQ(chunked.Found()[k].offset, search.Found()[k].offset) << what << ": " << word << " #" << k;
                ASSERT_EQ(chunked.Found()[k].length, search.Found()[k].length) << what << ": " << word << " #" << k;
            }
            EXPECT_EQ(chunked.BytesDone(), search.BytesDone()) << what;
        }
    }
    EXPECT_EQ(total, run.State().TotalWords) << what;
}

// Numbers, apostrophes, possessives, the ligature, edges, over-long words.
std::string EdgeText() {
    std::string t =
        "1,000,000 men and 3.14 pies; e.g. U.S.A. end.Start etc... .5 ,5 5,a x,5 5,,6\r\n"
        "'tis the dogs' don't DON'T Don't cat's CAT'S it's o'neill's dogs's cats' ''' \r"
        "\xC6sop and \xE6on; na\xEFve caf\xE9 \x92quoted\x92 rock\x92s\n" +
        std::string(40, 'w') + " " + std::string(41, 'x') + " " + std::string(39, 'y') + "'s " + std::string(39, 'z') +
        "\xC6 tail\n";
    return t;
}

}  // namespace

TEST(WordContext, EveryWordOfARealTextIsFoundAsOftenAsCounted) {
    // The first sonnets, with the corpus's byte 146 for every apostrophe.
    TempDir dir;
    const std::string path = CorpusExcerpt("shakespeare-sonnets.txt");
    for (bool strip : {false, true}) {
        auto run = Count(dir, {path}, {CharacterSet::Windows, strip});
        ExpectEveryWordFound(*run, strip ? "stripped" : "kept");
    }
}

TEST(WordContext, EdgeCasesInEverySettingAndEncoding) {
    TempDir dir;
    // Words across the 1 MiB read block and the decoder's 64 KiB pieces.
    std::string big = EdgeText();
    big.resize((1 << 16) - 3, ' ');
    big += "boundary's 1,2 ";
    big.resize((1 << 20) - 5, '.');
    big += " acrossTheBlock's 9,99 end";
    const std::string bytes = dir.write("bytes.txt", EdgeText() + big);
    // DOS: 145 and 146 are the ligature, 130 an accented e.
    const std::string dos = dir.write("dos.txt", "\x91sop \x92ON caf\x82 it's dog's " + std::string(45, 'q'));
    // UTF-8: precomposed and combining accents, the fi ligature, curly apostrophes, other
    // scripts, an emoji; a BOM and a mark-free file.
    const std::string utf8Text =
        "Caf\xC3\xA9 cafe\xCC\x81 \xEF\xAC\x81nance don\xE2\x80\x99t cat\xE2\x80\x99s \xCE\xB1\xCE\xB2\xCE\xB3 "
        "\xC3\x86sop \xF0\x9F\x98\x80smile 1,000 na\xC3\xAFve\n" +
        big;
    const std::string utf8 = dir.write("utf8.txt", utf8Text);
    const std::string bom = dir.write("bom.txt", "\xEF\xBB\xBF" + utf8Text.substr(0, 200));
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Don't stop the \xE9lan, 1,000 men")) {
        utf16 += c;
        utf16 += '\0';
    }
    utf16 += std::string("\x3D\xD8\x00\xDE", 4);  // an emoji as a surrogate pair
    utf16 += std::string("e\0\x01\x03", 4);       // e and a combining acute
    utf16 += std::string(
        "a\0\x00\xD8"
        "b\0\x00\xDC"
        "c\0\x00\xD8",
        12);  // unpaired surrogates
    const std::string u16 = dir.write("utf16.txt", utf16);
    // Any bytes at all: letters, punctuation, controls, broken UTF-8, from a fixed seed.
    std::string noise;
    std::uint32_t seed = 12345;
    const char alphabet[] =
        "aAbBcC'',,..  \r\n\x92\xC6\xE9\xC3\xA9\xCC\x81\xE2\x80\x99\xF0\x9F"
        "9_";
    for (int i = 0; i < 8000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    const std::string random = dir.write("random.txt", noise);

    struct Case {
        std::vector<std::string> paths;
        Reading setup;
        const char* what;
    };
    const Case cases[] = {
        {{bytes}, {CharacterSet::Windows, false}, "windows kept"},
        {{bytes}, {CharacterSet::Windows, true}, "windows stripped"},
        {{bytes, dos}, {CharacterSet::Dos, true}, "dos stripped"},
        {{dos}, {CharacterSet::Dos, false}, "dos kept"},
        {{utf8, bom, u16}, {CharacterSet::Windows, true}, "unicode stripped"},
        {{utf8, u16}, {CharacterSet::Windows, false}, "unicode kept"},
        {{utf8}, {CharacterSet::Windows, false, EncodingChoice::Bytes}, "utf-8 read as bytes"},
        {{bytes}, {CharacterSet::Windows, false, EncodingChoice::Utf8}, "bytes read as utf-8"},
        {{random}, {CharacterSet::Windows, true}, "random bytes"},
        {{random}, {CharacterSet::Dos, false}, "random bytes, dos"},
        {{random}, {CharacterSet::Windows, false, EncodingChoice::Utf8}, "random bytes read as utf-8"},
    };
    for (const Case& c : cases) {
        auto run = Count(dir, c.paths, c.setup);
        ExpectEveryWordFound(*run, c.what);
    }
}

TEST(WordContext, InputsHeldInMemoryAndAStoppedRun) {
    TempDir dir;
    AnalysisRun run(dir.file("Vornix.$$$"));
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.VornixText("The cat's \x92hat\x92 the end", "Clipboard", true);
    run.GeneralClosedown();
    ExpectEveryWordFound(run, "8-bit clipboard");

    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadUnicodeText(u"The caf\u00E9 cafe\u0301 the end", "Clipboard", false);
    run.GeneralClosedown();
    ExpectEveryWordFound(run, "Unicode clipboard");

    // A Break answered Yes in the second text: what followed was not counted, nor is it found.
    const std::string path = dir.write("t.txt", "the a the b the c the d the e");
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.Hooks().confirmStop = [] { return true; };
    run.VornixText("the a the b the", "x", false);
    run.State().BreakRequested = true;  // the file stops at its first word
    run.ReadDocuments({path}, false);
    run.GeneralClosedown();
    ASSERT_TRUE(run.State().StopRun);
    ExpectEveryWordFound(run, "stopped run");
}

TEST(WordContext, LineBreaksOfEveryKind) {
    struct Case {
        std::string text;
        int unit;
        int next;
        std::int64_t breaks;
    };
    const Case cases[] = {
        {"a\nb\nc", 1, -1, 2},
        {"a\r\nb\r\nc", 1, -1, 2},
        {"a\rb\rc", 1, -1, 2},
        {"\r\r\n\n\r", 1, -1, 4},
        {"a\r", 1, '\n', 0},
        {"a\r", 1, 'b', 1},
        {"a\r", 1, -1, 1},
        {std::string("a\0\r\0\n\0\r\0", 8), 2, -1, 2},
        {std::string("\0\r\0\r", 4), 2, -1, 0},  // big-endian units read as little: no breaks
    };
    for (const Case& c : cases)
        EXPECT_EQ(CountLineBreaks(reinterpret_cast<const unsigned char*>(c.text.data()), c.text.size(), c.next, c.unit),
                  c.breaks)
            << c.text;

    // Through the search and the reader, in every ending and in UTF-16.
    TempDir dir;
    std::string u16 = "\xFF\xFE";
    for (char c : std::string("one\r\ntwo x\rthree\nx")) u16 += std::string{c, '\0'};
    const std::string paths[] = {
        dir.write("lf.txt", "x\n\nx two\nthree x"),
        dir.write("crlf.txt", "x\r\n\r\nx two\r\nthree x"),
        dir.write("cr.txt", "x\r\rx two\rthree x"),
        dir.write("u16.txt", u16),
    };
    auto run = Count(dir, {paths[0], paths[1], paths[2], paths[3]});
    OccurrenceSearch search(*run, "X");
    search.RunToEnd();
    ContextReader reader(*run);
    std::vector<std::int64_t> lines;
    for (const Occurrence& o : search.Found()) lines.push_back(reader.Format(o, 10).line);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{1, 3, 4, 1, 3, 4, 1, 3, 4, 2, 4}));
    // Asked for backwards, from the line marks.
    EXPECT_EQ(reader.LineOf(0, search.Found()[1].offset), 3);
}

TEST(WordContext, ContextIsCutAtWordsAndAtTheTextsEnds) {
    TempDir dir;
    const std::string path = dir.write("t.txt", "Alpha beta\tgamma THE delta\r\nepsilon zeta eta. The");
    auto run = Count(dir, {path});
    OccurrenceSearch search(*run, "THE");
    search.RunToEnd();
    ASSERT_EQ(search.Found().size(), 2u);
    ContextReader reader(*run);
    struct Case {
        std::size_t index;
        int width;
        const char* left;
        const char* hit;
        const char* right;
    };
    const Case cases[] = {
        {0, 40, "Alpha beta gamma", "THE", "delta epsilon zeta eta. The"},
        {0, 12, "beta gamma", "THE", "delta"},  // "beta gamma " and "delta epsil": partial words go
        {0, 8, "gamma", "THE", "delta"},
        {0, 3, "", "THE", ""},
        {1, 14, "zeta eta.", "The", ""},
    };
    for (const Case& c : cases) {
        const auto line = reader.Format(search.Found()[c.index], c.width);
        EXPECT_EQ(line.left, c.left) << c.width;
        EXPECT_EQ(line.hit, c.hit) << c.width;
        EXPECT_EQ(line.right, c.right) << c.width;
        EXPECT_EQ(line.name, "t.txt");
    }
    EXPECT_EQ(ConcordanceLine(reader.Format(search.Found()[1], 40)),
              "t.txt\t2\tbeta gamma THE delta epsilon zeta eta.\tThe\t\n");

    // The occurrence as written: original case and accents, in UTF-8 whatever the input.
    const std::string latin = dir.write("l.txt", "un caf\xE9 noir");
    const std::string utf8 = dir.write("u.txt", "deux CAFE\xCC\x81S, cafe\xCC\x81");
    run = Count(dir, {latin, utf8}, {CharacterSet::Windows, true});
    OccurrenceSearch cafe(*run, "CAFE");
    cafe.RunToEnd();
    ContextReader r2(*run);
    std::vector<std::string> hits;
    for (const Occurrence& o : cafe.Found()) hits.push_back(r2.Format(o, 20).hit);
    EXPECT_EQ(hits, (std::vector<std::string>{"caf\xC3\xA9", "cafe\xCC\x81"}));
}

TEST(WordContext, SortByTheWordsToTheLeftAndRight) {
    TempDir dir;
    const std::string path = dir.write("t.txt", "b cat z. A cat y. c cat X. a CAT x. B cat");
    auto run = Count(dir, {path});
    OccurrenceSearch search(*run, "CAT");
    search.RunToEnd();
    ContextReader reader(*run);
    auto order = [&](const char* key) {
        std::vector<Occurrence> found = search.Found();
        ContextSort sort;
        EXPECT_TRUE(ParseContextSort(key, sort)) << key;
        SortOccurrences(found, sort, reader);
        std::vector<std::uint64_t> offsets;
        for (const Occurrence& o : found) offsets.push_back(o.offset);
        return offsets;
    };
    // Offsets: 2, 11, 20, 29, 38.
    EXPECT_EQ(order("1L"), (std::vector<std::uint64_t>{11, 29, 2, 38, 20}));  // A a b B c, ties in text order
    EXPECT_EQ(order("1R"), (std::vector<std::uint64_t>{38, 20, 29, 11, 2}));  // (none) X x y z
    EXPECT_EQ(order("2L"), (std::vector<std::uint64_t>{2, 29, 38, 20, 11}));  // (none) X x y z
    EXPECT_EQ(order("text"), (std::vector<std::uint64_t>{2, 11, 20, 29, 38}));
    ContextSort sort;
    for (const char* bad : {"", "L", "0L", "1X", "R1"}) EXPECT_FALSE(ParseContextSort(bad, sort)) << bad;
}

TEST(WordContext, ChangedVanishedAndUnreadableInputs) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "the cat");
    const std::string b = dir.write("b.txt", "the dog");
    const std::string c = dir.write("c.txt", "the end");
    auto run = Count(dir, {a, b, c});
    dir.write("a.txt", "the cat and the hat");  // changed size
    ::unlink(b.c_str());                        // vanished
    OccurrenceSearch search(*run, "THE");
    search.RunToEnd();
    EXPECT_EQ(search.Problems(), (std::vector<std::string>{ChangedFileMessage(a), ChangedFileMessage(b)}));
    EXPECT_EQ(ChangedFileMessage(a),
              "The file " + a + " has changed since it was counted; the lines shown may not match the table");
    EXPECT_EQ(search.Found().size(), 3u);  // two in the changed file, one in the last
    EXPECT_TRUE(search.Done());

    if (!vornix::test::IgnoresPermissions()) {
        ::chmod(c.c_str(), 0);
        OccurrenceSearch again(*run, "THE");
        again.RunToEnd();
        EXPECT_EQ(again.Problems().back(), "Cannot open file " + c);
    }
}

TEST(WordContext, InputsSwappedForAPipeOrADeviceAreNotedWithoutWaiting) {
    // Regular when counted, then a FIFO nobody writes to or a link to /dev/zero: the
    // search and the lines would wait or read for ever.
    for (const std::string swap : {"fifo", "/dev/zero"}) {
        SCOPED_TRACE(swap);
        TempDir dir;
        const std::string a = dir.write("a.txt", "the cat");
        auto run = Count(dir, {a});
        OccurrenceSearch before(*run, "THE");
        before.RunToEnd();
        ASSERT_EQ(before.Found().size(), 1u);
        ::unlink(a.c_str());
        if (swap == "fifo")
            ASSERT_EQ(::mkfifo(a.c_str(), 0600), 0);
        else
            ASSERT_EQ(::symlink(swap.c_str(), a.c_str()), 0);
        OccurrenceSearch search(*run, "THE");
        search.RunToEnd();
        EXPECT_EQ(search.Problems(), std::vector<std::string>{ChangedFileMessage(a)});
        ContextReader reader(*run);
        EXPECT_EQ(reader.Format(before.Found()[0], 20).right, "");
        EXPECT_EQ(reader.Problems(), std::vector<std::string>{ChangedFileMessage(a)});
    }
}

TEST(WordContext, TheLinePassNotesAFileChangedAfterTheSearch) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "the cat sat on the mat\n";  // more than the lines' cache
    const std::string a = dir.write("a.txt", text);
    const std::string b = dir.write("b.txt", "the end");
    auto run = Count(dir, {a, b});
    OccurrenceSearch search(*run, "THE");
    search.RunToEnd();
    ASSERT_TRUE(search.Problems().empty());
    ASSERT_EQ(search.Found().size(), 40001u);
    {  // truncated before its lines are formed
        ContextReader reader(*run);
        ASSERT_EQ(::truncate(a.c_str(), 100), 0);
        EXPECT_EQ(reader.Format(search.Found().back(), 20).hit, "the");  // the other file
        EXPECT_TRUE(reader.Problems().empty());
        reader.Format(search.Found()[36000], 20);
        reader.Format(search.Found()[36001], 20);
        EXPECT_EQ(reader.Problems(), std::vector<std::string>{ChangedFileMessage(a)});  // once
    }
    {  // truncated while its lines are formed: a read past the end comes short
        dir.write("a.txt", text);
        run = Count(dir, {a, b});
        ContextReader reader(*run);
        EXPECT_EQ(reader.Format(search.Found()[0], 20).hit, "the");
        ASSERT_EQ(::truncate(a.c_str(), 100), 0);
        reader.Format(search.Found()[36000], 20);
        EXPECT_EQ(reader.Problems(), std::vector<std::string>{ChangedFileMessage(a)});
    }
    {  // written to after its lines were formed: the last look finds it
        dir.write("a.txt", text);
        run = Count(dir, {a, b});
        ContextReader reader(*run);
        reader.Format(search.Found()[0], 20);
        reader.CheckInputs();
        EXPECT_TRUE(reader.Problems().empty());
        std::ofstream(a, std::ios::app) << "more";
        reader.CheckInputs();
        EXPECT_EQ(reader.Problems(), std::vector<std::string>{ChangedFileMessage(a)});
    }
}

TEST(WordContext, TypedWordsReadAsTheTableStoresThem) {
    const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    EXPECT_EQ(StoredFormOf("the", map), "THE");
    EXPECT_EQ(StoredFormOf("don\xE2\x80\x99t", map), "DON'T");
    EXPECT_EQ(StoredFormOf("Caf\xC3\xA9", map), "CAFE");
    EXPECT_EQ(StoredFormOf("1,000", map), "1000");
    EXPECT_EQ(StoredFormOf("'tis.", map), "TIS");
    EXPECT_EQ(StoredFormOf("two words", map), "");
    EXPECT_EQ(StoredFormOf("--", map), "");
}
