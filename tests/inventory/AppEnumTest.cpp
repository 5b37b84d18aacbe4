#include "inventory/AppEnum.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "support/Log.h"
#include "tests/fake/MemoryRegistry.h"
#include "tests/fake/MemorySystem.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr uint32_t k32 = platform::kKeyWow64_32Key;

std::string Key(const std::string& name) {
    return kUninstall + "\\" + name;
}

std::string Le32(uint32_t v) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = char((v >> (8 * i)) & 0xFF);
    return data;
}

std::string Le64(uint64_t v) {
    std::string data(8, '\0');
    for (int i = 0; i < 8; ++i)
        data[i] = char((v >> (8 * i)) & 0xFF);
    return data;
}

std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}

struct Value {
    std::string name;
    uint32_t type;
    std::string data;
};

Value Text(const std::string& name, const std::string& text) {
    return {name, platform::kRegSz, Sz(text)};
}
Value Dword(const std::string& name, uint32_t v) {
    return {name, platform::kRegDword, Le32(v)};
}

// A machine with two ordinary programs beside the entry under test:
// "Parent" is accepted, "Hidden" is a system component and so is not.
struct Machine {
    explicit Machine(uint16_t architecture = platform::kArchitectureAmd64)
        : registry(architecture == platform::kArchitectureAmd64), system(architecture) {}

    void AddProgram(Hive hive, const std::string& name, const std::string& displayName, uint32_t access = 0) {
        registry.SetString(hive, Key(name), "DisplayName", displayName, access);
        registry.SetString(hive, Key(name), "UninstallString", "C:\\Program\\uninst.exe", access);
    }
    void Add(Hive hive, const std::string& name, const std::vector<Value>& values, uint32_t access = 0) {
        for (const Value& value : values)
            registry.SetRaw(hive, Key(name), value.name, value.type, value.data, access);
    }
    std::vector<std::string> Names(std::vector<ProgramSource>* sources = nullptr) {
        CAppEnum appEnum(registry, system);
        appEnum.Enum();
        std::vector<std::string> names;
        appEnum.ReadProgramsWithSources(
            [&names, sources](const std::vector<InstalledProgram>& programs, const std::vector<ProgramSource>& read) {
                for (const InstalledProgram& program : programs)
                    names.push_back(program.displayName);
                if (sources) *sources = read;
            });
        return names;
    }

    MemoryRegistry registry;
    MemorySystem system;
};

// ---------------------------------------------------------------------------
// Which entries are listed and what their record holds: one entry "Target"
// in the 64-bit view, next to "Parent" (accepted) and "Hidden" (rejected).

struct EntryCase {
    const char* name;
    std::vector<Value> values;
    bool listed;
    std::string uninstallCommand; // when listed
    uint64_t sizeBytes;           // when listed
};

class EntryTest : public testing::TestWithParam<EntryCase> {};

TEST_P(EntryTest, ListsOnlyRemovableMainEntries) {
    Machine machine;
    machine.AddProgram(Hive::LocalMachine, "Parent", "Parent");
    machine.AddProgram(Hive::LocalMachine, "Hidden", "Hidden");
    machine.registry.SetDword(Hive::LocalMachine, Key("Hidden"), "SystemComponent", 1);
    machine.Add(Hive::LocalMachine, "Target", GetParam().values);

    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    const InstalledProgram* target = nullptr;
    for (const InstalledProgram& program : programs)
        if (std::strcmp(program.displayName, "Parent") != 0) target = &program;
    ASSERT_EQ(programs.size(), GetParam().listed ? 2u : 1u);
    if (!GetParam().listed) return;
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(std::string(target->uninstallCommand), GetParam().uninstallCommand);
    EXPECT_EQ(target->sizeBytes, GetParam().sizeBytes);
    // Every handle a pass opened is closed again.
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u);
}

const Value kName = Text("DisplayName", "Target");
const Value kUninst = Text("UninstallString", "C:\\T\\uninst.exe");
const Value kQuiet = Text("QuietUninstallString", "C:\\T\\uninst.exe /S");

