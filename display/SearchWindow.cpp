#include "display/SearchWindow.h"

#include "shell/VornixMain.h"

namespace vornix {

TVornixSearch::TVornixSearch(SettingsFile& settings, TVornixMain* main)
    : QDialog(main), settings_(settings), main_(main) {
    setObjectName(QStringLiteral("VornixSearch"));
}

bool TVornixSearch::CanFindNext() const { return false; }

}  // namespace vornix
