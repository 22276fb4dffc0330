#include <gtest/gtest.h>

#include <functional>

#include "doubles/memory_registry.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cRegistryAPI.h"
#include "shared/errors.h"

namespace ambrel {
namespace {

using testing::MemoryRegistry;

const std::string kPath = "Software\\Ambrel 2.0\\Options";
const AppIdentity kApp{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};

std::string TextAt(const MemoryRegistry& mem, RegHandle root, const std::string& name) {
    const auto* v = mem.Find(root, kPath, name);
    if (!v || v->Type != kRegSz) return "<not text>";
    return std::string(reinterpret_cast<const char*>(v->Data.data()));
}

std::int64_t NumberAt(const MemoryRegistry& mem, RegHandle root, const std::string& name) {
    const auto* v = mem.Find(root, kPath, name);
    if (!v || v->Type != kRegDword || v->Data.size() != 4) return INT64_MIN;
    return static_cast<std::int32_t>(v->Data[0] | v->Data[1] << 8 | v->Data[2] << 16 |
                                     static_cast<std::uint32_t>(v->Data[3]) << 24);
}

TEST(Options, WithoutStoredOptionsTheMonitorsLoadFailsAndLeavesTheRecordEmpty) {
    MemoryRegistry mem;
    cAmbrelOptions options(mem, kApp);
    EXPECT_FALSE(options.GetOptions(false));
    EXPECT_FALSE(options.QueryClose());
    EXPECT_EQ(options.ShutdownOption(), 0);
    EXPECT_EQ(options.LogDir(), "");
    EXPECT_EQ(options.OptionsRoot(), 0);
    EXPECT_EQ(mem.ValueNames(kRootLocalMachine, kPath), std::vector<std::string>{"AllUsersUseSame"});
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "AllUsersUseSame"), "");
    EXPECT_FALSE(mem.KeyExists(kRootCurrentUser, kPath));
}

TEST(Options, CreatingDefaultsStoresEveryOptionUnderTheMachineInOrder) {
    MemoryRegistry mem;
    cAmbrelOptions options(mem, kApp);
    ASSERT_TRUE(options.GetOptions(true));
    EXPECT_TRUE(options.AllUsersUseSame());
    EXPECT_EQ(options.OptionsRoot(), kRootLocalMachine);

    EXPECT_EQ(mem.ValueNames(kRootLocalMachine, kPath),
              (std::vector<std::string>{"AllUsersUseSame", "QueryClose", "ShutdownOption", "ShutDownDialogTitle",
                                        "ForceLogoff", "PowerOff", "AllowUsersToDisable", "WinShutdownType",
                                        "RunCommands", "RunMinimized", "ShutWindowsOnTime", "ShutWindowsTime",
                                        "TimeOutPrograms", "TimeOutProgramMinutes", "Logging", "LogDir"}));
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "AllUsersUseSame"), "T");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "QueryClose"), "T");
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "ShutdownOption"), 1);
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "ShutDownDialogTitle"), "Shut Down Windows");
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "ForceLogoff"), 0);
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "PowerOff"), 0);
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "AllowUsersToDisable"), -1);
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "WinShutdownType"), "1");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "RunCommands"), "C");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "RunMinimized"), "S");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "ShutWindowsOnTime"), "F");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "ShutWindowsTime"), "12:00 AM");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "TimeOutPrograms"), "F");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "TimeOutProgramMinutes"), "120");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "Logging"), "1");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "LogDir"), "C:\\Ambrel\\Data\\ambrel.log");

    EXPECT_TRUE(options.QueryClose());
    EXPECT_EQ(options.ShutdownOption(), 1);
    EXPECT_TRUE(options.AllowUsersToDisable());
    EXPECT_FALSE(options.ForceLogoff());
    EXPECT_EQ(options.Logging(), 1);
    EXPECT_EQ(options.LogDir(), "C:\\Ambrel\\Data\\ambrel.log");
    EXPECT_EQ(options.RegSoftwareKey(), "Ambrel 2.0");
}

