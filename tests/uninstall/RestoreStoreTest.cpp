// The restore store against the in-memory machine, whose store lies on
// another volume (Z:, over the host's root) so that every move is a copy,
// a comparison and a deletion: a deep clean and a restore killed at every
// step, finished at the next start, leave each entry in one place only and
// give back the machine as it was; a restore never overwrites what exists
// again; the volume running full puts everything back; damaged manifests;
// the limits. On Linux, the menu files of a prefix's shortcuts in a
// temporary home go through the point the same way.

#include "uninstall/RestoreStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "support/Log.h"
#include "tests/ScopedVariable.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/UninstallerCore.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kMuiCache = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const std::string kFolder = "C:\\Program Files\\Acme Notes";
const std::string kAppData = "C:\\users\\tester\\AppData\\Roaming\\Acme Notes";

// A kill (power cut, kill -9) at a chosen step: thrown through the core.
struct Killed {};

// Counts the calls that change the machine and kills the run before or
// after the chosen one.
class KillSwitch {
public:
    // Kill point `k`: before change k/2 when k is even, after it when odd;
    // negative: never.
    explicit KillSwitch(int k) : killAt(k) {}
    void Before() {
        if (killAt >= 0 && 2 * step == killAt) throw Killed{};
    }
    template <class Status> Status After(Status status) {
        if (killAt >= 0 && 2 * step + 1 == killAt) throw Killed{};
        ++step;
        return status;
    }

private:
    int killAt;
    int step = 0;
};

class KillingFiles : public platform::IFileSystem {
public:
    KillingFiles(platform::IFileSystem& inner, KillSwitch& kill) : inner(inner), kill(kill) {}
    uint32_t ListFolder(const std::string& p, uint32_t f, std::vector<platform::FileEntry>* e) override {
        return inner.ListFolder(p, f, e);
    }
    uint32_t ListTree(const std::string& p, uint32_t f, std::vector<platform::TreeEntry>* e) override {
        return inner.ListTree(p, f, e);
    }
    uint32_t GetAttributes(const std::string& p, uint32_t* a) override { return inner.GetAttributes(p, a); }
    uint32_t FinalPath(const std::string& p, std::string* r) override { return inner.FinalPath(p, r); }
    uint32_t CreationTime(const std::string& p, uint64_t* t) override { return inner.CreationTime(p, t); }
    uint32_t ModificationTime(const std::string& p, uint64_t* t) override { return inner.ModificationTime(p, t); }
    uint32_t ExtractIcon(const std::string& p, int i, uint32_t s, platform::IconImage* m) override {
        return inner.ExtractIcon(p, i, s, m);
    }
    uint32_t SpecialFolder(int c, std::string* p) override { return inner.SpecialFolder(c, p); }
    uint32_t Stat(const std::string& p, platform::FileStat* s) override { return inner.Stat(p, s); }
    uint32_t FreeSpace(const std::string& p, uint64_t* b) override { return inner.FreeSpace(p, b); }
    uint32_t HostFolderPath(const std::string& h, std::string* p) override { return inner.HostFolderPath(h, p); }

    uint32_t DeleteFile(const std::string& p) override {
        return Change([&] { return inner.DeleteFile(p); });
    }
    uint32_t SetOwnerWriteOnly(const std::string& p) override {
        return Change([&] { return inner.SetOwnerWriteOnly(p); });
    }
    uint32_t RemoveFolderAndEmptyParents(const std::string& p) override {
        return Change([&] { return inner.RemoveFolderAndEmptyParents(p); });
    }
    uint32_t RemoveFolder(const std::string& p) override {
        return Change([&] { return inner.RemoveFolder(p); });
    }
    uint32_t MoveEntry(const std::string& f, const std::string& t, platform::FileStat* m) override {
        return Change([&] { return inner.MoveEntry(f, t, m); });
    }
    uint32_t SetTimes(const std::string& p, uint64_t c, uint64_t w) override {
        return Change([&] { return inner.SetTimes(p, c, w); });
    }
    uint32_t CreateFolder(const std::string& p) override {
        return Change([&] { return inner.CreateFolder(p); });
    }
    uint32_t WriteFile(const std::string& p, const std::string& c) override {
        return Change([&] { return inner.WriteFile(p, c); });
    }
    uint32_t SetAttributes(const std::string& p, uint32_t a) override {
        return Change([&] { return inner.SetAttributes(p, a); });
    }

private:
    template <class F> uint32_t Change(F call) {
        kill.Before();
        return kill.After(call());
    }
    platform::IFileSystem& inner;
    KillSwitch& kill;
};

class KillingRegistry : public platform::IRegistry {
public:
    KillingRegistry(platform::IRegistry& inner, KillSwitch& kill) : inner(inner), kill(kill) {}
    uint32_t OpenKey(Hive h, const std::string& s, uint32_t a, platform::RegKey* k) override {
        return inner.OpenKey(h, s, a, k);
    }
    uint32_t EnumKey(platform::RegKey k, uint32_t i, uint32_t n, std::string* name) override {
        return inner.EnumKey(k, i, n, name);
    }
    uint32_t QueryValue(platform::RegKey k, const std::string& n, uint32_t b, uint32_t* t, std::string* d) override {
        return inner.QueryValue(k, n, b, t, d);
    }
    uint32_t QueryValueCount(platform::RegKey k, uint32_t* c) override { return inner.QueryValueCount(k, c); }
    uint32_t EnumValue(platform::RegKey k, uint32_t i, uint32_t n, std::string* name, uint32_t* t) override {
        return inner.EnumValue(k, i, n, name, t);
    }
    void CloseKey(platform::RegKey k) override { inner.CloseKey(k); }
    uint32_t DeleteKey(Hive h, const std::string& s) override {
        kill.Before();
        return kill.After(inner.DeleteKey(h, s));
    }
    uint32_t DeleteValue(platform::RegKey k, const std::string& n) override {
        kill.Before();
        return kill.After(inner.DeleteValue(k, n));
    }
    uint32_t CreateKey(Hive h, const std::string& s, uint32_t a, platform::RegKey* k) override {
        kill.Before();
        return kill.After(inner.CreateKey(h, s, a, k));
    }
    uint32_t SetValue(platform::RegKey k, const std::string& n, uint32_t t, const std::string& d) override {
        kill.Before();
        return kill.After(inner.SetValue(k, n, t, d));
    }

private:
    platform::IRegistry& inner;
    KillSwitch& kill;
};

