#include "gui/shell/HelpController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include "core/files/Settings.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"

namespace vornix {

namespace {

const char* const kVersionLine = "Version 0.1.0 last updated December 2026";

}  // namespace

// The help's index page: beside the program (the build folder), else in the installed
// data folder. When neither exists, the one the installed layout would have when that
// layout is there, else the one beside the program.
QString HelpIndexPath(const std::string& programFolder) {
    const QString program = QString::fromStdString(programFolder);
    const QString beside = QDir::cleanPath(program + QStringLiteral("help/index.htm"));
    const QString installed = QDir::cleanPath(program + QStringLiteral("../share/vornix/help/index.htm"));
    if (QFileInfo::exists(beside)) return beside;
    if (QFileInfo::exists(installed)) return installed;
    if (QFileInfo::exists(QDir::cleanPath(program + QStringLiteral("../share/vornix")))) return installed;
    return beside;
}

HelpController::HelpController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("HelpController"));
    context_.OnItem("Contents1", this, [this] { Contents1Click(); });
    context_.OnItem("About1", this, [this] { About1Click(); });
}

void HelpController::Contents1Click() {
    ShowHelp(QString());
}

void HelpController::About1Click() {
    const QStringList lines{
        QStringLiteral("Vornix for Linux"),
        QString(),
        QLatin1String(kVersionLine),
        QString(),
        QStringLiteral("Program location"),
        QCoreApplication::applicationFilePath(),
        QString(),
        QStringLiteral("Common words list"),
        context_.currentCommonList(),
    };
    context_.ui.Information(&context_.window, lines.join(QLatin1Char('\n')));
}

void HelpController::ShowHelp(const QString& topic) {
    // "addset.htm" is the page html/addset.htm; "options.htm#editcomm" also scrolls to
    // the anchor "editcomm".
    const QString index = HelpIndexPath(context_.settings.ProgramFolder());
    QString page = index;
    QString fragment;
    if (!topic.isEmpty()) {
        const qsizetype hash = topic.indexOf(QLatin1Char('#'));
        const QString name = hash < 0 ? topic : topic.left(hash);
        if (hash >= 0) fragment = topic.mid(hash + 1);
        page = QFileInfo(index).path() + QStringLiteral("/html/") + name;
    }
    if (!QFileInfo(page).isFile()) {
        context_.ui.Warning(&context_.window, page + QStringLiteral("\n\nApplication Help file not found!"));
        return;
    }
    if (!help_) help_ = new HelpWindow(&context_.window);
    QUrl url = QUrl::fromLocalFile(page);
    if (!fragment.isEmpty()) url.setFragment(fragment);
    help_->ShowPage(url);
}

}  // namespace vornix
