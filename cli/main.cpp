// vornix-count: the word counter of the window program, for scripts and large batches.
// Its table is byte for byte what "Save analysis" writes for the same choices.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CountOptions.h"
#include "engine/AnalysisRun.h"
#include "engine/Errors.h"
#include "engine/WordContext.h"
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

// The concordance of one word; empty with a message when it does not occur.
// Lines go to `to` as they are formed when it is given (standard output), so a million
// lines never sit in memory at once.
std::string ContextText(AnalysisRun& run, const std::string& typed, int width, std::string& error,
                        std::FILE* to = nullptr) {
    const std::string word = StoredFormOf(typed, run.CharMap);
    if (word.empty()) {
        error = "vornix-count: \"" + typed + "\" is not one word";
        return {};
    }
    std::int32_t position = 0;
    const std::int32_t count =
        run.store.FindWord(word, position) ? run.store.Count(run.store.AlphaIndex()[position]) : 0;
    OccurrenceSearch search(run, word, static_cast<std::size_t>(count));
    search.RunToEnd();
    for (const std::string& problem : search.Problems()) std::fprintf(stderr, "%s\n", problem.c_str());
    if (search.Found().empty()) {
        error = "vornix-count: the word " + word + " does not occur in the text";
        return {};
    }
    ContextReader reader(run);
    std::string out;
    for (const Occurrence& o : search.Found()) {
        out += ConcordanceLine(reader.Format(o, width));
        if (to && out.size() >= (1 << 20)) {
            if (!WriteAll(to, out)) {
                error = "vornix-count: cannot write to standard output";
                return {};
            }
            out.clear();
        }
    }
    return out;
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

    try {
        // The record file is nameless once created: an interrupted count (Ctrl+C, a
        // closed pipe) leaves nothing behind.
        AnalysisRun run(TempFolder() + "/Vornix." + std::to_string(::getpid()) + ".$$$", true);
        run.GeneralInitialize(o.Charset, commonList.empty() ? nullptr : &commonList, o.Encoding);
        run.ReadDocuments(o.Files, o.StripPossessives);
        run.GeneralClosedown();
        if (run.LimitReached()) std::fprintf(stderr, "%s\n", LimitMessage().c_str());

        std::string error;
        const std::string out = o.Context
                                    ? ContextText(run, *o.Context, o.Width, error, o.Output.empty() ? stdout : nullptr)
                                : o.Stats ? StatsText(run)
                                          : FormatAnalysis(run.store, run.orders, o.display, SeparatorChar(o.SepIndex));
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!o.Output.empty()) {
            WriteFileAtomically(o.Output, out);
        } else if (!WriteAll(stdout, out)) {
            std::fprintf(stderr, "vornix-count: cannot write to standard output\n");
            return 1;
        }
    } catch (const FileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
