#pragma once
// "Vornix: Additional Settings": the threshold, the separator of saved and copied
// lines, the character set of the documents and how possessives are read. Its controls
// are the live values the rest of the program reads; the settings hold the values last
// confirmed with OK.
#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QPushButton;
class QSpinBox;

namespace vornix {

class SettingsFile;
class UiServices;

class TAddDlg : public QDialog {
    Q_OBJECT
public:
    TAddDlg(SettingsFile& settings, QWidget* parent);  // FormCreate

    QSpinBox* Threshold;
    QButtonGroup* Separator;
    QButtonGroup* CharacterSet;
    QButtonGroup* Possessive;
    QCheckBox* DetectUnicode;
    QCheckBox* AllScripts;
    QSpinBox* MaxWords;  // "Most distinct words"
    QPushButton* OKBtn;
    QPushButton* CancelBut;
    QPushButton* HelpBtn;

    // The values as the rest of the program reads them; a group with no choice
    // selected reads as its default.
    int ThresholdValue() const;
    int SepIndex() const;
    int CharIndex() const;
    int PossessIndex() const;
    bool DetectUnicodeChecked() const;
    bool AllScriptsChecked() const;
    int MaxWordsValue() const;

    // Runs when Help is pressed; the dialog stays open.
    std::function<void()> onHelp;

protected:
    void showEvent(QShowEvent* event) override;  // FormActivate
    void accept() override;                      // OKBtnClick
    void reject() override;                      // CancelButClick, Escape and the close box

private:
    void LoadFromSettings();
    SettingsFile& settings_;
};

}  // namespace vornix
