// vornix-count --plot as a real process: the images it writes are read back with Qt, the
// rank chart's title against the fit of the table the same options give.
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>

#include "CountProcess.h"
#include "core/charts/ChartData.h"

namespace {

// The text of every <text> element, or nothing when the SVG is not well-formed XML.
std::optional<QStringList> SvgTexts(const std::string& bytes) {
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    QStringList texts;
    bool root = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (root && xml.name() != QLatin1String("svg")) return std::nullopt;
        root = false;
        if (xml.name() == QLatin1String("text")) texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    if (xml.hasError() || root) return std::nullopt;
    return texts;
}

// The rank chart's title for the table vornix-count prints with the same options.
QString RankTitleOf(const std::string& table) {
    std::vector<std::int32_t> counts;
    for (const std::string& line : Lines(table)) counts.push_back(std::stoi(line.substr(line.find('\t') + 1)));
    const vornix::RankFit fit = vornix::FitRankFrequency(counts);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "exponent %.3f, R\u00B2 %.3f", fit.Exponent, fit.RSquared);
    // The count with its thousands grouped, as the windows' prose writes counts.
    QString words = QString::number(counts.size());
    for (qsizetype at = words.size() - 3; at > 0; at -= 3) words.insert(at, QLatin1Char(','));
    return QStringLiteral("Rank and frequency: %1 words; ").arg(words) + QString::fromUtf8(numbers);
}

}  // namespace

TEST(PlotCli, ChartsAreWrittenAsPngAndSvgThatReadBack) {
    TempDir dir;
    const std::string text = std::string(VORNIX_TEST_DATA_DIR) + "/ulysses-excerpt.txt";
    struct Row {
        std::string kind, name;
        std::vector<std::string> filter;
    };
    const std::vector<Row> rows{
        {"rank", "rank.svg", {}},       {"rank", "RANK.SVG", {"--show-common", "--show-numbers", "--threshold=2"}},
        {"rank", "rank.png", {}},       {"lengths", "lengths.Svg", {"--show-common"}},
        {"lengths", "lengths.PNG", {}},
    };
    dir.write("rank.png", "an old file, replaced");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string out = dir.file(row.name);
        std::vector<std::string> args = row.filter;
        args.push_back(text);
        const CountResult table = RunCount(args);
        ASSERT_EQ(table.exitCode, 0);
        args.insert(args.begin(), {"--plot=" + row.kind, "--output=" + out});
        const CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(r.leftovers.empty());
        const std::string bytes = ReadFile(out);
        if (QString::fromStdString(row.name).endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
            ASSERT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
            const QImage image = QImage::fromData(QByteArray::fromStdString(bytes), "PNG");
            EXPECT_EQ(image.size(), QSize(800, 600));
            // Drawn on, not a blank page: the bars and points are coloured.
            const QRgb white = qRgb(255, 255, 255);
            int coloured = 0;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    coloured += image.pixel(x, y) != white && QColor(image.pixel(x, y)).saturation() > 100;
            EXPECT_GT(coloured, 50);
            continue;
        }
        const auto texts = SvgTexts(bytes);
        ASSERT_TRUE(texts) << bytes.substr(0, 300);
        if (row.kind == "rank") {
            // The title drawn on the chart counts the words the table shows and gives
            // the fit of their counts.
            EXPECT_TRUE(texts->contains(RankTitleOf(table.out))) << texts->join('|').toStdString();
        } else {
            // The length axis names 1 and every fifth length in full, up to the longest
            // word of the excerpt (37 letters), not to 40.
            for (const char* label : {"1", "5", "10", "25", "35"}) EXPECT_TRUE(texts->contains(label)) << label;
            EXPECT_FALSE(texts->contains("40"));
            EXPECT_FALSE(texts->join(' ').contains(QChar(0x2026))) << "an elided label";
        }
    }
    // The files written and the one replaced; no temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
}

