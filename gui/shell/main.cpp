// vornix: the window program.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>

#include "core/files/AtomicFile.h"
#include "core/files/Settings.h"
#include "core/files/SettingsFolders.h"
#include "gui/shell/AppWindows.h"
#include "gui/shell/HelpController.h"
#include "gui/shell/SingleInstance.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/UiServices.h"

namespace {

// Where this program finds its help and master list: what an installer or a user who
// lost them wants to know.
int PrintUsage() {
    const std::string folder = vornix::RunningProgramFolder();
    const QString help = vornix::HelpIndexPath(folder);
    // Found through "bin/../share": printed as the path a user would type.
    const std::optional<std::string> found = vornix::FindDefaultCommonList(std::string(), folder);
    const QString list =
        found ? QFileInfo(QString::fromStdString(*found)).canonicalFilePath() : QStringLiteral("not found");
    std::printf(
        "Usage: vornix [id=RUNID] [FILE...]\n"
        "Counts the words of text documents in a window. The FILEs are analysed as soon as\n"
        "the window is up; when Vornix is already running, it analyses them instead.\n"
        "id=RUNID keeps the settings of this run id apart from the others.\n"
        "\n"
        "Help pages: %s\n"
        "Master common words list: %s\n",
        QFileInfo::exists(help) ? qPrintable(QFileInfo(help).canonicalFilePath()) : "not found", qPrintable(list));
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed standard descriptor would be taken by the next file opened (the record
    // file, the lock), which messages would then be written into.
    if (vornix::OpenStandardDescriptors() < 0) return 1;
    // A file-size limit must show up as a failed write, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // An answer to a later start that has already gone must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    // Answered before any window: it works without a display.
    if (arguments.size() == 1 && arguments[0] == "--help") return PrintUsage();
    vornix::EnsureRuntimeFolder();
    QApplication app(argc, argv);

    // Documents named at start, made absolute: a running instance works in another folder.
    const QStringList files = vornix::DocumentsNamedAtStart(arguments);

    const QString programName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    vornix::SingleInstance guard(programName);
    vornix::TVornixMain::CatchTerminationSignals();
    if (guard.AlreadyRunning(files)) {
        // With documents, the running instance analyses them; this start has nothing more to do.
        if (!files.isEmpty() && guard.HandOverError().isEmpty()) return 0;
        const QString text =
            files.isEmpty() ? QStringLiteral("An instance of %1 is already running.").arg(programName)
                            : QStringLiteral("The documents could not be handed to the running instance of %1: %2.")
                                  .arg(programName, guard.HandOverError());
        std::fprintf(stderr, "%s\n", qPrintable(text));
        // Unattended starts (scripts, tests) get the message on standard error only.
        if (qEnvironmentVariableIsEmpty("VORNIX_NO_DIALOGS"))
            QMessageBox::warning(nullptr, QStringLiteral("Warning"), text);
        return files.isEmpty() ? 0 : 1;
    }

    vornix::SettingsFile settings(vornix::RunningProgramFolder());
    // Temporary files of saves killed part-way, in the settings folder, once a day old.
    {
        const std::string folder =
            vornix::PerUserSettingsFolder("Vornix.ini", vornix::SettingsEnvironment::FromProcess(), std::string());
        if (!folder.empty()) vornix::RemoveStaleTempFiles(folder);
    }
    vornix::QtUiServices ui;
    vornix::AppWindows windows = vornix::CreateWindows(ui, settings, arguments);
    guard.SetWindow(windows.main.get());
    guard.SetAcceptor([&windows](const QStringList& handed) { return windows.main->AnalyseWhenIdle(handed); });
    windows.main->WatchTerminationSignals();
    windows.main->show();
    // Documents named at start are analysed once the window is up.
    if (!files.isEmpty())
        QTimer::singleShot(0, windows.main.get(), [&windows, files] { windows.main->OpenDocuments(files); });
    const int code = app.exec();
    guard.SetAcceptor(nullptr);
    guard.SetWindow(nullptr);
    windows.main.reset();  // writes the settings
    (void)code;
    return 0;
}
