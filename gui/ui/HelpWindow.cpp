#include "gui/ui/HelpWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "gui/ui/WindowPlacement.h"

namespace vornix {

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window), owner_(owner) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(ToolWindowTitle(QStringLiteral("Help")));
    resize(640, 520);

    ContentsBut = new QPushButton(QStringLiteral("&Contents"), this);
    ContentsBut->setObjectName(QStringLiteral("ContentsBut"));
    BackBut = new QPushButton(QStringLiteral("&Back"), this);
    BackBut->setObjectName(QStringLiteral("BackBut"));
    ForwardBut = new QPushButton(QStringLiteral("&Forward"), this);
    ForwardBut->setObjectName(QStringLiteral("ForwardBut"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("HelpBrowser"));
    Browser->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ContentsBut);
    buttons->addWidget(BackBut);
    buttons->addWidget(ForwardBut);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser);

    BackBut->setEnabled(false);
    ForwardBut->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, BackBut, &QWidget::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardBut, &QWidget::setEnabled);
    connect(BackBut, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardBut, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    // Contents is the index page beside the page shown: html/x.htm lies one folder down.
    connect(ContentsBut, &QPushButton::clicked, this, [this] {
        if (home_.isValid()) Browser->setSource(home_);
    });
}

void HelpWindow::ShowPage(const QUrl& page) {
    // An application-modal window blocks every window it does not own; the Help button
    // of a modal dialog would otherwise open a help window that cannot be scrolled.
    QWidget* modal = QApplication::activeModalWidget();
    MoveTo(modal && modal != this ? modal : owner_.data());
    if (page.fileName() == QLatin1String("index.htm")) {
        home_ = page;
        home_.setFragment(QString());
    } else if (!home_.isValid()) {
        home_ = page.resolved(QUrl(QStringLiteral("../index.htm")));
    }
    QWidget* anchor = modal && modal != this ? modal : owner_.data();
    if (!placed_ && anchor) {
        PlaceToolWindow(this, anchor);
    } else {
        KeepOnScreen(this);
    }
    show();
    // Once more with its frame, which it has now.
    if (!placed_ && anchor) PlaceToolWindow(this, anchor);
    placed_ = true;
    raise();
    activateWindow();
    Browser->setSource(page);
}

void HelpWindow::MoveTo(QWidget* parent) {
    if (!parent || parentWidget() == parent) return;
    if (parentWidget() && parentWidget() != owner_) parentWidget()->removeEventFilter(this);
    const QRect placed = geometry();
    const bool shown = isVisible();
    setParent(parent, windowFlags());  // hides the window
    setGeometry(placed);
    if (parent != owner_) parent->installEventFilter(this);
    if (shown) show();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    // The modal window that borrowed the help window closes: give it back, still open.
    if (watched == parentWidget() && watched != owner_ && event->type() == QEvent::Hide) MoveTo(owner_.data());
    return QWidget::eventFilter(watched, event);
}

}  // namespace vornix
