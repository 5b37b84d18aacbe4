// The whole program on a Wine prefix: three NSIS programs whose
// uninstallers relaunch themselves from the temp folder and work for a few
// seconds are ticked and removed in one run with the leftover removal on;
// an unrelated program whose name holds one of theirs stays as it was.
// The prefix is in $WINEPREFIX (set up by the CTest fixture).
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "app/BaseDialog.h"
#include "pages/EnumProgramPage.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/UninstallRun.h"
#include "platform/Platform.h"
#include "shell/MainWin.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPQtLabel.h"

namespace {

const QStringList kRemoved{"Cobalt Draw", "Birch Player", "Acme Notes"};
const QString kUnrelated = QStringLiteral("Acme Notes Lite");

// Where a program's files are on the Linux side of the prefix.
struct Places {
    QString installFolder;
    QString programFile;
    QStringList leftovers; // what its uninstaller leaves and the clean removes
};

Places PlacesOf(const QString& prefix, const QString& name, const QString& exe) {
    const QString c = prefix + QStringLiteral("/drive_c");
    Places places;
    places.installFolder = c + QStringLiteral("/Program Files/") + name;
    places.programFile = places.installFolder + QLatin1Char('/') + exe;
    places.leftovers << places.installFolder + QStringLiteral("/user.cfg")
                     << c + QStringLiteral("/ProgramData/") + name + QStringLiteral("/library.db")
                     << c + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/") + name
                     << c + QStringLiteral("/users/Public/Desktop/") + name + QStringLiteral(".lnk");
    // The roaming AppData of the user Wine runs as.
    for (const QString& user : QDir(c + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public"))
            places.leftovers << c + QStringLiteral("/users/") + user + QStringLiteral("/AppData/Roaming/") + name +
                                    QStringLiteral("/settings.ini");
    return places;
}

// The window's platform: the Wine client on the test's prefix.
CMainWin::PlatformFactory PrefixPlatform(const QString& prefix) {
    return [prefix](std::string* error) {
        platform::PlatformOptions options;
        options.winePrefix = prefix.toStdString();
        return platform::CreatePlatform(options, error);
    };
}

bool Exists(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

} // namespace

class UninstallRunWineTest : public QObject {
    Q_OBJECT

private slots:
    void threeRelaunchingProgramsAreRemovedWithTheirLeftovers();
    void cancelledUninstallerLeavesItsProgramAlone();
    void windowsInstallerPackageIsRemovedThroughWindowsInstaller();
};

void UninstallRunWineTest::threeRelaunchingProgramsAreRemovedWithTheirLeftovers() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    QVERIFY2(QDir(prefix).exists(), "WINEPREFIX names no prefix");
    const QMap<QString, QString> exes{{"Cobalt Draw", "draw.exe"},
                                      {"Birch Player", "player.exe"},
                                      {"Acme Notes", "notes.exe"},
                                      {kUnrelated, "notes-lite.exe"}};
    for (auto it = exes.cbegin(); it != exes.cend(); ++it) {
        const Places places = PlacesOf(prefix, it.key(), it.value());
        QVERIFY2(Exists(places.programFile), qPrintable(places.programFile));
        for (const QString& path : places.leftovers)
            QVERIFY2(Exists(path), qPrintable(path));
    }

    // The dialogs are answered as a user would: OK with the box ticked.
    int confirmations = 0;
    bool boxTickedByDefault = false;
    int results = 0;
    QString resultText;
    bool notRemovedLine = false;
    QMap<QString, QString> statusAtResult;
    CEnumProgramPage* page = nullptr;
    QTreeWidget* tree = nullptr;
    auto operation = [&](const QString& name) -> OperationCell* {
        for (int row = 0; tree != nullptr && row < tree->topLevelItemCount(); ++row)
            if (tree->topLevelItem(row)->text(0) == name)
                return qobject_cast<OperationCell*>(tree->itemWidget(tree->topLevelItem(row), 4));
        return nullptr;
    };
    CBaseDialog::SetAnswerer([&](CBaseDialog& dialog) {
        if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) {
            ++confirmations;
            boxTickedByDefault = confirm->LeftoverCheckBox()->isChecked();
            confirm->OnOKClicked();
        } else if (auto* result = qobject_cast<CUninstallRstDlg*>(&dialog)) {
            ++results;
            resultText = result->ResultLabel()->text();
            notRemovedLine = result->NotRemovedLabel() != nullptr;
            for (const QString& name : kRemoved)
                statusAtResult[name] = operation(name) ? operation(name)->StatusLabel()->text() : QString();
            result->done(0);
        } else {
            return false;
        }
        return true;
    });

    {
        CMainWin window(PrefixPlatform(prefix));
        QVERIFY2(window.StartupError().isEmpty(), qPrintable(window.StartupError()));
        window.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
        window.show();
        page = window.RightContent()->Tab()->ProgramPage();
        tree = page->Tree();
        QTRY_VERIFY(!page->IsBuildingRows());
        QStringList names;
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            names << tree->topLevelItem(row)->text(0);
        for (const QString& name : exes.keys())
            QVERIFY2(names.contains(name), qPrintable(name));

        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            if (kRemoved.contains(tree->topLevelItem(row)->text(0)))
                qobject_cast<ProgramCell*>(tree->itemWidget(tree->topLevelItem(row), 1))->CheckBox()->click();

        // What each row shows while the run goes on.
        QMap<QString, QStringList> shown;
        bool animated = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!page->IsRunning()) return;
            for (const QString& name : kRemoved) {
                OperationCell* cell = operation(name);
                if (cell == nullptr || cell->StatusLabel()->isHidden()) continue;
                const QString text = cell->StatusLabel()->text();
                if (shown[name].isEmpty() || shown[name].last() != text) shown[name] << text;
            }
            animated = animated || page->Run()->CurrentState().animationFrame > 5;
        });
        watch.start(20);

        page->UninstallButton()->click();
        QCOMPARE(confirmations, 1);
        QVERIFY(boxTickedByDefault);
        // QTRY_* go on for twice the time-out to tell what would have been
        // enough: three times it stays within QtTest's five minutes a case.
        QTRY_VERIFY_WITH_TIMEOUT(
            results == 1 && !page->IsRunning() && !page->IsRefreshing() && page->RefreshButton()->isEnabled(), 90000);
        watch.stop();

        for (const QString& name : kRemoved) {
            QCOMPARE(statusAtResult.value(name), QStringLiteral("Finished"));
            // Each row waits, then animates through the whole uninstaller and
            // its leftover removal.
            QVERIFY2(shown[name].contains(QStringLiteral("uninstalling")), qPrintable(shown[name].join('|')));
            const int clean = shown[name].indexOf(QStringLiteral("Deep Clean..."));
            QVERIFY2(clean < 0 || shown[name].indexOf(QStringLiteral("uninstalling")) < clean,
                     qPrintable(shown[name].join('|')));
        }
        QVERIFY(animated);
        QCOMPARE(resultText, CUninstallRstDlg::ResultText(3, 3 * 2048ull * 1024));
        QVERIFY(!notRemovedLine);

        // The list was read again: the three are gone, the other stays.
        names.clear();
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            names << tree->topLevelItem(row)->text(0);
        for (const QString& name : kRemoved)
            QVERIFY2(!names.contains(name), qPrintable(name));
        QVERIFY(names.contains(kUnrelated));
        CBaseDialog::SetAnswerer(nullptr);
    }

    for (auto it = exes.cbegin(); it != exes.cend(); ++it) {
        const Places places = PlacesOf(prefix, it.key(), it.value());
        const bool removed = kRemoved.contains(it.key());
        QVERIFY2(Exists(places.programFile) != removed, qPrintable(places.programFile));
        QVERIFY2(Exists(places.installFolder) != removed, qPrintable(places.installFolder));
        for (const QString& path : places.leftovers)
            QVERIFY2(Exists(path) != removed, qPrintable(path));
        if (!removed) continue;
        // The work was done by the uninstaller's copy, which had finished.
        QFile log(prefix + QStringLiteral("/drive_c/TolvanireRunLog/") + QString(it.key()).remove(' ') +
                  QStringLiteral(".txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("end"));
    }
}

namespace {

// One program removed from its row's trash button, the leftover box left
// ticked: what its row and the result dialog said, and whether the list
// read afterwards still holds it.
struct SingleRun {
    QString status;
    QString resultText;
    QString notRemoved;
    bool listedAfter = false;
};

void RunFromTrashButton(const QString& prefix, const QString& name, SingleRun* run) {
    // The answerer goes with this run, also when a check ends it early.
    struct AnswererReset {
        ~AnswererReset() { CBaseDialog::SetAnswerer(nullptr); }
    } reset;
    int results = 0;
    QTreeWidget* tree = nullptr;
    auto operation = [&]() -> OperationCell* {
        for (int row = 0; tree != nullptr && row < tree->topLevelItemCount(); ++row)
            if (tree->topLevelItem(row)->text(0) == name)
                return qobject_cast<OperationCell*>(tree->itemWidget(tree->topLevelItem(row), 4));
        return nullptr;
    };
    CBaseDialog::SetAnswerer([&](CBaseDialog& dialog) {
        if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) {
            confirm->OnOKClicked();
        } else if (auto* result = qobject_cast<CUninstallRstDlg*>(&dialog)) {
            ++results;
            run->resultText = result->ResultLabel()->text();
            run->notRemoved = result->NotRemovedLabel() ? result->NotRemovedLabel()->text() : QString();
            run->status = operation() ? operation()->StatusLabel()->text() : QString();
            result->done(0);
        } else {
            return false;
        }
        return true;
    });
    CMainWin window(PrefixPlatform(prefix));
    QVERIFY2(window.StartupError().isEmpty(), qPrintable(window.StartupError()));
    window.show();
    CEnumProgramPage* page = window.RightContent()->Tab()->ProgramPage();
    tree = page->Tree();
    QTRY_VERIFY(!page->IsBuildingRows());
    QVERIFY(operation() != nullptr);
    operation()->TrashButton()->click();
    // A wait that does not end says what it still waits for (the tool tip
    // of the row's "Skip").
    QTRY_VERIFY2_WITH_TIMEOUT(results == 1 && !page->IsRunning() && !page->IsRefreshing() &&
                                  page->RefreshButton()->isEnabled(),
                              qPrintable(operation() ? operation()->StatusLabel()->text() + QStringLiteral("; ") +
                                                           operation()->SkipButton()->toolTip()
                                                     : QStringLiteral("the row is gone")),
                              90000);
    run->listedAfter = operation() != nullptr;
}

} // namespace

