#include "shell/MenuStyle.h"

CMenuStyle::CMenuStyle() : QProxyStyle() {}

int CMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (metric == PM_MenuPanelWidth) return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
