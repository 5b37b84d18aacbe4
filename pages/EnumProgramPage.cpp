#include "pages/EnumProgramPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/DialogLook.h"
#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/UIPublic.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "pages/DetailToolTip.h"
#include "pages/FileTreeItemDelegate.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramIconLoader.h"
#include "pages/ProgramTreeItem.h"
#include "pages/SearchEdit.h"
#include "support/Log.h"
#include "uninstall/UninstallService.h"
#include "uninstall/dialogs/ProgramIconSource.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"

namespace {

constexpr int kRecordIndexRole = 256;
// Rows that get their cell widgets in one go: more than a screenful.
constexpr size_t kCellsPerSlice = 40;
// The loading animation: 50 pictures, one every 100 ms.
constexpr int kAnimationFrames = 50;
constexpr int kAnimationIntervalMs = 100;
// Between the end of one program and the start of the next.
constexpr int kPauseBetweenProgramsMs = 1000;

CEnumProgramPage::DialogHook& DialogHookSlot() {
    static CEnumProgramPage::DialogHook hook;
    return hook;
}

// The confirmation dialog's icons: those the page's rows show.
class SelectedIcons : public IProgramIconSource {
public:
    SelectedIcons(const std::vector<InstalledProgram>& programs, std::vector<QPixmap> pixmaps)
        : programs(programs), pixmaps(std::move(pixmaps)) {}
    QIcon ProgramIcon(const InstalledProgram& program) override {
        // Field by field: the record's padding bytes need not be equal.
        for (size_t i = 0; i < programs.size() && i < pixmaps.size(); ++i)
            if (std::memcmp(programs[i].displayName, program.displayName, sizeof program.displayName) == 0 &&
                std::memcmp(programs[i].displayIcon, program.displayIcon, sizeof program.displayIcon) == 0 &&
                std::memcmp(programs[i].uninstallCommand, program.uninstallCommand, sizeof program.uninstallCommand) ==
                    0)
                return pixmaps[i].isNull() ? QIcon() : QIcon(pixmaps[i]);
        return QIcon();
    }

private:
    const std::vector<InstalledProgram>& programs;
    std::vector<QPixmap> pixmaps;
};

QString ReadStyleFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

// What the refresh worker hands to the GUI thread. The worker fills it and
// then sends its messages; the GUI thread reads it only on
// MSG_LIST_REFRESHED, and the page's own list is never touched by the
// worker, so the rows keep valid indexes until they are rebuilt.
struct CEnumProgramPage::RefreshJob {
    std::atomic<bool> done{false};
    bool ok = false;
    QString error;
    std::vector<InstalledProgram> programs;
    std::vector<ProgramText> texts;
};

// One program's step, handed between the GUI thread and its worker in the
// same way: the GUI thread fills the request before the worker starts, the
// worker fills the report and then says so by message.
struct CEnumProgramPage::StepJob {
    InstalledProgram program{};
    bool removeLeftovers = false;
    bool ownEntry = false;
    std::atomic<bool> deepClean{false};
    std::atomic<bool> done{false};
    UninstallStepReport report;
};

CEnumProgramPage::CEnumProgramPage(int index) : QVBoxLayout(), CRightContentBase(index) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_UNINSTALL_STEP_DONE);
    RegisterMsg(MSG_DIALOG_RESULT);
    RegisterMsg(MSG_LIST_REFRESHED);
    RegisterMsg(MSG_DEEP_CLEAN_STARTED);
    service = CUIPublic::instance()->GetInventoryService();

    BuildLayout();
    toolTip = std::make_unique<CDetailToolTip>(nullptr);
    iconLoader = new CProgramIconLoader(service, this);
    cellTimer = new QTimer(this);
    cellTimer->setInterval(0);
    connect(cellTimer, &QTimer::timeout, this, [this]() { BuildCells(kCellsPerSlice); });
    connect(iconLoader, &CProgramIconLoader::IconReady, this, &CEnumProgramPage::SetIcon);
    pauseTimer = new QTimer(this);
    pauseTimer->setSingleShot(true);
    pauseTimer->setInterval(kPauseBetweenProgramsMs);
    connect(pauseTimer, &QTimer::timeout, this, &CEnumProgramPage::StartCurrentProgram);

    programs = CUIPublic::instance()->GetPrograms();
    if (service != nullptr) texts = service->DisplayTexts(programs);
    CreateTree();
}