// Runs after the first: Quill Writer was no part of that run.
void UninstallRunWineTest::cancelledUninstallerLeavesItsProgramAlone() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    const QString name = QStringLiteral("Quill Writer");
    const Places places = PlacesOf(prefix, name, QStringLiteral("quill.exe"));
    QVERIFY2(Exists(places.programFile), qPrintable(places.programFile));
    for (const QString& path : places.leftovers)
        QVERIFY2(Exists(path), qPrintable(path));

    SingleRun run;
    RunFromTrashButton(prefix, name, &run);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(run.status, QStringLiteral("Not removed"));
    QCOMPARE(run.resultText, CUninstallRstDlg::ResultText(0, 0));
    QVERIFY2(run.notRemoved.contains(name), qPrintable(run.notRemoved));
    // Read again, it is still there.
    QVERIFY(run.listedAfter);
    QVERIFY(Exists(places.programFile));
    for (const QString& path : places.leftovers)
        QVERIFY2(Exists(path), qPrintable(path));
}

// "Linden Viewer" is a Windows Installer package whose entry's command only
// reconfigures it ("MsiExec.exe /I{...}"); its runtime folder below its
// publisher's is written here, as the program would write it.
void UninstallRunWineTest::windowsInstallerPackageIsRemovedThroughWindowsInstaller() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    const QString c = prefix + QStringLiteral("/drive_c");
    const QString installFolder = c + QStringLiteral("/Program Files (x86)/Linden Viewer");
    QVERIFY2(Exists(installFolder + QStringLiteral("/readme.txt")), qPrintable(installFolder));
    QString runtimeFolder;
    for (const QString& user : QDir(c + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public"))
            runtimeFolder = c + QStringLiteral("/users/") + user + QStringLiteral("/AppData/Roaming/Fernhill Software");
    QVERIFY(QDir().mkpath(runtimeFolder + QStringLiteral("/Linden Viewer")));
    QFile settings(runtimeFolder + QStringLiteral("/Linden Viewer/viewer.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[view]\n");
    settings.close();

    SingleRun run;
    RunFromTrashButton(prefix, QStringLiteral("Linden Viewer"), &run);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(run.status, QStringLiteral("Finished"));
    QCOMPARE(run.resultText, CUninstallRstDlg::ResultText(1, 0));
    QVERIFY(!run.listedAfter);
    QVERIFY2(!Exists(installFolder), qPrintable(installFolder));
    QVERIFY2(!Exists(runtimeFolder), qPrintable(runtimeFolder));
}

QTEST_MAIN(UninstallRunWineTest)
#include "tst_uninstallrun_wine.moc"
