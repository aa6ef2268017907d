#include "gui/ngrams/NGramsWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include "core/ngrams/NGrams.h"

namespace vornix {

NGramsWindow::NGramsWindow(UiServices& ui, QWidget* parent)
    : AnalysisWindow(QStringLiteral("NGrams"), QStringLiteral("N-grams"), ui, parent) {
    OrderBox = new QSpinBox(this);
    OrderBox->setObjectName(QStringLiteral("NGramsOrder"));
    OrderBox->setRange(NGramCounter::MinOrder, NGramCounter::MaxOrder);
    OrderBox->setValue(NGramCounter::MinOrder);
    OrderBox->setSuffix(QStringLiteral(" words"));
    auto* orderLabel = new QLabel(QStringLiteral("&N:"), this);
    orderLabel->setBuddy(OrderBox);
    Controls->addWidget(orderLabel);
    Controls->addWidget(OrderBox);

    ThresholdBox = new QSpinBox(this);
    ThresholdBox->setObjectName(QStringLiteral("NGramsThreshold"));
    ThresholdBox->setRange(1, 1000000);
    ThresholdBox->setValue(2);
    auto* thresholdLabel = new QLabel(QStringLiteral("&Threshold:"), this);
    thresholdLabel->setBuddy(ThresholdBox);
    Controls->addSpacing(12);
    Controls->addWidget(thresholdLabel);
    Controls->addWidget(ThresholdBox);
    resize(640, 520);
}

}  // namespace vornix
