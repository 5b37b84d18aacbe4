// One table of registry behaviours, held against every backend: the fake
// used by the unit tests must answer exactly as Windows (here: Wine) does,
// and the Wine client's batched answers exactly as the calls they replace.

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "SemanticsBackend.h"

using namespace platform;

namespace {

std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}
std::string Dword(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}
std::string Qword(uint64_t value) {
    return Dword(static_cast<uint32_t>(value)) + Dword(static_cast<uint32_t>(value >> 32));
}

// ---------------------------------------------------------------------------
// Reading one value into a buffer of a given size.

struct ValueRow {
    const char* name;
    uint32_t type;
    std::string stored;
    std::string queryName; // the name the read asks for
    uint32_t bufferSize;
    uint32_t status;
    std::string expected; // the bytes read on success
    std::string storedName = "v";
};

std::vector<ValueRow> ValueRows() {
    const std::string s259(259, 'a');
    const std::string s260(260, 'b');
    const std::string cafe = "Café Münster";
    std::string cyrillic259;
    for (int i = 0; i < 259; ++i)
        cyrillic259 += "ж";
    std::string emoji130;
    for (int i = 0; i < 130; ++i)
        emoji130 += "😀";
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary.push_back(static_cast<char>(i));
    return {
        // Text buffers count two bytes per UTF-16 unit, the zero included.
        {"String259FitsIn520", kRegSz, Sz(s259), "v", 520, kErrorSuccess, Sz(s259)},
        {"String260DoesNotFitIn520", kRegSz, Sz(s260), "v", 520, kErrorMoreData, ""},
        {"String260FitsIn522", kRegSz, Sz(s260), "v", 522, kErrorSuccess, Sz(s260)},
        {"Cyrillic259FitsIn520", kRegSz, Sz(cyrillic259), "v", 520, kErrorSuccess, Sz(cyrillic259)},
        {"EmojiTakeTwoUnitsEach", kRegSz, Sz(emoji130), "v", 520, kErrorMoreData, ""},
        {"EmojiFitWithTheirTwoUnits", kRegSz, Sz(emoji130), "v", 522, kErrorSuccess, Sz(emoji130)},
        {"EmptyString", kRegSz, Sz(""), "v", 260, kErrorSuccess, Sz("")},
        {"StringWrittenWithoutTerminatorGainsOne", kRegSz, "abc", "v", 260, kErrorSuccess, Sz("abc")},
        {"StringWrittenWithoutTerminatorNeedsRoomForIt", kRegSz, "abc", "v", 6, kErrorMoreData, ""},
        {"StringWrittenWithoutTerminatorInExactBuffer", kRegSz, "abc", "v", 8, kErrorSuccess, Sz("abc")},
        {"ExpandStringIsNotExpanded", kRegExpandSz, Sz("%ProgramFiles%\\Acme"), "v", 260, kErrorSuccess,
         Sz("%ProgramFiles%\\Acme")},
        {"AccentedLatin", kRegSz, Sz(cafe), "v", 260, kErrorSuccess, Sz(cafe)},
        {"Cyrillic", kRegSz, Sz("Блокнот"), "v", 260, kErrorSuccess, Sz("Блокнот")},
        {"Greek", kRegSz, Sz("Σημειωματάριο"), "v", 260, kErrorSuccess, Sz("Σημειωματάριο")},
        {"Chinese", kRegSz, Sz("记事本"), "v", 260, kErrorSuccess, Sz("记事本")},
        {"Japanese", kRegSz, Sz("メモ帳"), "v", 260, kErrorSuccess, Sz("メモ帳")},
        {"Emoji", kRegSz, Sz("Notes 📝"), "v", 260, kErrorSuccess, Sz("Notes 📝")},
        // Names outside ASCII are matched ignoring case as Windows matches
        // them: each character upper-cased on its own.
        {"CyrillicNameIgnoresCase", kRegSz, Sz("x"), "ИМЯ", 260, kErrorSuccess, Sz("x"), "имя"},
        {"GreekNameIgnoresCase", kRegSz, Sz("x"), "ΌΝΟΜΑ", 260, kErrorSuccess, Sz("x"), "όνομα"},
        {"LatinNameIgnoresCase", kRegSz, Sz("x"), "ÄPFEL", 260, kErrorSuccess, Sz("x"), "äpfel"},
        {"SharpSIsNotDoubleS", kRegSz, Sz("x"), "STRASSE", 260, kErrorFileNotFound, "", "Straße"},
        {"ChineseName", kRegSz, Sz("x"), "名称", 260, kErrorSuccess, Sz("x"), "名称"},
        {"EmojiName", kRegSz, Sz("x"), "📝 notes", 260, kErrorSuccess, Sz("x"), "📝 NOTES"},
        {"MultiString", kRegMultiSz, std::string("a\0bc\0\0", 6), "v", 260, kErrorSuccess, std::string("a\0bc\0\0", 6)},
        {"DwordIn4", kRegDword, Dword(3145727), "v", 4, kErrorSuccess, Dword(3145727)},
        {"DwordIn8", kRegDword, Dword(7), "v", 8, kErrorSuccess, Dword(7)},
        {"DwordIn2", kRegDword, Dword(7), "v", 2, kErrorMoreData, ""},
        {"QwordIn8", kRegQword, Qword(0x100000002ULL), "v", 8, kErrorSuccess, Qword(0x100000002ULL)},
        {"QwordIn4", kRegQword, Qword(5), "v", 4, kErrorMoreData, ""},
        {"BinaryWithZeros", kRegBinary, std::string("\x01\x00\x02\x00", 4), "v", 260, kErrorSuccess,
         std::string("\x01\x00\x02\x00", 4)},
        {"Binary300In260", kRegBinary, binary, "v", 260, kErrorMoreData, ""},
        {"EmptyBinary", kRegBinary, "", "v", 260, kErrorSuccess, ""},
        {"MissingValue", kRegSz, Sz("x"), "other", 260, kErrorFileNotFound, ""},
        {"NameIgnoresCase", kRegSz, Sz("x"), "V", 260, kErrorSuccess, Sz("x")},
        {"DefaultValue", kRegSz, Sz("default"), "", 260, kErrorSuccess, Sz("default"), ""},
        {"QuotesAndBackslashes", kRegSz, Sz("say \"hi\" to C:\\dir\\ [x]"), "v", 260, kErrorSuccess,
         Sz("say \"hi\" to C:\\dir\\ [x]")},
        {"ControlCharacters", kRegSz,
         Sz("a\tb\nc\x01\x1b"
            "7"),
         "v", 260, kErrorSuccess,
         Sz("a\tb\nc\x01\x1b"
            "7")},
        {"ExpandStringOutsideAscii", kRegExpandSz, Sz("%APPDATA%\\Блокнот €"), "v", 260, kErrorSuccess,
         Sz("%APPDATA%\\Блокнот €")},
        {"Binary300In400", kRegBinary, binary, "v", 400, kErrorSuccess, binary},
        {"OddNameIsFound", kRegDword, Dword(9), "a \"q\" \\ [x]=@", 4, kErrorSuccess, Dword(9), "a \"q\" \\ [x]=@"},
        {"EmptyMultiString", kRegMultiSz, std::string("\0\0", 2), "v", 260, kErrorSuccess, std::string("\0\0", 2)},
        {"StringWithEmbeddedZero", kRegSz, std::string("ab\0cd\0", 6), "v", 260, kErrorSuccess,
         std::string("ab\0cd\0", 6)},
    };
}

