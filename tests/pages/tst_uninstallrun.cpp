// The uninstall run of the program page against the in-memory machine with
// scripted uninstallers: one program after another with the pause between
// them, what the rows show, who gets a leftover removal, the honest result,
// this uninstaller's own entry, single runs and a page that stays as it is
// while a run holds its rows.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>

#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "inventory/AppEnum.h"
#include "inventory/InventoryService.h"
#include "pages/EnumProgramPage.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramIconLoader.h"
#include "pages/SearchEdit.h"
#include "pages/UninstallRun.h"
#include "support/Log.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/pages/IconFiles.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/CleanDetailsDlg.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"

using platform::Hive;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
#ifdef _WIN32
const QByteArray kLogLineEnd = "\r\n"; // the log file takes the platform's line ends
#else
const QByteArray kLogLineEnd = "\n";
#endif
const QString kOwnTitle = QStringLiteral("Tolvanire Uninstaller");

// What a program's uninstaller does when it runs.
enum class Behaviour {
    Removes,      // deletes its key and itself, leaves its data behind
    Cancels,      // the user cancels: everything stays
    FailsToStart, // its command cannot be started
    BackendDies,  // the target machine is lost while it runs
    FolderGone,   // its install folder, uninstaller and all, was deleted by hand
};

struct Program {
    Program(QString name = QString(), uint32_t sizeKiB = 0, Behaviour behaviour = Behaviour::Removes,
            bool ticked = true, bool icon = false, QString alsoRemoves = QString())
        : name(std::move(name)), sizeKiB(sizeKiB), behaviour(behaviour), ticked(ticked), icon(icon),
          alsoRemoves(std::move(alsoRemoves)) {}
    QString name;
    uint32_t sizeKiB = 0;
    Behaviour behaviour = Behaviour::Removes;
    bool ticked = true;
    bool icon = false;      // a red icon of its own
    QString alsoRemoves;    // a suite: its uninstaller removes this program too
    uint32_t windows = 0;   // its uninstaller shows a window while it runs
    bool neverEnds = false; // its first process runs on until the wait stops
};

std::string Folder(const QString& name) {
    return "C:\\Program Files\\" + name.toStdString();
}
std::string Command(const QString& name) {
    return "\"" + Folder(name) + "\\uninst.exe\"";
}
std::string AppData(const QString& name) {
    return "C:\\users\\tester\\AppData\\Roaming\\" + name.toStdString();
}

// When each scripted uninstaller ran.
struct Timeline {
    struct Span {
        QString name;
        Clock::time_point start, end;
    };
    void Add(const Span& span) {
        std::lock_guard<std::mutex> lock(mutex);
        spans.push_back(span);
    }
    std::vector<Span> Spans() {
        std::lock_guard<std::mutex> lock(mutex);
        return spans;
    }
    std::mutex mutex;
    std::vector<Span> spans;
};

// Holds a step at the start of its leftover removal until the test opens
// the gate, so that the row can be seen in "Deep Clean...".
class GatedCore : public CUninstallerCore {
public:
    using CUninstallerCore::CUninstallerCore;
    Expected<UninstallStepReport, UninstallFailure> Uninstall(const ProgramRecord& record, bool removeLeftovers,
                                                              const PhaseCallback& onPhase,
                                                              bool forceMissing) override {
        ++active;
        Expected<UninstallStepReport, UninstallFailure> result = CUninstallerCore::Uninstall(
            record, removeLeftovers,
            [&](Phase phase) {
                if (onPhase) onPhase(phase);
                if (phase == Phase::RemovingLeftovers && cleanGate.valid()) cleanGate.wait();
            },
            forceMissing);
        --active;
        return result;
    }
    bool StartOwnUninstaller(const ProgramRecord& record, QString* why) override {
        ++active;
        const bool started = CUninstallerCore::StartOwnUninstaller(record, why);
        --active;
        return started;
    }
    std::shared_future<void> cleanGate;
    std::atomic<int> active{0}; // workers inside the core
};

// Counts the run's messages that the page does not own.
class MessageRecorder : public CBPMsgReceiver {
public:
    std::function<void()> onQuit;
    MessageRecorder() {
        SetNotifyCentor(CBPNotifyCentor::instance());
        RegisterMsg(MSG_DEEP_CLEAN_STARTED);
        RegisterMsg(MSG_QUIT_APP);
        RegisterMsg(MSG_UNINSTALL_STEP_DONE);
    }
    int ReceiveMsg(__MsgData msg) override {
        if (msg.id == MSG_DEEP_CLEAN_STARTED) ++deepClean;
        if (msg.id == MSG_QUIT_APP) {
            ++quit;
            if (onQuit) onQuit();
        }
        if (msg.id == MSG_UNINSTALL_STEP_DONE) ++stepDone;
        return 0;
    }
    int deepClean = 0;
    int quit = 0;
    int stepDone = 0;
};

// What the dialogs of a run showed, and how the confirmation is answered.
struct Dialogs {
    enum class Answer { OkTicked, OkCleared, Cancel };
    Answer answer = Answer::OkTicked;
    int confirmations = 0;
    QStringList confirmedNames;
    QStringList confirmedNotes; // the notes of rows whose uninstaller is missing
    QList<QColor> confirmedIcons;
    int results = 0;
    QString resultTitle;
    QString resultText;
    QString notRemovedText;
    QStringList details;                   // the rows of the result's details: "program: what|kind|path"
    QMap<QString, QString> statusAtResult; // row texts when the result dialog opened; "-": none shown
    QMap<QString, QString> statusAtFirstResult;
    int boxAnswer = CMSGDlg::ResultOK; // of every message box
    QStringList boxes;                 // their texts
};