// The machine seen through the kill switch; with `linuxPrefix`, as a Wine
// prefix at that folder, whose shortcuts' menu files are within reach.
class KillingPlatform : public platform::IPlatform {
public:
    KillingPlatform(MemoryPlatform& machine, KillSwitch& kill, const QString& linuxPrefix = QString())
        : machine(machine), files(machine.files, kill), registry(machine.registry, kill),
          prefix(linuxPrefix.toStdString()) {}
    platform::IRegistry& Registry() override { return registry; }
    platform::ISystem& System() override { return machine.system; }
    platform::IFileSystem& Files() override { return files; }
    std::string FatalError() const override { return machine.FatalError(); }
    std::string LinuxPrefix() const override { return prefix; }

private:
    MemoryPlatform& machine;
    KillingFiles files;
    KillingRegistry registry;
    std::string prefix;
};

void File(MemoryPlatform& machine, const std::string& path, const std::string& content, uint32_t attributes = 0) {
    machine.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
    machine.files.WriteFile(path, content);
    if (attributes) machine.files.SetAttributes(path, attributes);
}

// Acme Notes, gone but for its leftovers: files of every attribute the
// remover takes (a read-only one, one in a read-only folder), AppData, an
// uninstall key with values of every type in the 32-bit view, a MuiCache
// value; beside it a neighbour that must never be touched.
void Furnish(MemoryPlatform& machine) {
    for (const char* folder : {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                               "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop"})
        machine.files.CreateFolder(folder);
    File(machine, kFolder + "\\uninst.exe", "MZ uninstaller");
    File(machine, kFolder + "\\notes.exe", "MZ notes", platform::kAttrReadOnly | platform::kAttrArchive);
    File(machine, kFolder + "\\lib\\core.dll", std::string("\0\1\2binary", 9));
    machine.files.SetAttributes(kFolder + "\\lib", platform::kAttrReadOnly);
    machine.files.SetCreationTime(kFolder + "\\lib", 131000000000000000ULL);
    machine.files.SetModificationTime(kFolder + "\\lib", 132000000000000000ULL);
    File(machine, kAppData + "\\settings.ini", "[main]\nx=1\n");
    File(machine, kAppData + "\\cache\\a.bin", "aaaa");
    File(machine, "C:\\Program Files\\Other\\other.exe", "MZ other");
    const uint32_t view32 = platform::kKeyWow64_32Key;
    const std::string key = kUninstall + "\\AcmeNotes";
    machine.registry.SetString(Hive::LocalMachine, key, "DisplayName", "Acme Notes", view32);
    machine.registry.SetString(Hive::LocalMachine, key, "UninstallString", "\"" + kFolder + "\\uninst.exe\"", view32);
    machine.registry.SetString(Hive::LocalMachine, key, "InstallLocation", kFolder, view32);
    machine.registry.SetDword(Hive::LocalMachine, key, "EstimatedSize", 4096, view32);
    machine.registry.SetRaw(Hive::LocalMachine, key, "Blob", platform::kRegBinary, std::string("\0\xff\x10", 3),
                            view32);
    machine.registry.SetRaw(Hive::LocalMachine, key, "Paths", platform::kRegMultiSz, std::string("a\0b\0\0", 5),
                            view32);
    machine.registry.SetString(Hive::ClassesRoot, kMuiCache, kFolder + "\\notes.exe.FriendlyAppName", "Notes");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "DisplayName", "Other");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "UninstallString",
                               "C:\\Program Files\\Other\\u.exe");
}

// Every entry of C: with its attributes, times and content, and the
// registry values that a clean may take, each with its type and data (in
// name order: a value written again comes last).
std::vector<std::string> Snapshot(MemoryPlatform& machine) {
    std::vector<std::string> lines;
    for (const std::string& path : machine.files.Snapshot("C:\\")) {
        platform::FileStat stat;
        machine.files.Stat(path, &stat);
        lines.push_back(path + "|" + std::to_string(stat.attributes) + "|" + std::to_string(stat.creationTime) + "|" +
                        std::to_string(stat.writeTime) + "|" + machine.files.ReadFile(path));
    }
    std::set<std::string> values;
    for (const auto& [hive, key] : std::vector<std::pair<Hive, std::string>>{
             {Hive::LocalMachine, "SOFTWARE\\WOW6432Node\\" + kUninstall.substr(9) + "\\AcmeNotes"},
             {Hive::LocalMachine, kUninstall + "\\Other"},
             {Hive::ClassesRoot, kMuiCache}}) {
        platform::ScopedRegKey open(machine.registry);
        if (machine.registry.OpenKey(hive, key, platform::kKeyRead, open.out()) != platform::kErrorSuccess) {
            values.insert(key + " missing");
            continue;
        }
        for (uint32_t i = 0;; ++i) {
            std::string name;
            uint32_t type = 0;
            if (machine.registry.EnumValue(open.get(), i, 16384, &name, &type) != platform::kErrorSuccess) break;
            std::string data;
            machine.registry.QueryValue(open.get(), name, 1 << 16, &type, &data);
            values.insert(key + "|" + name + "|" + std::to_string(type) + "|" + data);
        }
    }
    lines.insert(lines.end(), values.begin(), values.end());
    return lines;
}

class RestoreStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.isValid());
        SetLogFilePath(host.filePath("test.log"));
    }
    void TearDown() override { SetLogFilePath(QString()); }

    // A machine with Acme Notes' leftovers whose store lies on Z:, a volume
    // of its own (on a Windows host, the host's temporary folder would
    // otherwise be the machine's C:).
    static void Prepare(MemoryPlatform& machine) {
        Furnish(machine);
#ifdef Q_OS_WIN
        machine.files.MapDriveOutside("Z:", QDir::tempPath().toStdString());
#else
        machine.files.MapDriveOutside("Z:", "/");
#endif
    }
    QString StoreFolder() const {
        return (storeVolume.isEmpty() ? host.path() : storeVolume) + QStringLiteral("/restore");
    }
    RestoreSettings Settings() const {
        RestoreSettings settings;
        settings.folder = StoreFolder();
        return settings;
    }
    std::string StoreTarget(MemoryPlatform& machine) const {
        std::string target;
        machine.files.HostFolderPath(StoreFolder().toStdString(), &target);
        return target;
    }

    // Cleans Acme Notes on `platform` with restore points on.
    static Expected<LeftoverCleanup, BackendFailure> Clean(platform::IPlatform& platform, const RestoreSettings& s) {
        CUninstallerCore core(platform);
        core.SetRestoreSettings(s);
        const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
        EXPECT_TRUE(records.HasValue());
        const ProgramRecord* acme = records ? CUninstallerCore::FindByName(*records, "Acme Notes") : nullptr;
        EXPECT_NE(acme, nullptr);
        if (!acme) return MakeUnexpected(BackendFailure{QStringLiteral("no record")});
        return core.CleanLeftovers(*acme);
    }

    // Every file of `before` is at its place or in the store, exactly once,
    // with its content.
    void ExpectEachFileOnce(MemoryPlatform& machine, const std::vector<std::string>& before, const QString& id) {
        const std::string point = StoreTarget(machine) + "\\" + id.toStdString() + "\\files\\";
        for (const std::string& line : before) {
            const std::string path = line.substr(0, line.find('|'));
            if (path.back() == '\\' || path.find('|') != std::string::npos || path.rfind("C:\\", 0) != 0) continue;
            const std::string content = line.substr(line.rfind('|') + 1);
            const std::string stored = point + "C" + path.substr(2);
            const bool atPlace = machine.files.Exists(path);
            const bool inStore = !id.isEmpty() && machine.files.Exists(stored);
            EXPECT_NE(atPlace, inStore) << path;
            EXPECT_EQ(machine.files.ReadFile(atPlace ? path : stored), content) << path;
        }
    }

    int ManifestVersion(const QString& id) const {
        QFile file(StoreFolder() + QLatin1Char('/') + id + QLatin1Char('/') +
                   QLatin1String(CRestoreManifest::kManifestName));
        if (!file.open(QIODevice::ReadOnly)) return -1;
        return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("version")).toInt(-1);
    }

    QTemporaryDir host;
    QString storeVolume; // another folder than `host` to hold the store
};

TEST_F(RestoreStoreTest, CleanThenRestoreGivesTheMachineBack) {
    MemoryPlatform machine;
    Prepare(machine);
    const std::vector<std::string> before = Snapshot(machine);

    const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
    ASSERT_TRUE(cleanup.HasValue()) << cleanup.Error().reason.toStdString();
    EXPECT_TRUE(cleanup->stopReason.isEmpty()) << cleanup->stopReason.toStdString();
    EXPECT_TRUE(cleanup->Remaining().isEmpty());
    EXPECT_FALSE(machine.files.Exists(kFolder));
    EXPECT_FALSE(machine.files.Exists(kAppData));
    EXPECT_TRUE(machine.files.Exists("C:\\Program Files\\Other\\other.exe"));
    ASSERT_FALSE(cleanup->restorePoint.isEmpty());

    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    const QList<CRestoreStore::Summary> points = store.List();
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].id, cleanup->restorePoint);
    EXPECT_EQ(points[0].programs, QStringList{QStringLiteral("Acme Notes")});
    EXPECT_FALSE(points[0].open);
    EXPECT_TRUE(points[0].error.isEmpty());
    // 5 files, 4 folders, the uninstall key's 6 values and then the key,
    // and the MuiCache value.
    EXPECT_EQ(points[0].items, 17);
    EXPECT_EQ(points[0].size, uint64_t(14 + 8 + 9 + 11 + 4));
    // Each file and folder the clean took says what it held.
    std::map<std::string, int64_t> sizes;
    for (const LeftoverItem& item : cleanup->Deleted())
        if (item.kind == LeftoverFile || item.kind == LeftoverFolder)
            sizes[AsWritten(item).target.toStdString()] = item.size;
    const std::map<std::string, int64_t> expected = {
        {kFolder + "\\uninst.exe", 14},
        {kFolder + "\\notes.exe", 8},
        {kFolder + "\\lib", 9},
        {kAppData, 11 + 4},
    };
    for (const auto& [path, size] : expected)
        EXPECT_EQ(sizes.count(path) ? sizes[path] : -2, size) << path;
    // Without Linux files the point stays readable by builds that know the
    // first version only.
    EXPECT_EQ(ManifestVersion(points[0].id), 1);

    const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(points[0].id);
    ASSERT_TRUE(outcome.HasValue()) << outcome.Error().toStdString();
    EXPECT_EQ(outcome->restored, 17);
    EXPECT_TRUE(outcome->existing.isEmpty() && outcome->failed.isEmpty() && outcome->lost.isEmpty());
    EXPECT_TRUE(outcome->pointDropped);
    EXPECT_TRUE(store.List().isEmpty());
    EXPECT_EQ(Snapshot(machine), before);
}

// Listing the points reads the small summary beside each manifest, never a
// whole manifest, unless the summary does not describe the manifest as it is
// (gone, or the manifest written again without it).
TEST_F(RestoreStoreTest, ListTrustsASummaryOnlyOfTheManifestAsItIs) {
    MemoryPlatform machine;
    Prepare(machine);
    const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
    ASSERT_TRUE(cleanup.HasValue() && !cleanup->restorePoint.isEmpty());
    const QString folder = StoreFolder() + QLatin1Char('/') + cleanup->restorePoint;
    QFile summary(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kSummaryName));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    const QByteArray written = summary.readAll();
    summary.close();
    ASSERT_TRUE(written.contains("\"items\":17")) << written.toStdString();
    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    const auto items = [&store] {
        const QList<CRestoreStore::Summary> points = store.List();
        return points.size() == 1 && points[0].error.isEmpty() ? points[0].items : -1;
    };

    // A summary that matches the manifest is what the list shows.
    ASSERT_TRUE(summary.open(QIODevice::WriteOnly));
    summary.write(QByteArray(written).replace("\"items\":17", "\"items\":99"));
    summary.close();
    EXPECT_EQ(items(), 99);

    // A manifest written again (here with one item fewer) voids it.
    Expected<RestoreManifest, QString> manifest = CRestoreManifest::Read(folder);
    ASSERT_TRUE(manifest.HasValue());
    manifest->items.removeLast();
    QString error;
    ASSERT_TRUE(CRestoreManifest::Write(folder, *manifest, &error)) << error.toStdString();
    QFile file(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kManifestName));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    ASSERT_TRUE(summary.open(QIODevice::WriteOnly));
    summary.write(QByteArray(written).replace("\"items\":17", "\"items\":99"));
    summary.close();
    EXPECT_EQ(items(), 16);
    // ... and a missing one is made again.
    QFile::remove(summary.fileName());
    EXPECT_EQ(items(), 16);
    EXPECT_TRUE(QFile::exists(summary.fileName()));
    // A damaged manifest is listed with its error whatever a summary says.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.left(bytes.size() / 2));
    file.close();
    EXPECT_EQ(items(), -1);
}

