#pragma once
// The Help menu: the help pages and About.
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

namespace vornix {

class HelpWindow;
class WindowContext;

// The help's index page for a program in programFolder (ends in "/"): beside it (the
// build folder), else in the installed data folder share/vornix.
QString HelpIndexPath(const std::string& programFolder);

class HelpController : public QObject {
    Q_OBJECT
public:
    explicit HelpController(WindowContext& context);

    // Shows a page of the help ("addset.htm", "options.htm#editcomm" also scrolls to the
    // anchor "editcomm"; empty for the index).
    void ShowHelp(const QString& topic);

private slots:
    void Contents1Click();
    void About1Click();

private:
    WindowContext& context_;
    QPointer<HelpWindow> help_;  // cleared by Qt when the help window goes
};

}  // namespace vornix
