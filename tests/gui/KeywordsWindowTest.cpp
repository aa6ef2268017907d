// The Keywords window as a user drives it: Ctrl+Shift+K on a counted text, a reference
// of documents or of a table, the choices, sorting, Copy, Save, a double click to the
// word in context, and a new run. The figures are checked against a count and the
// formulas written out here.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "GuiTestSupport.h"
#include "core/files/RecentDocuments.h"
#include "core/keywords/Keywords.h"
#include "gui/context/ContextWindow.h"
#include "gui/keywords/KeywordsWindow.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// Words as the counter forms them from plain lower-case letters: upper case.
std::map<std::string, std::int64_t> CountWords(const std::string& text) {
    std::map<std::string, std::int64_t> counts;
    std::istringstream in(text);
    for (std::string w; in >> w;) {
        std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return char(std::toupper(c)); });
        ++counts[w];
    }
    return counts;
}

std::string Repeat(const std::string& word, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += word + (i % 7 == 6 ? "\n" : " ");
    return out;
}

struct Expected {
    std::string word;
    std::int64_t a = 0, b = 0;
    double g2 = 0, p = 0, logRatio = 0, percentDiff = 0;
};

// Signed four-cell G2, p from the chi-square tail, Log Ratio and %DIFF with zeros
// taken as 0.5.
Expected Figures(const std::string& word, double a, double b, double c, double d) {
    const double n = c + d;
    auto term = [](double o, double e) { return o == 0 ? 0.0 : o * std::log(o / e); };
    double g2 = 2 * (term(a, c * (a + b) / n) + term(b, d * (a + b) / n) + term(c - a, c * (n - a - b) / n) +
                     term(d - b, d * (n - a - b) / n));
    if (a / c < b / d) g2 = -g2;
    const double a5 = a == 0 ? 0.5 : a, b5 = b == 0 ? 0.5 : b;
    return {word,
            std::int64_t(a),
            std::int64_t(b),
            g2,
            std::erfc(std::sqrt(std::fabs(g2) / 2)),
            std::log2((a5 / c) / (b5 / d)),
            (a / c - b5 / d) / (b5 / d) * 100};
}

// The keyword list the window should show: the text's words that are not common
// (THE is on the master list), positive ones at least `critical`, then (with
// negative) those at most -critical, each part by G2 from the highest.
std::vector<Expected> ExpectedKeywords(const std::string& text, const std::map<std::string, std::int64_t>& ref,
                                       double critical, bool negative) {
    const auto target = CountWords(text);
    double c = 0, d = 0;
    for (const auto& [w, n] : target) c += double(n);
    for (const auto& [w, n] : ref) d += double(n);
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> both;
    for (const auto& [w, n] : target) both[w].first = n;
    for (const auto& [w, n] : ref) both[w].second = n;
    std::vector<Expected> plus, minus;
    for (const auto& [w, ab] : both) {
        if (w == "THE") continue;
        const Expected e = Figures(w, double(ab.first), double(ab.second), c, d);
        if (e.g2 >= 0 && e.g2 >= critical) plus.push_back(e);
        if (e.g2 < 0 && negative && e.g2 <= -critical) minus.push_back(e);
    }
    auto order = [](const Expected& x, const Expected& y) { return x.g2 != y.g2 ? x.g2 > y.g2 : x.word < y.word; };
    std::sort(plus.begin(), plus.end(), order);
    std::sort(minus.begin(), minus.end(), order);
    plus.insert(plus.end(), minus.begin(), minus.end());
    return plus;
}

const std::string kText = Repeat("whale", 30) + Repeat("the", 20) + Repeat("sea", 15) + Repeat("ship", 10) +
                          Repeat("cat", 5) + Repeat("dog", 2) + Repeat("house", 1);
const std::string kReference1 = Repeat("the", 40) + Repeat("dog", 30) + Repeat("cat", 20) + Repeat("house", 25);
const std::string kReference2 = Repeat("sea", 5) + Repeat("ship", 2) + Repeat("tree", 30) + Repeat("whale", 1);

}  // namespace

