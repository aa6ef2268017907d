#pragma once
// Window tests: the real windows on Qt's offscreen platform, a real settings folder in
// a temporary HOME, and dialogs answered through the UI seam.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/files/Settings.h"
#include "gui/shell/AppWindows.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/UiServices.h"

namespace vornix {
class ResultModel;
}

namespace vornix::test {

// Answers dialogs from queues and records every message box.
class ScriptedUi : public UiServices {
public:
    struct Message {
        QString kind;  // "Warning", "Information", "Error", "Confirm"
        QString text;
    };
    std::vector<Message> messages;
    std::deque<bool> confirmAnswers;  // answered No when empty
    std::deque<QStringList> openFilesAnswers;
    std::deque<QString> openFileAnswers;
    std::deque<QString> saveFileAnswers;
    // What each dialog was asked with, last first-in.
    std::vector<OpenFilesRequest> openRequests;
    std::vector<SaveFileRequest> saveRequests;
    std::function<void()> onConfirm;  // runs inside a confirmation, before it answers

    void Warning(QWidget*, const QString& text) override { messages.push_back({"Warning", text}); }
    void Information(QWidget*, const QString& text) override { messages.push_back({"Information", text}); }
    void Error(QWidget*, const QString& text) override { messages.push_back({"Error", text}); }
    bool Confirm(QWidget*, const QString& text) override;
    QStringList OpenFiles(QWidget*, const OpenFilesRequest& request) override;
    QString OpenFile(QWidget*, const OpenFilesRequest& request) override;
    QString SaveFile(QWidget*, const SaveFileRequest& request) override;

    // Texts of the messages of one kind.
    QStringList Texts(const QString& kind) const;
};

// A fresh user: HOME, the program folder (with or without a master list) and the
// settings folder all lie in one temporary folder.
class GuiFixture : public ::testing::Test {
protected:
    GuiFixture();
    ~GuiFixture() override;

    // Creates the four windows as the program does and shows the main one.
    void Start(const std::vector<std::string>& arguments = {});
    // Closes and destroys the windows: the settings are written.
    void Stop();

    TVornixMain& Main() { return *windows_.main; }
    TAddDlg& AddDlg() { return *windows_.addDlg; }
    TVornixStats& StatsWin() { return *windows_.stats; }
    TVornixSearch& SearchWin() { return *windows_.search; }
    SettingsFile& Settings() { return *settings_; }

    // The main window's parts, found by their object names as the user finds them by
    // their captions; a missing name fails the test.
    template <class T = QWidget>
    T* Find(const char* name) const {
        // Widgets of the main window itself, not of the dialogs it owns (the settings
        // dialog has a CancelBut too).
        for (T* found : windows_.main->findChildren<T*>(QLatin1String(name))) {
            if constexpr (std::is_base_of_v<QWidget, T>) {
                if (qobject_cast<QDialog*>(found->window())) continue;
            }
            return found;
        }
        ADD_FAILURE() << "no " << name;
        return nullptr;
    }
    // A control of one of the other windows, by name.
    template <class T = QWidget>
    static T* In(QObject& window, const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* Act(const char* name) const { return Find<QAction>(name); }
    QMenu* Menu(const char* name) const { return Find<QMenu>(name); }
    QTableView* Grid() const { return Find<QTableView>("Grid"); }
    ResultModel* Model() const;
    // Opens a menu as the user does: its items come up to date, nothing is chosen.
    void OpenMenu(const char* name);
    // Whether the main window takes a key itself before the control with the focus
    // sees it.
    bool KeyTaken(int key);

    // The settings folder of this user (HOME/.config/Korvane/Vornix/).
    std::string SettingsFolder() const;
    std::string WriteText(const std::string& name, const std::string& bytes) { return dir.write(name, bytes); }
    // Runs "Open document(s)" on the given files.
    void OpenDocuments(const QStringList& paths);
    // The grid's rows as "rank|word|count" with the cells' spaces trimmed.
    std::vector<std::string> Rows() const;
    QString StatusLine() const;

    TempDir dir;
    std::string programFolder;  // ends in "/"; holds a master Vornix.dat when wanted
    ScriptedUi ui;

private:
    std::unique_ptr<SettingsFile> settings_;
    AppWindows windows_;
};

// The master list written into the program folder by default.
inline constexpr const char* kMasterList = "THE\r\nA\r\nOF\r\nAND\r\n";

}  // namespace vornix::test
