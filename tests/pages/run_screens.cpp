// Screenshots of an uninstall run (not a test), on an in-memory machine
// with scripted uninstallers:
//   run_screens --out DIR
// Run in bin/ under an X server (Xvfb). Saves confirm.png (the
// confirmation dialog), uninstalling.png and deepclean.png (the row in
// progress), notremoved.png (a cancelled uninstaller's row), result.png
// (the result dialog) and after.png (the list read again); then of a second
// run, waiting.png (a row whose uninstaller shows a window and waits for the
// user) and noneremoved.png (the result when nothing was removed); of the
// list at the start, missing.png (a row whose uninstaller is missing); and
// of a third run with that program, confirmmissing.png (its confirmation),
// resultdetails.png (the result with its "Details" and "Restore..." links),
// details.png (what each clean deleted and kept), restorepoints.png (the
// restore points the cleans left) and restored.png (one put back).
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <future>
#include <memory>

#include "app/UIPublic.h"
#include "pages/EnumProgramPage.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/UninstallRun.h"
#include "shell/MainWin.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/pages/ScreenShot.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/CleanDetailsDlg.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/RestorePointsDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
QString outDir;

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    for (int waited = 0; waited < ms && !done(); waited += 20)
        QTest::qWait(20);
    return done();
}

// Holds the first leftover removal until released.
class HeldCleanCore : public CUninstallerCore {
public:
    using CUninstallerCore::CUninstallerCore;
    Expected<UninstallStepReport, UninstallFailure> Uninstall(const ProgramRecord& record, bool removeLeftovers,
                                                              const PhaseCallback& onPhase,
                                                              bool forceMissing) override {
        return CUninstallerCore::Uninstall(
            record, removeLeftovers,
            [&](Phase phase) {
                if (onPhase) onPhase(phase);
                if (phase == Phase::RemovingLeftovers && !held) {
                    held = true;
                    gate.wait();
                }
            },
            forceMissing);
    }
    std::shared_future<void> gate;
    bool held = false;
};

