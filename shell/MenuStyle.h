#pragma once

#include <QProxyStyle>

// The style of the dark menus: the application's style without a frame
// around the menu panel.
class CMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    CMenuStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
