// The N-grams and Collocates windows as a user drives them: the menu key and the
// pop-up item, N, the threshold and the span, sorting, Copy, Save, a double click to the
// lines in context, and a new run. The figures are checked against counts and formulas
// worked out here from the words of the texts.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "GuiTestSupport.h"
#include "cli/CountProcess.h"
#include "core/collocates/Collocates.h"
#include "core/ngrams/NGrams.h"
#include "gui/collocates/CollocatesWindow.h"
#include "gui/context/ContextWindow.h"
#include "gui/ngrams/NGramsWindow.h"
#include "gui/shell/VornixMain.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// Plain words, so that the count's words are these in upper case. a.txt ends with CAT
// and b.txt begins with it: no n-gram or span runs from one into the other.
const std::string kA = "the cat sat on the mat\nthe cat ate the rat\nof the black cat\n";
const std::string kB = "cat and the dog of the cat sat\non the cat";

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) {
        std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return char(std::toupper(c)); });
        words.push_back(w);
    }
    return words;
}

struct Gram {
    std::int64_t count = 0;
    std::set<int> documents;
};

std::map<std::string, Gram> NGramsHere(int n) {
    std::map<std::string, Gram> out;
    int d = 0;
    for (const std::string& text : {kA, kB}) {
        const std::vector<std::string> w = Words(text);
        for (std::size_t i = 0; i + n <= w.size(); ++i) {
            std::string key = w[i];
            for (int k = 1; k < n; ++k) key += " " + w[i + k];
            ++out[key].count;
            out[key].documents.insert(d);
        }
        ++d;
    }
    return out;
}

struct Colloc {
    std::int64_t left = 0, right = 0;
    std::int64_t lines = 0;  // node occurrences with the collocate in their span
};

std::map<std::string, Colloc> CollocatesHere(const std::string& node, int left, int right) {
    std::map<std::string, Colloc> out;
    for (const std::string& text : {kA, kB}) {
        const std::vector<std::string> w = Words(text);
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (w[i] != node) continue;
            std::set<std::string> near;
            for (int k = 1; k <= left && k <= int(i); ++k) ++out[w[i - k]].left, near.insert(w[i - k]);
            for (int k = 1; k <= right && i + k < w.size(); ++k) ++out[w[i + k]].right, near.insert(w[i + k]);
            for (const std::string& c : near) ++out[c].lines;
        }
    }
    return out;
}

std::int64_t Occurrences(const std::string& word) {
    std::int64_t n = 0;
    for (const std::string& text : {kA, kB})
        for (const std::string& w : Words(text)) n += w == word;
    return n;
}

std::int64_t TotalWords() {
    return static_cast<std::int64_t>(Words(kA).size() + Words(kB).size());
}

}  // namespace

class NGramsCollocatesTest : public GuiFixture {
protected:
    void SetUp() override {
        Start();
        a_ = WriteText("a.txt", kA);
        b_ = WriteText("b.txt", kB);
        OpenDocuments({QString::fromStdString(a_), QString::fromStdString(b_)});
        ASSERT_TRUE(Grid()->isVisible());
    }
    template <class W>
    W* Window(const char* name) {
        return Main().findChild<W*>(QLatin1String(name));
    }
    static void Settle(AnalysisWindow* window) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }, 20000));
    }
    static std::vector<std::string> Column(AnalysisWindow* window, int column) {
        std::vector<std::string> cells;
        QAbstractItemModel* m = window->View->model();
        for (int r = 0; r < m->rowCount(); ++r) cells.push_back(m->index(r, column).data().toString().toStdString());
        return cells;
    }
    static void ClickHeader(AnalysisWindow* window, int section) {
        QHeaderView* header = window->View->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
    }
    static void DoubleClick(AnalysisWindow* window, int row) {
        const QRect cell = window->View->visualRect(window->View->model()->index(row, 0));
        QTest::mouseClick(window->View->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window->View->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static int RowOf(AnalysisWindow* window, const std::string& text) {
        const std::vector<std::string> cells = Column(window, 0);
        const auto it = std::find(cells.begin(), cells.end(), text);
        EXPECT_NE(it, cells.end()) << text;
        return static_cast<int>(it - cells.begin());
    }
    ContextWindow* ContextLines() {
        auto* context = Window<ContextWindow>("ContextWindow");
        EXPECT_NE(context, nullptr);
        if (context) EXPECT_TRUE(QTest::qWaitFor([&] { return context->BreakButton->isHidden(); }));
        return context;
    }
    void SelectWord(const std::string& word) {
        const std::vector<std::string> rows = Rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].find("|" + word + "|") != std::string::npos) {
                Grid()->setCurrentIndex(Grid()->model()->index(static_cast<int>(i), 1));
                return;
            }
        FAIL() << "no row " << word;
    }

    std::string a_, b_;
};

