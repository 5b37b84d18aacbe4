#include "uninstall/dialogs/CleanDetailsDlg.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

CCleanDetailsDlg::CCleanDetailsDlg(QWidget* parent) : CBaseDialog(parent) {
    RegisterMsg(MSG_CLOSE_DLG);
    closesOnEnter = true;
    setFixedSize(kWidth, kHeight);
    DialogLook::CentreOverParent(this, parent);
}

QString CCleanDetailsDlg::KindText(int32_t kind) {
    switch (kind) {
    case LeftoverFile:
        return tr("file");
    case LeftoverFolder:
        return tr("folder");
    case LeftoverRegistry:
        return tr("registry");
    case LeftoverMuiCacheValue:
        return tr("program name cache");
    case LeftoverLinuxDesktopFile:
        return tr("Linux menu entry");
    default:
        return QString::number(kind);
    }
}

QString CCleanDetailsDlg::KeptText(int32_t because) {
    switch (because) {
    case KeptClaimedByOther:
        return tr("claimed by another program");
    case KeptKnownFolder:
        return tr("a known folder");
    case KeptBehindLink:
        return tr("behind a link");
    case KeptOutsideMachine:
        return tr("outside the machine");
    default:
        return tr("could not decide");
    }
}

void CCleanDetailsDlg::Build() {
    auto* content = new QVBoxLayout;
    content->setSpacing(10);
    content->setContentsMargins(16, 10, 16, 0);

    auto* title = new CBPQtLabel(tr("What the deep clean deleted and kept"), this);
    title->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(title, CPalette::Of(CPalette::PrimaryText));
    content->addWidget(title);

    itemTree = new QTreeWidget(this);
    itemTree->setObjectName(QStringLiteral("cleanDetails"));
    itemTree->setColumnCount(4);
    itemTree->setHeaderLabels({tr("What"), tr("Kind or reason"), tr("Path or key"), tr("Size")});
    itemTree->setFixedSize(kWidth - 32, kHeight - 120);
    itemTree->setColumnWidth(0, 110);
    itemTree->setColumnWidth(1, 190);
    // The path takes what the other columns leave, so that no row scrolls.
    itemTree->header()->setStretchLastSection(false);
    itemTree->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    itemTree->setColumnWidth(3, 90);
    itemTree->setSelectionMode(QAbstractItemView::NoSelection);
    DialogLook::StyleList(itemTree);

    for (const CleanDetails& program : details) {
        auto* top = new QTreeWidgetItem(itemTree);
        top->setFirstColumnSpanned(true);
        QStringList counts;
        counts << tr("%n deleted", nullptr, program.deleted.size());
        if (!program.notDeleted.isEmpty()) counts << tr("%n not deleted", nullptr, program.notDeleted.size());
        counts << tr("%n kept", nullptr, program.kept.size());
        QString heading =
            program.programName + QStringLiteral("  (") + counts.join(QStringLiteral(", ")) + QLatin1Char(')');
        if (program.uninstallerMissing) heading += QStringLiteral("  ") + tr("uninstaller missing: entry removed");
        top->setText(0, heading);
        auto add = [top](const QString& what, const QString& kindOrReason, const QString& path, const QString& tip,
                         CPalette::Role colour) {
            auto* item = new QTreeWidgetItem(top, {what, kindOrReason, path});
            item->setToolTip(2, tip.isEmpty() ? path : tip);
            item->setForeground(0, CPalette::Of(colour));
            return item;
        };
        for (const LeftoverItem& item : program.deleted) {
            QTreeWidgetItem* row =
                add(tr("Deleted"), KindText(item.kind), AsWritten(item).displayText, QString(), CPalette::Success);
            if (item.size < 0) continue;
            row->setText(3, FormatSize(uint64_t(item.size)));
            row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        }
        for (const LeftoverItem& item : program.notDeleted)
            add(tr("Not deleted"), KindText(item.kind), AsWritten(item).displayText, QString(), CPalette::Failure);
        for (const SkippedLeftover& skip : program.kept)
            add(tr("Kept"), KeptText(skip.because), skip.path, skip.path + QStringLiteral("\n") + skip.reason,
                CPalette::SecondaryText);
        if (!program.stopReason.isEmpty())
            top->setToolTip(0, tr("Nothing of it was collected: %1").arg(program.stopReason));
        top->setExpanded(true);
    }
    content->addWidget(itemTree);
    bodyLayout->addLayout(content);
}

int CCleanDetailsDlg::ReceiveMsg(__MsgData msg) {
    // A close message sent before this dialog existed was meant for another.
    if (msg.id == MSG_CLOSE_DLG && closeFence.Passed()) close();
    return 0;
}
