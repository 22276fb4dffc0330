// A forced end of the session on Windows NT 4, for real. Wine ends every
// process of the session at once, this one included, so the case runs in two
// programs in one prefix: `Request` asks for the end and must not survive it;
// `Outcome`, started after the end, checks what the first one recorded and
// what is left (see the test's registration).

#include <gtest/gtest.h>

#include <memory>

#include "session_wine_support.h"
#include "shared/cExitWindows.h"
#include "win32/app_identity_win32.h"
#include "win32/system_facts_win32.h"

namespace ambrel {
namespace {

using namespace ambrel::wine;

const char kHelperRecord[] = "forced-helper.txt";
const char kRequestRecord[] = "forced-request.txt";

TEST(ForcedEndingUnderWine, Request) {
    Win32SystemFacts facts;
    auto osInfo = std::make_shared<const cOSInfo>(facts);
    ASSERT_TRUE(osInfo->isWinNT4());
    DeleteFileA(TempFile(kRequestRecord).c_str());
    Helper helper;
    ASSERT_TRUE(StartHelper(helper, kHelperRecord, "answer"));
    // The helper must outlive this process unless the session ends.
    CloseHandle(helper.Process.hProcess);
    CloseHandle(helper.Process.hThread);
    helper.Process = {};

    RecordingSession session;
    session.PassRequests = true;
    session.RequestRecord = TempFile(kRequestRecord);
    cExitWindows ender(session, facts, LoadAppIdentity("Ambrel"));
    ender.OsInfoClass(osInfo);
    ender.SetShutdownComputer();
    ender.PowerOff(true);
    ender.ForceLogoff(true);
    ender.exitWindows(-1);
    Sleep(30000);
    FAIL() << "the forced end of the session left this process running";
}

TEST(ForcedEndingUnderWine, Outcome) {
    // Whatever ended the session has finished before anything is checked.
    ASSERT_TRUE(WaitFor([] { return CountProcesses("wineboot.exe") == 0; }, 30000));
    EXPECT_EQ(ReadText(TempFile(kRequestRecord)), "request 13 4095 privilege 1\n");

    std::vector<std::string> record = Lines(ReadText(TempFile(kHelperRecord)));
    ASSERT_EQ(record.size(), 2u) << "the helper got messages, or never started";
    EXPECT_EQ(record[0].rfind("pid ", 0), 0u);
    EXPECT_EQ(record[1].rfind("ready ", 0), 0u);
    EXPECT_EQ(CountProcesses("session_helper.exe"), 0);
    EXPECT_EQ(FindWindowA("AmbrelSessionHelper", nullptr), nullptr);
}

}  // namespace
}  // namespace ambrel
