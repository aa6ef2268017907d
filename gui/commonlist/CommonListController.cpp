#include "gui/commonlist/CommonListController.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/commonlist/ListText.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"
#include "core/files/Settings.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"

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

// Asked before a list moves from the 8-bit set to UTF-8, by the editor and by adding a word.
const QString kSaveAsUtf8 =
    QStringLiteral("The list holds characters that the Windows character set cannot store. Save it as UTF-8?");

// Upper case for a to z only, as the path comparison of the Options menu wants.
QString UpperAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return out;
}

}  // namespace

CommonListController::CommonListController(WindowContext& context, QWidget* client)
    : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("CommonListController"));
    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    QFont memoFont = QApplication::font();  // the list is read as prose, not as a table
    memoFont.setPixelSize(13);
    Memo1->setFont(memoFont);
    Memo1->hide();
    static_cast<QVBoxLayout*>(client->layout())->addWidget(Memo1, 1);

    context_.OnMenuOpening("Options1", this, [this] { Options1Click(); });
    context_.OnItem("ReadCommonWordList1", this, [this] { ReadCommonWordList1Click(); });
    context_.OnItem("EditCommonWordList1", this, [this] { EditCommonWordList1Click(); });
    context_.OnItem("Selectcustomlist1", this, [this] { Selectcustomlist1Click(); });
    context_.OnItem("RestoredefaultlistVornixdat1", this, [this] { RestoredefaultlistVornixdat1Click(); });
    context_.OnItem("Add2Common1", this, [this] { Add2Common1Click(); });
}

void CommonListController::AddButtons(QWidget* panel) {
    auto editorButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, panel);
        button->setObjectName(QLatin1String(name));
        button->hide();
        return button;
    };
    SaveBut = editorButton("SaveBut", QStringLiteral("Save"));
    SortBut = editorButton("SortBut", QStringLiteral("Sort"));
    CancelBut = editorButton("CancelBut", QStringLiteral("Cancel"));
    HelpBut = editorButton("HelpBut", QStringLiteral("&Help"));
    // 75 by 29 each, or what the widest caption needs in a large font: the caption and
    // the style's margins (not the style's minimum width for a button with text, which
    // would widen the designed buttons at any font). The panel grows with them so that
    // no button sticks out of it.
    QSize size(75, 29);
    for (QPushButton* button : {SaveBut, SortBut, CancelBut, HelpBut}) {
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        const int caption = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
        size = size.expandedTo(QSize(caption + 2 * margin, button->sizeHint().height()));
    }
    for (QPushButton* button : {SaveBut, SortBut, CancelBut, HelpBut}) button->setFixedSize(size);
    if (panel->minimumHeight() < size.height()) panel->setFixedHeight(size.height());
    connect(SaveBut, &QPushButton::clicked, this, &CommonListController::SaveButClick);
    connect(SortBut, &QPushButton::clicked, this, &CommonListController::SortButClick);
    connect(CancelBut, &QPushButton::clicked, this, &CommonListController::CancelButClick);
    connect(HelpBut, &QPushButton::clicked, this, &CommonListController::HelpButClick);
}

bool CommonListController::Checked(const char* item) const {
    return context_.Item(item)->isChecked();
}

void CommonListController::SetDefaultCommonList(const QString& path) {
    defaultCommonList_ = path;
    currentCommonList_ = path;
}

std::string CommonListController::ListToRead() const {
    return Checked("ReadCommonWordList1") ? Path(currentCommonList_) : std::string();
}

void CommonListController::ClearEditor() {
    Memo1->clear();
}

bool CommonListController::EditorMayGo() {
    if (!EditorOpen()) return true;
    CancelButClick();
    return !EditorOpen();
}