class KeywordsWindowTest : public GuiFixture {
protected:
    void SetUp() override {
        Start();
        text_ = WriteText("text.txt", kText);
        OpenDocuments({QString::fromStdString(text_)});
        ASSERT_TRUE(Grid()->isVisible());
    }
    KeywordsWindow* Window() { return Main().findChild<KeywordsWindow*>(QStringLiteral("Keywords")); }
    // Ctrl+Shift+K in the main window.
    KeywordsWindow* Open() {
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        KeywordsWindow* window = Window();
        EXPECT_NE(window, nullptr);
        if (window) EXPECT_TRUE(window->isVisible());
        return window;
    }
    // Chooses reference files with one of the window's buttons and waits for the list.
    void Choose(KeywordsWindow* window, QPushButton* button, const std::vector<std::string>& paths) {
        QStringList files;
        for (const std::string& p : paths) files << QString::fromStdString(p);
        ui.openFilesAnswers.push_back(files);
        QTest::mouseClick(button, Qt::LeftButton);
        Settle(window);
    }
    static void Settle(KeywordsWindow* window) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }, 20000));
    }
    // The rows as the view shows them.
    static std::vector<std::string> Shown(KeywordsWindow* window, int column) {
        std::vector<std::string> cells;
        QAbstractItemModel* m = window->View->model();
        for (int r = 0; r < m->rowCount(); ++r) cells.push_back(m->index(r, column).data().toString().toStdString());
        return cells;
    }
    static void ClickHeader(KeywordsWindow* window, int section) {
        QHeaderView* header = window->View->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2));
    }
    // Every row of the window's table against the list worked out here.
    static void ExpectRows(KeywordsWindow* window, const std::vector<Expected>& expected) {
        const auto* table = dynamic_cast<const KeywordTable*>(window->Table());
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(table->Rows(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const KeywordRow& row = table->Row(i);
            const Expected& e = expected[i];
            SCOPED_TRACE(e.word);
            EXPECT_EQ(row.word, e.word);
            EXPECT_EQ(row.count, e.a);
            EXPECT_EQ(row.referenceCount, e.b);
            EXPECT_NEAR(row.figures.logLikelihood, e.g2, 1e-9);
            EXPECT_NEAR(row.figures.p, e.p, 1e-12);
            EXPECT_NEAR(row.figures.logRatio, e.logRatio, 1e-9);
            EXPECT_NEAR(row.figures.percentDiff, e.percentDiff, 1e-7);
        }
    }

    std::string text_;
};

TEST_F(KeywordsWindowTest, ReferenceDocumentsGiveTheKeywordsOfTheFormulasAndAreKept) {
    KeywordsWindow* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Note->isHidden());  // asks for a reference
    EXPECT_EQ(window->Table(), nullptr);
    const std::string r1 = WriteText("r1.txt", kReference1), r2 = WriteText("r2.txt", kReference2);
    Choose(window, window->DocumentsButton, {r1, r2});
    EXPECT_EQ(window->ReferenceLabel->text(), QStringLiteral("Reference: 2 documents"));
    const auto reference = CountWords(kReference1 + kReference2);
    const std::vector<Expected> expected = ExpectedKeywords(kText, reference, 3.841459, false);
    ASSERT_GE(expected.size(), 2u);
    ExpectRows(window, expected);
    // What the view shows: the word, the counts and G2 with two decimals, right-aligned.
    EXPECT_EQ(Shown(window, 0).front(), expected.front().word);
    char g2[32];
    std::snprintf(g2, sizeof g2, "%.2f", expected.front().g2);
    EXPECT_EQ(Shown(window, 3).front(), g2);
    EXPECT_TRUE(window->View->model()->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);

    struct Case {
        int cutoff;  // index in the box
        bool negative;
        double critical;
    } cases[] = {{1, false, 6.634897}, {4, true, 0}, {0, true, 3.841459}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cutoff);
        window->NegativeBox->setChecked(c.negative);
        window->CutoffBox->setCurrentIndex(c.cutoff);
        Settle(window);
        ExpectRows(window, ExpectedKeywords(kText, reference, c.critical, c.negative));
    }
    // A display option is followed: lower case.
    Act("LowerCase1")->trigger();
    ASSERT_NE(window->Table(), nullptr);
    EXPECT_EQ(Shown(window, 0).front(), "whale");

    // The choice is kept in the settings file and comes back with the window.
    window->SortBox->setCurrentIndex(1);
    window->SmoothingBox->setValue(100);
    Settle(window);
    Stop();
    Start();
    OpenDocuments({QString::fromStdString(text_)});
    window = Open();
    ASSERT_NE(window, nullptr);
    Settle(window);
    EXPECT_EQ(DecodeDocumentSet(Settings().IniSetting("KeywordsDocuments")), (std::vector<std::string>{r1, r2}));
    EXPECT_EQ(window->ReferenceLabel->toolTip(), QString::fromStdString(r1 + "\n" + r2));
    EXPECT_TRUE(window->NegativeBox->isChecked());
    EXPECT_EQ(window->CutoffBox->currentIndex(), 0);
    EXPECT_EQ(window->SortBox->currentText(), QStringLiteral("Log Ratio"));
    EXPECT_EQ(window->SmoothingBox->value(), 100);
    // Simple Maths with that N, worked out here from the counts.
    const auto* table = dynamic_cast<const KeywordTable*>(window->Table());
    ASSERT_NE(table, nullptr);
    EXPECT_GT(table->Rows(), 0u);
    double c = 0, d = 0;
    for (const auto& [w, n] : CountWords(kText)) c += double(n);
    for (const auto& [w, n] : reference) d += double(n);
    for (std::size_t i = 0; i < table->Rows(); ++i) {
        const KeywordRow& row = table->Row(i);
        SCOPED_TRACE(row.word);
        EXPECT_NEAR(row.figures.simpleMaths,
                    (double(row.count) / c * 1e6 + 100) / (double(row.referenceCount) / d * 1e6 + 100), 1e-9);
    }
}

