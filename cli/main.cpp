// vornix-count: the word counter of the window program, for scripts and large batches.
// Its table is byte for byte what "Save analysis" writes for the same choices.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CountOptions.h"
#include "cli/CountProgress.h"
#include "engine/AnalysisRun.h"
#include "engine/Errors.h"
#include "output/OutputWalk.h"
#include "shell/AtomicFile.h"
#include "shell/Settings.h"
#include "shell/SettingsFolders.h"

using namespace vornix;

namespace {

std::string TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string dir = (t && *t) ? t : "/tmp";
    if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string StatsText(const AnalysisRun& run) {
    const RunStats s = run.Stats();
    std::string out;
    auto line = [&](const char* caption, std::int64_t value) {
        out += caption;
        out += '\t';
        out += std::to_string(value);
        out += '\n';
    };
    line("File count", s.FileCount);
    line("VORNIX.DAT common words", s.CommonWords);
    line("Common words found in text", s.CommonFound);
    line("Common words not found in text", s.CommonUnused);
    line("Total words from file(s)", s.TotalWords);
    line("Unique words", s.UniqueWords);
    line("Unique non-common words", s.UniqueNonCommon);
    line("Unique numeric \"words\"", s.UniqueNumbers);
    out += "Files read";
    for (const std::string& name : run.FileList) {
        out += '\t';
        out += name;
    }
    out += '\n';
    line("Letters of other scripts (not counted)", s.OtherScriptLetters);
    return out;
}

// The list the window would read by default: the user's own copy in the settings
// folder of the run id, else the master copy shipped with the program. The settings
// folder is only worked out, never created, and the settings file is never written.
std::string DefaultCommonListForCount(const std::string& runId) {
    const std::string id = runId.empty() ? std::string() : RunIdFromArguments({"id=" + runId});
    const std::string folder = PerUserSettingsFolder("Vornix.ini", SettingsEnvironment::FromProcess(), id);
    return FindDefaultCommonList(folder, RunningProgramFolder()).value_or(std::string());
}

bool WriteAll(std::FILE* f, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A file-size limit must show up as a failed write, not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);

    ParseResult parsed = ParseCountOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vornix-count: %s\n%s", parsed.error.c_str(), CountUsage());
        return 2;
    }
    const CountOptions& o = parsed.options;
    if (o.Help) {
        std::fputs(CountUsage(), stdout);
        return 0;
    }

    std::string commonList;
    if (o.CommonList)
        commonList = *o.CommonList;
    else
        commonList = DefaultCommonListForCount(o.RunId);

    // Shown only on a terminal; erased before anything else is written there.
    CountProgress progress(CountProgress::Clock::now());
    auto EraseProgress = [&] { std::fputs(progress.Finish().c_str(), stderr); };
    try {
        // The record file is nameless once created: an interrupted count (Ctrl+C, a
        // closed pipe) leaves nothing behind.
        AnalysisRun run(TempFolder() + "/Vornix." + std::to_string(::getpid()) + ".$$$", true);
        run.Threads = o.Threads;
        if (!o.Quiet && ::isatty(STDERR_FILENO)) {
            const int n = static_cast<int>(o.Files.size());
            run.hooks.showStatus = [&, n](const std::string&) {
                progress.SetFile(std::min(run.state.FilesRead + 1, n), n);
            };
            run.hooks.showProgress = [&] {
                const auto now = CountProgress::Clock::now();
                if (progress.Due(now)) std::fputs(progress.Update(now, ProcessBytesRead()).c_str(), stderr);
            };
        }
        run.GeneralInitialize(o.Charset, commonList.empty() ? nullptr : &commonList, o.Encoding);
        run.ReadDocuments(o.Files, o.StripPossessives);
        run.GeneralClosedown();
        EraseProgress();
        if (run.LimitReached()) std::fprintf(stderr, "%s\n", LimitMessage().c_str());

        const std::string out =
            o.Stats ? StatsText(run)
                    : FormatWordTable(run.store, run.orders, o.display, o.Format, SeparatorChar(o.SepIndex));
        if (!o.Output.empty()) {
            WriteFileAtomically(o.Output, out);
        } else if (!WriteAll(stdout, out)) {
            std::fprintf(stderr, "vornix-count: cannot write to standard output\n");
            return 1;
        }
    } catch (const FileError& e) {
        EraseProgress();
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