CEnumProgramPage::~CEnumProgramPage() {
    // The icon worker uses the core; it stops before anything goes.
    iconLoader->Stop();
}

void CEnumProgramPage::BuildLayout() {
    setContentsMargins(24, 0, 24, 0);
    setSpacing(0);

    auto* topPart = new QWidget;
    topPart->setObjectName(QStringLiteral("TopPart"));
    topPart->setStyleSheet(QStringLiteral("#TopPart{background-color: rgb(38,43,65)}"));
    auto* top = new QHBoxLayout(topPart);
    top->setContentsMargins(0, 15, 0, 5);
    top->setSpacing(5);
    titleLabel = new QLabel(tr("Applications"));
    titleLabel->setStyleSheet(QStringLiteral("font-size:16px; color:rgb(255,255,255);font-weight:500"));
    countLabel = new QLabel;
    countLabel->setStyleSheet(QStringLiteral("font-size:14px; color:rgba(255,255,255,153)"));
    sortButton = new QPushButton;
    sortButton->setFixedSize(74, 20);
    sortButton->setStyleSheet(QStringLiteral(
        "QPushButton{border-image: url(./Resources/sortby.png)}QPushButton:hover{border-image: "
        "url(./Resources/sortby_hover.png)}QPushButton:pressed{border-image: "
        "url(./Resources/sortby_press.png)}QPushButton:disabled{border-image: url(./Resources/sortby.png)}"));
    connect(sortButton, &QPushButton::clicked, this, &CEnumProgramPage::SortClicked);
    searchEdit = new CSearchEdit;
    connect(searchEdit->LineEdit(), &QLineEdit::textChanged, this, &CEnumProgramPage::SearchText);
    refreshButton = new QPushButton;
    refreshButton->setFixedSize(16, 16);
    refreshButton->setStyleSheet(QStringLiteral(
        "QPushButton{border-image: url(./Resources/refresh_normal.png); color: rgb(255,255,255)}"
        "QPushButton:hover{border-image: url(./Resources/refresh_hover.png);color: rgb(255,255,255)}"
        "QPushButton:pressed{border-image: url(./Resources/refresh_press.png);color: rgb(255,255,255)}"
        "QPushButton:disabled{border-image: url(./Resources/refresh_disable.png); color: rgb(237,239,240)}"));
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

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(25);
    bottom->setContentsMargins(0, 16, 0, 16);
    bottom->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    statusLabel = new CBPQtLabel;
    statusLabel->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(statusLabel, QColor(255, 255, 255, 153));
    uninstallButton = new QPushButton;
    uninstallButton->setFixedSize(144, 32);
    uninstallButton->setStyleSheet(
        QStringLiteral("QPushButton{border-image: url(./Resources/btn_uninstall.png); }QPushButton:hover{border-image: "
                       "url(./Resources/btn_uninstall_hover.png);}QPushButton:pressed{border-image: "
                       "url(./Resources/btn_uninstall_press.png);}QPushButton:disabled{border-image: "
                       "url(./Resources/btn_uninstall_disable.png);}"));
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
    // The hover band and the "Details" link follow the mouse.
    tree->setMouseTracking(true);
    tree->viewport()->setAttribute(Qt::WA_Hover, true);
    tree->viewport()->installEventFilter(this);
    connect(tree->header(), &QHeaderView::sectionClicked, this, &CEnumProgramPage::sectionClickedSlot);
    connect(tree, &QTreeWidget::itemPressed, this, &CEnumProgramPage::TreeitemClicked);
    tree->setStyleSheet(ProgramCell::RowStyleSheet());
    tree->verticalScrollBar()->setStyleSheet(ReadStyleFile(QStringLiteral("./QSS/vscrollbar.qss")));
    tree->horizontalScrollBar()->setStyleSheet(ReadStyleFile(QStringLiteral("./QSS/hscrollbar.qss")));
}

