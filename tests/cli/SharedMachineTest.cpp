// vornix-count on a machine shared with other users and run from odd surroundings:
// files planted under names it might choose, a record file truncated under it, output
// that is not a regular file, closed standard descriptors.
#include <grp.h>
#include <sys/stat.h>

#include <fstream>

#include "CountProcess.h"

namespace {

constexpr uid_t kNobody = 65534;

struct Child {
    std::vector<std::string> args;
    std::string tmpdir;
    int in = -1, out = -1, err = -1;  // -1: left closed in the child
    bool asNobody = false;
    std::string program = VORNIX_COUNT_PATH;
};

// Starts vornix-count without XDG_RUNTIME_DIR (so the record file goes to tmpdir),
// optionally as the user nobody, whom permission bits stop.
pid_t Start(const Child& c) {
    std::vector<std::string> argStore{c.program};
    argStore.insert(argStore.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        const std::string_view v(*e);
        if (v.substr(0, 7) != "TMPDIR=" && v.substr(0, 16) != "XDG_RUNTIME_DIR=") envStore.emplace_back(*e);
    }
    envStore.push_back("TMPDIR=" + c.tmpdir);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // In the child: only async-signal-safe calls from here on.
    const int from[3] = {c.in, c.out, c.err};
    int moved[3];
    for (int fd = 0; fd < 3; ++fd) moved[fd] = from[fd] >= 0 ? ::fcntl(from[fd], F_DUPFD_CLOEXEC, 10) : -1;
    for (int fd = 0; fd < 3; ++fd) {
        if (moved[fd] >= 0)
            ::dup2(moved[fd], fd);
        else
            ::close(fd);
    }
    if (c.asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(125);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(126);
}

int OpenFile(const std::string& path, int flags) {
    return ::open(path.c_str(), flags | O_CLOEXEC, 0644);
}

}  // namespace

TEST(SharedMachine, OutputGoesToDevicesAndPipesInPlaceAndKeepsLinksAndReadOnlyFiles) {
    TempDir dir;
    const std::string doc = dir.write("doc.txt", "b a b");
    const std::string table = Table({{"B", 2}, {"A", 1}});
    const std::string target = dir.write("target.txt", "old");
    const std::string link = dir.file("link.txt");
    std::filesystem::create_symlink(target, link);
    const std::string dangling = dir.file("dangling.txt");
    std::filesystem::create_symlink(dir.file("made-by-save.txt"), dangling);
    const std::string readOnly = dir.write("read-only.txt", "keep me");
    ::chmod(readOnly.c_str(), 0444);
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Row {
        std::string output;
        int exitCode;
        std::string err;
        std::string readBack;  // the path whose bytes are checked, with what they must be
        std::string bytes;
    };
    const std::vector<Row> rows{
        {link, 0, "", target, table},
        {dangling, 0, "", dir.file("made-by-save.txt"), table},
        {readOnly, 1, "vornix-count: Cannot create file " + readOnly + " (File access denied)\n", readOnly, "keep me"},
        {dir.path(), 1, "vornix-count: Cannot create file " + dir.path() + " (Is a directory)\n", "", ""},
        {"/dev/null", 0, "", "", ""},
        {fifo, 0, "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.output);
        std::string fromFifo;
        std::thread reader;
        if (row.output == fifo) reader = std::thread([&] { fromFifo = ReadFile(fifo); });
        const CountResult r = RunCount({"--no-common-list", "--output=" + row.output, doc});
        if (reader.joinable()) reader.join();
        EXPECT_EQ(r.exitCode, row.exitCode);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.out, "");
        if (!row.readBack.empty()) EXPECT_EQ(ReadFile(row.readBack), row.bytes);
        if (row.output == fifo) EXPECT_EQ(fromFifo, table);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST(SharedMachine, EachClosedStandardDescriptorGivesTheRightResultOrExitOne) {
    TempDir dir;
    const std::string doc = dir.write("doc.txt", "b a b");
    const std::string tmp = dir.file("tmp");
    std::filesystem::create_directory(tmp);
    struct Row {
        const char* what;
        int closed;
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // when standard output is open
        std::string errPart;
    };
    const std::vector<Row> rows{
        // Standard input reads as empty; before, "-" counted the program's own record file.
        {"stdin closed", 0, {"--no-common-list", "-", doc}, 0, Table({{"B", 2}, {"A", 1}}), ""},
        // The table has nowhere to go: that is an error, not a quiet success.
        {"stdout closed", 1, {"--no-common-list", doc}, 1, "", "cannot write to standard output"},
        {"stdout closed, --output", 1, {"--no-common-list", "--output=" + dir.file("o.txt"), doc}, 0, "", ""},
        {"stderr closed", 2, {"--no-common-list", doc}, 0, Table({{"B", 2}, {"A", 1}}), ""},
        {"stderr closed, an error", 2, {"--no-common-list", dir.file("missing")}, 1, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string outPath = dir.file("out"), errPath = dir.file("err");
        const int in = OpenFile(doc, O_RDONLY);
        const int out = OpenFile(outPath, O_WRONLY | O_CREAT | O_TRUNC);
        const int err = OpenFile(errPath, O_WRONLY | O_CREAT | O_TRUNC);
        const pid_t pid =
            Start({row.args, tmp, row.closed == 0 ? -1 : in, row.closed == 1 ? -1 : out, row.closed == 2 ? -1 : err});
        ::close(in);
        ::close(out);
        ::close(err);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(WaitFor(pid), row.exitCode);
        EXPECT_EQ(ReadFile(outPath), row.out);
        EXPECT_NE(ReadFile(errPath).find(row.errPart), std::string::npos) << ReadFile(errPath);
        if (row.closed == 2) EXPECT_EQ(ReadFile(errPath), "");
        EXPECT_TRUE(FolderEntries(tmp).empty());
    }
    if (std::filesystem::exists(dir.file("o.txt"))) EXPECT_EQ(ReadFile(dir.file("o.txt")), Table({{"B", 2}, {"A", 1}}));
}

TEST(SharedMachine, FilesThatReportSizeZeroAreReadToTheirEnd) {
    const CountResult r = RunCount({"--no-common-list", "/proc/self/environ"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("TMPDIR\t"), std::string::npos) << r.out;
}

TEST(SharedMachine, PlantedLinksAndFilesAtLikelyRecordNamesAreLeftAlone) {
    // A shared temporary folder where another user has planted, for the next process
    // ids, links to the victim's file and hard links to it (through which the victim's
    // words would be read). The victim is nobody when the tests run as root.
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const bool root = ::geteuid() == 0;
    const std::string shared = dir.file("shared");
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string victim = dir.write("victim.txt", "precious");
    const std::string doc = dir.write("doc.txt", "private words private");
    if (root) ASSERT_EQ(::chown(victim.c_str(), kNobody, kNobody), 0);
    const long last = std::stol(ReadFile("/proc/sys/kernel/ns_last_pid"));
    std::vector<std::string> planted;
    for (long p = last + 1; p <= last + 40; ++p) {
        for (const char* pattern : {"/Vornix.%ld.$$$", "/Vornix-%ld.$$$"}) {
            char name[64];
            std::snprintf(name, sizeof name, pattern, p);
            planted.push_back(shared + name);
            if (p % 2)
                ASSERT_EQ(::symlink(victim.c_str(), planted.back().c_str()), 0);
            else
                ASSERT_EQ(::link(victim.c_str(), planted.back().c_str()), 0);
        }
    }
    // The checkout may lie in a folder nobody cannot enter (a mktemp -d folder is 0700):
    // nobody runs a copy of the program from the test's own open folder.
    std::string program = VORNIX_COUNT_PATH;
    if (root) {
        program = dir.file("vornix-count");
        std::error_code ec;
        std::filesystem::copy_file(VORNIX_COUNT_PATH, program, ec);
        if (ec) GTEST_SKIP() << "cannot copy vornix-count where nobody can run it: " << ec.message();
        ::chmod(program.c_str(), 0755);
    }
    const std::string outPath = dir.file("out");
    const int out = OpenFile(outPath, O_WRONLY | O_CREAT | O_TRUNC);
    const int err = OpenFile(dir.file("err"), O_WRONLY | O_CREAT | O_TRUNC);
    if (root) ASSERT_EQ(::fchown(out, kNobody, kNobody), 0);
    const pid_t pid = Start({{"--no-common-list", doc}, shared, -1, out, err, root, program});
    ::close(out);
    ::close(err);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitFor(pid), 0) << ReadFile(dir.file("err"));
    EXPECT_EQ(ReadFile(outPath), Table({{"PRIVATE", 2}, {"WORDS", 1}}));
    EXPECT_EQ(ReadFile(victim), "precious");
    for (const std::string& p : planted) EXPECT_EQ(ReadFile(p), "precious") << p;
    EXPECT_EQ(FolderEntries(shared).size(), planted.size());
}

TEST(SharedMachine, ARecordFileTruncatedDuringTheRunEndsItWithAnError) {
    // The document is a FIFO, so the run waits in a read while the test truncates the
    // record file through /proc (the way another program of the user's could).
    for (bool newWords : {true, false}) {
        SCOPED_TRACE(newWords ? "new words follow" : "only known words follow");
        TempDir dir;
        const std::string tmp = dir.file("tmp");
        std::filesystem::create_directory(tmp);
        const std::string fifo = dir.file("doc");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const int out = OpenFile(dir.file("out"), O_WRONLY | O_CREAT | O_TRUNC);
        const int err = OpenFile(dir.file("err"), O_WRONLY | O_CREAT | O_TRUNC);
        const pid_t pid = Start({{"--no-common-list", fifo}, tmp, -1, out, err});
        ::close(out);
        ::close(err);
        ASSERT_GT(pid, 0);
        const int feed = OpenFile(fifo, O_WRONLY);
        std::string words;
        for (int i = 0; i < 5000; ++i) words += "W" + std::to_string(i) + " ";
        ASSERT_EQ(::write(feed, words.data(), words.size()), static_cast<ssize_t>(words.size()));

        // Find the record file among the child's descriptors once all is read into it.
        int record = -1;
        for (int i = 0; i < 500 && record < 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
            for (const auto& entry : std::filesystem::directory_iterator(fds)) {
                std::error_code ec;
                const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
                if (ec || target.rfind(tmp, 0) != 0) continue;
                struct stat info {};
                if (::stat(entry.path().c_str(), &info) == 0 && info.st_size >= 43 * 5000 && IsAsleep(pid))
                    record = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
            }
        }
        ASSERT_GE(record, 0) << "no record file found";
        ASSERT_EQ(::ftruncate(record, 0), 0);
        ::close(record);
        words.clear();
        for (int i = 0; i < 5000; ++i) words += (newWords ? "N" : "W") + std::to_string(i) + " ";
        ::write(feed, words.data(), words.size());
        ::close(feed);
        EXPECT_EQ(WaitFor(pid), 1);  // never 128 + SIGBUS
        EXPECT_EQ(ReadFile(dir.file("out")), "");
        EXPECT_NE(ReadFile(dir.file("err")).find("(it was truncated by another program)"), std::string::npos)
            << ReadFile(dir.file("err"));
    }
}