TEST(Options, AllUsersUseSameChoosesTheRootWithoutRegardToCase) {
    struct Case {
        const char* stored;
        RegHandle root;
    };
    for (Case c : {Case{"t", kRootLocalMachine}, Case{"T", kRootLocalMachine}, Case{"F", kRootCurrentUser},
                   Case{"x", kRootCurrentUser}, Case{"TRUE", kRootCurrentUser}}) {
        MemoryRegistry mem;
        mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", c.stored);
        mem.PutString(kRootLocalMachine, kPath, "RunCommands", "S");
        mem.PutString(kRootCurrentUser, kPath, "RunCommands", "B");
        cAmbrelOptions options(mem, kApp);
        ASSERT_TRUE(options.GetOptions(false)) << c.stored;
        EXPECT_EQ(options.OptionsRoot(), c.root) << c.stored;
        EXPECT_EQ(options.RunCommands(), c.root == kRootLocalMachine ? "S" : "B") << c.stored;
        EXPECT_EQ(options.AllUsersUseSame(), c.root == kRootLocalMachine) << c.stored;
    }
}

TEST(Options, StoredValuesAreReadRepairedAndSavedBackInTheirStorageTypes) {
    MemoryRegistry mem;
    mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "F");
    mem.PutDword(kRootCurrentUser, kPath, "ShutdownOption", 4);
    mem.PutDword(kRootCurrentUser, kPath, "ForceLogoff", 5);
    mem.PutString(kRootCurrentUser, kPath, "PowerOff", "-1");  // wrong type: default 0 replaces it
    mem.PutString(kRootCurrentUser, kPath, "QueryClose", "f");
    mem.PutString(kRootCurrentUser, kPath, "ShutWindowsOnTime", "t");
    mem.PutString(kRootCurrentUser, kPath, "Logging", " 3");
    mem.PutDword(kRootCurrentUser, kPath, "TimeOutPrograms", 1);  // wrong type: "F" replaces it
    cAmbrelOptions options(mem, kApp);
    ASSERT_TRUE(options.GetOptions(false));

    EXPECT_EQ(options.ShutdownOption(), 1);
    EXPECT_EQ(NumberAt(mem, kRootCurrentUser, "ShutdownOption"), 1) << "repaired in the registry";
    EXPECT_TRUE(options.ForceLogoff());
    EXPECT_FALSE(options.PowerOff());
    EXPECT_EQ(NumberAt(mem, kRootCurrentUser, "PowerOff"), 0);
    EXPECT_FALSE(options.QueryClose());
    EXPECT_TRUE(options.ShutWindowsOnTime());
    EXPECT_FALSE(options.TimeOutPrograms());
    EXPECT_EQ(TextAt(mem, kRootCurrentUser, "TimeOutPrograms"), "F");
    EXPECT_EQ(options.Logging(), 3);

    options.Logging(2);
    options.QueryClose(true);
    ASSERT_TRUE(options.SaveOptions());
    EXPECT_EQ(NumberAt(mem, kRootCurrentUser, "ForceLogoff"), -1) << "true is saved as -1";
    EXPECT_EQ(TextAt(mem, kRootCurrentUser, "Logging"), " 2");
    EXPECT_EQ(TextAt(mem, kRootCurrentUser, "QueryClose"), "T");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "AllUsersUseSame"), "F");
    EXPECT_EQ(mem.Find(kRootLocalMachine, kPath, "QueryClose"), nullptr) << "per-user options stay per user";
}

TEST(Options, SavingSwitchesTheRootWhenAllUsersUseSameChanges) {
    MemoryRegistry mem;
    cAmbrelOptions options(mem, kApp);
    ASSERT_TRUE(options.GetOptions(true));
    options.AllUsersUseSame(false);
    options.RunMinimized("T");
    ASSERT_TRUE(options.SaveOptions());
    EXPECT_EQ(options.OptionsRoot(), kRootCurrentUser);
    EXPECT_EQ(TextAt(mem, kRootCurrentUser, "RunMinimized"), "T");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "RunMinimized"), "S");
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "AllUsersUseSame"), "F");

    cAmbrelOptions reread(mem, kApp);
    ASSERT_TRUE(reread.GetOptions(false));
    EXPECT_EQ(reread.RunMinimized(), "T");
    EXPECT_EQ(reread.Logging(), 1) << "\" 1\" reads back as 1";
}

