// The leftover remover's fences end to end: programs installed by real
// installers beside an unrelated one, cleaned with "clean", and checked on
// disk and in the registry: what another program owns, another hive holds
// or the Linux side keeps is never reached.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

const QString kUninstall = QStringLiteral("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
const QString kUserUninstall = QStringLiteral("HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_SAFETY_PREFIX");
}
QString Home() {
    return qEnvironmentVariable("TOLVANIRE_SAFETY_HOME");
}
QString DriveC() {
    return Prefix() + QStringLiteral("/drive_c");
}
QProcessEnvironment Environment() {
    return CCliRunner::WineEnvironment(Prefix(), Home());
}

QString UserName() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return user;
    return QString();
}
QString Roaming() {
    return DriveC() + QStringLiteral("/users/%1/AppData/Roaming").arg(UserName());
}
QString ProgramFiles() {
    return DriveC() + QStringLiteral("/Program Files");
}
QString StartMenu() {
    return DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs");
}

// Runs "clean NAME --json" and gives its report.
QJsonObject Clean(const QString& name) {
    const CliResult result = CCliRunner::Run(
        {QStringLiteral("clean"), name, QStringLiteral("--json"), QStringLiteral("--prefix"), Prefix()}, Environment());
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
    return QJsonDocument::fromJson(result.out).object();
}

// Runs "wine reg ..." and gives what it printed; `exitCode` its exit code.
QString Reg(const QStringList& arguments, int* exitCode = nullptr) {
    QProcess wine;
    wine.setProcessEnvironment(Environment());
    wine.start(QStringLiteral("wine"), QStringList{QStringLiteral("reg")} + arguments);
    wine.waitForFinished(60000);
    if (exitCode) *exitCode = wine.exitStatus() == QProcess::NormalExit ? wine.exitCode() : -1;
    return QString::fromLocal8Bit(wine.readAllStandardOutput());
}
// "reg query" ends with 0 for a key that exists and 1 for one that does not.
bool KeyExists(const QString& key) {
    int exitCode = -1;
    Reg({QStringLiteral("query"), key}, &exitCode);
    EXPECT_TRUE(exitCode == 0 || exitCode == 1) << key.toStdString();
    return exitCode == 0;
}

// Adds one value to a key with "reg add" (REG_SZ unless `type` says otherwise).
void RegAdd(const QString& key, const QString& name, const QString& data,
            const QString& type = QStringLiteral("REG_SZ")) {
    int exitCode = -1;
    Reg({QStringLiteral("add"), key, QStringLiteral("/v"), name, QStringLiteral("/t"), type, QStringLiteral("/d"), data,
         QStringLiteral("/f")},
        &exitCode);
    EXPECT_EQ(exitCode, 0) << key.toStdString() << " " << name.toStdString();
}

// Registers a program by hand: its name, uninstaller and install location.
void Register(const QString& subKey, const QString& name, const QString& uninstaller, const QString& location) {
    const QString key = kUninstall + subKey;
    RegAdd(key, QStringLiteral("DisplayName"), name);
    RegAdd(key, QStringLiteral("UninstallString"), uninstaller);
    if (!location.isEmpty()) RegAdd(key, QStringLiteral("InstallLocation"), location);
}

// Makes a file, and its folders, in the prefix from the Linux side.
void MakeFile(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("data\n");
}

