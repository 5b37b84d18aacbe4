// The window started from another working directory (a terminal in the home
// folder, a menu entry) still has its pictures and its style: they are
// taken from beside the executable. This test program lies beside the
// built program's Resources/ and QSS/, and runs from an empty folder.
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <set>

#include "app/RuntimeFiles.h"
#include "app/WindowTitle.h"
#include "inventory/AppEnum.h"
#include "pages/EnumProgramPage.h"
#include "shell/MainWin.h"
#include "shell/ProgramLook.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/fake/MemoryPlatform.h"

class StartFolderTest : public QObject {
    Q_OBJECT
private slots:
    void picturesAndStyleFromBesideTheProgram();
};

void StartFolderTest::picturesAndStyleFromBesideTheProgram() {
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QVERIFY(!QFileInfo::exists(QStringLiteral("./QSS/WU.qss")));
    QCOMPARE(CRuntimeFiles::Folder(), QCoreApplication::applicationDirPath());
    CProgramLook::Apply(*qApp);
    QVERIFY(!qApp->styleSheet().isEmpty());

    CMainWin window([](std::string*) {
        auto fake = std::make_unique<MemoryPlatform>();
        const std::string key = std::string(CAppEnum::kUninstallKey) + "\\Alpha";
        fake->registry.SetString(platform::Hive::LocalMachine, key, "DisplayName", "Alpha");
        fake->registry.SetString(platform::Hive::LocalMachine, key, "UninstallString", "C:\\x\\uninst.exe");
        return std::unique_ptr<platform::IPlatform>(std::move(fake));
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.TitleBar()->LogoLabel()->pixmap(Qt::ReturnByValue).isNull());

    // The close button is drawn from its picture, not a blank rectangle.
    const QImage close = window.TitleBar()->CloseButton()->grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < close.height(); ++y)
        for (int x = 0; x < close.width(); ++x)
            colours.insert(close.pixel(x, y));
    QVERIFY2(colours.size() > 2, qPrintable(QString::number(colours.size())));
    QVERIFY(colours.count(qRgb(255, 255, 255)) == 0 || colours.size() > 8);

    // Below the one row the list shows the window's body through its
    // transparent background, as the style sheet asks.
    QTreeWidget* tree = window.RightContent()->Tab()->ProgramPage()->Tree();
    const QPoint inList =
        tree->viewport()->mapTo(&window, QPoint(tree->viewport()->width() / 2, tree->viewport()->height() - 20));
    QCOMPARE(window.grab().toImage().pixelColor(inList), QColor(38, 43, 65));
}

QTEST_MAIN(StartFolderTest)
#include "tst_startfolder.moc"