// A user without an administrator's rights cannot write the machine's
// options: the save says which were not written and that the system refused
// them; a user's own options are saved without touching the machine's.
TEST(Options, ASaveSaysWhichWritesFailedAndWhetherTheyWereRefused) {
    MemoryRegistry mem;
    mem.DenyWrites(kRootLocalMachine);
    cAmbrelOptions options(mem, kApp);
    options.AllUsersUseSame(true);
    EXPECT_FALSE(options.SaveOptions());
    EXPECT_TRUE(options.WritesDenied());
    ASSERT_GE(options.FailedWrites().size(), 16u);
    EXPECT_EQ(options.FailedWrites()[0], "AllUsersUseSame");
    EXPECT_EQ(options.FailedWrites().back(), "LogDir");
    EXPECT_FALSE(mem.KeyExists(kRootLocalMachine, kPath));
    EXPECT_FALSE(options.MayWriteOptions(kRootLocalMachine));
    EXPECT_TRUE(options.MayWriteOptions(kRootCurrentUser));

    mem.DenyWrites(kRootLocalMachine, false);
    mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "F");
    mem.DenyWrites(kRootLocalMachine);
    options.AllUsersUseSame(false);
    EXPECT_TRUE(options.SaveOptions());
    EXPECT_TRUE(options.FailedWrites().empty() && !options.WritesDenied());
    EXPECT_TRUE(mem.KeyExists(kRootCurrentUser, kPath));
}

// A Logging text that is no 16-bit number takes the default and is named,
// and every option after it is still read.
TEST(Options, AnUnreadableLoggingTakesItsDefaultAndTheRestStillLoads) {
    const struct {
        const char* Stored;
        std::int16_t Logging;
        bool Unreadable;
    } cases[] = {{" 3", 3, false}, {"2", 2, false}, {"lots", 1, true}, {"70000", 1, true}, {"", 1, true}};
    for (const auto& c : cases) {
        MemoryRegistry mem;
        mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "T");
        mem.PutString(kRootLocalMachine, kPath, "RunCommands", "B");
        mem.PutString(kRootLocalMachine, kPath, "Logging", c.Stored);
        cAmbrelOptions options(mem, kApp);
        ASSERT_TRUE(options.GetOptions(false)) << c.Stored;
        EXPECT_EQ(options.Logging(), c.Logging) << c.Stored;
        EXPECT_EQ(options.UnreadableOptions().empty(), !c.Unreadable) << c.Stored;
        if (c.Unreadable) {
            EXPECT_NE(options.UnreadableOptions().find(c.Stored), std::string::npos) << options.UnreadableOptions();
        }
        EXPECT_EQ(options.RunCommands(), "B");
        EXPECT_NE(options.LogDir(), "") << "LogDir comes after Logging and is read all the same";
        // What is stored stays as it was.
        EXPECT_NE(mem.Find(kRootLocalMachine, kPath, "Logging"), nullptr);
    }
}

TEST(Options, TheMonitorHandleGoesStraightToTheMachine) {
    MemoryRegistry mem;
    mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "F");
    cAmbrelOptions options(mem, kApp);
    EXPECT_EQ(options.AmbrelHandle(), -1);
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "AmbrelHwnd"), -1) << "a missing value is created";
    options.AmbrelHandle(0x1234);
    EXPECT_EQ(NumberAt(mem, kRootLocalMachine, "AmbrelHwnd"), 0x1234);
    cAmbrelOptions other(mem, kApp);
    EXPECT_EQ(other.AmbrelHandle(), 0x1234);
    EXPECT_FALSE(mem.KeyExists(kRootCurrentUser, kPath));
}

}  // namespace
}  // namespace ambrel

