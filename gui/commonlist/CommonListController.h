#pragma once
// The common words list: which list the next run reads (the Options menu), its editor
// (the memo in place of the table, with its buttons on the status panel) and adding a
// word of the table to it.
#include <QObject>
#include <QString>
#include <string>

#include "core/commonlist/ListText.h"

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace vornix {

class WindowContext;

class CommonListController : public QObject {
    Q_OBJECT
public:
    // The memo goes into client.
    CommonListController(WindowContext& context, QWidget* client);
    // The editor's buttons go onto the status panel.
    void AddButtons(QWidget* panel);

    bool EditorOpen() const;
    // Hides the editor's memo and buttons without saving.
    void LeaveEditor();
    void ClearEditor();
    // Closes the editor as Cancel does (asking about a changed text); true when it is
    // closed.
    bool EditorMayGo();
    // The list the next run reads, as bytes; empty when lists are not read.
    std::string ListToRead() const;
    // The buttons side by side around the middle of the status panel.
    void Layout(int clientWidth, int panelHeight);

    const QString& DefaultCommonList() const { return defaultCommonList_; }
    const QString& CurrentCommonList() const { return currentCommonList_; }
    const QString& CustomDatName() const { return customDatName_; }
    // The list in the settings folder, current at start.
    void SetDefaultCommonList(const QString& path);

private slots:
    void Options1Click();
    void ReadCommonWordList1Click();
    void EditCommonWordList1Click();
    void Selectcustomlist1Click();
    void RestoredefaultlistVornixdat1Click();
    void Add2Common1Click();
    void SaveButClick();
    void SortButClick();
    void CancelButClick();
    void HelpButClick();

private:
    bool Checked(const char* item) const;

    WindowContext& context_;
    QPlainTextEdit* Memo1;
    QPushButton* SaveBut = nullptr;
    QPushButton* SortBut = nullptr;
    QPushButton* CancelBut = nullptr;
    QPushButton* HelpBut = nullptr;
    QString defaultCommonList_;
    QString currentCommonList_;
    QString customDatName_;        // the custom-list dialog's file name
    ListEncoding editedEncoding_;  // the edited list is saved back in the encoding it was read in
};

}  // namespace vornix
