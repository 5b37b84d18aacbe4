// Which prefix the window and the command line manage: the option, else
// WINEPREFIX, else ~/.wine only when it is there; a folder that is missing
// or is no prefix is an error. Each row runs in a sandbox whose home and
// working folder are empty temporary folders; nothing is ever created in it.
#include "support/WinePrefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PrefixCase {
    const char* name;
    const char* option;      // --prefix ("" not given); "@" stands for the sandbox, else it is
                             // relative to the sandbox's working folder
    const char* environment; // WINEPREFIX, the same way
    const char* remembered;  // the window's last choice ("" none), relative to the sandbox
    const char* present; // folders made in the sandbox ("x" a prefix; "x/" a folder without system.reg; "x*" a file)
    const char* chosen;  // the path chosen, relative to the sandbox; "" when it is an error
    const char* error;   // part of the error
};

class WinePrefixTest : public testing::TestWithParam<PrefixCase> {};

QStringList Contents(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    entries.sort();
    return entries;
}

TEST_P(WinePrefixTest, ChoosesOrSaysWhyNot) {
    const PrefixCase& row = GetParam();
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString root = QDir(sandbox.path()).canonicalPath();
    const QString home = root + QStringLiteral("/home");
    const QString work = root + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(QDir().mkpath(work));
    for (const QString& entry : QString::fromLatin1(row.present).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString path = root + QLatin1Char('/') + entry;
        if (path.endsWith(QLatin1Char('*'))) {
            path.chop(1);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        } else if (path.endsWith(QLatin1Char('/'))) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            ASSERT_TRUE(QDir().mkpath(path));
            QFile registry(path + QStringLiteral("/system.reg"));
            ASSERT_TRUE(registry.open(QIODevice::WriteOnly));
        }
    }
    const QStringList before = Contents(root);

    const auto given = [&root](const char* text) { return QString::fromLatin1(text).replace(QLatin1Char('@'), root); };
    const QString remembered = *row.remembered ? root + QLatin1Char('/') + QLatin1String(row.remembered) : QString();
    const CWinePrefix::Choice choice =
        CWinePrefix::Choose(given(row.option), given(row.environment), home, work, remembered);

    if (*row.chosen) {
        EXPECT_EQ(choice.path, QDir::cleanPath(root + QLatin1Char('/') + QLatin1String(row.chosen)));
        EXPECT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
    } else {
        EXPECT_TRUE(choice.path.isEmpty()) << choice.path.toStdString();
        EXPECT_TRUE(choice.error.contains(QLatin1String(row.error))) << choice.error.toStdString();
    }
    EXPECT_EQ(Contents(root), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinePrefixTest,
    testing::Values(PrefixCase{"OptionFirst", "../p1", "../p2", "", "p1 p2 home/.wine", "p1", ""},
                    PrefixCase{"AbsoluteOption", "@/p1", "", "", "p1", "p1", ""},
                    PrefixCase{"EnvironmentWithoutOption", "", "../p2", "", "p2 home/.wine", "p2", ""},
                    PrefixCase{"HomeWineWhenThere", "", "", "", "home/.wine", "home/.wine", ""},
                    PrefixCase{"NoHomeWine", "", "", "", "", "", "no Wine prefix to manage"},
                    PrefixCase{"OptionMissing", "../typo", "", "", "home/.wine", "", "(--prefix) does not exist"},
                    PrefixCase{"EnvironmentMissing", "", "../gone", "", "home/.wine", "",
                               "(WINEPREFIX) does not exist"},
                    PrefixCase{"OptionNotAPrefix", "../plain", "", "", "plain/ home/.wine", "", "has no system.reg"},
                    PrefixCase{"OptionIsAFile", "../file", "", "", "file*", "", "has no system.reg"},
                    PrefixCase{"HomeWineNotAPrefix", "", "", "", "home/.wine/", "", "has no system.reg"},
                    PrefixCase{"TrailingSlash", "../p1/", "", "", "p1", "p1", ""},
                    PrefixCase{"RememberedBeforeHomeWine", "", "", "p1", "p1 home/.wine", "p1", ""},
                    PrefixCase{"OptionBeforeRemembered", "../p2", "", "p1", "p1 p2", "p2", ""},
                    PrefixCase{"EnvironmentBeforeRemembered", "", "../p2", "p1", "p1 p2", "p2", ""},
                    PrefixCase{"RememberedGone", "", "", "gone", "home/.wine", "home/.wine", ""},
                    PrefixCase{"RememberedNoLongerAPrefix", "", "", "plain", "plain/ home/.wine", "home/.wine", ""},
                    PrefixCase{"RememberedGoneNoHomeWine", "", "", "gone", "", "", "no Wine prefix to manage"}),
    [](const testing::TestParamInfo<PrefixCase>& info) { return std::string(info.param.name); });

struct SameCase {
    const char* name;
    const char* a;
    const char* b;
    bool same;
};

class SamePrefixTest : public ::testing::TestWithParam<SameCase> {};

TEST_P(SamePrefixTest, ComparesPaths) {
    const SameCase& c = GetParam();
    EXPECT_EQ(CWinePrefix::SamePrefix(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.same);
    EXPECT_EQ(CWinePrefix::SamePrefix(QString::fromUtf8(c.b), QString::fromUtf8(c.a)), c.same);
}

INSTANTIATE_TEST_SUITE_P(Table, SamePrefixTest,
                         ::testing::Values(SameCase{"Equal", "/home/u/.wine", "/home/u/.wine", true},
                                           SameCase{"TrailingSlash", "/home/u/.wine/", "/home/u/.wine", true},
                                           SameCase{"DoubledSlash", "/home/u//.wine//", "/home/u/.wine", true},
                                           SameCase{"PrefixOfAnother", "/home/u/.wine", "/home/u/.wine2", false},
                                           SameCase{"Inside", "/home/u/.wine", "/home/u/.wine/drive_c", false},
                                           SameCase{"Relative", ".wine", "/home/u/.wine", false},
                                           SameCase{"Empty", "", "/home/u/.wine", false}),
                         [](const ::testing::TestParamInfo<SameCase>& info) { return info.param.name; });

} // namespace