TEST(PlotCli, AnImageThatCannotBeWrittenLeavesNothingBehind) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "the cat sat on the mat");
    const std::string old = dir.write("old.svg", "the old image");
    const std::string folder = dir.file("folder");
    std::filesystem::create_directory(folder);
    struct Row {
        std::string path, reason;
        unsigned long long sizeLimit;  // 0: none
    };
    const std::vector<Row> rows{
        {dir.file("missing/chart.png"), "No such file or directory", 0},
        {dir.file("t.txt/chart.svg"), "Not a directory", 0},
        {dir.file("folder.svg"), "Is a directory", 0},
        // A full disk (a file-size limit, inherited, stands in for it) keeps the old file.
        {old, "File too large", 40000},
    };
    std::filesystem::create_directory(dir.file("folder.svg"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        CountResult r;
        {
            std::optional<vornix::test::FileSizeLimit> limit;
            if (row.sizeLimit) limit.emplace(row.sizeLimit);
            r = RunCount({"--plot=lengths", "--output=" + row.path, text});
        }
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vornix-count: cannot write " + row.path + ": " + row.reason + "\n");
    }
    EXPECT_EQ(ReadFile(old), "the old image");
    std::vector<std::string> names = FolderEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "folder.svg", "old.svg", "t.txt"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder.svg")));

    if (vornix::test::IgnoresPermissions()) return;  // root writes into any folder
    ::chmod(folder.c_str(), 0555);
    const CountResult r = RunCount({"--plot=rank", "--output=" + folder + "/chart.png", text});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(PlotCli, TheDispersionPlotHasAStripPerDocumentAndAMarkPerOccurrence) {
    TempDir dir;
    std::string filler;
    for (int i = 0; i < 150; ++i) filler += "word" + std::to_string(i % 9) + " ";
    const std::string a = dir.write("a.txt", "cat " + filler + "cat " + filler + filler + "cat\n");
    const std::string b = dir.write("b.txt", filler + "Cat " + filler);
    const std::string none = dir.write("c.txt", filler);
    for (const std::string name : {"plot.svg", "plot.png"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(name);
        const CountResult r = RunCount({"--plot=dispersion", "--context=cat", "--output=" + out, a, b, none});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string bytes = ReadFile(out);
        if (name.ends_with(".svg")) {
            const auto texts = SvgTexts(bytes);
            ASSERT_TRUE(texts) << bytes.substr(0, 300);
            // The title, and each document's name and count beside its strip.
            for (const char* label : {"CAT: 4 occurrences in 3 documents", "a.txt", "b.txt", "c.txt", "3", "1", "0"})
                EXPECT_TRUE(texts->contains(QString::fromUtf8(label))) << label << texts->join('|').toStdString();
            continue;
        }
        const QImage image = QImage::fromData(QByteArray::fromStdString(bytes), "PNG");
        ASSERT_EQ(image.width(), 800);
        // Bands of rows crossed by marks, one per strip with marks, each with as many
        // separate marks as the document has occurrences.
        auto isMark = [&](int x, int y) {
            const QColor c(image.pixel(x, y));
            return c.blue() > 120 && c.red() < 80 && c.saturation() > 100;
        };
        std::vector<int> bands;
        bool inBand = false;
        for (int y = 0; y < image.height(); ++y) {
            int runs = 0;
            for (int x = 0; x < image.width(); ++x) runs += isMark(x, y) && (x == 0 || !isMark(x - 1, y));
            if (runs > 0 && !inBand) bands.push_back(0);
            if (runs > 0) bands.back() = std::max(bands.back(), runs);
            inBand = runs > 0;
        }
        EXPECT_EQ(bands, (std::vector<int>{3, 1}));
    }
    // The plot needs its word, and a word that occurs.
    const CountResult noWord = RunCount({"--plot=dispersion", "--output=" + dir.file("x.svg"), a});
    EXPECT_EQ(noWord.exitCode, 2);
    EXPECT_NE(noWord.err.find("--plot=dispersion needs --context=WORD"), std::string::npos) << noWord.err;
    const CountResult absent = RunCount({"--plot=dispersion", "--context=dog", "--output=" + dir.file("y.svg"), a});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.err.find("does not occur"), std::string::npos) << absent.err;
    EXPECT_FALSE(FileExists(dir.file("y.svg")));
    EXPECT_EQ(RunCount({"--plot=rank", "--context=cat", "--output=" + dir.file("z.svg"), a}).exitCode, 2);
}
