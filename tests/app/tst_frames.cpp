// The frames and their title bars: maximise / restore / minimise and the
// double-click, dragging the window by its bar (and the drags that must not
// move it), the painted chrome and the blur overlay.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "TestPictures.h"
#include "app/AeroGlassHelper.h"
#include "app/BaseDialog.h"
#include "app/BlurDlg.h"
#include "app/WinFrm.h"
#include "app/WindowDlgTitle.h"
#include "app/WindowTitle.h"

namespace {

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A point on the bar's own surface, between its labels and buttons.
QPoint FreeSpotOn(CTitleBarBase* bar) {
    for (int x = bar->width() / 2; x < bar->width(); x += 4)
        if (bar->childAt(x, 16) == nullptr) return QPoint(x, 16);
    return QPoint(-1, -1);
}

void ApplyStart(QWidget* frame, CWindowTitle* mainBar, const QString& start) {
    if (start == "maximized") {
        if (mainBar)
            mainBar->SetMaximized(true);
        else
            frame->setWindowState(Qt::WindowMaximized);
    } else if (start == "fullscreen") {
        frame->setWindowState(Qt::WindowFullScreen);
    } else if (start == "maximized+fullscreen") {
        // What Windows reports for a maximised frameless window.
        frame->setWindowState(Qt::WindowMaximized | Qt::WindowFullScreen);
    }
}

} // namespace