void Install(MemoryPlatform& machine, const std::string& name, uint32_t kib, const char* publisher, bool removes,
             std::shared_future<void> gate = std::shared_future<void>(), uint32_t windows = 0) {
    const std::string folder = "C:\\Program Files\\" + name;
    const std::string command = "\"" + folder + "\\uninst.exe\"";
    const std::string key = kUninstall + "\\" + name;
    machine.registry.SetString(Hive::LocalMachine, key, "DisplayName", name);
    machine.registry.SetString(Hive::LocalMachine, key, "Publisher", publisher);
    machine.registry.SetString(Hive::LocalMachine, key, "DisplayVersion", "1.0");
    machine.registry.SetString(Hive::LocalMachine, key, "UninstallString", command);
    machine.registry.SetString(Hive::LocalMachine, key, "InstallLocation", folder);
    machine.registry.SetDword(Hive::LocalMachine, key, "EstimatedSize", kib);
    machine.files.CreateFolder(folder);
    machine.files.WriteFile(folder + "\\uninst.exe", "x");
    machine.files.WriteFile(folder + "\\data.bin", "x");
    MemorySystem::ScriptedProcess process;
    process.exitCode = removes ? 0 : 1223;
    process.windows = windows;
    MemoryPlatform* target = &machine;
    process.run = [target, key, folder, removes, gate] {
        if (gate.valid()) gate.wait();
        QThread::msleep(300);
        if (!removes) return;
        target->registry.DeleteKey(Hive::LocalMachine, key);
        target->files.DeleteFile(folder + "\\uninst.exe");
    };
    machine.system.SetProcess(command, process);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args[i] == QLatin1String("--out")) outDir = args[i + 1];
    if (outDir.isEmpty()) outDir = QStringLiteral(".");
    QFile style(QStringLiteral("./QSS/WU.qss"));
    if (style.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(style.readAll()));
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"), {QStringLiteral("Open Sans"), QStringLiteral("Noto Sans")});
    app.setFont(QFont(QStringLiteral("Segoe UI")));

    std::promise<void> runGate, cleanGate, wizardGate;
    auto machine = std::make_unique<MemoryPlatform>();
    MemoryPlatform* target = machine.get();
    for (const char* folder : {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                               "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop"})
        target->files.CreateFolder(folder);
    Install(*target, "Gamma Tools", 48200, "Gamma Software", true, runGate.get_future().share());
    Install(*target, "Beta Player", 2048, "Sound Works", false);
    Install(*target, "Acme Notes", 3500, "Acme Ltd", true);
    Install(*target, "Delta Docs", 12000, "Delta Inc", false, wizardGate.get_future().share(), 1);
    Install(*target, "Epsilon Viewer", 900, "Epsilon", false);
    Install(*target, "Kappa Notes", 5100, "Kappa Labs", true);
    Install(*target, "Zeta Reader", 7300, "Zeta Books", true);
    // Zeta Reader's folder was deleted by hand; its settings and shortcut stay.
    target->files.DeleteFile("C:\\Program Files\\Zeta Reader\\uninst.exe");
    target->files.DeleteFile("C:\\Program Files\\Zeta Reader\\data.bin");
    target->files.RemoveFolder("C:\\Program Files\\Zeta Reader");
    for (const char* file : {"C:\\users\\tester\\AppData\\Roaming\\Zeta Reader\\settings.ini",
                             "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Zeta Reader\\Zeta Reader.lnk",
                             "C:\\users\\tester\\AppData\\Roaming\\Kappa Notes\\settings.ini",
                             "C:\\users\\tester\\AppData\\Roaming\\Kappa Notes\\Beta Player\\shared.ini"}) {
        const std::string path = file;
        target->files.CreateFolder(path.substr(0, path.find_last_of('\\')));
        target->files.WriteFile(path, "x");
    }

    CMainWin window([&machine](std::string*) { return std::unique_ptr<platform::IPlatform>(std::move(machine)); });
    window.setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    HeldCleanCore core(*target);
    core.gate = cleanGate.get_future().share();
    // The deep cleans keep what they remove in a store of their own.
    QTemporaryDir storeFolder;
    target->files.MapDriveOutside("Z:", "/");
    RestoreSettings restore;
    restore.folder = storeFolder.filePath(QStringLiteral("restore"));
    core.SetRestoreSettings(restore);
    CUIPublic::instance()->SetCore(&core);

    CEnumProgramPage* page = window.RightContent()->Tab()->ProgramPage();
    QTreeWidget* tree = page->Tree();
    auto row = [tree](const QString& name) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == name) return tree->topLevelItem(i);
        return static_cast<QTreeWidgetItem*>(nullptr);
    };
    auto status = [tree, &row](const QString& name) {
        return qobject_cast<OperationCell*>(tree->itemWidget(row(name), 4))->StatusLabel()->text();
    };
    auto cell = [tree, &row](const char* name) {
        return qobject_cast<ProgramCell*>(tree->itemWidget(row(QString::fromLatin1(name)), 1));
    };
    const bool marked = WaitFor([&] { return cell("Zeta Reader")->MissingNote()->isVisible(); });
    QTest::qWait(200);
    Shot(outDir, QStringLiteral("missing.png"));
    for (const char* name : {"Gamma Tools", "Beta Player", "Acme Notes"})
        cell(name)->CheckBox()->click();

    // The modal dialogs are photographed and answered from timers.
    QTimer::singleShot(500, &window, [] {
        Shot(outDir, QStringLiteral("confirm.png"));
        if (auto* dialog = qobject_cast<CReadyUninstallDlg*>(QApplication::activeModalWidget())) dialog->OnOKClicked();
    });
    page->UninstallAllClicked();

    WaitFor([&] { return status(QStringLiteral("Gamma Tools")) == QStringLiteral("uninstalling"); });
    QTest::qWait(700);
    Shot(outDir, QStringLiteral("uninstalling.png"));
    runGate.set_value();
    WaitFor([&] { return status(QStringLiteral("Gamma Tools")) == QStringLiteral("Deep Clean..."); });
    Shot(outDir, QStringLiteral("deepclean.png"));

    bool resultShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CUninstallRstDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || resultShown) return;
        resultShown = true;
        Shot(outDir, QStringLiteral("result.png"));
        dialog->close();
    });
    cleanGate.set_value();
    WaitFor([&] { return status(QStringLiteral("Beta Player")) == QStringLiteral("Not removed"); });
    QTest::qWait(200);
    Shot(outDir, QStringLiteral("notremoved.png"));
    poll.start(100);
    WaitFor([&] { return resultShown && !page->IsRefreshing() && !page->IsRunning(); }, 20000);
    QTest::qWait(500);
    Shot(outDir, QStringLiteral("after.png"));

    // The second run: a wizard that waits for the user (its row soon offers
    // "Skip"), then nothing removed.
    page->Run()->SetSkipOfferDelay(1000);
    for (const char* name : {"Delta Docs", "Epsilon Viewer"})
        qobject_cast<ProgramCell*>(tree->itemWidget(row(QString::fromLatin1(name)), 1))->CheckBox()->click();
    QTimer::singleShot(300, &window, [] {
        if (auto* dialog = qobject_cast<CReadyUninstallDlg*>(QApplication::activeModalWidget())) dialog->OnOKClicked();
    });
    page->UninstallAllClicked();
    const bool waited =
        WaitFor([&] { return status(QStringLiteral("Delta Docs")) == QStringLiteral("waiting for your answer"); });
    Shot(outDir, QStringLiteral("waiting.png"));
    auto* waitingCell = qobject_cast<OperationCell*>(tree->itemWidget(row(QStringLiteral("Delta Docs")), 4));
    const bool skipOffered = WaitFor([&] { return waitingCell->SkipButton()->isVisible(); });
    QTest::qWait(200);
    Shot(outDir, QStringLiteral("skip.png"));
    bool noneShown = false;
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CUninstallRstDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || noneShown) return;
        noneShown = true;
        Shot(outDir, QStringLiteral("noneremoved.png"));
        dialog->close();
    });
    wizardGate.set_value();
    WaitFor([&] { return noneShown && !page->IsRefreshing() && !page->IsRunning(); }, 20000);

    // The third run: the entry whose uninstaller is missing, and a program
    // whose settings hold another program's folder; then the details.
    // The list is read again after the result closes; the note comes back
    // once the new rows' icons are in.
    QTest::qWait(500);
    WaitFor([&] { return !page->IsRefreshing() && !page->IsBuildingRows(); });
    WaitFor([&] { return cell("Zeta Reader")->MissingNote()->isVisible(); });
    for (const char* name : {"Zeta Reader", "Kappa Notes"})
        cell(name)->CheckBox()->click();
    QTimer::singleShot(500, &window, [] {
        Shot(outDir, QStringLiteral("confirmmissing.png"));
        if (auto* dialog = qobject_cast<CReadyUninstallDlg*>(QApplication::activeModalWidget())) dialog->OnOKClicked();
    });
    bool detailsShown = false;
    bool restoreShown = false;
    bool resultSeen = false;
    bool resultWithDetails = false;
    QObject::disconnect(&poll, nullptr, nullptr, nullptr);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* details = qobject_cast<CCleanDetailsDlg*>(modal)) {
            if (detailsShown) return;
            detailsShown = true;
            QTest::qWait(200);
            Shot(outDir, QStringLiteral("details.png"));
            details->close();
            return;
        }
        if (auto* points = qobject_cast<CRestorePointsDlg*>(modal)) {
            if (restoreShown) return;
            restoreShown = true;
            QTest::qWait(200);
            Shot(outDir, QStringLiteral("restorepoints.png"));
            if (points->PointTree()->topLevelItemCount() > 0) {
                points->PointTree()->topLevelItem(0)->setSelected(true);
                points->RestoreSelected();
            }
            QTest::qWait(200);
            Shot(outDir, QStringLiteral("restored.png"));
            points->close();
            return;
        }
        auto* dialog = qobject_cast<CUninstallRstDlg*>(modal);
        if (dialog == nullptr) return;
        if (detailsShown && !restoreShown && dialog->RestoreLink() != nullptr) {
            QTimer::singleShot(0, dialog, &CUninstallRstDlg::OpenRestorePoints);
            return;
        }
        if (!resultSeen) {
            resultSeen = true;
            resultWithDetails = dialog->DetailsLink() != nullptr && dialog->RestoreLink() != nullptr;
            Shot(outDir, QStringLiteral("resultdetails.png"));
            // As a click on the link; the poll goes on in the details' loop.
            QTimer::singleShot(0, dialog, &CUninstallRstDlg::OpenDetails);
        } else if (detailsShown && restoreShown) {
            dialog->close();
        }
    });
    page->UninstallAllClicked();
    WaitFor([&] { return restoreShown && !page->IsRefreshing() && !page->IsRunning(); }, 20000);
    CUIPublic::instance()->SetCore(nullptr);
    return resultShown && waited && skipOffered && noneShown && marked && resultWithDetails && detailsShown &&
                   restoreShown
               ? 0
               : 1;
}
