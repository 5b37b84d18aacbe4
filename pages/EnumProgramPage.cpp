#include "pages/EnumProgramPage.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>

#include "app/DialogLook.h"
#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/RuntimeFiles.h"
#include "app/UIPublic.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "inventory/InventoryService.h"
#include "pages/DetailToolTip.h"
#include "pages/FileTreeItemDelegate.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramIconLoader.h"
#include "pages/ProgramTreeItem.h"
#include "pages/SearchEdit.h"
#include "pages/UninstallRun.h"
#include "support/Log.h"
#include "uninstall/UninstallerCore.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

namespace {

// Rows that get their cell widgets in one go: more than a screenful.
constexpr size_t kCellsPerSlice = 40;
// Fixed widths of the version and operation columns: at the smallest window
// the name column keeps its 400 pixels, and takes whatever a wider one adds.
constexpr int kVersionWidth = 100;
constexpr int kOperationWidth = 284;

} // namespace

// What the refresh worker hands to the GUI thread: the worker fills it, and
// the GUI thread reads it once the task's message has come. The page's own
// list is never touched by the worker, so the rows keep valid indexes until
// they are rebuilt.
struct CEnumProgramPage::RefreshJob {
    bool ok = false;
    QString error;
    std::vector<ProgramRecord> records;
};

// The look at the uninstallers: a copy of the records in, the record
// indexes whose uninstaller is missing out. A newer list stops it.
struct CEnumProgramPage::MissingJob {
    std::vector<ProgramRecord> records;
    std::vector<int> missing;
    std::atomic<bool> stop{false};
};

CEnumProgramPage::CEnumProgramPage(int index) : QVBoxLayout(), CRightContentBase(index) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_DIALOG_RESULT);
    RegisterMsg(MSG_LIST_REFRESHED);
    RegisterMsg(MSG_MISSING_UNINSTALLERS);
    service = CUIPublic::instance()->GetInventoryService();

    BuildLayout();
    toolTip = std::make_unique<CDetailToolTip>(nullptr);
    iconLoader = new CProgramIconLoader(service, this);
    cellTimer = new QTimer(this);
    cellTimer->setInterval(0);
    connect(cellTimer, &QTimer::timeout, this, [this]() { BuildCells(kCellsPerSlice); });
    connect(iconLoader, &CProgramIconLoader::IconReady, this, &CEnumProgramPage::SetIcon);
    // After the icons: the list and its pictures come first.
    connect(iconLoader, &CProgramIconLoader::Finished, this, &CEnumProgramPage::StartMissingCheck);
    run = new CUninstallRun(tree, records, missingUninstallers, this);
    connect(run, &CUninstallRun::Started, this, &CEnumProgramPage::HoldForRun);
    connect(run, &CUninstallRun::Ended, this, &CEnumProgramPage::ReleaseAfterRun);
    connect(run, &CUninstallRun::ResultClosed, this, &CEnumProgramPage::CloseIfAsked);

    records = CUIPublic::instance()->GetPrograms();
    CreateTree();
}

CEnumProgramPage::~CEnumProgramPage() {
    // The icon worker uses the core; it stops before anything goes.
    iconLoader->Stop();
    StopMissingCheck();
}

