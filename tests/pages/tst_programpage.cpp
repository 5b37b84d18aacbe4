// The program list page against the in-memory platform: rows, search,
// sorting and its menu, ticks, the "Details" link, icons and their cache,
// refresh (also with a failing backend) and the page container.
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <future>
#include <memory>
#include <mutex>

#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/UIPublic.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "inventory/AppEnum.h"
#include "inventory/InventoryService.h"
#include "pages/DetailToolTip.h"
#include "pages/EnumProgramPage.h"
#include "pages/FileTreeItemDelegate.h"
#include "pages/OperationCell.h"
#include "pages/ProgramCell.h"
#include "pages/ProgramIconLoader.h"
#include "pages/SearchEdit.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/pages/IconFiles.h"
#include "uninstall/dialogs/ReadyUninstallDlg.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"

namespace {

struct Program {
    Program(QString n = QString(), QString p = QString(), uint32_t kib = 0, QString v = QString(),
            QString icon = QString(), QString loc = QString())
        : name(n), publisher(p), sizeKiB(kib), version(v), displayIcon(icon), location(loc) {}
    QString name;
    QString publisher;
    uint32_t sizeKiB = 0;
    QString version;
    QString displayIcon;
    QString location;
};

// A backend that can be made to fail, as a dead Wine host does.
class TestPlatform : public MemoryPlatform {
public:
    std::string FatalError() const override {
        std::lock_guard<std::mutex> lock(mutex);
        return fatal;
    }
    void SetFatal(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        fatal = text;
    }

private:
    mutable std::mutex mutex;
    std::string fatal;
};

// Holds the refresh until the test opens the gate.
class GatedService : public CInventoryService {
public:
    using CInventoryService::CInventoryService;
    bool Refresh(std::vector<InstalledProgram>* programs, QString* error) override {
        if (gate.valid()) gate.wait();
        ++refreshes;
        return CInventoryService::Refresh(programs, error);
    }
    std::shared_future<void> gate;
    std::atomic<int> refreshes{0};
};

void AddProgram(TestPlatform& platform, const Program& p) {
    const std::string key = std::string(CAppEnum::kUninstallKey) + "\\" + p.name.toStdString();
    auto& reg = platform.registry;
    const auto hive = platform::Hive::LocalMachine;
    reg.SetString(hive, key, "DisplayName", p.name.toStdString());
    reg.SetString(hive, key, "UninstallString", "C:\\x\\uninst.exe");
    if (!p.publisher.isEmpty()) reg.SetString(hive, key, "Publisher", p.publisher.toStdString());
    if (!p.version.isEmpty()) reg.SetString(hive, key, "DisplayVersion", p.version.toStdString());
    if (!p.displayIcon.isEmpty()) reg.SetString(hive, key, "DisplayIcon", p.displayIcon.toStdString());
    if (!p.location.isEmpty()) reg.SetString(hive, key, "InstallLocation", p.location.toStdString());
    if (p.sizeKiB != 0) reg.SetDword(hive, key, "EstimatedSize", p.sizeKiB);
}

void RemoveProgram(TestPlatform& platform, const QString& name) {
    platform.registry.DeleteKey(platform::Hive::LocalMachine,
                                std::string(CAppEnum::kUninstallKey) + "\\" + name.toStdString());
}

#ifndef _WIN32
// An icon the in-memory machine draws (Windows rows never ask it).
platform::IconImage SolidIcon(uint8_t b, uint8_t g, uint8_t r) {
    platform::IconImage icon;
    icon.width = 32;
    icon.height = 32;
    for (int i = 0; i < 32 * 32; ++i)
        icon.pixels += std::string{char(b), char(g), char(r), char(255)};
    return icon;
}
#endif

QRgb CentreOf(const QPixmap& pixmap) {
    return pixmap.isNull() ? 0 : pixmap.toImage().pixel(16, 16);
}
QRgb CentreOf(const QLabel* label) {
    return CentreOf(label->pixmap(Qt::ReturnByValue));
}

// The in-memory machine, the core and one page in a host widget.
struct Env {
    explicit Env(const QList<Program>& list, const QString& cacheFolder = QString()) {
        for (const Program& p : list)
            AddProgram(platform, p);
        Start(cacheFolder);
    }
    ~Env() { Stop(); }

