#pragma once
// The help window: the program's HTML help pages in a browser of our own. One window
// serves every help request; asking again brings it to the front at the new page.
#include <QPointer>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace vornix {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    // Shows the page (a local file URL, perhaps with a fragment naming an anchor) and
    // brings the window to the front. While a modal window is open, the help window
    // is lent to it so that it stays usable beside it, and comes back to its owner when
    // that window closes.
    void ShowPage(const QUrl& page);

    QTextBrowser* Browser;
    QPushButton* ContentsBut;
    QPushButton* BackBut;
    QPushButton* ForwardBut;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape closes it, as it closes every tool window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void MoveTo(QWidget* parent);

    QPointer<QWidget> owner_;
    QUrl home_;
    bool placed_ = false;  // placed by its owner once; after that where the user puts it
};

}  // namespace vornix
