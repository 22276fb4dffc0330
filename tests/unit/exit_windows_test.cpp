#include <gtest/gtest.h>

#include <memory>

#include "doubles/scripted_session.h"
#include "shared/OwnWindowHandle.h"
#include "shared/cExitWindows.h"
#include "shared/errors.h"

namespace ambrel {
namespace {

using testing::ScriptedSession;
using Calls = std::vector<std::string>;

struct VersionFacts final : ISystemFacts {
    VersionFacts(std::uint32_t platform, std::uint32_t major, std::uint32_t minor)
        : Platform(platform), Major(major), Minor(minor) {}
    bool QueryVersion(OsVersionRecord& r) override {
        ++Queries;
        r.PlatformId = Platform;
        r.MajorVersion = Major;
        r.MinorVersion = Minor;
        return true;
    }
    bool QueryUserName(char*, std::uint32_t&) override { return false; }
    std::uint32_t Platform, Major, Minor;
    int Queries = 0;
};

VersionFacts Win95() { return {kPlatformWindows, 4, 0}; }
VersionFacts Win98() { return {kPlatformWindows, 4, 10}; }
VersionFacts NT3() { return {kPlatformNT, 3, 51}; }
VersionFacts NT4() { return {kPlatformNT, 4, 0}; }
VersionFacts Unknown() { return {kPlatformNT, 5, 0}; }
VersionFacts Win10() { return {kPlatformNT, 10, 0}; }

const AppIdentity kApp{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};
const std::string kPrivilegeSteps[] = {"OpenProcessToken 40", "LookupPrivilegeValue '' SeShutdownPrivilege",
                                       "AdjustTokenPrivileges 7 0 count 1 luid 0:19 attributes 2 length 16",
                                       "CloseHandle 7"};

// One host's session ender, its OS facts assigned the way hosts do.
struct Ender {
    explicit Ender(VersionFacts version, bool assign = true) : facts(version), ender(session, facts, kApp) {
        if (assign) ender.OsInfoClass(std::make_shared<const cOSInfo>(facts));
        OwnWindowHandle(500);
    }
    ~Ender() { OwnWindowHandle(0); }
    ScriptedSession session;
    VersionFacts facts;
    cExitWindows ender;
};

TEST(ExitWindows, FlagsFollowTheChosenEndingAndPowerOffOnlyJoinsAPlainShutdown) {
    {
        Ender e(Win98());
        EXPECT_EQ(e.ender.GetFlagsValue(), 1);  // nothing chosen: shut down
        EXPECT_EQ(e.ender.exitWindows(-1), 1);
        e.ender.PowerOff(true);
        e.ender.exitWindows(-1);
        e.ender.SetRestartComputer();
        e.ender.exitWindows(-1);
        e.ender.SetLogoffComputer();
        e.ender.exitWindows(-1);
        e.ender.luFlags(kEwxShutdown);  // explicit shutdown flags power off too
        e.ender.exitWindows(-1);
        e.ender.exitWindows(kEwxShutdown | kEwxForce);  // passed flags win, and are not plain
        e.ender.exitWindows(2);
        EXPECT_EQ(e.session.Calls, (Calls{"ExitWindowsEx 1 4095", "ExitWindowsEx 9 4095", "ExitWindowsEx 2 4095",
                                          "ExitWindowsEx 0 4095", "ExitWindowsEx 9 4095", "ExitWindowsEx 5 4095",
                                          "ExitWindowsEx 2 4095"}));
    }
    {
        Ender e(Win95());
        e.session.ExitResult = 0;  // refused: shows only as the result
        EXPECT_EQ(e.ender.exitWindows(-1), 0);
    }
}

TEST(ExitWindows, ExplicitFlagsOverrideTheEndingUntilTheNextSetter) {
    Ender e(NT4());
    e.ender.SetShutdownComputer();
    e.ender.luFlags(kEwxReboot | kEwxForce);
    EXPECT_EQ(e.ender.GetFlagsValue(), 6);
    e.ender.PowerOff(true);
    EXPECT_EQ(e.ender.GetFlagsValue(), 6);
    e.ender.exitWindows(-1);
    EXPECT_EQ(e.session.Calls.back(), "ExitWindowsEx 6 4095");
    e.ender.exitWindows(-1);  // the choice stays after a request
    EXPECT_EQ(e.session.Calls.back(), "ExitWindowsEx 6 4095");
    e.ender.SetRestartInMsDOSMode();
    EXPECT_EQ(e.ender.GetFlagsValue(), 1);
    e.ender.luFlags(0);
    EXPECT_EQ(e.ender.GetFlagsValue(), 0);
    e.ender.SetRestartComputer();
    EXPECT_EQ(e.ender.GetFlagsValue(), 2);
    e.ender.luFlags(-1);
    EXPECT_EQ(e.ender.GetFlagsValue(), 2);
}

// Every NT-family system refuses a shut down to a process whose shutdown
// privilege is not enabled (the double refuses as Windows does); NT ends the
// programs itself when forced, so no window is swept there.
TEST(ExitWindows, EveryNtSystemEnablesTheShutdownPrivilegeFirstAndForcesByFlag) {
    const std::pair<VersionFacts, const char*> systems[] = {
        {NT3(), "ExitWindowsEx 13 4095"},          // EWX_FORCE, as NT 4
        {NT4(), "ExitWindowsEx 13 4095"},
        {Unknown(), "ExitWindowsEx 25 4095"},      // 2000 and later: EWX_FORCEIFHUNG
        {Win10(), "ExitWindowsEx 25 4095"},
    };
    for (const auto& [version, request] : systems) {
        Ender e(version);
        e.session.NtPrivileges = true;
        e.ender.SetShutdownComputer();
        e.ender.PowerOff(true);
        e.ender.ForceLogoff(true);
        e.session.Windows = {{501, 1, false}};  // never swept on NT
        EXPECT_EQ(e.ender.exitWindows(-1), 1) << request;
        Calls expected(std::begin(kPrivilegeSteps), std::end(kPrivilegeSteps));
        expected.push_back(request);
        EXPECT_EQ(e.session.Calls, expected);
        EXPECT_EQ(e.ender.Refusal(), "");
    }

    // Without a token the steps still run, and Windows refuses the shut down:
    // the refusal is there to be told. A log off needs no privilege.
    Ender e(Win10());
    e.session.NtPrivileges = true;
    e.session.Token = 0;
    e.ender.SetRestartComputer();
    EXPECT_EQ(e.ender.exitWindows(-1), 0);
    EXPECT_EQ(e.session.Calls, (Calls{"OpenProcessToken 40", "LookupPrivilegeValue '' SeShutdownPrivilege",
                                      "AdjustTokenPrivileges 0 0 count 1 luid 0:19 attributes 2 length 16",
                                      "ExitWindowsEx 2 4095"}));
    EXPECT_EQ(e.ender.Refusal(), "Windows did not end the session (system error 1314: the shutdown privilege is not held).");
    e.ender.SetLogoffComputer();
    EXPECT_EQ(e.ender.exitWindows(-1), 1);
    EXPECT_EQ(e.ender.Refusal(), "");
}

TEST(ExitWindows, ForcingOnWindows95And98SweepsEveryOtherWindowBeforeTheRequest) {
    for (VersionFacts version : {Win95(), Win98()}) {
        Ender e(version);
        e.ender.SetLogoffComputer();
        e.ender.ForceLogoff(true);
        e.session.Windows = {{501, 11, true}, {500, 10, true}, {502, 12, false}, {503, 13, true}};
        e.ender.exitWindows(-1);
        EXPECT_EQ(e.session.Calls, (Calls{"EnumWindows", "Send 501 17 0 0 2 5000", "Send 501 22 1 0 2 5000",
                                          "Send 502 17 0 0 2 5000", "OpenProcess 1025 12", "TerminateProcess 1012 0",
                                          "CloseHandle 1012", "Send 503 17 0 0 2 5000", "Send 503 22 1 0 2 5000",
                                          "ExitWindowsEx 0 4095"}));
    }
    Ender e(Win98());
    e.ender.ForceLogoff(true);
    e.session.OpenProcessFails = true;
    e.session.Windows = {{502, 12, false}};
    e.ender.exitWindows(kEwxReboot);
    EXPECT_EQ(e.session.Calls,
              (Calls{"EnumWindows", "Send 502 17 0 0 2 5000", "OpenProcess 1025 12", "ExitWindowsEx 2 4095"}));
}

TEST(ExitWindows, ASweepWithoutTheProgramsWindowFailsBeforeTouchingAnything) {
    Ender e(Win98());
    e.ender.ForceLogoff(true);
    e.session.Windows = {{501, 11, true}, {502, 12, false}};
    OwnWindowHandle(0);
    try {
        e.ender.exitWindows(-1);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 999);
        EXPECT_EQ(error.Info().Description, "My Window Handle wasn't set");
    }
    EXPECT_EQ(e.session.Calls, Calls{"EnumWindows"});
    EXPECT_EQ(e.session.Visited, 1);