    void Start(const QString& cacheFolder = QString()) {
        appEnum = std::make_unique<CAppEnum>(platform.Registry(), platform.System());
        appEnum->Enum();
        service =
            std::make_unique<GatedService>(platform, *appEnum, cacheFolder.isEmpty() ? cache.path() : cacheFolder);
        CUIPublic::instance()->SetPrograms(appEnum->GetPrograms());
        CUIPublic::instance()->SetAppEnum(appEnum.get());
        CUIPublic::instance()->SetInventoryService(service.get());
        host = std::make_unique<QWidget>();
        host->resize(960, 560);
        page = new CEnumProgramPage(0);
        host->setLayout(page);
        host->show();
        QTRY_VERIFY(!page->IsBuildingRows());
    }
    void Stop() {
        host.reset();
        CUIPublic::instance()->SetInventoryService(nullptr);
        CUIPublic::instance()->SetAppEnum(nullptr);
        service.reset();
        appEnum.reset();
    }
    void WaitForIcons() { QTRY_VERIFY(!page->IconLoader()->IsBusy()); }

    QStringList Names(bool visibleOnly = false) const {
        QStringList names;
        QTreeWidget* tree = page->Tree();
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            if (!visibleOnly || !tree->topLevelItem(row)->isHidden()) names << tree->topLevelItem(row)->text(0);
        return names;
    }
    QTreeWidgetItem* Item(const QString& name) const {
        QTreeWidget* tree = page->Tree();
        for (int row = 0; row < tree->topLevelItemCount(); ++row)
            if (tree->topLevelItem(row)->text(0) == name) return tree->topLevelItem(row);
        return nullptr;
    }
    ProgramCell* Cell(const QString& name) const {
        return qobject_cast<ProgramCell*>(page->Tree()->itemWidget(Item(name), 1));
    }
    void Tick(const QString& name) { Cell(name)->CheckBox()->click(); }
    QString Title() const { return page->Tree()->headerItem()->text(1); }
    void Search(const QString& text) { page->SearchBox()->LineEdit()->setText(text); }
    void ChooseInMenu(const QString& entry) {
        for (QAction* action : page->SortMenu()->actions())
            if (action->text() == entry) action->trigger();
    }
    QStringList CheckedEntries() const {
        QStringList checked;
        for (QAction* action : page->SortMenu()->actions())
            if (action->isChecked()) checked << action->text();
        return checked;
    }

    QTemporaryDir cache;
    TestPlatform platform;
    std::unique_ptr<CAppEnum> appEnum;
    std::unique_ptr<GatedService> service;
    std::unique_ptr<QWidget> host;
    CEnumProgramPage* page = nullptr;
};

QList<Program> ThreePrograms() {
    return {{QStringLiteral("Beta Player"), QStringLiteral("Sound Works"), 2048, QStringLiteral("2.0")},
            {QStringLiteral("Alpha Editor"), QStringLiteral("acme software"), 900, QStringLiteral("1.5")},
            {QStringLiteral("Gamma Tools"), QString(), 0, QString()}};
}

} // namespace

Q_DECLARE_METATYPE(Program)

class ProgramPageTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        CMSGDlg::ClearAnswer();
        // The uninstall actions are looked at up to the confirmation, which
        // is declined: the run has tests of its own.
        CEnumProgramPage::SetDialogHook([](QDialog& dialog) {
            if (auto* confirm = qobject_cast<CReadyUninstallDlg*>(&dialog)) confirm->OnCancelClicked();
        });
    }
    void cleanup() {
        CMSGDlg::ClearAnswer();
        CEnumProgramPage::SetDialogHook(nullptr);
    }

    void rowsAndCounts_data();
    void rowsAndCounts();
    void search_data();
    void search();
    void ticksSurviveSearchAndHiddenTicksAreCollected();
    void sortMenu_data();
    void sortMenu();
    void sizeOrderIsNumericAndStable();
    void longNameElidedPublisherWhole();
    void tickCounting_data();
    void tickCounting();
    void trashButtonTakesOneProgram();
    void detailsLink_data();
    void detailsLink();
    void icons_data();
    void icons();
    void iconCacheServesSecondStart();
    void manyRowsGetTheirCellsWhileIdle();
    void refreshReplacesListAndClearsTicksAndSearch();
    void refreshDuringRefreshIsIgnored();
    void failingBackendKeepsOldList();
    void containerPassesKeysOn();
};

void ProgramPageTest::rowsAndCounts_data() {
    QTest::addColumn<QList<Program>>("programs");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("title");
    QTest::newRow("no records") << QList<Program>() << "(0)"
                                << " Program Name (0 programs)";
    QTest::newRow("three records") << ThreePrograms() << "(3)"
                                   << " Program Name (3 programs)";
}

