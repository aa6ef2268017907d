// Bad inputs through vornix-count: each gives its expected result or a clear error, and
// no file is lost or left behind.
#include <sys/resource.h>

#include "CountProcess.h"

namespace {

std::string AllByteValues() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

}  // namespace

TEST(BadInput, OddButReadableFilesGiveExactWords) {
    TempDir dir;
    struct Row {
        const char* what;
        std::string bytes;
        std::vector<std::string> args;
        std::string expected;
    };
    const std::string forty(40, 'A');
    const std::vector<Row> rows{
        {"an empty file", "", {}, ""},
        {"all 256 byte values, Windows set",
         AllByteValues(),
         {},
         Table({{"0123456789", 1},
                {"AAAAAAAECEEEEIIII", 2},
                {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2},
                {"NOOOOO", 2},
                {"OUUUUY", 2},
                {"Y", 1},
                {"_", 1}})},
        {"all 256 byte values, DOS set",
         AllByteValues(),
         {"--charset=dos"},
         Table({{"0123456789", 1},
                {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 2},
                {"CUEAAAACEEEIIIAAEAEAEOOOUUIOU", 1},
                {"FAIOUNN", 1},
                {"_", 1}})},
        {"runs of NUL bytes between words",
         std::string(1000, '\0') + "one" + std::string(5000, '\0') + "two",
         {},
         Table({{"ONE", 1}, {"TWO", 1}})},
        {"one 10 MB line of letters", std::string(10 << 20, 'a'), {}, Table({{forty, 1}})},
        {"one 10 MB line of words",
         [] {
             std::string s;
             for (int i = 0; i < (10 << 20) / 5; ++i) s += "word ";
             return s;
         }(),
         {},
         Table({{"WORD", (10 << 20) / 5}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> args{"--no-common-list", "--show-numbers", "--order=alphabetical"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back(dir.write("input.bin", row.bytes));
        CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, row.expected);
        EXPECT_TRUE(r.leftovers.empty());
    }
}

TEST(BadInput, HugeSparseFileIsReadInBlocksNotHeldInMemory) {
    TempDir dir;
    const std::string path = dir.file("sparse.bin");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        // 2 GiB of holes with a word at each end.
        ASSERT_EQ(::pwrite(fd, "first ", 6, 0), 6);
        const off_t size = off_t{2} << 30;
        ASSERT_EQ(::pwrite(fd, " last", 5, size - 5), 5);
        ::close(fd);
    }
    long peakKiB = 0;
    CountResult r = RunCount({"--no-common-list", "--order=alphabetical", path}, RunSetup{{}, {}, &peakKiB});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Table({{"FIRST", 1}, {"LAST", 1}}));
    EXPECT_LT(peakKiB, 64 * 1024) << "the program held far more than a block of the file";
}

TEST(BadInput, UnusableFoldersAndFullDisksAreReportedAndLoseNothing) {
    TempDir dir;
    const std::string doc = dir.write("doc.txt", "some words to count and count again");

    // The record file's folder does not exist.
    TempDir capture;
    const std::string noFolder = capture.file("no-such-folder");
    CountResult missing = RunCount({"--no-common-list", doc}, RunSetup{{}, noFolder, nullptr});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    // The record file has no name: the message names its folder.
    EXPECT_EQ(missing.err,
              "vornix-count: Cannot create the record file in " + noFolder + " (No such file or directory)\n");

    // A full disk while writing --output (a file-size limit stands in for it): the old
    // file stays whole and nothing is left beside it.
    const std::string target = dir.write("table.txt", "the old table\r\n");
    // 1,024 distinct words of 40 letters: the record file takes 43 bytes a word (44,032),
    // the table 44 (45,056), and the limit lies between them.
    std::string big;
    for (int i = 0; i < 1024; ++i) {
        std::string digits = std::to_string(i);
        big += "W" + std::string(39 - digits.size(), '0') + digits + " ";
    }
    const std::string bigDoc = dir.write("big.txt", big);
    CountResult r;
    {
        vornix::test::FileSizeLimit limit(44544);  // inherited by the child
        r = RunCount({"--no-common-list", "--output=" + target, bigDoc});
    }
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("vornix-count: Cannot create file " + target, 0), 0u) << r.err;
    EXPECT_EQ(ReadFile(target), "the old table\r\n");
    std::vector<std::string> names = FolderEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.txt", "doc.txt", "table.txt"}));
}

TEST(BadInput, UnreadableAndReadOnlyListFiles) {
    TempDir dir;
    const std::string doc = dir.write("doc.txt", "the cat");
    // A read-only list is only read: that is fine.
    const std::string list = dir.write("list.dat", "THE\r\n");
    ::chmod(list.c_str(), 0444);
    CountResult r = RunCount({"--common-list=" + list, doc});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Table({{"CAT", 1}}));
    EXPECT_EQ(ReadFile(list), "THE\r\n");
    if (vornix::test::IgnoresPermissions()) return;  // root reads files without read permission
    const std::string secret = dir.write("secret.txt", "hidden");
    ::chmod(secret.c_str(), 0200);
    r = RunCount({"--no-common-list", secret});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "vornix-count: Cannot open file " + secret + " (Permission denied)\n");
}
