#pragma once
// "Vornix Statistics": the figures of the last run. It only displays; the run writes
// its labels at the end (and after a word is added to the common words list).
#include <QDialog>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace vornix {

class SettingsFile;
struct RunStats;

class TVornixStats : public QDialog {
    Q_OBJECT
public:
    TVornixStats(SettingsFile& settings, QWidget* parent);

    // RecordStats: the values as plain decimal text; the file list's displayed entry
    // becomes its first one.
    void SetValues(const RunStats& stats);
    // The run's inputs, already sorted.
    // paths: each name's full path for its tooltip (the name itself where empty).
    void SetFileList(const std::vector<std::string>& names, const std::vector<std::string>& paths = {});
    // The vocabulary rows below the separator, as (caption, value).
    void SetVocabulary(const std::vector<std::pair<std::string, std::string>>& rows);
    void ClearFileList();

    QLabel* FileCount;
    QLabel* DATwords;
    QLabel* DATfound;
    QLabel* DATunused;
    QLabel* TotWords;
    QLabel* UniqueWords;
    QLabel* UniqueWords2;
    QLabel* UniqueNums;
    QLabel* OtherScripts;
    QComboBox* FileList;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;  // FormActivate
    void done(int result) override;              // FormClose
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    SettingsFile& settings_;
    QGridLayout* vocabulary_ = nullptr;
    bool placed_ = false;
};

}  // namespace vornix
