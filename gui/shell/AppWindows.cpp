#include "gui/shell/AppWindows.h"

#include "gui/display/SearchWindow.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"

namespace vornix {

AppWindows CreateWindows(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments) {
    AppWindows w;
    w.main = std::make_unique<TVornixMain>(ui, settings, arguments);
    w.stats = new TVornixStats(settings, w.main.get());
    w.addDlg = new TAddDlg(settings, w.main.get());
    w.search = new TVornixSearch(settings, ui, w.main.get());
    w.main->AttachWindows(w.stats, w.addDlg, w.search);
    w.addDlg->onHelp = [main = w.main.get()] { main->ShowHelp(QStringLiteral("addset.htm")); };
    return w;
}

}  // namespace vornix
