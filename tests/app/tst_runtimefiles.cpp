// The program's pictures and style sheets are named "./Resources/..." and
// "./QSS/..." and found in the program's folder; a style sheet's relative
// urls become full, quoted paths, whatever the folder's name holds.
#include <QtTest>

#include "app/RuntimeFiles.h"

class RuntimeFilesTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { CRuntimeFiles::SetFolderForTesting(QString()); }
    void path_data();
    void path();
    void styleSheet_data();
    void styleSheet();
};

void RuntimeFilesTest::path_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("./Resources") << "./Resources/Logo.ico"
                                 << "/opt/tu/Resources/Logo.ico";
    QTest::newRow("Resources") << "Resources/loading/loading_3.png"
                               << "/opt/tu/Resources/loading/loading_3.png";
    QTest::newRow("./QSS") << "./QSS/WU.qss"
                           << "/opt/tu/QSS/WU.qss";
    QTest::newRow("any other file stays") << "/usr/share/x.png"
                                          << "/usr/share/x.png";
    QTest::newRow("a relative one too") << "notes/x.png"
                                        << "notes/x.png";
}

void RuntimeFilesTest::path() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    CRuntimeFiles::SetFolderForTesting(QStringLiteral("/opt/tu"));
    QCOMPARE(CRuntimeFiles::Path(name), expected);
}

void RuntimeFilesTest::styleSheet_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/opt/tu"
                           << "A{border-image: url(./Resources/a.png);}"
                           << "A{border-image: url(\"/opt/tu/Resources/a.png\");}";
    QTest::newRow("several, quoted and spaced")
        << "/opt/tu"
        << "A{image:url( './Resources/a.png' )}B{image:url(\"./Resources/b.png\")}"
        << "A{image:url(\"/opt/tu/Resources/a.png\")}B{image:url(\"/opt/tu/Resources/b.png\")}";
    QTest::newRow("blanks in the folder") << "/home/u/Program Files"
                                          << "A{image:url(./Resources/a.png)}"
                                          << "A{image:url(\"/home/u/Program Files/Resources/a.png\")}";
    // A backslash is a separator on Windows (where no name holds a quote),
    // and part of the name on Linux.
#ifdef Q_OS_WIN
    const QString escapedFolder = QStringLiteral("/tmp/a\\\"b/c");
#else
    const QString escapedFolder = QStringLiteral("/tmp/a\\\"b\\\\c");
#endif
    QTest::newRow("quote and backslash in the folder") << "/tmp/a\"b\\c"
                                                       << "A{image:url(./Resources/a.png)}"
                                                       << "A{image:url(\"" + escapedFolder + "/Resources/a.png\")}";
    QTest::newRow("other urls stay") << "/opt/tu"
                                     << "A{image:url(/x/a.png)}B{image:url(:/qrc.png)}"
                                     << "A{image:url(/x/a.png)}B{image:url(:/qrc.png)}";
}

void RuntimeFilesTest::styleSheet() {
    QFETCH(QString, folder);
    QFETCH(QString, sheet);
    QFETCH(QString, expected);
    CRuntimeFiles::SetFolderForTesting(folder);
    QCOMPARE(CRuntimeFiles::StyleSheet(sheet), expected);
}

QTEST_MAIN(RuntimeFilesTest)
#include "tst_runtimefiles.moc"