TEST_F(NGramsCollocatesTest, NGramsWindowCountsSortsCopiesSavesAndOpensThePhraseInContext) {
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    auto* window = Window<NGramsWindow>("NGrams");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    Settle(window);
    EXPECT_EQ(window->OrderBox->value(), 2);
    EXPECT_EQ(window->ThresholdBox->value(), 2);
    // Every n-gram at its count and range, for two N and two thresholds; the master
    // list's words are hidden from the word table, so OF THE and AND THE are not shown.
    for (const auto& [n, threshold] : {std::pair{2, 2}, std::pair{3, 1}, std::pair{2, 1}}) {
        window->OrderBox->setValue(n);
        window->ThresholdBox->setValue(threshold);
        Settle(window);
        ASSERT_NE(window->Table(), nullptr);
        std::map<std::string, Gram> expected;
        for (const auto& [text, g] : NGramsHere(n)) {
            const std::vector<std::string> w = Words(text);
            const bool hidden = std::all_of(w.begin(), w.end(), [](const std::string& x) {
                return x == "THE" || x == "OF" || x == "AND" || x == "A";
            });
            if (g.count >= threshold && !hidden) expected[text] = g;
        }
        const std::vector<std::string> texts = Column(window, 0), counts = Column(window, 1),
                                       ranges = Column(window, 2);
        ASSERT_EQ(texts.size(), expected.size()) << n << " " << threshold;
        for (std::size_t r = 0; r < texts.size(); ++r) {
            SCOPED_TRACE(texts[r]);
            ASSERT_TRUE(expected.count(texts[r]));
            EXPECT_EQ(std::stoll(counts[r]), expected[texts[r]].count);
            EXPECT_EQ(std::stoll(ranges[r]), static_cast<long long>(expected[texts[r]].documents.size()));
            if (r > 0) EXPECT_GE(std::stoll(counts[r - 1]), std::stoll(counts[r]));  // most frequent first
        }
    }
    EXPECT_EQ(Column(window, 0).front(), "THE CAT");
    EXPECT_FALSE(NGramsHere(2).count("CAT CAT"));  // a.txt's last word and b.txt's first

    // Save: the bytes vornix-count writes for the same choices.
    const std::string saved = dir.file("bigrams.txt"), counted = dir.file("bigrams.cli");
    ui.saveFileAnswers.push_back(QString::fromStdString(saved));
    QTest::mouseClick(window->SaveButton, Qt::LeftButton);
    const CountResult r = RunCount({"--common-list=" + Main().CurrentCommonList().toStdString(), "--ngrams=2",
                                    "--threshold=1", "--output=" + counted, a_, b_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(saved), ReadFile(counted));
    EXPECT_GT(ReadFile(saved).size(), 100u);

    // Header clicks: counts from the highest, then the other way; n-grams A to Z.
    ClickHeader(window, 1);
    ClickHeader(window, 1);
    std::vector<std::string> counts = Column(window, 1);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end(), [](const std::string& x, const std::string& y) {
        return std::stoll(x) < std::stoll(y);
    }));
    ClickHeader(window, 0);
    const std::vector<std::string> texts = Column(window, 0);
    EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end()));
    // Copy: the selected rows in the shown order, in the plain layout.
    window->View->selectRow(0);
    window->View->selectionModel()->select(window->View->model()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::setActiveWindow(window);
    QTest::keyClick(window->View, Qt::Key_C, Qt::ControlModifier);
    const auto grams = NGramsHere(2);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              texts[0] + "\t" + std::to_string(grams.at(texts[0]).count) + "\r\n" + texts[1] + "\t" +
                  std::to_string(grams.at(texts[1]).count) + "\r\n");

    // A double click: the phrase in context, each occurrence a line, the phrase bold.
    DoubleClick(window, RowOf(window, "THE CAT"));
    ContextWindow* context = ContextLines();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->windowTitle(),
              QStringLiteral("Vornix: Word in context \u2014 THE CAT, 4 occurrences in 2 files"));
    QAbstractItemModel* lines = context->Table->model();
    ASSERT_EQ(lines->rowCount(), grams.at("THE CAT").count);
    EXPECT_EQ(lines->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Phrase"));
    for (int row = 0; row < lines->rowCount(); ++row) {
        EXPECT_EQ(lines->index(row, 1).data().toString(), QStringLiteral("the cat"));
        EXPECT_TRUE(lines->index(row, 1).data(Qt::FontRole).value<QFont>().bold());
    }
    EXPECT_EQ(lines->index(1, 0).data().toString(), QStringLiteral("the cat sat on the mat"));  // across the line end

    // A new run empties the window; shown, it counts the new text when the run is over.
    OpenDocuments({QString::fromStdString(WriteText("new.txt", "red fox red fox red fox"))});
    window->ThresholdBox->setValue(2);
    Settle(window);
    ASSERT_NE(window->Table(), nullptr);
    EXPECT_EQ(Column(window, 0), (std::vector<std::string>{"RED FOX", "FOX RED"}));
}

