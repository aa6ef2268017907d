#include "gui/keywords/KeywordsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/keywords/Keywords.h"

namespace vornix {

KeywordsWindow::KeywordsWindow(UiServices& ui, QWidget* parent)
    : AnalysisWindow(QStringLiteral("Keywords"), QStringLiteral("Keywords"), ui, parent) {
    auto* rows = new QVBoxLayout;
    auto* reference = new QHBoxLayout;
    auto* choices = new QHBoxLayout;
    rows->addLayout(reference);
    rows->addLayout(choices);
    Controls->addLayout(rows, 1);

    ReferenceLabel = new QLabel(this);
    ReferenceLabel->setObjectName(QStringLiteral("KeywordsReference"));
    ReferenceLabel->setTextFormat(Qt::PlainText);
    ReferenceLabel->setMinimumWidth(160);
    ReferenceLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    reference->addWidget(ReferenceLabel, 1);
    auto button = [this, reference](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        reference->addWidget(b);
        return b;
    };
    DocumentsButton = button("KeywordsDocuments", QStringLiteral("&Documents..."),
                             QStringLiteral("Reference documents, counted as the text was"));
    TablesButton =
        button("KeywordsTables", QStringLiteral("&Tables..."),
               QStringLiteral("Reference word-frequency tables: a saved analysis, CSV, TSV, JSON or a list"));
    ClearButton = button("KeywordsClear", QStringLiteral("C&lear"), QStringLiteral("No reference"));

    CutoffBox = new QComboBox(this);
    CutoffBox->setObjectName(QStringLiteral("KeywordsCutoff"));
    for (const auto& [caption, p] :
         {std::pair{"p < 0.05", 0.05}, std::pair{"p < 0.01", 0.01}, std::pair{"p < 0.001", 0.001},
          std::pair{"p < 0.0001", 0.0001}, std::pair{"Every word", 1.0}})
        CutoffBox->addItem(QLatin1String(caption), p);
    auto* cutoffLabel = new QLabel(QStringLiteral("&Keywords at"), this);
    cutoffLabel->setBuddy(CutoffBox);
    choices->addWidget(cutoffLabel);
    choices->addWidget(CutoffBox);

    NegativeBox = new QCheckBox(QStringLiteral("&Negative keywords too"), this);
    NegativeBox->setObjectName(QStringLiteral("KeywordsNegative"));
    choices->addWidget(NegativeBox);

    SortBox = new QComboBox(this);
    SortBox->setObjectName(QStringLiteral("KeywordsSort"));
    SortBox->addItem(QStringLiteral("Log-likelihood"), static_cast<int>(KeywordSort::LogLikelihood));
    SortBox->addItem(QStringLiteral("Log Ratio"), static_cast<int>(KeywordSort::LogRatio));
    SortBox->addItem(QStringLiteral("%DIFF"), static_cast<int>(KeywordSort::PercentDiff));
    SortBox->addItem(QStringLiteral("Simple Maths"), static_cast<int>(KeywordSort::SimpleMaths));
    auto* sortLabel = new QLabel(QStringLiteral("&Ranked by"), this);
    sortLabel->setBuddy(SortBox);
    choices->addSpacing(8);
    choices->addWidget(sortLabel);
    choices->addWidget(SortBox);

    // Simple Maths' N: small values favour rare words, large ones frequent words.
    SmoothingBox = new QDoubleSpinBox(this);
    SmoothingBox->setObjectName(QStringLiteral("KeywordsSmoothing"));
    SmoothingBox->setDecimals(2);
    SmoothingBox->setRange(0.01, 1000000);
    SmoothingBox->setValue(1);
    SmoothingBox->setKeyboardTracking(false);  // one new list per value typed, not per digit
    SmoothingBox->setToolTip(QStringLiteral("Simple Maths' N, added to both rates per million"));
    auto* smoothingLabel = new QLabel(QStringLiteral("Simple Maths &N"), this);
    smoothingLabel->setBuddy(SmoothingBox);
    choices->addSpacing(8);
    choices->addWidget(smoothingLabel);
    choices->addWidget(SmoothingBox);
    choices->addStretch(1);
    resize(820, 520);
}

}  // namespace vornix