void CEnumProgramPage::BuildLayout() {
    setContentsMargins(24, 0, 24, 0);
    setSpacing(0);

    // One sheet for the page, on each of its three parts: the top bar, the
    // tree and the uninstall button.
    const QString pageSheet = CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/page.qss"));
    auto* topPart = new QWidget;
    topPart->setObjectName(QStringLiteral("TopPart"));
    topPart->setStyleSheet(pageSheet);
    auto* top = new QHBoxLayout(topPart);
    top->setContentsMargins(0, 15, 0, 5);
    top->setSpacing(5);
    titleLabel = new QLabel(tr("Applications"));
    titleLabel->setObjectName(QStringLiteral("PageTitle"));
    countLabel = new QLabel;
    countLabel->setObjectName(QStringLiteral("ProgramCount"));
    sortButton = new QPushButton;
    sortButton->setObjectName(QStringLiteral("SortButton"));
    sortButton->setFixedSize(74, 20);
    sortButton->setAccessibleName(tr("Sort by"));
    connect(sortButton, &QPushButton::clicked, this, &CEnumProgramPage::SortClicked);
    searchEdit = new CSearchEdit;
    connect(searchEdit->LineEdit(), &QLineEdit::textChanged, this, &CEnumProgramPage::SearchText);
    refreshButton = new QPushButton;
    refreshButton->setObjectName(QStringLiteral("RefreshButton"));
    refreshButton->setFixedSize(16, 16);
    refreshButton->setAccessibleName(tr("Refresh"));
    connect(refreshButton, &QPushButton::clicked, this, &CEnumProgramPage::RefreshClicked);
    top->addWidget(titleLabel, 0, Qt::AlignLeft | Qt::AlignVCenter);
    top->addWidget(countLabel, 0, Qt::AlignLeft | Qt::AlignVCenter);
    top->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    top->addWidget(sortButton, 0, Qt::AlignRight);
    top->addWidget(searchEdit, 0, Qt::AlignRight);
    top->addWidget(refreshButton, 0, Qt::AlignRight);
    addWidget(topPart);

    sortMenu = std::make_unique<QMenu>();
    sortMenu->setFixedWidth(92);
    nameAction = sortMenu->addAction(tr("Name"));
    sizeAction = sortMenu->addAction(tr("Size"));
    sortMenu->addSeparator();
    ascendingAction = sortMenu->addAction(tr("Ascending"));
    descendingAction = sortMenu->addAction(tr("Descending"));
    for (QAction* action : {nameAction, sizeAction, ascendingAction, descendingAction})
        action->setCheckable(true);
    nameAction->setChecked(true);
    descendingAction->setChecked(true);
    connect(sortMenu.get(), &QMenu::triggered, this, &CEnumProgramPage::OnSortMenuTriggered);

    SetupTree();
    tree->setStyleSheet(pageSheet);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(25);
    bottom->setContentsMargins(0, 16, 0, 16);
    bottom->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    statusLabel = new CBPQtLabel;
    statusLabel->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(statusLabel, CPalette::Of(CPalette::SecondaryText));
    uninstallButton = new QPushButton;
    uninstallButton->setObjectName(QStringLiteral("UninstallButton"));
    uninstallButton->setFixedSize(144, 32);
    uninstallButton->setAccessibleName(tr("Uninstall"));
    uninstallButton->setStyleSheet(pageSheet);
    connect(uninstallButton, &QPushButton::clicked, this, &CEnumProgramPage::UninstallAllClicked);
    bottom->addWidget(statusLabel, 0, Qt::AlignRight);
    bottom->addWidget(uninstallButton, 0, Qt::AlignRight);
    addLayout(bottom);
}