// The Windows path of a place in the prefix's drive_c.
QString OnC(const QString& linuxPath) {
    return QStringLiteral("C:") + linuxPath.mid(DriveC().size()).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

void ExpectExist(const QStringList& paths) {
    for (const QString& path : paths)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
}
void ExpectGone(const QStringList& paths) {
    for (const QString& path : paths)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
}

// What "Other Tool", the unrelated program, must keep through every clean.
void ExpectOtherToolIntact() {
    ExpectExist({ProgramFiles() + QStringLiteral("/Other Tool/OtherTool.exe"),
                 Roaming() + QStringLiteral("/Other Tool/bin/other.dll"),
                 DriveC() + QStringLiteral("/ProgramData/Other Tool/bin/other.dat"),
                 StartMenu() + QStringLiteral("/Other Tool/Other Tool.lnk")});
    EXPECT_TRUE(KeyExists(kUninstall + QStringLiteral("OtherTool")));
}

TEST(LeftoverSafetyE2ETest, AGenericLeafReachesNoOtherProgramAndEmptiedFoldersGo) {
    ASSERT_FALSE(UserName().isEmpty());
    ExpectExist({Roaming() + QStringLiteral("/Acme Studio/prefs.ini")});
    Clean(QStringLiteral("Acme Studio"));
    // Its files and the folders they leave empty, up to Program Files,
    // AppData and ProgramData themselves.
    ExpectGone({ProgramFiles() + QStringLiteral("/Acme Studio"), Roaming() + QStringLiteral("/Acme Studio"),
                DriveC() + QStringLiteral("/ProgramData/Acme Studio")});
    ExpectExist({ProgramFiles(), Roaming(), DriveC() + QStringLiteral("/ProgramData")});
    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("AcmeStudio")));
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, RegistryLeftoversAreDeletedOnlyInTheHiveTheyWereFoundIn) {
    const QString key = QStringLiteral("{D0A1D0A1-0000-4000-8000-00000000DA11}");
    ASSERT_TRUE(KeyExists(kUserUninstall + key));
    Clean(QStringLiteral("Dual Machine"));
    EXPECT_FALSE(KeyExists(kUninstall + key));
    const QString user = Reg({QStringLiteral("query"), kUserUninstall + key});
    for (const char* value : {"Dual User", "DisplayName", "UninstallString", "InstallLocation", "NoModify"})
        EXPECT_TRUE(user.contains(QLatin1String(value))) << value << "\n" << user.toStdString();
    ExpectExist({ProgramFiles() + QStringLiteral("/Dual User/user.exe")});
    ExpectGone({ProgramFiles() + QStringLiteral("/Dual Machine")});
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, WhatOtherProgramsClaimIsOutOfReach) {
    const QString vendor = ProgramFiles() + QStringLiteral("/Vela Labs");
    const QString host = ProgramFiles() + QStringLiteral("/Host App");
    Clean(QStringLiteral("Vela Labs Updater"));
    const QJsonObject plugIn = Clean(QStringLiteral("Host Plug-in"));

    // The updater's own files, settings, shortcut and key are gone.
    ExpectGone({vendor + QStringLiteral("/VelaUpdater.exe"), vendor + QStringLiteral("/uninst-VelaUpdater.exe"),
                Roaming() + QStringLiteral("/Vela Labs/updater.ini"),
                StartMenu() + QStringLiteral("/Vela Labs/Vela Labs Updater.lnk")});
    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("VelaUpdater")));
    // The plug-in's key and its own Start Menu folder are gone; its install
    // location, the host's folder, is skipped.
    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("HostPlugin")));
    ExpectGone({StartMenu() + QStringLiteral("/Host Plug-in")});
    ASSERT_EQ(plugIn[QStringLiteral("skipped")].toArray().size(), 1);

    // The vendor's products and the host keep everything.
    ExpectExist({vendor + QStringLiteral("/Vela Paint/VelaPaint.exe"),
                 vendor + QStringLiteral("/Vela Draw/VelaDraw.exe"),
                 Roaming() + QStringLiteral("/Vela Labs/Vela Paint/paint.ini"),
                 StartMenu() + QStringLiteral("/Vela Labs/Vela Paint.lnk"), host + QStringLiteral("/HostApp.exe"),
                 host + QStringLiteral("/uninst-HostApp.exe"), Roaming() + QStringLiteral("/Host App/host.ini"),
                 StartMenu() + QStringLiteral("/Host App/Host App.lnk")});
    for (const char* key : {"VelaPaint", "VelaDraw", "HostApp"})
        EXPECT_TRUE(KeyExists(kUninstall + QLatin1String(key))) << key;
    const QString muiCache =
        Reg({QStringLiteral("query"),
             QStringLiteral("HKCR\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache")});
    for (const char* value :
         {"VelaPaint.exe.FriendlyAppName", "VelaDraw.exe.FriendlyAppName", "HostApp.exe.FriendlyAppName"})
        EXPECT_TRUE(muiCache.contains(QLatin1String(value))) << value;
    EXPECT_FALSE(muiCache.contains(QStringLiteral("VelaUpdater.exe.FriendlyAppName")));
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, AnInstallLocationOnTheLinuxHomeIsSkipped) {
    // Z: is the Linux root: a program that names the (sandbox) Linux home
    // as its install location.
    const QString home = QDir(Home()).absolutePath();
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Documents")));
    QFile thesis(home + QStringLiteral("/Documents/thesis.txt"));
    ASSERT_TRUE(thesis.open(QIODevice::WriteOnly));
    thesis.write("chapter one\n");
    thesis.close();
    QFile profile(home + QStringLiteral("/.profile-test"));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.close();
    const QString location = QStringLiteral("Z:") + QString(home).replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString key = kUninstall + QStringLiteral("HomeTool");
    Reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("DisplayName"), QStringLiteral("/d"),
         QStringLiteral("Home Tool"), QStringLiteral("/f")});
    Reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("UninstallString"), QStringLiteral("/d"),
         location + QStringLiteral("\\uninstall.exe"), QStringLiteral("/f")});
    Reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("InstallLocation"), QStringLiteral("/d"),
         location, QStringLiteral("/f")});
    ASSERT_TRUE(KeyExists(key));

    const QJsonObject report = Clean(QStringLiteral("Home Tool"));
    const QJsonArray skipped = report[QStringLiteral("skipped")].toArray();
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].toObject()[QStringLiteral("target")].toString(), location);
    EXPECT_TRUE(skipped[0].toObject()[QStringLiteral("displayText")].toString().contains(home))
        << skipped[0].toObject()[QStringLiteral("displayText")].toString().toStdString();
    EXPECT_FALSE(KeyExists(key));
    ExpectExist({home + QStringLiteral("/Documents/thesis.txt"), home + QStringLiteral("/.profile-test"),
                 home + QStringLiteral("/Documents")});
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, AFolderNameVoidsNoOtherProgramsName) {
    // "Acme Helper" lives in a folder named after its vendor's main product.
    Register(QStringLiteral("AcmeMain"), QStringLiteral("Acme"),
             QStringLiteral("C:\\Program Files\\Acme Main\\uninst.exe"),
             QStringLiteral("C:\\Program Files\\Acme Main"));
    Register(QStringLiteral("AcmeHelper"), QStringLiteral("Acme Helper"), QStringLiteral("C:\\Apps\\Acme\\uninst.exe"),
             QStringLiteral("C:\\Apps\\Acme"));
    const QStringList acme = {
        ProgramFiles() + QStringLiteral("/Acme Main/acme.exe"), Roaming() + QStringLiteral("/Acme/settings.ini"),
        DriveC() + QStringLiteral("/ProgramData/Acme/data.dat"), StartMenu() + QStringLiteral("/Acme/Acme.lnk")};
    for (const QString& path : acme + QStringList{DriveC() + QStringLiteral("/Apps/Acme/helper.exe")})
        MakeFile(path);

    Clean(QStringLiteral("Acme Helper"));

    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("AcmeHelper")));
    ExpectExist(acme);
    EXPECT_TRUE(KeyExists(kUninstall + QStringLiteral("AcmeMain")));
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, APlugInInsideAnotherProgramsAppDataFolderIsOutOfReach) {
    const QString plugIn = Roaming() + QStringLiteral("/Other Tool/Plugins/Tool Plug-in");
    MakeFile(plugIn + QStringLiteral("/plugin.dll"));
    Register(QStringLiteral("ToolPlugin"), QStringLiteral("Tool Plug-in"), OnC(plugIn) + QStringLiteral("\\uninst.exe"),
             OnC(plugIn));

    const QJsonObject report = Clean(QStringLiteral("Tool Plug-in"));

    const QJsonArray skipped = report[QStringLiteral("skipped")].toArray();
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].toObject()[QStringLiteral("displayText")].toString(),
              QStringLiteral("another installed program claims it"));
    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("ToolPlugin")));
    ExpectExist({plugIn + QStringLiteral("/plugin.dll")});
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, UnexpandedTextsOfAnotherProgramClaimWhatTheyName) {
    // As many installers write them: unexpanded, for the reader to expand.
    const QString otherTool = kUninstall + QStringLiteral("OtherTool");
    const QString expandable = QStringLiteral("REG_EXPAND_SZ");
    RegAdd(otherTool, QStringLiteral("InstallLocation"), QStringLiteral("%ProgramFiles%\\Other Tool"), expandable);
    RegAdd(otherTool, QStringLiteral("DisplayIcon"), QStringLiteral("%ProgramFiles%\\Other Tool\\OtherTool.exe,0"),
           expandable);
    ASSERT_TRUE(Reg({QStringLiteral("query"), otherTool}).contains(QStringLiteral("REG_EXPAND_SZ")));
    Register(QStringLiteral("ToolAddOn"), QStringLiteral("Tool Add-on"),
             QStringLiteral("C:\\Program Files\\Other Tool\\uninst-addon.exe"),
             QStringLiteral("C:\\Program Files\\Other Tool"));

    const QJsonObject report = Clean(QStringLiteral("Tool Add-on"));

    EXPECT_EQ(report[QStringLiteral("skipped")].toArray().size(), 1);
    EXPECT_FALSE(KeyExists(kUninstall + QStringLiteral("ToolAddOn")));
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, ACommaInAQuotedIconPathKeepsItsClaim) {
    // "Tool Suite" names its folder only in its icon text.
    const QString vendor = ProgramFiles() + QStringLiteral("/Other, Inc");
    MakeFile(vendor + QStringLiteral("/Tool/tool.exe"));
    MakeFile(vendor + QStringLiteral("/updater.exe"));
    const QString suite = kUninstall + QStringLiteral("ToolSuite");
    RegAdd(suite, QStringLiteral("DisplayName"), QStringLiteral("Tool Suite"));
    RegAdd(suite, QStringLiteral("UninstallString"), QStringLiteral("C:\\windows\\ToolSuiteUninstall.exe"));
    RegAdd(suite, QStringLiteral("DisplayIcon"), QStringLiteral("\"C:\\Program Files\\Other, Inc\\Tool\\tool.exe\",0"));
    ASSERT_TRUE(Reg({QStringLiteral("query"), suite, QStringLiteral("/v"), QStringLiteral("DisplayIcon")})
                    .contains(QStringLiteral("\"C:\\Program Files\\Other, Inc\\Tool\\tool.exe\",0")));
    Register(QStringLiteral("OtherIncUpdater"), QStringLiteral("Other Inc Updater"),
             OnC(vendor + QStringLiteral("/updater.exe")), OnC(vendor));

    Clean(QStringLiteral("Other Inc Updater"));

    ExpectGone({vendor + QStringLiteral("/updater.exe")});
    ExpectExist({vendor + QStringLiteral("/Tool/tool.exe")});
    EXPECT_TRUE(KeyExists(suite));
    ExpectOtherToolIntact();
}

} // namespace

