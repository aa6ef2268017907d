// The Edit menu's search commands.
#include "display/SearchWindow.h"
#include "shell/VornixMain.h"

namespace vornix {

void TVornixMain::Find1Click() {
    if (search_) search_->StartSearch();
}

void TVornixMain::FindNext1Click() {
    if (search_) search_->FindNextMatch();
}

}  // namespace vornix
