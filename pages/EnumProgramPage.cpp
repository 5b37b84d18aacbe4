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
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
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
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"

namespace {

constexpr int kRecordIndexRole = 256;
// Rows that get their cell widgets in one go: more than a screenful.
constexpr size_t kCellsPerSlice = 40;

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
    if (iColumn != 1 && iColumn != 2) return;
    sortOrder = sortOrder == 0 ? 1 : 0;
    ascendingAction->setChecked(sortOrder == 0);
    descendingAction->setChecked(sortOrder == 1);
    lastSortColumn = iColumn == 1 ? 0 : 5;
    tree->sortItems(lastSortColumn, sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CEnumProgramPage::OnSortMenuTriggered(QAction* action) {
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

void CEnumProgramPage::SortClicked() {
    // Right under the sort button, wherever the window is.
    sortMenu->exec(sortButton->mapToGlobal(QPoint(0, sortButton->height() + 4)));
}

void CEnumProgramPage::SearchText(const QString& text) {
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
    if (refreshing) return;
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
    if (refreshJob && !refreshJob->done) return;
    std::shared_ptr<RefreshJob> job = std::move(refreshJob);
    refreshJob.reset();
    tree->setEnabled(true);
    refreshButton->show();
    refreshButton->setEnabled(true);
    if (job && !job->ok) {
        // The old list stays, with its ticks.
        refreshing = false;
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
    default:
        break;
    }
    return 0;
}

void CEnumProgramPage::UninstallAllClicked() {
    selectedPrograms.clear();
    singleMode = false;
    const QWidget* window = CUIPublic::instance()->GetMainWindow();
    const QString title = window != nullptr ? window->windowTitle() : QString();
    std::vector<InstalledProgram> ownEntry;
    // Every row in tree order, the ones a search hides included.
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        auto* cell = qobject_cast<ProgramCell*>(tree->itemWidget(item, 1));
        if (cell == nullptr || !cell->CheckBox()->isChecked()) continue;
        const int index = item->data(1, kRecordIndexRole).toInt();
        if (index < 0 || static_cast<size_t>(index) >= programs.size()) continue;
        // This uninstaller goes last, so that it does not end the run early.
        if (!title.isEmpty() && item->text(0).contains(title, Qt::CaseSensitive))
            ownEntry.push_back(programs[static_cast<size_t>(index)]);
        else
            selectedPrograms.push_back(programs[static_cast<size_t>(index)]);
    }
    selectedPrograms.insert(selectedPrograms.end(), ownEntry.begin(), ownEntry.end());
    if (selectedPrograms.empty()) return;
    CUIPublic::instance()->SetTotalSize(selectedSize);
    // The confirmation dialog and the run take over from here once they exist.
}

void CEnumProgramPage::UninstallClicked() {
    auto* button = qobject_cast<QPushButton*>(sender());
    if (button == nullptr) return;
    bool ok = false;
    const int index = button->property("uninstallindex").toInt(&ok);
    if (!ok || index < 0 || static_cast<size_t>(index) >= programs.size()) return;
    singleMode = true;
    singleIndex = index;
    selectedPrograms = {programs[static_cast<size_t>(index)]};
    CUIPublic::instance()->SetTotalSize(programs[static_cast<size_t>(index)].sizeBytes);
    // The confirmation dialog and the run take over from here once they exist.
}
