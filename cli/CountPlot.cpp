#include "cli/CountPlot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "core/charts/ChartData.h"
#include "core/charts/DispersionPlot.h"
#include "core/files/SettingsFolders.h"
#include "core/files/SignalCleanup.h"
#include "core/output/TableFormats.h"

extern char** environ;

namespace vornix {

namespace {

// TMPDIR/vornix-count-plot-XXXXXX while it lives, when the session names no runtime
// folder; removed by a termination signal too.
struct RuntimeFolder {
    std::string path;
    std::unique_ptr<RemovedOnSignal> held;
    RuntimeFolder() {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return;
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = tmp && *tmp ? tmp : "/tmp";
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        std::string name = (folder == "/" ? folder : folder + "/") + "vornix-count-plot-XXXXXX";
        const TerminationSignalsBlocked blocked;
        if (!::mkdtemp(name.data())) return;
        path = name;
        held = std::make_unique<RemovedOnSignal>(path, true);
    }
    ~RuntimeFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

std::string FindPlotProgram() {
    const std::string folder = RunningProgramFolder();
    if (folder.empty()) return {};
    for (const std::string& path : {folder + "/vornix-count-plot", folder + "/../libexec/vornix/vornix-count-plot"})
        if (::access(path.c_str(), X_OK) == 0) return path;
    return {};
}

bool WriteCountPlot(const std::string& program, PlotKind kind, WordStore& store, const ResultOrders& orders,
                    const DisplayOptions& display, const std::string& path) {
    const std::string text = kind == PlotKind::Rank ? ChartText(BuildRankChart(store, orders, display, kPlotWidth))
                                                    : ChartText(BuildLengthHistogram(store, orders, display));
    store.CheckWordFile();  // the chart came from the record file: it must be whole
    return DrawPlot(program, text, path);
}

bool WriteDispersionPlot(const std::string& program, const AnalysisRun& run, const std::string& word,
                         const std::vector<Occurrence>& found, const std::string& path) {
    return DrawPlot(program, DispersionPlotText(MakeDispersionPlot(run, StoredWordUtf8(word), found)), path);
}

bool DrawPlot(const std::string& program, const std::string& text, const std::string& path) {
    auto Fail = [&](const std::string& reason) {
        std::fprintf(stderr, "vornix-count: cannot write %s: %s\n", path.c_str(), reason.c_str());
        return false;
    };
    // Drawn off screen whatever platform the session names: a count run over ssh or
    // from cron has no display to open, and a platform that cannot start aborts Qt.
    // Qt also wants a runtime folder; when the session has none, one of ours stands in
    // and goes when the drawing is done, however it ended.
    const RuntimeFolder runtime;
    std::vector<std::string> envStore{"QT_QPA_PLATFORM=offscreen"};
    if (!runtime.path.empty()) envStore.push_back("XDG_RUNTIME_DIR=" + runtime.path);
    for (char** e = environ; *e; ++e) {
        const std::string_view v(*e);
        if (v.substr(0, 16) != "QT_QPA_PLATFORM=" && (runtime.path.empty() || v.substr(0, 16) != "XDG_RUNTIME_DIR="))
            envStore.emplace_back(v);
    }
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    int data[2];
    if (::pipe2(data, O_CLOEXEC) != 0) return Fail(std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, data[0], STDIN_FILENO);
    std::string arg0 = program, arg1 = path;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(data[0]);
    if (spawned != 0) {
        ::close(data[1]);
        return Fail("cannot start " + program + " (" + std::strerror(spawned) + ")");
    }
    // A drawing program that ends early shows in its exit status, not as a signal here.
    std::signal(SIGPIPE, SIG_IGN);
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(data[1], text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(data[1]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return Fail(std::strerror(errno));
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 0;  // it said why itself
    return Fail(program + " ended with signal " + std::to_string(WTERMSIG(status)));
}

}  // namespace vornix
