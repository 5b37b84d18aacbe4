#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "app/BaseDialog.h"
#include "uninstall/OrphanScan.h"
#include "uninstall/dialogs/CloseMsgFence.h"

class QLabel;
class QPushButton;
class QTreeWidget;

// The folders that programs already gone left behind: path, size and last
// change, each with a tick box, none ticked at first. "Delete" asks first,
// then hands the ticked folders to the deleter and shows what is left.
class COrphansDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 480;

    // Deletes the folders named; returns the folders offered afterwards and
    // sets `summary` to what happened.
    using Deleter = std::function<QList<OrphanFolder>(const QStringList& paths, QString* summary)>;

    explicit COrphansDlg(QWidget* parent = nullptr);

    // `stopReason`: why nothing could be offered (empty when the scan ran).
    void Build(const QList<OrphanFolder>& folders, const QString& stopReason, Deleter deleter);

    QTreeWidget* FolderTree() const { return folderTree; }
    QPushButton* DeleteButton() const { return deleteButton; }
    QStringList Ticked() const;

    int ReceiveMsg(__MsgData msg) override;

private:
    void Fill(const QList<OrphanFolder>& folders);
    void OnTickChanged();
    void OnDeleteClicked();

    Deleter deleter;
    CCloseMsgFence closeFence;
    QTreeWidget* folderTree = nullptr;
    QLabel* status = nullptr;
    QPushButton* deleteButton = nullptr;
};
