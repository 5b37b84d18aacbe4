// What the program page asks of a real prefix through the core: the list
// read again with its texts decoded from the ANSI code page, the creation
// time of a real install folder, and the programs' own icons.
#include <QDateTime>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

#include "inventory/InventoryService.h"
#include "platform/Platform.h"
#include "uninstall/UninstallerCore.h"

namespace {

class InventoryServiceE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::PlatformOptions options;
        options.winePrefix = qEnvironmentVariable("TOLVANIRE_PAGE_PREFIX").toStdString();
        ASSERT_FALSE(options.winePrefix.empty());
        std::string error;
        target = platform::CreatePlatform(options, &error);
        ASSERT_TRUE(target) << error;
        core = std::make_unique<CUninstallerCore>(*target);
        service = std::make_unique<CInventoryService>(*target, cache.path());
        Expected<std::vector<ProgramRecord>, BackendFailure> read = core->Records();
        ASSERT_TRUE(read.HasValue()) << read.Error().reason.toStdString();
        records = std::move(read).Value();
    }

    const ProgramText* Find(const QString& name) {
        const ProgramRecord* record = CUninstallerCore::FindByName(records, name);
        return record ? &record->text : nullptr;
    }

    QTemporaryDir cache;
    std::unique_ptr<platform::IPlatform> target;
    std::unique_ptr<CUninstallerCore> core;
    std::unique_ptr<CInventoryService> service;
    std::vector<ProgramRecord> records;
};

TEST_F(InventoryServiceE2ETest, RefreshDecodesTheList) {
    const ProgramText* cafe = Find(QString::fromUtf8("Café Münster"));
    ASSERT_NE(cafe, nullptr);
    EXPECT_EQ(cafe->name, QString::fromUtf8("Café Münster"));
    EXPECT_EQ(cafe->publisher, QString::fromUtf8("Münster Bäckerei"));
    EXPECT_EQ(cafe->version, QStringLiteral("2.0"));
}

TEST_F(InventoryServiceE2ETest, CreationTimeOfARealInstallFolder) {
    const ProgramText* plain = Find(QStringLiteral("Plain Tool"));
    ASSERT_NE(plain, nullptr);
    ASSERT_FALSE(plain->installLocation.isEmpty());
    const QDateTime created = service->CreationTime(plain->installLocation);
    ASSERT_TRUE(created.isValid());
    // The fixture was installed by this test run.
    const qint64 age = created.secsTo(QDateTime::currentDateTime());
    EXPECT_GE(age, -120);
    EXPECT_LT(age, 24 * 3600);

    EXPECT_FALSE(service->CreationTime(plain->installLocation + QStringLiteral("\\no such folder")).isValid());
    EXPECT_FALSE(service->CreationTime(QString()).isValid());
}

// How many pixels of a BGRA icon are opaque and close to `rgb`.
int PixelsNear(const platform::IconImage& icon, uint32_t rgb) {
    const int want[3] = {int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)}; // b, g, r
    int count = 0;
    for (size_t i = 0; i + 3 < icon.pixels.size(); i += 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(icon.pixels.data()) + i;
        bool near = p[3] > 200;
        for (int c = 0; c < 3 && near; ++c)
            near = std::abs(int(p[c]) - want[c]) <= 24;
        count += near ? 1 : 0;
    }
    return count;
}

// Each sample program's "DisplayIcon" names a file with an icon of its own
// colour (tests/fixtures/nsis): an uninstaller named quoted with an index,
// and an .ico file whose name is outside ASCII. The icon drawn through the
// host is that one, not NSIS's stock icon, and a second service with the
// same cache folder gets the same pixels from the cache.
TEST_F(InventoryServiceE2ETest, InstalledProgramsShowTheirOwnIcons) {
    const struct {
        const char* name;
        uint32_t colour;
    } cases[] = {{"Plain Tool", 0x2e86de}, {"Café Münster", 0x8e44ad}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramText* text = Find(QString::fromUtf8(c.name));
        ASSERT_NE(text, nullptr);
        platform::IconImage icon;
        ASSERT_TRUE(service->ProgramIcon(text->displayIcon, 32, &icon)) << text->displayIcon.toStdString();
        EXPECT_EQ(icon.width, 32u);
        EXPECT_EQ(icon.height, 32u);
        EXPECT_GT(PixelsNear(icon, c.colour), 256) << "not the program's own icon";

        CInventoryService again(*target, cache.path());
        platform::IconImage cached;
        ASSERT_TRUE(again.ProgramIcon(text->displayIcon, 32, &cached));
        EXPECT_EQ(cached.pixels, icon.pixels);
    }

    // A file of the install folder that holds no icon.
    const ProgramText* plain = Find(QStringLiteral("Plain Tool"));
    ASSERT_NE(plain, nullptr);
    platform::IconImage none;
    EXPECT_FALSE(service->ProgramIcon(plain->installLocation + QStringLiteral("\\readme.txt"), 32, &none));
    EXPECT_EQ(none.width, 0u);
}

TEST_F(InventoryServiceE2ETest, MissingIconFileGivesNoIcon) {
    platform::IconImage icon;
    EXPECT_FALSE(service->ProgramIcon(QStringLiteral("\"C:\\no such folder\\app.exe\",0"), 32, &icon));
    EXPECT_EQ(icon.width, 0u);
}

} // namespace