void CEnumProgramPage::CreateTree() {
    programCount = static_cast<int>(programs.size());
    LogTimedLine("create tree begin with %s\r\n");
    if (texts.size() != programs.size()) {
        // Without the core (a page built on its own) the texts are taken
        // as Latin-1.
        texts.clear();
        for (const InstalledProgram& p : programs)
            texts.push_back(ProgramText{QString::fromLatin1(p.displayName), QString::fromLatin1(p.publisher),
                                        QString::fromLatin1(p.displayVersion), QString::fromLatin1(p.displayIcon),
                                        QString::fromLatin1(p.installLocation)});
    }

    placeholder =
        QPixmap(QStringLiteral("./Resources/Installer.png"))
            .scaled(ProgramCell::kIconSize, ProgramCell::kIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The name label's font under the rows' style sheet, measured once.
    QLabel probe(tree->viewport());
    probe.setObjectName(QStringLiteral("ProgramName"));
    probe.ensurePolished();
    nameMetrics = QFontMetrics(probe.font());

    StopBuildingCells();
    // Sorting once at the end instead of at every insertion.
    tree->setSortingEnabled(false);
    cells.assign(programs.size(), nullptr);
    icons.assign(programs.size(), QPixmap());
    std::vector<CProgramIconLoader::Request> iconRequests;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(programs.size()));
    for (size_t n = 0; n < programs.size(); ++n) {
        const int i = static_cast<int>(n);
        const ProgramText& text = texts[n];
        auto* item = new CProgramTreeItem;
        item->setText(0, text.name);
        item->setData(1, kRecordIndexRole, i);
        item->setText(2, FormatSize(programs[n].sizeBytes));
        item->setText(3, text.version.isEmpty() ? QStringLiteral("-") : text.version);
        item->setData(5, Qt::DisplayRole, qulonglong(programs[n].sizeBytes));
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
        const int i = item->data(1, kRecordIndexRole).toInt();
        const size_t n = static_cast<size_t>(i);
        const QPixmap& icon = icons[n].isNull() ? placeholder : icons[n];
        auto* cell = new ProgramCell(texts[n], i, icon, nameMetrics);
        connect(cell->CheckBox(), &QCheckBox::clicked, this, &CEnumProgramPage::CheckSize);
        tree->setItemWidget(item, 1, cell);
        cells[n] = cell;
        auto* operation = new OperationCell(i);
        connect(operation->TrashButton(), &QPushButton::clicked, this, &CEnumProgramPage::UninstallClicked);
        tree->setItemWidget(item, 4, operation);
    }
    if (!IsBuildingRows()) {
        cellTimer->stop();
        rowsToBuild.clear();
        nextCellRow = 0;
    }
}

void CEnumProgramPage::StopBuildingCells() {
    cellTimer->stop();
    rowsToBuild.clear();
    nextCellRow = 0;
}

