#include "pages/ProgramCell.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QVariant>

#include "app/ElidedLabel.h"
#include "app/RuntimeFiles.h"
#include "inventory/ProgramRecord.h"

ProgramCell::ProgramCell(const ProgramText& text, int index, const QPixmap& icon, QWidget* parent) : QWidget(parent) {
    setFixedHeight(48);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 0, kDetailsReserve, 0);
    row->setSpacing(0);

    // Created in child order, each with this widget as parent.
    checkBox = new QCheckBox(this);
    checkBox->setProperty("checkindex", index);
    checkBox->setAccessibleName(text.name);
    iconLabel = new QLabel(this);
    iconLabel->setFixedSize(kIconSize, kIconSize);
    iconLabel->setPixmap(icon);
    nameLabel = new CElidedLabel(Qt::ElideRight, this);
    publisherLabel = new CElidedLabel(Qt::ElideRight, this);
    missingNote = new QLabel(tr("uninstaller missing"), this);
    missingNote->setObjectName(QStringLiteral("MissingNote"));
    missingNote->setToolTip(tr("Its uninstaller file is gone. Uninstalling removes its entry and its leftovers."));
    missingNote->hide();

    nameLabel->setObjectName(QStringLiteral("ProgramName"));
    nameLabel->SetFullText(text.name);
    publisherLabel->setObjectName(QStringLiteral("ProgramPublisher"));
    publisherLabel->SetFullText(text.publisher);

    row->addWidget(checkBox);
    row->addSpacing(8);
    row->addWidget(iconLabel);
    row->addSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(0);
    texts->addWidget(nameLabel, 0, Qt::AlignBottom);
    auto* under = new QHBoxLayout;
    under->setContentsMargins(0, 0, 0, 0);
    under->setSpacing(8);
    under->addWidget(missingNote, 0, Qt::AlignTop);
    under->addWidget(publisherLabel, 1, Qt::AlignTop);
    texts->addLayout(under);
    row->addLayout(texts, 1);
}

void ProgramCell::SetUninstallerMissing(bool missing) {
    missingNote->setVisible(missing);
}
