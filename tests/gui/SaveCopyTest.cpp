// "Save analysis" and "Copy to clipboard" as a user runs them: real files, the real
// clipboard, the dialogs answered through the seam.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "cli/CountProcess.h"
#include "core/engine/Cp1252.h"
#include "gui/display/ResultModel.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// The clipboard's text as the 8-bit bytes a pasting program would get.
std::string ClipboardBytes() {
    const QString text = QGuiApplication::clipboard()->text();
    return Cp1252FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

constexpr const char* kLongWord = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN";  // 40 letters

}  // namespace

class SaveCopyTest : public GuiFixture {
protected:
    void Analyse(const std::string& text) { OpenDocuments({QString::fromStdString(WriteText("doc.txt", text))}); }

    // The separator and threshold chosen in "Additional settings" and confirmed with OK.
    void ChooseSettings(int separator, int threshold) {
        QTimer answer;
        answer.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            In<QButtonGroup>(AddDlg(), "Separator")->button(separator)->setChecked(true);
            In<QSpinBox>(AddDlg(), "Threshold")->setValue(threshold);
            QTest::mouseClick(In<QPushButton>(AddDlg(), "OKBtn"), Qt::LeftButton);
        });
        answer.start(0);
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), Qt::Key_F5);
        ASSERT_FALSE(AddDlg().isVisible());
        QApplication::setActiveWindow(&Main());
    }
    // Ctrl+S answered with the given path (empty: the dialog is cancelled).
    void SaveAs(const std::string& path) {
        ui.saveFileAnswers.push_back(QString::fromStdString(path));
        QTest::keyClick(&Main(), Qt::Key_S, Qt::ControlModifier);
    }
    void Copy() { QTest::keyClick(&Main(), Qt::Key_F2); }
    std::vector<std::string> FolderEntries(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SaveCopyTest, FileAndClipboardHoldTheSameBytesForEverySeparatorAndCase) {
    Start();
    Analyse(std::string("the cat cat 1234 1234 1234 Mixed'case ") + kLongWord + " " + kLongWord + "X");
    Act("ShowNumbers1")->trigger();
    // The 41-letter word counts as its first 40 letters.
    const std::string upperTab = std::string("1234\t3\r\n") + kLongWord + "\t2\r\nCAT\t2\r\nMIXED'CASE\t1\r\n";
    for (int separator : {0, 1, 2}) {
        ChooseSettings(separator, 1);
        for (bool lower : {false, true}) {
            if (Act("LowerCase1")->isChecked() != lower) Act("LowerCase1")->trigger();
            const std::string path = dir.file("s" + std::to_string(separator) + (lower ? "l" : "u") + ".vxf");
            QGuiApplication::clipboard()->setText("old");
            Copy();
            EXPECT_EQ(StatusLine().toStdString(), "Saved to clipboard.");
            SaveAs(path);
            EXPECT_EQ(StatusLine().toStdString(), "Saved as " + path);
            const std::string file = ReadFile(path);
            EXPECT_EQ(ClipboardBytes(), file) << separator << lower;

            std::string expected = upperTab;
            for (char& c : expected) {
                if (c == '\t') c = " \t,"[separator];
                if (lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            }
            EXPECT_EQ(file, expected) << separator << lower;
        }
    }
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}

TEST_F(SaveCopyTest, AnEmptyTableGivesAnEmptyFileAndAnEmptyClipboard) {
    Start();
    Analyse("one two two");
    ChooseSettings(1, 100);
    ASSERT_EQ(StatusLine(), "Frequency order. 2 words; 0 common; 0 numeric; showing 0.");
    const std::string path = dir.write("empty.vxf", "an older analysis\r\n");
    SaveAs(path);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(StatusLine().toStdString(), "Saved as " + path);
    QGuiApplication::clipboard()->setText("something else");
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
    EXPECT_EQ(StatusLine().toStdString(), "Saved to clipboard.");
}

TEST_F(SaveCopyTest, SavingReplacesTheFileAndRemembersItsFolder) {
    Start();
    Analyse("b a c c");
    // No settings file yet: the dialog has no starting folder of its own.
    SaveAs("");
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_EQ(ui.saveRequests[0].folder, "");
    EXPECT_EQ(ui.saveRequests[0].defaultSuffix, "vxf");
    EXPECT_EQ(ui.saveRequests[0].filter, "Vornix files (*.vx?)");
    EXPECT_EQ(StatusLine(), "Frequency order. 3 words; 1 common (hidden); 0 numeric; showing 2.");

    std::filesystem::create_directory(dir.file("texts"));
    const std::string path = dir.write("texts/out.vxf", std::string(1000, 'x'));
    SaveAs(path);
    EXPECT_EQ(ReadFile(path), "C\t2\r\nB\t1\r\n");
    EXPECT_EQ(FolderEntries(dir.file("texts")), std::vector<std::string>{"out.vxf"});  // no temporary left

    // Over a symbolic link: the file behind it is replaced, the link stays.
    const std::string behind = dir.write("behind.vxf", "old");
    std::filesystem::create_symlink(behind, dir.file("texts/link.vxf"));
    SaveAs(dir.file("texts/link.vxf"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("texts/link.vxf")));
    EXPECT_EQ(ReadFile(behind), "C\t2\r\nB\t1\r\n");
    EXPECT_EQ(StatusLine().toStdString(), "Saved as " + dir.file("texts/link.vxf"));

    // The suffix follows the order shown; the folder is the last one saved to.
    Act("AlphabeticalList1")->trigger();
    SaveAs("");
    EXPECT_EQ(ui.saveRequests.back().defaultSuffix, "vxa");
    EXPECT_EQ(ui.saveRequests.back().folder.toStdString(), dir.file("texts"));
    Act("WordLengthList1")->trigger();
    SaveAs("");
    EXPECT_EQ(ui.saveRequests.back().defaultSuffix, "vxl");
    EXPECT_EQ(StatusLine(), "Word-length order. 3 words; 1 common (hidden); 0 numeric; showing 2.");

    // Also after the program was closed and started again.
    Stop();
    Start();
    Analyse("z");
    SaveAs("");
    EXPECT_EQ(ui.saveRequests.back().folder.toStdString(), dir.file("texts"));
    EXPECT_EQ(ui.saveRequests.back().defaultSuffix, "vxl");
}

TEST_F(SaveCopyTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    Start();
    std::string text;
    for (int i = 0; i < 200; ++i) text += "word" + std::to_string(i) + "x ";
    Analyse(text);
    const QString summary = StatusLine();
    std::filesystem::create_directory(dir.file("keep"));
    const std::string path = dir.write("keep/table.vxf", "the old table\r\n");

    {
        FileSizeLimit limit(64);
        SaveAs(path);
    }
    EXPECT_EQ(ui.Texts("Error"), QStringList{"Disk full"});
    EXPECT_EQ(ReadFile(path), "the old table\r\n");
    EXPECT_EQ(FolderEntries(dir.file("keep")), std::vector<std::string>{"table.vxf"});
    EXPECT_EQ(StatusLine().toStdString(), summary.toStdString());
    EXPECT_EQ(Main().SavePath(), "");

    // A folder that is a plain file.
    const std::string plain = dir.write("plain.txt", "x");
    SaveAs(plain + "/table.vxf");
    EXPECT_EQ(ui.Texts("Error"), (QStringList{"Disk full", "File not found"}));
    EXPECT_EQ(ReadFile(plain), "x");
    EXPECT_EQ(StatusLine().toStdString(), summary.toStdString());

    // The same save without the limit works.
    SaveAs(path);
    EXPECT_EQ(ReadFile(path).substr(0, 9), "WORD0X\t1\r");
    EXPECT_EQ(Main().SavePath().toStdString(), dir.file("keep"));
    EXPECT_EQ(ui.Texts("Error").size(), 2);
}

TEST_F(SaveCopyTest, CopyFollowsTheStoreAndThe8BitSet) {
    Start();
    // Before any run F2 leaves the clipboard alone.
    QGuiApplication::clipboard()->setText("keep me");
    OpenMenu("Edit1");
    EXPECT_FALSE(Act("CopytoClipboard1")->isEnabled());
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep me");

    // Text taken from the clipboard goes through the 8-bit set: accented letters lose
    // their accents, the ligature becomes two letters, sharp s separates.
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8("\xC3\x89"
                          "clair \xC3\x86sop na\xC3\xAFve Stra\xC3\x9F"
                          "e"));
    QTest::keyClick(&Main(), Qt::Key_Insert, Qt::ControlModifier);
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "AESOP\t1\r\nE\t1\r\nECLAIR\t1\r\nNAIVE\t1\r\nSTRA\t1\r\n");
    Act("LowerCase1")->trigger();
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "aesop\t1\r\ne\t1\r\neclair\t1\r\nnaive\t1\r\nstra\t1\r\n");

    // Ctrl+C belongs to the Edit menu's title: it copies nothing, not even the grid's cell.
    QGuiApplication::clipboard()->setText("keep me");
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep me");

    // With the results view left the copy still holds the table, in the order checked.
    QTest::keyClick(Grid(), Qt::Key_Escape);
    Act("LowerCase1")->trigger();
    Act("WordLengthList1")->trigger();
    QTest::keyClick(Grid(), Qt::Key_Escape);
    ASSERT_FALSE(Grid()->isVisible());
    OpenMenu("Edit1");
    EXPECT_FALSE(Act("Find1")->isEnabled());
    EXPECT_TRUE(Act("CopytoClipboard1")->isEnabled());
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ECLAIR\t1\r\nAESOP\t1\r\nNAIVE\t1\r\nSTRA\t1\r\nE\t1\r\n");
    EXPECT_EQ(StatusLine().toStdString(), "Saved to clipboard.");
}