namespace {

// Imports registry text with "wine reg import" from a UTF-16 file, which
// carries names in any script whatever the locale.
void ImportReg(const QString& text) {
    // A file of this process's own: the cases share the prefix and run side by side.
    const QString name = QStringLiteral("import-%1.reg").arg(QCoreApplication::applicationPid());
    const QString path = DriveC() + QLatin1Char('/') + name;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString whole = QChar(0xFEFF) + QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + text;
    file.write(reinterpret_cast<const char*>(whole.utf16()), whole.size() * 2);
    file.close();
    int exitCode = -1;
    Reg({QStringLiteral("import"), QStringLiteral("C:\\") + name}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    QFile::remove(path);
}

// Registers a program installed in Program Files\<name>, keyed by its name.
void RegisterNamed(const QString& name) {
    const QString folder = QStringLiteral("C:\\\\Program Files\\\\") + name;
    ImportReg(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1]\r\n"
                             "\"DisplayName\"=\"%1\"\r\n\"Publisher\"=\"Студия\"\r\n"
                             "\"UninstallString\"=\"%2\\\\uninst.exe\"\r\n\"InstallLocation\"=\"%2\"\r\n\r\n")
                  .arg(name, folder));
}

// The objects of the "list --json" output.
QJsonArray List() {
    const CliResult result = CCliRunner::Run(
        {QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--prefix"), Prefix()}, Environment());
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    return QJsonDocument::fromJson(result.out).array();
}

} // namespace

TEST(LeftoverSafetyE2ETest, AProgramNamedInCyrillicIsListedAndCleanedWhole) {
    const QString name = QStringLiteral("Блокнот");
    const QString other = QStringLiteral("Записки"); // as many letters
    for (const QString& program : {name, other}) {
        RegisterNamed(program);
        MakeFile(ProgramFiles() + QLatin1Char('/') + program + QStringLiteral("/uninst.exe"));
        MakeFile(ProgramFiles() + QLatin1Char('/') + program + QStringLiteral("/Справка.txt"));
        MakeFile(Roaming() + QLatin1Char('/') + program + QStringLiteral("/настройки.ini"));
    }

    bool listed = false;
    for (const QJsonValue& entry : List()) {
        const QJsonObject object = entry.toObject();
        if (object[QStringLiteral("displayName")].toString() != name) continue;
        listed = true;
        EXPECT_EQ(object[QStringLiteral("publisher")].toString(), QStringLiteral("Студия"));
        EXPECT_EQ(object[QStringLiteral("installLocation")].toString(), QStringLiteral("C:\\Program Files\\") + name);
    }
    EXPECT_TRUE(listed);

    const QJsonObject report = Clean(name);
    EXPECT_TRUE(report[QStringLiteral("notDeleted")].toArray().isEmpty());
    ExpectGone({ProgramFiles() + QLatin1Char('/') + name, Roaming() + QLatin1Char('/') + name});
    EXPECT_FALSE(KeyExists(kUninstall + name));
    ExpectExist({ProgramFiles() + QLatin1Char('/') + other + QStringLiteral("/Справка.txt"),
                 Roaming() + QLatin1Char('/') + other + QStringLiteral("/настройки.ini")});
    EXPECT_TRUE(KeyExists(kUninstall + other));
    ExpectOtherToolIntact();
}

TEST(LeftoverSafetyE2ETest, ATreeFourHundredCharactersDeepIsRemovedWhole) {
    const QString name = QStringLiteral("Deep Tool");
    RegisterNamed(name);
    MakeFile(ProgramFiles() + QStringLiteral("/Deep Tool/uninst.exe"));
    // AppData\Roaming\Deep Tool\node_modules\ and folders of 40 letters
    // down to a file whose Windows path is over 400 characters long.
    QString deep = Roaming() + QStringLiteral("/Deep Tool/node_modules");
    while (OnC(deep).size() < 400)
        deep += QStringLiteral("/") + QString(40, QLatin1Char('d'));
    MakeFile(deep + QStringLiteral("/index.js"));
    ASSERT_GT(OnC(deep + QStringLiteral("/index.js")).size(), 400);

    const QJsonObject report = Clean(name);
    EXPECT_TRUE(report[QStringLiteral("notDeleted")].toArray().isEmpty());
    bool listed = false;
    for (const QJsonValue& item : report[QStringLiteral("deleted")].toArray())
        listed = listed || item.toObject()[QStringLiteral("target")].toString().endsWith(QStringLiteral("index.js"));
    EXPECT_TRUE(listed);
    ExpectGone({Roaming() + QStringLiteral("/Deep Tool"), ProgramFiles() + QStringLiteral("/Deep Tool")});
    ExpectOtherToolIntact();
}
