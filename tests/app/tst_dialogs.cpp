// The shared dialogs: the message box's content and results, the answer
// seam, centring over a parent, and MSG_CLOSE_DLG closing every dialog that
// listens to it, whoever sends it.

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <memory>
#include <thread>

#include "TestPictures.h"
#include "app/BaseDialog.h"
#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/StartDlg.h"
#include "app/WindowDlgTitle.h"
#include "include/MsgIds.h"
#include "support/Log.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/BPQtPushBtn.h"

namespace {

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

// Runs `action` once the modal loop of `dialog` has started; a safety timer
// ends the run with 99 so that a broken dialog fails instead of hanging.
int ExecWith(QDialog& dialog, std::function<void()> action) {
    QTimer::singleShot(0, &dialog, std::move(action));
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(99); });
    return dialog.exec();
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString oldCurrent;

private slots:
    void initTestCase() {
        // The sizes checked below follow from the widths of real letters.
        QVERIFY2(!QFontDatabase().families().isEmpty(),
                 "no fonts (the offscreen platform on Windows reads them from QT_QPA_FONTDIR)");
        QVERIFY(dir.isValid());
        QVERIFY(WriteTestPictures(dir.path()));
        oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        SetLogFilePath(dir.filePath(QStringLiteral("test.log")));
    }

    void cleanupTestCase() {
        SetLogFilePath(QString());
        QDir::setCurrent(oldCurrent);
    }

    void cleanup() {
        CMSGDlg::ClearAnswer();
        QTRY_COMPARE(CBPNotifyCentor::instance()->PendingCount(), std::size_t(0));
    }

    void messageBoxContent_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("success, OK") << 0 << 1 << "tip_suc.png" << QStringList{"OK"};
        QTest::newRow("warning, OK and Cancel") << 1 << 2 << "tip_warnning.png" << QStringList{"OK", "Cancel"};
        QTest::newRow("info, YES and NO") << 2 << 3 << "tip_ok.png" << QStringList{"YES", "NO"};
        QTest::newRow("failure, no buttons") << 3 << 0 << "tip_failed.png" << QStringList{};
        QTest::newRow("unknown kind 7 shows failure, mode 4 has no buttons")
            << 7 << 4 << "tip_failed.png" << QStringList{};
        QTest::newRow("negative kind shows failure") << -1 << 1 << "tip_failed.png" << QStringList{"OK"};
    }

    void messageBoxContent() {
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(QString, picture);
        QFETCH(QStringList, buttons);
        CMSGDlg box(434, 240);
        box.SetContent(kind, QStringLiteral("Tolvanire Uninstaller has been running!"), mode);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        QCOMPARE(box.size(), QSize(434, 240));
        QCOMPARE(box.windowFlags() & (Qt::Dialog | Qt::FramelessWindowHint), Qt::Dialog | Qt::FramelessWindowHint);
        // The content is as wide as the box, so the title bar spans it.
        QCOMPARE(box.TitleBar()->width(), 434);
        QCOMPARE(CentreColour(box.IconLabel()), TestPictureColour(picture));
        QCOMPARE(box.TextLabel()->text(), QStringLiteral("Tolvanire Uninstaller has been running!"));
        QCOMPARE(box.TextLabel()->font().pixelSize(), 15);

        QStringList shown;
        const auto all = box.findChildren<CBPQtPushBtn*>();
        for (CBPQtPushBtn* button : all)
            shown << button->text();
        QCOMPARE(shown, buttons);
        if (!buttons.isEmpty()) {
            QVERIFY(box.FirstButton()->isDefault());
            QCOMPARE(box.FirstButton()->font().pixelSize(), 12);
        }
        if (buttons.size() == 2) QVERIFY(!box.SecondButton()->isDefault());
    }

    void messageBoxResult_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("expected");
        QTest::newRow("OK of mode 1") << 1 << "first" << 0;
        QTest::newRow("OK of mode 2") << 2 << "first" << 0;
        QTest::newRow("Cancel") << 2 << "second" << 1;
        QTest::newRow("YES") << 3 << "first" << 0;
        QTest::newRow("NO") << 3 << "second" << 1;
        QTest::newRow("Enter presses the default button") << 3 << "enter" << 0;
        QTest::newRow("MSG_CLOSE_DLG from a worker") << 1 << "closeMsg" << 1;
        QTest::newRow("MSG_CLOSE_DLG, box without buttons") << 0 << "closeMsg" << 1;
        QTest::newRow("own title-bar close button") << 2 << "titleClose" << 1;
        // Dismissing a question is never consent.
        QTest::newRow("Escape on OK/Cancel is Cancel") << 2 << "escape" << 1;
        QTest::newRow("Escape on Yes/No is NO") << 3 << "escape" << 1;
        QTest::newRow("window system's close on OK/Cancel is Cancel") << 2 << "windowClose" << 1;
        QTest::newRow("window system's close on Yes/No is NO") << 3 << "windowClose" << 1;
        QTest::newRow("Escape on OK only is OK") << 1 << "escape" << 0;
        QTest::newRow("window system's close on OK only is OK") << 1 << "windowClose" << 0;
        QTest::newRow("Escape, box without buttons") << 4 << "escape" << 0;
    }

    void messageBoxResult() {
        QFETCH(int, mode);
        QFETCH(QString, action);
        QFETCH(int, expected);
        CMSGDlg box(434, 240);
        box.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("Remove it?"), mode);
        const int result = ExecWith(box, [&box, action] {
            QVERIFY(box.isVisible());
            if (action == "first")
                QTest::mouseClick(box.FirstButton(), Qt::LeftButton);
            else if (action == "second")
                QTest::mouseClick(box.SecondButton(), Qt::LeftButton);
            else if (action == "enter")
                QTest::keyClick(&box, Qt::Key_Return);
            else if (action == "closeMsg")
                SendCloseFromWorker();
            else if (action == "titleClose")
                QTest::mouseClick(box.TitleBar()->CloseButton(), Qt::LeftButton);
            else if (action == "escape")
                QTest::keyClick(&box, Qt::Key_Escape);
            else if (action == "windowClose")
                box.close();
        });
        QCOMPARE(result, expected);
        QVERIFY(!box.isVisible());
    }

    void presetAnswerSkipsTheModalRun_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("OK") << 0;
        QTest::newRow("Cancel") << 1;
    }

    void presetAnswerSkipsTheModalRun() {
        QFETCH(int, answer);
        QString seenText;
        int seenKind = -1;
        int seenMode = -1;
        CMSGDlg::SetAnswerHook([&](CMSGDlg& box) {
            seenText = box.Text();
            seenKind = box.Kind();
            seenMode = box.ButtonMode();
            return answer;
        });
        CMSGDlg box(434, 240);
        box.SetContent(CMSGDlg::MsgKindWarning, QStringLiteral("Tolvanire Uninstaller has been running!"),
                       CMSGDlg::BtnModeOKCancel);
        bool everShown = false;
        QTimer::singleShot(0, &box, [&] { everShown = box.isVisible(); });
        QCOMPARE(box.exec(), answer);
        QCOMPARE(box.result(), answer);
        QVERIFY(!box.isVisible());
        QCoreApplication::processEvents();
        QVERIFY(!everShown);
        QCOMPARE(seenText, QStringLiteral("Tolvanire Uninstaller has been running!"));
        QCOMPARE(seenKind, int(CMSGDlg::MsgKindWarning));
        QCOMPARE(seenMode, int(CMSGDlg::BtnModeOKCancel));

        CMSGDlg::PresetAnswer(answer);
        CMSGDlg second(300, 200);
        second.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("again"), CMSGDlg::BtnModeYesNo);
        QCOMPARE(second.exec(), answer);
    }

    void opensCentredOverItsParent_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QRect>("parentGeometry");
        QTest::addColumn<QPoint>("expected");
        // parent position + parent extent / 2 - own extent / 2, integer division
        QTest::newRow("message box 434 x 240") << "msg" << QRect(100, 100, 800, 600) << QPoint(283, 280);
        QTest::newRow("busy dialog 130 x 85") << "busy" << QRect(100, 100, 800, 600) << QPoint(435, 358);
        QTest::newRow("busy dialog, odd parent size") << "busy" << QRect(7, 9, 901, 577) << QPoint(392, 255);
    }

    void opensCentredOverItsParent() {
        QFETCH(QString, dialog);
        QFETCH(QRect, parentGeometry);
        QFETCH(QPoint, expected);
        QWidget parent;
        parent.setGeometry(parentGeometry);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        std::unique_ptr<QDialog> d;
        if (dialog == "msg") {
            auto box = std::make_unique<CMSGDlg>(434, 240, &parent);
            box->SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("text"), CMSGDlg::BtnModeOK);
            d = std::move(box);
        } else {
            auto busy = std::make_unique<CRefreshDlg>(&parent);
            busy->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
            busy->BuildBusyView();
            d = std::move(busy);
        }
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        QCOMPARE(d->geometry().topLeft(), expected);
    }

    // A dialog title bar's close button broadcasts MSG_CLOSE_DLG: the box on
    // top, the box below it, the splash and the busy dialog all close; a
    // dialog that did not register stays open.
    void closeMessageClosesEveryListeningDialog() {
        CStartDlg splash;
        splash.BuildSplash();
        splash.show();
        CRefreshDlg busy;
        busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        busy.BuildBusyView();
        busy.show();
        CBaseDialog bystander;
        bystander.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        bystander.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bystander));

        CMSGDlg lower(434, 240);
        lower.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("lower"), CMSGDlg::BtnModeOK);
        CMSGDlg upper(434, 240);
        upper.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("upper"), CMSGDlg::BtnModeOKCancel);
        int upperResult = -1;
        const int lowerResult = ExecWith(lower, [&] {
            upperResult =
                ExecWith(upper, [&upper] { QTest::mouseClick(upper.TitleBar()->CloseButton(), Qt::LeftButton); });
        });
        QCOMPARE(upperResult, 1);
        QCOMPARE(lowerResult, 1);
        QTRY_VERIFY(!splash.isVisible());
        QVERIFY(!busy.isVisible());
        QVERIFY(bystander.isVisible());
    }

    // As at start-up: the splash runs modally until a worker's MSG_CLOSE_DLG.
    void splashClosesOnWorkersMessageAndLogsIt() {
        CStartDlg splash;
        splash.BuildSplash();
        QCOMPARE(splash.size(), QSize(600, 370));
        QCOMPARE(CentreColour(splash.PictureLabel()), TestPictureColour(QStringLiteral("loading.png")));
        std::thread worker;
        const int result = ExecWith(splash, [&worker] {
            worker = std::thread([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
            });
        });
        worker.join();
        QVERIFY(result != 99);
        QVERIFY(!splash.isVisible());
        QFile log(LogFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("CStartDlg received MSG_CLOSE_DLG!"));
    }

    // The refresh worker may finish before the busy dialog is even built:
    // the message is matched to receivers when delivered, so the dialog that
    // registered in the meantime still closes.
    void busyDialogBuiltAfterAFastWorkerStillCloses() {
        SendCloseFromWorker();
        CRefreshDlg busy;
        busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        busy.BuildBusyView();
        const int result = ExecWith(busy, [] {});
        QVERIFY(result != 99);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