// Another run on the same machine may have claimed the id this second gives
// (its folder made, nothing written yet): a new point takes the next one.
TEST_F(RestoreStoreTest, AnIdClaimedByAnotherRunIsNotShared) {
    MemoryPlatform machine;
    Prepare(machine);
    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    QString error;
    ASSERT_TRUE(store.Begin({QStringLiteral("First")}, &error)) << error.toStdString();
    QStringList claimed;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int second = 0; second < 3; ++second) {
        const QString stem = now.addSecs(second).toString(QStringLiteral("yyyyMMdd-HHmmss"));
        claimed << stem << stem + QStringLiteral("-2");
    }
    for (const QString& id : claimed)
        machine.files.CreateFolder(StoreTarget(machine) + "\\" + id.toStdString());
    const std::unique_ptr<CRestorePoint> point = store.Begin({QStringLiteral("Second")}, &error);
    ASSERT_TRUE(point) << error.toStdString();
    EXPECT_FALSE(claimed.contains(point->Manifest().id)) << point->Manifest().id.toStdString();
}

// A point whose manifest and journal are both gone (a power cut took what
// was not on disk yet) still holds the files: it is rebuilt from where they
// lie, said once, and gives the machine back; it is never dropped with them.
TEST_F(RestoreStoreTest, PointWithoutRecordsIsRebuiltFromItsStore) {
    MemoryPlatform machine;
    Prepare(machine);
    const std::vector<std::string> before = Snapshot(machine);
    const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
    ASSERT_TRUE(cleanup.HasValue());
    const QString id = cleanup->restorePoint;
    ASSERT_FALSE(id.isEmpty());
    const QString folder = StoreFolder() + QLatin1Char('/') + id + QLatin1Char('/');
    QFile::remove(folder + QLatin1String(CRestoreManifest::kManifestName));
    QFile::remove(folder + QLatin1String(CRestoreManifest::kJournalName));

    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    EXPECT_EQ(store.Recover().size(), 1);
    EXPECT_TRUE(store.Recover().isEmpty());
    const QList<CRestoreStore::Summary> points = store.List();
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].id, id);
    EXPECT_EQ(points[0].size, uint64_t(14 + 8 + 9 + 11 + 4));
    ExpectEachFileOnce(machine, before, id);

    const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
    ASSERT_TRUE(outcome.HasValue()) << outcome.Error().toStdString();
    // The files come back; the registry's records were in the lost manifest.
    for (const std::string& line : before) {
        const std::string path = line.substr(0, line.find('|'));
        if (path.rfind("C:\\", 0) == 0 && path.back() != '\\' && path.find('|') == std::string::npos) {
            EXPECT_TRUE(machine.files.Exists(path)) << path;
        }
    }
}

// The fences decide what goes, with restore points as without: hidden and
// system files stay with their folders, a read-only file in a tree stays,
// a link goes as a link (it cannot move to the store's volume: it is
// removed as without a store) and its target stays.
TEST_F(RestoreStoreTest, WhatGoesIsTheSameWithoutRestorePoints) {
    std::vector<std::string> left[2];
    for (bool restorePoints : {false, true}) {
        MemoryPlatform machine;
        Prepare(machine);
        File(machine, kFolder + "\\hidden.dat", "h", platform::kAttrHidden);
        File(machine, kFolder + "\\lib\\system.dat", "s", platform::kAttrSystem);
        File(machine, kFolder + "\\lib\\locked.bin", "r", platform::kAttrReadOnly);
        File(machine, "C:\\users\\tester\\Documents\\letter.txt", "dear");
        machine.files.CreateLink(kAppData + "\\docs", "C:\\users\\tester\\Documents");
        const Expected<LeftoverCleanup, BackendFailure> cleanup =
            Clean(machine, restorePoints ? Settings() : RestoreSettings{false, QString(), {}});
        ASSERT_TRUE(cleanup.HasValue());
        EXPECT_EQ(cleanup->restorePoint.isEmpty(), !restorePoints);
        left[restorePoints] = machine.files.Snapshot("C:\\");
    }
    EXPECT_EQ(left[true], left[false]);
    EXPECT_TRUE(std::count(left[true].begin(), left[true].end(), kFolder + "\\hidden.dat"));
    EXPECT_TRUE(std::count(left[true].begin(), left[true].end(), kFolder + "\\lib\\locked.bin"));
    EXPECT_TRUE(std::count(left[true].begin(), left[true].end(), "C:\\users\\tester\\Documents\\letter.txt"));
    EXPECT_FALSE(std::count(left[true].begin(), left[true].end(), kAppData + "\\docs -> C:\\users\\tester\\Documents"));
}

// A deep clean killed before or after any change it makes, and between
// the copy and the deletion of any move: the next start finishes the
// point (each file at its place or in the store, once), and its restore
// gives the machine back as it was.
TEST_F(RestoreStoreTest, CleanKilledAtEveryStepIsFinishedThenRestored) {
    std::vector<std::string> before;
    int points = 0;
    for (int k = 0;; ++k) {
        MemoryPlatform machine;
        Prepare(machine);
        before = Snapshot(machine);
        KillSwitch kill(k);
        KillingPlatform killing(machine, kill);
        bool killed = false;
        try {
            const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(killing, Settings());
            ASSERT_TRUE(cleanup.HasValue());
        } catch (const Killed&) {
            killed = true;
        }
        if (!killed) {
            EXPECT_GT(k, 40) << "the clean made fewer changes than expected";
            break;
        }
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        const int open = store.List().size();
        const QStringList told = store.Recover();
        const QList<CRestoreStore::Summary> list = store.List();
        ASSERT_LE(list.size(), open) << k;
        EXPECT_EQ(told.size(), open) << k; // said once, for the point that was open
        const QString id = list.isEmpty() ? QString() : list[0].id;
        ExpectEachFileOnce(machine, before, id);
        EXPECT_TRUE(store.Recover().isEmpty()) << k;
        if (!id.isEmpty()) {
            ++points;
            const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
            ASSERT_TRUE(outcome.HasValue()) << k;
            EXPECT_TRUE(outcome->pointDropped) << k;
        }
        ASSERT_EQ(Snapshot(machine), before) << "kill point " << k;
        QDir(StoreFolder()).removeRecursively();
    }
    EXPECT_GT(points, 0);

    // Between the copy of a file onto the store's volume and the deletion
    // of the original: the original is whole, the copy goes.
    for (int move = 0;; ++move) {
        MemoryPlatform machine;
        Prepare(machine);
        int seen = 0;
        machine.files.SetMoveHook([&](MemoryFileSystem::MoveStep step, const std::string&) -> uint32_t {
            if (step == MemoryFileSystem::MoveStep::Delete && seen++ == move) throw Killed{};
            return 0;
        });
        bool killed = false;
        try {
            Clean(machine, Settings());
        } catch (const Killed&) {
            killed = true;
        }
        machine.files.SetMoveHook(nullptr);
        if (!killed) break;
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        store.Recover();
        const QList<CRestoreStore::Summary> list = store.List();
        ExpectEachFileOnce(machine, before, list.isEmpty() ? QString() : list[0].id);
        if (!list.isEmpty()) {
            ASSERT_TRUE(store.Restore(list[0].id).HasValue());
        }
        ASSERT_EQ(Snapshot(machine), before) << "move " << move;
        QDir(StoreFolder()).removeRecursively();
    }
}

