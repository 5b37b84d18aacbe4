#pragma once

// The machine the leftover tests clean: a 64-bit machine laid out like a
// fresh Wine prefix for the user "tester", with helpers that make files,
// uninstall keys and MuiCache values and describe what was collected.

#include <QList>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "include/LeftoverItem.h"
#include "inventory/AppEnum.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/LeftoverCleaner.h"

namespace leftover_test {

using platform::Hive;

inline const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const std::string kMuiCache = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
inline const std::string kRoaming = "C:\\users\\tester\\AppData\\Roaming";
inline const std::string kLocal = "C:\\users\\tester\\AppData\\Local";
inline const std::string kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
inline const std::string kDesktop = "C:\\users\\Public\\Desktop";

struct Record {
    std::string displayName;
    std::string installLocation;
    std::string displayIcon;
    std::string uninstallCommand;
    std::string iconGroup;
    std::string publisher = std::string(); // most rows leave it out
};

inline InstalledProgram Make(const Record& record) {
    InstalledProgram program;
    auto put = [](char(&field)[InstalledProgram::kTextSize], const std::string& text) {
        std::strncpy(field, text.c_str(), InstalledProgram::kTextSize - 1);
    };
    put(program.displayName, record.displayName);
    put(program.installLocation, record.installLocation);
    put(program.displayIcon, record.displayIcon);
    put(program.uninstallCommand, record.uninstallCommand);
    put(program.iconGroup, record.iconGroup);
    put(program.publisher, record.publisher);
    return program;
}

// A short text per leftover: "F path", "D path", "R target|value", "M name".
inline std::vector<std::string> Describe(const QList<LeftoverItem>& items) {
    std::vector<std::string> lines;
    for (const LeftoverItem& item : items) {
        const char* kind = item.kind == LeftoverFile       ? "F "
                           : item.kind == LeftoverFolder   ? "D "
                           : item.kind == LeftoverRegistry ? "R "
                                                           : "M ";
        std::string line = kind + item.target.toStdString();
        if (!item.valueName.isEmpty()) line += "|" + item.valueName.toStdString();
        lines.push_back(line);
    }
    return lines;
}

// The registry side of the search, which must succeed on the fake.
inline QList<LeftoverItem> RegistryLeftovers(CAppEnum& appEnum, const QString& name, const QString& folder) {
    QList<LeftoverItem> found;
    EXPECT_EQ(platform::kErrorSuccess, appEnum.FindRegistryLeftovers(name, folder, &found));
    return found;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

// A 64-bit machine laid out like a fresh Wine prefix for the user "tester".
// Its helpers are public so that the rows of a table can set it up.
class LeftoverTest : public ::testing::Test {
public:
    LeftoverTest()
        : appEnum(machine.registry, machine.system), cleaner(machine.files, machine.registry, machine.system, appEnum) {
        for (const char* folder :
             {"C:\\windows\\system32", "C:\\windows\\temp", "C:\\Program Files\\Common Files",
              "C:\\Program Files (x86)\\Common Files", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
              "C:\\users\\tester\\AppData\\Roaming\\Microsoft", "C:\\users\\tester\\AppData\\Local\\Temp",
              "C:\\users\\tester\\AppData\\LocalLow", "C:\\users\\tester\\Desktop", "C:\\users\\tester\\Documents",
              "C:\\users\\tester\\Downloads", "C:\\users\\tester\\Music", "C:\\users\\tester\\Pictures",
              "C:\\users\\tester\\Videos", "C:\\users\\Public\\Desktop", "C:\\users\\Public\\Documents",
              "C:\\users\\other\\Documents", "D:\\Apps"})
            Folder(folder);
        File("C:\\windows\\system32\\kernel32.dll");
        File("C:\\users\\tester\\AppData\\Roaming\\Microsoft\\keep.dat");
        File("C:\\users\\tester\\Documents\\letter.txt");
        File("C:\\ProgramData\\Microsoft\\keep.dat");
    }

    void Folder(const std::string& path) { machine.files.CreateFolder(path); }
    void File(const std::string& path, uint32_t attributes = 0) {
        const size_t slash = path.find_last_of('\\');
        machine.files.CreateFolder(path.substr(0, slash));
        machine.files.WriteFile(path, "data");
        if (attributes) machine.files.SetAttributes(path, attributes);
    }
    bool Exists(const std::string& path) { return machine.files.Exists(path); }

    void UninstallKey(Hive hive, const std::string& subKey, const std::string& displayName, uint32_t access = 0) {
        machine.registry.SetString(hive, kUninstall + "\\" + subKey, "DisplayName", displayName, access);
        machine.registry.SetString(hive, kUninstall + "\\" + subKey, "UninstallString", "C:\\u.exe", access);
    }
    void MuiCache(const std::string& name) {
        machine.registry.SetString(Hive::ClassesRoot, kMuiCache, name, "Friendly");
    }

    std::vector<std::string> Collect(const Record& record) {
        leftovers = cleaner.CollectLeftovers(Make(record));
        return Describe(leftovers);
    }

    MemoryPlatform machine;
    CAppEnum appEnum;
    CLeftoverCleaner cleaner;
    QList<LeftoverItem> leftovers; // of the last collection
};

} // namespace leftover_test
