#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include "support/HostPaths.h"

// Writes or removes the two settings files beside the test executable, where
// the program looks for them. Each test executable has a folder of its own.
class TestSettingsFiles {
public:
    TestSettingsFiles() { Clear(); }
    ~TestSettingsFiles() { Clear(); }

    static void Write(const QString& name, const QByteArray& content) {
        const QString path = ExecutableDirectory() + QLatin1Char('/') + name;
        if (content.isNull()) {
            QFile::remove(path);
            return;
        }
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
    }

    static void Clear() {
        Write(QStringLiteral("userconfig"), QByteArray());
        Write(QStringLiteral("uiconfig"), QByteArray());
    }
};
