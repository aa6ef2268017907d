// Dispersion in the window: "Show dispersion" adds Range and DP to the table, to Save
// and to Copy, whether the run recorded its parts or they are read again; the setting is
// remembered. "Counts per document" shows, sorts and saves each document's counts, as
// vornix-count --per-file does; the word-in-context window's plot has a strip per
// document and a mark per occurrence, and a click on a mark selects its line. The
// figures are worked out here from the documents' words.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "GuiTestSupport.h"
#include "cli/CountProcess.h"
#include "core/engine/Cp1252.h"
#include "gui/context/ContextWindow.h"
#include "gui/context/DispersionPlotView.h"
#include "gui/display/ResultModel.h"
#include "gui/ui/AnalysisWindow.h"

using namespace vornix;
using namespace vornix::test;

namespace {

std::string ClipboardBytes() {
    const QString text = QGuiApplication::clipboard()->text();
    return Cp1252FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

// Per document, each upper-cased word's count.
using DocCounts = std::vector<std::map<std::string, int>>;
DocCounts Count(const std::vector<std::string>& texts) {
    DocCounts docs;
    for (const std::string& text : texts) {
        std::istringstream in(text);
        auto& counts = docs.emplace_back();
        for (std::string w; in >> w;) {
            for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            ++counts[w];
        }
    }
    return docs;
}

// "WORD<tab>count<tab>range<tab>DP" from the definition DP = 1/2 sum |v_i/f - s_i|.
std::string Line(const DocCounts& docs, const std::string& word, bool dispersion) {
    double total = 0, f = 0;
    int range = 0;
    for (const auto& d : docs) {
        for (const auto& [w, n] : d) total += n;
        if (d.count(word)) f += d.at(word), ++range;
    }
    std::string line = word + "\t" + std::to_string(int(f));
    if (dispersion) {
        double dp = 0;
        for (const auto& d : docs) {
            double size = 0;
            for (const auto& [w, n] : d) size += n;
            dp += std::fabs((d.count(word) ? d.at(word) : 0) / f - size / total) / 2;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.4f", dp);
        line += "\t" + std::to_string(range) + "\t" + buf;
    }
    return line + "\r\n";
}

}  // namespace

class DispersionTest : public GuiFixture {
protected:
    std::vector<std::string> texts = {"cat dog cat cat", "dog bird"};
    void Analyse() {
        QStringList paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths << QString::fromStdString(WriteText("doc" + std::to_string(i) + ".txt", texts[i]));
        OpenDocuments(paths);
    }
    void SaveAs(const std::string& path) {
        ui.saveFileAnswers.push_back(QString::fromStdString(path));
        QTest::keyClick(&Main(), Qt::Key_S, Qt::ControlModifier);
    }
    std::string Expected(bool on) {
        const DocCounts docs = Count(texts);
        return Line(docs, "CAT", on) + Line(docs, "DOG", on) + Line(docs, "BIRD", on);
    }
    void ExpectColumns(bool on) {
        ASSERT_EQ(Model()->columnCount(), on ? 5 : 3);
        if (!on) return;
        EXPECT_EQ(Model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString().trimmed(), "Range");
        EXPECT_EQ(Model()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString().trimmed(), "DP");
        const std::string lines = Expected(true);
        // The grid's cells are the saved lines' cells.
        std::istringstream in(lines);
        for (int row = 0; row < 3; ++row) {
            std::string line;
            std::getline(in, line);
            const std::string cells = Model()->CellText(row, 1).trimmed().toStdString() + "\t" +
                                      Model()->CellText(row, 2).trimmed().toStdString() + "\t" +
                                      Model()->CellText(row, 3).trimmed().toStdString() + "\t" +
                                      Model()->CellText(row, 4).trimmed().toStdString() + "\r";
            EXPECT_EQ(cells, line) << row;
        }
    }
};

TEST_F(DispersionTest, ShowDispersionAddsRangeAndDPToTheTableSaveAndCopyAndIsRemembered) {
    Start();
    ASSERT_FALSE(Act("ShowDispersion1")->isChecked());  // off for a new user
    Analyse();                                          // not recorded: read again when asked
    ExpectColumns(false);
    for (bool on : {true, false, true}) {
        SCOPED_TRACE(on);
        Act("ShowDispersion1")->trigger();
        ASSERT_EQ(Act("ShowDispersion1")->isChecked(), on);
        ExpectColumns(on);
        const std::string path = dir.file(on ? "on.vxf" : "off.vxf");
        SaveAs(path);
        EXPECT_EQ(ReadFile(path), Expected(on));
        QTest::keyClick(&Main(), Qt::Key_F2);
        EXPECT_EQ(ClipboardBytes(), Expected(on));
    }
    // With the relative frequency too: its cell comes first, as on the command line.
    Act("ShowRelFreq1")->trigger();
    ASSERT_EQ(Model()->columnCount(), 6);
    EXPECT_EQ(Model()->CellText(0, 3).trimmed(), "500000.0");
    EXPECT_EQ(Model()->CellText(0, 4).trimmed(), "1");
    Act("ShowRelFreq1")->trigger();
    Stop();
    Start();
    EXPECT_TRUE(Act("ShowDispersion1")->isChecked());
    // On from the start: the run records its parts; another set of documents.
    texts = {"bird", "cat", "dog cat dog dog cat cat"};
    Analyse();
    ExpectColumns(true);
    SaveAs(dir.file("recorded.vxf"));
    EXPECT_EQ(ReadFile(dir.file("recorded.vxf")), Expected(true));
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}

TEST_F(DispersionTest, CountsPerDocumentShowSortSaveAsTheCommandLineAndGoWithANewRun) {
    Start();
    texts = {"cat dog cat cat", "dog bird", "", "bird bird bird bird dog"};
    Analyse();
    Act("CountsPerDocument1")->trigger();
    auto* window = Main().findChild<AnalysisWindow*>(QStringLiteral("Counts"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    ASSERT_NE(window->Table(), nullptr);
    QAbstractItemModel* model = window->View->model();
    // Word, count, then one column per document under its name; the empty one too.
    ASSERT_EQ(model->columnCount(), 2 + 4);
    for (int d = 0; d < 4; ++d)
        EXPECT_EQ(model->headerData(2 + d, Qt::Horizontal).toString(), QStringLiteral("doc%1.txt").arg(d));
    const DocCounts docs = Count(texts);
    ASSERT_EQ(model->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        const std::string word = model->index(r, 0).data().toString().toStdString();
        int total = 0;
        for (int d = 0; d < 4; ++d) {
            const int expected = docs[std::size_t(d)].count(word) ? docs[std::size_t(d)].at(word) : 0;
            EXPECT_EQ(model->index(r, 2 + d).data().toString().toInt(), expected) << word << d;
            total += expected;
        }
        EXPECT_EQ(model->index(r, 1).data().toString().toInt(), total) << word;
    }
    // Save as .csv: the bytes vornix-count --per-file --format=csv writes for the same
    // documents and list, atomically over an older file.
    const std::string csv = WriteText("counts.csv", "an older file");
    ui.saveFileAnswers.push_back(QString::fromStdString(csv));
    QTest::mouseClick(window->SaveButton, Qt::LeftButton);
    std::vector<std::string> args = {"--per-file", "--format=csv", "--output=" + dir.file("cli.csv"),
                                     "--common-list=" + Main().CurrentCommonList().toStdString()};
    for (std::size_t i = 0; i < texts.size(); ++i) args.push_back(dir.file("doc" + std::to_string(i) + ".txt"));
    const CountResult r = RunCount(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(csv), ReadFile(dir.file("cli.csv")));
    EXPECT_TRUE(ui.Texts("Error").isEmpty());

    // A click on a document's header sorts by its counts, the highest first.
    QHeaderView* header = window->View->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("BIRD"));
    EXPECT_EQ(model->index(2, 5).data().toString().toInt(), 0);

    // A new run empties it.
    texts = {"one"};
    window->hide();
    Analyse();
    EXPECT_EQ(window->Table(), nullptr);
}

TEST_F(DispersionTest, ThePlotHasAStripPerDocumentAMarkPerOccurrenceAndAClickSelectsTheLine) {
    Start();
    texts = {"cat dog cat\nbird cat\n", "dog bird", "a bird and a cat\n"};
    Analyse();
    // CAT is the first row of the frequency order.
    Grid()->setCurrentIndex(Grid()->model()->index(0, 1));
    Act("ShowInContext1")->trigger();
    auto* window = Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Plot->isVisible(); }));
    const PlotGeometry& g = window->Plot->Geometry();
    const DocCounts docs = Count(texts);
    ASSERT_EQ(g.strips.size(), 3u);
    for (std::size_t d = 0; d < 3; ++d) {
        EXPECT_EQ(window->Plot->Plot().strips[d].name, "doc" + std::to_string(d) + ".txt");
        EXPECT_EQ(int(g.strips[d].marks.size()), docs[d].count("CAT") ? docs[d].at("CAT") : 0) << d;
    }
    // A click on each mark makes its line current: the line shows that document and
    // the line of the text the mark stands for.
    QTableView* table = window->Table;
    const std::vector<std::pair<std::size_t, int>> marks = {{0, 1}, {0, 1}, {0, 2}, {2, 1}};
    std::size_t k = 0;
    for (std::size_t d = 0; d < 3; ++d)
        for (std::size_t m = 0; m < g.strips[d].marks.size(); ++m, ++k) {
            SCOPED_TRACE(k);
            QTest::mouseClick(window->Plot, Qt::LeftButton, {},
                              QPoint(g.strips[d].marks[m], g.strips[d].box.y + g.strips[d].box.height / 2));
            const int row = table->currentIndex().row();
            ASSERT_GE(row, 0);
            EXPECT_TRUE(table->selectionModel()->isRowSelected(row, {}));
            EXPECT_EQ(table->model()->index(row, 3).data().toString(), QStringLiteral("doc%1.txt").arg(d));
            EXPECT_EQ(table->model()->index(row, 4).data().toInt(), marks[k].second);
        }
    EXPECT_EQ(k, 4u);
    // Lines sorted by the right neighbour: a click still finds its own line.
    const int before = table->currentIndex().row();
    window->SortBox->setCurrentIndex(window->SortBox->findData(QStringLiteral("1R")));
    emit window->SortBox->activated(window->SortBox->currentIndex());
    QTest::mouseClick(window->Plot, Qt::LeftButton, {}, QPoint(g.strips[2].marks[0], g.strips[2].box.y + 2));
    const int row = table->currentIndex().row();
    EXPECT_EQ(table->model()->index(row, 3).data().toString(), QStringLiteral("doc2.txt"));
    EXPECT_NE(row, before) << "doc2's line moved with the sort";

