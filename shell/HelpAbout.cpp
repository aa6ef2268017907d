// Help and About. (Being built: the help window, pages and About box.)
#include "shell/VornixMain.h"

namespace vornix {

void TVornixMain::Contents1Click() {}
void TVornixMain::About1Click() {}
void TVornixMain::ShowHelp(const QString&) {}

}  // namespace vornix