void ProgramPageTest::rowsAndCounts() {
    QFETCH(QList<Program>, programs);
    QFETCH(QString, count);
    QFETCH(QString, title);
    Env env(programs);
    QCOMPARE(env.page->CountLabel()->text(), count);
    QCOMPARE(env.Title(), title);
    QCOMPARE(env.page->Tree()->topLevelItemCount(), programs.size());
    QVERIFY(!env.page->UninstallButton()->isEnabled());
    if (programs.isEmpty()) return;

    // Initially by name, descending.
    QCOMPARE(env.Names(), (QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"}));
    QTreeWidgetItem* beta = env.Item(QStringLiteral("Beta Player"));
    QTreeWidgetItem* gamma = env.Item(QStringLiteral("Gamma Tools"));
    QCOMPARE(beta->text(2), FormatSize(2048ull * 1024));
    QCOMPARE(beta->text(3), QStringLiteral("2.0"));
    QCOMPARE(gamma->text(2), QStringLiteral("-"));
    QCOMPARE(gamma->text(3), QStringLiteral("-"));
    QCOMPARE(gamma->data(5, Qt::DisplayRole).toULongLong(), 0ull);

    // The record index is in the item and in both cells, which keep their
    // child order.
    const int index = beta->data(1, 256).toInt();
    QCOMPARE(QString::fromLatin1(env.page->Programs().at(size_t(index)).displayName), QStringLiteral("Beta Player"));
    auto* cell = env.Cell(QStringLiteral("Beta Player"));
    QCOMPARE(cell->children().at(1), static_cast<QObject*>(cell->CheckBox()));
    QCOMPARE(cell->children().at(2), static_cast<QObject*>(cell->IconLabel()));
    QCOMPARE(cell->children().at(3), static_cast<QObject*>(cell->NameLabel()));
    QCOMPARE(cell->children().at(4), static_cast<QObject*>(cell->PublisherLabel()));
    QCOMPARE(cell->CheckBox()->property("checkindex").toInt(), index);
    auto* operation = qobject_cast<OperationCell*>(env.page->Tree()->itemWidget(beta, 4));
    QCOMPARE(operation->children().at(1), static_cast<QObject*>(operation->TrashButton()));
    QCOMPARE(operation->TrashButton()->property("uninstallindex").toInt(), index);
    QVERIFY(operation->AnimationLabel()->isHidden());
    QVERIFY(operation->StatusLabel()->isHidden());
}

void ProgramPageTest::search_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("capitals match a publisher in small letters") << "ACME" << QStringList{"Alpha Editor"};
    QTest::newRow("part of a name") << "play" << QStringList{"Beta Player"};
    QTest::newRow("name or publisher") << "o" << QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"};
    QTest::newRow("nothing matches") << "zzz" << QStringList();
    QTest::newRow("empty shows all") << "" << QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"};
}

void ProgramPageTest::search() {
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    Env env(ThreePrograms());
    env.Search(text);
    QCOMPARE(env.Names(true), shown);
    QCOMPARE(env.Title(), QStringLiteral(" Program Name (%1 programs)").arg(shown.size()));
    // The count label counts the programs, not the shown rows.
    QCOMPARE(env.page->CountLabel()->text(), QStringLiteral("(3)"));
}

void ProgramPageTest::ticksSurviveSearchAndHiddenTicksAreCollected() {
    Env env(ThreePrograms());
    env.Tick(QStringLiteral("Beta Player"));
    env.Tick(QStringLiteral("Alpha Editor"));
    env.Search(QStringLiteral("ACME"));
    QVERIFY(env.Item(QStringLiteral("Beta Player"))->isHidden());
    QCOMPARE(env.page->SelectedCount(), 2);

    // The uninstall button takes the hidden tick too.
    env.page->UninstallButton()->click();
    QCOMPARE(env.page->SelectedPrograms().size(), size_t(2));
    QCOMPARE(CUIPublic::instance()->GetTotalSize(), (2048ull + 900ull) * 1024);

    env.Search(QString());
    QCOMPARE(env.Names(true).size(), 3);
    QVERIFY(env.Cell(QStringLiteral("Beta Player"))->CheckBox()->isChecked());
    QVERIFY(env.Cell(QStringLiteral("Alpha Editor"))->CheckBox()->isChecked());
    QVERIFY(!env.Cell(QStringLiteral("Gamma Tools"))->CheckBox()->isChecked());
    QCOMPARE(env.page->SelectedCount(), 2);
    QVERIFY(env.page->UninstallButton()->isEnabled());
}

void ProgramPageTest::sortMenu_data() {
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("checked");
    const QStringList byNameDown{"Gamma Tools", "Beta Player", "Alpha Editor"};
    const QStringList byNameUp{"Alpha Editor", "Beta Player", "Gamma Tools"};
    const QStringList bySizeUp{"Gamma Tools", "Alpha Editor", "Beta Player"};
    const QStringList bySizeDown{"Beta Player", "Alpha Editor", "Gamma Tools"};
    QTest::newRow("at start") << QStringList() << byNameDown << QStringList{"Name", "Descending"};
    QTest::newRow("size from descending name sorts ascending")
        << QStringList{"Size"} << bySizeUp << QStringList{"Size", "Ascending"};
    QTest::newRow("the checked direction changes nothing")
        << QStringList{"Descending"} << byNameDown << QStringList{"Name", "Descending"};
    QTest::newRow("the checked field changes nothing")
        << QStringList{"Name"} << byNameDown << QStringList{"Name", "Descending"};
    QTest::newRow("ascending") << QStringList{"Ascending"} << byNameUp << QStringList{"Name", "Ascending"};
    QTest::newRow("ascending twice") << QStringList{"Ascending", "Ascending"} << byNameUp
                                     << QStringList{"Name", "Ascending"};
    QTest::newRow("size then descending")
        << QStringList{"Size", "Descending"} << bySizeDown << QStringList{"Size", "Descending"};
    QTest::newRow("size then name flips again")
        << QStringList{"Size", "Name"} << byNameDown << QStringList{"Name", "Descending"};
}

void ProgramPageTest::sortMenu() {
    QFETCH(QStringList, choices);
    QFETCH(QStringList, order);
    QFETCH(QStringList, checked);
    Env env(ThreePrograms());
    for (const QString& choice : choices)
        env.ChooseInMenu(choice);
    QCOMPARE(env.Names(), order);
    QCOMPARE(env.CheckedEntries(), checked);
}

void ProgramPageTest::sizeOrderIsNumericAndStable() {
    // As text "900.00 KB" would sort after "2.00 GB"; as numbers it is smaller.
    Env env({{QStringLiteral("Big"), QString(), 2 * 1024 * 1024, QString()},
             {QStringLiteral("Small"), QString(), 900, QString()},
             {QStringLiteral("None B"), QString(), 0, QString()},
             {QStringLiteral("None A"), QString(), 0, QString()}});
    env.ChooseInMenu(QStringLiteral("Size"));
    // Equal sizes keep the name order they had (descending).
    QCOMPARE(env.Names(), (QStringList{"None B", "None A", "Small", "Big"}));
    env.ChooseInMenu(QStringLiteral("Descending"));
    QCOMPARE(env.Names(), (QStringList{"Big", "Small", "None B", "None A"}));

    // A rebuilt tree is sorted again the last way used.
    env.page->RefreshClicked();
    QTRY_VERIFY(!env.page->IsRefreshing());
    QCOMPARE(env.Names().mid(0, 2), (QStringList{"Big", "Small"}));
}

void ProgramPageTest::longNameElidedPublisherWhole() {
    const QString longName = QStringLiteral("An Extremely Long Program Name That Does Not Fit In The Column At All");
    const QString longPublisher =
        QStringLiteral("A Publisher Whose Name Is Also Very Long Indeed, Limited Liability Company");
    Env env({{longName, longPublisher, 1, QString()}, {QStringLiteral("Short"), QStringLiteral("P"), 1, QString()}});
    ProgramCell* cell = env.Cell(longName);
    QVERIFY(cell->NameLabel()->text().endsWith(QChar(0x2026)));
    QVERIFY(cell->NameLabel()->fontMetrics().horizontalAdvance(cell->NameLabel()->text()) <= ProgramCell::kNameWidth);
    QCOMPARE(cell->PublisherLabel()->text(), longPublisher);
    QCOMPARE(env.Cell(QStringLiteral("Short"))->NameLabel()->text(), QStringLiteral("Short"));
    // The row keeps the whole name for sorting and the tool tip.
    QCOMPARE(env.Item(longName)->text(0), longName);
}

void ProgramPageTest::tickCounting_data() {
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QString>("status");
    const QString count =
        QStringLiteral("<font style = 'font-size:14px;color:#A3A4AA'>Selected:</font><font style = 'font-size:14px; "
                       "font-weight:600;color:#A3A4AA'>%1</font>");
    const QString withSize =
        count + QStringLiteral("(<font style = 'font-size:14px; font-weight:600;color:#A3A4AA'>%2</font>)");
    QTest::newRow("two with sizes") << QStringList{"Beta Player", "Alpha Editor"}
                                    << withSize.arg(2).arg(FormatSize((2048ull + 900ull) * 1024));
    QTest::newRow("one without size") << QStringList{"Gamma Tools"} << count.arg(1);
    QTest::newRow("with and without size")
        << QStringList{"Gamma Tools", "Alpha Editor"} << withSize.arg(2).arg(FormatSize(900ull * 1024));
}

void ProgramPageTest::tickCounting() {
    QFETCH(QStringList, ticks);
    QFETCH(QString, status);
    Env env(ThreePrograms());
    for (const QString& name : ticks)
        env.Tick(name);
    QCOMPARE(env.page->StatusLabel()->text(), status);
    QVERIFY(env.page->UninstallButton()->isEnabled());
    for (const QString& name : ticks)
        env.Tick(name);
    QCOMPARE(env.page->StatusLabel()->text(), QString());
    QVERIFY(!env.page->UninstallButton()->isEnabled());
    QCOMPARE(env.page->SelectedSize(), 0ull);
    // A signal from something other than a check box changes nothing.
    QMetaObject::invokeMethod(env.page, "CheckSize");
    QCOMPARE(env.page->SelectedCount(), 0);
}

void ProgramPageTest::trashButtonTakesOneProgram() {
    Env env(ThreePrograms());
    env.Tick(QStringLiteral("Gamma Tools"));
    auto* operation = qobject_cast<OperationCell*>(env.page->Tree()->itemWidget(env.Item("Beta Player"), 4));
    operation->TrashButton()->click();
    QVERIFY(env.page->SingleMode());
    QCOMPARE(env.page->SelectedPrograms().size(), size_t(1));
    QCOMPARE(QString::fromLatin1(env.page->SelectedPrograms().front().displayName), QStringLiteral("Beta Player"));
    QCOMPARE(CUIPublic::instance()->GetTotalSize(), 2048ull * 1024);
}

void ProgramPageTest::detailsLink_data() {
    QTest::addColumn<bool>("onLink");
    QTest::newRow("link pressed") << true;
    QTest::newRow("link missed") << false;
}

void ProgramPageTest::detailsLink() {
    QFETCH(bool, onLink);
    QList<Program> programs = ThreePrograms();
    programs[0].location = QStringLiteral("C:\\Program Files\\Beta");
    Env env(programs);
    env.platform.files.CreateFolder("C:\\Program Files\\Beta");
    // 2021-03-04 05:06:07 UTC as a FILETIME.
    const uint64_t fileTime = 132592491670000000ull;
    env.platform.files.SetCreationTime("C:\\Program Files\\Beta", fileTime);
    QVERIFY(QTest::qWaitForWindowExposed(env.host.get()));

    QTreeWidget* tree = env.page->Tree();
    QTreeWidgetItem* beta = env.Item(QStringLiteral("Beta Player"));
    const QRect row = tree->visualItemRect(beta);
    const QRect cell(tree->header()->sectionViewportPosition(1), row.top(), tree->columnWidth(1), row.height());
    const QRect link = CFileTreeItemDelegate::DetailsLinkRect(cell);
    // Pressed on the link, or on the program cell left of it.
    const QPoint at = onLink ? link.center() : QPoint(cell.left() + 150, link.center().y());
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);

    CDetailToolTip* tip = env.page->ToolTip();
    QCOMPARE(tip->isVisible(), onLink);
    if (!onLink) return;
    QCOMPARE(tip->NameLabel()->text(), QStringLiteral("Beta Player"));
    QCOMPARE(tip->VersionLabel()->text(), QStringLiteral("2.0"));
    QCOMPARE(tip->PathLabel()->text(), QStringLiteral("C:\\Program Files\\Beta"));
    QCOMPARE(tip->PathLabel()->toolTip(), QStringLiteral("C:\\Program Files\\Beta"));
    QCOMPARE(tip->TimeLabel()->text(),
             CInventoryService::FromFileTime(fileTime).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    QCOMPARE(tip->pos(), tree->viewport()->mapToGlobal(at));

    // Another row's link: the same panel, its texts.
    QTreeWidgetItem* gamma = env.Item(QStringLiteral("Gamma Tools"));
    const QRect gammaRow = tree->visualItemRect(gamma);
    const QPoint gammaAt =
        CFileTreeItemDelegate::DetailsLinkRect(QRect(cell.left(), gammaRow.top(), cell.width(), gammaRow.height()))
            .center();
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, gammaAt);
    QCOMPARE(tip->NameLabel()->text(), QStringLiteral("Gamma Tools"));
    QCOMPARE(tip->VersionLabel()->text(), QStringLiteral("-"));
    // No install folder: no install time.
    QCOMPARE(tip->TimeLabel()->text(), QString());
    QCOMPARE(tip->pos(), tree->viewport()->mapToGlobal(gammaAt));
}

