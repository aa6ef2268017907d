// The Edit menu's search commands. (Being built with the search window.)
#include "shell/VornixMain.h"

namespace vornix {

void TVornixMain::Find1Click() {}
void TVornixMain::FindNext1Click() {}

}  // namespace vornix
