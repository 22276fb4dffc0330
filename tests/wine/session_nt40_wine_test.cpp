// Ending the session on Windows NT 4, for real: Wine's ExitWindowsEx starts
// wineboot, which asks every program with a window to end its session and
// then ends it. This process has no window, so it lives on to check.

#include <gtest/gtest.h>

#include <memory>

#include "session_wine_support.h"
#include "shared/cExitWindows.h"
#include "win32/app_identity_win32.h"
#include "win32/system_facts_win32.h"

namespace ambrel {
namespace {

using namespace ambrel::wine;

TEST(SessionUnderWineNT4, ShutdownWithPowerOffEnablesThePrivilegeAndEndsEveryProgram) {
    Win32SystemFacts facts;
    auto osInfo = std::make_shared<const cOSInfo>(facts);
    ASSERT_TRUE(osInfo->isWinNT4());
    ASSERT_FALSE(ShutdownPrivilegeEnabled());  // else the check below proves nothing
    ASSERT_EQ(OwnTopLevelWindows(), 0);         // else this process would be ended too
    Helper helper;
    ASSERT_TRUE(StartHelper(helper, "nt4-shutdown.txt", "answer"));

    RecordingSession session;
    session.PassRequests = true;
    cExitWindows ender(session, facts, LoadAppIdentity("Ambrel"));
    ender.OsInfoClass(osInfo);
    ender.SetShutdownComputer();
    ender.PowerOff(true);
    EXPECT_NE(ender.exitWindows(-1), 0);
    EXPECT_EQ(session.Requests, std::vector<std::uint32_t>{9});
    EXPECT_TRUE(ShutdownPrivilegeEnabled());

    // The session really ends: the helper is asked, told, and ended.
    EXPECT_EQ(WaitForSingleObject(helper.Process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(helper.Messages(), (std::vector<std::string>{"query 0 0", "end 1 0"}));
}

}  // namespace
}  // namespace ambrel