// A restore killed before or after any change: the next start goes on
// with it, and the machine is as it was.
TEST_F(RestoreStoreTest, RestoreKilledAtEveryStepIsFinished) {
    for (int k = 0;; ++k) {
        MemoryPlatform machine;
        Prepare(machine);
        const std::vector<std::string> before = Snapshot(machine);
        const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
        ASSERT_TRUE(cleanup.HasValue());
        const QString id = cleanup->restorePoint;
        ASSERT_FALSE(id.isEmpty());

        KillSwitch kill(k);
        KillingFiles files(machine.files, kill);
        KillingRegistry registry(machine.registry, kill);
        bool killed = false;
        try {
            CRestoreStore(files, registry, StoreFolder()).Restore(id);
        } catch (const Killed&) {
            killed = true;
        }
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        if (!killed) {
            EXPECT_GT(k, 20);
            EXPECT_EQ(Snapshot(machine), before);
            break;
        }
        store.Recover();
        // Killed before the restore marked its point: the user restores again.
        if (!store.List().isEmpty()) {
            ASSERT_TRUE(store.Restore(id).HasValue()) << k;
        }
        EXPECT_TRUE(store.List().isEmpty()) << k;
        ASSERT_EQ(Snapshot(machine), before) << "kill point " << k;
        QDir(StoreFolder()).removeRecursively();
    }
}

// What exists again is reported and left as it is; the rest comes back,
// and the point keeps what stayed.
TEST_F(RestoreStoreTest, RestoreNeverOverwritesWhatExistsAgain) {
    MemoryPlatform machine;
    Prepare(machine);
    const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
    ASSERT_TRUE(cleanup.HasValue());
    File(machine, kAppData + "\\settings.ini", "new settings");
    const std::string key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\AcmeNotes";
    machine.registry.SetString(Hive::LocalMachine, key, "DisplayName", "Acme Notes 2");

    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(cleanup->restorePoint);
    ASSERT_TRUE(outcome.HasValue());
    EXPECT_EQ(outcome->existing, (QStringList{QString::fromStdString(kAppData + "\\settings.ini"),
                                              QString::fromStdString("HKLM\\" + key + " [DisplayName]")}));
    EXPECT_TRUE(outcome->failed.isEmpty());
    EXPECT_FALSE(outcome->pointDropped);
    EXPECT_EQ(machine.files.ReadFile(kAppData + "\\settings.ini"), "new settings");
    EXPECT_EQ(machine.files.ReadFile(kAppData + "\\cache\\a.bin"), "aaaa");
    EXPECT_EQ(machine.files.ReadFile(kFolder + "\\notes.exe"), "MZ notes");
    uint32_t type = 0;
    std::string data;
    platform::ScopedRegKey open(machine.registry);
    ASSERT_EQ(machine.registry.OpenKey(Hive::LocalMachine, key, platform::kKeyRead, open.out()), 0u);
    ASSERT_EQ(machine.registry.QueryValue(open.get(), "DisplayName", 1024, &type, &data), 0u);
    EXPECT_EQ(data, std::string("Acme Notes 2", 13));
    ASSERT_EQ(machine.registry.QueryValue(open.get(), "EstimatedSize", 1024, &type, &data), 0u);
    EXPECT_EQ(type, platform::kRegDword);

    // The point holds the two that stayed; once they are gone again they
    // come back.
    const QList<CRestoreStore::Summary> points = store.List();
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].items, 2);
    machine.files.DeleteFile(kAppData + "\\settings.ini");
    ASSERT_EQ(machine.registry.OpenKey(Hive::LocalMachine, key, platform::kKeyAllAccess, open.out()), 0u);
    ASSERT_EQ(machine.registry.DeleteValue(open.get(), "DisplayName"), 0u);
    const Expected<CRestoreStore::Outcome, QString> again = store.Restore(points[0].id);
    ASSERT_TRUE(again.HasValue());
    EXPECT_EQ(again->restored, 2);
    EXPECT_TRUE(again->pointDropped);
    EXPECT_EQ(machine.files.ReadFile(kAppData + "\\settings.ini"), "[main]\nx=1\n");
}

// The store's volume runs full half-way: what went comes back, nothing of
// the program is gone, and the clean says why. A volume without room for
// the manifest stops it before anything moves.
TEST_F(RestoreStoreTest, FullStoreVolumePutsEverythingBack) {
    for (uint64_t free : {uint64_t(200000), uint64_t(1000)}) {
        MemoryPlatform machine;
        Prepare(machine);
        File(machine, kAppData + "\\big.bin", std::string(300000, 'x'));
        const std::vector<std::string> before = Snapshot(machine);
        machine.files.SetFreeSpace("Z:", free);
        const Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(machine, Settings());
        ASSERT_TRUE(cleanup.HasValue());
        EXPECT_FALSE(cleanup->stopReason.isEmpty()) << free;
        EXPECT_TRUE(cleanup->Deleted().isEmpty()) << free;
        EXPECT_TRUE(cleanup->restorePoint.isEmpty()) << free;
        EXPECT_EQ(Snapshot(machine), before) << free;
        EXPECT_TRUE(CRestoreStore(machine.files, machine.registry, StoreFolder()).List().isEmpty()) << free;
    }
}

