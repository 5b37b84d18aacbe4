// CRegistryNameRecovery: a key or value whose name the search turned into
// display text is deleted by the bytes it is stored under.

#include "uninstall/RegistryNameRecovery.h"

#include <gtest/gtest.h>
#include <string>

#include "tests/uninstall/LeftoverMachine.h"

namespace {

using namespace leftover_test;

TEST_F(LeftoverTest, NamesOutsideLatin1AreDeletedByTheirStoredBytes) {
    // Code page 1252: 0x80 is the euro sign, which Latin-1 cannot carry.
    const std::string subKey = std::string("Acme \x80");
    UninstallKey(Hive::LocalMachine, subKey, subKey);
    MuiCache("D:\\Apps\\Acme \x80\\a.exe");
    File("D:\\Apps\\Acme \xE2\x82\xAC\\a.exe");
    cleaner.CleanLeftovers(Make({subKey, "D:\\Apps\\Acme \x80", "", "", ""}));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\" + subKey));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme \x80\\a.exe"));
    EXPECT_FALSE(Exists("D:\\Apps\\Acme \xE2\x82\xAC\\a.exe"));
}

} // namespace
