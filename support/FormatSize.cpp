#include "include/FormatSize.h"

QString FormatSize(uint64_t bytes) {
    if (bytes == 0) return QStringLiteral("-");
    constexpr double kKiB = 1024.0;
    constexpr double kMiB = 1048576.0;
    constexpr double kGiB = 1073741824.0;
    const double value = double(bytes);
    // QString::number formats without the locale: a point, no grouping.
    if (value > kGiB) return QStringLiteral("%1 GB").arg(QString::number(value / kGiB, 'f', 2));
    if (value > kMiB) return QStringLiteral("%1 MB").arg(QString::number(value / kMiB, 'f', 2));
    return QStringLiteral("%1 KB").arg(QString::number(value / kKiB, 'f', 2));
}
