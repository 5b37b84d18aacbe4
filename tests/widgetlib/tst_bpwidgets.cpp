// Behaviour of the CBP widgets that other windows rely on: the default
// button, the hyperlink's click and the menu row widget that must let its
// menu trigger the action.

#include <QDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QWidgetAction>
#include <QtTest>

#include "widgetlib/BPQtGroupBox.h"
#include "widgetlib/BPQtHyperLink.h"
#include "widgetlib/BPQtPushBtn.h"
#include "widgetlib/BPStyleMenuItem.h"

class TestBPWidgets : public QObject {
    Q_OBJECT

private slots:
    void defaultButtonTakesTheEnterKey() {
        QDialog dialog;
        auto* row = new QHBoxLayout(&dialog);
        auto* first = new CBPQtPushBtn(QStringLiteral("First"), &dialog);
        auto* second = new CBPQtPushBtn(QStringLiteral("Second"), &dialog);
        row->addWidget(first);
        row->addWidget(second);
        second->setAsDefaultBtn();
        QVERIFY(second->isDefault());
        QVERIFY(!first->isDefault());
        QCOMPARE(second->property("defaultBtn").toBool(), true);

        QSignalSpy clicked(second, &CBPQtPushBtn::clicked);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(clicked.count(), 1);
    }

    void hyperLinkClick_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("releaseInside");
        QTest::addColumn<int>("expectedClicks");
        QTest::newRow("left click") << int(Qt::LeftButton) << true << 1;
        QTest::newRow("left press, released outside") << int(Qt::LeftButton) << false << 0;
        QTest::newRow("right click") << int(Qt::RightButton) << true << 0;
    }

    void hyperLinkClick() {
        QFETCH(int, button);
        QFETCH(bool, releaseInside);
        QFETCH(int, expectedClicks);
        CBPQtHyperLink link(QStringLiteral("www.example.test"));
        link.resize(200, 20);
        QStringList texts;
        connect(&link, &CBPQtHyperLink::linkClicked, this, [&texts](QString& text) { texts << text; });
        const auto b = Qt::MouseButton(button);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), b, b, Qt::NoModifier);
        QApplication::sendEvent(&link, &press);
        const QPointF at = releaseInside ? QPointF(12, 10) : QPointF(300, 10);
        QMouseEvent release(QEvent::MouseButtonRelease, at, b, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&link, &release);
        QCOMPARE(texts.size(), expectedClicks);
        if (expectedClicks > 0) QCOMPARE(texts.front(), QStringLiteral("www.example.test"));
    }

    void groupBoxHasNoFrameMargins() {
        CBPQtGroupBox box;
        auto* row = new QHBoxLayout(&box);
        row->setContentsMargins(0, 0, 0, 0);
        box.resize(100, 32);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.contentsRect(), box.rect());
    }

    // A click on the row widget of a widget action must reach the menu, which
    // triggers the action and closes.
    void menuItemClickTriggersItsAction() {
        QMenu menu;
        auto* action = new QWidgetAction(&menu);
        auto* item = new CBPStyleMenuItem(QStringLiteral("About"), QString());
        item->setMinimumWidth(125);
        action->setDefaultWidget(item);
        menu.addAction(action);
        QSignalSpy triggered(&menu, &QMenu::triggered);

        QTimer::singleShot(50, &menu, [&menu, item] {
            QWidget* shown = nullptr;
            for (QWidget* w : menu.findChildren<CBPStyleMenuItem*>())
                if (w->isVisible()) shown = w;
            QVERIFY(shown == item);
            const QPoint centre = item->rect().center();
            QTest::mouseMove(item, centre);
            QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, centre);
        });
        QTimer::singleShot(3000, &menu, &QMenu::close); // never hang
        QAction* chosen = menu.exec(QPoint(100, 100));

        QCOMPARE(triggered.count(), 1);
        QCOMPARE(triggered.front().front().value<QAction*>(), static_cast<QAction*>(action));
        QCOMPARE(chosen, static_cast<QAction*>(action));
        QVERIFY(!menu.isVisible());
    }

    void disabledMenuItemDoesNotTrigger() {
        QMenu menu;
        auto* action = new QWidgetAction(&menu);
        auto* item = new CBPStyleMenuItem(QStringLiteral("Check Update"), QStringLiteral("F5"));
        action->setDefaultWidget(item);
        action->setEnabled(false);
        menu.addAction(action);
        QSignalSpy triggered(&menu, &QMenu::triggered);
        QTimer::singleShot(50, &menu,
                           [item] { QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, item->rect().center()); });
        QTimer::singleShot(500, &menu, &QMenu::close);
        menu.exec(QPoint(100, 100));
        QCOMPARE(triggered.count(), 0);
        QVERIFY(!item->isEnabled());
        QCOMPARE(item->SecondText(), QStringLiteral("F5"));
    }
};

QTEST_MAIN(TestBPWidgets)
#include "tst_bpwidgets.moc"