void CEnumProgramPage::sectionClickedSlot(int iColumn) {
    // The run's rows keep their places until it ends.
    if (runActive || (iColumn != 1 && iColumn != 2)) return;
    sortOrder = sortOrder == 0 ? 1 : 0;
    ascendingAction->setChecked(sortOrder == 0);
    descendingAction->setChecked(sortOrder == 1);
    lastSortColumn = iColumn == 1 ? 0 : 5;
    tree->sortItems(lastSortColumn, sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CEnumProgramPage::OnSortMenuTriggered(QAction* action) {
    if (runActive) {
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
    if (runActive) return;
    // Right under the sort button, wherever the window is.
    sortMenu->exec(sortButton->mapToGlobal(QPoint(0, sortButton->height() + 4)));
}

void CEnumProgramPage::SearchText(const QString& text) {
    if (runActive) return;
    int shown = 0;
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        const int index = item->data(1, kRecordIndexRole).toInt();
        bool match = text.isEmpty();
        if (!match && index >= 0 && static_cast<size_t>(index) < texts.size()) {
            const ProgramText& t = texts[static_cast<size_t>(index)];
            match = t.name.contains(text, Qt::CaseInsensitive) || t.publisher.contains(text, Qt::CaseInsensitive);
        }
        item->setHidden(!match);
        shown += match ? 1 : 0;
    }
    tree->setHeaderLabels({QStringLiteral("Program Name Order"), tr(" Program Name (%1 programs)").arg(shown),
                           tr("Size"), tr("Version"), tr("Operation"), QStringLiteral("Size Order")});
}

void CEnumProgramPage::CheckSize() {
    auto* box = qobject_cast<QCheckBox*>(sender());
    if (box == nullptr) return;
    if (runActive) {
        // A row the run left alone (after the chosen one of a single run)
        // keeps its tick as it was.
        box->setChecked(!box->isChecked());
        return;
    }
    bool ok = false;
    const int index = box->property("checkindex").toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= programs.size()) return;
    const uint64_t size = programs[static_cast<size_t>(index)].sizeBytes;
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

    const int index = item->data(1, kRecordIndexRole).toInt();
    if (index < 0 || static_cast<size_t>(index) >= programs.size()) return;
    const QString installPath = texts[static_cast<size_t>(index)].installLocation;
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
    if (refreshing || runActive) return;
    refreshing = true;
    statusLabel->clear();
    searchEdit->LineEdit()->clear();
    refreshButton->hide();
    // Nothing may reach the rows while their list is being read again, even
    // if the busy dialog is not modal on some window system.
    tree->setEnabled(false);
    uninstallButton->setEnabled(false);
    iconLoader->Stop();

    auto job = std::make_shared<RefreshJob>();
    refreshJob = job;
    CInventoryService* inventory = service;
    // Like every worker, not kept and not joined; it reports by message and
    // writes only into its own job.
    std::thread([inventory, job]() {
        if (inventory == nullptr) {
            job->error = QStringLiteral("the list cannot be read");
        } else {
            job->ok = inventory->Refresh(&job->programs, &job->error);
            if (job->ok) job->texts = inventory->DisplayTexts(job->programs);
        }
        job->done = true;
        CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
        const uint32_t kind = 0;
        CBPNotifyCentor::instance()->SendMsg(MSG_LIST_REFRESHED, 0, &kind, sizeof kind);
    }).detach();

    CRefreshDlg busy(CUIPublic::instance()->GetMainWindow());
    busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    busy.BuildBusyView();
    busy.exec();
}

void CEnumProgramPage::OnListRefreshed() {
    // Another sender's message while the worker still writes its list: the
    // worker's own message follows.
    if ((refreshJob && !refreshJob->done) || runActive) return;
    std::shared_ptr<RefreshJob> job = std::move(refreshJob);
    refreshJob.reset();
    tree->setEnabled(true);
    refreshButton->show();
    refreshButton->setEnabled(true);
    if (job && !job->ok) {
        // The old list stays, with its ticks; rows that a run held are
        // given back.
        refreshing = false;
        ReleaseRows();
        ShowSelection();
        iconLoader->Stop();
        std::vector<CProgramIconLoader::Request> requests;
        for (size_t i = 0; i < texts.size(); ++i)
            if (!texts[i].displayIcon.isEmpty()) requests.push_back({static_cast<int>(i), texts[i].displayIcon});
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
    if (job) {
        programs = std::move(job->programs);
        texts = std::move(job->texts);
    }
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
    case MSG_LIST_REFRESHED:
        if (MsgPayloadU32(msg, 1) == 0) OnListRefreshed();
        break;
    case MSG_UNINSTALL_STEP_DONE:
        // Only the worker of the program in progress ends its step.
        if (runActive && stepJob && stepJob->done) AdvanceUninstallRun();
        break;
    case MSG_DEEP_CLEAN_STARTED:
        if (runActive && stepJob && stepJob->deepClean && rowStatusLabel != nullptr)
            rowStatusLabel->setText(tr("Deep Clean..."));
        break;
    default:
        break;
    }
    return 0;
}

void CEnumProgramPage::UninstallAllClicked() {
    if (runActive || refreshing) return;
    selectedPrograms.clear();
    selectedIndexes.clear();
    uninstallQueue.clear();
    singleMode = false;
    std::vector<int> ownEntry;
    // Every row in tree order, the ones a search hides included.
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        if (cell == nullptr || !cell->CheckBox()->isChecked()) continue;
        const int index = RecordIndex(item);
        if (index < 0) continue;
        // This uninstaller goes last, so that it does not end the run early.
        if (IsOwnEntry(item))
            ownEntry.push_back(index);
        else
            selectedIndexes.push_back(index);
    }
    selectedIndexes.insert(selectedIndexes.end(), ownEntry.begin(), ownEntry.end());
    for (int index : selectedIndexes)
        selectedPrograms.push_back(programs[static_cast<size_t>(index)]);
    if (selectedPrograms.empty()) return;
    CUIPublic::instance()->SetTotalSize(selectedSize);
    if (ConfirmRun()) StartUninstallRun(false);
}