// Gives the program a red icon of its own: on Windows a real file, which the
// page's file icon provider is asked about; elsewhere an icon the in-memory
// machine draws for the program's file.
void GiveRedIcon(MemoryPlatform& platform, const QTemporaryDir& iconFiles, const QString& name,
                 const std::string& key) {
#ifdef _WIN32
    const QString icon = QDir::toNativeSeparators(iconFiles.filePath(name + QStringLiteral(".ico")));
    QVERIFY(WriteIconFile(icon, Qt::red));
    platform.registry.SetString(Hive::LocalMachine, key, "DisplayIcon", icon.toStdString());
#else
    Q_UNUSED(iconFiles);
    const std::string exe = Folder(name) + "\\program.exe";
    platform.files.CreateFolder(Folder(name));
    platform.files.WriteFile(exe, "data");
    platform.registry.SetString(Hive::LocalMachine, key, "DisplayIcon", exe);
    platform::IconImage red;
    red.width = red.height = 32;
    for (int i = 0; i < 32 * 32; ++i)
        red.pixels += std::string{char(0), char(0), char(255), char(255)};
    platform.files.SetIcon(exe, 0, red);
#endif
}

// The in-memory machine with the programs installed, the core, and one
// page in a host widget that stands in for the main window.
struct Env {
    explicit Env(const QList<Program>& list) {
        for (const char* folder : {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                                   "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop"})
            platform.files.CreateFolder(folder);
        for (const Program& p : list) {
            Install(p);
            installed << p.name;
        }
        service = std::make_unique<CInventoryService>(platform, cache.path());
        uninstaller = std::make_unique<GatedCore>(platform);
        CUIPublic::instance()->SetPrograms(uninstaller->Records().Value());
        CUIPublic::instance()->SetInventoryService(service.get());
        CUIPublic::instance()->SetCore(uninstaller.get());
        host = std::make_unique<QWidget>();
        host->setWindowTitle(kOwnTitle);
        host->resize(960, 560);
        CUIPublic::instance()->SetMainWindow(host.get());
        page = new CEnumProgramPage(0);
        host->setLayout(page);
        host->show();
        CBaseDialog::SetAnswerer([this](CBaseDialog& dialog) { return Answer(dialog); });
        QTRY_VERIFY(!page->IsBuildingRows());
        for (const Program& p : list)
            if (p.ticked) Cell(p.name)->CheckBox()->click();
    }
    ~Env() {
        // A test that failed half-way may leave a worker behind (its gate
        // opens when the test's promise goes): it must be out of the
        // machine before the machine goes; a wait with no end is skipped.
        uninstaller->SkipWait();
        QTRY_COMPARE_WITH_TIMEOUT(uninstaller->active.load(), 0, 10000);
        CBaseDialog::SetAnswerer(nullptr);
        host.reset();
        CUIPublic::instance()->SetMainWindow(nullptr);
        CUIPublic::instance()->SetCore(nullptr);
        CUIPublic::instance()->SetInventoryService(nullptr);
    }

    void File(const std::string& path) {
        platform.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
        platform.files.WriteFile(path, "data");
    }
    bool Exists(const std::string& path) {
        uint32_t attributes = 0;
        return platform.files.GetAttributes(path, &attributes) == platform::kErrorSuccess;
    }
    bool Registered(const QString& name) {
        return platform.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\" + name.toStdString());
    }

    void Install(const Program& p) {
        const std::string key = kUninstall + "\\" + p.name.toStdString();
        platform.registry.SetString(Hive::LocalMachine, key, "DisplayName", p.name.toStdString());
        platform.registry.SetString(Hive::LocalMachine, key, "UninstallString", Command(p.name));
        platform.registry.SetString(Hive::LocalMachine, key, "InstallLocation", Folder(p.name));
        if (p.sizeKiB != 0) platform.registry.SetDword(Hive::LocalMachine, key, "EstimatedSize", p.sizeKiB);
        if (p.icon) GiveRedIcon(platform, iconFiles, p.name, key);
        File(AppData(p.name) + "\\settings.ini");
        if (p.behaviour == Behaviour::FolderGone) {
            MemorySystem::ScriptedProcess process;
            process.startError = 2; // ERROR_FILE_NOT_FOUND
            platform.system.SetProcess(Command(p.name), process);
            return;
        }
        File(Folder(p.name) + "\\uninst.exe");
        File(Folder(p.name) + "\\data.bin");
        if (p.behaviour == Behaviour::FailsToStart) {
            MemorySystem::ScriptedProcess process;
            process.startError = 2; // ERROR_FILE_NOT_FOUND
            platform.system.SetProcess(Command(p.name), process);
            return;
        }
        MemorySystem::ScriptedProcess process;
        process.exitCode = p.behaviour == Behaviour::Cancels ? 1223 : 0; // ERROR_CANCELLED
        process.backendDies = p.behaviour == Behaviour::BackendDies;
        process.windows = p.windows;
        if (p.neverEnds) process.runningMs = -1;
        const QString name = p.name;
        const QString also = p.alsoRemoves;
        const bool removes = p.behaviour == Behaviour::Removes;
        process.run = [this, name, key, removes, also] {
            const Clock::time_point start = Clock::now();
            std::shared_future<void> gate;
            {
                std::lock_guard<std::mutex> lock(gateMutex);
                gate = gates.value(name);
            }
            if (gate.valid()) gate.wait();
            QThread::msleep(50);
            for (const QString& gone : removes ? QStringList{name, also} : QStringList()) {
                if (gone.isEmpty()) continue;
                platform.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\" + gone.toStdString());
                platform.files.DeleteFile(Folder(gone) + "\\uninst.exe");
            }
            timeline.Add({name, start, Clock::now()});
        };
        platform.system.SetProcess(Command(p.name), process);
    }

    // A program's uninstaller waits in its run until the promise is kept.
    void Hold(const QString& name, std::promise<void>& release) {
        std::lock_guard<std::mutex> lock(gateMutex);
        gates[name] = release.get_future().share();
    }

    const CUninstallRun::State& State() const { return page->Run()->CurrentState(); }