namespace ambrel {
namespace {

// An administrator's policy (Software\Policies, the machine's before the
// user's) for an option of each kind: it is the value in effect, the option
// is locked, no save writes it back or over it, and without the policy the
// stored value is back.
TEST(Options, APolicyWinsIsNeverWrittenBackAndGoesWithoutATrace) {
    const std::string policy = "Software\\Policies\\Ambrel 2.0\\Options";
    struct Case {
        const char* Name;
        bool Number;
        const char* Stored;
        const char* Set;  // by the policy
        std::function<std::string(cAmbrelOptions&)> Effective;
        std::function<void(cAmbrelOptions&)> Change;
    } cases[] = {
        {"ShutDownDialogTitle", false, "Mine", "Theirs", [](cAmbrelOptions& o) { return o.ShutdownDialogTitle(); },
         [](cAmbrelOptions& o) { o.ShutdownDialogTitle("Changed"); }},
        {"QueryClose", false, "T", "F", [](cAmbrelOptions& o) { return std::string(o.QueryClose() ? "T" : "F"); },
         [](cAmbrelOptions& o) { o.QueryClose(true); }},
        {"ForceLogoff", true, "0", "1", [](cAmbrelOptions& o) { return std::string(o.ForceLogoff() ? "1" : "0"); },
         [](cAmbrelOptions& o) { o.ForceLogoff(false); }},
        {"ShutdownOption", true, "1", "3", [](cAmbrelOptions& o) { return std::to_string(o.ShutdownOption()); },
         [](cAmbrelOptions& o) { o.ShutdownOption(2); }},
    };
    for (const Case& c : cases) {
        for (RegHandle by : {kRootLocalMachine, kRootCurrentUser}) {
            SCOPED_TRACE(std::string(c.Name) + (by == kRootLocalMachine ? " machine" : " user"));
            MemoryRegistry mem;
            mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "T");
            auto put = [&mem, &c](RegHandle root, const std::string& path, const char* value) {
                if (c.Number)
                    mem.PutDword(root, path, c.Name, static_cast<std::uint32_t>(std::stoi(value)));
                else
                    mem.PutString(root, path, c.Name, value);
            };
            put(kRootLocalMachine, kPath, c.Stored);
            put(by, policy, c.Set);
            // A user's policy gives way to the machine's.
            if (by == kRootLocalMachine) put(kRootCurrentUser, policy, c.Stored);
            cAmbrelOptions options(mem, kApp);
            ASSERT_TRUE(options.GetOptions(true));
            EXPECT_EQ(c.Effective(options), c.Set);
            EXPECT_TRUE(options.Locked(c.Name));
            EXPECT_FALSE(options.Locked("LogDir"));
            c.Change(options);
            EXPECT_TRUE(options.SaveOptions()) << "a locked option counted as a failed write";
            const std::string stored = c.Number ? std::to_string(NumberAt(mem, kRootLocalMachine, c.Name))
                                                : TextAt(mem, kRootLocalMachine, c.Name);
            EXPECT_EQ(stored, c.Stored) << "the save wrote over the stored value";
            EXPECT_EQ(mem.ValueNames(by, policy), std::vector<std::string>{c.Name}) << "the policy was changed";

            cRegistryAPI(mem).RegDeleteKey(kRootLocalMachine, policy);
            cRegistryAPI(mem).RegDeleteKey(kRootCurrentUser, policy);
            cAmbrelOptions after(mem, kApp);
            ASSERT_TRUE(after.GetOptions(true));
            EXPECT_EQ(c.Effective(after), c.Stored);
            EXPECT_FALSE(after.AnyLocked());
        }
    }
    // AllUsersUseSame forced: the root follows the policy, and the choice is
    // not written either.
    MemoryRegistry mem;
    mem.PutString(kRootLocalMachine, kPath, "AllUsersUseSame", "T");
    mem.PutString(kRootLocalMachine, policy, "AllUsersUseSame", "F");
    cAmbrelOptions options(mem, kApp);
    ASSERT_TRUE(options.GetOptions(true));
    EXPECT_FALSE(options.AllUsersUseSame());
    EXPECT_EQ(options.OptionsRoot(), kRootCurrentUser);
    options.AllUsersUseSame(true);
    options.SaveAllUsersChoice();
    EXPECT_EQ(TextAt(mem, kRootLocalMachine, "AllUsersUseSame"), "T");
    // A policy out of range counts for nothing.
    mem.PutDword(kRootLocalMachine, policy, "ShutdownOption", 9);
    cAmbrelOptions ranged(mem, kApp);
    ranged.GetOptions(true);
    EXPECT_FALSE(ranged.Locked("ShutdownOption"));
}

}  // namespace
}  // namespace ambrel
