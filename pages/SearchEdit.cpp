#include "pages/SearchEdit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "app/RuntimeFiles.h"
#include "widgetlib/Palette.h"

CSearchEdit::CSearchEdit() : QWidget(nullptr) {
    setFixedSize(200, 32);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(0);
    auto* magnifier = new QLabel(this);
    magnifier->setFixedSize(16, 16);
    magnifier->setPixmap(QPixmap(CRuntimeFiles::Path(QStringLiteral("./Resources/icon_search.png"))).scaled(16, 16));
    lineEdit = new QLineEdit(this);
    lineEdit->setFrame(false);
    lineEdit->setObjectName(QStringLiteral("SearchText")); // its look: the page's style sheet
    row->addWidget(magnifier);
    row->addWidget(lineEdit);
    lineEdit->setAccessibleName(tr("Search programs"));
}

void CSearchEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::RenderHint(0x08));
    // A missing picture leaves the box without its background.
    painter.drawPixmap(0, 0, QPixmap(CRuntimeFiles::Path(QStringLiteral("./Resources/searchbox.png"))));
}
