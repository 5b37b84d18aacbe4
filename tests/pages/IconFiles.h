#pragma once

// Program icons on Windows come from the toolkit's file icon provider, asked
// about the real file on the disk (not from the machine the core reads), so
// the Windows tests of the page give their programs real files.
#include <QColor>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QString>

// A 32x32 icon file of one colour.
inline bool WriteIconFile(const QString& path, const QColor& colour) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    return QImageWriter(path, "ico").write(image);
}

// A file that stands in for a program (no icon resources of its own).
inline bool WriteProgramFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("MZ") == 2;
}

// What the provider draws for the file at the rows' size: on a desktop the
// file's own icon, on the offscreen platform its style's generic file
// picture whatever the file holds.
inline QPixmap ProviderPicture(const QString& path) {
    return QFileIconProvider().icon(QFileInfo(path)).pixmap(32, 32);
}