// A manifest that cannot be read is listed with why, never restored, never
// dropped, and never a crash; a journal line cut off by a kill is passed
// over.
TEST_F(RestoreStoreTest, DamagedManifestsGiveAClearError) {
    struct Case {
        const char* name;
        QByteArray manifest;
        const char* error;
    };
    const QByteArray good =
        R"({"format":"tolvanire-restore-point","version":1,"id":"p","created":"2026-01-02T03:04:05Z",)"
        R"("state":"complete","programs":["A"],"items":[]})";
    const std::vector<Case> cases = {
        {"NotJson", "{\"format\":", "damaged"},
        {"NoFormat", "{}", "damaged"},
        {"Empty", "", "damaged"},
        {"NewerVersion", QByteArray(good).replace("\"version\":1", "\"version\":7"), "version 7"},
        {"NoVersion", QByteArray(good).replace("\"version\":1,", ""), "version"},
        {"UnknownKind", QByteArray(good).replace("[]}", "[{\"kind\":\"disk\",\"path\":\"C:\\\\x\"}]}"), "damaged"},
        {"ValueWithoutData",
         QByteArray(good).replace("[]}", R"([{"kind":"value","path":"K","hive":1,"values":[{"name":"v"}]}]})"),
         "damaged"},
        {"UnknownState", QByteArray(good).replace("complete", "half"), "damaged"},
        {"PathOutOfTheStore", QByteArray(good).replace("[]}", R"([{"kind":"file","path":"C:\\a\\..\\..\\x"}]})"),
         "damaged"},
        {"RelativePath", QByteArray(good).replace("[]}", R"([{"kind":"folder","path":"a\\b"}]})"), "damaged"},
        {"LinuxPathOutOfTheStore",
         QByteArray(good).replace("[]}", R"([{"kind":"linuxFile","path":"/home/u/../../etc/x","size":"1"}]})"),
         "damaged"},
        {"RelativeLinuxPath", QByteArray(good).replace("[]}", R"([{"kind":"linuxFile","path":"home/u/x"}]})"),
         "damaged"},
    };
    MemoryPlatform machine;
    machine.files.MapDriveOutside("Z:", "/");
    for (const Case& c : cases) {
        const QString folder = StoreFolder() + QLatin1Char('/') + QLatin1String(c.name);
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/manifest.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.manifest);
        file.close();
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(QLatin1String(c.name));
        ASSERT_FALSE(outcome.HasValue()) << c.name;
        EXPECT_TRUE(outcome.Error().contains(QLatin1String(c.error)))
            << c.name << ": " << outcome.Error().toStdString();
        EXPECT_TRUE(store.Recover().isEmpty()) << c.name;
        EXPECT_TRUE(store.Prune(CRestoreStore::Limits{0, 0}, QDateTime::currentDateTimeUtc()).isEmpty()) << c.name;
        EXPECT_TRUE(QFile::exists(file.fileName())) << c.name;
    }
    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    const QList<CRestoreStore::Summary> list = store.List();
    ASSERT_EQ(size_t(list.size()), cases.size());
    // An id is a name in the store, never a way out of it.
    for (const char* id : {"../NotJson", "NotJson/..", "", "a\\b"}) {
        const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(QLatin1String(id));
        ASSERT_FALSE(outcome.HasValue()) << id;
        EXPECT_TRUE(outcome.Error().contains(QLatin1String("no restore point id"))) << id;
        EXPECT_FALSE(store.Drop(QLatin1String(id))) << id;
    }
    for (const CRestoreStore::Summary& summary : list)
        EXPECT_FALSE(summary.error.isEmpty()) << summary.id.toStdString();

    // A journal whose last line a kill cut off.
    const QString folder = StoreFolder() + QStringLiteral("/journal");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile journal(folder + QStringLiteral("/journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    RestoreItem item;
    item.path = QStringLiteral("C:\\a");
    journal.write(CRestoreManifest::IntentLine(0, item));
    journal.write(CRestoreManifest::DoneLine(0, item));
    journal.write(CRestoreManifest::IntentLine(1, item).left(12));
    journal.close();
    const std::vector<CRestoreManifest::JournalEntry> entries = CRestoreManifest::ReadJournal(folder);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].done);
}

// Points older than the age limit go, then the oldest while the total is
// above the size limit; a newer point is never dropped before an older one.
TEST_F(RestoreStoreTest, PruneDropsOldestFirst) {
    const QDateTime now = QDateTime::fromString(QStringLiteral("2026-06-30T12:00:00Z"), Qt::ISODate);
    struct Point {
        const char* id;
        int daysAgo;
        uint64_t size;
    };
    const std::vector<Point> points = {{"a", 40, 10}, {"b", 20, 50}, {"c", 10, 30}, {"d", 1, 40}};
    struct Case {
        const char* name;
        CRestoreStore::Limits limits;
        QStringList dropped;
    };
    const std::vector<Case> cases = {
        {"AgeOnly", {30, 1000}, {"a"}},           {"AgeThenSize", {30, 75}, {"a", "b"}},
        {"SizeOnly", {365, 60}, {"a", "b", "c"}}, {"SizeLimitReachedExactly", {365, 70}, {"a", "b"}},
        {"WithinBoth", {365, 130}, {}},           {"NewestAloneTooBig", {365, 5}, {"a", "b", "c", "d"}},
    };
    MemoryPlatform machine;
    machine.files.MapDriveOutside("Z:", "/");
    for (const Case& c : cases) {
        QDir(StoreFolder()).removeRecursively();
        for (const Point& p : points) {
            RestoreManifest manifest;
            manifest.id = QLatin1String(p.id);
            manifest.created = now.addDays(-p.daysAgo);
            manifest.state = RestoreManifest::State::Complete;
            RestoreItem item;
            item.path = QStringLiteral("C:\\f");
            item.size = p.size;
            manifest.items.append(item);
            const QString folder = StoreFolder() + QLatin1Char('/') + manifest.id;
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(CRestoreManifest::Write(folder, manifest, nullptr));
        }
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        EXPECT_EQ(store.Prune(c.limits, now), c.dropped) << c.name;
        EXPECT_EQ(store.List().size(), int(points.size()) - c.dropped.size()) << c.name;
    }
}

#ifndef Q_OS_WIN
// Acme Notes in a prefix at <home>/.wine, with the files Wine's menu
// builder wrote in the Linux home for its two shortcuts (both gone with the
// program): its menu entry, desktop launcher, .menu, Start Menu folder's
// .directory and icon; beside them another prefix's launcher and a file of
// the user's, which stay.
class RestoreStoreLinuxTest : public RestoreStoreTest {
protected:
    void SetUp() override {
        RestoreStoreTest::SetUp();
        home = QDir(host.path()).canonicalPath() + QStringLiteral("/home");
        FurnishHome();
    }

