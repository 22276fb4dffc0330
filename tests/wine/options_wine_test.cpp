// The options record against the real registry of a fresh Wine prefix. Each
// case runs in a prefix of its own, so "empty" really is empty. The stored
// values are read back with advapi32 directly, not through the classes.

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "shared/cAmbrelOptions.h"
#include "win32/app_identity_win32.h"
#include "win32/registry_win32.h"

namespace ambrel {
namespace {

struct RawValue {
    DWORD Type = 0;
    std::string Data;
};

// Every value of HKLM\Software\Ambrel 2.0\Options, as advapi32 sees it.
std::map<std::string, RawValue> ReadMachineOptions() {
    std::map<std::string, RawValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ambrel 2.0\\Options", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values[name] = RawValue{type, std::string(reinterpret_cast<char*>(data), size)};
    }
    RegCloseKey(key);
    return values;
}

std::string Text(const std::string& s) { return s.substr(0, s.find('\0')); }

std::int32_t Number(const RawValue& v) {
    std::int32_t n = 0;
    if (v.Data.size() == 4) memcpy(&n, v.Data.data(), 4);
    return n;
}

TEST(OptionsUnderWine, WithoutOptionsTheMonitorsLoadLeavesOnlyAnEmptyAllUsersUseSame) {
    Win32Registry registry;
    cAmbrelOptions options(registry, LoadAppIdentity("Ambrel"));
    EXPECT_FALSE(options.GetOptions(false));
    auto values = ReadMachineOptions();
    ASSERT_EQ(values.size(), 1u);
    ASSERT_EQ(values.count("AllUsersUseSame"), 1u);
    EXPECT_EQ(values["AllUsersUseSame"].Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Text(values["AllUsersUseSame"].Data), "");
    HKEY user = nullptr;
    EXPECT_NE(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Ambrel 2.0\\Options", &user), ERROR_SUCCESS);
}

TEST(OptionsUnderWine, CreatingDefaultsStoresEveryOptionWithItsTypeUnderTheMachine) {
    Win32Registry registry;
    AppIdentity app = LoadAppIdentity("Ambrel");
    cAmbrelOptions options(registry, app);
    ASSERT_TRUE(options.GetOptions(true));

    auto values = ReadMachineOptions();
    const std::map<std::string, std::string> texts = {
        {"AllUsersUseSame", "T"}, {"QueryClose", "T"},          {"ShutDownDialogTitle", "Shut Down Windows"},
        {"WinShutdownType", "1"}, {"RunCommands", "C"},         {"RunMinimized", "S"},
        {"ShutWindowsOnTime", "F"}, {"ShutWindowsTime", "12:00 AM"}, {"TimeOutPrograms", "F"},
        {"TimeOutProgramMinutes", "120"}, {"Logging", "1"},     {"LogDir", app.ProgramDirectory + "\\Data\\ambrel.log"}};
    const std::map<std::string, std::int32_t> numbers = {
        {"ShutdownOption", 1}, {"ForceLogoff", 0}, {"PowerOff", 0}, {"AllowUsersToDisable", -1}};
    EXPECT_EQ(values.size(), texts.size() + numbers.size());
    for (const auto& [name, text] : texts) {
        ASSERT_EQ(values.count(name), 1u) << name;
        EXPECT_EQ(values[name].Type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(Text(values[name].Data), text) << name;
    }
    for (const auto& [name, number] : numbers) {
        ASSERT_EQ(values.count(name), 1u) << name;
        EXPECT_EQ(values[name].Type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(Number(values[name]), number) << name;
    }
}

TEST(OptionsUnderWine, SavedOptionsAndTheMonitorHandleReachTheRegistry) {
    Win32Registry registry;
    cAmbrelOptions options(registry, LoadAppIdentity("Ambrel"));
    ASSERT_TRUE(options.GetOptions(true));
    options.Logging(2);
    options.ForceLogoff(true);
    options.ShutdownOption(3);
    ASSERT_TRUE(options.SaveOptions());
    options.AmbrelHandle(0x10062);

    auto values = ReadMachineOptions();
    EXPECT_EQ(Text(values["Logging"].Data), " 2");
    EXPECT_EQ(Number(values["ForceLogoff"]), -1);
    EXPECT_EQ(Number(values["ShutdownOption"]), 3);
    EXPECT_EQ(values["AmbrelHwnd"].Type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Number(values["AmbrelHwnd"]), 0x10062);

    // A stored option outside its range is repaired in the registry.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Ambrel 2.0\\Options", &key), ERROR_SUCCESS);
    DWORD seven = 7;
    RegSetValueExA(key, "ShutdownOption", 0, REG_DWORD, reinterpret_cast<BYTE*>(&seven), 4);
    RegCloseKey(key);
    cAmbrelOptions reread(registry, LoadAppIdentity("Ambrel"));
    ASSERT_TRUE(reread.GetOptions(false));
    EXPECT_EQ(reread.ShutdownOption(), 1);
    EXPECT_EQ(Number(ReadMachineOptions()["ShutdownOption"]), 1);
    EXPECT_EQ(reread.Logging(), 2);
}

TEST(OptionsUnderWine, TheProgramKnowsItsProductNameAndFolder) {
    AppIdentity app = LoadAppIdentity("Ambrel");
    EXPECT_EQ(app.ProductName, "Ambrel 2.0");
    ASSERT_FALSE(app.ProgramDirectory.empty());
    EXPECT_NE(app.ProgramDirectory.back(), '\\');
    std::string self = app.ProgramDirectory + "\\wine_options_tests.exe";
    EXPECT_NE(GetFileAttributesA(self.c_str()), INVALID_FILE_ATTRIBUTES) << self;
    EXPECT_EQ(ReadVersionNumbers().Major, 2);
}

}  // namespace
}  // namespace ambrel