    // Not forced, no sweep, no window handle needed.
    e.session.Calls.clear();
    e.ender.ForceLogoff(false);
    EXPECT_EQ(e.ender.exitWindows(-1), 1);
    EXPECT_EQ(e.session.Calls, Calls{"ExitWindowsEx 1 4095"});
}

TEST(ExitWindows, RestartInMsDosModeNeedsTheAssignedOsFactsAndChangesNothingWithout) {
    Ender e(Win98(), false);
    e.ender.SetRestartComputer();
    e.ender.luFlags(6);
    e.ender.exitWindows(-1);  // creates its own facts, which do not count as assigned
    EXPECT_EQ(e.facts.Queries, 1);
    try {
        e.ender.SetRestartInMsDOSMode();
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 999);
        EXPECT_EQ(error.Info().Description, "OS Type not set yet.  Call support.");
    }
    EXPECT_EQ(e.ender.GetFlagsValue(), 6);
    e.ender.luFlags(-1);
    EXPECT_EQ(e.ender.GetFlagsValue(), 2);
    e.ender.exitWindows(-1);
    EXPECT_EQ(e.facts.Queries, 1);  // kept, not made again

    e.ender.OsInfoClass(std::make_shared<const cOSInfo>(e.facts));
    e.ender.SetRestartInMsDOSMode();
    EXPECT_EQ(e.ender.GetFlagsValue(), 99);
}