void ProgramPageTest::icons_data() {
    QTest::addColumn<QString>("displayIcon"); // %1 stands for the folder of the programs
    // The file whose icon the row shows, in that folder; empty: the placeholder.
    QTest::addColumn<QString>("iconFile");
#ifdef _WIN32
    // The file icon provider is asked about the file itself: the index after
    // the comma is not looked at.
    const bool indexLookedAt = false;
#else
    const bool indexLookedAt = true;
#endif
    QTest::newRow("quoted path with an index") << "\"%1\\Beta\\beta.exe\",1"
                                               << "Beta\\beta.exe";
    QTest::newRow("bare path, no index") << "%1\\Beta\\beta.ico"
                                         << "Beta\\beta.ico";
    QTest::newRow("negative resource id") << "%1\\Beta\\beta.exe,-101"
                                          << "Beta\\beta.exe";
    QTest::newRow("missing file") << "\"%1\\Gone\\gone.exe\",0" << QString();
    QTest::newRow("file without that icon")
        << "%1\\Beta\\beta.exe,7" << (indexLookedAt ? QString() : QStringLiteral("Beta\\beta.exe"));
    QTest::newRow("no icon path") << "" << QString();
}

void ProgramPageTest::icons() {
    QFETCH(QString, displayIcon);
    QFETCH(QString, iconFile);
    Env env({}, QString());
    env.Stop();
#ifdef _WIN32
    // Real files: on Windows the rows' icons come from the file icon
    // provider on the disk, not from the machine the core reads.
    QTemporaryDir apps;
    QVERIFY(QDir(apps.path()).mkpath(QStringLiteral("Beta")));
    QVERIFY(WriteProgramFile(apps.filePath(QStringLiteral("Beta/beta.exe"))));
    QVERIFY(WriteIconFile(apps.filePath(QStringLiteral("Beta/beta.ico")), Qt::red));
    const QString folder = QDir::toNativeSeparators(apps.path());
    // What the provider draws for the file, whatever that is on this
    // platform (its style's generic file picture on the offscreen one).
    const QRgb own = iconFile.isEmpty() ? 0 : CentreOf(ProviderPicture(folder + "\\" + iconFile));
#else
    const QString folder = QStringLiteral("C:\\Apps");
    env.platform.files.CreateFolder("C:\\Apps\\Beta");
    env.platform.files.WriteFile("C:\\Apps\\Beta\\beta.exe", "MZ");
    env.platform.files.WriteFile("C:\\Apps\\Beta\\beta.ico", "ICO");
    QVERIFY(env.platform.files.SetIcon("C:\\Apps\\Beta\\beta.exe", 1, SolidIcon(0, 0, 255)));
    QVERIFY(env.platform.files.SetIcon("C:\\Apps\\Beta\\beta.ico", 0, SolidIcon(0, 0, 255)));
    QVERIFY(env.platform.files.SetIcon("C:\\Apps\\Beta\\beta.exe", -101, SolidIcon(0, 0, 255)));
    const QRgb own = qRgb(255, 0, 0);
#endif
    if (displayIcon.contains(QLatin1String("%1"))) displayIcon = displayIcon.arg(folder);
    AddProgram(env.platform, {QStringLiteral("Beta"), QString(), 1, QString(), displayIcon});
    env.Start();

    const QRgb placeholder = CentreOf(QPixmap(QStringLiteral("./Resources/Installer.png")).scaled(32, 32));
    QVERIFY(own != placeholder);
    QLabel* label = env.Cell(QStringLiteral("Beta"))->IconLabel();
    // The row is there at once, with the placeholder.
    QCOMPARE(CentreOf(label), placeholder);
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), QSize(32, 32));
    QCOMPARE(CentreOf(label), iconFile.isEmpty() ? placeholder : own);
}

