// The common words list editor (the main window's memo in place of the table) and
// adding a word of the table to the list.
#include <QAction>
#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>

#include "commonlist/ListText.h"
#include "engine/Errors.h"
#include "shell/AtomicFile.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"

namespace vornix {

namespace {

// The file the editor was opened on. Save writes there even if another list was made
// current meanwhile: the text belongs to that file, and must not overwrite another.
constexpr const char* kEditedFile = "editedFile";

std::u16string Utf16(const QString& text) {
    return text.toStdU16String();
}

// The text as it stands, with no-break spaces kept (the plain text of a document turns
// them into blanks).
std::u16string EditorText(const QPlainTextEdit* memo) {
    return Utf16(memo->document()->toRawText());
}

}  // namespace

void TVornixMain::EditCommonWordList1Click() {
    // Opening again reloads the file; typed text is not dropped without asking.
    if (EditorOpen() && Memo1->document()->isModified() &&
        !ui_.Confirm(this, QStringLiteral("Text was changed! Abandon changes?"))) {
        Memo1->setFocus();
        return;
    }
    // The file first: when it cannot be read the window stays as it was.
    const QString file = currentCommonList_;
    std::u16string text;
    try {
        text = EditorTextFromListFile(ReadWholeFile(Path(file)));
    } catch (const FileError& e) {
        ShowErrorBox(UiText(e.what()));
        return;
    }
    ApplyCaseForm(text, LowerCase1->isChecked());

    Memo1->setProperty(kEditedFile, file);
    Memo1->show();
    SetResultsView(false);  // grid and tabs hidden, green face, no Open File button
    ShowStatus(QString());
    Memo1->setPlainText(QString::fromStdU16String(text));
    Memo1->document()->setModified(false);
    for (QPushButton* button : {SaveBut, SortBut, CancelBut, HelpBut}) button->show();
    FormResize();
    Memo1->moveCursor(QTextCursor::Start);
    Memo1->setFocus();
}

void TVornixMain::SaveButClick() {
    if (!EditorOpen()) return;
    const QString file = Memo1->property(kEditedFile).toString();
    try {
        ReplaceListFile(Path(file), ListFileFromEditorText(EditorText(Memo1)));
    } catch (const FileError& e) {
        // The editor stays with its text, so the user can try again or cancel.
        ShowErrorBox(UiText(e.what()));
        Memo1->setFocus();
        return;
    }
    Memo1->clear();
    LeaveEditor();
    SetResultsView(false);
}

void TVornixMain::CancelButClick() {
    if (!EditorOpen()) return;
    if (Memo1->document()->isModified() && !ui_.Confirm(this, QStringLiteral("Text was changed! Abandon changes?"))) {
        Memo1->setFocus();
        return;
    }
    Memo1->clear();
    LeaveEditor();
    SetResultsView(false);
}

void TVornixMain::HelpButClick() {
    ShowHelp(QStringLiteral("options.htm#editcomm"));
    Memo1->setFocus();
}

void TVornixMain::SortButClick() {
    if (!EditorOpen()) return;
    // The user's language orders the words, without regard to case or punctuation.
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(true);
    const std::string sorted =
        SortedListText(EditorText(Memo1), LowerCase1->isChecked(), [&](std::string_view a, std::string_view b) {
            return collator.compare(QLatin1StringView(a.data(), static_cast<qsizetype>(a.size())),
                                    QLatin1StringView(b.data(), static_cast<qsizetype>(b.size())));
        });
    const QString text = QString::fromStdU16String(EditorTextFromListFile(sorted));
    if (text != Memo1->document()->toRawText()) {
        // Replaced as one edit: the sort can be undone, and Cancel asks before it is lost.
        QTextCursor cursor(Memo1->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        Memo1->moveCursor(QTextCursor::Start);
    }
    Memo1->setFocus();
}

void TVornixMain::Add2Common1Click() {
    // The pop-up item carries the record of the row it was opened on.
    const std::int32_t picked = Add2Common1->data().isValid() ? Add2Common1->data().toInt() : -1;
    if (picked < 0 || picked >= run_->Store().WordCount()) return;
    std::string word(run_->Store().WordRecord(picked).Text());
    ApplyCaseForm(word, false);
    if (word.empty()) return;
    const QString shown = QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size()));

    WordStore& store = run_->Store();
    std::int32_t position = 0;
    const bool found = store.WordCount() > 0 && store.FindWord(word, position);
    const std::int32_t rec = found ? store.AlphaIndex()[position] : -1;
    if (found && store.ReadWordRecord(rec).Common) {
        // Adding it again would count it twice as common and add nothing to the list.
        ShowStatus(shown + QStringLiteral(" is already in the common words list"));
        return;
    }

    const std::string list = Path(currentCommonList_);
    try {
        ReplaceListFile(list, ListWithWordAdded(ReadWholeFile(list), word));
    } catch (const FileError& e) {
        ShowErrorBox(UiText(e.what()));
        return;
    }
    ShowStatus(shown + QStringLiteral(" added to common words list"));
    if (!found) return;

    try {
        store.ReadWordRecord(rec);
        store.CurrentRec.Common = 1;
        store.WriteWordRecord(rec);
    } catch (const FileError& e) {
        // The list has the word; the next run marks it common.
        ShowErrorBox(UiText(e.what()));
        return;
    }
    ++run_->State().CommonWords;
    RecordStats();
    DisplayResults();
}

}  // namespace vornix