    // Save image...: PNG and SVG by the name.
    for (const char* name : {"plot.png", "plot.svg"}) {
        ui.saveFileAnswers.push_back(QString::fromStdString(dir.file(name)));
        QTest::mouseClick(window->SaveImageButton, Qt::LeftButton);
    }
    EXPECT_FALSE(QImage(QString::fromStdString(dir.file("plot.png"))).isNull());
    EXPECT_NE(ReadFile(dir.file("plot.svg")).find("doc2.txt"), std::string::npos);
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}

// The screenshot of the manual: run under Xvfb with VORNIX_SCREENSHOTS (the folder),
// VORNIX_NOVEL (its documents, separated by colons: the chapters, or one book) and
// VORNIX_WORD (the word).
TEST_F(DispersionTest, ScreenshotOfTheDispersionPlotOfAWordOfANovel) {
    const QString folder = qEnvironmentVariable("VORNIX_SCREENSHOTS");
    const QStringList novel = qEnvironmentVariable("VORNIX_NOVEL").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString word = qEnvironmentVariable("VORNIX_WORD");
    if (folder.isEmpty() || novel.isEmpty() || word.isEmpty())
        GTEST_SKIP() << "VORNIX_SCREENSHOTS, VORNIX_NOVEL and VORNIX_WORD not set";
    Start();
    OpenDocuments(novel);
    const std::vector<std::string> rows = Rows();
    int row = -1;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].find("|" + word.toUpper().toStdString() + "|") != std::string::npos) row = int(i);
    ASSERT_GE(row, 0) << "no row " << word.toStdString();
    Grid()->setCurrentIndex(Grid()->model()->index(row, 1));
    Act("ShowInContext1")->trigger();
    auto* window = Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }, 60000));
    window->resize(980, 720);
    QTest::qWait(300);
    EXPECT_TRUE(window->grab().save(folder + "/dispersion-plot.png", "PNG", 9));
}
