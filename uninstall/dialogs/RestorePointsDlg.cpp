#include "uninstall/dialogs/RestorePointsDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RefreshDlg.h"
#include "app/RuntimeFiles.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

CRestorePointsDlg::CRestorePointsDlg(CRestoreStore* restoreStore, QWidget* parent)
    : CBaseDialog(parent), store(restoreStore) {
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(kWidth, kHeight);
    DialogLook::CentreOverParent(this, parent);
}

void CRestorePointsDlg::Build() {
    auto* content = new QVBoxLayout;
    content->setSpacing(10);
    content->setContentsMargins(16, 10, 16, 0);

    auto* title = new CBPQtLabel(tr("Restore points: what deep cleans removed, ready to be put back"), this);
    title->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(title, CPalette::Of(CPalette::PrimaryText));
    content->addWidget(title);

    pointTree = new QTreeWidget(this);
    pointTree->setObjectName(QStringLiteral("restorePoints"));
    pointTree->setColumnCount(4);
    pointTree->setHeaderLabels({tr("Date"), tr("Programs"), tr("Items"), tr("Size")});
    pointTree->setRootIsDecorated(false);
    pointTree->setFixedSize(kWidth - 32, kHeight - 190);
    pointTree->setColumnWidth(0, 150);
    pointTree->setColumnWidth(1, 380);
    pointTree->setColumnWidth(2, 70);
    pointTree->setSelectionMode(QAbstractItemView::SingleSelection);
    DialogLook::StyleList(pointTree,
                          QStringLiteral("QTreeWidget::item:selected{background:@Raised;color:@PrimaryText;}"));
    content->addWidget(pointTree);

    outcomeLabel = new CBPQtLabel(QString(), this);
    outcomeLabel->setFont(DialogLook::PixelFont(13));
    outcomeLabel->setWordWrap(true);
    outcomeLabel->setFixedWidth(kWidth - 32);
    outcomeLabel->setMinimumHeight(36);
    DialogLook::SetTextColour(outcomeLabel, CPalette::Of(CPalette::SecondaryText));
    content->addWidget(outcomeLabel);

    // A plain button: the look is all in its border images.
    auto* row = new QHBoxLayout;
    row->addStretch();
    restoreButton = new QPushButton(tr("Restore"), this);
    restoreButton->setObjectName(QStringLiteral("restoreButton"));
    restoreButton->setStyleSheet(CRuntimeFiles::StyleSheet(
        QStringLiteral("QPushButton{border-image: url(./Resources/messagebox/btn_pri.png);color:white;}"
                       "QPushButton:hover{border-image: url(./Resources/messagebox/btn_pri_hover.png);}"
                       "QPushButton:pressed{border-image: url(./Resources/messagebox/btn_pri_press.png);}"
                       "QPushButton:disabled{border-image: url(./Resources/messagebox/btn_pri_disable.png);}")));
    restoreButton->setFixedSize(96, 32);
    restoreButton->setFont(DialogLook::PixelFont(16));
    row->addWidget(restoreButton);
    content->addLayout(row);

    connect(restoreButton, &QPushButton::clicked, this, &CRestorePointsDlg::RestoreSelected);
    connect(pointTree, &QTreeWidget::itemSelectionChanged, this, &CRestorePointsDlg::SelectionChanged);
    bodyLayout->addLayout(content);
    Fill();
}

void CRestorePointsDlg::Fill() {
    pointTree->clear();
    const QList<CRestoreStore::Summary> points = store ? store->List() : QList<CRestoreStore::Summary>();
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        const CRestoreStore::Summary& point = *it;
        auto* row = new QTreeWidgetItem(pointTree);
        row->setData(0, Qt::UserRole, point.id);
        if (!point.error.isEmpty()) {
            // Listed so that the user sees it; it cannot be restored.
            row->setText(0, point.id);
            row->setText(1, tr("cannot be read: %1").arg(point.error));
            row->setFlags(row->flags() & ~Qt::ItemIsSelectable);
            row->setForeground(1, CPalette::Of(CPalette::Failure));
            continue;
        }
        row->setText(0, point.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        row->setText(1, point.programs.join(QStringLiteral(", ")));
        row->setText(2, QString::number(point.items));
        row->setText(3, FormatSize(point.size));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        row->setToolTip(1, point.programs.join(QLatin1Char('\n')));
    }
    if (points.isEmpty()) outcomeLabel->setText(tr("There are no restore points."));
    SelectionChanged();
}

void CRestorePointsDlg::SelectionChanged() {
    restoreButton->setEnabled(store != nullptr && !pointTree->selectedItems().isEmpty());
}

QString CRestorePointsDlg::OutcomeText(const CRestoreStore::Outcome& outcome) {
    QStringList parts;
    parts << tr("%n item(s) restored.", nullptr, outcome.restored);
    if (!outcome.existing.isEmpty())
        parts << tr("%n item(s) exist again and were left as they are: %1", nullptr, outcome.existing.size())
                     .arg(outcome.existing.join(QStringLiteral(", ")));
    if (!outcome.failed.isEmpty())
        parts << tr("%n item(s) could not be restored: %1", nullptr, outcome.failed.size())
                     .arg(outcome.failed.join(QStringLiteral(", ")));
    if (!outcome.lost.isEmpty())
        parts << tr("%n item(s) were missing from the store: %1", nullptr, outcome.lost.size())
                     .arg(outcome.lost.join(QStringLiteral(", ")));
    if (outcome.backendFailed) parts << tr("The target machine stopped answering; restore again to finish.");
    return parts.join(QLatin1Char(' '));
}

void CRestorePointsDlg::RestoreSelected() {
    const QList<QTreeWidgetItem*> selected = pointTree->selectedItems();
    if (!store || selected.isEmpty()) return;
    const QString id = selected.front()->data(0, Qt::UserRole).toString();
    // A point of many files takes a while to put back: the window stays
    // responsive meanwhile.
    Expected<CRestoreStore::Outcome, QString> outcome = MakeUnexpected(QString());
    CRestoreStore* points = store;
    CRefreshDlg::ShowWhile(this, [points, id, &outcome]() { outcome = points->Restore(id); });
    const bool clean = outcome && outcome->existing.isEmpty() && outcome->failed.isEmpty() && outcome->lost.isEmpty() &&
                       !outcome->backendFailed;
    Fill();
    outcomeLabel->setText(outcome ? OutcomeText(*outcome) : outcome.Error());
    DialogLook::SetTextColour(outcomeLabel, CPalette::Of(clean ? CPalette::Success : CPalette::Failure));
}

int CRestorePointsDlg::ReceiveMsg(__MsgData msg) {
    // A close message sent before this dialog existed was meant for another.
    if (msg.id == MSG_CLOSE_DLG && closeFence.Passed()) close();
    return 0;
}
