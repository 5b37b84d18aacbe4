// The batch's own cost (not a test; prints figures):
//   tolvanire_run_bench [--programs N]
// Runs a batch of N (20) programs whose uninstallers end at once, on the
// in-memory machine, with their leftovers removed, through the command line's
// run and through the window's run on the offscreen platform, and reports
// each run's own time per program: the wall time less the one-second pauses
// the window makes between two programs (the command line makes none).
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "app/BaseDialog.h"
#include "app/UIPublic.h"
#include "cli/CliUninstall.h"
#include "inventory/InventoryService.h"
#include "pages/EnumProgramPage.h"
#include "pages/ProgramCell.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"

using platform::Hive;

namespace {

constexpr double kPauseMs = 1000;

// N programs, each with a folder, a data file and settings in AppData, whose
// uninstallers delete their key and themselves at once.
std::unique_ptr<MemoryPlatform> Machine(int count, QStringList* names) {
    auto machine = std::make_unique<MemoryPlatform>();
    MemoryPlatform* target = machine.get();
    for (const char* folder : {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                               "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop"})
        target->files.CreateFolder(folder);
    for (int i = 0; i < count; ++i) {
        const std::string name = "Program " + std::to_string(100 + i);
        const std::string folder = "C:\\Program Files\\" + name;
        const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
        const std::string command = "\"" + folder + "\\uninst.exe\"";
        target->registry.SetString(Hive::LocalMachine, key, "DisplayName", name);
        target->registry.SetString(Hive::LocalMachine, key, "UninstallString", command);
        target->registry.SetString(Hive::LocalMachine, key, "InstallLocation", folder);
        target->files.CreateFolder(folder);
        target->files.WriteFile(folder + "\\uninst.exe", "x");
        target->files.WriteFile(folder + "\\data.bin", "x");
        target->files.CreateFolder("C:\\users\\tester\\AppData\\Roaming\\" + name);
        target->files.WriteFile("C:\\users\\tester\\AppData\\Roaming\\" + name + "\\settings.ini", "x");
        MemorySystem::ScriptedProcess process;
        process.run = [target, key, folder] {
            target->registry.DeleteKey(Hive::LocalMachine, key);
            target->files.DeleteFile(folder + "\\uninst.exe");
        };
        target->system.SetProcess(command, process);
        *names << QString::fromStdString(name);
    }
    return machine;
}

double CliRunMs(int count) {
    QStringList names;
    auto machine = Machine(count, &names);
    QString discard;
    QTextStream out(&discard), err(&discard);
    CUninstallerCore core(*machine);
    CCliUninstall command(core, out, err);
    CCliUninstall::Options options;
    options.names = names;
    options.clean = true;
    QElapsedTimer timer;
    timer.start();
    const cli::ExitCode status = command.Run(options);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (status != cli::ExitCode::Success)
        std::fprintf(stderr, "the command line's run ended with %d\n", static_cast<int>(status));
    return ms;
}

double WindowRunMs(int count) {
    QStringList names;
    auto machine = Machine(count, &names);
    CUninstallerCore core(*machine);
    CInventoryService inventory(*machine);
    CUIPublic::instance()->SetPrograms(core.Records().Value());
    CUIPublic::instance()->SetCore(&core);
    CUIPublic::instance()->SetInventoryService(&inventory);
    auto host = std::make_unique<QWidget>();
    host->resize(960, 640);
    auto* page = new CEnumProgramPage(0);
    host->setLayout(page);
    host->show();
    while (page->IsBuildingRows())
        QApplication::processEvents();

    QElapsedTimer timer;
    double ms = -1;
    CBaseDialog::SetAnswerer([&](CBaseDialog& dialog) {
        if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) {
            confirm->OnOKClicked();
            timer.start(); // the run starts once it is confirmed
        } else if (auto* result = qobject_cast<CUninstallRstDlg*>(&dialog)) {
            ms = timer.nsecsElapsed() / 1e6;
            result->done(1);
        } else {
            return false;
        }
        return true;
    });
    QTreeWidget* tree = page->Tree();
    for (int row = 0; row < tree->topLevelItemCount(); ++row)
        qobject_cast<ProgramCell*>(tree->itemWidget(tree->topLevelItem(row), 1))->CheckBox()->click();
    page->UninstallAllClicked();
    while (ms < 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    CBaseDialog::SetAnswerer(nullptr);
    while (page->IsRefreshing() || page->IsRunning())
        QApplication::processEvents();
    host.reset();
    CUIPublic::instance()->SetCore(nullptr);
    CUIPublic::instance()->SetInventoryService(nullptr);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int count = 20;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args[i] == QLatin1String("--programs")) count = args[i + 1].toInt();
    if (count < 1) count = 20;

    const double cli = CliRunMs(count);
    std::printf("command line: %d programs in %.0f ms, %.1f ms per program\n", count, cli, cli / count);
    const double window = WindowRunMs(count);
    const double own = window - (count - 1) * kPauseMs;
    std::printf("window: %d programs in %.0f ms; less %d pauses of 1 s: %.0f ms, %.1f ms per program\n", count, window,
                count - 1, own, own / count);
    return 0;
}