void CEnumProgramPage::UninstallClicked() {
    // A trash button the run left alone starts nothing while it lasts.
    if (runActive || refreshing) return;
    auto* button = qobject_cast<QPushButton*>(sender());
    if (button == nullptr) return;
    bool ok = false;
    const int index = button->property("uninstallindex").toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= programs.size()) return;
    uninstallQueue.clear();
    singleMode = true;
    singleIndex = index;
    selectedIndexes = {index};
    selectedPrograms = {programs[static_cast<size_t>(index)]};
    CUIPublic::instance()->SetTotalSize(programs[static_cast<size_t>(index)].sizeBytes);
    if (ConfirmRun()) StartUninstallRun(true);
}

void CEnumProgramPage::SetDialogHook(DialogHook hook) {
    DialogHookSlot() = std::move(hook);
}

void CEnumProgramPage::RunModal(QDialog& dialog) {
    if (DialogHookSlot())
        DialogHookSlot()(dialog);
    else
        dialog.exec();
}

int CEnumProgramPage::RecordIndex(QTreeWidgetItem* row) const {
    bool ok = false;
    const int index = row->data(1, kRecordIndexRole).toInt(&ok);
    return ok && index >= 0 && static_cast<size_t>(index) < programs.size() ? index : -1;
}

// This uninstaller's own row: its name holds the main window's title.
bool CEnumProgramPage::IsOwnEntry(const QTreeWidgetItem* row) const {
    const QWidget* window = CUIPublic::instance()->GetMainWindow();
    const QString title = window != nullptr ? window->windowTitle() : QString();
    return !title.isEmpty() && row->text(0).contains(title, Qt::CaseSensitive);
}

bool CEnumProgramPage::ConfirmRun() {
    std::vector<QPixmap> pixmaps;
    for (int index : selectedIndexes)
        pixmaps.push_back(icons[static_cast<size_t>(index)]);
    SelectedIcons iconSource(selectedPrograms, std::move(pixmaps));
    CReadyUninstallDlg dialog(CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetIconSource(&iconSource);
    dialog.SetPrograms(selectedPrograms);
    dialog.Build();
    RunModal(dialog);
    autoRemoveLeftovers = dialog.RemoveLeftovers();
    return dialog.Accepted() == 1;
}

void CEnumProgramPage::StartUninstallRun(bool single) {
    // Every row needs its widgets now: the run shows its progress in them.
    BuildCells(rowsToBuild.size());
    runActive = true;
    refreshButton->setEnabled(false);
    uninstallButton->setEnabled(false);
    sortButton->setEnabled(false);
    searchEdit->setEnabled(false);
    uninstallQueue.clear();
    queuePos = 0;
    currentRow = nullptr;
    ownRow = nullptr;
    removedCount = 0;
    freedBytes = 0;
    notRemovedNames.clear();

    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(item, 4));
        if (cell == nullptr || operation == nullptr) continue;
        cell->CheckBox()->setEnabled(false);
        operation->TrashButton()->hide();
        const int index = cell->CheckBox()->property("checkindex").toInt();
        if (single) {
            if (index != singleIndex) continue;
            operation->StatusLabel()->show();
            if (IsOwnEntry(item)) ownRow = item;
            uninstallQueue.push_back(item);
            break; // the rows after it stay as they are
        }
        if (!cell->CheckBox()->isChecked()) continue;
        if (IsOwnEntry(item))
            ownRow = item; // the last one visited; it goes last
        else
            uninstallQueue.push_back(item);
        // A waiting row shows its status alone: a still picture of the
        // loading animation would look like work in progress.
        operation->StatusLabel()->show();
    }
    if (ownRow != nullptr && (uninstallQueue.empty() || uninstallQueue.back() != ownRow))
        uninstallQueue.push_back(ownRow);
    if (uninstallQueue.empty()) {
        FinishUninstallRun();
        return;
    }
    currentRow = uninstallQueue[static_cast<size_t>(queuePos++)];
    StartCurrentProgram();
}