void CEnumProgramPage::SetupTree() {
    delegate = new CFileTreeItemDelegate(this);
    tree = new QTreeWidget;
    tree->setObjectName(QStringLiteral("ProgramTreeWidget"));
    tree->setItemDelegate(delegate);
    addWidget(tree);
    tree->setColumnCount(6);
    tree->setColumnHidden(0, true);
    tree->setColumnHidden(5, true);
    tree->setSortingEnabled(true);
    tree->setFrameShape(QFrame::NoFrame);
    tree->setFocusPolicy(Qt::NoFocus);
    tree->header()->setVisible(false);
    tree->setIndentation(0);
    tree->setColumnWidth(1, 400);
    tree->setColumnWidth(2, 120);
    // A wider window widens the name column only.
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int column : {2, 3, 4})
        tree->header()->setSectionResizeMode(column, QHeaderView::Fixed);
    tree->setColumnWidth(3, kVersionWidth);
    tree->setColumnWidth(4, kOperationWidth);
    tree->setAccessibleName(tr("Installed programs"));
    emptyLabel = new QLabel(tree->viewport());
    emptyLabel->setObjectName(QStringLiteral("EmptyListText"));
    emptyLabel->setTextFormat(Qt::PlainText);
    emptyLabel->setFont(DialogLook::PixelFont(14));
    DialogLook::SetTextColour(emptyLabel, CPalette::Of(CPalette::SecondaryText));
    auto* emptyLayout = new QVBoxLayout(tree->viewport());
    emptyLayout->addWidget(emptyLabel, 0, Qt::AlignCenter);
    emptyLabel->hide();
    // The hover band and the "Details" link follow the mouse.
    tree->setMouseTracking(true);
    tree->viewport()->setAttribute(Qt::WA_Hover, true);
    tree->viewport()->installEventFilter(this);
    connect(tree->header(), &QHeaderView::sectionClicked, this, &CEnumProgramPage::sectionClickedSlot);
    connect(tree, &QTreeWidget::itemPressed, this, &CEnumProgramPage::TreeitemClicked);
    tree->verticalScrollBar()->setStyleSheet(CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/vscrollbar.qss")));
    tree->horizontalScrollBar()->setStyleSheet(CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/hscrollbar.qss")));
}

void CEnumProgramPage::CreateTree() {
    programCount = static_cast<int>(records.size());
    LogTimedLine("create tree begin with %s\r\n");

    placeholder =
        QPixmap(CRuntimeFiles::Path(QStringLiteral("./Resources/Installer.png")))
            .scaled(ProgramCell::kIconSize, ProgramCell::kIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    StopBuildingCells();
    // Sorting once at the end instead of at every insertion.
    tree->setSortingEnabled(false);
    cells.assign(records.size(), nullptr);
    icons.assign(records.size(), QPixmap());
    StopMissingCheck();
    missingUninstallers.assign(records.size(), false);
    std::vector<CProgramIconLoader::Request> iconRequests;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(records.size()));
    for (size_t n = 0; n < records.size(); ++n) {
        const int i = static_cast<int>(n);
        const ProgramText& text = records[n].text;
        auto* item = new CProgramTreeItem;
        item->setText(0, text.name);
        item->setData(1, CProgramTreeItem::kRecordIndexRole, i);
        item->setText(2, FormatSize(records[n].program.sizeBytes));
        item->setText(3, text.version.isEmpty() ? QStringLiteral("-") : text.version);
        item->setData(5, Qt::DisplayRole, qulonglong(records[n].program.sizeBytes));
        items.push_back(item);
        if (!text.displayIcon.isEmpty()) iconRequests.push_back({i, text.displayIcon});
    }
    tree->addTopLevelItems(items);
    tree->setSortingEnabled(true);
    tree->sortItems(lastSortColumn, sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    // The cell widgets cost far more than the items: a screenful now, the
    // rest in slices while the event loop is idle, in display order.
    for (int row = 0; row < tree->topLevelItemCount(); ++row)
        rowsToBuild.push_back(tree->topLevelItem(row));
    BuildCells(kCellsPerSlice);
    if (IsBuildingRows()) cellTimer->start();
    LogTimedLine("create tree end with %s\r\n");

    selectedSize = 0;
    selectedCount = 0;
    countLabel->setText(tr("(%1)").arg(programCount));
    uninstallButton->setEnabled(false);
    refreshing = false;
    SearchText(searchEdit->LineEdit()->text());
    iconLoader->Start(std::move(iconRequests));
}

ProgramCell* CEnumProgramPage::CellOf(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= cells.size()) return nullptr;
    return cells[static_cast<size_t>(index)];
}

void CEnumProgramPage::SetIcon(int index, const QPixmap& pixmap) {
    if (index < 0 || static_cast<size_t>(index) >= icons.size()) return;
    icons[static_cast<size_t>(index)] = pixmap;
    if (ProgramCell* cell = CellOf(index)) cell->IconLabel()->setPixmap(pixmap);
}

void CEnumProgramPage::BuildCells(size_t count) {
    for (size_t built = 0; built < count && nextCellRow < rowsToBuild.size(); ++built, ++nextCellRow) {
        QTreeWidgetItem* item = rowsToBuild[nextCellRow];
        const int i = item->data(1, CProgramTreeItem::kRecordIndexRole).toInt();
        const size_t n = static_cast<size_t>(i);
        const QPixmap& icon = icons[n].isNull() ? placeholder : icons[n];
        auto* cell = new ProgramCell(records[n].text, i, icon);
        cell->SetUninstallerMissing(missingUninstallers[n]);
        connect(cell->CheckBox(), &QCheckBox::clicked, this, &CEnumProgramPage::CheckSize);
        tree->setItemWidget(item, 1, cell);
        cells[n] = cell;
        auto* operation = new OperationCell(i, records[n].text.name);
        connect(operation->TrashButton(), &QPushButton::clicked, this, &CEnumProgramPage::UninstallClicked);
        tree->setItemWidget(item, 4, operation);
    }
    if (!IsBuildingRows()) {
        cellTimer->stop();
        rowsToBuild.clear();
        nextCellRow = 0;
    }
}

void CEnumProgramPage::StartMissingCheck() {
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    if (core == nullptr || refreshing) return;
    StopMissingCheck();
    auto job = std::make_shared<MissingJob>();
    job->records = records;
    missingJob = job;
    missingTask = CDetachedTask::Run(job, MSG_MISSING_UNINSTALLERS, [core](MissingJob& look) {
        for (size_t i = 0; i < look.records.size() && !look.stop; ++i)
            if (core->UninstallerMissing(look.records[i])) look.missing.push_back(static_cast<int>(i));
    });
}

void CEnumProgramPage::StopMissingCheck() {
    if (missingJob) missingJob->stop = true;
    missingJob.reset();
    missingTask = 0;
}

void CEnumProgramPage::OnMissingChecked() {
    const std::shared_ptr<MissingJob> job = std::move(missingJob);
    missingTask = 0;
    if (!job || job->stop) return;
    for (int index : job->missing) {
        if (index < 0 || static_cast<size_t>(index) >= missingUninstallers.size()) continue;
        missingUninstallers[static_cast<size_t>(index)] = true;
        if (ProgramCell* cell = CellOf(index)) cell->SetUninstallerMissing(true);
    }
}

void CEnumProgramPage::StopBuildingCells() {
    cellTimer->stop();
    rowsToBuild.clear();
    nextCellRow = 0;
}

void CEnumProgramPage::sectionClickedSlot(int iColumn) {
    // The run's rows keep their places until it ends.
    if (IsRunning() || (iColumn != 1 && iColumn != 2)) return;
    sortOrder = sortOrder == 0 ? 1 : 0;
    ascendingAction->setChecked(sortOrder == 0);
    descendingAction->setChecked(sortOrder == 1);
    lastSortColumn = iColumn == 1 ? 0 : 5;
    tree->sortItems(lastSortColumn, sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CEnumProgramPage::OnSortMenuTriggered(QAction* action) {
    if (IsRunning()) {
        // The entry toggled itself; the marks go back to the sort in force.
        ShowSortMarks();
        return;
    }
    // A checkable entry toggles itself before this runs; every branch sets
    // the marks it wants, so choosing the checked entry leaves it checked.
    if (action == nameAction) {
        if (sortField != 1) {
            sortField = 1;
            sectionClickedSlot(1);
        }
        nameAction->setChecked(true);
        sizeAction->setChecked(false);
    } else if (action == sizeAction) {
        if (sortField != 2) {
            sortField = 2;
            sectionClickedSlot(2);
        }
        sizeAction->setChecked(true);
        nameAction->setChecked(false);
    } else if (action == ascendingAction) {
        if (sortOrder != 0) sectionClickedSlot(sortField);
        ascendingAction->setChecked(true);
        descendingAction->setChecked(false);
    } else if (action == descendingAction) {
        if (sortOrder != 1) sectionClickedSlot(sortField);
        descendingAction->setChecked(true);
        ascendingAction->setChecked(false);
    }
}

void CEnumProgramPage::ShowSortMarks() {
    nameAction->setChecked(sortField == 1);
    sizeAction->setChecked(sortField == 2);
    ascendingAction->setChecked(sortOrder == 0);
    descendingAction->setChecked(sortOrder == 1);
}

void CEnumProgramPage::SortClicked() {
    if (IsRunning()) return;
    // Right under the sort button, wherever the window is.
    sortMenu->exec(sortButton->mapToGlobal(QPoint(0, sortButton->height() + 4)));
}

void CEnumProgramPage::SearchText(const QString& text) {
    if (IsRunning()) return;
    int shown = 0;
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        const int index = item->data(1, CProgramTreeItem::kRecordIndexRole).toInt();
        bool match = text.isEmpty();
        if (!match && index >= 0 && static_cast<size_t>(index) < records.size()) {
            const ProgramText& t = records[static_cast<size_t>(index)].text;
            match = t.name.contains(text, Qt::CaseInsensitive) || t.publisher.contains(text, Qt::CaseInsensitive);
        }
        item->setHidden(!match);
        shown += match ? 1 : 0;
    }
    tree->setHeaderLabels({QStringLiteral("Program Name Order"), tr(" Program Name (%1 programs)").arg(shown),
                           tr("Size"), tr("Version"), tr("Operation"), QStringLiteral("Size Order")});
    // An empty list says why in the list area.
    emptyLabel->setText(shown != 0                       ? QString()
                        : tree->topLevelItemCount() == 0 ? tr("No programs are installed in this prefix.")
                                                         : tr("No program matches \u201c%1\u201d.").arg(text));
    emptyLabel->setVisible(shown == 0);
}

void CEnumProgramPage::CheckSize() {
    auto* box = qobject_cast<QCheckBox*>(sender());
    if (box == nullptr) return;
    if (IsRunning()) {
        // A row the run left alone (after the chosen one of a single run)
        // keeps its tick as it was.
        box->setChecked(!box->isChecked());
        return;
    }
    bool ok = false;
    const int index = box->property("checkindex").toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= records.size()) return;
    const uint64_t size = records[static_cast<size_t>(index)].program.sizeBytes;
    if (box->isChecked()) {
        selectedSize += size;
        selectedCount += 1;
    } else {
        selectedSize -= size;
        selectedCount -= 1;
    }
    ShowSelection();
}

void CEnumProgramPage::ShowSelection() {
    // The texts read as they always have, the palette's MutedText spelt in
    // them.
    if (selectedCount != 0) {
        if (selectedSize != 0)
            statusLabel->setText(
                tr("<font style = 'font-size:14px;color:#A3A4AA'>Selected:</font><font style = 'font-size:14px; "
                   "font-weight:600;color:#A3A4AA'>%1</font>(<font style = 'font-size:14px; "
                   "font-weight:600;color:#A3A4AA'>%2</font>)")
                    .arg(selectedCount)
                    .arg(FormatSize(selectedSize)));
        else
            statusLabel->setText(tr("<font style = 'font-size:14px;color:#A3A4AA'>Selected:</font><font style = "
                                    "'font-size:14px; font-weight:600;color:#A3A4AA'>%1</font>")
                                     .arg(selectedCount));
        uninstallButton->setEnabled(true);
    } else {
        statusLabel->clear();
        uninstallButton->setEnabled(false);
    }
}

bool CEnumProgramPage::eventFilter(QObject* watched, QEvent* event) {
    // The press position decides whether the "Details" link was hit; the
    // tree's pressed signal does not carry it.
    if (tree != nullptr && watched == tree->viewport() && event->type() == QEvent::MouseButtonPress)
        lastPressPos = static_cast<QMouseEvent*>(event)->pos();
    return QVBoxLayout::eventFilter(watched, event);
}

void CEnumProgramPage::TreeitemClicked(QTreeWidgetItem* item, int column) {
    if (item == nullptr || column != 1) return;
    // The link's place in the pressed row, from the tree's real geometry.
    const QRect row = tree->visualItemRect(item);
    const QRect cell(tree->header()->sectionViewportPosition(1), row.top(), tree->columnWidth(1), row.height());
    if (!CFileTreeItemDelegate::DetailsLinkRect(cell).contains(lastPressPos)) return;

    const int index = item->data(1, CProgramTreeItem::kRecordIndexRole).toInt();
    if (index < 0 || static_cast<size_t>(index) >= records.size()) return;
    const QString installPath = records[static_cast<size_t>(index)].text.installLocation;
    QString installTime;
    if (service != nullptr) {
        const QDateTime created = service->CreationTime(installPath);
        if (created.isValid()) installTime = tr("%1").arg(created.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    }
    toolTip->SetDetails(item->text(0), item->text(3), installTime, installPath);
    toolTip->ShowAt(tree->viewport()->mapToGlobal(lastPressPos));
}

void CEnumProgramPage::RefreshClicked() {
    // The run's rows refer to the current list until the run ends.
    if (refreshing || IsRunning()) return;
    refreshing = true;
    statusLabel->clear();
    searchEdit->LineEdit()->clear();
    refreshButton->hide();
    // Nothing may reach the rows while their list is being read again, even
    // if the busy dialog is not modal on some window system.
    tree->setEnabled(false);
    uninstallButton->setEnabled(false);
    iconLoader->Stop();
    StopMissingCheck();

    auto job = std::make_shared<RefreshJob>();
    refreshJob = job;
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    refreshTask = CDetachedTask::Run(job, MSG_LIST_REFRESHED, [core](RefreshJob& refresh) {
        if (core == nullptr) {
            refresh.error = QStringLiteral("the list cannot be read");
        } else {
            Expected<std::vector<ProgramRecord>, BackendFailure> read = core->Records();
            refresh.ok = read.HasValue();
            if (refresh.ok)
                refresh.records = std::move(read).Value();
            else
                refresh.error = read.Error().reason;
        }
        CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
    });

    CRefreshDlg busy(CUIPublic::instance()->GetMainWindow());
    busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    busy.BuildBusyView();
    busy.exec();
}

void CEnumProgramPage::OnListRefreshed() {
    std::shared_ptr<RefreshJob> job = std::move(refreshJob);
    refreshJob.reset();
    refreshTask = 0;
    tree->setEnabled(true);
    refreshButton->show();
    refreshButton->setEnabled(true);
    CloseIfAsked();
    if (!job->ok) {
        // The old list stays, with its ticks; rows that a run held are
        // given back.
        refreshing = false;
        run->ReleaseRows();
        ShowSelection();
        iconLoader->Stop();
        std::vector<CProgramIconLoader::Request> requests;
        for (size_t i = 0; i < records.size(); ++i)
            if (!records[i].text.displayIcon.isEmpty())
                requests.push_back({static_cast<int>(i), records[i].text.displayIcon});
        iconLoader->Start(std::move(requests));
        const QString text = tr("The list of programs could not be read again.\n\n%1").arg(job->error);
        // After the message handler has returned, not inside it.
        QTimer::singleShot(0, this, [text]() {
            CMSGDlg box(600, 340, CUIPublic::instance()->GetMainWindow());
            box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
            box.SetContent(CMSGDlg::MsgKindFailure, text, CMSGDlg::BtnModeOK);
            box.exec();
        });
        return;
    }
    records = std::move(job->records);
    iconLoader->Stop();
    StopBuildingCells();
    cells.clear();
    tree->clear();
    CreateTree();
}

int CEnumProgramPage::ReceiveMsg(__MsgData msg) {
    switch (msg.id) {
    case MSG_DIALOG_RESULT:
        if (MsgPayloadU32(msg, 1) == 0) RefreshClicked();
        break;
    case MSG_MISSING_UNINSTALLERS:
        if (CDetachedTask::IsDoneMsgOf(msg, missingTask)) OnMissingChecked();
        break;
    case MSG_LIST_REFRESHED:
        // Only the message of the refresh in progress.
        if (CDetachedTask::IsDoneMsgOf(msg, refreshTask)) OnListRefreshed();
        break;
    default:
        break;
    }
    return 0;
}

bool CEnumProgramPage::IsRunning() const {
    return run->IsRunning();
}

void CEnumProgramPage::UninstallAllClicked() {
    if (IsRunning() || refreshing) return;
    std::vector<int> indexes;
    std::vector<int> ownEntry;
    // Every row in tree order, the ones a search hides included.
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        if (cell == nullptr || !cell->CheckBox()->isChecked()) continue;
        const int index = CProgramTreeItem::RecordIndex(item, records.size());
        if (index < 0) continue;
        // This uninstaller goes last, so that it does not end the run early.
        if (CUninstallRun::IsOwnEntry(item))
            ownEntry.push_back(index);
        else
            indexes.push_back(index);
    }
    indexes.insert(indexes.end(), ownEntry.begin(), ownEntry.end());
    if (indexes.empty()) return;
    CUIPublic::instance()->SetTotalSize(selectedSize);
    run->Offer(false, indexes, IconsOf(indexes));
}

void CEnumProgramPage::UninstallClicked() {
    // A trash button the run left alone starts nothing while it lasts.
    if (IsRunning() || refreshing) return;
    auto* button = qobject_cast<QPushButton*>(sender());
    if (button == nullptr) return;
    bool ok = false;
    const int index = button->property("uninstallindex").toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= records.size()) return;
    CUIPublic::instance()->SetTotalSize(records[static_cast<size_t>(index)].program.sizeBytes);
    run->Offer(true, {index}, IconsOf({index}));
}