// vornix-count and "Save analysis" are the same table for the same choices.
TEST_F(SaveCopyTest, CommandLineAndSaveAnalysisWriteTheSameBytes) {
    const std::string text = VORNIX_TEST_DATA_DIR "/ulysses-excerpt.txt";

    Start();
    OpenDocuments({QString::fromStdString(text)});
    const std::string list = Main().CurrentCommonList().toStdString();
    auto compare = [&](const std::string& name, std::vector<std::string> options) {
        const std::string saved = dir.file(name + ".vxf");
        const std::string counted = dir.file(name + ".cli");
        SaveAs(saved);
        options.insert(options.begin(), "--common-list=" + list);
        options.push_back("--output=" + counted);
        options.push_back(text);
        const CountResult r = RunCount(options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string a = ReadFile(saved), b = ReadFile(counted);
        EXPECT_GT(a.size(), 1000u) << name;
        EXPECT_TRUE(a == b) << name << ": " << a.size() << " bytes saved, " << b.size() << " counted";
    };
    compare("default", {});

    Act("AlphabeticalList1")->trigger();
    Act("ShowNumbers1")->trigger();
    Act("ShowCommonWords1")->trigger();
    Act("LowerCase1")->trigger();
    ChooseSettings(2, 3);
    compare("varied", {"--order=alphabetical", "--show-numbers", "--show-common", "--lower", "--separator=comma",
                       "--threshold=3"});

    Act("WordLengthList1")->trigger();
    ChooseSettings(0, 0);
    compare("length",
            {"--order=length", "--show-numbers", "--show-common", "--lower", "--separator=space", "--threshold=0"});
}

// File > Export table writes what vornix-count --format writes for the same choices,
// through the same writer, replacing the file whole.
TEST_F(SaveCopyTest, ExportTableWritesTheCommandLinesBytesInEachFormat) {
    const std::string text = VORNIX_TEST_DATA_DIR "/ulysses-excerpt.txt";
    Start();
    OpenDocuments({QString::fromStdString(text)});
    const std::string list = Main().CurrentCommonList().toStdString();
    auto compare = [&](const std::string& name, std::vector<std::string> options) {
        for (const char* format : {"csv", "tsv", "json"}) {
            const std::string exported = dir.write(name + "." + format, "an older file");
            const std::string counted = dir.file(name + "-cli." + format);
            ui.saveFileAnswers.push_back(QString::fromStdString(exported));
            OpenMenu("File1");
            ASSERT_TRUE(Act("ExportTable1")->isEnabled());
            Act("ExportTable1")->trigger();
            std::vector<std::string> args = options;
            args.insert(args.begin(), {"--common-list=" + list, std::string("--format=") + format});
            args.push_back("--output=" + counted);
            args.push_back(text);
            const CountResult r = RunCount(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const std::string a = ReadFile(exported), b = ReadFile(counted);
            EXPECT_GT(a.size(), 1000u) << name << " " << format;
            EXPECT_TRUE(a == b) << name << " " << format << ": " << a.size() << " bytes exported, " << b.size()
                                << " counted";
        }
    };
    compare("default", {});
    Act("AlphabeticalList1")->trigger();
    Act("ShowCommonWords1")->trigger();
    Act("LowerCase1")->trigger();
    Act("ShowRelFreq1")->trigger();
    ChooseSettings(2, 3);
    compare("varied", {"--order=alphabetical", "--show-common", "--lower", "--per-million", "--threshold=3"});

    // A name with another ending gets CSV; the folder keeps no temporary file.
    const std::string other = dir.file("table.txt");
    ui.saveFileAnswers.push_back(QString::fromStdString(other));
    Act("ExportTable1")->trigger();
    EXPECT_EQ(ReadFile(other).substr(0, 27), "rank,word,count,per_million");
    for (const std::string& entry : FolderEntries(dir.path()))
        EXPECT_EQ(entry.find(".vornix-tmp"), std::string::npos) << entry;
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
    EXPECT_EQ(ui.saveRequests.back().filter.toStdString(), "CSV files (*.csv);;TSV files (*.tsv);;JSON files (*.json)");
}

TEST_F(SaveCopyTest, TheFilterBoxShowsMatchingWordsAndSaveAndCopyWriteWhatIsShown) {
    Start();
    Analyse("cat scatter catnip catalog cat cat scatter ant catnip cat");
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* box = Find<QLineEdit>("FilterBox");
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(box->hasFocus());
    auto filter = [&](const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
        QTest::qWait(250);  // the pause after typing
    };
    // Frequency order: CAT 4, CATNIP 2, SCATTER 2, ANT 1, CATALOG 1.
    struct Case {
        const char* pattern;
        std::vector<std::string> rows;  // ranks of the full order
    } cases[] = {
        {"cat", {"1|CAT|4", "2|CATNIP|2", "3|SCATTER|2", "5|CATALOG|1"}},
        {"^cat", {"1|CAT|4", "2|CATNIP|2", "5|CATALOG|1"}},
        {"at$", {"1|CAT|4"}},
        {"c?t", {"1|CAT|4", "2|CATNIP|2", "3|SCATTER|2", "5|CATALOG|1"}},
        {"^c*g$", {"5|CATALOG|1"}},
        {"t*r", {"3|SCATTER|2"}},
        {"^?n*", {"4|ANT|1"}},
        {"xyz", {}},
    };
    for (const Case& c : cases) {
        filter(c.pattern);
        EXPECT_EQ(Rows(), c.rows) << c.pattern;
        EXPECT_TRUE(
            StatusLine().endsWith(QStringLiteral("showing %1 (filter \"%2\").").arg(c.rows.size()).arg(c.pattern)))
            << StatusLine().toStdString();
    }

    // Lower-case display: the typed text takes the table's case.
    filter("CAT$");
    Act("LowerCase1")->trigger();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|cat|4"}));
    Act("LowerCase1")->trigger();

    // Save and Copy write the filtered table.
    filter("^ca");
    Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "CAT\t4\r\nCATNIP\t2\r\nCATALOG\t1\r\n");
    const std::string saved = dir.path() + "/filtered.txt";
    SaveAs(saved);
    EXPECT_EQ(ReadFile(saved), "CAT\t4\r\nCATNIP\t2\r\nCATALOG\t1\r\n");

    // Escape clears and hides the box: the whole table again, and the filter is not a setting.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->text(), "");
    EXPECT_EQ(Rows().size(), 5u);
    EXPECT_EQ(Find<QLabel>("StatusNote")->text(), "");
    EXPECT_TRUE(Grid()->isVisible());
    Stop();
    EXPECT_EQ(ReadFile(SettingsFolder() + "Vornix.ini").find("^ca"), std::string::npos);
}

// A filter kept into the next count says so where the eye is: the summary line, and a
// note over the empty table with a button that clears it. It never shows over the
// list editor.
TEST_F(SaveCopyTest, AFilterKeptIntoANewCountIsNamedAndCanBeCleared) {
    Start();
    Analyse("cat catnip cat dog");
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* box = Find<QLineEdit>("FilterBox");
    QTest::keyClicks(box, "^cat");
    QTest::qWait(250);
    auto* note = Find<QWidget>("FilterNote");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|CAT|2", "2|CATNIP|1"}));
    EXPECT_FALSE(note->isVisible());

    // A new count the filter hides wholly (as a document handed over by a second start).
    OpenDocuments({QString::fromStdString(WriteText("other.txt", "dog bird dog"))});
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(StatusLine().endsWith(QStringLiteral("showing 0 (filter \"^cat\")."))) << StatusLine().toStdString();
    ASSERT_TRUE(note->isVisible());
    EXPECT_EQ(Find<QLabel>("FilterNoteText")->text(), "No words match the filter ^cat");
    // On the table, inside its visible part.
    EXPECT_TRUE(Grid()->viewport()->rect().contains(note->geometry())) << note->x() << "," << note->y();

    // The list editor hides the box and the note; the table brings the box back.
    Act("EditCommonWordList1")->trigger();
    ASSERT_TRUE(Find<QWidget>("Memo1")->isVisible());
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(note->isVisible());
    QTest::mouseClick(Find<QPushButton>("CancelBut"), Qt::LeftButton);
    EXPECT_FALSE(box->isVisible());  // nor over the empty window
    Act("FrequencyList1")->trigger();
    ASSERT_TRUE(Grid()->isVisible());
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(note->isVisible());

    // Clear filter: every word again, the box gone, the summary plain.
    QTest::mouseClick(Find<QPushButton>("ClearFilterBut"), Qt::LeftButton);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|DOG|2", "2|BIRD|1"}));
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(StatusLine().endsWith(QStringLiteral("showing 2."))) << StatusLine().toStdString();

    // A threshold that leaves nothing is not the filter's doing: no note.
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(box, "d");
    QTest::qWait(250);
    ChooseSettings(1, 5);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(note->isVisible());
}

TEST_F(SaveCopyTest, RelativeFrequencyAddsAColumnAndAFigureToSaveAndCopyAndIsRemembered) {
    Start();
    ASSERT_FALSE(Act("ShowRelFreq1")->isChecked());  // off for a new user
    Analyse("b a c c");                              // "A" is common and hidden, yet counted in the run's words
    const std::string plain = "C\t2\r\nB\t1\r\n";
    const std::string withShare = "C\t2\t500000.0\r\nB\t1\t250000.0\r\n";
    for (bool on : {true, false, true}) {
        Act("ShowRelFreq1")->trigger();
        ASSERT_EQ(Act("ShowRelFreq1")->isChecked(), on);
        ASSERT_EQ(Model()->columnCount(), on ? 4 : 3);
        if (on) {
            EXPECT_EQ(Model()->CellText(0, 3).trimmed(), "500000.0");
            EXPECT_EQ(Model()->CellText(1, 3).trimmed(), "250000.0");
        }
        const std::string path = dir.file(on ? "on.vxf" : "off.vxf");
        SaveAs(path);
        EXPECT_EQ(ReadFile(path), on ? withShare : plain);
        Copy();
        EXPECT_EQ(ClipboardBytes(), on ? withShare : plain);
    }
    // It follows the filter: the common word comes back with its own share.
    Act("ShowCommonWords1")->trigger();
    ASSERT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(Model()->CellText(2, 3).trimmed(), "250000.0");
    Stop();
    Start();
    EXPECT_TRUE(Act("ShowRelFreq1")->isChecked());
}
