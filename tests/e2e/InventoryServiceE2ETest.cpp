// What the program page asks of a real prefix through the core: the list
// read again with its texts decoded from the ANSI code page, and the
// creation time of a real install folder.
#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "inventory/AppEnum.h"
#include "inventory/InventoryService.h"
#include "platform/Platform.h"

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
        appEnum = std::make_unique<CAppEnum>(target->Registry(), target->System());
        service = std::make_unique<CInventoryService>(*target, *appEnum, cache.path());
    }

    const ProgramText* Find(const std::vector<ProgramText>& texts, const QString& name) {
        for (const ProgramText& text : texts)
            if (text.name == name) return &text;
        return nullptr;
    }

    QTemporaryDir cache;
    std::unique_ptr<platform::IPlatform> target;
    std::unique_ptr<CAppEnum> appEnum;
    std::unique_ptr<CInventoryService> service;
};

TEST_F(InventoryServiceE2ETest, RefreshDecodesTheList) {
    std::vector<InstalledProgram> programs;
    QString error;
    ASSERT_TRUE(service->Refresh(&programs, &error)) << error.toStdString();
    const std::vector<ProgramText> texts = service->DisplayTexts(programs);
    ASSERT_EQ(texts.size(), programs.size());
    const ProgramText* cafe = Find(texts, QString::fromUtf8("Café Münster"));
    ASSERT_NE(cafe, nullptr);
    EXPECT_EQ(cafe->publisher, QString::fromUtf8("Münster Bäckerei"));
    EXPECT_EQ(cafe->version, QStringLiteral("2.0"));
}

TEST_F(InventoryServiceE2ETest, CreationTimeOfARealInstallFolder) {
    std::vector<InstalledProgram> programs;
    QString error;
    ASSERT_TRUE(service->Refresh(&programs, &error));
    const std::vector<ProgramText> texts = service->DisplayTexts(programs);
    const ProgramText* plain = Find(texts, QStringLiteral("Plain Tool"));
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

TEST_F(InventoryServiceE2ETest, MissingIconFileGivesNoIcon) {
    platform::IconImage icon;
    EXPECT_FALSE(service->ProgramIcon(QStringLiteral("\"C:\\no such folder\\app.exe\",0"), 32, &icon));
    EXPECT_EQ(icon.width, 0u);
}

} // namespace
