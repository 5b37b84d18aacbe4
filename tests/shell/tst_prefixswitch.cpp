// The title bar's prefix menu against the in-memory platform: it offers the
// prefixes found in a sandbox home, and choosing one reads that prefix's
// programs through a new backend; the title bar, About and the remembered
// choice follow. A prefix another window holds, or one whose programs cannot
// be read, leaves the window as it was.
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "TestSettingsFiles.h"
#include "app/ElidedLabel.h"
#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "shell/AboutDlg.h"
#include "shell/MainWin.h"
#include "tests/fake/MemoryPlatform.h"

namespace {

CMainWin::PlatformFactory WithPrograms(const QStringList& names) {
    return [names](std::string*) -> std::unique_ptr<platform::IPlatform> {
        auto fake = std::make_unique<MemoryPlatform>();
        for (const QString& name : names)
            fake->AddProgram(name.toStdString());
        return fake;
    };
}

QStringList ProgramNames() {
    QStringList names;
    for (const ProgramRecord& record : CUIPublic::instance()->GetPrograms())
        names << record.text.name;
    return names;
}

bool MakePrefix(const QString& folder) {
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/system.reg"));
    return file.open(QIODevice::WriteOnly) && file.write("WINE REGISTRY Version 2\n") > 0;
}

} // namespace

class PrefixSwitchTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuOffersThePrefixesAndSwitches();
    void refusedSwitches_data();
    void refusedSwitches();

private:
    // A window on `first` whose switch makes `backend` read the other prefix.
    std::unique_ptr<CMainWin> OpenWindow(bool claimGranted, CMainWin::PlatformFactory backend);

    QTemporaryDir sandbox;
    QString first, second;
    QStringList backendsAsked, claimed, kept;
};

void PrefixSwitchTest::init() {
    TestSettingsFiles::Clear();
    QVERIFY(sandbox.isValid());
    const QString home = QDir(sandbox.path()).canonicalPath();
    qputenv("HOME", home.toUtf8());
    qunsetenv("WINEPREFIX");
    first = home + QStringLiteral("/.wine");
    second = home + QStringLiteral("/.local/share/wineprefixes/games");
    QVERIFY(MakePrefix(first));
    QVERIFY(MakePrefix(second));
    backendsAsked.clear();
    claimed.clear();
    kept.clear();
}

void PrefixSwitchTest::cleanup() {
    CBaseDialog::SetAnswerer(nullptr);
    TestSettingsFiles::Clear();
}

std::unique_ptr<CMainWin> PrefixSwitchTest::OpenWindow(bool claimGranted, CMainWin::PlatformFactory backend) {
    CUIPublic::instance()->SetTargetName(first);
    auto window = std::make_unique<CMainWin>(WithPrograms({QStringLiteral("Alpha")}));
    CMainWin::PrefixSwitch prefixSwitch;
    prefixSwitch.backend = [this, backend](const QString& prefix) {
        backendsAsked << prefix;
        return backend;
    };
    prefixSwitch.claim = [this, claimGranted](const QString& prefix) {
        claimed << prefix;
        return claimGranted;
    };
    prefixSwitch.keepOnly = [this](const QString& prefix) { kept << prefix; };
    window->EnablePrefixSwitch(prefixSwitch);
    window->show();
    return window;
}

