// Ending the session on Windows 98, for real: the forced ending's window
// sweep over the session's real windows (EnumWindows, SendMessageTimeoutA,
// TerminateProcess), and the restart in MS-DOS mode through the shell. The
// request itself is recorded and kept from Windows, so the session lives on
// for the checks.

#include <gtest/gtest.h>

#include <memory>

#include "session_wine_support.h"
#include "shared/OwnWindowHandle.h"
#include "shared/errors.h"
#include "shared/cExitWindows.h"
#include "win32/app_identity_win32.h"
#include "win32/system_facts_win32.h"

namespace ambrel {
namespace {

using namespace ambrel::wine;

std::vector<UINT> g_ownWindowMessages;

LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION) g_ownWindowMessages.push_back(message);
    if (message == WM_QUERYENDSESSION) return TRUE;
    return DefWindowProcA(window, message, wParam, lParam);
}

// The program's main window, set as OwnWindowHandle while it lives.
struct OwnWindow {
    OwnWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = OwnWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "AmbrelSessionTestMain";
        RegisterClassA(&windowClass);
        Handle = CreateWindowExA(0, "AmbrelSessionTestMain", "Ambrel", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
        OwnWindowHandle(reinterpret_cast<WindowHandle>(Handle));
    }
    ~OwnWindow() {
        OwnWindowHandle(0);
        DestroyWindow(Handle);
    }
    HWND Handle = nullptr;
};

std::shared_ptr<const cOSInfo> Win98Facts(Win32SystemFacts& facts) {
    auto osInfo = std::make_shared<const cOSInfo>(facts);
    return osInfo->isWin98() ? osInfo : nullptr;
}

TEST(SessionUnderWine98, ForcedLogoffSweepsEveryOtherWindowAndEndsAHungProgram) {
    Win32SystemFacts facts;
    auto osInfo = Win98Facts(facts);
    ASSERT_TRUE(osInfo);
    OwnWindow own;
    ASSERT_NE(own.Handle, nullptr);
    Helper answering, hung;
    ASSERT_TRUE(StartHelper(answering, "win98-answers.txt", "answer"));
    ASSERT_TRUE(StartHelper(hung, "win98-hangs.txt", "hang"));

    RecordingSession session;
    cExitWindows ender(session, facts, LoadAppIdentity("Ambrel"));
    ender.OsInfoClass(osInfo);
    ender.SetLogoffComputer();
    ender.ForceLogoff(true);
    g_ownWindowMessages.clear();
    ender.exitWindows(-1);

    EXPECT_EQ(session.Requests, std::vector<std::uint32_t>{0});  // no EWX_FORCE here
    EXPECT_TRUE(g_ownWindowMessages.empty());
    EXPECT_EQ(answering.Messages(), (std::vector<std::string>{"query 0 0", "end 1 0"}));
    EXPECT_TRUE(answering.Running());  // told, not ended
    EXPECT_TRUE(hung.Messages().empty());
    ASSERT_EQ(WaitForSingleObject(hung.Process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(hung.Process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

TEST(SessionUnderWine98, ASweepWithoutTheProgramsWindowRaisesAndEndsNothing) {
    Win32SystemFacts facts;
    auto osInfo = Win98Facts(facts);
    ASSERT_TRUE(osInfo);
    Helper answering;
    ASSERT_TRUE(StartHelper(answering, "win98-unswept.txt", "answer"));
    OwnWindowHandle(0);

    RecordingSession session;
    cExitWindows ender(session, facts, LoadAppIdentity("Ambrel"));
    ender.OsInfoClass(osInfo);
    ender.ForceLogoff(true);
    try {
        ender.exitWindows(-1);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 999);
        EXPECT_STREQ(error.what(), "My Window Handle wasn't set");
    }
    EXPECT_TRUE(session.Requests.empty());
    EXPECT_TRUE(answering.Messages().empty());
    EXPECT_TRUE(answering.Running());
}

TEST(SessionUnderWine98, RestartInMsDosModeWithoutThePifFileGivesTheStartError) {
    Win32SystemFacts facts;
    auto osInfo = Win98Facts(facts);
    ASSERT_TRUE(osInfo);
    AppIdentity app = LoadAppIdentity("Ambrel");
    const std::string pif = app.ProgramDirectory + "\\ExitToDos.PIF";
    ASSERT_EQ(GetFileAttributesA(pif.c_str()), INVALID_FILE_ATTRIBUTES);

    RecordingSession session;
    session.PassRequests = true;  // a request here would end the test's session
    cExitWindows ender(session, facts, app);
    ender.OsInfoClass(osInfo);
    ender.SetRestartInMsDOSMode();
    EXPECT_EQ(ender.GetFlagsValue(), 99);
    EXPECT_EQ(ender.exitWindows(-1), 53);
    EXPECT_EQ(session.Starts, std::vector<std::string>{"open " + pif + " 2"});
    EXPECT_TRUE(session.Requests.empty());
}

}  // namespace
}  // namespace ambrel