TEST(ExitWindows, RestartInMsDosModeStartsThePifFileAndNeverCallsWindows) {
    for (VersionFacts version : {Win95(), Win98(), NT3(), Unknown()}) {
        Ender e(version);
        e.ender.SetRestartInMsDOSMode();
        EXPECT_EQ(e.ender.GetFlagsValue(), 99);
        EXPECT_EQ(e.ender.exitWindows(-1), 0);
        EXPECT_EQ(e.session.Calls.back(), "ShellExecute open C:\\Ambrel\\ExitToDos.PIF 2");
        EXPECT_EQ(e.session.Calls.size(), version.Platform == kPlatformNT ? 5u : 1u) << "the privilege on NT only";
    }
    Ender e(Win95());
    e.ender.SetRestartInMsDOSMode();
    e.ender.PowerOff(true);
    e.ender.ForceLogoff(true);
    e.session.Windows = {{501, 11, true}};
    e.session.ShellResult = 2;  // the file is missing
    EXPECT_EQ(e.ender.exitWindows(-1), 53);
    EXPECT_EQ(e.ender.Refusal(), "Windows could not be restarted in MS-DOS mode: C:\\Ambrel\\ExitToDos.PIF could not be "
                                 "started (File not found).");
    EXPECT_EQ(e.session.Calls, (Calls{"EnumWindows", "Send 501 17 0 0 2 5000", "Send 501 22 1 0 2 5000",
                                      "ShellExecute open C:\\Ambrel\\ExitToDos.PIF 2"}));
    e.session.ShellResult = 3;
    EXPECT_EQ(e.ender.exitWindows(-1), 76);
    e.session.ShellResult = 31;
    EXPECT_EQ(e.ender.exitWindows(-1), 5);
}

TEST(ExitWindows, OnNT4AnMsDosRestartIsAShutdownAndAPassedMarkerNeverReachesWindows) {
    Ender e(NT4());
    e.ender.SetRestartInMsDOSMode();
    e.ender.exitWindows(-1);
    EXPECT_EQ(e.session.Calls.back(), "ExitWindowsEx 1 4095");

    // A marker handed over from another system's launcher, forced: the PIF
    // file is started and 99 + EWX_FORCE is not sent as flags.
    e.session.Calls.clear();
    e.ender.ForceLogoff(true);
    EXPECT_EQ(e.ender.exitWindows(99), 0);
    Calls expected(std::begin(kPrivilegeSteps), std::end(kPrivilegeSteps));
    expected.push_back("ShellExecute open C:\\Ambrel\\ExitToDos.PIF 2");
    EXPECT_EQ(e.session.Calls, expected);
}

}  // namespace
}  // namespace ambrel
