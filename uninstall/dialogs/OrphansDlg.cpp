#include "uninstall/dialogs/OrphansDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/MSGDlg.h"
#include "app/RuntimeFiles.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

COrphansDlg::COrphansDlg(QWidget* parent) : CBaseDialog(parent) {
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(kWidth, kHeight);
    DialogLook::CentreOverParent(this, parent);
}

void COrphansDlg::Build(const QList<OrphanFolder>& folders, const QString& stopReason, Deleter deleteFolders) {
    deleter = std::move(deleteFolders);
    auto* content = new QVBoxLayout;
    content->setSpacing(10);
    content->setContentsMargins(16, 10, 16, 12);

    auto* title = new CBPQtLabel(tr("Leftovers of programs already removed"), this);
    title->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(title, CPalette::Of(CPalette::PrimaryText));
    content->addWidget(title);

    folderTree = new QTreeWidget(this);
    folderTree->setObjectName(QStringLiteral("orphanFolders"));
    folderTree->setColumnCount(3);
    folderTree->setHeaderLabels({tr("Folder"), tr("Size"), tr("Last change")});
    folderTree->setRootIsDecorated(false);
    folderTree->setFixedSize(kWidth - 32, kHeight - 150);
    folderTree->setColumnWidth(0, kWidth - 32 - 250);
    folderTree->setColumnWidth(1, 90);
    folderTree->setSelectionMode(QAbstractItemView::NoSelection);
    // The rows' tick boxes look like every other tick box of the program.
    DialogLook::StyleList(
        folderTree,
        QStringLiteral("QTreeWidget::indicator{width:16px;height:16px;}"
                       "QTreeWidget::indicator:unchecked{image:url(./Resources/checkbox_unchecked.png);}"
                       "QTreeWidget::indicator:unchecked:hover{image:url(./Resources/checkbox_unchecked_hover.png);}"
                       "QTreeWidget::indicator:checked{image:url(./Resources/checkbox_checked.png);}"
                       "QTreeWidget::indicator:checked:hover{image:url(./Resources/checkbox_checked_hover.png);}"));
    content->addWidget(folderTree);

    auto* row = new QHBoxLayout;
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("orphanStatus"));
    status->setWordWrap(true);
    status->setFont(DialogLook::PixelFont(13));
    DialogLook::SetTextColour(status, CPalette::Of(CPalette::SecondaryText));
    row->addWidget(status, 1);
    // A plain button: the look, caption included, is all in its border images.
    deleteButton = new QPushButton(this);
    deleteButton->setObjectName(QStringLiteral("deleteOrphans"));
    deleteButton->setAccessibleName(tr("Delete"));
    deleteButton->setStyleSheet(CRuntimeFiles::StyleSheet(
        QStringLiteral("QPushButton{border-image: url(./Resources/messagebox/btn_delete.png);}"
                       "QPushButton:hover{border-image: url(./Resources/messagebox/btn_delete_hover.png);}"
                       "QPushButton:pressed{border-image: url(./Resources/messagebox/btn_delete_press.png);}"
                       "QPushButton:disabled{border-image: url(./Resources/messagebox/btn_delete_disable.png);}")));
    deleteButton->setFixedSize(96, 32);
    deleteButton->setFont(DialogLook::PixelFont(16));
    row->addWidget(deleteButton);
    content->addLayout(row);
    bodyLayout->addLayout(content);

    connect(deleteButton, &QPushButton::clicked, this, &COrphansDlg::OnDeleteClicked);
    connect(folderTree, &QTreeWidget::itemChanged, this, &COrphansDlg::OnTickChanged);
    Fill(folders);
    if (!stopReason.isEmpty()) status->setText(tr("Nothing can be offered: %1").arg(stopReason));
}

void COrphansDlg::Fill(const QList<OrphanFolder>& folders) {
    const QSignalBlocker blocker(folderTree);
    folderTree->clear();
    for (const OrphanFolder& folder : folders) {
        auto* item = new QTreeWidgetItem(
            folderTree, {folder.path, folder.size < 0 ? QStringLiteral("?") : FormatSize(folder.size),
                         folder.LastChangeUtc().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setToolTip(0, folder.path);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (folders.isEmpty())
        status->setText(tr("No folder is left behind by a removed program."));
    else if (folders.size() == 1)
        status->setText(tr("1 folder that no installed program claims. Tick it to delete it."));
    else
        status->setText(tr("%1 folders that no installed program claims. Tick those to delete.").arg(folders.size()));
    OnTickChanged();
}

QStringList COrphansDlg::Ticked() const {
    QStringList paths;
    for (int i = 0; i < folderTree->topLevelItemCount(); ++i)
        if (folderTree->topLevelItem(i)->checkState(0) == Qt::Checked) paths << folderTree->topLevelItem(i)->text(0);
    return paths;
}

void COrphansDlg::OnTickChanged() {
    deleteButton->setEnabled(!Ticked().isEmpty() && deleter);
}

void COrphansDlg::OnDeleteClicked() {
    const QStringList paths = Ticked();
    if (paths.isEmpty() || !deleter) return;
    CMSGDlg confirm(600, 300, this);
    confirm.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    confirm.SetContent(CMSGDlg::MsgKindWarning,
                       paths.size() == 1 ? tr("Delete %1 and everything in it?").arg(paths.front())
                                         : tr("Delete the %1 ticked folders and everything in them?").arg(paths.size()),
                       CMSGDlg::BtnModeYesNo);
    // A long path wraps instead of widening the box.
    if (confirm.TextLabel() != nullptr) confirm.TextLabel()->setMaximumWidth(600 - 150);
    if (confirm.exec() != CMSGDlg::ResultOK) return;
    QString summary;
    Fill(deleter(paths, &summary));
    status->setText(summary);
}

int COrphansDlg::ReceiveMsg(__MsgData msg) {
    // A close message sent before this dialog existed was meant for another.
    if (msg.id == MSG_CLOSE_DLG && closeFence.Passed()) close();
    return 0;
}
