#include "pages/ProgramCell.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QVariant>

#include "inventory/ProgramRecord.h"

QString ProgramCell::RowStyleSheet() {
    return QStringLiteral("QLabel#ProgramName{font-size:14px; font-weight: 500; color:rgb(255,255,255);}"
                          "QLabel#ProgramPublisher{font-size:12px;color:rgba(255,255,255,153);}"
                          "QPushButton#TrashButton{border-image: url(./Resources/icon_trash.png);}"
                          "QPushButton#TrashButton:hover{border-image: url(./Resources/icon_trash_hover.png);}"
                          "QPushButton#TrashButton:pressed{border-image: url(./Resources/icon_trash_press.png);}"
                          "QLabel#RowStatus{font-size:12px; color:rgba(255,255,255,153);}"
                          "QLabel#RowStatusFailed{font-size:12px; color:rgb(230,92,92);}");
}

ProgramCell::ProgramCell(const ProgramText& text, int index, const QPixmap& icon, const QFontMetrics& nameMetrics,
                         QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(48);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 0, 15, 0);
    row->setSpacing(0);
    row->setAlignment(Qt::AlignLeft);

    // Created in child order, each with this widget as parent.
    checkBox = new QCheckBox(this);
    checkBox->setProperty("checkindex", index);
    iconLabel = new QLabel(this);
    iconLabel->setFixedSize(kIconSize, kIconSize);
    iconLabel->setPixmap(icon);
    nameLabel = new QLabel(this);
    publisherLabel = new QLabel(this);

    nameLabel->setObjectName(QStringLiteral("ProgramName"));
    nameLabel->setText(nameMetrics.elidedText(text.name, Qt::ElideRight, kNameWidth));
    publisherLabel->setObjectName(QStringLiteral("ProgramPublisher"));
    publisherLabel->setText(text.publisher);

    row->addWidget(checkBox);
    row->addSpacing(8);
    row->addWidget(iconLabel);
    row->addSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(0);
    texts->addWidget(nameLabel, 0, Qt::AlignBottom);
    texts->addWidget(publisherLabel, 0, Qt::AlignTop);
    row->addLayout(texts);
}