TEST_F(KeywordsWindowTest, ATableReferenceSortsCopiesAndSaves) {
    KeywordsWindow* window = Open();
    ASSERT_NE(window, nullptr);
    window->CutoffBox->setCurrentIndex(4);  // every word
    window->NegativeBox->setChecked(true);
    // Our own saved layout of the reference's word table, in lower case.
    const auto reference = CountWords(kReference1 + kReference2);
    std::string saved;
    for (const auto& [w, n] : reference)
        saved += QString::fromStdString(w).toLower().toStdString() + "\t" + std::to_string(n) + "\r\n";
    Choose(window, window->TablesButton, {WriteText("ref.txt", saved)});
    EXPECT_EQ(window->ReferenceLabel->text(), QStringLiteral("Reference: ref.txt"));
    const std::vector<Expected> expected = ExpectedKeywords(kText, reference, 0, true);
    ExpectRows(window, expected);
    EXPECT_EQ(Shown(window, 0).back(), "TREE");  // of the reference alone, most negative last

    // Header clicks: numbers from the highest first, then the other way; words A to Z.
    auto numbers = [&](int column) {
        std::vector<double> v;
        for (const std::string& s : Shown(window, column)) v.push_back(std::stod(s));
        return v;
    };
    ClickHeader(window, 2);
    std::vector<double> refs = numbers(2);
    EXPECT_TRUE(std::is_sorted(refs.rbegin(), refs.rend()));
    EXPECT_EQ(refs.front(), 30);  // DOG and TREE; THE is a common word
    ClickHeader(window, 2);
    refs = numbers(2);
    EXPECT_TRUE(std::is_sorted(refs.begin(), refs.end()));
    ClickHeader(window, 0);
    const std::vector<std::string> words = Shown(window, 0);
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end()));
    EXPECT_EQ(words.size(), expected.size());

    // Copy: the selected rows in the shown (alphabetical) order, in the plain layout.
    window->View->selectRow(0);
    window->View->selectionModel()->select(window->View->model()->index(2, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::setActiveWindow(window);
    QTest::keyClick(window->View, Qt::Key_C, Qt::ControlModifier);
    auto plain = [&](const std::string& word) {
        for (const Expected& e : expected)
            if (e.word == word) {
                char g2[32];
                std::snprintf(g2, sizeof g2, "%.2f", e.g2);
                return e.word + "\t" + std::to_string(e.a) + "\t" + std::to_string(e.b) + "\t" + g2 + "\r\n";
            }
        return std::string("missing ") + word;
    };
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), plain(words[0]) + plain(words[2]));

    // Save: every row, in the shown order; a .csv name gets CSV, atomically over the old file.
    const std::string csv = WriteText("keywords.csv", "an older file");
    ui.saveFileAnswers.push_back(QString::fromStdString(csv));
    QTest::mouseClick(window->SaveButton, Qt::LeftButton);
    std::istringstream in(ReadFile(csv));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "rank,word,count,reference_count,log_likelihood,p,log_ratio,percent_diff,simple_maths");
    std::size_t rank = 0;
    while (std::getline(in, line)) {
        ++rank;
        std::vector<std::string> f;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
        ASSERT_EQ(f.size(), 9u) << line;
        EXPECT_EQ(f[0], std::to_string(rank));
        EXPECT_EQ(f[1], words[rank - 1]);
        const auto e =
            std::find_if(expected.begin(), expected.end(), [&](const Expected& x) { return x.word == f[1]; });
        ASSERT_NE(e, expected.end());
        EXPECT_EQ(std::stoll(f[2]), e->a);
        EXPECT_EQ(std::stoll(f[3]), e->b);
        EXPECT_NEAR(std::stod(f[4]), e->g2, 1e-9);
        EXPECT_NEAR(std::stod(f[6]), e->logRatio, 1e-9);
    }
    EXPECT_EQ(rank, expected.size());
    EXPECT_TRUE(ui.Texts("Error").isEmpty());

    // A malformed table: the reason, and no list.
    Choose(window, window->TablesButton, {WriteText("bad.txt", "cat\t3\ndog\tmany\n")});
    EXPECT_EQ(window->Table(), nullptr);
    EXPECT_EQ(window->Note->text().toStdString(), "Line 2 of " + dir.file("bad.txt") + " is not a word and a count");
}

