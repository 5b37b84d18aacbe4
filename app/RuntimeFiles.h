#pragma once

#include <QString>

// Where the program's pictures and style sheets are: the folders
// "Resources" and "QSS" of DataDirectory() (support/HostPaths.h: beside the
// executable, or in the data folder of an installed Linux program),
// whatever the working directory. The windows name these files as
// "./Resources/..." and "./QSS/...", and the style sheets their pictures as
// url(./Resources/...); these helpers turn such a name into the file's place.
class CRuntimeFiles {
public:
    // The folder that holds Resources/ and QSS/, with '/' separators.
    static QString Folder();

    // "./Resources/Logo.ico" or "Resources/Logo.ico": the file in Folder().
    // Any other path is returned as it is.
    static QString Path(const QString& name);

    // `sheet` with every url(./...) turned into the quoted full path, so
    // that a folder with blanks or quotes in its name stays one url, and
    // every "@Role" colour filled in from the palette (CPalette::Fill).
    static QString StyleSheet(const QString& sheet);

    // The style sheet file `name` ("./QSS/WU.qss"), its urls and colours
    // resolved as by StyleSheet; empty (and a line in the log) when it
    // cannot be read.
    static QString ReadStyleSheet(const QString& name);

    // Tests: Folder() is `folder` instead (empty: DataDirectory() again),
    // so that a test can give the windows pictures of its own.
    static void SetFolderForTesting(const QString& folder);
};
