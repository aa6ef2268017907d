#include "GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "gui/display/ResultModel.h"
#include "gui/shell/VornixMain.h"

namespace vornix::test {

bool ScriptedUi::Confirm(QWidget*, const QString& text) {
    messages.push_back({"Confirm", text});
    if (onConfirm) onConfirm();
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

QStringList ScriptedUi::OpenFiles(QWidget*, const OpenFilesRequest& request) {
    openRequests.push_back(request);
    if (openFilesAnswers.empty()) return {};
    QStringList answer = openFilesAnswers.front();
    openFilesAnswers.pop_front();
    return answer;
}

QString ScriptedUi::OpenFile(QWidget*, const OpenFilesRequest& request) {
    openRequests.push_back(request);
    if (openFileAnswers.empty()) return {};
    QString answer = openFileAnswers.front();
    openFileAnswers.pop_front();
    return answer;
}

QString ScriptedUi::SaveFile(QWidget*, const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (saveFileAnswers.empty()) return {};
    QString answer = saveFileAnswers.front();
    saveFileAnswers.pop_front();
    return answer;
}

QStringList ScriptedUi::Texts(const QString& kind) const {
    QStringList out;
    for (const Message& m : messages)
        if (m.kind == kind) out << m.text;
    return out;
}

GuiFixture::GuiFixture() {
    ::setenv("HOME", dir.path().c_str(), 1);
    ::unsetenv("APPDATA");
    ::unsetenv("XDG_CONFIG_HOME");
    programFolder = dir.path() + "/prog/";
    std::filesystem::create_directory(programFolder);
    dir.write("prog/Vornix.dat", kMasterList);
}

GuiFixture::~GuiFixture() {
    Stop();
}

void GuiFixture::Start(const std::vector<std::string>& arguments) {
    settings_ = std::make_unique<SettingsFile>(programFolder);
    windows_ = CreateWindows(ui, *settings_, arguments);
    windows_.main->show();
    QApplication::setActiveWindow(windows_.main.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows_.main.get()));
}

void GuiFixture::Stop() {
    if (!windows_.main) return;
    windows_.main->close();
    windows_.main.reset();
    windows_ = AppWindows{};
}

ResultModel* GuiFixture::Model() const {
    return qobject_cast<ResultModel*>(Grid()->model());
}

void GuiFixture::OpenMenu(const char* name) {
    emit Menu(name)->aboutToShow();
}

bool GuiFixture::KeyTaken(int key) {
    // A probe on the client area sees the key only if the window let it pass.
    struct Probe : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress) seen = true;
            return false;
        }
    } probe;
    QWidget* client = Find<QWidget>("Client");
    client->installEventFilter(&probe);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(client, &press);
    client->removeEventFilter(&probe);
    return !probe.seen;
}

std::string GuiFixture::SettingsFolder() const {
    return dir.path() + "/.config/Korvane/Vornix/";
}

void GuiFixture::OpenDocuments(const QStringList& paths) {
    ui.openFilesAnswers.push_back(paths);
    Act("Open1")->trigger();
}

std::vector<std::string> GuiFixture::Rows() const {
    std::vector<std::string> rows;
    const ResultModel* model = Model();
    for (int r = 0; r < model->rowCount(); ++r) {
        std::string row;
        for (int c = 0; c < 3; ++c) {
            if (c) row += "|";
            row += model->CellText(r, c).trimmed().toStdString();
        }
        rows.push_back(row);
    }
    return rows;
}

QString GuiFixture::StatusLine() const {
    return Find<QLabel>("StatusBar")->text();
}

}  // namespace vornix::test
