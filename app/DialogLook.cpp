#include "app/DialogLook.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidget>

#include "app/RuntimeFiles.h"

namespace DialogLook {

void StyleList(QTreeWidget* tree, const QString& extraRules) {
    tree->setFont(PixelFont(13));
    tree->header()->setFont(PixelFont(13));
    tree->setStyleSheet(CRuntimeFiles::StyleSheet(
        QStringLiteral("QTreeWidget{background:@DialogBody;color:@DialogText;border:1px solid @Raised;}"
                       "QHeaderView::section{background:@Raised;color:@SecondaryText;border:none;padding:2px 6px;}") +
        extraRules));
    tree->verticalScrollBar()->setStyleSheet(CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/vscrollbar.qss")));
    tree->horizontalScrollBar()->setStyleSheet(CRuntimeFiles::ReadStyleSheet(QStringLiteral("./QSS/hscrollbar.qss")));
}

} // namespace DialogLook
