#include <gtest/gtest.h>

#include <functional>

#include "doubles/fake_system_facts.h"
#include "doubles/memory_registry.h"
#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"

namespace ambrel {
namespace {

using testing::FakeSystemFacts;
using testing::MemoryRegistry;

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const std::string kPrograms = "C:\\WINDOWS\\Start Menu\\Programs";
const std::string kStartup = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp";

// A Windows 98 profile as the shell leaves it.
void PutShellFolders(MemoryRegistry& mem) {
    mem.PutString(kRootCurrentUser, kShellFolders, "Programs", kPrograms);
    mem.PutString(kRootCurrentUser, kShellFolders, "Startup", kStartup);
}

FakeSystemFacts Win98(std::optional<std::string> user = std::string("alice")) { return {1, 4, 10, user}; }

struct VersionCase {
    const char* Name;
    std::uint32_t Platform, Major, Minor;
    bool Win95, Win98, NT3, NT4, Unknown, DosMode;
    int Interface;
};

TEST(OSInfo, ClassifiesEachVersionRecord) {
    const VersionCase cases[] = {
        {"Win32s", 0, 3, 10, false, false, false, false, true, false, 1},
        {"Windows 95", 1, 4, 0, true, false, false, false, false, true, 1},
        {"Windows 98", 1, 4, 10, false, true, false, false, false, true, 2},
        {"Windows Me", 1, 4, 90, false, false, false, false, true, false, 1},
        {"NT 3.51", 2, 3, 51, false, false, true, false, false, false, 1},
        {"NT 4", 2, 4, 0, false, false, false, true, false, false, 2},
        {"Windows 2000", 2, 5, 0, false, false, false, false, true, false, 1},
        {"Windows 8 as Wine's win10", 2, 6, 2, false, false, false, false, true, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeSystemFacts facts(c.Platform, c.Major, c.Minor);
        cOSInfo os(facts);
        EXPECT_EQ(os.isWin95(), c.Win95);
        EXPECT_EQ(os.isWin98(), c.Win98);
        EXPECT_EQ(os.isWinNT3(), c.NT3);
        EXPECT_EQ(os.isWinNT4(), c.NT4);
        EXPECT_EQ(os.isOsUnknown(), c.Unknown);
        EXPECT_EQ(os.canRestartInDosMode(), c.DosMode);
        EXPECT_EQ(os.interfaceUsed(), c.Interface);
    }
    FakeSystemFacts failing(1, 4, 10);
    failing.VersionOk = false;
    EXPECT_TRUE(cOSInfo(failing).isOsUnknown());
}

TEST(SystemInfo, ReadsTheLogonNameFromABlankBufferOf255AndTheFoldersFromShellFolders) {
    MemoryRegistry mem;
    PutShellFolders(mem);
    auto facts = Win98();
    cSystemInfo info(mem, facts);
    EXPECT_EQ(facts.SizeOffered, 255u);
    EXPECT_EQ(facts.BufferOffered, std::string(255, ' '));
    EXPECT_EQ(info.logonName(), "alice");
    EXPECT_EQ(info.StartMenuDir(), kPrograms);
    EXPECT_EQ(info.StartupFolder(), kStartup);
    EXPECT_EQ(info.LastShutdownSetting(), -1);
    // A known logon name alone makes the machine a multi-user one.
    EXPECT_TRUE(info.MultiUsers());
    EXPECT_EQ(mem.OpenHandleCount(), 0u);
}

TEST(SystemInfo, WithNobodyLoggedOnOnlyAUserProfilesTextMakesItMultiUser) {
    struct Case {
        const char* Name;
        std::function<void(MemoryRegistry&)> Setup;
        bool Expected;
    };
    const Case cases[] = {
        {"no Network\\Logon key", [](MemoryRegistry&) {}, false},
        {"UserProfiles missing", [](MemoryRegistry& m) { m.PutString(kRootLocalMachine, "Network\\Logon", "Other", "1"); }, false},
        {"UserProfiles blanks", [](MemoryRegistry& m) { m.PutString(kRootLocalMachine, "Network\\Logon", "UserProfiles", "   "); }, false},
        {"UserProfiles a number", [](MemoryRegistry& m) { m.PutDword(kRootLocalMachine, "Network\\Logon", "UserProfiles", 1); }, false},
        {"UserProfiles text", [](MemoryRegistry& m) { m.PutString(kRootLocalMachine, "Network\\Logon", "UserProfiles", "1"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MemoryRegistry mem;
        PutShellFolders(mem);
        c.Setup(mem);
        auto facts = Win98(std::nullopt);
        cSystemInfo info(mem, facts);
        EXPECT_EQ(info.logonName(), "<Unknown>");
        EXPECT_EQ(info.MultiUsers(), c.Expected);
        EXPECT_EQ(mem.OpenHandleCount(), 0u);
    }
}

TEST(SystemInfo, AFailedOrUnusableNameCallGivesUnknown) {
    MemoryRegistry mem;
    PutShellFolders(mem);
    // Longer than the 255 bytes offered: the call fails.
    auto longName = Win98(std::string(300, 'x'));
    EXPECT_EQ(cSystemInfo(mem, longName).logonName(), "<Unknown>");
    // A failing call that leaves bytes behind still means nobody is known.
    auto scribbled = Win98(std::nullopt);
    scribbled.LeftOnFailure = std::string("bob\0", 4);
    EXPECT_EQ(cSystemInfo(mem, scribbled).logonName(), "<Unknown>");
    auto longest = Win98(std::string(254, 'y'));
    EXPECT_EQ(cSystemInfo(mem, longest).logonName(), std::string(254, 'y'));
}

TEST(SystemInfo, OnNT4TheMachineIsMultiUserWhateverTheRegistrySays) {
    MemoryRegistry mem;
    PutShellFolders(mem);
    mem.PutString(kRootLocalMachine, "Network\\Logon", "UserProfiles", "");
    FakeSystemFacts facts(2, 4, 0, std::nullopt);
    cSystemInfo info(mem, facts);
    EXPECT_EQ(info.logonName(), "<Unknown>");
    EXPECT_TRUE(info.MultiUsers());
}

TEST(SystemInfo, AMissingOrBlankStartMenuFolderFailsCreationWith999) {
    struct Case {
        const char* Name;
        std::function<void(MemoryRegistry&)> Setup;
    };
    const Case cases[] = {
        {"no Shell Folders key", [](MemoryRegistry&) {}},
        {"Programs but no Startup", [](MemoryRegistry& m) { m.PutString(kRootCurrentUser, kShellFolders, "Programs", kPrograms); }},
        {"Startup but no Programs", [](MemoryRegistry& m) { m.PutString(kRootCurrentUser, kShellFolders, "Startup", kStartup); }},
        {"Startup only blanks", [](MemoryRegistry& m) {
             PutShellFolders(m);
             m.PutString(kRootCurrentUser, kShellFolders, "Startup", "  ");
         }},
        {"Programs stored as a number", [](MemoryRegistry& m) {
             PutShellFolders(m);
             m.PutDword(kRootCurrentUser, kShellFolders, "Programs", 7);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MemoryRegistry mem;
        c.Setup(mem);
        auto facts = Win98();
        try {
            cSystemInfo info(mem, facts);
            ADD_FAILURE() << "created without both folders";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), 999);
            EXPECT_EQ(e.Info().Source, "cSystemInfo");
            EXPECT_EQ(e.Info().Description, "Unable to locate Startup directory");
        }
        EXPECT_EQ(mem.OpenHandleCount(), 0u);
    }
}

TEST(SystemInfo, LastShutdownSettingIsTheStoredNumberOrMinusOne) {
    struct Case {
        const char* Name;
        std::function<void(MemoryRegistry&)> Setup;
        int Expected;
    };
    const Case cases[] = {
        {"absent", [](MemoryRegistry&) {}, -1},
        {"restart", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 2); }, 2},
        {"stored as text", [](MemoryRegistry& m) { m.PutString(kRootCurrentUser, kExplorer, "Shutdown setting", "2"); }, -1},
        {"lowest 16-bit", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 0xFFFF8000u); }, -32768},
        {"highest 16-bit", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 32767); }, 32767},
        // Beyond 16 bits: no dialog stores it, so the default, not a stop.
        {"above", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 32768); }, -1},
        {"below", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 0xFFFF7FFFu); }, -1},
        {"17 bits", [](MemoryRegistry& m) { m.PutDword(kRootCurrentUser, kExplorer, "Shutdown setting", 0x10000u); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MemoryRegistry mem;
        PutShellFolders(mem);
        c.Setup(mem);
        auto facts = Win98();
        EXPECT_EQ(cSystemInfo(mem, facts).LastShutdownSetting(), c.Expected);
    }
}

}  // namespace
}  // namespace ambrel
