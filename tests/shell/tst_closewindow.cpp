// Closing the main window while an uninstall run holds an uninstaller: the
// close asks, "Yes" lets the program in progress end and starts no other,
// the result is shown and only then does the window close; and a window
// destroyed while a worker is still in the core it owns waits for that
// worker first (run under ASan, a use after free would fail the test).
#include <QApplication>
#include <QCheckBox>
#include <QTreeWidget>
#include <QtTest>
#include <future>
#include <memory>
#include <thread>

#include "app/BaseDialog.h"
#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "pages/EnumProgramPage.h"
#include "pages/ProgramCell.h"
#include "shell/MainWin.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPNotifyCentor.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Command(const std::string& name) {
    return "\"C:\\Program Files\\" + name + "\\uninst.exe\"";
}

// A machine with two programs; the first one's uninstaller waits for `gate`.
std::unique_ptr<MemoryPlatform> Machine(std::shared_future<void> gate) {
    auto machine = std::make_unique<MemoryPlatform>();
    MemoryPlatform* target = machine.get();
    for (const std::string name : {"Beta Player", "Alpha Editor"}) {
        const std::string key = kUninstall + "\\" + name;
        target->registry.SetString(Hive::LocalMachine, key, "DisplayName", name);
        target->registry.SetString(Hive::LocalMachine, key, "UninstallString", Command(name));
        MemorySystem::ScriptedProcess process;
        process.run = [target, key, gate, name] {
            if (name == "Beta Player") gate.wait();
            target->registry.DeleteKey(Hive::LocalMachine, key);
        };
        target->system.SetProcess(Command(name), process);
    }
    return machine;
}

struct Window {
    explicit Window(std::shared_future<void> gate) {
        auto machine = Machine(gate);
        target = machine.get();
        window = std::make_unique<CMainWin>(
            [&machine](std::string*) { return std::unique_ptr<platform::IPlatform>(std::move(machine)); });
        window->setWindowTitle(QStringLiteral("Tolvanire Uninstaller"));
        window->show();
        page = window->RightContent()->Tab()->ProgramPage();
    }
    // Ticks both programs and starts the run.
    void StartRun() {
        QTreeWidget* tree = page->Tree();
        QTRY_VERIFY(!page->IsBuildingRows());
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            qobject_cast<ProgramCell*>(tree->itemWidget(tree->topLevelItem(row), 1))->CheckBox()->click();
        page->UninstallAllClicked();
        QVERIFY(page->IsRunning());
    }
    MemoryPlatform* target = nullptr;
    std::unique_ptr<CMainWin> window;
    CEnumProgramPage* page = nullptr;
};

} // namespace

class CloseWindowTest : public QObject {
    Q_OBJECT
private:
    int questions = 0;
    int results = 0;
    int answer = CMSGDlg::ResultOK;

private slots:
    void init() {
        questions = results = 0;
        CBaseDialog::SetAnswerer([this](CBaseDialog& dialog) {
            if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) {
                confirm->OnOKClicked();
            } else if (auto* box = qobject_cast<CMSGDlg*>(&dialog)) {
                ++questions;
                answer == CMSGDlg::ResultOK ? box->OKClicked() : box->CancelClicked();
            } else if (auto* result = qobject_cast<CUninstallRstDlg*>(&dialog)) {
                ++results;
                result->done(0);
            } else {
                return false;
            }
            return true;
        });
    }
    void cleanup() {
        CBaseDialog::SetAnswerer(nullptr);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
    }

    void closeAsksAndWaitsForTheCurrentProgram_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes: stop after it, then close") << true;
        QTest::newRow("no: the run goes on") << false;
    }
    void closeAsksAndWaitsForTheCurrentProgram() {
        QFETCH(bool, yes);
        answer = yes ? CMSGDlg::ResultOK : CMSGDlg::ResultCancel;
        std::promise<void> release;
        Window w(release.get_future().share());
        w.StartRun();
        QTRY_COMPARE(w.target->system.Started().size(), size_t(1));

        // The window system's close, as Alt+F4 sends it.
        QVERIFY(!w.window->close());
        QVERIFY(w.window->isVisible());
        QCOMPARE(questions, 1);
        QTest::qWait(300);
        QVERIFY(w.window->isVisible());
        release.set_value();
        if (yes) {
            QTRY_VERIFY_WITH_TIMEOUT(!w.window->isVisible(), 10000);
            QCOMPARE(results, 1);
            QTest::qWait(1300); // longer than the pause between two programs
            QCOMPARE(w.target->system.Started(), std::vector<std::string>{Command("Beta Player")});
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(results == 1 && !w.page->IsRunning() && !w.page->IsRefreshing(), 10000);
            QVERIFY(w.window->isVisible());
            QCOMPARE(w.target->system.Started().size(), size_t(2));
        }
        w.window.reset();
    }

    // However the window goes (a session that ends), a worker still in the
    // core is waited for before the core goes.
    void destroyedWindowWaitsForTheWorker() {
        std::promise<void> release;
        Window w(release.get_future().share());
        w.StartRun();
        QTRY_COMPARE(w.target->system.Started().size(), size_t(1));
        std::thread opener([&release] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            release.set_value();
        });
        w.window.reset();
        opener.join();
    }
};

QTEST_MAIN(CloseWindowTest)
#include "tst_closewindow.moc"
