// Commands whose windows are still being built; each moves to its own file.
#include "shell/VornixMain.h"

namespace vornix {

void TVornixMain::Find1Click() {}
void TVornixMain::FindNext1Click() {}
void TVornixMain::Contents1Click() {}
void TVornixMain::About1Click() {}
void TVornixMain::ShowHelp(const QString&) {}
void TVornixMain::EditCommonWordList1Click() {}
void TVornixMain::Add2Common1Click() {}
void TVornixMain::SaveButClick() {}
void TVornixMain::SortButClick() {}
void TVornixMain::CancelButClick() {}
void TVornixMain::HelpButClick() {}

}  // namespace vornix