    // Answers the run's dialogs, and every message box.
    bool Answer(CBaseDialog& dialog) {
        if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) {
            ++dialogs.confirmations;
            for (const InstalledProgram& p : confirm->Programs())
                dialogs.confirmedNames << QString::fromLatin1(p.displayName);
            for (CBPQtLabel* note : confirm->ProgramTree()->findChildren<CBPQtLabel*>(QStringLiteral("missingNote")))
                dialogs.confirmedNotes << note->text();
            // The icon each row shows, by its centre colour.
            dialogs.confirmedIcons.clear();
            QTreeWidget* list = confirm->ProgramTree();
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                for (QLabel* label : list->itemWidget(list->topLevelItem(row), 1)->findChildren<QLabel*>()) {
                    const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
                    if (!image.isNull()) dialogs.confirmedIcons << image.pixelColor(image.rect().center());
                }
            if (dialogs.answer == Dialogs::Answer::Cancel) {
                confirm->OnCancelClicked();
                return true;
            }
            confirm->LeftoverCheckBox()->setChecked(dialogs.answer == Dialogs::Answer::OkTicked);
            confirm->OnOKClicked();
        } else if (auto* result = qobject_cast<CUninstallRstDlg*>(&dialog)) {
            ++dialogs.results;
            dialogs.resultTitle = result->TitleLabel()->text();
            dialogs.resultText = result->ResultLabel()->text();
            dialogs.notRemovedText = result->NotRemovedLabel() ? result->NotRemovedLabel()->text() : QString();
            for (int row = 0; row < page->Tree()->topLevelItemCount(); ++row) {
                QTreeWidgetItem* item = page->Tree()->topLevelItem(row);
                QLabel* status = Operation(item->text(0))->StatusLabel();
                dialogs.statusAtResult[item->text(0)] = status->isHidden() ? QStringLiteral("-") : status->text();
            }
            if (dialogs.results == 1) dialogs.statusAtFirstResult = dialogs.statusAtResult;
            if (result->DetailsLink() != nullptr) result->OpenDetails();
            result->done(0);
        } else if (auto* details = qobject_cast<CCleanDetailsDlg*>(&dialog)) {
            QTreeWidget* list = details->ItemTree();
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* program = list->topLevelItem(row);
                for (int child = 0; child < program->childCount(); ++child) {
                    const QTreeWidgetItem* item = program->child(child);
                    dialogs.details << program->text(0) + QStringLiteral(": ") + item->text(0) + QLatin1Char('|') +
                                           item->text(1) + QLatin1Char('|') + item->text(2);
                }
            }
            details->done(0);
        } else if (auto* box = qobject_cast<CMSGDlg*>(&dialog)) {
            dialogs.boxes << box->Text();
            dialogs.boxAnswer == CMSGDlg::ResultOK ? box->OKClicked() : box->CancelClicked();
        } else {
            return false;
        }
        return true;
    }

    QTreeWidgetItem* Item(const QString& name) const {
        for (int row = 0; row < page->Tree()->topLevelItemCount(); ++row)
            if (page->Tree()->topLevelItem(row)->text(0) == name) return page->Tree()->topLevelItem(row);
        return nullptr;
    }
    ProgramCell* Cell(const QString& name) const {
        return qobject_cast<ProgramCell*>(page->Tree()->itemWidget(Item(name), 1));
    }
    OperationCell* Operation(const QString& name) const {
        return qobject_cast<OperationCell*>(page->Tree()->itemWidget(Item(name), 4));
    }
    QString Status(const QString& name) const { return Operation(name)->StatusLabel()->text(); }
    QStringList Names() const {
        QStringList names;
        for (int row = 0; row < page->Tree()->topLevelItemCount(); ++row)
            names << page->Tree()->topLevelItem(row)->text(0);
        return names;
    }
    QStringList StartedNames() const {
        QStringList names;
        for (const std::string& command : platform.system.Started())
            for (const QString& name : installed)
                if (command == Command(name)) names << name;
        return names;
    }
    // The run has ended and the list has been read again.
    // (the refresh button comes back only with the new list).
    bool Settled() const {
        return dialogs.results > 0 && !page->IsRunning() && !page->IsRefreshing() && page->RefreshButton()->isEnabled();
    }

    QTemporaryDir cache;
    QTemporaryDir iconFiles; // Windows: the programs' own icon files
    MemoryPlatform platform;
    std::unique_ptr<CInventoryService> service;
    std::unique_ptr<GatedCore> uninstaller;
    std::unique_ptr<QWidget> host;
    CEnumProgramPage* page = nullptr;
    Dialogs dialogs;
    Timeline timeline;
    QStringList installed;
    std::mutex gateMutex;
    QMap<QString, std::shared_future<void>> gates;
};

QImage Frame(int n) {
    // Through a pixmap, as the label holds it.
    return QPixmap(QStringLiteral("./Resources/loading/loading_%1.png").arg(n))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}