    QString Path(const char* relative) const { return home + QLatin1Char('/') + QString::fromUtf8(relative); }
    void Write(const char* relative, const QByteArray& bytes) const {
        const QString path = Path(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.write(bytes) == bytes.size() && file.flush());
        // A time of its own, which a move keeps.
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1500000000), QFileDevice::FileModificationTime));
    }
    void Launcher(const char* relative, const QString& prefix, const char* link,
                  const char* icon = "0813_notes.0") const {
        Write(relative, "[Desktop Entry]\nName=Acme Notes\nExec=env WINEPREFIX=\"" + prefix.toUtf8() + "\" wine " +
                            QByteArray(link).replace("\\", "\\\\\\\\").replace(" ", "\\\\ ") +
                            "\nType=Application\nIcon=" + QByteArray(icon) + "\n");
    }
    void FurnishHome() const {
        QDir(home).removeRecursively();
        const QString prefix = home + QStringLiteral("/.wine");
        Launcher(kMenuEntry, prefix,
                 R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Acme Notes\Acme Notes.lnk)");
        Launcher(kLauncher, prefix, R"(C:\users\Public\Desktop\Acme Notes.lnk)");
        Write(".config/menus/applications-merged/wine-Programs-Acme Notes-Acme Notes.menu",
              "<Menu><Name>Applications</Name><Menu><Name>wine-Programs-Acme Notes</Name>"
              "<Directory>wine-Programs-Acme Notes.directory</Directory><Include>"
              "<Filename>wine-Programs-Acme Notes-Acme Notes.desktop</Filename></Include></Menu></Menu>\n");
        Write(".local/share/desktop-directories/wine-Programs-Acme Notes.directory",
              "[Desktop Entry]\nType=Directory\n");
        Write(kIcon, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        // A mode of its own, which a move keeps.
        QFile::setPermissions(Path(kLauncher), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Launcher("Desktop/Other.desktop", home + QStringLiteral("/.wine2"), R"(C:\users\Public\Desktop\Other.lnk)",
                 "3333_other.0");
        Write("notes.txt", "mine");
    }

    // Every entry of the home: folders, and files with their mode, time
    // and bytes.
    std::vector<std::string> HomeSnapshot() const {
        std::vector<std::string> lines;
        QDirIterator it(home, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            std::string line = info.filePath().mid(home.size()).toStdString();
            if (info.isDir()) {
                lines.push_back(line + "/");
                continue;
            }
            QFile file(info.filePath());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << line;
            line += "|" + std::to_string(int(info.permissions())) + "|" +
                    std::to_string(info.lastModified().toMSecsSinceEpoch()) + "|" + file.readAll().toStdString();
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Cleans Acme Notes in the prefix, with the home's variables set as
    // the core reads them.
    Expected<LeftoverCleanup, BackendFailure> CleanInPrefix(MemoryPlatform& machine, const RestoreSettings& settings) {
        const ScopedVariable homeVariable("HOME", home);
        const ScopedVariable data("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
        const ScopedVariable config("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
        KillSwitch never(-1);
        KillingPlatform prefix(machine, never, home + QStringLiteral("/.wine"));
        return Clean(prefix, settings);
    }

    // The menu files that go with Acme Notes.
    static QStringList MenuFiles(const LeftoverCleanup& cleanup) {
        QStringList paths;
        for (const CleanedLeftover& cleaned : cleanup.items)
            if (cleaned.item.kind == LeftoverLinuxDesktopFile) paths << cleaned.item.target;
        return paths;
    }

    QString Stored(const QString& id, const QString& path) const {
        return StoreFolder() + QLatin1Char('/') + id + QStringLiteral("/linux") + path;
    }

    static constexpr const char* kMenuEntry = ".local/share/applications/wine/Programs/Acme Notes/Acme Notes.desktop";
    static constexpr const char* kLauncher = "Desktop/Acme Notes.desktop";
    static constexpr const char* kIcon = ".local/share/icons/hicolor/48x48/apps/0813_notes.0.png";
    QString home;
};

// The menu files go exactly as without restore points, but into the point,
// with the store beside the home (a rename) or on another volume (a copy,
// compared, then the deletion); the point counts them, and its restore
// gives the home back byte for byte, mode and time included, with the
// Start Menu folder that was left empty.
TEST_F(RestoreStoreLinuxTest, MenuFilesGoIntoThePointAndComeBack) {
    const std::vector<std::string> before = HomeSnapshot();
    std::vector<std::string> leftWithout;
    {
        MemoryPlatform machine;
        Prepare(machine);
        const Expected<LeftoverCleanup, BackendFailure> cleanup =
            CleanInPrefix(machine, RestoreSettings{false, QString(), {}});
        ASSERT_TRUE(cleanup.HasValue());
        EXPECT_EQ(MenuFiles(*cleanup).size(), 5);
        leftWithout = HomeSnapshot();
        EXPECT_FALSE(QFileInfo::exists(Path(".local/share/applications/wine/Programs/Acme Notes")));
    }

    QTemporaryDir otherVolume(QStringLiteral("/dev/shm/restore-store-XXXXXX"));
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "store on another volume" : "store beside the home");
        if (elsewhere && (!otherVolume.isValid() || QStorageInfo(otherVolume.path()) == QStorageInfo(home)))
            GTEST_SKIP() << "no other volume to put the store on";
        storeVolume = elsewhere ? otherVolume.path() : QString();
        FurnishHome();
        MemoryPlatform machine;
        Prepare(machine);
        const std::vector<std::string> machineBefore = Snapshot(machine);

        const Expected<LeftoverCleanup, BackendFailure> cleanup = CleanInPrefix(machine, Settings());
        ASSERT_TRUE(cleanup.HasValue());
        EXPECT_TRUE(cleanup->stopReason.isEmpty()) << cleanup->stopReason.toStdString();
        EXPECT_TRUE(cleanup->Remaining().isEmpty());
        const QString id = cleanup->restorePoint;
        ASSERT_FALSE(id.isEmpty());
        EXPECT_EQ(HomeSnapshot(), leftWithout);
        uint64_t menuBytes = 0;
        for (const QString& path : MenuFiles(*cleanup)) {
            EXPECT_TRUE(QFileInfo(Stored(id, path)).isFile()) << path.toStdString();
            menuBytes += QFileInfo(Stored(id, path)).size();
        }
        EXPECT_EQ(MenuFiles(*cleanup).size(), 5);

        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        const QList<CRestoreStore::Summary> points = store.List();
        ASSERT_EQ(points.size(), 1);
        EXPECT_EQ(points[0].items, 17 + 5);
        EXPECT_EQ(points[0].size, uint64_t(14 + 8 + 9 + 11 + 4) + menuBytes);
        EXPECT_EQ(ManifestVersion(id), 2);

        const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
        ASSERT_TRUE(outcome.HasValue()) << outcome.Error().toStdString();
        EXPECT_EQ(outcome->restored, 17 + 5);
        EXPECT_TRUE(outcome->existing.isEmpty() && outcome->failed.isEmpty() && outcome->lost.isEmpty());
        EXPECT_TRUE(outcome->pointDropped);
        EXPECT_FALSE(QFileInfo::exists(StoreFolder() + QLatin1Char('/') + id));
        EXPECT_EQ(HomeSnapshot(), before);
        EXPECT_EQ(Snapshot(machine), machineBefore);
    }
}

// A menu file that exists again is reported and left as it is; the rest
// comes back, and the point keeps it (and can still be dropped whole).
TEST_F(RestoreStoreLinuxTest, MenuFileThatExistsAgainIsKept) {
    MemoryPlatform machine;
    Prepare(machine);
    const QByteArray original = [&] {
        QFile file(Path(kLauncher));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const Expected<LeftoverCleanup, BackendFailure> cleanup = CleanInPrefix(machine, Settings());
    ASSERT_TRUE(cleanup.HasValue());
    const QString id = cleanup->restorePoint;
    ASSERT_FALSE(id.isEmpty());
    Write(kLauncher, "[Desktop Entry]\nName=made again\n");

    CRestoreStore store(machine.files, machine.registry, StoreFolder());
    const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
    ASSERT_TRUE(outcome.HasValue()) << outcome.Error().toStdString();
    EXPECT_EQ(outcome->existing, QStringList{Path(kLauncher)});
    EXPECT_TRUE(outcome->failed.isEmpty() && outcome->lost.isEmpty());
    EXPECT_FALSE(outcome->pointDropped);
    QFile launcher(Path(kLauncher));
    ASSERT_TRUE(launcher.open(QIODevice::ReadOnly));
    EXPECT_EQ(launcher.readAll(), QByteArray("[Desktop Entry]\nName=made again\n"));
    EXPECT_TRUE(QFileInfo::exists(Path(kMenuEntry)));
    EXPECT_TRUE(QFileInfo::exists(Path(kIcon)));

    const QList<CRestoreStore::Summary> points = store.List();
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].items, 1);
    EXPECT_EQ(points[0].size, uint64_t(original.size()));
    QFile stored(Stored(id, Path(kLauncher)));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), original);
    stored.close();

    EXPECT_TRUE(store.Drop(id));
    EXPECT_FALSE(QFileInfo::exists(StoreFolder() + QLatin1Char('/') + id));
}

