#pragma once

#include <QFontMetrics>
#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <vector>

#include "app/RightContentBase.h"
#include "include/InstalledProgram.h"
#include "inventory/ProgramRecord.h"
#include "widgetlib/BPMsgReceiver.h"

class CBPQtLabel;
class CInventoryService;
class CUninstallerCore;
class CDetailToolTip;
class CFileTreeItemDelegate;
class CProgramIconLoader;
class CSearchEdit;
class ProgramCell;
class QAction;
class QDialog;
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
// (CUninstallerCore: records, refresh, the run) and CInventoryService
// (icons, install times). The run lives here too: the programs of a run
// are removed one after another, each on a worker thread of its own, while
// the GUI thread animates the row in progress; rows stay as they are (no
// search, sort, refresh or second run) until it ends.
class CEnumProgramPage : public QVBoxLayout, public CRightContentBase, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CEnumProgramPage(int index);
    ~CEnumProgramPage() override;

    int ReceiveMsg(__MsgData msg) override;

    // Rebuilds every row from `programs`; the tree must be empty.
    void CreateTree();

    const std::vector<InstalledProgram>& Programs() const { return programs; }
    const std::vector<InstalledProgram>& SelectedPrograms() const { return selectedPrograms; }
    int ProgramCount() const { return programCount; }
    int SelectedCount() const { return selectedCount; }
    uint64_t SelectedSize() const { return selectedSize; }
    bool IsRefreshing() const { return refreshing; }
    bool SingleMode() const { return singleMode; }
    int SingleIndex() const { return singleIndex; }
    // From StartUninstallRun until the result dialog opens (or for good,
    // once this uninstaller's own uninstaller has been started).
    bool IsRunning() const { return runActive; }
    bool AutoRemoveLeftovers() const { return autoRemoveLeftovers; }
    const std::vector<QTreeWidgetItem*>& UninstallQueue() const { return uninstallQueue; }
    QTreeWidgetItem* CurrentRow() const { return currentRow; }
    int AnimationFrame() const { return animationFrame; }
    QTimer* AnimationTimer() const { return animationTimer; }

    // Test seam: while a hook is set, the confirmation and result dialogs of
    // a run are handed to it, built, instead of being run modally; the hook
    // answers them as a user would (OnOKClicked, OnCancelClicked, done).
    using DialogHook = std::function<void(QDialog& dialog)>;
    static void SetDialogHook(DialogHook hook);
    int SortField() const { return sortField; }
    int SortOrder() const { return sortOrder; }

    QTreeWidget* Tree() const { return tree; }
    QMenu* SortMenu() const { return sortMenu.get(); }
    QAction* NameAction() const { return nameAction; }
    QAction* SizeAction() const { return sizeAction; }
    QAction* AscendingAction() const { return ascendingAction; }
    QAction* DescendingAction() const { return descendingAction; }
    QLabel* CountLabel() const { return countLabel; }
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
    void onTimeout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RefreshJob;
    struct StepJob;

    // The uninstall run, in the order it goes.
    bool ConfirmRun();
    void StartUninstallRun(bool single);
    void StartCurrentProgram();
    void StartProgressAnimation();
    static int RunCurrentUninstaller(CUninstallerCore* core, std::shared_ptr<StepJob> job);
    void AdvanceUninstallRun();
    void FinishUninstallRun();
    void SetRowOutcome(QTreeWidgetItem* row, bool removed, const QString& why);
    // Gives the rows of an ended run back when the list cannot be read anew.
    void ReleaseRows();
    int RecordIndex(QTreeWidgetItem* row) const;
    bool IsOwnEntry(const QTreeWidgetItem* row) const;
    void RunModal(QDialog& dialog);
    void ShowSortMarks();

    void BuildLayout();
    void SetupTree();
    void ShowSelection();
    void OnListRefreshed();
    void TakeRecords(std::vector<ProgramRecord> list);
    void SetIcon(int index, const QPixmap& pixmap);
    void BuildCells(size_t count);
    void StopBuildingCells();

    std::vector<InstalledProgram> programs;
    std::vector<ProgramRecord> records; // decoded; `programs` holds their raw records
    int programCount = 0;
    int selectedCount = 0;
    uint64_t selectedSize = 0;
    bool refreshing = false;
    int sortField = 1;
    int sortOrder = 1;
    int lastSortColumn = 0;
    std::shared_ptr<RefreshJob> refreshJob;

    // Collected by the uninstall actions.
    std::vector<InstalledProgram> selectedPrograms;
    std::vector<int> selectedIndexes; // record indexes, parallel to selectedPrograms
    bool singleMode = false;
    int singleIndex = -1;

    // The run.
    bool runActive = false;
    bool autoRemoveLeftovers = true;
    std::vector<QTreeWidgetItem*> uninstallQueue;
    int queuePos = 0;
    QTreeWidgetItem* currentRow = nullptr;
    QTreeWidgetItem* ownRow = nullptr; // this uninstaller's own entry, queued last
    std::shared_ptr<StepJob> stepJob;
    int animationFrame = 0;
    QTimer* animationTimer = nullptr;
    QTimer* pauseTimer = nullptr;
    std::vector<QPixmap> loadingFrames;
    QLabel* animationLabel = nullptr;
    QLabel* rowStatusLabel = nullptr;
    int removedCount = 0;
    uint64_t freedBytes = 0;
    QStringList notRemovedNames;

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
    CFileTreeItemDelegate* delegate = nullptr;
    CBPQtLabel* statusLabel = nullptr;
    QPushButton* uninstallButton = nullptr;
    std::unique_ptr<CDetailToolTip> toolTip;
    CProgramIconLoader* iconLoader = nullptr;
    std::vector<ProgramCell*> cells; // by record index
    std::vector<QPixmap> icons;      // by record index; null: the placeholder
    QPixmap placeholder;
    QFontMetrics nameMetrics{QFont()};
    std::vector<QTreeWidgetItem*> rowsToBuild; // in display order
    size_t nextCellRow = 0;
    QTimer* cellTimer = nullptr;
    QPoint lastPressPos; // in the tree viewport's coordinates
};
