// The confirmation and result dialogs of an uninstall run: content, icons,
// answers, the honest result text, MSG_DIALOG_RESULT, and close messages
// that were meant for an earlier dialog.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include "app/MSGDlg.h"
#include "app/RuntimeFiles.h"
#include "app/UIPublic.h"
#include "app/WindowDlgTitle.h"
#include "include/MsgIds.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/OrphansDlg.h"
#include "uninstall/dialogs/ProgramIconSource.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "uninstall/dialogs/RestorePointsDlg.h"
#include "uninstall/dialogs/UninstallRstDlg.h"
#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"

namespace {

const QColor kInstallerColour(200, 120, 0);
const QColor kSourceColour(0, 90, 220);

InstalledProgram Program(const char* name, const char* publisher, uint64_t size, const char* icon = "") {
    InstalledProgram program;
    std::strncpy(program.displayName, name, InstalledProgram::kTextSize - 1);
    std::strncpy(program.publisher, publisher, InstalledProgram::kTextSize - 1);
    std::strncpy(program.displayIcon, icon, InstalledProgram::kTextSize - 1);
    program.sizeBytes = size;
    return program;
}

// Icons from the page's cache: a flat colour for programs it knows.
class FakeIconSource : public IProgramIconSource {
public:
    QIcon ProgramIcon(const InstalledProgram& program) override {
        ++asked;
        if (std::strcmp(program.displayName, "Known") != 0) return QIcon();
        QPixmap pixmap(32, 32);
        pixmap.fill(kSourceColour);
        return QIcon(pixmap);
    }
    int asked = 0;
};

// Records MSG_DIALOG_RESULT payloads.
class ResultRecorder : public CBPMsgReceiver {
public:
    ResultRecorder() { RegisterMsg(MSG_DIALOG_RESULT); }
    int ReceiveMsg(__MsgData msg) override {
        if (msg.id == MSG_DIALOG_RESULT) payloads << int(MsgPayloadU32(msg, 99));
        return 0;
    }
    QList<int> payloads;
};

void SendCloseFromWorker() {
    std::thread worker([] { CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0); });
    worker.join();
}

QColor CentreColour(const QLabel* label) {
    const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
    if (pixmap.isNull()) return QColor();
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Whether a widget draws `colour` somewhere (its text, where a glyph covers
// whole pixels).
bool DrawsColour(QWidget* widget, const QColor& colour) {
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb()) return true;
    return false;
}

// Runs `action` once the modal loop has started; a safety timer ends the
// run with 99 after `limitMs`, so a dialog that does not close fails the
// test instead of hanging it (or, where staying open is right, shows it).
int ExecWith(QDialog& dialog, std::function<void()> action, int limitMs = 5000) {
    QTimer::singleShot(0, &dialog, std::move(action));
    QTimer::singleShot(limitMs, &dialog, [&dialog] { dialog.done(99); });
    return dialog.exec();
}

} // namespace

