#include "cli/CountPlot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/charts/ChartData.h"
#include "core/files/SettingsFolders.h"

extern char** environ;

namespace vornix {

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

    auto Fail = [&](const std::string& reason) {
        std::fprintf(stderr, "vornix-count: cannot write %s: %s\n", path.c_str(), reason.c_str());
        return false;
    };
    int data[2];
    if (::pipe2(data, O_CLOEXEC) != 0) return Fail(std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, data[0], STDIN_FILENO);
    std::string arg0 = program, arg1 = path;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
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
