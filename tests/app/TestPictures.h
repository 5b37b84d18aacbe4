#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>
#include <utility>
#include <vector>

// Pictures the windows load from "./Resources", each a flat, distinct colour
// so that a test can tell from a label's pixmap which file it shows.
inline const std::vector<std::pair<QString, QColor>>& TestPictures() {
    static const std::vector<std::pair<QString, QColor>> pictures = {
        {QStringLiteral("tip_suc.png"), QColor(0, 200, 0)},
        {QStringLiteral("tip_warnning.png"), QColor(250, 200, 0)},
        {QStringLiteral("tip_ok.png"), QColor(0, 120, 250)},
        {QStringLiteral("tip_failed.png"), QColor(230, 30, 30)},
        {QStringLiteral("loading.png"), QColor(90, 20, 160)},
        {QStringLiteral("titlebar_logo.png"), QColor(255, 255, 255)},
    };
    return pictures;
}

inline QColor TestPictureColour(const QString& name) {
    for (const auto& picture : TestPictures())
        if (picture.first == name) return picture.second;
    return QColor();
}

// Writes the pictures into dir/Resources; the test then makes dir current.
inline bool WriteTestPictures(const QString& dir) {
    if (!QDir(dir).mkpath(QStringLiteral("Resources"))) return false;
    for (const auto& picture : TestPictures()) {
        const bool splash = picture.first == QStringLiteral("loading.png");
        QImage image(splash ? 600 : 64, splash ? 370 : 64, QImage::Format_ARGB32);
        image.fill(picture.second);
        if (!image.save(dir + QStringLiteral("/Resources/") + picture.first)) return false;
    }
    return true;
}