QImage Shown(const QLabel* label) {
    return label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

Q_DECLARE_METATYPE(Program)
Q_DECLARE_METATYPE(QList<Program>)
Q_DECLARE_METATYPE(Dialogs::Answer)
Q_DECLARE_METATYPE(Behaviour)

class UninstallRunTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir logDir;

    QByteArray Log() {
        QFile file(logDir.filePath(QStringLiteral("run.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QVERIFY(logDir.isValid());
        SetLogFilePath(logDir.filePath(QStringLiteral("run.log")));
    }
    void cleanupTestCase() { SetLogFilePath(QString()); }
    void cleanup() { QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0)); }

    void batchRun_data();
    void batchRun();
    void ownEntryGoesLastAndEndsTheProcess_data();
    void ownEntryGoesLastAndEndsTheProcess();
    void singleRunHoldsOnlyItsRowAndThePageStaysAsItIs();
    void rowShowsProgressAndAnimationWraps();
    void cancelStartsNothing();
    void lostTargetEndsTheRun();
    void closeStopsAfterTheCurrentProgram_data();
    void closeStopsAfterTheCurrentProgram();
    void uninstallerWindowIsShownAndBroughtForward();
    void longWaitOffersSkip_data();
    void longWaitOffersSkip();
    void brokenEntryIsMarkedNamedAndRemoved();
};

// Rows are listed by name, descending: the run goes in that order.
void UninstallRunTest::batchRun_data() {
    QTest::addColumn<QList<Program>>("programs");
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::addColumn<QStringList>("statuses"); // of the ticked programs, in run order
    QTest::addColumn<int>("removed");
    QTest::addColumn<qulonglong>("freedKiB");
    QTest::addColumn<QString>("notRemoved");
    QTest::addColumn<int>("deepCleans");

    const Program unrelated{QStringLiteral("Other Tool"), 300, Behaviour::Removes, false};
    QTest::newRow("three removed, leftovers too")
        << QList<Program>{{"Gamma Tools", 100}, {"Beta Player", 2048}, {"Alpha Editor", 900}, unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Finished", "Finished", "Finished"} << 3
        << qulonglong(100 + 2048 + 900) << QString() << 3;
    QTest::newRow("one fails to start, the run goes on")
        << QList<Program>{{"Gamma Tools", 100},
                          {"Beta Player", 2048, Behaviour::FailsToStart},
                          {"Alpha Editor", 900},
                          unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Finished", "Not removed", "Finished"} << 2 << qulonglong(100 + 900)
        << QString("Beta Player") << 2;
    QTest::newRow("box cleared: no leftover removal")
        << QList<Program>{{"Gamma Tools", 100}, {"Beta Player", 2048}, {"Alpha Editor", 900}, unrelated}
        << Dialogs::Answer::OkCleared << QStringList{"Finished", "Finished", "Finished"} << 3
        << qulonglong(100 + 2048 + 900) << QString() << 0;
    QTest::newRow("cancelled uninstaller: nothing of it deleted")
        << QList<Program>{{"Gamma Tools", 100},
                          {"Beta Player", 2048, Behaviour::Cancels},
                          {"Alpha Editor", 900},
                          unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Finished", "Not removed", "Finished"} << 2 << qulonglong(100 + 900)
        << QString("Beta Player") << 2;
    QTest::newRow("already removed by a suite's uninstaller: counted removed")
        << QList<Program>{{"Gamma Tools", 100, Behaviour::Removes, true, false, "Beta Player"},
                          {"Beta Player", 2048, Behaviour::FailsToStart},
                          {"Alpha Editor", 900},
                          unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Finished", "Finished", "Finished"} << 3
        << qulonglong(100 + 2048 + 900) << QString() << 3;
    QTest::newRow("nothing removed: the failure look")
        << QList<Program>{{"Gamma Tools", 100, Behaviour::Cancels},
                          {"Beta Player", 2048, Behaviour::FailsToStart},
                          {"Alpha Editor", 900, Behaviour::Cancels},
                          unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Not removed", "Not removed", "Not removed"} << 0 << qulonglong(0)
        << QString("Gamma Tools, Beta Player, Alpha Editor") << 0;
    QTest::newRow("total size 0: nothing to free")
        << QList<Program>{{"Gamma Tools", 0}, {"Beta Player", 0}, {"Alpha Editor", 0}, unrelated}
        << Dialogs::Answer::OkTicked << QStringList{"Finished", "Finished", "Finished"} << 3 << qulonglong(0)
        << QString() << 3;
}

void UninstallRunTest::batchRun() {
    QFETCH(QList<Program>, programs);
    QFETCH(Dialogs::Answer, answer);
    QFETCH(QStringList, statuses);
    QFETCH(int, removed);
    QFETCH(qulonglong, freedKiB);
    QFETCH(QString, notRemoved);
    QFETCH(int, deepCleans);

    MessageRecorder messages;
    Env env(programs);
    env.dialogs.answer = answer;
    env.page->UninstallButton()->click();
    QCOMPARE(env.dialogs.confirmations, 1);
    QCOMPARE(env.dialogs.confirmedNames, (QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"}));
    QCOMPARE(env.State().autoRemoveLeftovers, answer == Dialogs::Answer::OkTicked);
    QVERIFY(env.page->IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 15000);

    // Strictly one after another, a second apart, in tree order.
    QCOMPARE(env.StartedNames(), (QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"}));
    const std::vector<Timeline::Span> spans = env.timeline.Spans();
    QStringList ran;
    for (const Timeline::Span& span : spans)
        ran << span.name;
    QStringList expectedRan;
    for (const Program& p : programs)
        if (p.ticked && p.behaviour != Behaviour::FailsToStart) expectedRan << p.name;
    QCOMPARE(ran, expectedRan);
    for (size_t i = 1; i < spans.size(); ++i) {
        // A program that did not start still takes its pause.
        const int steps = expectedRan.size() == 3 ? 1 : 2;
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(spans[i].start - spans[i - 1].end);
        QVERIFY2(gap.count() >= steps * 950, qPrintable(QStringLiteral("gap %1 ms").arg(gap.count())));
    }

    QStringList shown;
    for (const QString& name :
         {QStringLiteral("Gamma Tools"), QStringLiteral("Beta Player"), QStringLiteral("Alpha Editor")})
        shown << env.dialogs.statusAtResult.value(name);
    QCOMPARE(shown, statuses);
    QCOMPARE(env.dialogs.statusAtResult.value("Other Tool"), QStringLiteral("-"));
    QCOMPARE(messages.deepClean, deepCleans);

    // The result counts what was removed and frees only its size.
    QCOMPARE(env.dialogs.results, 1);
    QCOMPARE(env.dialogs.resultTitle,
             removed == 0 ? QStringLiteral("No program was removed") : QStringLiteral("Uninstall Completed!"));
    QCOMPARE(env.dialogs.resultText, CUninstallRstDlg::ResultText(removed, freedKiB * 1024));
    QCOMPARE(env.dialogs.resultText.contains(QStringLiteral("and free up")), freedKiB != 0);
    QCOMPARE(env.dialogs.notRemovedText.contains(notRemoved), true);
    QCOMPARE(env.dialogs.notRemovedText.isEmpty(), notRemoved.isEmpty());

    // Gone: removed by its own uninstaller or by a suite's.
    QStringList gone;
    for (const Program& p : programs)
        if (p.ticked && p.behaviour == Behaviour::Removes) gone << p.name << p.alsoRemoves;
    for (const Program& p : programs) {
        QCOMPARE(env.Registered(p.name), !gone.contains(p.name));
        const bool cleaned = gone.contains(p.name) && answer == Dialogs::Answer::OkTicked;
        QVERIFY2(env.Exists(AppData(p.name) + "\\settings.ini") == !cleaned, qPrintable(p.name));
        QVERIFY2(env.Exists(Folder(p.name) + "\\data.bin") == !cleaned, qPrintable(p.name));
        if (p.behaviour == Behaviour::FailsToStart)
            QVERIFY(Log().contains(QByteArray("start process ") + Command(p.name).c_str() + " failed with 2." +
                                   kLogLineEnd));
        if (p.behaviour == Behaviour::Cancels)
            QVERIFY(Log().contains(QByteArray("uninstall of ") + p.name.toLatin1() + ": not removed"));
    }

    // Afterwards the list is read again: the removed programs are gone.
    QStringList left;
    for (const Program& p : programs)
        if (!gone.contains(p.name)) left << p.name;
    QStringList listed = env.Names();
    listed.sort();
    left.sort();
    QCOMPARE(listed, left);
    QVERIFY(env.page->RefreshButton()->isEnabled());
    QVERIFY(env.page->SearchBox()->isEnabled());
    QCOMPARE(messages.quit, 0);
}

void UninstallRunTest::ownEntryGoesLastAndEndsTheProcess_data() {
    QTest::addColumn<bool>("others");      // ticked with two other programs
    QTest::addColumn<bool>("startsAtAll"); // its own uninstaller can be started
    QTest::newRow("with others: their result first") << true << true;
    QTest::newRow("alone: no result") << false << true;
    QTest::newRow("its uninstaller cannot start: the program stays") << true << false;
}

void UninstallRunTest::ownEntryGoesLastAndEndsTheProcess() {
    QFETCH(bool, others);
    QFETCH(bool, startsAtAll);
    MessageRecorder messages;
    // By name, descending, this uninstaller is the first row.
    QList<Program> programs{{kOwnTitle, 500, startsAtAll ? Behaviour::Removes : Behaviour::FailsToStart}};
    if (others) programs << Program{"Beta Player", 2048} << Program{"Alpha Editor", 900};
    Env env(programs);
    QStringList startedAtQuit;
    messages.onQuit = [&] { startedAtQuit = env.StartedNames(); };
    env.page->UninstallButton()->click();
    const QStringList order = others ? QStringList{"Beta Player", "Alpha Editor", kOwnTitle} : QStringList{kOwnTitle};
    QCOMPARE(env.dialogs.confirmedNames, order);
    QTRY_COMPARE_WITH_TIMEOUT(env.StartedNames(), order, 10000);
    if (others) {
        // The others' result came before its own uninstaller started, and
        // reads the list of programs no more.
        QTRY_VERIFY(env.dialogs.results >= 1);
        QCOMPARE(env.dialogs.statusAtFirstResult.value("Beta Player"), QStringLiteral("Finished"));
        QCOMPARE(env.dialogs.statusAtFirstResult.value(kOwnTitle), QStringLiteral("waiting"));
        const std::vector<Timeline::Span> spans = env.timeline.Spans();
        QVERIFY(spans.size() >= 2);
        // Its turn comes after the pause.
        if (spans.size() == 3) QVERIFY(spans[2].start - spans[1].end >= std::chrono::milliseconds(950));
    }
    if (startsAtAll) {
        // The process ends through the main window, once the start is
        // confirmed; the result was shown at most once.
        QTRY_COMPARE_WITH_TIMEOUT(messages.quit, 1, 10000);
        QCOMPARE(startedAtQuit, order);
        QTest::qWait(300);
        QCOMPARE(env.dialogs.results, others ? 1 : 0);
        QVERIFY(env.page->IsRunning());
        QCOMPARE(env.Status(kOwnTitle), QStringLiteral("uninstalling"));
        QVERIFY(!env.page->IsRefreshing());
        return;
    }
    // It could not start: said so, and the program goes on.
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled() && env.dialogs.results == 2, 10000);
    QCOMPARE(env.dialogs.statusAtResult.value(kOwnTitle), QStringLiteral("Not removed"));
    QVERIFY(env.dialogs.notRemovedText.contains(kOwnTitle));
    QCOMPARE(messages.quit, 0);
}

void UninstallRunTest::singleRunHoldsOnlyItsRowAndThePageStaysAsItIs() {
    MessageRecorder messages;
    Env env({{"Zeta Docs", 10, Behaviour::Removes, false},
             {"Gamma Tools", 100, Behaviour::Removes, false},
             {"Beta Player", 2048, Behaviour::Removes, true},
             {"Alpha Editor", 900, Behaviour::Removes, false}});
    std::promise<void> release;
    env.Hold("Gamma Tools", release);
    env.Operation("Gamma Tools")->TrashButton()->click();
    QVERIFY(env.State().singleMode);
    QCOMPARE(env.dialogs.confirmedNames, QStringList{"Gamma Tools"});
    QCOMPARE(env.State().uninstallQueue.size(), size_t(1));
    QCOMPARE(env.State().uninstallQueue.front(), env.Item("Gamma Tools"));

    // The row before it is held, those after it are left as they were.
    QVERIFY(!env.Cell("Zeta Docs")->CheckBox()->isEnabled());
    QVERIFY(env.Operation("Zeta Docs")->TrashButton()->isHidden());
    QVERIFY(env.Operation("Zeta Docs")->StatusLabel()->isHidden());
    QVERIFY(!env.Cell("Gamma Tools")->CheckBox()->isEnabled());
    QVERIFY(env.Operation("Gamma Tools")->TrashButton()->isHidden());
    for (const QString& name : {QStringLiteral("Beta Player"), QStringLiteral("Alpha Editor")}) {
        QVERIFY(env.Cell(name)->CheckBox()->isEnabled());
        QVERIFY(!env.Operation(name)->TrashButton()->isHidden());
        QVERIFY(env.Operation(name)->StatusLabel()->isHidden());
    }
    QTRY_COMPARE(env.Status("Gamma Tools"), QStringLiteral("uninstalling"));

    // ... but inert while the run holds its rows.
    const QStringList order = env.Names();
    env.Operation("Alpha Editor")->TrashButton()->click();
    env.Cell("Alpha Editor")->CheckBox()->click();
    QVERIFY(!env.Cell("Alpha Editor")->CheckBox()->isChecked());
    QCOMPARE(env.page->SelectedCount(), 1);
    env.page->UninstallAllClicked();
    QCOMPARE(env.dialogs.confirmations, 1);
    QVERIFY(!env.page->SearchBox()->isEnabled());
    QVERIFY(!env.page->SortButton()->isEnabled());
    QVERIFY(!env.page->RefreshButton()->isEnabled());
    QVERIFY(!env.page->UninstallButton()->isEnabled());
    env.page->SearchText(QStringLiteral("Alpha"));
    QVERIFY(!env.Item("Beta Player")->isHidden());
    env.page->sectionClickedSlot(1);
    env.page->SizeAction()->trigger();
    QCOMPARE(env.Names(), order);
    QVERIFY(env.page->NameAction()->isChecked());
    QVERIFY(!env.page->SizeAction()->isChecked());
    env.page->RefreshClicked();
    QVERIFY(!env.page->IsRefreshing());
    const uint32_t kind = 0;
    CBPNotifyCentor::instance()->SendMsg(MSG_LIST_REFRESHED, 0, &kind, sizeof kind);
    CBPNotifyCentor::instance()->SendMsg(MSG_UNINSTALL_STEP_DONE, 0, nullptr, 0);
    QTRY_COMPARE(messages.stepDone, 1);
    QCOMPARE(env.State().currentRow, env.Item("Gamma Tools"));
    QCOMPARE(env.Status("Gamma Tools"), QStringLiteral("uninstalling"));

    release.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 10000);
    QCOMPARE(env.StartedNames(), QStringList{"Gamma Tools"});
    QCOMPARE(env.dialogs.resultText, CUninstallRstDlg::ResultText(1, 100 * 1024));
    QCOMPARE(env.dialogs.statusAtResult.value("Gamma Tools"), QStringLiteral("Finished"));
    QCOMPARE(env.Names(), (QStringList{"Zeta Docs", "Beta Player", "Alpha Editor"}));
}

void UninstallRunTest::rowShowsProgressAndAnimationWraps() {
    MessageRecorder messages;
    Env env({{"Beta Player", 2048}, {"Alpha Editor", 900}});
    std::promise<void> releaseBeta, releaseAlpha, releaseClean;
    env.Hold("Beta Player", releaseBeta);
    env.Hold("Alpha Editor", releaseAlpha);
    env.uninstaller->cleanGate = releaseClean.get_future().share();
    env.page->UninstallButton()->click();

    // Every ticked row is held and shows its labels; no trash button is left.
    for (const QString& name : {QStringLiteral("Beta Player"), QStringLiteral("Alpha Editor")}) {
        QVERIFY(!env.Cell(name)->CheckBox()->isEnabled());
        QVERIFY(env.Operation(name)->TrashButton()->isHidden());
        QVERIFY(!env.Operation(name)->StatusLabel()->isHidden());
    }
    QCOMPARE(env.Status("Beta Player"), QStringLiteral("uninstalling"));
    QCOMPARE(env.Status("Alpha Editor"), QStringLiteral("waiting"));
    QVERIFY(env.Operation("Alpha Editor")->AnimationLabel()->isHidden());
    QVERIFY(!env.Operation("Beta Player")->AnimationLabel()->isHidden());
    QVERIFY(env.page->Run()->AnimationTimer()->isActive());
    QCOMPARE(env.page->Run()->AnimationTimer()->interval(), 100);

    // Frames 0 to 49, then 0 again; the timer steps them.
    QLabel* animation = env.Operation("Beta Player")->AnimationLabel();
    QVERIFY(!Frame(0).isNull() && Frame(0) != Frame(49));
    env.page->Run()->AnimationTimer()->stop();
    QCOMPARE(env.State().animationFrame, 0);
    QCOMPARE(Shown(animation), Frame(0));
    for (int i = 0; i < 50; ++i)
        env.page->Run()->onTimeout();
    QCOMPARE(env.State().animationFrame, 50);
    QCOMPARE(Shown(animation), Frame(49));
    env.page->Run()->onTimeout();
    QCOMPARE(env.State().animationFrame, 1);
    QCOMPARE(Shown(animation), Frame(0));
    env.page->Run()->AnimationTimer()->start();
    QTRY_VERIFY(env.State().animationFrame >= 3);

    // The uninstaller has ended and removed its program: "Deep Clean...".
    releaseBeta.set_value();
    QTRY_COMPARE(messages.deepClean, 1);
    QTRY_COMPARE(env.Status("Beta Player"), QStringLiteral("Deep Clean..."));
    QVERIFY(!animation->isHidden());
    releaseClean.set_value();

    // "Finished", the animation gone; the next program starts at frame 0.
    QTRY_COMPARE(env.Status("Beta Player"), QStringLiteral("Finished"));
    QVERIFY(animation->isHidden());
    QVERIFY(env.Status("Alpha Editor") == QStringLiteral("waiting"));
    QTRY_COMPARE_WITH_TIMEOUT(env.Status("Alpha Editor"), QStringLiteral("uninstalling"), 3000);
    QVERIFY(env.State().animationFrame <= 1);
    QCOMPARE(Shown(env.Operation("Alpha Editor")->AnimationLabel()), Frame(0));
    releaseAlpha.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 10000);
}

void UninstallRunTest::cancelStartsNothing() {
    MessageRecorder messages;
    Env env({{"Beta Player", 2048, Behaviour::Removes, true, true}, {"Alpha Editor", 900}});
    env.dialogs.answer = Dialogs::Answer::Cancel;
    QTRY_VERIFY(!env.page->IconLoader()->IsBusy());
    env.page->UninstallButton()->click();
    QCOMPARE(env.dialogs.confirmations, 1);
    // The confirmation shows the icons of the page's rows, the installer
    // picture for a program without one.
#ifdef _WIN32
    // The row's icon is what the file icon provider draws for the file.
    const QImage provided = ProviderPicture(env.iconFiles.filePath(QStringLiteral("Beta Player.ico"))).toImage();
    const QColor own = provided.pixelColor(provided.rect().center());
#else
    const QColor own(255, 0, 0);
#endif
    QCOMPARE(env.dialogs.confirmedIcons.size(), 2);
    QCOMPARE(env.dialogs.confirmedIcons[0], own);
    QVERIFY(env.dialogs.confirmedIcons[1] != own);
    env.Operation("Alpha Editor")->TrashButton()->click();
    QCOMPARE(env.dialogs.confirmations, 2);
    QTest::qWait(200);
    QVERIFY(!env.page->IsRunning());
    QVERIFY(env.platform.system.Started().empty());
    QCOMPARE(env.dialogs.results, 0);
    for (const QString& name : {QStringLiteral("Beta Player"), QStringLiteral("Alpha Editor")}) {
        QVERIFY(env.Cell(name)->CheckBox()->isEnabled());
        QVERIFY(env.Cell(name)->CheckBox()->isChecked());
        QVERIFY(!env.Operation(name)->TrashButton()->isHidden());
        QVERIFY(env.Operation(name)->StatusLabel()->isHidden());
    }
    QVERIFY(env.page->UninstallButton()->isEnabled());
    QVERIFY(env.page->RefreshButton()->isEnabled());
    QCOMPARE(messages.deepClean + messages.stepDone + messages.quit, 0);
}

// The machine is lost during the second program: the third is not tried,
// both are named, and when the list cannot be read again the rows come back
// usable with the old list.
void UninstallRunTest::lostTargetEndsTheRun() {
    Env env({{"Gamma Tools", 100}, {"Beta Player", 2048, Behaviour::BackendDies}, {"Alpha Editor", 900}});
    env.page->UninstallButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(env.dialogs.results == 1 && !env.page->IsRunning() && !env.page->IsRefreshing() &&
                                 env.page->RefreshButton()->isEnabled(),
                             10000);
    QCOMPARE(env.StartedNames(), (QStringList{"Gamma Tools", "Beta Player"}));
    QCOMPARE(env.dialogs.statusAtResult.value("Gamma Tools"), QStringLiteral("Finished"));
    QCOMPARE(env.dialogs.statusAtResult.value("Beta Player"), QStringLiteral("Not removed"));
    QCOMPARE(env.dialogs.statusAtResult.value("Alpha Editor"), QStringLiteral("Not removed"));
    QCOMPARE(env.dialogs.resultText, CUninstallRstDlg::ResultText(1, 100 * 1024));
    QVERIFY2(env.dialogs.notRemovedText.contains(QStringLiteral("Beta Player, Alpha Editor")),
             qPrintable(env.dialogs.notRemovedText));
    QVERIFY(Log().contains("uninstall of Beta Player: the target machine could not be reached"));
    QCOMPARE(env.Names().size(), 3);
    for (const QString& name : env.Names()) {
        QVERIFY(env.Cell(name)->CheckBox()->isEnabled());
        QVERIFY(!env.Operation(name)->TrashButton()->isHidden());
        QVERIFY(env.Operation(name)->StatusLabel()->isHidden());
    }
}

// A close of the window while a run is active asks; "Yes" lets the program
// in progress end (its leftover removal too), starts no other, shows the
// result of what was done without reading the list again, and then lets the
// window close.
void UninstallRunTest::closeStopsAfterTheCurrentProgram_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("inThePause"); // asked between two programs
    QTest::newRow("yes, while an uninstaller runs") << true << false;
    QTest::newRow("yes, between two programs") << true << true;
    QTest::newRow("no: the run goes on") << false << false;
}

void UninstallRunTest::closeStopsAfterTheCurrentProgram() {
    QFETCH(bool, yes);
    QFETCH(bool, inThePause);
    Env env({{"Gamma Tools", 100}, {"Beta Player", 2048}, {"Alpha Editor", 900}});
    env.dialogs.boxAnswer = yes ? CMSGDlg::ResultOK : CMSGDlg::ResultCancel;
    QSignalSpy closeReady(env.page, &CEnumProgramPage::CloseReady);
    std::promise<void> release;
    env.Hold("Gamma Tools", release);
    env.page->UninstallButton()->click();
    QTRY_COMPARE(env.Status("Gamma Tools"), QStringLiteral("uninstalling"));
    if (inThePause) {
        release.set_value();
        QTRY_COMPARE(env.Status("Gamma Tools"), QStringLiteral("Finished"));
    }

    QVERIFY(!env.page->MayClose());
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QVERIFY(env.dialogs.boxes[0].contains(QStringLiteral("Stop after the current program")));
    if (!yes) {
        release.set_value();
        QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 15000);
        QCOMPARE(env.StartedNames(), (QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"}));
        QCOMPARE(closeReady.count(), 0);
        QVERIFY(env.page->MayClose());
        return;
    }
    if (!inThePause) {
        // Asked once: a second close waits for the first.
        QVERIFY(!env.page->MayClose());
        QCOMPARE(env.dialogs.boxes.size(), 1);
        release.set_value();
    }
    QTRY_COMPARE_WITH_TIMEOUT(closeReady.count(), 1, 10000);
    QCOMPARE(env.StartedNames(), QStringList{"Gamma Tools"});
    QCOMPARE(env.dialogs.results, 1);
    QCOMPARE(env.dialogs.statusAtResult.value("Gamma Tools"), QStringLiteral("Finished"));
    QCOMPARE(env.dialogs.statusAtResult.value("Beta Player"), QStringLiteral("Not removed"));
    QCOMPARE(env.dialogs.statusAtResult.value("Alpha Editor"), QStringLiteral("Not removed"));
    // Its leftovers went too; the list was not read again.
    QVERIFY(!env.Exists(AppData("Gamma Tools") + "\\settings.ini"));
    QVERIFY(!env.page->IsRefreshing());
    QCOMPARE(env.Names().size(), 3);
    QVERIFY(env.page->MayClose());
    QTest::qWait(1200);
    QCOMPARE(env.StartedNames(), QStringList{"Gamma Tools"});
}

// An uninstaller that shows a window: the row says it waits for the user,
// and a click on the row or on the main window brings that window forward.
void UninstallRunTest::uninstallerWindowIsShownAndBroughtForward() {
    Program wizard{"Beta Player", 2048};
    wizard.windows = 1;
    Env env({wizard});
    std::promise<void> release;
    env.Hold("Beta Player", release);
    env.page->UninstallButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(env.Status("Beta Player"), QStringLiteral("waiting for your answer"), 5000);
    QVERIFY(env.platform.system.Raised().empty());

    QTest::mouseClick(env.Operation("Beta Player"), Qt::LeftButton);
    QTRY_COMPARE(env.platform.system.Raised().size(), size_t(1));
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(env.host.get(), &activate);
    QTRY_COMPARE(env.platform.system.Raised().size(), size_t(2));
    QCOMPARE(env.platform.system.Raised().back(), Command("Beta Player"));

    release.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 10000);
    QCOMPARE(env.dialogs.statusAtResult.value("Beta Player"), QStringLiteral("Finished"));
    // Nothing is raised once its uninstaller has ended.
    QCoreApplication::sendEvent(env.host.get(), &activate);
    QTest::qWait(200);
    QCOMPARE(env.platform.system.Raised().size(), size_t(2));
}

// An uninstaller whose process never ends: after a while its row offers
// "Skip", which ends the wait (and nothing else); the removal check then
// decides, and the next program runs.
void UninstallRunTest::longWaitOffersSkip_data() {
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<QString>("status");
    QTest::newRow("entry gone, its process runs on") << Behaviour::Removes << QStringLiteral("Finished");
    QTest::newRow("entry still there") << Behaviour::Cancels << QStringLiteral("Not removed");
}

void UninstallRunTest::longWaitOffersSkip() {
    QFETCH(Behaviour, behaviour);
    QFETCH(QString, status);
    Program stuck{"Zeta Player", 2048, behaviour};
    stuck.neverEnds = true;
    Env env({stuck, Program("Gamma Tools", 1024)});
    const int offerMs = 1500;
    env.page->Run()->SetSkipOfferDelay(offerMs);
    env.page->UninstallButton()->click();
    QPushButton* skip = env.Operation("Zeta Player")->SkipButton();
    QTRY_COMPARE(env.Status("Zeta Player"), QStringLiteral("uninstalling"));
    QVERIFY(!skip->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(skip->isVisible(), 5000);
    QVERIFY(env.uninstaller->CurrentWait().elapsedMs >= offerMs);
    QVERIFY2(skip->toolTip().contains("uninst.exe"), qPrintable(skip->toolTip()));
    QCOMPARE(env.StartedNames(), QStringList{"Zeta Player"});

    skip->click();
    QVERIFY(!skip->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 10000);
    QCOMPARE(env.dialogs.statusAtResult.value("Zeta Player"), status);
    QCOMPARE(env.dialogs.statusAtResult.value("Gamma Tools"), QStringLiteral("Finished"));
    QCOMPARE(env.StartedNames(), (QStringList{"Zeta Player", "Gamma Tools"}));
    QCOMPARE(env.Registered("Zeta Player"), behaviour != Behaviour::Removes);
    // The list read again offers no "Skip" anywhere.
    for (const QString& name : env.Names())
        QVERIFY2(!env.Operation(name)->SkipButton()->isVisible(), qPrintable(name));
}

// A program whose folder was deleted by hand: its row says its uninstaller
// is missing, the confirmation names it, and the run removes its entry and
// leftovers without starting anything; the result's details list what each
// clean deleted and kept.
void UninstallRunTest::brokenEntryIsMarkedNamedAndRemoved() {
    Env env({{"Beta Player", 2048, Behaviour::FolderGone},
             {"Alpha Editor", 900},
             {"Other Tool", 300, Behaviour::Removes, false}});
    // Alpha Editor's settings hold a folder Other Tool's name claims.
    env.File(AppData("Alpha Editor") + "\\Other Tool\\keep.ini");
    QTRY_VERIFY(env.Cell("Beta Player")->MissingNote()->isVisible());
    QVERIFY(!env.Cell("Alpha Editor")->MissingNote()->isVisible());
    QVERIFY(!env.Cell("Other Tool")->MissingNote()->isVisible());

    env.page->UninstallButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(env.Settled(), 15000);

    QCOMPARE(env.dialogs.confirmedNames, (QStringList{"Beta Player", "Alpha Editor"}));
    QCOMPARE(env.dialogs.confirmedNotes,
             QStringList{QStringLiteral("Uninstaller missing: its entry and its leftovers will be removed")});
    QCOMPARE(env.StartedNames(), QStringList{"Alpha Editor"});
    QCOMPARE(env.dialogs.statusAtResult.value("Beta Player"), QStringLiteral("Finished"));
    QCOMPARE(env.dialogs.resultText, CUninstallRstDlg::ResultText(2, (2048 + 900) * 1024ull));
    QVERIFY(!env.Registered("Beta Player"));
    QVERIFY(!env.Exists(AppData("Beta Player") + "\\settings.ini"));
    QVERIFY(env.Exists(AppData("Alpha Editor") + "\\Other Tool\\keep.ini"));
    QVERIFY(env.Registered("Other Tool"));
    QVERIFY(env.Exists(AppData("Other Tool") + "\\settings.ini"));

    const QString roaming = QString::fromStdString(AppData(QString()));
    auto listed = [&env](const QString& program, const QString& item) {
        for (const QString& line : env.dialogs.details)
            if (line.startsWith(program) && line.endsWith(QStringLiteral(": ") + item, Qt::CaseInsensitive))
                return true;
        return false;
    };
    const QString uninstallKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    for (const auto& [program, item] : std::vector<std::pair<QString, QString>>{
             {"Beta Player", "Deleted|registry|" + uninstallKey + "Beta Player"},
             {"Beta Player", "Deleted|file|" + roaming + "Beta Player\\settings.ini"},
             {"Alpha Editor", "Deleted|file|" + roaming + "Alpha Editor\\settings.ini"},
             {"Alpha Editor", "Kept|claimed by another program|" + roaming + "Alpha Editor\\Other Tool"},
             {"Alpha Editor", "Kept|claimed by another program|" + roaming + "Alpha Editor"}})
        QVERIFY2(listed(program, item), qPrintable(item + "\n---\n" + env.dialogs.details.join('\n')));
    QVERIFY(env.dialogs.details.first().startsWith("Beta Player"));
    QVERIFY(env.dialogs.details.first().contains("uninstaller missing: entry removed"));
    QVERIFY(!env.dialogs.details.filter("Alpha Editor").first().contains("uninstaller missing"));
}

QTEST_MAIN(UninstallRunTest)
#include "tst_uninstallrun.moc"
