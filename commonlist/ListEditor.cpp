// The common words list editor and adding words. (Being built.)
#include "shell/VornixMain.h"

namespace vornix {

void TVornixMain::EditCommonWordList1Click() {}
void TVornixMain::Add2Common1Click() {}
void TVornixMain::SaveButClick() {}
void TVornixMain::SortButClick() {}
void TVornixMain::CancelButClick() {}
void TVornixMain::HelpButClick() {}

}  // namespace vornix