void CommonListController::Layout(int clientWidth, int panelHeight) {
    if (!SaveBut) return;
    const int width = SaveBut->width();
    const int half = clientWidth / 2;
    const int top = (panelHeight - SaveBut->height()) / 2;
    SaveBut->move(half - 2 * width, top);
    SortBut->move(half - width, top);
    CancelBut->move(SortBut->x() + width, top);
    HelpBut->move(CancelBut->x() + width, top);
}

void CommonListController::EditCommonWordList1Click() {
    // Opening again reloads the file; typed text is not dropped without asking.
    if (EditorOpen() && Memo1->document()->isModified() &&
        !context_.ui.Confirm(&context_.window, QStringLiteral("Text was changed! Abandon changes?"))) {
        Memo1->setFocus();
        return;
    }
    // The file first: when it cannot be read the window stays as it was.
    const QString file = currentCommonList_;
    std::u16string text;
    try {
        const std::string bytes = ReadRegularFile(Path(file), kMaxCommonListBytes);
        editedEncoding_ = ListFileEncoding(bytes, DetectUnicodeSetting(context_.settings));
        text = EditorTextFromListFile(bytes, editedEncoding_);
    } catch (const FileError& e) {
        context_.ShowErrorBox(UiText(e.what()));
        return;
    }
    ApplyCaseForm(text, Checked("LowerCase1"));

    Memo1->setProperty(kEditedFile, file);
    Memo1->show();
    context_.setResultsView(false);  // grid and tabs hidden, green face, no Open File button
    context_.ShowStatus(QString());
    Memo1->setPlainText(QString::fromStdU16String(text));
    Memo1->document()->setModified(false);
    for (QPushButton* button : {SaveBut, SortBut, CancelBut, HelpBut})
        if (button) button->show();
    context_.formResize();
    Memo1->moveCursor(QTextCursor::Start);
    Memo1->setFocus();
}

void CommonListController::SaveButClick() {
    if (!EditorOpen()) return;
    const QString file = Memo1->property(kEditedFile).toString();
    const std::u16string text = EditorText(Memo1);
    ListEncoding encoding = editedEncoding_;
    // Letters the 8-bit set lacks would be written as "?": the list moves to UTF-8, which
    // every count reads back, or the editor stays open with the text.
    if (!ListEncodingHolds(text, encoding)) {
        if (!context_.ui.Confirm(&context_.window, kSaveAsUtf8)) {
            Memo1->setFocus();
            return;
        }
        encoding = ListEncoding{TextEncoding::Utf8, true};
    }
    try {
        ReplaceListFile(Path(file), ListFileFromEditorText(text, encoding));
    } catch (const FileError& e) {
        // The editor stays with its text, so the user can try again or cancel.
        context_.ShowErrorBox(UiText(e.what()));
        Memo1->setFocus();
        return;
    }
    Memo1->clear();
    LeaveEditor();
    context_.setResultsView(false);
}

void CommonListController::CancelButClick() {
    if (!EditorOpen()) return;
    if (Memo1->document()->isModified() &&
        !context_.ui.Confirm(&context_.window, QStringLiteral("Text was changed! Abandon changes?"))) {
        Memo1->setFocus();
        return;
    }
    Memo1->clear();
    LeaveEditor();
    context_.setResultsView(false);
}

void CommonListController::HelpButClick() {
    context_.showHelp(QStringLiteral("options.htm#editcomm"));
    Memo1->setFocus();
}