void PrintTo(const ValueRow& row, std::ostream* os) {
    *os << row.name;
}

class ValueReads : public ::testing::TestWithParam<std::tuple<Backend, ValueRow>> {};

TEST_P(ValueReads, Read) {
    const ValueRow& row = std::get<1>(GetParam());
    SemanticsBackend backend(std::get<0>(GetParam()), std::string("ValueReads\\") + row.name);
    ASSERT_TRUE(backend.Ready()) << backend.Error();
    SemanticsContext& ctx = backend.Context();
    IRegistry& registry = ctx.Registry();
    const std::string path = "Software\\" + ctx.keyPath;
    {
        ScopedRegKey writer(registry);
        ASSERT_EQ(kErrorSuccess, registry.CreateKey(Hive::CurrentUser, path, kKeyAllAccess, writer.out()));
        ASSERT_EQ(kErrorSuccess, registry.SetValue(writer.get(), row.storedName, row.type, row.stored));
    }
    ScopedRegKey reader(registry);
    ASSERT_EQ(kErrorSuccess, registry.OpenKey(Hive::CurrentUser, path, kKeyQueryValue, reader.out()));
    uint32_t type = 0xDEAD;
    std::string data = "untouched";
    EXPECT_EQ(row.status, registry.QueryValue(reader.get(), row.queryName, row.bufferSize, &type, &data));
    EXPECT_EQ(row.expected, data);
    if (row.status == kErrorSuccess) {
        EXPECT_EQ(row.type, type);
    }

    // The same read with the parent open, the way the enumeration reads its
    // subkeys (the Wine client then reads all siblings in one go).
    const std::string parentPath = path.substr(0, path.rfind('\\'));
    ScopedRegKey parent(registry);
    ASSERT_EQ(kErrorSuccess, registry.OpenKey(Hive::CurrentUser, parentPath, kKeyRead, parent.out()));
    ScopedRegKey sibling(registry);
    ASSERT_EQ(kErrorSuccess, registry.OpenKey(Hive::CurrentUser, path, kKeyQueryValue, sibling.out()));
    type = 0xDEAD;
    data = "untouched";
    EXPECT_EQ(row.status, registry.QueryValue(sibling.get(), row.queryName, row.bufferSize, &type, &data));
    EXPECT_EQ(row.expected, data);
    if (row.status == kErrorSuccess) {
        EXPECT_EQ(row.type, type);
    }
    std::string name;
    EXPECT_EQ(kErrorSuccess, registry.EnumValue(sibling.get(), 0, 260, &name, &type));
    EXPECT_EQ(row.storedName, name);

    // Once more with the parent opened anew (the Wine client then brings
    // the subkeys' values with the parent).
    sibling.reset();
    ASSERT_EQ(kErrorSuccess, registry.OpenKey(Hive::CurrentUser, parentPath, kKeyRead, parent.out()));
    ASSERT_EQ(kErrorSuccess, registry.OpenKey(Hive::CurrentUser, path, kKeyQueryValue, sibling.out()));
    type = 0xDEAD;
    data = "untouched";
    EXPECT_EQ(row.status, registry.QueryValue(sibling.get(), row.queryName, row.bufferSize, &type, &data));
    EXPECT_EQ(row.expected, data);
    if (row.status == kErrorSuccess) {
        EXPECT_EQ(row.type, type);
    }
}