// The animation and the worker of `currentRow`.
void CEnumProgramPage::StartCurrentProgram() {
    if (!runActive || currentRow == nullptr) return;
    StartProgressAnimation();
    auto job = std::make_shared<StepJob>();
    const int index = RecordIndex(currentRow);
    if (index >= 0) job->program = programs[static_cast<size_t>(index)];
    job->removeLeftovers = autoRemoveLeftovers;
    job->ownEntry = currentRow == ownRow;
    stepJob = job;
    CUninstallService* uninstaller = CUIPublic::instance()->GetUninstallService();
    // Like every worker, not kept and not joined; it reports by message and
    // writes only into its own job.
    std::thread(&CEnumProgramPage::RunCurrentUninstaller, uninstaller, job).detach();
}

void CEnumProgramPage::StartProgressAnimation() {
    animationFrame = 0;
    delete animationTimer;
    animationTimer = new QTimer(this);
    connect(animationTimer, &QTimer::timeout, this, &CEnumProgramPage::onTimeout);
    animationTimer->start(kAnimationIntervalMs);
    auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(currentRow, 4));
    animationLabel = operation != nullptr ? operation->AnimationLabel() : nullptr;
    rowStatusLabel = operation != nullptr ? operation->StatusLabel() : nullptr;
    if (loadingFrames.empty())
        for (int frame = 0; frame < kAnimationFrames; ++frame)
            loadingFrames.emplace_back(QStringLiteral("./Resources/loading/loading_%1.png").arg(frame));
    if (animationLabel != nullptr) {
        animationLabel->setPixmap(loadingFrames[0]);
        animationLabel->show();
    }
    if (rowStatusLabel != nullptr) {
        rowStatusLabel->setText(tr("uninstallling"));
        rowStatusLabel->show();
    }
}

void CEnumProgramPage::onTimeout() {
    if (animationFrame > kAnimationFrames - 1) animationFrame = 0;
    if (animationLabel != nullptr && static_cast<size_t>(animationFrame) < loadingFrames.size())
        animationLabel->setPixmap(loadingFrames[static_cast<size_t>(animationFrame)]);
    ++animationFrame;
}

int CEnumProgramPage::RunCurrentUninstaller(CUninstallService* uninstaller, std::shared_ptr<StepJob> job) {
    CBPNotifyCentor* centre = CBPNotifyCentor::instance();
    if (job->ownEntry) {
        // The main window ends the process a second after this message; in
        // that second this program's own uninstaller is started.
        centre->SendMsg(MSG_QUIT_APP, 0, nullptr, 0);
        if (uninstaller != nullptr) uninstaller->StartOwnUninstaller(job->program);
        return 0;
    }
    if (uninstaller != nullptr) {
        job->report = uninstaller->Uninstall(job->program, job->removeLeftovers, [&](CUninstallStep::Phase phase) {
            if (phase != CUninstallStep::Phase::RemovingLeftovers) return;
            job->deepClean = true;
            centre->SendMsg(MSG_DEEP_CLEAN_STARTED, 0, nullptr, 0);
        });
    } else {
        job->report.outcome = UninstallStepReport::Outcome::BackendFailed;
        job->report.reason = QStringLiteral("the target machine could not be reached");
    }
    if (job->report.outcome == UninstallStepReport::Outcome::BackendFailed) {
        const QByteArray reason = job->report.reason.toUtf8();
        char line[2 * InstalledProgram::kTextSize + 160];
        std::snprintf(line, sizeof line, "uninstall of %.259s: %s.\n", job->program.displayName,
                      reason.left(300).constData());
        LogInfoEx(line);
    }
    job->done = true;
    centre->SendMsg(MSG_UNINSTALL_STEP_DONE, 0, nullptr, 0);
    return 0;
}