std::vector<QPixmap> CEnumProgramPage::IconsOf(const std::vector<int>& indexes) const {
    std::vector<QPixmap> pixmaps;
    for (int index : indexes)
        pixmaps.push_back(icons[static_cast<size_t>(index)]);
    return pixmaps;
}

void CEnumProgramPage::HoldForRun() {
    // Every row needs its widgets now: the run shows its progress in them.
    BuildCells(rowsToBuild.size());
    refreshButton->setEnabled(false);
    uninstallButton->setEnabled(false);
    sortButton->setEnabled(false);
    searchEdit->setEnabled(false);
}

void CEnumProgramPage::ReleaseAfterRun() {
    sortButton->setEnabled(true);
    searchEdit->setEnabled(true);
}

bool CEnumProgramPage::MayClose() {
    if (closeAsked) return false;
    // This program's own uninstaller runs: the process is ending anyway.
    if (run->CurrentState().ownStarted) return true;
    if (IsRunning()) {
        CMSGDlg box(600, 340, CUIPublic::instance()->GetMainWindow());
        box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        box.SetContent(CMSGDlg::MsgKindWarning,
                       tr("Programs are being uninstalled.\n\nStop after the current program and close?"),
                       CMSGDlg::BtnModeYesNo);
        if (box.exec() != CMSGDlg::ResultOK) return false;
        // The run may have ended while the box was open.
        if (IsRunning()) {
            closeAsked = true;
            run->StopAfterCurrent();
            return false;
        }
    }
    if (refreshing) {
        // The refresh worker reads through the core the window owns.
        closeAsked = true;
        return false;
    }
    return true;
}

void CEnumProgramPage::CloseIfAsked() {
    // After the handler that brought us here has returned.
    if (!closeAsked) return;
    closeAsked = false;
    QTimer::singleShot(0, this, [this]() { emit CloseReady(); });
}