std::string ValueRowName(const ::testing::TestParamInfo<std::tuple<Backend, ValueRow>>& info) {
    return std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Memory, ValueReads,
                         ::testing::Combine(::testing::Values(Backend::Memory), ::testing::ValuesIn(ValueRows())),
                         ValueRowName);
INSTANTIATE_TEST_SUITE_P(InProcess, ValueReads,
                         ::testing::Combine(::testing::Values(Backend::InProcess), ::testing::ValuesIn(ValueRows())),
                         ValueRowName);
INSTANTIATE_TEST_SUITE_P(Wine, ValueReads,
                         ::testing::Combine(::testing::Values(Backend::Wine), ::testing::ValuesIn(ValueRows())),
                         ValueRowName);
INSTANTIATE_TEST_SUITE_P(WineDirect, ValueReads,
                         ::testing::Combine(::testing::Values(Backend::WineDirect), ::testing::ValuesIn(ValueRows())),
                         ValueRowName);

// ---------------------------------------------------------------------------
// Behaviours that need more than one call.

struct ScenarioRow {
    const char* name;
    std::function<void(SemanticsContext&)> run;
};

RegKey Create(IRegistry& registry, Hive hive, const std::string& path, uint32_t view = 0) {
    RegKey key = 0;
    EXPECT_EQ(kErrorSuccess, registry.CreateKey(hive, path, kKeyAllAccess | view, &key)) << path;
    return key;
}

uint32_t Opens(IRegistry& registry, Hive hive, const std::string& path, uint32_t access) {
    RegKey key = 0;
    const uint32_t status = registry.OpenKey(hive, path, access, &key);
    if (status == kErrorSuccess) {
        EXPECT_NE(0u, key);
    } else {
        EXPECT_EQ(0u, key);
    }
    registry.CloseKey(key);
    return status;
}

std::vector<std::string> SubKeys(IRegistry& registry, RegKey key, uint32_t* endStatus) {
    std::vector<std::string> names;
    for (uint32_t index = 0;; ++index) {
        std::string name;
        const uint32_t status = registry.EnumKey(key, index, 260, &name);
        if (status != kErrorSuccess) {
            *endStatus = status;
            return names;
        }
        names.push_back(name);
    }
}