void ProgramPageTest::iconCacheServesSecondStart() {
    QTemporaryDir cache;
    Env env({}, cache.path());
    env.Stop();
#ifdef _WIN32
    // No cache on Windows: every start asks the provider about the file as
    // it is then, so a file gone by the second start keeps the placeholder.
    QTemporaryDir apps;
    const QString icon = QDir::toNativeSeparators(apps.filePath(QStringLiteral("beta.ico")));
    QVERIFY(WriteIconFile(icon, Qt::red));
    AddProgram(env.platform, {QStringLiteral("Beta"), QString(), 1, QString(), icon + ",0"});
    env.Start(cache.path());
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(CentreOf(env.Cell("Beta")->IconLabel()), CentreOf(ProviderPicture(icon)));
    env.Stop();

    QVERIFY(QFile::remove(icon));
    env.Start(cache.path());
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(CentreOf(env.Cell("Beta")->IconLabel()),
             CentreOf(QPixmap(QStringLiteral("./Resources/Installer.png")).scaled(32, 32)));
#else
    env.platform.files.CreateFolder("C:\\Apps\\Beta");
    env.platform.files.WriteFile("C:\\Apps\\Beta\\beta.exe", "MZ");
    env.platform.files.SetIcon("C:\\Apps\\Beta\\beta.exe", 0, SolidIcon(0, 0, 255));
    AddProgram(env.platform, {QStringLiteral("Beta"), QString(), 1, QString(), "C:\\Apps\\Beta\\beta.exe,0"});
    env.Start(cache.path());
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(CentreOf(env.Cell("Beta")->IconLabel()), qRgb(255, 0, 0));
    env.Stop();

    // Same file, same time: the second start draws nothing and shows the
    // kept icon, even though the file would now give another one.
    env.platform.files.SetIcon("C:\\Apps\\Beta\\beta.exe", 0, SolidIcon(0, 255, 0));
    env.Start(cache.path());
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(CentreOf(env.Cell("Beta")->IconLabel()), qRgb(255, 0, 0));
    env.Stop();

    // The file changed: drawn again.
    env.platform.files.WriteFile("C:\\Apps\\Beta\\beta.exe", "MZ2");
    env.Start(cache.path());
    env.WaitForIcons();
    QCoreApplication::processEvents();
    QCOMPARE(CentreOf(env.Cell("Beta")->IconLabel()), qRgb(0, 255, 0));
#endif
}

