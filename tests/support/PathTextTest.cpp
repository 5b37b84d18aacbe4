#include "include/PathText.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* name;
    const char* input;
    const char* output;
};

std::string CaseName(const testing::TestParamInfo<TextCase>& info) {
    return info.param.name;
}

class CleanPathTextTest : public testing::TestWithParam<TextCase> {};

// Both forms share one algorithm; checking both keeps them from drifting.
TEST_P(CleanPathTextTest, GivesTheBarePath) {
    EXPECT_EQ(CleanPathText(std::string(GetParam().input)), GetParam().output);
    EXPECT_EQ(CleanPathText(QString::fromUtf8(GetParam().input)).toStdString(), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanPathTextTest,
    testing::Values(TextCase{"Empty", "", ""}, TextCase{"PlainPath", "C:\\App\\app.exe", "C:\\App\\app.exe"},
                    TextCase{"IconIndex", "C:\\App\\app.exe,0", "C:\\App\\app.exe"},
                    TextCase{"QuotedWithIndex", "\"C:\\App\\app.exe\",0", "C:\\App\\app.exe"},
                    TextCase{"QuotedWithoutIndex", "\"C:\\App\\app.exe\"", "C:\\App\\app.exe"},
                    TextCase{"OnlyTheFirstCommaCounts", "C:\\A,B\\app.exe,1", "C:\\A"},
                    TextCase{"QuoteInsideCutsThere", "C:\\App\\\"x\"", "C:\\App\\"},
                    TextCase{"SeveralLeadingQuotes", "\"\"\"C:\\App", "C:\\App"}, TextCase{"OnlyQuotes", "\"\"", ""},
                    TextCase{"CommaFirst", ",1", ""},
                    TextCase{"FolderWithTrailingBackslash", "C:\\Program Files\\Acme\\", "C:\\Program Files\\Acme\\"},
                    TextCase{"NegativeIndex", "\"D:\\Caf\xC3\xA9\\m.exe\",-101", "D:\\Caf\xC3\xA9\\m.exe"}),
    CaseName);

class UninstallerStemTest : public testing::TestWithParam<TextCase> {};

TEST_P(UninstallerStemTest, GivesTheFileNameWithoutExtension) {
    EXPECT_EQ(UninstallerStem(std::string(GetParam().input)), GetParam().output);
    EXPECT_EQ(UninstallerStem(QString::fromUtf8(GetParam().input)).toStdString(), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UninstallerStemTest,
    testing::Values(TextCase{"InnoUninstaller", "D:\\Apps\\Acme\\unins000.exe", "unins000"},
                    TextCase{"NoBackslash", "uninst.exe", "uninst"}, TextCase{"FourCharacters", "C:\\a.ex", ""},
                    TextCase{"FiveCharacters", "C:\\a.exe", "a"}, TextCase{"TrailingBackslash", "C:\\Apps\\", ""},
                    TextCase{"Empty", "", ""},
                    // Quotes and arguments are dropped first.
                    TextCase{"WithArguments", "C:\\Apps\\uninst.exe /S", "uninst"},
                    TextCase{"QuotedWithArguments", "\"C:\\Apps\\Acme\\unins000.exe\" /SILENT", "unins000"},
                    TextCase{"QuotedWithoutArguments", "\"C:\\Apps\\Acme\\unins000.exe\"", "unins000"},
                    TextCase{"SpacesInPathAndArguments", "C:\\Program Files\\Acme\\uninst.exe /S /x", "uninst"},
                    TextCase{"UpperCaseExtension", "C:\\Apps\\UNINST.EXE /S", "UNINST"},
                    TextCase{"ForwardSlashIsNoSeparator", "C:/Apps/uninst.exe", "C:/Apps/uninst"}),
    CaseName);

// An install location is a folder: a comma in it is part of a name, never
// the start of an icon index.
TEST(CleanFolderTextTest, KeepsCommasAndTrimsQuotes) {
    const struct {
        const char* input;
        const char* output;
    } cases[] = {{"C:\\Program Files\\Other App, Inc\\Tool", "C:\\Program Files\\Other App, Inc\\Tool"},
                 {"\"C:\\Program Files\\Other App, Inc\\Tool\"", "C:\\Program Files\\Other App, Inc\\Tool"},
                 {"\"C:\\Apps\\Acme\\\"", "C:\\Apps\\Acme\\"},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(CleanFolderText(QString::fromUtf8(c.input)).toStdString(), c.output) << c.input;
}

} // namespace