class TestFrames : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString oldCurrent;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(WriteTestPictures(dir.path()));
        oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(oldCurrent); }

    void mainTitleBarStates_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("expectedState");
        QTest::addColumn<bool>("maximizeShown");
        QTest::addColumn<bool>("restoreShown");
        QTest::newRow("maximise button") << "normal"
                                         << "maximize" << int(Qt::WindowMaximized) << false << true;
        QTest::newRow("restore button") << "maximized"
                                        << "restore" << int(Qt::WindowNoState) << true << false;
        QTest::newRow("double-click a normal window") << "normal"
                                                      << "dclick" << int(Qt::WindowMaximized) << false << true;
        QTest::newRow("double-click a maximised window") << "maximized"
                                                         << "dclick" << int(Qt::WindowNoState) << true << false;
        QTest::newRow("double-click a full-screen window") << "fullscreen"
                                                           << "dclick" << int(Qt::WindowNoState) << true << false;
        QTest::newRow("double-click a window both maximised and full screen")
            << "maximized+fullscreen"
            << "dclick" << int(Qt::WindowNoState) << true << false;
        QTest::newRow("minimise button") << "normal"
                                         << "minimize" << int(Qt::WindowMinimized) << true << false;
    }

    void mainTitleBarStates() {
        QFETCH(QString, start);
        QFETCH(QString, action);
        QFETCH(int, expectedState);
        QFETCH(bool, maximizeShown);
        QFETCH(bool, restoreShown);
        CWinFrm frame;
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CWindowTitle* bar = frame.TitleBar();
        ApplyStart(&frame, bar, start);

        if (action == "maximize")
            QTest::mouseClick(bar->MaximizeButton(), Qt::LeftButton);
        else if (action == "restore")
            QTest::mouseClick(bar->RestoreButton(), Qt::LeftButton);
        else if (action == "minimize")
            QTest::mouseClick(bar->MinimizeButton(), Qt::LeftButton);
        else if (action == "dclick")
            QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, FreeSpotOn(bar));

        QCOMPARE(int(frame.windowState()), expectedState);
        QCOMPARE(!bar->MaximizeButton()->isHidden(), maximizeShown);
        QCOMPARE(!bar->RestoreButton()->isHidden(), restoreShown);
        QVERIFY(bar->MaximizeButton()->isHidden() != bar->RestoreButton()->isHidden());
        if (restoreShown) QVERIFY(bar->RestoreButton()->isEnabled());
    }

    void barWithoutFrameDoesNothing() {
        CWindowTitle bar;
        QSignalSpy menu(&bar, &CWindowTitle::MainMenuRequested);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTest::mouseClick(bar.MaximizeButton(), Qt::LeftButton);
        QTest::mouseClick(bar.MenuButton(), Qt::LeftButton);
        QTest::mouseDClick(&bar, Qt::LeftButton, Qt::NoModifier, FreeSpotOn(&bar));
        QVERIFY(!bar.MaximizeButton()->isHidden());
        QVERIFY(bar.RestoreButton()->isHidden());
        QCOMPARE(menu.count(), 0);
        QCOMPARE(bar.windowState(), Qt::WindowNoState);
    }

    void menuButtonAsksForTheMainMenu() {
        CWinFrm frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QSignalSpy menu(frame.TitleBar(), &CWindowTitle::MainMenuRequested);
        QTest::mouseClick(frame.TitleBar()->MenuButton(), Qt::LeftButton);
        QCOMPARE(menu.count(), 1);
    }

    void dragging_data() {
        QTest::addColumn<bool>("dialogBar");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("pressButton");
        QTest::addColumn<int>("heldButtons");
        QTest::addColumn<bool>("moves");
        const int left = Qt::LeftButton;
        const int right = Qt::RightButton;
        const int both = Qt::LeftButton | Qt::RightButton;
        QTest::newRow("main bar surface") << false << "normal"
                                          << "bar" << left << left << true;
        QTest::newRow("main title label") << false << "normal"
                                          << "title" << left << left << true;
        QTest::newRow("main logo") << false << "normal"
                                   << "logo" << left << left << true;
        QTest::newRow("dialog bar surface") << true << "normal"
                                            << "bar" << left << left << true;
        QTest::newRow("dialog title label") << true << "normal"
                                            << "title" << left << left << true;
        QTest::newRow("right button") << false << "normal"
                                      << "bar" << right << right << false;
        QTest::newRow("second button pressed during the drag") << false << "normal"
                                                               << "bar" << left << both << false;
        QTest::newRow("dialog, second button") << true << "normal"
                                               << "bar" << left << both << false;
        QTest::newRow("maximised window") << false << "maximized"
                                          << "bar" << left << left << false;
        QTest::newRow("full-screen window") << false << "fullscreen"
                                            << "bar" << left << left << false;
        QTest::newRow("window both maximised and full screen") << false << "maximized+fullscreen"
                                                               << "bar" << left << left << false;
        QTest::newRow("press on a bar button") << false << "normal"
                                               << "button" << left << left << false;
        QTest::newRow("press on the dialog's close button") << true << "normal"
                                                            << "button" << left << left << false;
    }

    void dragging() {
        QFETCH(bool, dialogBar);
        QFETCH(QString, start);
        QFETCH(QString, target);
        QFETCH(int, pressButton);
        QFETCH(int, heldButtons);
        QFETCH(bool, moves);

        std::unique_ptr<QWidget> frame;
        CTitleBarBase* bar = nullptr;
        QWidget* button = nullptr;
        CWindowTitle* mainBar = nullptr;
        if (dialogBar) {
            auto dialog = std::make_unique<CBaseDialog>();
            dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
            auto* widthLabel = new QLabel(dialog.get());
            widthLabel->setFixedWidth(500);
            dialog->BodyLayout()->addWidget(widthLabel);
            dialog->resize(500, 300);
            bar = dialog->TitleBar();
            button = dialog->TitleBar()->CloseButton();
            frame = std::move(dialog);
        } else {
            auto main = std::make_unique<CWinFrm>();
            main->resize(900, 600);
            mainBar = main->TitleBar();
            bar = mainBar;
            button = mainBar->MenuButton();
            frame = std::move(main);
        }
        frame->move(200, 150);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        ApplyStart(frame.get(), mainBar, start);
        QCoreApplication::processEvents();

        QWidget* w = bar;
        QPoint at = FreeSpotOn(bar);
        if (target == "title") {
            w = bar->TitleLabel();
            at = w->rect().center();
        } else if (target == "logo") {
            w = bar->LogoLabel();
            at = w->rect().center();
        } else if (target == "button") {
            w = button;
            at = w->rect().center();
        }
        QVERIFY(at.x() >= 0);

        const QPoint before = frame->pos();
        const QPoint delta(30, 12);
        const auto pressed = Qt::MouseButton(pressButton);
        SendMouse(w, QEvent::MouseButtonPress, at, pressed, pressed);
        SendMouse(w, QEvent::MouseMove, at + delta, Qt::NoButton, Qt::MouseButtons(heldButtons));
        QCOMPARE(frame->pos(), moves ? before + delta : before);
        // Release away from any button, so that nothing is clicked.
        SendMouse(w, QEvent::MouseButtonRelease, at + delta, pressed, Qt::NoButton);
        QVERIFY(!bar->IsDragging());
        // With the button up again, moves never drag.
        const QPoint afterRelease = frame->pos();
        SendMouse(w, QEvent::MouseMove, at + delta + delta, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(frame->pos(), afterRelease);
    }

    void paintedChrome() {
        CWinFrm frame;
        frame.resize(400, 300);
        const QImage mainImage = frame.grab().toImage();
        QCOMPARE(mainImage.pixelColor(200, 10), QColor(26, 29, 44));  // title bar
        QCOMPARE(mainImage.pixelColor(200, 100), QColor(38, 43, 65)); // content band
        QCOMPARE(mainImage.pixelColor(200, 300 - 95 + 31), QColor(38, 43, 65));
        QCOMPARE(mainImage.pixelColor(200, 300 - 95 + 33), QColor(26, 29, 44)); // bottom strip
        QCOMPARE(mainImage.pixelColor(200, 280), QColor(26, 29, 44));

        CBaseDialog dialog;
        dialog.resize(400, 200);
        const QImage dialogImage = dialog.grab().toImage();
        const QColor body(45, 51, 77);
        QCOMPARE(dialogImage.pixelColor(200, 100), body);
        QCOMPARE(dialogImage.pixelColor(380, 20), body);
        // The smooth separator line at y = 32 is lighter than the body.
        QVERIFY(dialogImage.pixelColor(200, 32).red() > body.red());
        QCOMPARE(dialogImage.pixelColor(200, 34), body);
    }

    void frameLayoutsAndFlags() {
        CWinFrm frame;
        QVERIFY(frame.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(frame.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(frame.TitleBar()->FrameWindow(), static_cast<QWidget*>(&frame));
        QCOMPARE(frame.TitleBar()->height(), 32);

        QWidget parent;
        CBaseDialog dialog(&parent);
        // Still a window of its own, not a child painted into the parent.
        QVERIFY(dialog.isWindow());
        QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(dialog.TitleBar()->FrameWindow(), static_cast<QWidget*>(&dialog));
        QCOMPARE(dialog.BodyLayout()->contentsMargins(), QMargins(0, 0, 0, 20));
        QCOMPARE(dialog.FrameLayout()->contentsMargins(), QMargins(0, 0, 0, 20));
    }

    void baseDialogActivatedBeforeItsShownShowsItself() {
        CBaseDialog dialog;
        dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        QVERIFY(!dialog.isVisible());
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&dialog, &activate);
        QVERIFY(dialog.isVisible());

        // Once the program hid it, a late activation must not bring it back.
        dialog.hide();
        QApplication::sendEvent(&dialog, &activate);
        QVERIFY(!dialog.isVisible());
    }

    // Only Windows 10 and later blur; elsewhere the overlay gets no effect.
    void blurOverlay() {
        CWinFrm main;
        main.resize(900, 600);
        CBlurDlg blur(&main);
        blur.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        QCOMPARE(blur.size(), QSize(900, 600));
        QVERIFY(blur.TitleBar()->LogoLabel()->isHidden());
        QVERIFY(blur.TitleBar()->TitleLabel()->isHidden());
        QVERIFY(blur.TitleBar()->CloseButton()->isHidden());

        const bool win10 = blur.GlassHelper()->IsWindows10OrLater();
#ifndef _WIN32
        QVERIFY(!win10);
#endif
        for (int show = 0; show < 2; ++show) {
            blur.show();
            QVERIFY(QTest::qWaitForWindowExposed(&blur));
            if (win10) {
                QVERIFY(blur.graphicsEffect() != nullptr);
                QCOMPARE(blur.GlassHelper()->LastWindow(), blur.winId());
            } else {
                QVERIFY(blur.graphicsEffect() == nullptr);
                QCOMPARE(blur.GlassHelper()->LastWindow(), WId(0));
            }
            blur.hide();
        }
    }
};

QTEST_MAIN(TestFrames)
#include "tst_frames.moc"