void ProgramPageTest::manyRowsGetTheirCellsWhileIdle() {
    Env env({});
    env.Stop();
    for (int i = 0; i < 150; ++i)
        AddProgram(env.platform, {QStringLiteral("App %1").arg(i, 3, 10, QLatin1Char('0')), QString(), 1});
    env.appEnum = std::make_unique<CAppEnum>(env.platform.Registry(), env.platform.System());
    env.appEnum->Enum();
    CUIPublic::instance()->SetPrograms(env.appEnum->GetPrograms());
    env.service = std::make_unique<GatedService>(env.platform, *env.appEnum, env.cache.path());
    CUIPublic::instance()->SetInventoryService(env.service.get());
    auto page = std::make_unique<QWidget>();
    auto* programPage = new CEnumProgramPage(0);
    page->setLayout(programPage);
    // All rows at once, the first screenful with their widgets.
    QCOMPARE(programPage->Tree()->topLevelItemCount(), 150);
    QVERIFY(programPage->IsBuildingRows());
    QVERIFY(programPage->Tree()->itemWidget(programPage->Tree()->topLevelItem(0), 1) != nullptr);
    // A search while the rest is built.
    programPage->SearchBox()->LineEdit()->setText(QStringLiteral("App 00"));
    QTRY_VERIFY(!programPage->IsBuildingRows());
    for (int row = 0; row < 150; ++row) {
        QTreeWidgetItem* item = programPage->Tree()->topLevelItem(row);
        QVERIFY(programPage->Tree()->itemWidget(item, 1) != nullptr);
        QVERIFY(programPage->Tree()->itemWidget(item, 4) != nullptr);
    }
    QCOMPARE(programPage->Tree()->headerItem()->text(1), QStringLiteral(" Program Name (10 programs)"));
    // The last row built ticks like any other.
    QTreeWidgetItem* last = programPage->Tree()->topLevelItem(149);
    qobject_cast<ProgramCell*>(programPage->Tree()->itemWidget(last, 1))->CheckBox()->click();
    QCOMPARE(programPage->SelectedCount(), 1);
    page.reset();
}