TEST_F(NGramsCollocatesTest, CollocatesOfThePopupsWordWithinTheSpan) {
    // The item names the current row's word, or is greyed without one.
    SelectWord("CAT");
    OpenMenu("PopupMenu1");
    EXPECT_EQ(Act("Collocates1")->text(), QStringLiteral("Collocates of CAT"));
    EXPECT_TRUE(Act("Collocates1")->isEnabled());
    Grid()->setCurrentIndex(QModelIndex());
    OpenMenu("PopupMenu1");
    EXPECT_EQ(Act("Collocates1")->text(), QStringLiteral("No word selected"));
    EXPECT_FALSE(Act("Collocates1")->isEnabled());
    EXPECT_EQ(Window<CollocatesWindow>("Collocates"), nullptr);

    Act("ShowCommonWords1")->trigger();
    SelectWord("CAT");
    OpenMenu("PopupMenu1");
    Act("Collocates1")->trigger();
    auto* window = Window<CollocatesWindow>("Collocates");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vornix: Collocates of CAT"));
    Settle(window);
    const double n = double(TotalWords()), fn = double(Occurrences("CAT"));
    for (const auto& [left, right] : {std::pair{5, 5}, std::pair{1, 0}, std::pair{0, 2}, std::pair{2, 1}}) {
        window->LeftBox->setValue(left);
        window->RightBox->setValue(right);
        Settle(window);
        SCOPED_TRACE(std::to_string(left) + "L " + std::to_string(right) + "R");
        const auto expected = CollocatesHere("CAT", left, right);
        const auto* table = dynamic_cast<const CollocateTable*>(window->Table());
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->Rows(), expected.size());
        for (std::size_t row = 0; row < table->Rows(); ++row) {
            const CollocateRow& got = table->Row(row);
            SCOPED_TRACE(got.word);
            const Colloc& e = expected.at(got.word);
            const double o = double(e.left + e.right), fc = double(Occurrences(got.word));
            EXPECT_EQ(got.left, e.left);
            EXPECT_EQ(got.right, e.right);
            EXPECT_EQ(got.count, Occurrences(got.word));
            EXPECT_NEAR(got.figures.mi, std::log2(o * n / (fn * fc)), 1e-12);
            EXPECT_NEAR(got.figures.tScore, (o - fn * fc / n) / std::sqrt(o), 1e-12);
            EXPECT_NEAR(got.figures.logDice, 14 + std::log2(2 * o / (fn + fc)), 1e-12);
        }
    }

    // Sorting by MI from the highest; Copy with nothing selected takes every row: the
    // collocate, O and logDice.
    ClickHeader(window, 5);
    std::vector<double> mi;
    for (const std::string& s : Column(window, 5)) mi.push_back(std::stod(s));
    EXPECT_TRUE(std::is_sorted(mi.rbegin(), mi.rend()));
    window->View->clearSelection();
    QApplication::setActiveWindow(window);
    QTest::keyClick(window->View, Qt::Key_C, Qt::ControlModifier);
    const auto expected = CollocatesHere("CAT", 2, 1);
    std::string plain;
    for (const std::string& word : Column(window, 0)) {
        const Colloc& e = expected.at(word);
        const double o = double(e.left + e.right);
        char logDice[32];
        std::snprintf(logDice, sizeof logDice, "%.3f", 14 + std::log2(2 * o / (fn + double(Occurrences(word)))));
        plain += word + "\t" + std::to_string(e.left + e.right) + "\t" + logDice + "\r\n";
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), plain);

    // A double click: CAT's lines with THE within two words before or one after.
    DoubleClick(window, RowOf(window, "THE"));
    ContextWindow* context = ContextLines();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->Table->model()->rowCount(), expected.at("THE").lines);
    EXPECT_EQ(context->windowTitle().left(54),
              QStringLiteral("Vornix: Word in context \u2014 CAT with THE (2 left, 1 righ"));
    for (int row = 0; row < context->Table->model()->rowCount(); ++row)
        EXPECT_EQ(context->Table->model()->index(row, 1).data().toString().toUpper(), QStringLiteral("CAT"));

    // No span: a note instead of a table. A new run empties the window.
    window->LeftBox->setValue(0);
    window->RightBox->setValue(0);
    EXPECT_EQ(window->Table(), nullptr);
    EXPECT_EQ(window->Note->text(), QStringLiteral("The span needs at least one word on the left or on the right."));
    window->RightBox->setValue(3);
    Settle(window);
    ASSERT_NE(window->Table(), nullptr);
    OpenDocuments({QString::fromStdString(a_)});
    EXPECT_EQ(window->Table(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vornix: Collocates"));
}

// The screenshots of the manual: run under Xvfb with VORNIX_SCREENSHOTS (the folder)
// and VORNIX_NOVEL (the text).
TEST_F(NGramsCollocatesTest, ScreenshotsOfANovel) {
    const QString folder = qEnvironmentVariable("VORNIX_SCREENSHOTS");
    const QString novel = qEnvironmentVariable("VORNIX_NOVEL");
    if (folder.isEmpty() || novel.isEmpty()) GTEST_SKIP() << "VORNIX_SCREENSHOTS and VORNIX_NOVEL not set";
    OpenDocuments({novel});
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    auto* ngrams = Window<NGramsWindow>("NGrams");
    ASSERT_NE(ngrams, nullptr);
    ngrams->OrderBox->setValue(3);
    ngrams->ThresholdBox->setValue(5);
    Settle(ngrams);
    ngrams->resize(640, 560);
    ngrams->View->resizeColumnsToContents();
    QTest::qWait(300);
    EXPECT_TRUE(ngrams->grab().save(folder + "/ngrams-window.png", "PNG", 9));

    SelectWord("SEA");
    OpenMenu("PopupMenu1");
    Act("Collocates1")->trigger();
    auto* collocates = Window<CollocatesWindow>("Collocates");
    ASSERT_NE(collocates, nullptr);
    Settle(collocates);
    ASSERT_NE(collocates->Table(), nullptr);
    collocates->resize(900, 560);
    collocates->View->resizeColumnsToContents();
    QTest::qWait(300);
    EXPECT_TRUE(collocates->grab().save(folder + "/collocates-window.png", "PNG", 9));
}