class TestUninstallDialogs : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Resources")));
        QImage installer(32, 32, QImage::Format_ARGB32);
        installer.fill(kInstallerColour);
        QVERIFY(installer.save(dir.filePath(QStringLiteral("Resources/Installer.png"))));
        QImage success(96, 96, QImage::Format_ARGB32);
        success.fill(QColor(40, 191, 96));
        QVERIFY(success.save(dir.filePath(QStringLiteral("Resources/Success.png"))));
        QImage failure(96, 96, QImage::Format_ARGB32);
        failure.fill(QColor(229, 72, 77));
        QVERIFY(failure.save(dir.filePath(QStringLiteral("Resources/Failure.png"))));
        // The windows take their pictures from here instead of beside the program.
        CRuntimeFiles::SetFolderForTesting(dir.path());
    }

    void cleanupTestCase() { CRuntimeFiles::SetFolderForTesting(QString()); }

    void cleanup() { QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0)); }

    // The question, the rows in list order with their position, texts and
    // sizes, and the box ticked by default.
    void confirmationListsThePrograms() {
        CReadyUninstallDlg dialog;
        dialog.SetPrograms({Program("Acme Notes", "Acme Ltd", 3500000), Program("Zeta", "Zeta Inc", 0),
                            Program("Tolvanire Uninstaller", "Tolvanire", 2048)});
        dialog.Build();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QCOMPARE(dialog.size(), QSize(640, 427));
        QCOMPARE(dialog.QuestionLabel()->text(), QStringLiteral("Do you want to uninstall the selected 3 program(s)?"));
        QCOMPARE(dialog.QuestionLabel()->font().pixelSize(), 16);
        QVERIFY(dialog.LeftoverCheckBox()->isChecked());
        QCOMPARE(dialog.LeftoverCheckBox()->text(), QStringLiteral("Automatically remove residual files"));
        QCOMPARE(dialog.OKButton()->size(), QSize(96, 32));
        QCOMPARE(dialog.CancelButton()->size(), QSize(96, 32));
        QVERIFY(dialog.OKButton()->text().isEmpty());

        QTreeWidget* tree = dialog.ProgramTree();
        QCOMPARE(tree->objectName(), QStringLiteral("popTreeWidget"));
        QCOMPARE(tree->size(), QSize(608, 234));
        QVERIFY(tree->isColumnHidden(0));
        QVERIFY(tree->isHeaderHidden());
        QCOMPARE(tree->topLevelItemCount(), 3);
        const QStringList names{"Acme Notes", "Zeta", "Tolvanire Uninstaller"};
        const QStringList publishers{"Acme Ltd", "Zeta Inc", "Tolvanire"};
        const QStringList sizes{"3.34 MB", "-", "2.00 KB"};
        for (int row = 0; row < 3; ++row) {
            QTreeWidgetItem* item = tree->topLevelItem(row);
            QCOMPARE(item->text(0), QStringLiteral("tolvanire"));
            QCOMPARE(item->data(1, Qt::UserRole).toInt(), row);
            QCOMPARE(item->text(2), sizes[row]);
            QWidget* cell = tree->itemWidget(item, 1);
            QVERIFY(cell != nullptr);
            auto* name = cell->findChild<CBPQtLabel*>(QStringLiteral("programName"));
            auto* publisher = cell->findChild<CBPQtLabel*>(QStringLiteral("programPublisher"));
            QCOMPARE(name->text(), names[row]);
            QCOMPARE(publisher->text(), publishers[row]);
            // Drawn in their colours, not in the item view's text colour.
            QVERIFY(DrawsColour(name, QColor(214, 214, 215)));
            QVERIFY(DrawsColour(publisher, QColor(117, 118, 121)));
        }
    }

    // The dialog shows each program under the very name its row shows: the
    // record's text, decoded once, in any script.
    void confirmationShowsTheRowsNames() {
        MemoryPlatform machine;
        const char* names[] = {"Café Münster", "Блокнот", "Σημειώσεις", "记事本", "メモ帳", "Notes 📝"};
        for (const char* name : names) {
            const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::string(name);
            machine.registry.SetString(platform::Hive::LocalMachine, key, "DisplayName", name);
            machine.registry.SetString(platform::Hive::LocalMachine, key, "Publisher", std::string(name) + " ©");
            machine.registry.SetString(platform::Hive::LocalMachine, key, "UninstallString", "C:\\u.exe");
        }
        CUninstallerCore core(machine);
        const auto records = core.Records();
        QVERIFY(records.HasValue());
        QCOMPARE(records->size(), std::size(names));
        std::vector<InstalledProgram> programs;
        for (const ProgramRecord& record : *records)
            programs.push_back(record.program);
        CReadyUninstallDlg dialog;
        dialog.SetPrograms(programs);
        dialog.Build();
        QTreeWidget* tree = dialog.ProgramTree();
        QCOMPARE(tree->topLevelItemCount(), int(records->size()));
        for (int row = 0; row < tree->topLevelItemCount(); ++row) {
            QWidget* cell = tree->itemWidget(tree->topLevelItem(row), 1);
            QVERIFY(cell != nullptr);
            QCOMPARE(cell->findChild<CBPQtLabel*>(QStringLiteral("programName"))->text(), records->at(row).text.name);
            QCOMPARE(cell->findChild<CBPQtLabel*>(QStringLiteral("programPublisher"))->text(),
                     records->at(row).text.publisher);
        }
    }

    // A program whose uninstaller is missing says, in place of its
    // publisher, what is removed instead: with the box cleared, its entry
    // alone.
    void confirmationNamesAMissingUninstaller() {
        CReadyUninstallDlg dialog;
        dialog.SetPrograms({Program("Acme Notes", "Acme Ltd", 1), Program("Zeta", "Zeta Inc", 2)});
        dialog.SetMissingUninstallers({false, true});
        dialog.Build();
        QTreeWidget* tree = dialog.ProgramTree();
        auto note = [tree](int row) {
            return tree->itemWidget(tree->topLevelItem(row), 1)->findChild<CBPQtLabel*>(QStringLiteral("missingNote"));
        };
        QVERIFY(note(0) == nullptr);
        QVERIFY(note(1) != nullptr);
        QCOMPARE(note(1)->text(), QStringLiteral("Uninstaller missing: its entry and its leftovers will be removed"));
        QVERIFY(tree->itemWidget(tree->topLevelItem(1), 1)
                    ->findChild<CBPQtLabel*>(QStringLiteral("programPublisher"))
                    ->isHidden());
        dialog.LeftoverCheckBox()->setChecked(false);
        QCOMPARE(note(1)->text(), QStringLiteral("Uninstaller missing: its entry will be removed"));
    }

    void iconComesFromTheSourceOrIsTheInstallerPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("displayIcon");
        QTest::addColumn<bool>("withSource");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("asked");
        QTest::newRow("source has the icon") << "Known"
                                             << "C:\\Apps\\known.exe,0" << true << kSourceColour << 1;
        QTest::newRow("source has none") << "Unknown"
                                         << "C:\\Apps\\gone.exe" << true << kInstallerColour << 1;
        QTest::newRow("no display icon: source not asked") << "Known"
                                                           << "" << true << kInstallerColour << 0;
        QTest::newRow("no source yet") << "Known"
                                       << "C:\\Apps\\known.exe" << false << kInstallerColour << 0;
    }

    void iconComesFromTheSourceOrIsTheInstallerPicture() {
        QFETCH(QString, name);
        QFETCH(QString, displayIcon);
        QFETCH(bool, withSource);
        QFETCH(QColor, colour);
        QFETCH(int, asked);
        FakeIconSource source;
        CReadyUninstallDlg dialog;
        if (withSource) dialog.SetIconSource(&source);
        dialog.SetPrograms({Program(name.toLatin1().constData(), "P", 0, displayIcon.toLatin1().constData())});
        dialog.Build();
        QWidget* cell = dialog.ProgramTree()->itemWidget(dialog.ProgramTree()->topLevelItem(0), 1);
        auto* icon = cell->findChild<QLabel*>(QStringLiteral("programIcon"));
        QCOMPARE(icon->size(), QSize(24, 24));
        QCOMPARE(CentreColour(icon), colour);
        QCOMPARE(source.asked, asked);
    }

    void confirmationAnswer_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<bool>("removeLeftovers");
        QTest::addColumn<int>("programsLeft");
        QTest::newRow("OK") << "ok" << 1 << true << 2;
        QTest::newRow("OK with the box cleared") << "clearThenOk" << 1 << false << 2;
        QTest::newRow("Cancel") << "cancel" << 0 << true << 2;
        QTest::newRow("MSG_CLOSE_DLG from a worker") << "closeMsg" << 0 << true << 0;
        QTest::newRow("title bar close control") << "titleClose" << 0 << true << 0;
        QTest::newRow("Escape") << "escape" << 0 << true << 2;
    }

    void confirmationAnswer() {
        QFETCH(QString, action);
        QFETCH(int, accepted);
        QFETCH(bool, removeLeftovers);
        QFETCH(int, programsLeft);
        CReadyUninstallDlg dialog;
        dialog.SetPrograms({Program("A", "P", 1), Program("B", "P", 2)});
        dialog.Build();
        const int result = ExecWith(dialog, [&dialog, action] {
            if (action == "ok") {
                QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
            } else if (action == "clearThenOk") {
                dialog.LeftoverCheckBox()->click();
                QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
            } else if (action == "cancel") {
                QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            } else if (action == "closeMsg") {
                SendCloseFromWorker();
            } else if (action == "titleClose") {
                QTest::mouseClick(dialog.TitleBar()->CloseButton(), Qt::LeftButton);
            } else if (action == "escape") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            }
        });
        QVERIFY(result != 99);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Accepted(), accepted);
        QCOMPARE(dialog.RemoveLeftovers(), removeLeftovers);
        QCOMPARE(int(dialog.Programs().size()), programsLeft);
    }

    // The folders of removed programs start unticked; "Delete" asks first and
    // hands over only the ticked ones, and only on "YES".
    void orphansDeleteOnlyTheTickedAfterConfirmation_data() {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("YES") << true;
        QTest::newRow("NO") << false;
    }

    void orphansDeleteOnlyTheTickedAfterConfirmation() {
        QFETCH(bool, confirm);
        const QList<OrphanFolder> folders{{QStringLiteral("C:\\Program Files\\Gone"), 2048, 0},
                                          {QStringLiteral("C:\\ProgramData\\Старое"), -1, 0}};
        QStringList handed;
        COrphansDlg dialog;
        dialog.Build(folders, QString(), [&](const QStringList& paths, QString* summary) {
            handed = paths;
            *summary = QStringLiteral("1 of 1 ticked deleted.");
            return QList<OrphanFolder>{folders[1]};
        });
        QTreeWidget* tree = dialog.FolderTree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(1), QStringLiteral("2.00 KB"));
        QCOMPARE(tree->topLevelItem(1)->text(1), QStringLiteral("?"));
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            QCOMPARE(tree->topLevelItem(i)->checkState(0), Qt::Unchecked);
        QVERIFY(!dialog.DeleteButton()->isEnabled());
        tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QVERIFY(dialog.DeleteButton()->isEnabled());

        int asked = 0;
        CBaseDialog::SetAnswerer([&asked, confirm](CBaseDialog& box) {
            auto* question = qobject_cast<CMSGDlg*>(&box);
            if (question == nullptr) return false;
            ++asked;
            question->done(confirm ? CMSGDlg::ResultOK : CMSGDlg::ResultCancel);
            return true;
        });
        dialog.DeleteButton()->click();
        CBaseDialog::SetAnswerer(nullptr);
        QCOMPARE(asked, 1);
        QCOMPARE(handed, confirm ? QStringList{folders[0].path} : QStringList());
        QCOMPARE(tree->topLevelItemCount(), confirm ? 1 : 2);
    }

    // A refresh's worker may still have its MSG_CLOSE_DLG queued when the
    // next dialog opens: that message was for the earlier dialog.
    void closeMessageSentBeforeTheDialogLeavesItOpen_data() {
        QTest::addColumn<bool>("result");
        QTest::newRow("confirmation") << false;
        QTest::newRow("result") << true;
    }

    void closeMessageSentBeforeTheDialogLeavesItOpen() {
        QFETCH(bool, result);
        ResultRecorder recorder;
        SendCloseFromWorker();
        std::unique_ptr<CBaseDialog> dialog;
        if (result) {
            auto rst = std::make_unique<CUninstallRstDlg>();
            rst->SetResult(1, 0);
            rst->Build();
            dialog = std::move(rst);
        } else {
            auto ready = std::make_unique<CReadyUninstallDlg>();
            ready->SetPrograms({Program("A", "P", 1)});
            ready->Build();
            dialog = std::move(ready);
        }
        bool stillOpen = false;
        // The stale message is delivered in the first turns of the loop;
        // 300 ms later the dialog must still be there, and a fresh close
        // message must then close it.
        QTimer::singleShot(300, dialog.get(), [&] {
            stillOpen = dialog->isVisible();
            SendCloseFromWorker();
        });
        const int code = ExecWith(*dialog, [] {});
        QVERIFY(stillOpen);
        QVERIFY(code != 99);
        if (result) QTRY_COMPARE(recorder.payloads, QList<int>{0});
    }

    // Both open where the user is looking: centred over the window.
    void opensCentredOverItsParent_data() {
        QTest::addColumn<bool>("result");
        QTest::newRow("confirmation") << false;
        QTest::newRow("result") << true;
    }

    void opensCentredOverItsParent() {
        QFETCH(bool, result);
        QWidget window;
        window.setGeometry(100, 60, 960, 640);
        std::unique_ptr<QWidget> dialog;
        if (result)
            dialog = std::make_unique<CUninstallRstDlg>(&window);
        else
            dialog = std::make_unique<CReadyUninstallDlg>(&window);
        // Within the pixel that halving an odd height leaves.
        QVERIFY2((dialog->geometry().center() - window.geometry().center()).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("dialog at %1,%2").arg(dialog->x()).arg(dialog->y())));
    }

    void resultText_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qulonglong>("freed");
        QTest::addColumn<QStringList>("notRemoved");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notRemovedText");
        QTest::addColumn<bool>("success"); // the success look, else the failure look
        const QString withSize = QStringLiteral(
            "<font style = 'font-size:16px;color:rgba(255,255,255,153)'>Successfully uninstall </font><font style = "
            "'font-size:16px; font-weight:600;color:rgb(40,191,96)'>%1</font><font style = 'font-size:16px; "
            "color:rgba(255,255,255,153)'> program(s) and free up </font><font style = 'font-size:16px; "
            "font-weight:600;color:rgb(40,191,96)'>%2</font>");
        const QString withoutSize = QStringLiteral(
            "<font style = 'font-size:16px;color:rgba(255,255,255,153)'>Successfully uninstall </font><font style = "
            "'font-size:16px; font-weight:600;color:rgb(40,191,96)'>%1</font><font style = "
            "'font-size:16px;color:rgba(255,255,255,153)'> program(s).</font>");
        QTest::newRow("all removed, with size")
            << 3 << qulonglong(5767168) << QStringList() << withSize.arg(3).arg("5.50 MB") << "" << true;
        QTest::newRow("all removed, total size 0")
            << 2 << qulonglong(0) << QStringList() << withoutSize.arg(2) << "" << true;
        QTest::newRow("one not removed") << 2 << qulonglong(2048) << QStringList{"Acme Notes"}
                                         << withSize.arg(2).arg("2.00 KB") << "Acme Notes" << true;
        QTest::newRow("none removed, names escaped")
            << 0 << qulonglong(0) << QStringList{"Acme Notes", "B&C <Tools>"} << withoutSize.arg(0)
            << "Acme Notes, B&amp;C &lt;Tools&gt;" << false;
    }

    void resultText() {
        QFETCH(int, count);
        QFETCH(qulonglong, freed);
        QFETCH(QStringList, notRemoved);
        QFETCH(QString, text);
        QFETCH(QString, notRemovedText);
        QFETCH(bool, success);
        CUIPublic::instance()->SetTotalSize(freed);
        CUninstallRstDlg dialog;
        dialog.SetResult(count, 0);
        dialog.SetNotRemoved(notRemoved);
        dialog.Build();
        QCOMPARE(dialog.size(), QSize(640, 427));
        QCOMPARE(dialog.TitleLabel()->text(),
                 success ? QStringLiteral("Uninstall Completed!") : QStringLiteral("No program was removed"));
        QCOMPARE(dialog.TitleLabel()->font().pixelSize(), 24);
        QCOMPARE(dialog.ResultLabel()->text(), text);
        const QImage picture = dialog.PictureLabel()->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.pixelColor(48, 48), success ? QColor(40, 191, 96) : QColor(229, 72, 77));
        if (notRemovedText.isEmpty()) {
            QVERIFY(dialog.NotRemovedLabel() == nullptr);
        } else {
            QVERIFY(dialog.NotRemovedLabel() != nullptr);
            QVERIFY2(dialog.NotRemovedLabel()->text().contains(QStringLiteral("Not removed: ")),
                     qPrintable(dialog.NotRemovedLabel()->text()));
            QVERIFY2(dialog.NotRemovedLabel()->text().contains(notRemovedText),
                     qPrintable(dialog.NotRemovedLabel()->text()));
        }
        CUIPublic::instance()->SetTotalSize(0);
    }

    void resultSendsDialogResultOnceOnClose_data() {
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("payload");
        QTest::newRow("MSG_CLOSE_DLG, flag 0") << 0 << "closeMsg" << 0;
        QTest::newRow("MSG_CLOSE_DLG, flag 5") << 5 << "closeMsg" << 1;
        QTest::newRow("title bar close control") << 0 << "titleClose" << 0;
        QTest::newRow("Escape") << 0 << "escape" << 0;
        QTest::newRow("Enter") << 0 << "enter" << 0;
    }

    void resultSendsDialogResultOnceOnClose() {
        QFETCH(int, flag);
        QFETCH(QString, action);
        QFETCH(int, payload);
        ResultRecorder recorder;
        CUninstallRstDlg dialog;
        dialog.SetResult(1, flag);
        dialog.Build();
        const int code = ExecWith(dialog, [&dialog, action] {
            // Let the dialog's own marker through first, as a user would.
            QTimer::singleShot(50, &dialog, [&dialog, action] {
                if (action == "closeMsg")
                    SendCloseFromWorker();
                else if (action == "titleClose")
                    QTest::mouseClick(dialog.TitleBar()->CloseButton(), Qt::LeftButton);
                else
                    QTest::keyClick(&dialog, action == "enter" ? Qt::Key_Return : Qt::Key_Escape);
            });
        });
        QVERIFY(code != 99);
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
        QCOMPARE(recorder.payloads, QList<int>{payload});
    }

    // The result offers the restore points only when a clean left one.
    void resultOffersRestoreOnlyWithARestorePoint_data() {
        QTest::addColumn<QString>("point");
        QTest::newRow("with a restore point") << "20261211-101500";
        QTest::newRow("without") << "";
    }
    void resultOffersRestoreOnlyWithARestorePoint() {
        QFETCH(QString, point);
        CUninstallRstDlg dialog;
        dialog.SetResult(1, 0);
        CleanDetails details;
        details.programName = QStringLiteral("Acme Notes");
        details.restorePoint = point;
        dialog.SetDetails({details});
        dialog.Build();
        QVERIFY(dialog.DetailsLink() != nullptr);
        QCOMPARE(dialog.RestoreLink() != nullptr, !point.isEmpty());
    }

    // The list shows each point (programs, items, size); "Restore" puts
    // the chosen one back and says how it went: a file that exists again
    // stays as it is and keeps the point listed.
    void restorePointsListAndRestore_data() {
        QTest::addColumn<bool>("existsAgain");
        QTest::newRow("everything back") << false;
        QTest::newRow("a file exists again") << true;
    }
    void restorePointsListAndRestore() {
        QFETCH(bool, existsAgain);
        QTemporaryDir host;
        QVERIFY(host.isValid());
        MemoryPlatform machine;
        machine.files.MapDriveOutside("Z:", "/");
        const std::string file = "C:\\users\\tester\\AppData\\Roaming\\Acme\\settings.ini";
        machine.files.CreateFolder("C:\\users\\tester\\AppData\\Roaming\\Acme");
        machine.files.WriteFile(file, "x=1");
        CRestoreStore store(machine.files, machine.registry, host.filePath(QStringLiteral("restore")));
        QString error;
        std::unique_ptr<CRestorePoint> point = store.Begin({QStringLiteral("Acme Notes")}, &error);
        QVERIFY2(point, qPrintable(error));
        QCOMPARE(point->TakeFile("\\\\?\\" + file), 0u);
        QVERIFY(store.Seal(*point, &error));
        if (existsAgain) machine.files.WriteFile(file, "new");

        CRestorePointsDlg dialog(&store);
        dialog.Build();
        QCOMPARE(dialog.PointTree()->topLevelItemCount(), 1);
        QTreeWidgetItem* row = dialog.PointTree()->topLevelItem(0);
        QCOMPARE(row->text(1), QStringLiteral("Acme Notes"));
        QCOMPARE(row->text(2), QStringLiteral("1"));
        QVERIFY(!dialog.RestoreButton()->isEnabled());
        row->setSelected(true);
        QVERIFY(dialog.RestoreButton()->isEnabled());
        QTest::mouseClick(dialog.RestoreButton(), Qt::LeftButton);
        const QString outcome = dialog.OutcomeLabel()->text();
        if (existsAgain) {
            QVERIFY2(outcome.contains(QStringLiteral("exist again")), qPrintable(outcome));
            QCOMPARE(machine.files.ReadFile(file), std::string("new"));
            QCOMPARE(dialog.PointTree()->topLevelItemCount(), 1);
        } else {
            QVERIFY2(outcome.startsWith(QStringLiteral("1 item(s) restored.")), qPrintable(outcome));
            QCOMPARE(machine.files.ReadFile(file), std::string("x=1"));
            QCOMPARE(dialog.PointTree()->topLevelItemCount(), 0);
        }
    }
};

QTEST_MAIN(TestUninstallDialogs)
#include "tst_uninstalldialogs.moc"
