#include "app/ElidedLabel.h"

#include <QEvent>

CElidedLabel::CElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode(mode) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void CElidedLabel::SetFullText(const QString& text) {
    fullText = text;
    Elide();
}

QSize CElidedLabel::minimumSizeHint() const {
    return QSize(0, QLabel::minimumSizeHint().height());
}

void CElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void CElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // The style sheet sets the font after the text: measure again.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) Elide();
}

void CElidedLabel::Elide() {
    const QString shown = fontMetrics().elidedText(fullText, mode, width());
    if (shown != text()) setText(shown);
    setToolTip(shown != fullText ? fullText : QString());
}