Value Size32(uint32_t kib) {
    return Dword("EstimatedSize", kib);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryTest,
    testing::Values(
        EntryCase{"Plain", {kName, kUninst}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"QuietCommandIsPreferred", {kName, kUninst, kQuiet}, true, "C:\\T\\uninst.exe /S", 0},
        EntryCase{"EmptyQuietCommandFallsBack",
                  {kName, kUninst, Text("QuietUninstallString", "")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"OnlyQuietCommandIsRejected", {kName, kQuiet}, false, "", 0},
        EntryCase{"SystemComponentIsRejected", {kName, kUninst, Dword("SystemComponent", 1)}, false, "", 0},
        EntryCase{
            "SystemComponentZeroIsListed", {kName, kUninst, Dword("SystemComponent", 0)}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{
            "SystemComponentTwoIsListed", {kName, kUninst, Dword("SystemComponent", 2)}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"SystemComponentAsTextIsNoNumber",
                  {kName, kUninst, Text("SystemComponent", "1")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"UnsupportedUninstallIsRejected", {kName, Text("UninstallString", "(Unsupported)")}, false, "", 0},
        EntryCase{
            "UnsupportedComparesExactly", {kName, Text("UninstallString", "(unsupported)")}, true, "(unsupported)", 0},
        EntryCase{"EmptyUninstallIsRejected", {kName, Text("UninstallString", "")}, false, "", 0},
        EntryCase{"MissingNameIsRejected", {kUninst}, false, "", 0},
        EntryCase{"EmptyNameIsListed", {Text("DisplayName", ""), kUninst}, true, "C:\\T\\uninst.exe", 0},
        // Updates and parts of other programs.
        EntryCase{"ParentAcceptedIsHidden", {kName, kUninst, Text("ParentKeyName", "Parent")}, false, "", 0},
        EntryCase{"ParentMatchesCaseSensitively",
                  {kName, kUninst, Text("ParentKeyName", "parent")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"ParentNotAcceptedIsListed",
                  {kName, kUninst, Text("ParentKeyName", "Hidden")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{
            "ParentMissingIsListed", {kName, kUninst, Text("ParentKeyName", "Gone")}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"EmptyParentIsMainEntry",
                  {kName, kUninst, Text("ParentKeyName", ""), Text("ReleaseType", "Hotfix")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"ReleaseTypeWithoutParentIsListed",
                  {kName, kUninst, Text("ReleaseType", "Hotfix")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"HotfixIsHidden",
                  {kName, kUninst, Text("ParentKeyName", "Gone"), Text("ReleaseType", "Hotfix")},
                  false,
                  "",
                  0},
        EntryCase{"SecurityUpdateIsHidden",
                  {kName, kUninst, Text("ParentKeyName", "Gone"), Text("ReleaseType", "Security Update")},
                  false,
                  "",
                  0},
        EntryCase{"ServicePackIsHidden",
                  {kName, kUninst, Text("ParentKeyName", "Gone"), Text("ReleaseType", "Service Pack")},
                  false,
                  "",
                  0},
        EntryCase{"LowerCaseHotfixIsListed",
                  {kName, kUninst, Text("ParentKeyName", "Gone"), Text("ReleaseType", "hotfix")},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"MinorUpgradeIsHidden",
                  {kName, kUninst, Text("ParentKeyName", "Gone"), Dword("IsMinorUpgrade", 1)},
                  false,
                  "",
                  0},
        EntryCase{"MinorUpgradeWithoutParentIsListed",
                  {kName, kUninst, Dword("IsMinorUpgrade", 1)},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        // Sizes: KiB below 3 GiB, anything else 0.
        EntryCase{"SizeOneKiB", {kName, kUninst, Size32(1)}, true, "C:\\T\\uninst.exe", 1024},
        EntryCase{"SizeJustUnderLimit", {kName, kUninst, Size32(3145727)}, true, "C:\\T\\uninst.exe", 3221224448ull},
        EntryCase{"SizeAtLimitIsZero", {kName, kUninst, Size32(3145728)}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"SizeMaxDwordIsZero", {kName, kUninst, Size32(0xFFFFFFFF)}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"SizeQword",
                  {kName, kUninst, Value{"EstimatedSize", platform::kRegQword, Le64(100)}},
                  true,
                  "C:\\T\\uninst.exe",
                  102400},
        EntryCase{"SizeQwordHighBitsIsZero",
                  {kName, kUninst, Value{"EstimatedSize", platform::kRegQword, Le64((1ull << 32) | 100)}},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"SizeAsTextIsZero", {kName, kUninst, Text("EstimatedSize", "12")}, true, "C:\\T\\uninst.exe", 0},
        EntryCase{"SizeTooLongIsZero",
                  {kName, kUninst, Value{"EstimatedSize", platform::kRegBinary, std::string(12, '\x01')}},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        // Values of the wrong type are no text.
        EntryCase{"DwordNameIsRejected", {Dword("DisplayName", 0x41), kUninst}, false, "", 0},
        EntryCase{"BinaryUninstallIsRejected",
                  {kName, Value{"UninstallString", platform::kRegBinary, "C:\\x.exe" + std::string(1, '\0')}},
                  false,
                  "",
                  0},
        EntryCase{"BinaryQuietFallsBack",
                  {kName, kUninst, Value{"QuietUninstallString", platform::kRegBinary, Sz("C:\\q.exe")}},
                  true,
                  "C:\\T\\uninst.exe",
                  0},
        EntryCase{"ExpandableTextIsKeptUnexpanded",
                  {kName, Value{"UninstallString", platform::kRegExpandSz, Sz("%ProgramFiles%\\T\\u.exe")}},
                  true,
                  "%ProgramFiles%\\T\\u.exe",
                  0},
        // 260-byte buffers: 259 characters and the zero fit, 260 do not.
        EntryCase{"Uninstall259Fits",
                  {kName, Text("UninstallString", std::string(259, 'u'))},
                  true,
                  std::string(259, 'u'),
                  0},
        EntryCase{"Uninstall260IsRejected", {kName, Text("UninstallString", std::string(260, 'u'))}, false, "", 0},
        EntryCase{"Name260IsRejected", {Text("DisplayName", std::string(260, 'n')), kUninst}, false, "", 0},
        EntryCase{"Uninstall260WithoutZeroIsRejected",
                  {kName, Value{"UninstallString", platform::kRegSz, std::string(260, 'u')}},
                  false,
                  "",
                  0},
        EntryCase{"Quiet260FallsBack",
                  {kName, kUninst, Text("QuietUninstallString", std::string(260, 'q'))},
                  true,
                  "C:\\T\\uninst.exe",
                  0}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST(AppEnumRecordTest, CopiesEveryFieldAsStored) {
    Machine machine;
    const std::string longName(259, 'N');
    machine.Add(Hive::LocalMachine, "Acme",
                {Text("DisplayName", longName), Text("DisplayIcon", "\"C:\\Acme\\acme.exe\",0"),
                 Text("Inno Setup: Icon Group", "Acme Tools"), Text("UninstallString", "C:\\Acme\\unins000.exe"),
                 Text("InstallLocation", "C:\\Acme\\"), Text("Publisher", "Café Münster GmbH"),
                 Text("DisplayVersion", "1.2.3"), Size32(2048),
                 // Too long for its field: that field alone stays empty.
                 Text("Comments", "ignored")});
    machine.registry.SetString(Hive::LocalMachine, Key("Acme"), "DisplayVersion", std::string(300, '9'));

    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    ASSERT_EQ(programs.size(), 1u);
    const InstalledProgram& p = programs[0];
    EXPECT_EQ(std::string(p.displayName), longName);
    EXPECT_STREQ(p.displayIcon, "\"C:\\Acme\\acme.exe\",0");
    EXPECT_STREQ(p.iconGroup, "Acme Tools");
    EXPECT_STREQ(p.uninstallCommand, "C:\\Acme\\unins000.exe");
    EXPECT_STREQ(p.installLocation, "C:\\Acme\\");
    EXPECT_STREQ(p.publisher, "Café Münster GmbH");
    EXPECT_STREQ(p.displayVersion, "");
    EXPECT_EQ(p.sizeBytes, 2048u * 1024u);
    // The rest of each buffer stays zero.
    for (size_t i = std::strlen(p.iconGroup); i < sizeof p.iconGroup; ++i)
        ASSERT_EQ(p.iconGroup[i], 0);
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

struct FieldCase {
    const char* name;
    std::string stored;
    std::string kept;
};

class FieldTextTest : public testing::TestWithParam<FieldCase> {};

// The fields hold UTF-8 in 259 bytes and the zero. A text shown (name,
// publisher, version) that needs more is cut where a character starts; a
// path or command that needs more is left out, since its start would name
// another folder.
TEST_P(FieldTextTest, KeepsWholeCharacters) {
    const FieldCase& c = GetParam();
    Machine machine;
    machine.Add(Hive::LocalMachine, "T",
                {Text("DisplayName", c.stored), Text("Publisher", c.stored), Text("DisplayVersion", c.stored),
                 Text("InstallLocation", c.stored), Text("UninstallString", "C:\\T\\uninst.exe")});
    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    ASSERT_EQ(programs.size(), 1u);
    const InstalledProgram& p = programs[0];
    EXPECT_EQ(std::string(p.displayName), c.kept);
    EXPECT_EQ(std::string(p.publisher), c.kept);
    EXPECT_EQ(std::string(p.displayVersion), c.kept);
    EXPECT_EQ(std::string(p.installLocation), c.kept == c.stored ? c.stored : "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FieldTextTest,
    testing::Values(FieldCase{"Cyrillic", "Блокнот", "Блокнот"}, FieldCase{"Greek", "Σημειώσεις", "Σημειώσεις"},
                    FieldCase{"Chinese", "记事本", "记事本"}, FieldCase{"Japanese", "メモ帳", "メモ帳"},
                    FieldCase{"AccentedLatin", "Café Äpfel", "Café Äpfel"}, FieldCase{"Emoji", "Notes 📝", "Notes 📝"},
                    // 259 bytes fit whole.
                    FieldCase{"Bytes259", "a" + Repeat("ж", 129), "a" + Repeat("ж", 129)},
                    // Byte 259 is the first of a two-byte letter, which goes whole.
                    FieldCase{"CutInsideATwoByteLetter", Repeat("ж", 130), Repeat("ж", 129)},
                    // 258 bytes of three-byte signs, then an emoji of four.
                    FieldCase{"CutInsideAnEmoji", Repeat("€", 86) + "😀", Repeat("€", 86)}),
    [](const testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Passes: order, views, hives.

TEST(AppEnumPassTest, ListsIn32BitViewThen64BitViewThenCurrentUser) {
    Machine machine;
    machine.AddProgram(Hive::CurrentUser, "UserApp", "User app");
    machine.AddProgram(Hive::LocalMachine, "B64", "B 64");
    machine.AddProgram(Hive::LocalMachine, "A64", "A 64");
    machine.AddProgram(Hive::LocalMachine, "Z32", "Z 32", k32);
    machine.AddProgram(Hive::LocalMachine, "Y32", "Y 32", k32);
    // Registered in both views: listed once per registration.
    machine.AddProgram(Hive::LocalMachine, "Both", "Both");
    machine.AddProgram(Hive::LocalMachine, "Both", "Both", k32);

    std::vector<ProgramSource> sources;
    EXPECT_EQ(machine.Names(&sources),
              (std::vector<std::string>{"Both", "Y 32", "Z 32", "A 64", "B 64", "Both", "User app"}));
    EXPECT_EQ(sources, (std::vector<ProgramSource>{ProgramSource::LocalMachine32, ProgramSource::LocalMachine32,
                                                   ProgramSource::LocalMachine32, ProgramSource::LocalMachine64,
                                                   ProgramSource::LocalMachine64, ProgramSource::LocalMachine64,
                                                   ProgramSource::CurrentUser}));
}

TEST(AppEnumPassTest, ThirtyTwoBitSystemReadsTheMachineOnce) {
    Machine machine(platform::kArchitectureIntel);
    machine.AddProgram(Hive::LocalMachine, "App", "App");
    machine.AddProgram(Hive::CurrentUser, "Mine", "Mine");
    std::vector<ProgramSource> sources;
    EXPECT_EQ(machine.Names(&sources), (std::vector<std::string>{"App", "Mine"}));
    EXPECT_EQ(sources, (std::vector<ProgramSource>{ProgramSource::LocalMachine32, ProgramSource::CurrentUser}));
}

TEST(AppEnumPassTest, ArmSystemCountsAsThirtyTwoBit) {
    Machine machine(platform::kArchitectureArm64);
    CAppEnum appEnum(machine.registry, machine.system);
    EXPECT_FALSE(appEnum.Is64BitOs());
}

TEST(AppEnumPassTest, ParentMustBeAcceptedInTheSamePass) {
    Machine machine;
    machine.AddProgram(Hive::LocalMachine, "Suite", "Suite");
    machine.Add(Hive::LocalMachine, "SuiteUpdate",
                {Text("DisplayName", "Suite update"), kUninst, Text("ParentKeyName", "Suite")}, k32);
    machine.Add(Hive::LocalMachine, "SuiteUpdate",
                {Text("DisplayName", "Suite update"), kUninst, Text("ParentKeyName", "Suite")});
    // The 32-bit pass has no "Suite", so there the update is a main entry.
    EXPECT_EQ(machine.Names(), (std::vector<std::string>{"Suite update", "Suite"}));
}

TEST(AppEnumPassTest, ParentLaterInTheListStillCounts) {
    Machine machine;
    machine.Add(Hive::CurrentUser, "AUpdate",
                {Text("DisplayName", "A update"), kUninst, Text("ParentKeyName", "ZMain")});
    machine.AddProgram(Hive::CurrentUser, "ZMain", "Z main");
    EXPECT_EQ(machine.Names(), (std::vector<std::string>{"Z main"}));
}

struct KeyNameCase {
    const char* name;
    size_t length;
    std::vector<std::string> listed;
};

class KeyNameLengthTest : public testing::TestWithParam<KeyNameCase> {};

// A name that does not fit the 260-byte buffer ends the walk of that pass;
// the next pass starts afresh.
TEST_P(KeyNameLengthTest, LongNameEndsThePass) {
    Machine machine;
    machine.AddProgram(Hive::LocalMachine, "A", "A");
    machine.AddProgram(Hive::LocalMachine, "M" + std::string(GetParam().length - 1, 'x'), "M");
    machine.AddProgram(Hive::LocalMachine, "Z", "Z");
    machine.AddProgram(Hive::CurrentUser, "U", "U");
    EXPECT_EQ(machine.Names(), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(Table, KeyNameLengthTest,
                         testing::Values(KeyNameCase{"Fits259", 259, {"A", "M", "Z", "U"}},
                                         KeyNameCase{"Stops260", 260, {"A", "U"}},
                                         KeyNameCase{"Stops300", 300, {"A", "U"}}),
                         [](const testing::TestParamInfo<KeyNameCase>& info) { return std::string(info.param.name); });

TEST(AppEnumPassTest, MissingOrEmptyUninstallKeysGiveNothing) {
    Machine machine;
    EXPECT_TRUE(machine.Names().empty());
    platform::RegKey key = 0;
    ASSERT_EQ(machine.registry.CreateKey(Hive::LocalMachine, kUninstall, platform::kKeyAllAccess, &key), 0u);
    machine.registry.CloseKey(key);
    ASSERT_EQ(machine.registry.CreateKey(Hive::CurrentUser, kUninstall, platform::kKeyAllAccess, &key), 0u);
    machine.registry.CloseKey(key);
    EXPECT_TRUE(machine.Names().empty());
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u);
}

TEST(AppEnumPassTest, EnumReplacesTheList) {
    Machine machine;
    machine.AddProgram(Hive::LocalMachine, "One", "One");
    machine.AddProgram(Hive::LocalMachine, "Two", "Two");
    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    EXPECT_EQ(appEnum.GetPrograms().size(), 2u);
    ASSERT_EQ(machine.registry.DeleteKey(Hive::LocalMachine, Key("One")), 0u);
    appEnum.Enum();
    const std::vector<InstalledProgram> programs = appEnum.GetPrograms();
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_STREQ(programs[0].displayName, "Two");
}

// A reader on another thread sees the old list or the new one, never a part.
TEST(AppEnumPassTest, ReadersNeverSeeAHalfBuiltList) {
    Machine machine;
    for (int i = 0; i < 50; ++i)
        machine.AddProgram(Hive::LocalMachine, "P" + std::to_string(i), "P");
    CAppEnum appEnum(machine.registry, machine.system);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20; ++i)
            appEnum.Enum();
        done = true;
    });
    while (!done) {
        size_t programCount = 0;
        size_t sourceCount = 0;
        appEnum.ReadProgramsWithSources(
            [&](const std::vector<InstalledProgram>& programs, const std::vector<ProgramSource>& sources) {
                programCount = programs.size();
                sourceCount = sources.size();
            });
        ASSERT_TRUE(programCount == 0 || programCount == 50u) << programCount;
        ASSERT_EQ(programCount, sourceCount);
    }
    writer.join();
}

// ---------------------------------------------------------------------------
// Timing lines.

class AppEnumLogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetLogFilePath(dir.filePath("enum.log"));
    }
    void TearDown() override { SetLogFilePath(QString()); }

    QStringList Lines() {
        QFile file(dir.filePath("enum.log"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
};

TEST_F(AppEnumLogTest, SixtyFourBitSystemLogsEveryStep) {
    Machine machine;
    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 4);
    const char* prefixes[] = {"CAppEnum::Enum64Bit begin with ", "CAppEnum::Enum64Bit end with ",
                              "CAppEnum::Enum32Bit end with ", "CAppEnum::EnumLocalUser end with "};
    const QRegularExpression stamp("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}\\r?$");
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(lines[i].startsWith(prefixes[i])) << lines[i].toStdString();
        EXPECT_TRUE(stamp.match(lines[i].mid(int(std::strlen(prefixes[i])))).hasMatch()) << lines[i].toStdString();
    }
}

TEST_F(AppEnumLogTest, ThirtyTwoBitSystemLogsOnlyTheUserPass) {
    Machine machine(platform::kArchitectureIntel);
    CAppEnum appEnum(machine.registry, machine.system);
    appEnum.Enum();
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("CAppEnum::EnumLocalUser end with "));
}

} // namespace
