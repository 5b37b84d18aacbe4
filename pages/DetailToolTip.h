#pragma once

#include "app/BaseDialog.h"

class CBPQtLabel;

// A small frameless panel with four facts about one program: display
// name, version, install time and install path. It hides itself as soon as
// it loses activation. Long texts are cut by the panel's width; the name
// and path labels carry the whole text as their hover tip.
class CDetailToolTip : public CBaseDialog {
    Q_OBJECT
public:
    explicit CDetailToolTip(QWidget* parent = nullptr);

    void SetDetails(const QString& name, const QString& version, const QString& installTime,
                    const QString& installPath);
    void ShowAt(const QPoint& point);

    CBPQtLabel* NameLabel() const { return values[0]; }
    CBPQtLabel* VersionLabel() const { return values[1]; }
    CBPQtLabel* TimeLabel() const { return values[2]; }
    CBPQtLabel* PathLabel() const { return values[3]; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CBPQtLabel* values[4] = {};
};