void CEnumProgramPage::ReleaseRows() {
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(item, 4));
        if (cell != nullptr) cell->CheckBox()->setEnabled(true);
        if (operation == nullptr) continue;
        operation->TrashButton()->show();
        operation->AnimationLabel()->hide();
        operation->StatusLabel()->hide();
    }
}

void CEnumProgramPage::SetRowOutcome(QTreeWidgetItem* row, bool removed, const QString& why) {
    auto* operation = qobject_cast<OperationCell*>(tree->itemWidget(row, 4));
    if (operation == nullptr) return;
    operation->AnimationLabel()->hide();
    QLabel* status = operation->StatusLabel();
    status->setText(removed ? tr("Finished") : tr("Not removed"));
    status->setToolTip(why);
    const QString look = removed ? QStringLiteral("RowStatus") : QStringLiteral("RowStatusFailed");
    if (status->objectName() != look) {
        status->setObjectName(look);
        status->style()->unpolish(status);
        status->style()->polish(status);
    }
    status->show();
    const int index = RecordIndex(row);
    if (removed) {
        ++removedCount;
        if (index >= 0) freedBytes += programs[static_cast<size_t>(index)].sizeBytes;
    } else if (index >= 0) {
        notRemovedNames << texts[static_cast<size_t>(index)].name;
    }
}

void CEnumProgramPage::AdvanceUninstallRun() {
    const std::shared_ptr<StepJob> job = std::move(stepJob);
    stepJob.reset();
    delete animationTimer;
    animationTimer = nullptr;
    const UninstallStepReport& report = job->report;
    SetRowOutcome(currentRow, report.removed, report.reason);
    animationLabel = nullptr;
    rowStatusLabel = nullptr;

    CUninstallService* uninstaller = CUIPublic::instance()->GetUninstallService();
    if (report.outcome == UninstallStepReport::Outcome::BackendFailed &&
        (uninstaller == nullptr || uninstaller->TargetLost())) {
        // Without the target machine the programs still queued cannot be
        // removed either: they are reported as they are.
        while (static_cast<size_t>(queuePos) < uninstallQueue.size())
            SetRowOutcome(uninstallQueue[static_cast<size_t>(queuePos++)], false, report.reason);
    }
    if (static_cast<size_t>(queuePos) < uninstallQueue.size()) {
        currentRow = uninstallQueue[static_cast<size_t>(queuePos++)];
        // The pause runs on a timer, so that the window keeps painting.
        pauseTimer->start();
        return;
    }
    FinishUninstallRun();
}

void CEnumProgramPage::FinishUninstallRun() {
    animationLabel = nullptr;
    rowStatusLabel = nullptr;
    animationFrame = 0;
    queuePos = 0;
    currentRow = nullptr;
    ownRow = nullptr;
    // The rows are released before the dialog: closing it reads the list
    // again, which may happen while it is still on its way out.
    runActive = false;
    sortButton->setEnabled(true);
    searchEdit->setEnabled(true);

    // Only what was removed counts, and only its size is freed.
    CUIPublic::instance()->SetTotalSize(freedBytes);
    CUninstallRstDlg dialog(CUIPublic::instance()->GetMainWindow());
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetResult(removedCount, 0);
    dialog.SetNotRemoved(notRemovedNames);
    dialog.Build();
    RunModal(dialog);
}
