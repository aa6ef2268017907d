#pragma once
// vornix-count as a real process: arguments in; exit code, standard output and error,
// and what it left in its TMPDIR out. Shared by the command-line test files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

extern char** environ;

// Each test file uses only some of these helpers, which are file-local to it.
#pragma GCC diagnostic ignored "-Wunused-function"

namespace {

using vornix::test::FileExists;
using vornix::test::ReadFile;
using vornix::test::TempDir;

const std::string kLimitLine = "vornix-count: Reached unique-words limit 500000: cannot read more.\n";

struct CountResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    // Whatever the program left in its TMPDIR (the record file must not stay behind).
    std::vector<std::string> leftovers;
};

// Starts vornix-count with args on the given descriptors, with TMPDIR set to childTmp so
// that its record file can be looked for afterwards. Returns the process id, or -1.
pid_t SpawnCount(const std::vector<std::string>& args, const std::string& childTmp, int in, int out, int err) {
    std::vector<std::string> argStore{VORNIX_COUNT_PATH};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 7) != "TMPDIR=") envStore.emplace_back(*e);
    envStore.push_back("TMPDIR=" + childTmp);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) ADD_FAILURE() << "cannot start " << argv[0];
    return rc == 0 ? pid : -1;
}

// Waits for the process; its exit code, or 128 + the signal that ended it.
int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// True when the process is blocked (state S in /proc/PID/stat).
bool IsAsleep(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && stat.size() > close + 2 && stat[close + 2] == 'S';
}

// How a run is set up beyond its arguments.
struct RunSetup {
    std::optional<std::string> input;  // standard input; empty when unset
    std::string tmpdir;                // TMPDIR for the child; a fresh folder when empty
    long* peakKiB = nullptr;           // receives the child's peak resident memory
};

// Runs vornix-count to its end.
CountResult RunCount(const std::vector<std::string>& args, const RunSetup& setup) {
    TempDir capture;
    std::string childTmp = setup.tmpdir;
    if (childTmp.empty()) {
        childTmp = capture.file("tmp");
        std::filesystem::create_directory(childTmp);
    }
    const std::string inPath = capture.write("stdin", setup.input.value_or(""));
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");
    const int in = ::open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = SpawnCount(args, childTmp, in, out, err);
    ::close(in);
    ::close(out);
    ::close(err);

    CountResult r;
    if (pid < 0) return r;
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) return r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (setup.peakKiB) *setup.peakKiB = usage.ru_maxrss;
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    if (std::filesystem::is_directory(childTmp)) r.leftovers = FolderEntries(childTmp);
    return r;
}

CountResult RunCount(const std::vector<std::string>& args, const std::optional<std::string>& input = std::nullopt) {
    return RunCount(args, RunSetup{input, {}, nullptr});
}

std::vector<std::string> Lines(const std::string& text, char end = '\n') {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + 1)
        lines.push_back(text.substr(start, at - start));
    return lines;
}

std::string Table(const std::vector<std::pair<std::string, int>>& rows, char sep = '\t') {
    std::string out;
    for (const auto& [word, count] : rows) out += word + sep + std::to_string(count) + "\r\n";
    return out;
}

std::string Stats(int files, int common, int found, int unused, int total, int unique, int nonCommon, int numbers,
                  const std::string& filesRead, long long otherScripts = 0) {
    return "File count\t" + std::to_string(files) + "\nVORNIX.DAT common words\t" + std::to_string(common) +
           "\nCommon words found in text\t" + std::to_string(found) + "\nCommon words not found in text\t" +
           std::to_string(unused) + "\nTotal words from file(s)\t" + std::to_string(total) + "\nUnique words\t" +
           std::to_string(unique) + "\nUnique non-common words\t" + std::to_string(nonCommon) +
           "\nUnique numeric \"words\"\t" + std::to_string(numbers) + "\nFiles read\t" + filesRead +
           "\nLetters of other scripts (not counted)\t" + std::to_string(otherScripts) + "\n";
}

// The --stats lines up to and including the other-scripts row: the counters, without
// the vocabulary rows that follow.
std::string Counters(const std::string& out) {
    const std::size_t files = out.find("Letters of other scripts");
    const std::size_t end = files == std::string::npos ? std::string::npos : out.find('\n', files);
    return end == std::string::npos ? out : out.substr(0, end + 1);
}

struct Case {
    std::vector<std::string> args;
    std::string expected;
};

void ExpectTables(const std::string& file, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(file);
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, c.expected);
    }
}

}  // namespace