// A deep clean killed around the move of a menu file, after it had moved
// another: the next start finishes the point from its journal and from
// both places, so that each file lies in one place only, whole, and the
// restore gives the home back.
TEST_F(RestoreStoreLinuxTest, KilledCleanIsFinishedFromBothPlaces) {
    enum class Where { Origin, Store, Both };
    struct Case {
        const char* name;
        bool intent; // the journal has the entry
        bool mark;   // ... and its mark
        Where where; // where the file is
        bool lostRecords;
        bool kept; // the finished point holds it (beside the other file)
    };
    const Case cases[] = {
        {"BeforeTheMove", true, false, Where::Origin, false, false},
        {"BetweenTheMoveAndTheMark", true, false, Where::Store, false, true},
        {"CopyCutShort", true, false, Where::Both, false, false},
        {"AfterTheMark", true, true, Where::Store, false, true},
        {"JournalLineLost", false, false, Where::Store, false, true},
        {"RecordsLost", false, false, Where::Store, true, true},
    };
    const QString path = Path(kLauncher);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FurnishHome();
        const std::vector<std::string> before = HomeSnapshot();
        MemoryPlatform machine;
        Prepare(machine);
        CRestoreStore store(machine.files, machine.registry, StoreFolder());
        QString error;
        std::unique_ptr<CRestorePoint> point = store.Begin({QStringLiteral("Acme Notes")}, &error);
        ASSERT_NE(point, nullptr) << error.toStdString();
        const QString id = point->Manifest().id;
        ASSERT_EQ(point->TakeLinuxFile(Path(kIcon)), 0);
        point.reset(); // killed: the manifest stays open

        const QString folder = StoreFolder() + QLatin1Char('/') + id;
        const QString stored = Stored(id, path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(stored).path()));
        RestoreItem item;
        item.kind = RestoreItem::Kind::LinuxFile;
        item.path = path;
        item.size = QFileInfo(path).size();
        QFile journal(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kJournalName));
        ASSERT_TRUE(journal.open(QIODevice::Append));
        if (c.intent) journal.write(CRestoreManifest::IntentLine(1, item));
        if (c.mark) journal.write(CRestoreManifest::DoneLine(1, item));
        journal.close();
        if (c.where == Where::Store) {
            ASSERT_TRUE(QFile::rename(path, stored));
        } else if (c.where == Where::Both) {
            QFile copy(stored);
            ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
            copy.write("[Desktop En");
        }
        if (c.lostRecords) {
            QFile::remove(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kManifestName));
            QFile::remove(journal.fileName());
        }

        EXPECT_EQ(store.Recover().size(), 1);
        EXPECT_TRUE(store.Recover().isEmpty());
        EXPECT_NE(QFileInfo::exists(path), QFileInfo::exists(stored));
        EXPECT_NE(QFileInfo::exists(Path(kIcon)), QFileInfo::exists(Stored(id, Path(kIcon))));
        const QList<CRestoreStore::Summary> points = store.List();
        ASSERT_EQ(points.size(), 1);
        EXPECT_EQ(points[0].items, 1 + c.kept);
        EXPECT_EQ(points[0].size, uint64_t(16 + (c.kept ? item.size : 0)));
        const Expected<CRestoreStore::Outcome, QString> outcome = store.Restore(id);
        ASSERT_TRUE(outcome.HasValue()) << outcome.Error().toStdString();
        EXPECT_EQ(outcome->restored, 1 + c.kept);
        EXPECT_TRUE(outcome->pointDropped);
        EXPECT_FALSE(QFileInfo::exists(folder));
        EXPECT_EQ(HomeSnapshot(), before);
    }
}
#endif

} // namespace