TEST_F(KeywordsWindowTest, DoubleClickShowsTheWordInContextAndANewRunEmptiesTheList) {
    KeywordsWindow* window = Open();
    ASSERT_NE(window, nullptr);
    window->NegativeBox->setChecked(true);
    Act("LowerCase1")->trigger();
    Choose(window, window->DocumentsButton, {WriteText("r1.txt", kReference1), WriteText("r2.txt", kReference2)});
    ASSERT_NE(window->Table(), nullptr);
    ASSERT_EQ(Shown(window, 0).front(), "whale");
    auto doubleClick = [&](int row) {
        const QRect cell = window->View->visualRect(window->View->model()->index(row, 0));
        QTest::mouseClick(window->View->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window->View->viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClick(0);
    auto* context = Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow"));
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return context->BreakButton->isHidden(); }));
    EXPECT_TRUE(context->isVisible());
    // The stored word, found in the text as often as counted.
    EXPECT_EQ(context->windowTitle(), QStringLiteral("Vornix: Word in context \u2014 WHALE, 30 occurrences in 1 file"));
    EXPECT_EQ(context->Table->model()->rowCount(), 30);
    // A word of the reference alone has no context: the window says so.
    const int last = window->View->model()->rowCount() - 1;
    ASSERT_EQ(Shown(window, 0)[std::size_t(last)], "tree");
    doubleClick(last);
    EXPECT_EQ(window->Note->text(), QStringLiteral("tree does not occur in the text, only in the reference."));

    // A new run empties the list; when it ends, the shown window has the new text's.
    window->hide();
    OpenDocuments({QString::fromStdString(WriteText("new.txt", Repeat("tree", 40) + Repeat("cat", 3)))});
    EXPECT_EQ(window->Table(), nullptr);
    window = Open();
    Settle(window);
    ASSERT_NE(window->Table(), nullptr);
    EXPECT_EQ(Shown(window, 0).front(), "tree");
    OpenDocuments({QString::fromStdString(text_)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Table() != nullptr; }));
    EXPECT_EQ(Shown(window, 0).front(), "whale");
}

// The screenshot of the manual: run under Xvfb with VORNIX_SCREENSHOTS (the folder),
// VORNIX_NOVEL (the text) and VORNIX_REFERENCE (its reference documents, separated by
// colons).
TEST_F(KeywordsWindowTest, ScreenshotOfANovelAgainstTheCorpus) {
    const QString folder = qEnvironmentVariable("VORNIX_SCREENSHOTS");
    const QString novel = qEnvironmentVariable("VORNIX_NOVEL");
    const QStringList reference = qEnvironmentVariable("VORNIX_REFERENCE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folder.isEmpty() || novel.isEmpty() || reference.isEmpty())
        GTEST_SKIP() << "VORNIX_SCREENSHOTS, VORNIX_NOVEL and VORNIX_REFERENCE not set";
    OpenDocuments({novel});
    KeywordsWindow* window = Open();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> paths;
    for (const QString& p : reference) paths.push_back(p.toStdString());
    Choose(window, window->DocumentsButton, paths);
    ASSERT_NE(window->Table(), nullptr);
    window->NegativeBox->setChecked(true);
    window->resize(900, 560);
    window->View->resizeColumnsToContents();
    QTest::qWait(300);
    EXPECT_TRUE(window->grab().save(folder + "/keywords-window.png", "PNG", 9));
}