std::vector<ScenarioRow> ScenarioRows() {
    return {
        {"Hklm32ViewIsRedirectedToWow6432Node",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             r.CloseKey(Create(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, kKeyWow64_32Key));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::LocalMachine, "SOFTWARE\\WOW6432Node\\" + ctx.keyPath,
                                            kKeyRead | kKeyWow64_64Key));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, 0x20219));
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, 0x20119));
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, kKeyRead));
         }},
        {"Hklm64ViewIsHiddenFromThe32View",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             r.CloseKey(Create(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, kKeyWow64_64Key));
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, 0x20219));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, kKeyRead));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath, 0x101));
         }},
        {"HkcuIsSharedByBothViews",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             r.CloseKey(Create(r, Hive::CurrentUser, "Software\\" + ctx.keyPath, kKeyWow64_32Key));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::CurrentUser, "Software\\" + ctx.keyPath, 0x20119));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::CurrentUser, "Software\\" + ctx.keyPath, 0x20019));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::CurrentUser, "Software\\" + ctx.keyPath, 0x201));
         }},
        {"OpenMissingKeyFails",
         [](SemanticsContext& ctx) {
             EXPECT_EQ(kErrorFileNotFound,
                       Opens(ctx.Registry(), Hive::LocalMachine, "SOFTWARE\\" + ctx.keyPath + "\\none", kKeyRead));
         }},
        {"SubkeysEnumerateInOrderIgnoringCaseThenStop",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string base = "Software\\" + ctx.keyPath;
             for (const char* name : {"beta", "_under", "Alpha", "gamma", "ALPHA2"})
                 r.CloseKey(Create(r, Hive::CurrentUser, base + "\\" + name));
             ScopedRegKey key(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, base, kKeyRead, key.out()));
             uint32_t end = 0;
             // Windows orders subkeys by their upper-case names, so "_" comes
             // after the letters; Wine orders them as if in lower case. The
             // fake follows Windows.
             const std::vector<std::string> windowsOrder = {"Alpha", "ALPHA2", "beta", "gamma", "_under"};
             const std::vector<std::string> wineOrder = {"_under", "Alpha", "ALPHA2", "beta", "gamma"};
             EXPECT_EQ(ctx.Fake() ? windowsOrder : wineOrder, SubKeys(r, key.get(), &end));
             EXPECT_EQ(kErrorNoMoreItems, end);
         }},
        {"ValuesEnumerateWithTheirTypes",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             ScopedRegKey writer(r, Create(r, Hive::CurrentUser, "Software\\" + ctx.keyPath));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "b", kRegSz, Sz("x")));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "a", kRegDword, Dword(1)));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "C", kRegBinary, "zz"));
             ScopedRegKey key(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, "Software\\" + ctx.keyPath, kKeyRead, key.out()));
             uint32_t count = 0;
             EXPECT_EQ(kErrorSuccess, r.QueryValueCount(key.get(), &count));
             EXPECT_EQ(3u, count);
             std::vector<std::pair<std::string, uint32_t>> values;
             uint32_t status = kErrorSuccess;
             for (uint32_t index = 0; status == kErrorSuccess; ++index) {
                 std::string name;
                 uint32_t type = 0;
                 status = r.EnumValue(key.get(), index, 260, &name, &type);
                 if (status == kErrorSuccess) values.emplace_back(name, type);
             }
             EXPECT_EQ(kErrorNoMoreItems, status);
             // Windows returns values in the order they were written; Wine
             // keeps them sorted by name. The fake follows Windows.
             const std::vector<std::pair<std::string, uint32_t>> windowsOrder = {
                 {"b", kRegSz}, {"a", kRegDword}, {"C", kRegBinary}};
             const std::vector<std::pair<std::string, uint32_t>> wineOrder = {
                 {"a", kRegDword}, {"b", kRegSz}, {"C", kRegBinary}};
             EXPECT_EQ(ctx.Fake() ? windowsOrder : wineOrder, values);
         }},
        {"SubkeyNameBufferCountsTheTerminatingZero",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             // A short parent: the ANSI calls take at most 260 characters of
             // path under Wine.
             const std::string base = "Software\\TS" + BackendName(ctx.backend).substr(0, 1) +
                                      (ctx.backend == Backend::WineDirect ? "D" : "");
             const std::string longName(240, 'k');
             r.CloseKey(Create(r, Hive::CurrentUser, base + "\\" + longName));
             ScopedRegKey key(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, base, kKeyRead, key.out()));
             std::string name = "untouched";
             EXPECT_EQ(kErrorMoreData, r.EnumKey(key.get(), 0, 240, &name));
             EXPECT_EQ("", name);
             EXPECT_EQ(kErrorSuccess, r.EnumKey(key.get(), 0, 241, &name));
             EXPECT_EQ(longName, name);
             EXPECT_EQ(kErrorNoMoreItems, r.EnumKey(key.get(), 1, 241, &name));
         }},
        {"ValueNameBufferCountsTheTerminatingZero",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             ScopedRegKey writer(r, Create(r, Hive::CurrentUser, "Software\\" + ctx.keyPath));
             const std::string longName(260, 'n');
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), longName, kRegDword, Dword(1)));
             ScopedRegKey key(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, "Software\\" + ctx.keyPath, kKeyRead, key.out()));
             std::string name = "untouched";
             uint32_t type = 0;
             EXPECT_EQ(kErrorMoreData, r.EnumValue(key.get(), 0, 260, &name, &type));
             EXPECT_EQ("", name);
             EXPECT_EQ(kErrorSuccess, r.EnumValue(key.get(), 0, 261, &name, &type));
             EXPECT_EQ(longName, name);
             EXPECT_EQ(kRegDword, type);
         }},
        {"AKeyOpenedAgainWhileOpenReadsTheSameAndSeesWrites",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string base = "SOFTWARE\\" + ctx.keyPath;
             r.CloseKey(Create(r, Hive::LocalMachine, base + "\\child", kKeyWow64_64Key));
             ScopedRegKey writer(r, Create(r, Hive::LocalMachine, base, kKeyWow64_64Key));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "v", kRegDword, Dword(1)));
             const auto readV = [&r](RegKey key) {
                 uint32_t type = 0;
                 std::string data;
                 EXPECT_EQ(kErrorSuccess, r.QueryValue(key, "v", 4, &type, &data));
                 return data;
             };
             ScopedRegKey first(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, kKeyRead | kKeyWow64_64Key, first.out()));
             uint32_t end = 0;
             EXPECT_EQ(std::vector<std::string>{"child"}, SubKeys(r, first.get(), &end));

             ScopedRegKey second(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, kKeyRead | kKeyWow64_64Key, second.out()));
             EXPECT_EQ(std::vector<std::string>{"child"}, SubKeys(r, second.get(), &end));
             EXPECT_EQ(kErrorNoMoreItems, end);
             EXPECT_EQ(Dword(1), readV(second.get()));
             // The other view does not hold the key, whatever is open in this one.
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::LocalMachine, base, kKeyRead | kKeyWow64_32Key));

             // A write is seen by the next open, though the first is still open.
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "v", kRegDword, Dword(2)));
             r.CloseKey(Create(r, Hive::LocalMachine, base + "\\later", kKeyWow64_64Key));
             ScopedRegKey third(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, kKeyRead | kKeyWow64_64Key, third.out()));
             EXPECT_EQ(Dword(2), readV(third.get()));
             EXPECT_EQ(2u, SubKeys(r, third.get(), &end).size());
         }},
        {"DeleteKeyWithSubkeysFails",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string base = "Software\\" + ctx.keyPath;
             r.CloseKey(Create(r, Hive::CurrentUser, base + "\\child"));
             EXPECT_EQ(kErrorAccessDenied, r.DeleteKey(Hive::CurrentUser, base));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::CurrentUser, base, kKeyRead));
             EXPECT_EQ(kErrorSuccess, r.DeleteKey(Hive::CurrentUser, base + "\\child"));
             EXPECT_EQ(kErrorSuccess, r.DeleteKey(Hive::CurrentUser, base));
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::CurrentUser, base, kKeyRead));
             EXPECT_EQ(kErrorFileNotFound, r.DeleteKey(Hive::CurrentUser, base));
         }},
        {"DeleteKeyUsesTheDefaultView",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string path = "SOFTWARE\\" + ctx.keyPath;
             r.CloseKey(Create(r, Hive::LocalMachine, path, kKeyWow64_32Key));
             EXPECT_EQ(kErrorFileNotFound, r.DeleteKey(Hive::LocalMachine, path));
             EXPECT_EQ(kErrorSuccess, Opens(r, Hive::LocalMachine, path, 0x20219));
         }},
        {"DeleteValue",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             ScopedRegKey key(r, Create(r, Hive::CurrentUser, "Software\\" + ctx.keyPath));
             ASSERT_EQ(kErrorSuccess, r.SetValue(key.get(), "Gone", kRegSz, Sz("x")));
             EXPECT_EQ(kErrorSuccess, r.DeleteValue(key.get(), "gone"));
             uint32_t type = 0;
             std::string data;
             EXPECT_EQ(kErrorFileNotFound, r.QueryValue(key.get(), "Gone", 260, &type, &data));
             EXPECT_EQ(kErrorFileNotFound, r.DeleteValue(key.get(), "Gone"));
         }},
        {"AccessRightsAreChecked",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string path = "Software\\" + ctx.keyPath;
             {
                 ScopedRegKey writer(r, Create(r, Hive::CurrentUser, path));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "v", kRegSz, Sz("x")));
                 r.CloseKey(Create(r, Hive::CurrentUser, path + "\\sub"));
             }
             ScopedRegKey queryOnly(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, path, kKeyQueryValue, queryOnly.out()));
             std::string name;
             EXPECT_EQ(kErrorAccessDenied, r.EnumKey(queryOnly.get(), 0, 260, &name));
             uint32_t type = 0;
             std::string data;
             EXPECT_EQ(kErrorSuccess, r.QueryValue(queryOnly.get(), "v", 260, &type, &data));
             ScopedRegKey enumOnly(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, path, kKeyEnumerateSubKeys, enumOnly.out()));
             EXPECT_EQ(kErrorSuccess, r.EnumKey(enumOnly.get(), 0, 260, &name));
             EXPECT_EQ(kErrorAccessDenied, r.QueryValue(enumOnly.get(), "v", 260, &type, &data));
             // (RegQueryInfoKeyW without the query right fails on Windows but
             // succeeds on Wine; nothing relies on either.)
             EXPECT_EQ(kErrorAccessDenied, r.SetValue(queryOnly.get(), "w", kRegSz, Sz("y")));
         }},
        {"WritesAreSeenThroughKeysAlreadyOpen",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string path = "Software\\" + ctx.keyPath;
             ScopedRegKey writer(r, Create(r, Hive::CurrentUser, path));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "first", kRegSz, Sz("1")));
             ScopedRegKey reader(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, path, kKeyRead, reader.out()));
             uint32_t count = 0;
             EXPECT_EQ(kErrorSuccess, r.QueryValueCount(reader.get(), &count));
             EXPECT_EQ(1u, count);
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "second", kRegSz, Sz("2")));
             ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "first", kRegSz, Sz("one")));
             r.CloseKey(Create(r, Hive::CurrentUser, path + "\\new"));
             EXPECT_EQ(kErrorSuccess, r.QueryValueCount(reader.get(), &count));
             EXPECT_EQ(2u, count);
             uint32_t type = 0;
             std::string data;
             EXPECT_EQ(kErrorSuccess, r.QueryValue(reader.get(), "first", 260, &type, &data));
             EXPECT_EQ(Sz("one"), data);
             std::string name;
             EXPECT_EQ(kErrorSuccess, r.EnumKey(reader.get(), 0, 260, &name));
             EXPECT_EQ("new", name);
             ASSERT_EQ(kErrorSuccess, r.DeleteValue(writer.get(), "second"));
             EXPECT_EQ(kErrorFileNotFound, r.QueryValue(reader.get(), "second", 260, &type, &data));
         }},
        {"SubkeysOfAnOpenKeyReadLikeAnyKey",
         [](SemanticsContext& ctx) {
             // The way the enumeration reads: the parent stays open while
             // each subkey is opened for its values.
             IRegistry& r = ctx.Registry();
             const std::string base = "SOFTWARE\\" + ctx.keyPath;
             {
                 ScopedRegKey app(r, Create(r, Hive::LocalMachine, base + "\\App", kKeyWow64_64Key));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(app.get(), "DisplayName", kRegSz, Sz("App")));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(app.get(), "EstimatedSize", kRegDword, Dword(42)));
                 r.CloseKey(Create(r, Hive::LocalMachine, base + "\\Empty", kKeyWow64_64Key));
                 r.CloseKey(Create(r, Hive::LocalMachine, base + "\\App\\Nested", kKeyWow64_64Key));
                 r.CloseKey(Create(r, Hive::LocalMachine, base + "\\Holder\\Inner", kKeyWow64_64Key));
             }
             ScopedRegKey parent(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, kKeyRead | kKeyWow64_64Key, parent.out()));
             ScopedRegKey app(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\app", 0x101, app.out()));
             uint32_t type = 0;
             std::string data;
             EXPECT_EQ(kErrorSuccess, r.QueryValue(app.get(), "displayname", 260, &type, &data));
             EXPECT_EQ(Sz("App"), data);
             EXPECT_EQ(kErrorMoreData, r.QueryValue(app.get(), "EstimatedSize", 3, &type, &data));
             uint32_t count = 0;
             EXPECT_EQ(kErrorSuccess, r.QueryValueCount(app.get(), &count));
             EXPECT_EQ(2u, count);
             std::string name;
             EXPECT_EQ(kErrorAccessDenied, r.EnumKey(app.get(), 0, 260, &name)); // opened without that right
             ScopedRegKey empty(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\Empty", 0x101, empty.out()));
             EXPECT_EQ(kErrorFileNotFound, r.QueryValue(empty.get(), "DisplayName", 260, &type, &data));
             RegKey missing = 0;
             EXPECT_EQ(kErrorFileNotFound, r.OpenKey(Hive::LocalMachine, base + "\\Missing", 0x101, &missing));
             EXPECT_EQ(kErrorFileNotFound, r.OpenKey(Hive::LocalMachine, base + "\\App", 0x201, &missing));
             // Written through another key: seen at once.
             {
                 ScopedRegKey writer(r);
                 ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\App", kKeyAllAccess | kKeyWow64_64Key,
                                                    writer.out()));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(writer.get(), "DisplayName", kRegSz, Sz("Renamed")));
             }
             EXPECT_EQ(kErrorSuccess, r.QueryValue(app.get(), "DisplayName", 260, &type, &data));
             EXPECT_EQ(Sz("Renamed"), data);
             // A key opened for reading cannot write.
             EXPECT_EQ(kErrorAccessDenied, r.DeleteValue(app.get(), "DisplayName"));

             // The parent opened again, as the enumeration's second walk and
             // its next run do (the Wine client then reads names and values
             // whole): the same names, a subkey that only holds subkeys
             // among them, and the same values.
             app.reset();
             empty.reset();
             parent.reset();
             for (int round = 0; round < 2; ++round) {
                 ScopedRegKey again(r);
                 ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, kKeyRead | kKeyWow64_64Key, again.out()));
                 uint32_t end = 0;
                 EXPECT_EQ((std::vector<std::string>{"App", "Empty", "Holder"}), SubKeys(r, again.get(), &end));
                 EXPECT_EQ(kErrorNoMoreItems, end);
                 ScopedRegKey child(r);
                 ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\APP", 0x101, child.out()));
                 EXPECT_EQ(kErrorSuccess, r.QueryValue(child.get(), "DisplayName", 260, &type, &data));
                 EXPECT_EQ(Sz("Renamed"), data);
                 EXPECT_EQ(kErrorSuccess, r.QueryValueCount(child.get(), &count));
                 EXPECT_EQ(2u, count);
                 ScopedRegKey holder(r);
                 ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\Holder", 0x101, holder.out()));
                 EXPECT_EQ(kErrorSuccess, r.QueryValueCount(holder.get(), &count));
                 EXPECT_EQ(0u, count);
                 EXPECT_EQ(kErrorFileNotFound, r.OpenKey(Hive::LocalMachine, base + "\\Missing", 0x101, &missing));
             }
         }},
        {"SubkeysInThe32BitViewComeFromWow6432Node",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string base = "SOFTWARE\\" + ctx.keyPath;
             {
                 ScopedRegKey app(r, Create(r, Hive::LocalMachine, base + "\\App32", kKeyWow64_32Key));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(app.get(), "DisplayName", kRegSz, Sz("Thirty-two")));
                 ScopedRegKey other(r, Create(r, Hive::LocalMachine, base + "\\App64", kKeyWow64_64Key));
                 ASSERT_EQ(kErrorSuccess, r.SetValue(other.get(), "DisplayName", kRegSz, Sz("Sixty-four")));
             }
             ScopedRegKey parent(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base, 0x20219, parent.out()));
             uint32_t end = 0;
             EXPECT_EQ(std::vector<std::string>{"App32"}, SubKeys(r, parent.get(), &end));
             ScopedRegKey app(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::LocalMachine, base + "\\App32", 0x201, app.out()));
             uint32_t type = 0;
             std::string data;
             EXPECT_EQ(kErrorSuccess, r.QueryValue(app.get(), "DisplayName", 260, &type, &data));
             EXPECT_EQ(Sz("Thirty-two"), data);
             RegKey other = 0;
             EXPECT_EQ(kErrorFileNotFound, r.OpenKey(Hive::LocalMachine, base + "\\App64", 0x201, &other));
             EXPECT_EQ(kErrorFileNotFound, r.OpenKey(Hive::LocalMachine, base + "\\App32", 0x101, &other));
         }},
        {"ClosedKeyIsInvalid",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const RegKey key = Create(r, Hive::CurrentUser, "Software\\" + ctx.keyPath);
             r.CloseKey(key);
             uint32_t count = 0;
             EXPECT_EQ(kErrorInvalidHandle, r.QueryValueCount(key, &count));
             std::string name;
             EXPECT_EQ(kErrorInvalidHandle, r.EnumKey(key, 0, 260, &name));
         }},
        {"KeysNamedInEveryScript",
         [](SemanticsContext& ctx) {
             IRegistry& r = ctx.Registry();
             const std::string base = "Software\\" + ctx.keyPath;
             // Each name, and the same name as another case spells it.
             const std::vector<std::pair<std::string, std::string>> names = {
                 {"Блокнот", "БЛОКНОТ"}, {"Σημειωματάριο", "ΣΗΜΕΙΩΜΑΤΆΡΙΟ"}, {"记事本", "记事本"},
                 {"メモ帳", "メモ帳"},   {"Café Äpfel", "CAFÉ äPFEL"},       {"Notes 📝", "NOTES 📝"}};
             for (const auto& name : names)
                 r.CloseKey(Create(r, Hive::CurrentUser, base + "\\" + name.first));
             for (const auto& name : names)
                 EXPECT_EQ(kErrorSuccess, Opens(r, Hive::CurrentUser, base + "\\" + name.second, kKeyRead))
                     << name.second;
             ScopedRegKey key(r);
             ASSERT_EQ(kErrorSuccess, r.OpenKey(Hive::CurrentUser, base, kKeyRead, key.out()));
             uint32_t end = 0;
             std::vector<std::string> listed = SubKeys(r, key.get(), &end);
             std::vector<std::string> created;
             for (const auto& name : names)
                 created.push_back(name.first);
             std::sort(listed.begin(), listed.end());
             std::sort(created.begin(), created.end());
             EXPECT_EQ(created, listed);
             // The name buffer counts UTF-16 units: seven letters fit in
             // eight, however many bytes their UTF-8 takes; the emoji takes
             // two units.
             std::string name;
             for (uint32_t index = 0; r.EnumKey(key.get(), index, 260, &name) == kErrorSuccess; ++index) {
                 const uint32_t units = name == "Блокнот" ? 7 : name == "Notes 📝" ? 8 : 0;
                 if (units == 0) continue;
                 EXPECT_EQ(kErrorMoreData, r.EnumKey(key.get(), index, units, &name));
                 EXPECT_EQ(kErrorSuccess, r.EnumKey(key.get(), index, units + 1, &name));
             }
             // "ß" has no one-letter capital: "STRASSE" is another key.
             r.CloseKey(Create(r, Hive::CurrentUser, base + "\\Straße"));
             EXPECT_EQ(kErrorFileNotFound, Opens(r, Hive::CurrentUser, base + "\\STRASSE", kKeyRead));
         }},
        {"NativeArchitectureIsAmd64",
         [](SemanticsContext& ctx) {
             EXPECT_EQ(kArchitectureAmd64, ctx.platform->System().NativeProcessorArchitecture());
         }},
    };
}

