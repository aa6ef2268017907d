#include "gui/collocates/CollocatesWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include "core/collocates/Collocates.h"

namespace vornix {

CollocatesWindow::CollocatesWindow(UiServices& ui, QWidget* parent)
    : AnalysisWindow(QStringLiteral("Collocates"), QStringLiteral("Collocates"), ui, parent) {
    auto box = [this](const char* name, const QString& caption) {
        auto* b = new QSpinBox(this);
        b->setObjectName(QLatin1String(name));
        b->setRange(0, CollocateSpan::Max);
        b->setValue(5);
        b->setSuffix(QStringLiteral(" words"));
        auto* label = new QLabel(caption, this);
        label->setBuddy(b);
        Controls->addWidget(label);
        Controls->addWidget(b);
        return b;
    };
    Controls->addWidget(new QLabel(QStringLiteral("Span:"), this));
    LeftBox = box("CollocatesLeft", QStringLiteral("&Left"));
    Controls->addSpacing(8);
    RightBox = box("CollocatesRight", QStringLiteral("&Right"));
    resize(820, 520);
}

}  // namespace vornix
