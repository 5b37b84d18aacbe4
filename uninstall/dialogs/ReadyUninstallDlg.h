#pragma once

#include <vector>

#include "app/BaseDialog.h"
#include "include/InstalledProgram.h"
#include "uninstall/dialogs/CloseMsgFence.h"

class CBPQtLabel;
class IProgramIconSource;
class QCheckBox;
class QPushButton;
class QTreeWidget;

// Asks whether to uninstall the chosen programs, listing them with their
// icons, names, publishers and sizes, and offers "Automatically remove
// residual files" (ticked by default). A program whose uninstaller is
// missing says so in its row, and what will be removed in its place.
// Typical use, by the program page:
//
//     CReadyUninstallDlg dialog(mainWindow);
//     dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
//     dialog.SetIconSource(&icons);
//     dialog.SetPrograms(selectedPrograms);
//     dialog.Build();
//     dialog.exec();
//     if (dialog.Accepted() == 1) ... dialog.RemoveLeftovers() ...
//
// Anything but OK (Cancel, the frame's close control, MSG_CLOSE_DLG) leaves
// it not accepted.
class CReadyUninstallDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 427;
    static constexpr int kIconSize = 24;

    explicit CReadyUninstallDlg(QWidget* parent = nullptr);

    // Where program icons come from; none: every row shows the generic
    // installer picture. Not owned; must outlive Build().
    void SetIconSource(IProgramIconSource* source) { iconSource = source; }
    void SetPrograms(const std::vector<InstalledProgram>& list) { programs = list; }
    // By position in the program list: whose uninstaller is missing.
    void SetMissingUninstallers(const std::vector<bool>& missing) { missingUninstallers = missing; }
    // Creates the widgets and fills the tree; once, after SetPrograms.
    void Build();

    int Accepted() const { return accepted; }
    bool RemoveLeftovers() const;

    const std::vector<InstalledProgram>& Programs() const { return programs; }
    CBPQtLabel* QuestionLabel() const { return questionLabel; }
    QTreeWidget* ProgramTree() const { return popTreeWidget; }
    QCheckBox* LeftoverCheckBox() const { return checkBox; }
    QPushButton* OKButton() const { return okButton; }
    QPushButton* CancelButton() const { return cancelButton; }

    int ReceiveMsg(__MsgData msg) override;

public slots:
    void OnOKClicked();
    void OnCancelClicked();

private:
    QWidget* ProgramRow(const InstalledProgram& program, bool missing);
    // The note of the rows whose uninstaller is missing, as the check box is.
    void ShowMissingNotes();
    QIcon IconFor(const InstalledProgram& program) const;

    std::vector<InstalledProgram> programs;
    std::vector<bool> missingUninstallers;
    int accepted = 0;
    IProgramIconSource* iconSource = nullptr;
    CCloseMsgFence closeFence;

    CBPQtLabel* questionLabel = nullptr;
    QTreeWidget* popTreeWidget = nullptr;
    QCheckBox* checkBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};
