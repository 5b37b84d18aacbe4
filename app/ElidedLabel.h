#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, cut with "…"
// (at the end, or in the middle for a path), and offers the whole text as
// its tool tip while it is cut. It takes the width its layout gives it and
// never asks for more.
class CElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    QString FullText() const { return fullText; }
    bool IsElided() const { return text() != fullText; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Elide();

    Qt::TextElideMode mode;
    QString fullText;
};