void CommonListController::SortButClick() {
    if (!EditorOpen()) return;
    // The user's language orders the words, without regard to case or punctuation.
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(true);
    // A Unicode list keeps its letters above 127 and is ordered as a run matches it.
    const std::u16string sorted = SortedEditorText(
        EditorText(Memo1), editedEncoding_, Checked("LowerCase1"), [&](std::string_view a, std::string_view b) {
            return collator.compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                                    QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
        });
    const QString text = QString::fromStdU16String(sorted);
    if (text != Memo1->document()->toRawText()) {
        // Replaced as one edit: the sort can be undone, and Cancel asks before it is lost.
        QTextCursor cursor(Memo1->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        Memo1->moveCursor(QTextCursor::Start);
    }
    Memo1->setFocus();
}

void CommonListController::Add2Common1Click() {
    // The pop-up item carries the record of the row it was opened on.
    const QVariant data = context_.Item("Add2Common1")->data();
    const std::int32_t picked = data.isValid() ? data.toInt() : -1;
    if (picked < 0 || picked >= context_.Run().Store().WordCount()) return;
    std::string word(context_.Run().Store().WordRecord(picked).Text());
    ApplyCaseForm(word, false);
    if (word.empty()) return;
    // A word of every script is UTF-8; an 8-bit word is ASCII.
    const QString shown = QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));

    WordStore& store = context_.Run().Store();
    std::int32_t position = 0;
    const bool found = store.WordCount() > 0 && store.FindWord(word, position);
    const std::int32_t rec = found ? store.AlphaIndex()[position] : -1;
    if (found && store.ReadWordRecord(rec).Common) {
        // Adding it again would count it twice as common and add nothing to the list.
        context_.ShowStatus(shown + QStringLiteral(" is already in the common words list"));
        return;
    }

    const std::string list = Path(currentCommonList_);
    try {
        const std::string bytes = ReadRegularFile(list, kMaxCommonListBytes);
        std::optional<std::string> added = ListWithWordAdded(bytes, word);
        // An 8-bit list that cannot hold the word moves to UTF-8 only when the user agrees.
        if (!added) {
            if (!context_.ui.Confirm(&context_.window, kSaveAsUtf8)) return;
            added = ListWithWordAdded(bytes, word, true, true);
        }
        ReplaceListFile(list, *added);
    } catch (const FileError& e) {
        context_.ShowErrorBox(UiText(e.what()));
        return;
    }
    context_.ShowStatus(shown + QStringLiteral(" added to common words list"));
    if (!found) return;

    try {
        store.ReadWordRecord(rec);
        store.CurrentRec.Common = 1;
        store.WriteWordRecord(rec);
    } catch (const FileError& e) {
        // The list has the word; the next run marks it common.
        context_.ShowErrorBox(UiText(e.what()));
        return;
    }
    ++context_.Run().State().CommonWords;
    context_.recordStats();
    context_.displayResults();
}

void CommonListController::Options1Click() {
    context_.Item("RestoredefaultlistVornixdat1")
        ->setEnabled(UpperAscii(currentCommonList_) != UpperAscii(defaultCommonList_));
}

void CommonListController::ReadCommonWordList1Click() {
    QAction* item = context_.Item("ReadCommonWordList1");
    item->setChecked(!item->isChecked());
    context_.Item("ShowCommonWords1")->setEnabled(item->isChecked());
}

void CommonListController::Selectcustomlist1Click() {
    const QString custom = UiText(context_.settings.IniSetting("CustomDat"));
    OpenFilesRequest request;
    if (!custom.isEmpty()) {
        request.folder = QFileInfo(custom).path();
        customDatName_ = custom;
    } else {
        request.folder = QFileInfo(currentCommonList_).path();
    }
    request.fileName = customDatName_;
    const QString chosen = context_.ui.OpenFile(&context_.window, request);
    if (chosen.isEmpty()) return;
    customDatName_ = chosen;
    currentCommonList_ = QFileInfo(chosen).absoluteFilePath();
}

void CommonListController::RestoredefaultlistVornixdat1Click() {
    currentCommonList_ = defaultCommonList_;
}

bool CommonListController::EditorOpen() const {
    return Memo1->isVisibleTo(Memo1->parentWidget());
}

void CommonListController::LeaveEditor() {
    for (QWidget* w : std::initializer_list<QWidget*>{Memo1, SaveBut, SortBut, CancelBut, HelpBut})
        if (w) w->hide();
}

}  // namespace vornix
