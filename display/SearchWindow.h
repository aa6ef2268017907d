#pragma once
// The search window: finds a rank, a word prefix or a frequency in the result table and
// moves the table's current cell there.
#include <QDialog>

namespace vornix {

class SettingsFile;
class TVornixMain;

class TVornixSearch : public QDialog {
    Q_OBJECT
public:
    TVornixSearch(SettingsFile& settings, TVornixMain* main);

    // Whether Find next can repeat a search: a remembered text and a chosen kind.
    bool CanFindNext() const;

private:
    SettingsFile& settings_;
    TVornixMain* main_;
};

}  // namespace vornix
