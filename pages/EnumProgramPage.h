#pragma once

#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "app/RightContentBase.h"
#include "include/InstalledProgram.h"
#include "inventory/ProgramRecord.h"
#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/DetachedTask.h"

class CBPQtLabel;
class CInventoryService;
class CUninstallRun;
class CDetailToolTip;
class CFileTreeItemDelegate;
class CProgramIconLoader;
class CSearchEdit;
class ProgramCell;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The program list page: the installed programs in a tree that the user
// searches, sorts and ticks, with the tick counter, the refresh and the
// two uninstall actions. It owns the list of records the rows refer to by
// index, and reaches the target machine only through the core face
// (CUninstallerCore: the records, read again by refresh) and
// CInventoryService (icons, install times); its two uninstall actions
// collect the chosen rows and hand them to the uninstall run
// (CUninstallRun). While the run holds the rows, they stay as they are: no
// search, sort, refresh or second run.
class CEnumProgramPage : public QVBoxLayout, public CRightContentBase, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CEnumProgramPage(int index);
    ~CEnumProgramPage() override;

    int ReceiveMsg(__MsgData msg) override;

    // Rebuilds every row from `records`; the tree must be empty.
    void CreateTree();

    const std::vector<ProgramRecord>& Records() const { return records; }
    int ProgramCount() const { return programCount; }
    int SelectedCount() const { return selectedCount; }
    uint64_t SelectedSize() const { return selectedSize; }
    bool IsRefreshing() const { return refreshing; }
    CUninstallRun* Run() const { return run; }
    bool IsRunning() const;

    // Asked when the main window is to close. True when it may close now;
    // during a run the user is asked whether to stop after the current
    // program, and during a refresh the close waits: CloseReady follows
    // once the run's result has been closed or the list has been read.
    bool MayClose();
    int SortField() const { return sortField; }
    int SortOrder() const { return sortOrder; }

    QTreeWidget* Tree() const { return tree; }
    QMenu* SortMenu() const { return sortMenu.get(); }
    QAction* NameAction() const { return nameAction; }
    QAction* SizeAction() const { return sizeAction; }
    QAction* AscendingAction() const { return ascendingAction; }
    QAction* DescendingAction() const { return descendingAction; }
    QLabel* CountLabel() const { return countLabel; }
    QLabel* EmptyListLabel() const { return emptyLabel; }
    CBPQtLabel* StatusLabel() const { return statusLabel; }
    QPushButton* SortButton() const { return sortButton; }
    QPushButton* RefreshButton() const { return refreshButton; }
    QPushButton* UninstallButton() const { return uninstallButton; }
    CSearchEdit* SearchBox() const { return searchEdit; }
    CDetailToolTip* ToolTip() const { return toolTip.get(); }
    CProgramIconLoader* IconLoader() const { return iconLoader; }
    // Rows get their cell widgets a screenful at once, the first one before
    // the list is shown and the rest while the event loop is idle.
    bool IsBuildingRows() const { return nextCellRow < rowsToBuild.size(); }
    // The cell of a record's row; null for an index without a row.
    ProgramCell* CellOf(int index) const;

public slots:
    void OnSortMenuTriggered(QAction* action);
    void SortClicked();
    void TreeitemClicked(QTreeWidgetItem* item, int column);
    void RefreshClicked();
    void UninstallAllClicked();
    void UninstallClicked();
    void CheckSize();
    void sectionClickedSlot(int iColumn);
    void SearchText(const QString& text);

signals:
    void CloseReady();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RefreshJob;
    struct MissingJob;

    void HoldForRun();
    void ReleaseAfterRun();
    void CloseIfAsked();
    std::vector<QPixmap> IconsOf(const std::vector<int>& indexes) const;
    void ShowSortMarks();

    void BuildLayout();
    void SetupTree();
    void ShowSelection();
    void OnListRefreshed();
    void SetIcon(int index, const QPixmap& pixmap);
    void BuildCells(size_t count);
    void StopBuildingCells();
    // Looks, on a worker once the icons are in, which programs' uninstallers
    // are missing, and marks their rows.
    void StartMissingCheck();
    void StopMissingCheck();
    void OnMissingChecked();

    std::vector<ProgramRecord> records;
    int programCount = 0;
    int selectedCount = 0;
    uint64_t selectedSize = 0;
    bool refreshing = false;
    int sortField = 1;
    int sortOrder = 1;
    int lastSortColumn = 0;
    std::shared_ptr<RefreshJob> refreshJob;
    CDetachedTask::Number refreshTask = 0;
    std::shared_ptr<MissingJob> missingJob;
    CDetachedTask::Number missingTask = 0;
    std::vector<bool> missingUninstallers; // by record index
    CUninstallRun* run = nullptr;
    bool closeAsked = false; // the window closes once the run or refresh is over

    CInventoryService* service = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* countLabel = nullptr;
    QPushButton* sortButton = nullptr;
    std::unique_ptr<QMenu> sortMenu;
    QAction* nameAction = nullptr;
    QAction* sizeAction = nullptr;
    QAction* ascendingAction = nullptr;
    QAction* descendingAction = nullptr;
    CSearchEdit* searchEdit = nullptr;
    QPushButton* refreshButton = nullptr;
    QTreeWidget* tree = nullptr;
    QLabel* emptyLabel = nullptr; // says why the list area is empty
    CFileTreeItemDelegate* delegate = nullptr;
    CBPQtLabel* statusLabel = nullptr;
    QPushButton* uninstallButton = nullptr;
    std::unique_ptr<CDetailToolTip> toolTip;
    CProgramIconLoader* iconLoader = nullptr;
    std::vector<ProgramCell*> cells; // by record index
    std::vector<QPixmap> icons;      // by record index; null: the placeholder
    QPixmap placeholder;
    std::vector<QTreeWidgetItem*> rowsToBuild; // in display order
    size_t nextCellRow = 0;
    QTimer* cellTimer = nullptr;
    QPoint lastPressPos; // in the tree viewport's coordinates
};