void ProgramPageTest::refreshReplacesListAndClearsTicksAndSearch() {
    Env env(ThreePrograms());
    env.Tick(QStringLiteral("Beta Player"));
    env.Search(QStringLiteral("a"));
    RemoveProgram(env.platform, QStringLiteral("Beta Player"));
    AddProgram(env.platform, {QStringLiteral("Delta Viewer"), QStringLiteral("Delta"), 10, QStringLiteral("4")});
    AddProgram(env.platform, {QStringLiteral("Epsilon"), QString(), 0, QString()});

    env.page->RefreshButton()->click();
    QTRY_VERIFY(!env.page->IsRefreshing());
    QCOMPARE(env.Names(), (QStringList{"Gamma Tools", "Epsilon", "Delta Viewer", "Alpha Editor"}));
    QCOMPARE(env.page->CountLabel()->text(), QStringLiteral("(4)"));
    QCOMPARE(env.Title(), QStringLiteral(" Program Name (4 programs)"));
    QCOMPARE(env.page->SearchBox()->LineEdit()->text(), QString());
    QCOMPARE(env.page->SelectedCount(), 0);
    QCOMPARE(env.page->StatusLabel()->text(), QString());
    QVERIFY(!env.page->UninstallButton()->isEnabled());
    for (const QString& name : env.Names())
        QVERIFY(!env.Cell(name)->CheckBox()->isChecked());
    QVERIFY(!env.page->RefreshButton()->isHidden());
    QVERIFY(env.page->RefreshButton()->isEnabled());
    // The new rows refer to the new list.
    const int index = env.Item(QStringLiteral("Delta Viewer"))->data(1, 256).toInt();
    QCOMPARE(QString::fromLatin1(env.page->Programs().at(size_t(index)).displayName), QStringLiteral("Delta Viewer"));
}

