#pragma once

// The whole screen saved as FOLDER/NAME, once the event loop has drawn what
// is pending (the screenshot programs of the page and of an uninstall run).
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QTest>

inline void Shot(const QString& folder, const QString& name) {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(30);
    }
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + QLatin1Char('/') + name);
}
