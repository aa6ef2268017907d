#pragma once
// The program's four windows, created in order, each completely before the next: the
// main window (which sets the settings up), the statistics window, the additional
// settings dialog (which reads its settings), the search window.
#include <memory>
#include <string>
#include <vector>

namespace vornix {

class SettingsFile;
class TAddDlg;
class TVornixMain;
class TVornixSearch;
class TVornixStats;
class UiServices;

struct AppWindows {
    std::unique_ptr<TVornixMain> main;  // owns the others
    TVornixStats* stats = nullptr;
    TAddDlg* addDlg = nullptr;
    TVornixSearch* search = nullptr;
};

AppWindows CreateWindows(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments);

}  // namespace vornix
