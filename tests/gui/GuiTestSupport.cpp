#include "GuiTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "display/ResultModel.h"
#include "shell/VornixMain.h"

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

std::string GuiFixture::SettingsFolder() const {
    return dir.path() + "/.config/Korvane/Vornix/";
}

void GuiFixture::OpenDocuments(const QStringList& paths) {
    ui.openFilesAnswers.push_back(paths);
    Main().Open1Click();
}

std::vector<std::string> GuiFixture::Rows() const {
    std::vector<std::string> rows;
    const ResultModel* model = windows_.main->Model();
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
    return windows_.main->StatusBar->text();
}

}  // namespace vornix::test
