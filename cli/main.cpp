// vornix-count: the word counter of the window program, for scripts and large batches.
// Its table is byte for byte what "Save analysis" writes for the same choices.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/CountOptions.h"
#include "cli/CountPlot.h"
#include "cli/CountProgress.h"
#include "core/collocates/Collocates.h"
#include "core/context/ConcordanceTable.h"
#include "core/context/WordContext.h"
#include "core/dispersion/Dispersion.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/engine/Scanner.h"
#include "core/files/AtomicFile.h"
#include "core/files/Settings.h"
#include "core/files/SettingsFolders.h"
#include "core/files/SignalCleanup.h"
#include "core/keywords/Keywords.h"
#include "core/merge/TableMerge.h"
#include "core/ngrams/NGrams.h"
#include "core/output/OutputWalk.h"
#include "core/stats/StatsTable.h"
#include "core/table/AnalysisTable.h"

using namespace vornix;

namespace {

// Where the record file goes, ending in "/": the user's private runtime folder when it
// is usable and has room for a full store, else the temporary folder (a small runtime
// folder that is full would otherwise fail every count). The file has no name there
// either way (or a random one for a moment where the file system cannot make nameless
// files).
std::string RecordFolder(std::int32_t maxWords) {
    auto Slashed = [](std::string dir) {
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        return dir == "/" ? dir : dir + "/";
    };
    const std::uint64_t kFullStore = std::uint64_t(maxWords) * sizeof(WordRec);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    struct statvfs space {};
    if (runtime && runtime[0] == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 && ::access(runtime, W_OK | X_OK) == 0 &&
        ::statvfs(runtime, &space) == 0 && std::uint64_t{space.f_bavail} * space.f_frsize >= kFullStore)
        return Slashed(runtime);
    const char* t = std::getenv("TMPDIR");
    return Slashed((t && *t) ? t : "/tmp");
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

// Every occurrence of the typed word or phrase (shown: the words as the table holds
// them, one space apart). The error says when it holds no word or does not occur (the
// search is then null), or when an input could not be read again as it was counted.
std::unique_ptr<OccurrenceSearch> SearchWords(AnalysisRun& run, const CountOptions& o, std::string& error,
                                              std::string& shown) {
    const std::string& typed = *o.Context;
    std::vector<std::string> words = StoredFormsOf(typed, run.CharMap(), run.AllScripts(), run.ScriptsSet());
    if (words.empty()) {
        error = "vornix-count: \"" + typed + "\" holds no word";
        return nullptr;
    }
    if (words.size() > ContextQuery::MaxWords) {
        error = "vornix-count: \"" + typed + "\" has more than " + std::to_string(ContextQuery::MaxWords) + " words";
        return nullptr;
    }
    // Typed as the text has them; the table holds them as the run stored them.
    if (o.StripPossessives)
        for (std::string& w : words) w.resize(StripPossessive(w.data(), w.size()));
    shown = words[0];
    for (std::size_t k = 1; k < words.size(); ++k) shown += ' ' + words[k];
    std::int32_t position = 0;
    const std::int32_t count = words.size() == 1 && run.Store().FindWord(words[0], position)
                                   ? run.Store().Count(run.Store().AlphaIndex()[position])
                                   : 0;
    const bool phrase = words.size() > 1;
    auto search = std::make_unique<OccurrenceSearch>(run, ContextQuery::Phrase(std::move(words)),
                                                     static_cast<std::size_t>(count));
    search->SetThreads(o.Threads);
    search->RunToEnd();
    for (const std::string& problem : search->Problems())
        error += (error.empty() ? "" : "\n") + ("vornix-count: " + problem);
    if (search->Found().empty()) {
        // Never "does not occur" for words counted in an input not read again.
        if (error.empty())
            error = std::string("vornix-count: the ") + (phrase ? "phrase " : "word ") + shown +
                    " does not occur in the text";
        return nullptr;
    }
    return search;
}

// The concordance of one word or phrase, handed to `to` piece by piece as its lines are
// formed (so a million lines never sit in memory at once); false ends it. The error says
// when it does not occur, or an input could not be read again as it was counted: the
// lines would not match the table.
void ContextText(AnalysisRun& run, const CountOptions& o, std::string& error,
                 const std::function<bool(std::string_view)>& to) {
    std::string shown;
    const std::unique_ptr<OccurrenceSearch> search = SearchWords(run, o, error, shown);
    if (!search) return;
    const ConcordanceTable table(run, search->Found(), o.Width, o.Threads);
    const TableLayout layout =
        o.Format == TableFormat::Table ? ConcordanceTable::PlainLayout() : TableLayout{.rank = false};
    if (!WriteTable(table, o.Format, layout, to)) {
        error = "vornix-count: cannot write to standard output";
        return;
    }
    for (const std::string& problem : table.CheckInputs())
        error += (error.empty() ? "" : "\n") + ("vornix-count: " + problem);
}

// The collocates of one word as a table; empty with a message when it does not occur.
std::string CollocatesText(AnalysisRun& run, const CountOptions& o, std::string& error) {
    const std::string word = StoredFormOf(*o.Collocates, run.CharMap(), run.AllScripts(), run.ScriptsSet());
    std::int32_t position = 0;
    if (!run.Store().FindWord(word, position) || run.Store().Count(run.Store().AlphaIndex()[position]) == 0) {
        error = "vornix-count: the word " + word + " does not occur in the text";
        return {};
    }
    CollocateSearch search(run, run.Store().AlphaIndex()[position], o.Span);
    search.RunToEnd();
    for (const std::string& problem : search.Problems()) std::fprintf(stderr, "%s\n", problem.c_str());
    const CollocateTable table(search, run.Store(), run.State().TotalWords, o.display, o.CollocateOrder);
    return FormatTable(table, o.Format, TableLayout{.separator = SeparatorChar(o.SepIndex)});
}

// The reference documents, counted by the same rules and options as the text.
void CountReferenceDocuments(const CountOptions& o, const std::string& commonList, ReferenceCounts& reference,
                             const std::function<void()>& eraseProgress) {
    AnalysisRun referenceRun(RecordFolder(o.MaxWords) + "Vornix." + std::to_string(::getpid()) + ".ref.$$$", true);
    referenceRun.SetThreads(o.Threads);
    referenceRun.SetMaxWords(o.MaxWords);
    referenceRun.SetAllScripts(o.AllScripts);
    referenceRun.GeneralInitialize(o.Charset, commonList.empty() ? nullptr : &commonList, o.Encoding);
    referenceRun.ReadDocuments(o.References, o.StripPossessives);
    referenceRun.GeneralClosedown();
    referenceRun.Store().CheckWordFile();
    if (referenceRun.LimitReached()) {
        eraseProgress();
        std::fprintf(stderr, "vornix-count: the reference: %s\n",
                     LimitMessage(referenceRun.Store().MaxWords()).c_str());
    }
    reference.AddRun(referenceRun);
}

// The progress line on a terminal: which document, and how far.
void ShowProgress(AnalysisRun& run, CountProgress& progress, int documents) {
    run.Hooks().showStatus = [&run, &progress, documents](const std::string&) {
        progress.SetFile(std::min(run.State().FilesRead + 1, documents), documents);
    };
    run.Hooks().showProgress = [&progress] {
        const auto now = CountProgress::Clock::now();
        if (progress.Due(now)) std::fputs(progress.Update(now, ProcessBytesRead()).c_str(), stderr);
    };
}

// What a finished run's mode needs beyond the run and the options.
struct ModeInputs {
    NGramCounter* ngrams;     // with --ngrams
    const PartCounts* parts;  // with --dispersion or --per-file
    const ReferenceCounts* reference;
    bool dispersion;
};

// The output of the mode the options choose other than --context and --ngrams (whose
// lines go out as they are formed), formed whole; empty with a message on a failure.
std::string ModeOutput(AnalysisRun& run, const CountOptions& o, const ModeInputs& in, std::string& error) {
    const TableLayout layout{.separator = SeparatorChar(o.SepIndex)};
    if (o.Stats)
        return o.Format == TableFormat::Table
                   ? StatsText(run, o.display.LowerCase, o.Merge)
                   : FormatTable(*MakeStatsTable(run, o.display.LowerCase, o.Merge), o.Format, {.rank = false});
    if (o.Collocates) return CollocatesText(run, o, error);
    if (o.Keywords)
        return FormatTable(ComputeKeywords(run.Store(), run.State().TotalWords, *in.reference, o.display, o.Keyword),
                           o.Format, layout);
    if (in.dispersion) {
        const auto figures = ComputeDispersion(*in.parts, run.Store().WordCount());
        const DispersionTable table(
            run.Store(), ShownWords(run.Store(), run.Orders(), o.display), *in.parts, figures, o.display,
            {.measures = o.Dispersion, .perPart = o.PerFile, .storedBytes = o.Format == TableFormat::Table});
        return FormatTable(table, o.Format, layout);
    }
    return {};  // the word table is streamed
}

// Forms the mode's output and writes it to standard output or, atomically, to --output;
// the exit status of a failure, else 0.
int WriteModeOutput(AnalysisRun& run, const CountOptions& o, const ModeInputs& in, bool stdoutClosed) {
    std::string error;
    // --context and --ngrams lines go out as they are formed; into --output only once all
    // is well.
    std::unique_ptr<OutputFile> streamFile;
    auto streamOut = [&](std::string_view piece) {
        if (o.Output.empty())
            return !stdoutClosed && std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
        if (!streamFile) streamFile = std::make_unique<OutputFile>(o.Output);
        streamFile->Write(piece);
        return true;
    };
    // The n-gram table too: millions of lines, written as they are formed; and the word
    // table, which may hold tens of millions of words.
    const bool wordTable = !o.Context && !in.ngrams && !o.Stats && !o.Collocates && !o.Keywords && !in.dispersion;
    const bool streamed = o.Context || (in.ngrams && !o.Stats) || wordTable;
    if (o.Context) {
        ContextText(run, o, error, streamOut);
    } else if (wordTable) {
        // Each piece came from the record file: it must be whole before the piece goes out
        // (a truncated file throws, so no damaged line is ever written).
        auto checkedOut = [&](std::string_view piece) {
            run.Store().CheckWordFile();
            return streamOut(piece);
        };
        if (!WriteWordTable(run.Store(), run.Orders(), o.display, o.Format, SeparatorChar(o.SepIndex), checkedOut))
            error = "vornix-count: cannot write to standard output";
    } else if (streamed) {
        in.ngrams->ReleaseLookup();
        const NGramTable table(*in.ngrams, run.Store(), o.display, NGramOrderOf(o.display.Order));
        if (!WriteTable(table, o.Format, TableLayout{.separator = SeparatorChar(o.SepIndex)}, streamOut))
            error = "vornix-count: cannot write to standard output";
    }
    // Lines written as they were formed may still sit in the buffer: a failure to write
    // them is a failure of the command, not a silent exit 0.
    if (streamed && o.Output.empty() && !stdoutClosed && error.empty() && std::fflush(stdout) != 0)
        error = "vornix-count: cannot write to standard output";
    const std::string out = streamed ? std::string() : ModeOutput(run, o, in, error);
    run.Store().CheckWordFile();  // the table came from the record file: it must be whole
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (streamed && !o.Output.empty()) {
        if (!streamFile) streamFile = std::make_unique<OutputFile>(o.Output);
        streamFile->Commit();
    } else if (!o.Output.empty()) {
        WriteOutputFile(o.Output, out);
    } else if (stdoutClosed || !WriteAll(stdout, out)) {
        std::fprintf(stderr, "vornix-count: cannot write to standard output\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed standard descriptor would be taken by the next file opened (the record
    // file), which would then be read as input or written over with messages.
    // Output for a descriptor that was closed is not thrown away unseen: writing it fails.
    const int closedAtStart = OpenStandardDescriptors();
    if (closedAtStart < 0) return 1;
    const bool stdoutClosed = closedAtStart & 2, stderrClosed = closedAtStart & 4;
    // A file-size limit must show up as a failed write, not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // Ctrl+C, a closed terminal or a kill leave no temporary file of --output behind.
    RemoveOnTerminationSignals();

    ParseResult parsed = ParseCountOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vornix-count: %s\nTry 'vornix-count --help' for more information.\n",
                     parsed.error.c_str());
        return 2;
    }
    const CountOptions& o = parsed.options;
    if (o.Help) return !stdoutClosed && WriteAll(stdout, CountUsage()) ? 0 : 1;
    if (o.Version) return !stdoutClosed && WriteAll(stdout, "vornix-count " VORNIX_VERSION "\n") ? 0 : 1;
    // Looked for before the count, which may be long, rather than after it.
    const std::string plotProgram = o.Plot == PlotKind::None ? std::string() : FindPlotProgram();
    if (o.Plot != PlotKind::None && plotProgram.empty()) {
        std::fprintf(stderr, "vornix-count: --plot needs vornix-count-plot, which is not installed\n");
        return 1;
    }

    // The context search reads the documents again: what cannot be read twice is refused
    // now rather than found missing (or waited on) after the count.
    if (o.Context || o.Collocates)
        for (const std::string& file : o.Files)
            if (!ReadableTwice(file)) {
                std::fprintf(stderr, "vornix-count: %s cannot be read twice, as %s needs\n",
                             file == "-" ? "standard input" : file.c_str(), o.Context ? "--context" : "--collocates");
                return 2;
            }

    const std::string commonList = o.CommonList ? *o.CommonList : DefaultCommonListForCount(o.RunId);

    // Shown only on a terminal; erased before anything else is written there.
    CountProgress progress(CountProgress::Clock::now());
    auto EraseProgress = [&] { std::fputs(progress.Finish().c_str(), stderr); };
    try {
        // The record file is nameless once created: an interrupted count (Ctrl+C, a
        // closed pipe) leaves nothing behind.
        AnalysisRun run(RecordFolder(o.MaxWords) + "Vornix." + std::to_string(::getpid()) + ".$$$", true);
        run.SetThreads(o.Threads);
        run.SetMaxWords(o.MaxWords);
        run.SetAllScripts(o.AllScripts);
        if (!o.Quiet && ::isatty(STDERR_FILENO)) ShowProgress(run, progress, static_cast<int>(o.Files.size()));
        // Reference tables are read first: a bad one stops the command before the long count.
        ReferenceCounts reference(BuildCharMap(o.Charset), o.StripPossessives, o.AllScripts, o.Charset);
        for (const std::string& table : o.ReferenceTables) reference.AddTable(table, o.Encoding);
        const bool dispersion = o.Dispersion || o.PerFile;
        PartRecorder recorder(o.Parts);
        if (dispersion) run.SetObserver(&recorder);
        // The n-grams are counted as the documents are read (never with the dispersion).
        std::optional<NGramCounter> ngrams;
        if (o.NGrams > 0) run.SetObserver(&ngrams.emplace(o.NGrams));
        run.GeneralInitialize(o.Charset, commonList.empty() ? nullptr : &commonList, o.Encoding);
        if (o.Merge) {
            TableMerge merge(run, o.StripPossessives);
            for (const std::string& table : o.Files) merge.AddTable(table, o.Encoding);
        } else {
            run.ReadDocuments(o.Files, o.StripPossessives);
        }
        run.GeneralClosedown();
        const PartCounts parts = dispersion ? recorder.Finish(run) : PartCounts();
        if (!o.References.empty()) CountReferenceDocuments(o, commonList, reference, EraseProgress);
        EraseProgress();
        if (run.LimitReached() &&
            (stderrClosed || !WriteAll(stderr, "vornix-count: " + LimitMessage(run.Store().MaxWords()) + "\n")))
            return 1;
        if (o.Keywords && reference.Empty()) {
            std::fprintf(stderr, "vornix-count: the reference holds no words\n");
            return 1;
        }

        if (o.Plot == PlotKind::Dispersion) {
            std::string error, word;
            const auto search = SearchWords(run, o, error, word);
            // An input read again differently: the plot would not match the count.
            if (!search || !error.empty()) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            if (!WriteDispersionPlot(plotProgram, run, word, search->Found(), o.Output)) return 1;
            return std::fflush(stderr) != 0 || std::ferror(stderr) ? 1 : 0;
        }
        if (o.Plot != PlotKind::None) {
            if (!WriteCountPlot(plotProgram, o.Plot, run.Store(), run.Orders(), o.display, o.Output)) return 1;
            return std::fflush(stderr) != 0 || std::ferror(stderr) ? 1 : 0;
        }
        if (const int failed =
                WriteModeOutput(run, o, {ngrams ? &*ngrams : nullptr, &parts, &reference, dispersion}, stdoutClosed))
            return failed;
    } catch (const FileError& e) {
        EraseProgress();
        std::fprintf(stderr, "vornix-count: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        // What the store does not turn into its own message (a table being formed, an
        // analysis's figures): still a message and exit 1, never an abort.
        EraseProgress();
        std::fprintf(stderr, "vornix-count: not enough memory\n");
        return 1;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr)) return 1;
    return 0;
}
