// vornix-count over Unicode documents: how each document's encoding is decided, and
// that a Windows-1252 text and its Unicode forms give the same bytes out.
#include "CountProcess.h"
#include "core/engine/Cp1252.h"
#include "core/engine/Utf8.h"

namespace {

std::string Utf8FromCp1252(std::string_view bytes) {
    std::string out;
    for (unsigned char b : bytes) vornix::AppendUtf8(out, vornix::Cp1252CodePoint(b));
    return out;
}

std::string Utf16FromCp1252Bytes(std::string_view bytes, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : vornix::Utf16FromCp1252(bytes)) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

// A Windows-1252 text with what makes the table interesting: accented letters, the
// typographic apostrophe (146), the letters it reads as separators, possessives,
// numbers with commas and full stops, and every high byte now and then.
std::string Cp1252Sample(unsigned seed, std::size_t size) {
    const std::vector<std::string> words = {"the",
                                            "and",
                                            "caf\xE9",
                                            "na\xEFve",
                                            "Z\xFCrich",
                                            "\xC6sop",
                                            "\xE6on",
                                            "Stra\xDF"
                                            "e",
                                            "\x8Auvre",
                                            "\x8C"
                                            "dipe",
                                            "don\x92t",
                                            "John's",
                                            "it's",
                                            "1,000",
                                            "3.14",
                                            "U.S.A.",
                                            "fa\xE7"
                                            "ade",
                                            "se\xF1or",
                                            "\xD8resund",
                                            "gar\xE7on's",
                                            "\x93quoted\x94",
                                            "(note)",
                                            "well-known",
                                            "\xFF"
                                            "es",
                                            "..end",
                                            "_id",
                                            "\xC0\xC1\xC2\xC3\xC4\xC5",
                                            "\xDE"
                                            "orn",
                                            "\xF0"
                                            "eth",
                                            "x\xD7y",
                                            "a'b'",
                                            "\x80"
                                            "5"};
    std::string out;
    unsigned x = seed;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        const unsigned r = (x >> 8) % 1000;
        if (r < 3)
            out += static_cast<char>(0x80 + (x >> 20) % 128);  // any high byte
        else
            out += words[r % words.size()];
        out += (r % 17 == 0) ? "\r\n" : " ";
    }
    return out;
}

}  // namespace

// Several texts, each in Windows-1252, UTF-8 with and without a mark, and UTF-16 LE and
// BE with marks: every form gives the original's bytes, in each order, with and
// without possessives stripped, and the same statistics.
TEST(UnicodeCli, UnicodeFormsOfARealTextCountAsTheWindows1252Original) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> texts = {{"sample-a.txt", Cp1252Sample(1, 300000)},
                                                              {"sample-b.txt", Cp1252Sample(7, 120000)}};
    // A real Windows-1252 text with accented letters and dashes, kept with the tests, and
    // translated books with accented names when the shared corpus is there.
    texts.emplace_back("ulysses-excerpt.txt", ReadFile(VORNIX_TEST_DATA_DIR "/ulysses-excerpt.txt"));
    for (const char* name : {"pg2554-crime-and-punishment.txt", "pg1184-count-of-monte-cristo.txt"}) {
        const std::string path =
            vornix::test::UnpackSharedText(dir, "translated-books.tar.xz", std::string("translated/") + name);
        if (!path.empty()) texts.emplace_back(name, ReadFile(path));
    }
    const std::vector<std::string> forms = {"1252", "utf8", "utf8-mark", "utf16le", "utf16be"};
    for (const std::string& form : forms) std::filesystem::create_directory(dir.file(form));
    for (const auto& [name, original] : texts) {
        SCOPED_TRACE(name);
        dir.write("1252/" + name, original);
        dir.write("utf8/" + name, Utf8FromCp1252(original));
        dir.write("utf8-mark/" + name, "\xEF\xBB\xBF" + Utf8FromCp1252(original));
        dir.write("utf16le/" + name, Utf16FromCp1252Bytes(original, true));
        dir.write("utf16be/" + name, Utf16FromCp1252Bytes(original, false));
        const std::vector<std::vector<std::string>> argSets = {
            {"--order=frequency"},
            {"--order=alphabetical"},
            {"--order=frequency", "--possessives=strip"},
            {"--order=alphabetical", "--possessives=strip", "--show-numbers"},
            {"--stats"},
        };
        for (std::vector<std::string> args : argSets) {
            args.insert(args.begin(), "--no-common-list");
            std::vector<std::string> withFile = args;
            withFile.push_back(dir.file("1252/" + name));
            const CountResult expected = RunCount(withFile);
            ASSERT_EQ(expected.exitCode, 0);
            ASSERT_GT(expected.out.size(), 100u);
            for (std::size_t f = 1; f < forms.size(); ++f) {
                withFile.back() = dir.file(forms[f] + "/" + name);
                const CountResult got = RunCount(withFile);
                EXPECT_EQ(got.exitCode, 0);
                EXPECT_TRUE(got.out == expected.out) << forms[f] << " " << args.back();
            }
        }
    }
    // The sample holds what the table folds and keeps.
    const CountResult sample = RunCount({"--no-common-list", dir.file("utf16be/sample-a.txt")});
    for (const char* word : {"\r\nCAFE\t", "\r\nNAIVE\t", "\r\nAESOP\t", "\r\nDON'T\t", "\r\nSTRA\t", "\r\nUVRE\t"})
        EXPECT_NE(sample.out.find(word), std::string::npos) << word;
}

