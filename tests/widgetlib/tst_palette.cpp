// The palette: style sheet text filled with its colours, and every colour
// name the shipped style sheets use is one it knows (an unknown one would
// make Qt drop the whole sheet).

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "widgetlib/Palette.h"

class PaletteTest : public QObject {
    Q_OBJECT
private slots:
    void fill_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("filled");
        QTest::newRow("opaque") << "#TopPart{background-color: @Body}"
                                << "#TopPart{background-color: rgb(38,43,65)}";
        QTest::newRow("with alpha") << "color:@SecondaryText;"
                                    << "color:rgba(255,255,255,153);";
        QTest::newRow("a name that starts another") << "@Overlay @OverlayEdge"
                                                    << "rgb(37,43,65) rgb(76,79,80)";
        QTest::newRow("twice, side by side") << "@Highlight@Highlight"
                                             << "rgb(47,51,72)rgb(47,51,72)";
        QTest::newRow("unknown name stays") << "url(./a@2x.png) @Nothing"
                                            << "url(./a@2x.png) @Nothing";
        QTest::newRow("nothing to fill") << ""
                                         << "";
    }
    void fill() {
        QFETCH(QString, sheet);
        QFETCH(QString, filled);
        QCOMPARE(CPalette::Fill(sheet), filled);
    }

    void colours() {
        QCOMPARE(CPalette::Of(CPalette::Body), QColor(38, 43, 65));
        QCOMPARE(CPalette::Of(CPalette::Highlight), QColor(47, 51, 72));
        QCOMPARE(CPalette::Of(CPalette::PrimaryText), QColor(255, 255, 255));
        QCOMPARE(CPalette::Of(CPalette::SecondaryText), QColor(255, 255, 255, 153));
    }

    // Run in bin/, beside the copied style sheets.
    void shippedSheetsNameKnownColours() {
        const QStringList sheets = QDir(QStringLiteral("./QSS")).entryList({QStringLiteral("*.qss")});
        QVERIFY(sheets.contains(QStringLiteral("page.qss")));
        static const QRegularExpression token(QStringLiteral("@[A-Za-z]+"));
        for (const QString& name : sheets) {
            QFile file(QStringLiteral("./QSS/") + name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            const QString filled = CPalette::Fill(QString::fromUtf8(file.readAll()));
            QVERIFY2(!filled.isEmpty(), qPrintable(name));
            QVERIFY2(!token.match(filled).hasMatch(), qPrintable(name + ": " + token.match(filled).captured()));
        }
    }
};

QTEST_MAIN(PaletteTest)
#include "tst_palette.moc"