void ProgramPageTest::refreshDuringRefreshIsIgnored() {
    Env env(ThreePrograms());
    std::promise<void> open;
    env.service->gate = open.get_future().share();
    int busyDialogs = -1;
    bool treeReachable = true;
    bool buttonHidden = false;
    QTimer::singleShot(50, [&]() {
        // While the worker waits: ask again, by button and by message.
        env.page->RefreshClicked();
        const uint32_t flag = 0;
        CBPNotifyCentor::instance()->SendMsg(MSG_DIALOG_RESULT, 0, &flag, sizeof flag);
        QCoreApplication::processEvents();
        busyDialogs = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            busyDialogs += qobject_cast<CRefreshDlg*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
        treeReachable = env.page->Tree()->isEnabled();
        buttonHidden = env.page->RefreshButton()->isHidden();
        open.set_value();
    });
    env.page->RefreshClicked();
    QTRY_VERIFY(!env.page->IsRefreshing());
    QCOMPARE(busyDialogs, 1);
    QVERIFY(!treeReachable);
    QVERIFY(buttonHidden);
    QCOMPARE(env.service->refreshes.load(), 1);
    QVERIFY(env.page->Tree()->isEnabled());
}

void ProgramPageTest::failingBackendKeepsOldList() {
    Env env(ThreePrograms());
    env.Tick(QStringLiteral("Alpha Editor"));
    QString shown;
    CMSGDlg::SetAnswerHook([&](CMSGDlg& box) {
        shown = box.Text();
        return int(CMSGDlg::ResultOK);
    });
    env.platform.SetFatal("the Wine host exited");
    RemoveProgram(env.platform, QStringLiteral("Beta Player"));

    env.page->RefreshClicked();
    QTRY_VERIFY(!shown.isEmpty());
    QVERIFY(shown.contains(QStringLiteral("the Wine host exited")));
    QVERIFY(!env.page->IsRefreshing());
    QCOMPARE(env.Names(), (QStringList{"Gamma Tools", "Beta Player", "Alpha Editor"}));
    // The old ticks still count and show.
    QVERIFY(env.Cell(QStringLiteral("Alpha Editor"))->CheckBox()->isChecked());
    QCOMPARE(env.page->SelectedCount(), 1);
    QVERIFY(env.page->StatusLabel()->text().contains(QStringLiteral("Selected:")));
    QVERIFY(env.page->UninstallButton()->isEnabled());
    QVERIFY(env.page->Tree()->isEnabled());
    QVERIFY(!env.page->RefreshButton()->isHidden());
}

void ProgramPageTest::containerPassesKeysOn() {
    Env env(ThreePrograms());
    env.Stop();
    env.Start();
    QWidget parent;
    struct KeyRecorder : QObject {
        QSet<int> keys;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress) keys.insert(static_cast<QKeyEvent*>(e)->key());
            return false;
        }
    } counter;
    auto* content = new CRightContent();
    content->setParent(&parent);
    parent.installEventFilter(&counter);
    CRightTab* tab = content->Tab();
    QCOMPARE(tab->count(), 1);
    QCOMPARE(tab->currentIndex(), 0);
    QVERIFY(tab->tabBar()->isHidden());
    QVERIFY(tab->documentMode());
    QVERIFY(tab->PageHosts().count(0) == 1);
    QCOMPARE(tab->PageHosts().at(0)->layout(), static_cast<QLayout*>(tab->ProgramPage()));
    for (auto key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Right, Qt::Key_Left})
        QTest::keyClick(tab, key, key == Qt::Key_Right || key == Qt::Key_Left ? Qt::NoModifier : Qt::ControlModifier);
    QCOMPARE(tab->currentIndex(), 0);
    // Every key went on to the parent (the Control key itself too).
    for (int key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Right, Qt::Key_Left})
        QVERIFY2(counter.keys.contains(key), qPrintable(QString::number(key)));
}

QTEST_MAIN(ProgramPageTest)
#include "tst_programpage.moc"
