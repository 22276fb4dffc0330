// Version and user facts under each Windows version that Wine emulates. Every
// case runs in a fresh prefix of the version named by AMBREL_WINE_VERSION, and
// the prefix's registry is read back with advapi32 directly.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"
#include "win32/registry_win32.h"
#include "win32/system_facts_win32.h"

namespace ambrel {
namespace {

std::string Version() {
    const char* v = std::getenv("AMBREL_WINE_VERSION");
    return v ? v : "";
}

struct Expected {
    DWORD Platform, Major, Minor;
    bool Win95, Win98, NT3, NT4, Unknown, DosMode;
    int Interface;
};

// What each emulated version must report; win10 is 10.0 to a program whose
// manifest names Windows 10, as every program of the system's does.
bool ExpectedFor(const std::string& version, Expected& e) {
    if (version == "win95") e = {1, 4, 0, true, false, false, false, false, true, 1};
    else if (version == "win98") e = {1, 4, 10, false, true, false, false, false, true, 2};
    else if (version == "nt40") e = {2, 4, 0, false, false, false, true, false, false, 2};
    else if (version == "win2k") e = {2, 5, 0, false, false, false, false, true, false, 1};
    else if (version == "win10") e = {2, 10, 0, false, false, false, false, true, false, 1};
    else return false;
    return true;
}

const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ReadText(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS) return "<no key>";
    char data[1024] = "";
    DWORD size = sizeof data, type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return "<no text>";
    return data;
}

void WriteText(HKEY root, const char* path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(root, path, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void WriteNumber(HKEY root, const char* path, const char* name, DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(root, path, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The real version, with nobody logged on.
class NobodyLoggedOn final : public ISystemFacts {
public:
    bool QueryVersion(OsVersionRecord& record) override { return m_real.QueryVersion(record); }
    bool QueryUserName(char*, std::uint32_t&) override { return false; }

private:
    Win32SystemFacts m_real;
};

TEST(OSUnderWine, EveryVersionFactMatchesTheEmulatedWindows) {
    Expected e{};
    ASSERT_TRUE(ExpectedFor(Version(), e)) << "AMBREL_WINE_VERSION=" << Version();
    Win32SystemFacts facts;
    cOSInfo os(facts);
    const OsVersionRecord& record = os.VersionRecord();
    EXPECT_EQ(record.OSVersionInfoSize, 148u);
    EXPECT_EQ(record.PlatformId, e.Platform);
    EXPECT_EQ(record.MajorVersion, e.Major);
    EXPECT_EQ(record.MinorVersion, e.Minor);
    EXPECT_EQ(os.isWin95(), e.Win95);
    EXPECT_EQ(os.isWin98(), e.Win98);
    EXPECT_EQ(os.isWinNT3(), e.NT3);
    EXPECT_EQ(os.isWinNT4(), e.NT4);
    EXPECT_EQ(os.isOsUnknown(), e.Unknown);
    EXPECT_EQ(os.canRestartInDosMode(), e.DosMode);
    EXPECT_EQ(os.interfaceUsed(), e.Interface);
}

TEST(OSUnderWine, SystemInfoReadsTheUserAndTheProfilesStartMenuFolders) {
    Win32Registry registry;
    Win32SystemFacts facts;
    cSystemInfo info(registry, facts);

    char name[256] = "";
    DWORD size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    EXPECT_EQ(info.logonName(), name);
    EXPECT_NE(info.logonName(), "<Unknown>");
    EXPECT_TRUE(info.MultiUsers());

    // Wine's profile keeps the folders as a real machine does: under Shell
    // Folders ("StartUp" there; value names ignore case), and on the disk.
    EXPECT_EQ(info.StartMenuDir(), ReadText(HKEY_CURRENT_USER, kShellFolders, "Programs"));
    EXPECT_EQ(info.StartupFolder(), ReadText(HKEY_CURRENT_USER, kShellFolders, "StartUp"));
    EXPECT_TRUE(IsFolder(info.StartMenuDir())) << info.StartMenuDir();
    EXPECT_TRUE(IsFolder(info.StartupFolder())) << info.StartupFolder();
    EXPECT_EQ(info.StartupFolder().rfind(info.StartMenuDir() + "\\", 0), 0u);

    // A fresh profile has never used Windows' Shut Down dialog.
    EXPECT_EQ(info.LastShutdownSetting(), -1);
}

TEST(OSUnderWine, WithNobodyLoggedOnOnlyNT4OrAUserProfilesTextMakesItMultiUser) {
    Win32Registry registry;
    NobodyLoggedOn facts;
    const bool nt4 = Version() == "nt40";
    WriteText(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", "   ");
    {
        cSystemInfo info(registry, facts);
        EXPECT_EQ(info.logonName(), "<Unknown>");
        EXPECT_EQ(info.MultiUsers(), nt4);
    }
    WriteText(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", "1");
    EXPECT_TRUE(cSystemInfo(registry, facts).MultiUsers());
}

TEST(OSUnderWine, TheShutDownDialogsChoiceAndAMissingStartupFolder) {
    Win32Registry registry;
    Win32SystemFacts facts;
    WriteNumber(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "Shutdown setting", 2);
    EXPECT_EQ(cSystemInfo(registry, facts).LastShutdownSetting(), 2);
    WriteNumber(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "Shutdown setting", 40000);
    EXPECT_EQ(cSystemInfo(registry, facts).LastShutdownSetting(), -1) << "beyond 16 bits: the default";

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kShellFolders, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(key, "StartUp"), ERROR_SUCCESS);
    RegCloseKey(key);
    try {
        cSystemInfo info(registry, facts);
        ADD_FAILURE() << "created without a Startup folder";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 999);
        EXPECT_EQ(e.Info().Source, "cSystemInfo");
        EXPECT_EQ(e.Info().Description, "Unable to locate Startup directory");
    }
}

}  // namespace
}  // namespace ambrel
