#include "core/keywords/ReferenceRead.h"

#include "core/engine/AnalysisRun.h"

namespace vornix {

ReferenceResult ReadReference(const ReferenceSource& source, const ReferenceHooks& hooks) {
    ReferenceResult result{
        ReferenceCounts(BuildCharMap(source.charset), source.stripPossessives, source.allScripts, source.charset)};
    for (const std::string& table : source.tables) result.counts.AddTable(table, source.encoding);
    if (source.documents.empty()) return result;
    AnalysisRun run(source.recordPath, true);
    run.SetThreads(source.threads);
    run.SetRegularFilesOnly(true);
    run.SetAllScripts(source.allScripts);
    // The stop is asked from the run's own progress calls, on the run's thread, and
    // answered at once: nobody is there to confirm it.
    run.Hooks().showStatus = [&](const std::string& text) {
        if (hooks.status) hooks.status(text);
    };
    bool stopAsked = false;
    run.Hooks().showProgress = [&] {
        if (hooks.progress) hooks.progress(run.ProgressText());
        if (hooks.stop && hooks.stop()) run.State().BreakRequested = stopAsked = true;
    };
    run.Hooks().confirmStop = [] { return true; };
    run.GeneralInitialize(source.charset, source.commonList.empty() ? nullptr : &source.commonList, source.encoding);
    run.ReadDocuments(source.documents, source.stripPossessives);
    run.GeneralClosedown();
    run.Store().CheckWordFile();
    result.stopped = stopAsked && run.State().StopRun;
    result.limitReached = run.LimitReached();
    if (!result.stopped) result.counts.AddRun(run);
    return result;
}

}  // namespace vornix