void PrintTo(const ScenarioRow& row, std::ostream* os) {
    *os << row.name;
}

class RegistryScenarios : public ::testing::TestWithParam<std::tuple<Backend, ScenarioRow>> {};

TEST_P(RegistryScenarios, Run) {
    const ScenarioRow& row = std::get<1>(GetParam());
    SemanticsBackend backend(std::get<0>(GetParam()), std::string("Registry\\") + row.name);
    ASSERT_TRUE(backend.Ready()) << backend.Error();
    row.run(backend.Context());
}

std::string ScenarioName(const ::testing::TestParamInfo<std::tuple<Backend, ScenarioRow>>& info) {
    return std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Memory, RegistryScenarios,
                         ::testing::Combine(::testing::Values(Backend::Memory), ::testing::ValuesIn(ScenarioRows())),
                         ScenarioName);
INSTANTIATE_TEST_SUITE_P(InProcess, RegistryScenarios,
                         ::testing::Combine(::testing::Values(Backend::InProcess), ::testing::ValuesIn(ScenarioRows())),
                         ScenarioName);
INSTANTIATE_TEST_SUITE_P(Wine, RegistryScenarios,
                         ::testing::Combine(::testing::Values(Backend::Wine), ::testing::ValuesIn(ScenarioRows())),
                         ScenarioName);
INSTANTIATE_TEST_SUITE_P(WineDirect, RegistryScenarios,
                         ::testing::Combine(::testing::Values(Backend::WineDirect),
                                            ::testing::ValuesIn(ScenarioRows())),
                         ScenarioName);

} // namespace
