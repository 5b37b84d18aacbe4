// CTargetPath and CRealPath: a path text cleaned once, then split, joined
// and compared in one place.

#include "uninstall/TargetPath.h"

#include <gtest/gtest.h>

#include "uninstall/RealPath.h"

namespace {

struct TextCase {
    const char* name;
    const char* text;
    const char* native; // empty: no target path
};

class TargetPathTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TargetPathTextTest, CleansOnce) {
    EXPECT_EQ(CTargetPath::FromText(QString::fromUtf8(GetParam().text)).Native().toStdString(), GetParam().native);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TargetPathTextTest,
    ::testing::Values(TextCase{"Plain", "C:\\Apps\\Acme", "C:\\Apps\\Acme"},
                      TextCase{"TrailingSeparatorDropped", "C:\\Apps\\Acme\\", "C:\\Apps\\Acme"},
                      TextCase{"ForwardAndDoubledSeparators", "C:/Apps//Acme/", "C:\\Apps\\Acme"},
                      TextCase{"DotsResolved", "C:\\Apps\\.\\x\\..\\Acme", "C:\\Apps\\Acme"},
                      TextCase{"DotDotStopsAtTheDrive", "C:\\..\\..\\Windows", "C:\\Windows"},
                      TextCase{"DriveRootKeepsItsSeparator", "C:\\", "C:\\"},
                      TextCase{"DriveRootThroughDotDot", "C:\\Apps\\..", "C:\\"},
                      // A name may end in dots or spaces: only "." and ".." are relative.
                      TextCase{"TrailingDotOfANameKept", "C:\\Apps\\Other Tool.", "C:\\Apps\\Other Tool."},
                      TextCase{"DriveRelative", "C:Apps", ""}, TextCase{"BareStem", "unins000", ""},
                      TextCase{"Empty", "", ""}, TextCase{"NonAsciiDrive", "\xC3\x84:\\x", ""},
                      TextCase{"LongForm", "\\\\?\\C:\\Apps", ""}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(TargetPathTest, SplitsAndJoinsAtTheDriveRoot) {
    const CTargetPath root = CTargetPath::FromText(QStringLiteral("c:\\"));
    EXPECT_TRUE(root.IsDriveRoot());
    EXPECT_TRUE(root.Name().isEmpty());
    EXPECT_TRUE(root.Parent().IsEmpty());
    const CTargetPath apps = root.Child(QStringLiteral("Apps"));
    EXPECT_EQ(apps.Native().toStdString(), "c:\\Apps");
    EXPECT_EQ(apps.Parent(), root);
    EXPECT_EQ(apps.Child(QStringLiteral("a.txt")).Slashed().toStdString(), "c:/Apps/a.txt");
    EXPECT_EQ(apps.Child(QStringLiteral("a.txt")).Name().toStdString(), "a.txt");
    EXPECT_TRUE(CTargetPath().Child(QStringLiteral("x")).IsEmpty());
}

struct NameCase {
    const char* a;
    const char* b;
    bool same;
};

class SameNameTest : public ::testing::TestWithParam<NameCase> {};

// Names compare as Windows compares file names: each character upper-cased
// on its own, whatever the script.
TEST_P(SameNameTest, IgnoresCaseAsWindowsDoes) {
    const QString a = QString::fromUtf8(GetParam().a);
    const QString b = QString::fromUtf8(GetParam().b);
    EXPECT_EQ(CTargetPath::SameName(a, b), GetParam().same);
    EXPECT_EQ(CTargetPath::FromText("C:\\" + a) == CTargetPath::FromText("c:\\" + b), GetParam().same);
    EXPECT_EQ(CTargetPath::FromText("C:\\" + a + "\\x").IsInside(CTargetPath::FromText("C:\\" + b)), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Table, SameNameTest,
                         ::testing::Values(NameCase{"ÄPFEL", "äpfel", true}, NameCase{"Straße", "STRASSE", false},
                                           NameCase{"Straße", "STRAßE", true}, NameCase{"БЛОКНОТ", "блокнот", true},
                                           NameCase{"ΣΗΜΕΙΏΣΕΙΣ", "σημειώσεις", true},
                                           NameCase{"Ελλάδα", "ελλαδα", false}, NameCase{"记事本", "记事本", true},
                                           NameCase{"记事本", "记事簿", false}, NameCase{"ＡＢＣ", "ａｂｃ", true},
                                           NameCase{"Notes 📝", "NOTES 📝", true},
                                           NameCase{"Notes 📝", "Notes 📒", false}));

TEST(TargetPathTest, ComparesWholeComponentsIgnoringCase) {
    const CTargetPath acme = CTargetPath::FromText(QStringLiteral("C:\\Apps\\Acme"));
    EXPECT_EQ(acme, CTargetPath::FromText(QStringLiteral("c:/APPS/acme/")));
    EXPECT_TRUE(CTargetPath::FromText(QStringLiteral("C:\\Apps\\ACME\\bin")).IsInside(acme));
    EXPECT_TRUE(acme.IsInside(acme));
    EXPECT_FALSE(CTargetPath::FromText(QStringLiteral("C:\\Apps\\Acme Pro")).IsInside(acme));
    EXPECT_FALSE(CTargetPath::FromText(QStringLiteral("C:\\Apps\\Acme.")).IsInside(acme));
    EXPECT_TRUE(acme.IsInside(CTargetPath::FromText(QStringLiteral("C:\\"))));
    EXPECT_FALSE(acme.IsInside(CTargetPath()));
    EXPECT_FALSE(CTargetPath().IsInside(acme));
}

TEST(RealPathTest, ListedEntriesStayRealPaths) {
    const CRealPath folder = CRealPath::FromText(QStringLiteral("C:\\ProgramData\\Acme"));
    const CRealPath entry = folder.Child(QStringLiteral("log"));
    EXPECT_EQ(entry.Native().toStdString(), "C:\\ProgramData\\Acme\\log");
    EXPECT_EQ(entry.Parent(), folder);
    EXPECT_TRUE(entry.Path().IsInside(folder.Path()));
    EXPECT_TRUE(CRealPath::FromText(QStringLiteral("/home/tester")).IsEmpty());
}

} // namespace
