// The pictures and style sheets the build puts beside the program: every
// file the windows name exists, loads, has the size its button or label
// is drawn at, and has a sharp "@2x" twin where a style sheet shows it.
#include <QIcon>
#include <QImageReader>
#include <QMovie>
#include <QtTest>

namespace {

QString RuntimeFile(const QString& relative) {
    return QStringLiteral(TOLVANIRE_RUNTIME_DIR "/") + relative;
}

bool IsBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 0) return false;
    return true;
}

} // namespace

class ResourcesTest : public QObject {
    Q_OBJECT
private slots:
    void picture_data();
    void picture();
    void animation_data();
    void animation();
    void rowAnimationFrames();
    void windowIcon();
    void styleSheets();
};

void ResourcesTest::picture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    for (const char* name : {"close", "menu", "minimize", "maximize", "restore"})
        for (const char* state : {"normal", "hover", "press", "disable"})
            QTest::newRow(qPrintable(QStringLiteral("%1_%2").arg(name, state)))
                << QStringLiteral("Resources/%1_%2.png").arg(name, state) << QSize(40, 32);
    const QStringList fourStates{"", "_hover", "_press", "_disable"};
    for (const QString& state : fourStates) {
        QTest::newRow(qPrintable("btn_pri" + state))
            << "Resources/messagebox/btn_pri" + state + ".png" << QSize(96, 32);
        QTest::newRow(qPrintable("btn_sec" + state))
            << "Resources/messagebox/btn_sec" + state + ".png" << QSize(96, 32);
        QTest::newRow(qPrintable("btn_delete" + state))
            << "Resources/messagebox/btn_delete" + state + ".png" << QSize(96, 32);
        QTest::newRow(qPrintable("btn_pril" + state))
            << "Resources/messagebox/btn_pril" + state + ".png" << QSize(128, 32);
        QTest::newRow(qPrintable("btn_uninstall" + state))
            << "Resources/btn_uninstall" + state + ".png" << QSize(144, 32);
    }
    for (const char* state : {"normal", "hover", "press", "disable"})
        QTest::newRow(qPrintable(QStringLiteral("refresh_%1").arg(state)))
            << QStringLiteral("Resources/refresh_%1.png").arg(state) << QSize(16, 16);
    for (const char* name : {"sortby", "sortby_hover", "sortby_press"})
        QTest::newRow(name) << QStringLiteral("Resources/%1.png").arg(name) << QSize(74, 20);
    for (const char* name : {"icon_trash", "icon_trash_hover", "icon_trash_press", "icon_search"})
        QTest::newRow(name) << QStringLiteral("Resources/%1.png").arg(name) << QSize(16, 16);
    for (const char* name : {"tip_suc", "tip_warnning", "tip_ok", "tip_failed"})
        QTest::newRow(name) << QStringLiteral("Resources/%1.png").arg(name) << QSize(64, 64);
    QTest::newRow("splash") << "Resources/loading.png" << QSize(600, 370);
    QTest::newRow("search box") << "Resources/searchbox.png" << QSize(200, 32);
    QTest::newRow("Logo128") << "Resources/Logo128.png" << QSize(128, 128);
    QTest::newRow("logo") << "Resources/logo.png" << QSize(80, 80);
    QTest::newRow("titlebar_logo") << "Resources/titlebar_logo.png" << QSize(32, 32);
    QTest::newRow("Installer") << "Resources/Installer.png" << QSize(32, 32);
    QTest::newRow("Success") << "Resources/Success.png" << QSize(96, 96);
    QTest::newRow("Failure") << "Resources/Failure.png" << QSize(96, 96);
    for (const char* name : {"checkbox_checked", "checkbox_unchecked", "checkbox_checked_disable",
                             "checkbox_unchecked_disable", "checkbox_checked_hover", "checkbox_unchecked_hover"})
        QTest::newRow(name) << QStringLiteral("Resources/%1.png").arg(name) << QSize(16, 16);
}

void ResourcesTest::picture() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(RuntimeFile(path));
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY2(!IsBlank(image), "nothing drawn");

    QString twin = path;
    twin.replace(QLatin1String(".png"), QLatin1String("@2x.png"));
    const QImage hidpi(RuntimeFile(twin));
    QVERIFY2(!hidpi.isNull(), qPrintable(twin));
    QCOMPARE(hidpi.size(), size * 2);
}

void ResourcesTest::animation_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("busy dialog") << "Resources/loading_b.gif";
    QTest::newRow("update check") << "Resources/check_update.gif";
}

void ResourcesTest::animation() {
    QFETCH(QString, path);
    QMovie movie(RuntimeFile(path));
    QVERIFY2(movie.isValid(), qPrintable(path));
    QVERIFY(movie.frameCount() > 1);
    QImageReader reader(RuntimeFile(path));
    QCOMPARE(reader.loopCount(), -1); // endless
}

void ResourcesTest::rowAnimationFrames() {
    // A row cycles through frames 0 to 49, 100 ms each.
    QImage previous;
    for (int i = 0; i < 50; ++i) {
        const QImage frame(RuntimeFile(QStringLiteral("Resources/loading/loading_%1.png").arg(i)));
        QVERIFY2(!frame.isNull(), qPrintable(QString::number(i)));
        QCOMPARE(frame.size(), QSize(16, 16));
        QVERIFY2(frame != previous, "two neighbouring frames are the same picture");
        previous = frame;
    }
    QVERIFY(!QFile::exists(RuntimeFile(QStringLiteral("Resources/loading/loading_50.png"))));
}

void ResourcesTest::windowIcon() {
    const QIcon icon(RuntimeFile(QStringLiteral("Resources/Logo.ico")));
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(256, 256)));
}

void ResourcesTest::styleSheets() {
    for (const char* name : {"QSS/WU.qss", "QSS/vscrollbar.qss", "QSS/hscrollbar.qss"}) {
        QFile file(RuntimeFile(QString::fromLatin1(name)));
        QVERIFY2(file.open(QIODevice::ReadOnly), name);
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY2(text.count(QLatin1Char('{')) == text.count(QLatin1Char('}')), name);
        // Every picture a sheet names is there.
        const QRegularExpression url(QStringLiteral("url\\(\\./([^)]+)\\)"));
        for (auto it = url.globalMatch(text); it.hasNext();) {
            const QString picture = it.next().captured(1);
            QVERIFY2(QFile::exists(RuntimeFile(picture)), qPrintable(picture));
        }
    }
}

QTEST_MAIN(ResourcesTest)
#include "tst_resources.moc"
