#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

// One expected program. A text ending in "*" matches by its beginning
// (per-user folders carry the user's name).
struct Expected {
    const char* displayName;
    const char* publisher;
    const char* displayVersion;
    double sizeBytes;
    const char* uninstallCommand;
    const char* installLocation;
    const char* displayIcon;
    const char* iconGroup;
    const char* source;
};

const char* const kKeys[] = {"displayName",     "publisher",   "displayVersion", "sizeBytes", "uninstallCommand",
                             "installLocation", "displayIcon", "iconGroup",      "source"};

QJsonArray ListJson(const QString& prefix, const QString& home) {
    QProcessEnvironment environment = CCliRunner::WineEnvironment(prefix, home);
    // --prefix alone names the prefix.
    environment.remove("WINEPREFIX");
    const CliResult result = CCliRunner::Run({"list", "--json", "--prefix", prefix}, environment);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.constData();
    EXPECT_TRUE(document.isArray());
    return document.array();
}

void ExpectText(const QJsonObject& program, const char* key, const char* expected) {
    const QString actual = program[key].toString();
    const QString wanted = QString::fromUtf8(expected);
    if (wanted.endsWith('*')) {
        EXPECT_TRUE(actual.startsWith(wanted.chopped(1), Qt::CaseInsensitive)) << key << ": " << actual.toStdString();
    } else {
        EXPECT_EQ(actual, wanted) << key;
    }
}

void ExpectPrograms(const QJsonArray& programs, const std::vector<Expected>& expected) {
    ASSERT_EQ(programs.size(), int(expected.size())) << QJsonDocument(programs).toJson().constData();
    for (size_t i = 0; i < expected.size(); ++i) {
        const QJsonObject program = programs[int(i)].toObject();
        const Expected& e = expected[i];
        SCOPED_TRACE(e.displayName);
        EXPECT_EQ(program.size(), int(std::size(kKeys)));
        for (const char* key : kKeys)
            EXPECT_TRUE(program.contains(key)) << key;
        ExpectText(program, "displayName", e.displayName);
        ExpectText(program, "publisher", e.publisher);
        ExpectText(program, "displayVersion", e.displayVersion);
        EXPECT_EQ(program["sizeBytes"].toDouble(-1), e.sizeBytes);
        ExpectText(program, "uninstallCommand", e.uninstallCommand);
        ExpectText(program, "installLocation", e.installLocation);
        ExpectText(program, "displayIcon", e.displayIcon);
        ExpectText(program, "iconGroup", e.iconGroup);
        EXPECT_EQ(program["source"].toString(), QString::fromUtf8(e.source));
    }
}

QString ListPrefix() {
    return qEnvironmentVariable("TOLVANIRE_LIST_PREFIX");
}
QString ListHome() {
    return qEnvironmentVariable("TOLVANIRE_LIST_HOME");
}

// The sample installers: the 32-bit view first, then the 64-bit view in key
// order, then the current user. The quiet-only entry, the system component
// and the update of "Plain Tool" are not listed.
TEST(ListE2ETest, JsonShowsExactlyTheRemovablePrograms) {
    const char* const plainDir = "C:\\Program Files\\Tolvanire Fixtures\\TolvanirePlain";
    const std::string plainExe = std::string("\"") + plainDir + "\\uninst.exe\"";
    ExpectPrograms(ListJson(ListPrefix(), ListHome()),
                   {
                       {"Thirty-Two Bit Tool", "Tolvanire Fixtures", "3.2", 2048.0 * 1024,
                        "\"C:\\Program Files\\Tolvanire Fixtures\\TolvanireThirtyTwo\\uninst.exe\"",
                        "C:\\Program Files\\Tolvanire Fixtures\\TolvanireThirtyTwo",
                        "C:\\Program Files\\Tolvanire Fixtures\\TolvanireThirtyTwo\\tool.ico", "", "HKLM32"},
                       {"Café Münster", "Münster Bäckerei", "2.0", 3145727.0 * 1024,
                        "\"C:\\Program Files\\Tolvanire Fixtures\\TolvanireCafe\\uninst.exe\"", "",
                        "C:\\Program Files\\Tolvanire Fixtures\\TolvanireCafe\\Café.ico,0", "", "HKLM64"},
                       {"Plain Tool", "Tolvanire Fixtures", "1.0.0", 1536.0 * 1024, (plainExe + " /S").c_str(),
                        plainDir, (plainExe + ",0").c_str(), "Plain Tool", "HKLM64"},
                       {"User Tool", "Tolvanire Fixtures", "0.9", 0, "\"C:\\users\\*", "C:\\users\\*", "\"C:\\users\\*",
                        "", "HKCU"},
                   });
}

TEST(ListE2ETest, TableShowsNamePublisherVersionAndSize) {
    // No --prefix: $WINEPREFIX names it.
    const CliResult result = CCliRunner::Run({"list"}, CCliRunner::WineEnvironment(ListPrefix(), ListHome()));
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QStringList lines = QString::fromUtf8(result.out).split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("Name")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("Publisher") && lines[0].contains("Version") && lines[0].endsWith("Size"));
    auto row = [&](const QString& name) {
        for (const QString& line : lines)
            if (line.startsWith(name)) return line.simplified();
        return QString();
    };
    EXPECT_EQ(row("Thirty-Two Bit Tool"), "Thirty-Two Bit Tool Tolvanire Fixtures 3.2 2.00 MB");
    EXPECT_EQ(row("Café Münster"), "Café Münster Münster Bäckerei 2.0 3.00 GB");
    EXPECT_EQ(row("Plain Tool"), "Plain Tool Tolvanire Fixtures 1.0.0 1.50 MB");
    EXPECT_EQ(row("User Tool"), "User Tool Tolvanire Fixtures 0.9 -");
    // Columns line up: every size ends in the same column.
    const int width = lines[0].size();
    for (const char* name : {"Thirty-Two Bit Tool", "Café Münster", "Plain Tool", "User Tool"}) {
        for (const QString& line : lines) {
            if (line.startsWith(QString::fromUtf8(name))) {
                EXPECT_EQ(line.size(), width) << line.toStdString();
            }
        }
    }
}

// Values of the wrong type or size: no crash, and each entry is listed or
// left out by the same rules as good data. The current user's Uninstall
// key is missing and the 32-bit view's is empty.
TEST(ListE2ETest, BadRegistryDataIsSkippedOrLeftEmpty) {
    const std::string longName(259, 'N');
    ExpectPrograms(
        ListJson(qEnvironmentVariable("TOLVANIRE_BADDATA_PREFIX"), qEnvironmentVariable("TOLVANIRE_BADDATA_HOME")),
        {
            {"Binary Quiet", "", "", 0, "C:\\Quiet\\uninst.exe", "", "", "", "HKLM64"},
            {"Expandable Command", "", "", 0, "%ProgramFiles%\\x.exe", "", "", "", "HKLM64"},
            {longName.c_str(), "", "", 0, "C:\\Long\\uninst.exe", "", "", "", "HKLM64"},
            {"Long Publisher", "", "", 0, "C:\\Long\\uninst.exe", "", "", "", "HKLM64"},
            {"Size As Huge Qword", "", "", 0, "C:\\Size\\uninst.exe", "", "", "", "HKLM64"},
            {"Size As Qword", "", "", 1048576, "C:\\Size\\uninst.exe", "", "", "", "HKLM64"},
            {"Size As Text", "", "", 0, "C:\\Size\\uninst.exe", "", "", "", "HKLM64"},
        });
}

} // namespace
