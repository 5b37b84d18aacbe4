#include "pages/OperationCell.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVariant>

#include "app/RuntimeFiles.h"

OperationCell::OperationCell(int index, const QString& name, QWidget* parent) : QWidget(parent) {
    setFixedHeight(48);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(5);

    trashButton = new QPushButton(this);
    trashButton->setFixedSize(16, 16);
    // Its border images come from the page's style sheet (QSS/page.qss).
    trashButton->setObjectName(QStringLiteral("TrashButton"));
    trashButton->setProperty("uninstallindex", index);
    trashButton->setAccessibleName(tr("Uninstall %1").arg(name));
    animationLabel = new QLabel(this);
    animationLabel->setPixmap(QPixmap(CRuntimeFiles::Path(QStringLiteral("./Resources/loading/loading_0.png"))));
    // Its place stays when it is hidden, so that "waiting", the running
    // texts and "Finished" all start at the same point.
    QSizePolicy keepPlace = animationLabel->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    animationLabel->setSizePolicy(keepPlace);
    animationLabel->hide();
    statusLabel = new QLabel(tr("waiting"), this);
    statusLabel->setObjectName(QStringLiteral("RowStatus"));
    statusLabel->hide();
    skipButton = new QPushButton(tr("Skip"), this);
    skipButton->setObjectName(QStringLiteral("SkipButton"));
    skipButton->setCursor(Qt::PointingHandCursor);
    skipButton->setAccessibleName(tr("Stop waiting for the uninstaller of %1").arg(name));
    skipButton->hide();

    row->addWidget(trashButton);
    row->addWidget(animationLabel);
    row->addWidget(statusLabel);
    row->addWidget(skipButton);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
}