void PrefixSwitchTest::menuOffersThePrefixesAndSwitches() {
    std::unique_ptr<CMainWin> window =
        OpenWindow(true, WithPrograms({QStringLiteral("Beta"), QStringLiteral("Gamma")}));
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(ProgramNames(), QStringList{"Alpha"});
    QPushButton* button = window->TitleBar()->PrefixButton();
    QVERIFY(button->isVisible());

    QStringList offered;
    QString checked;
    QTimer::singleShot(100, [&]() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        QAction* other = nullptr;
        for (QAction* action : menu->actions()) {
            offered << action->text();
            if (action->isChecked()) checked = action->data().toString();
            if (action->data().toString() == second) other = action;
        }
        if (other != nullptr) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(other).center());
    });
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(offered, (QStringList{"~/.wine   (default, 0 programs)",
                                   "~/.local/share/wineprefixes/games   (wineprefixes, 0 programs)"}));
    QCOMPARE(checked, first);
    QCOMPARE(backendsAsked, QStringList{second});
    QCOMPARE(claimed, QStringList{second});
    QCOMPARE(kept, QStringList{second});
    QCOMPARE(ProgramNames(), (QStringList{"Beta", "Gamma"}));
    QVERIFY(window->RightContent() != nullptr);
    QCOMPARE(CUIPublic::instance()->TargetName(), second);
    QCOMPARE(window->TitleBar()->TargetLabel()->FullText(),
             QStringLiteral("Wine prefix ~/.local/share/wineprefixes/games"));
    QVariant remembered;
    QVERIFY(CUIPublic::ReadIniValue(QStringLiteral("Main"), QStringLiteral("Prefix"), remembered,
                                    QStringLiteral("userconfig")));
    QCOMPARE(remembered.toString(), second);
    CAboutDlg about(window.get());
    about.BuildContent();
    QVERIFY(about.TargetLabel() != nullptr);
    QCOMPARE(about.TargetLabel()->FullText(), QStringLiteral("Wine prefix: %1").arg(second));

    // The prefix the window manages is no switch at all.
    QVERIFY(!window->SwitchPrefix(second + QStringLiteral("/")));
    QCOMPARE(backendsAsked.size(), 1);
}

void PrefixSwitchTest::refusedSwitches_data() {
    QTest::addColumn<bool>("claimGranted");
    QTest::addColumn<bool>("backendStarts");
    QTest::addColumn<QStringList>("asked");    // backends made
    QTest::addColumn<QStringList>("keptOnly"); // "first": the claim goes back to the first prefix
    QTest::addColumn<int>("boxes");
    QTest::newRow("another window holds it") << false << true << QStringList() << QStringList() << 0;
    QTest::newRow("its backend cannot start") << true << false << QStringList{"second"} << QStringList{"first"} << 1;
}

void PrefixSwitchTest::refusedSwitches() {
    QFETCH(bool, claimGranted);
    QFETCH(bool, backendStarts);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, keptOnly);
    QFETCH(int, boxes);
    QStringList texts;
    CBaseDialog::SetAnswerer([&texts](CBaseDialog& dialog) {
        auto* box = qobject_cast<CMSGDlg*>(&dialog);
        if (box == nullptr) return false;
        texts << box->Text();
        box->OKClicked();
        return true;
    });
    std::unique_ptr<CMainWin> window = OpenWindow(
        claimGranted, backendStarts ? WithPrograms({QStringLiteral("Beta")}) : [](std::string* error) {
            *error = "wine was not found";
            return std::unique_ptr<platform::IPlatform>();
        });
    QVERIFY(!window->SwitchPrefix(second));
    const auto named = [this](const QStringList& which) {
        QStringList paths;
        for (const QString& name : which)
            paths << (name == QLatin1String("first") ? first : second);
        return paths;
    };
    QCOMPARE(backendsAsked, named(asked));
    QCOMPARE(claimed, QStringList{second});
    QCOMPARE(kept, named(keptOnly));
    QCOMPARE(texts.size(), boxes);
    if (boxes != 0) QVERIFY2(texts.front().endsWith(QStringLiteral("Wine was not found")), qPrintable(texts.front()));
    QCOMPARE(ProgramNames(), QStringList{"Alpha"});
    QCOMPARE(CUIPublic::instance()->TargetName(), first);
    QVERIFY(window->RightContent() != nullptr);
    QVariant remembered;
    QVERIFY(!CUIPublic::ReadIniValue(QStringLiteral("Main"), QStringLiteral("Prefix"), remembered,
                                     QStringLiteral("userconfig")));
}

QTEST_MAIN(PrefixSwitchTest)
#include "tst_prefixswitch.moc"