// How a document's reading is decided, through files and standard input.
TEST(UnicodeCli, EachDocumentIsDecidedOnce) {
    TempDir dir;
    const std::string mib(1 << 20, ' ');
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> args;
        std::string expected;  // the alphabetical table
    };
    // Mark-less UTF-8 whose only non-ASCII character starts in the last byte of the
    // second read block: the whole document is judged, not its start.
    std::string late = std::string(2 * (1 << 20) - 4, ' ') + "caf\xC3\xA9 x";
    // Valid UTF-8 up to one stray byte near the end: all of it reads as 8-bit.
    std::string stray = "caf\xC3\xA9 " + std::string(3 << 20, ' ') + "\xE9t\xE9 end";
    const std::vector<Case> cases = {
        {"the issue's sample",
         "Don\xE2\x80\x99t stop \xE2\x80\x9C"
         "believing\xE2\x80\x9D \xE2\x80\x94 caf\xC3\xA9 na\xC3\xAFve Z\xC3\xBCrich",
         {},
         Table({{"BELIEVING", 1}, {"CAFE", 1}, {"DON'T", 1}, {"NAIVE", 1}, {"STOP", 1}, {"ZURICH", 1}})},
        {"the same, byte by byte as before",
         "Don\xE2\x80\x99t stop \xE2\x80\x9C"
         "believing\xE2\x80\x9D \xE2\x80\x94 caf\xC3\xA9 na\xC3\xAFve Z\xC3\xBCrich",
         {"--encoding=8bit"},
         Table({{"A", 2},
                {"BELIEVINGA", 1},
                {"CAFA", 1},
                {"DONA", 1},
                {"NAA", 1},
                {"RICH", 1},
                {"STOP", 1},
                {"T", 1},
                {"VE", 1},
                {"ZA", 1}})},
        {"UTF-8 mark", "\xEF\xBB\xBFword caf\xC3\xA9", {}, Table({{"CAFE", 1}, {"WORD", 1}})},
        {"UTF-8 mark, byte by byte", "\xEF\xBB\xBFword", {"--encoding=8bit"}, Table({{"I", 1}, {"WORD", 1}})},
        {"UTF-16 LE mark", std::string("\xFF\xFEw\0o\0r\0d\0 \0\xE9\0", 14), {}, Table({{"E", 1}, {"WORD", 1}})},
        {"UTF-16 BE mark, odd length",
         std::string("\xFE\xFF\0w\0o\0r\0d\0 \0x\0", 15),
         {},
         Table({{"WORD", 1}, {"X", 1}})},
        {"UTF-16 mark forced to UTF-8",
         std::string("\xFF\xFEw\0", 4),
         {"--encoding=utf-8"},
         Table({{"W", 1}, {"Y", 1}})},
        {"Windows-1252 text", "caf\xE9 na\xEFve", {}, Table({{"CAFE", 1}, {"NAIVE", 1}})},
        {"Windows-1252 text forced to UTF-8",
         "caf\xE9 \xC3\xA9t\xC3\xA9",
         {"--encoding=utf-8"},
         Table({{"CAFE", 1}, {"ETE", 1}})},
        {"overlong and surrogate: 8-bit",
         "caf\xC3\xA9 \xC0\xAF \xED\xA0\x80",
         {},
         Table({{"A", 1}, {"CAFA", 1}, {"I", 1}})},
        {"past the first mebibyte, across a block boundary", late, {}, Table({{"CAFE", 1}, {"X", 1}})},
        {"one stray byte near the end", stray, {}, Table({{"CAFA", 1}, {"END", 1}, {"ETE", 1}})},
        {"Greek and Cyrillic",
         "\xCE\xB1\xCE\xB2\xCE\xB3 \xD0\xBC\xD0\xB8\xD1\x80 ok",
         {"--stats"},
         Stats(1, 0, 0, 0, 1, 1, 1, 0, "t.txt", 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"--no-common-list", "--order=alphabetical"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(dir.write("t.txt", c.bytes));
        const CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(Counters(r.out), c.expected);
    }
    // Standard input cannot be read twice: it is judged on the mebibyte after its first
    // non-ASCII byte, so the late character is found, and a stray byte further on reads
    // as its Windows-1252 character.
    auto piped = [&](const std::string& bytes) {
        const std::string file = dir.write("piped.txt", bytes);
        const std::string command =
            "cat '" + file + "' | '" VORNIX_COUNT_PATH "' --no-common-list --order=alphabetical -";
        std::string out;
        if (std::FILE* p = ::popen(command.c_str(), "r")) {
            char buf[4096];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
            EXPECT_EQ(::pclose(p), 0);
        }
        return out;
    };
    const std::string strayLater = "caf\xC3\xA9 " + mib + mib + "\xE9t\xE9 end";
    EXPECT_EQ(piped(late), Table({{"CAFE", 1}, {"X", 1}}));
    EXPECT_EQ(piped(strayLater), Table({{"CAFE", 1}, {"END", 1}, {"ETE", 1}}));
    EXPECT_EQ(piped(std::string("\xFE\xFF\0h\0i", 6)), Table({{"HI", 1}}));
    EXPECT_EQ(piped("caf\xE9 " + mib + "\xC3\xA9"), Table({{"A", 1}, {"CAFE", 1}}))
        << "8-bit when the first MiB says so";
}

// A UTF-8 common words list marks the words of a Windows-1252 document common.
TEST(UnicodeCli, UnicodeCommonWordsList) {
    TempDir dir;
    const std::string list = dir.write("list.dat",
                                       "caf\xC3\xA9\r\n\xC5\x81\xC3\xB3"
                                       "d\xC5\xBA the\r\n");
    const std::string doc = dir.write("doc.txt",
                                      "Caf\xE9 the L\xF3"
                                      "dz dog");
    const CountResult r = RunCount({"--common-list=" + list, "--stats", doc});
    EXPECT_EQ(Counters(r.out), Stats(1, 3, 3, 0, 4, 4, 1, 0, "doc.txt"));
    const CountResult table = RunCount({"--common-list=" + list, "--order=alphabetical", "--show-common", doc});
    EXPECT_EQ(table.out, Table({{"CAFE", 1}, {"DOG", 1}, {"LODZ", 1}, {"THE", 1}}));
    // Read byte by byte, the list's UTF-8 letters are other words.
    const CountResult bytes = RunCount({"--common-list=" + list, "--encoding=8bit", "--stats", doc});
    EXPECT_EQ(Counters(bytes.out), Stats(1, 4, 1, 3, 4, 4, 3, 0, "doc.txt"));
}

TEST(UnicodeCli, EncodingOptionIsChecked) {
    const CountResult r = RunCount({"--encoding=latin1", "x"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("vornix-count: bad value for --encoding: latin1\n", 0), 0u);
}
