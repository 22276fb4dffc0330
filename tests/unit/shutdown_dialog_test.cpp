// The Shut Down Windows dialog over doubles: its rows on each Windows
// version, what Yes does in the launcher and what it reports in the monitor.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "doubles/fake_system_facts.h"
#include "doubles/maintenance_doubles.h"
#include "doubles/memory_files.h"
#include "doubles/memory_registry.h"
#include "doubles/monitor_doubles.h"
#include "doubles/scripted_session.h"
#include "doubles/scripted_ui.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shutdown_dialog/frmShutDownDialog.h"

namespace ambrel::testing {
namespace {

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class FakeDialogView final : public IShutDownDialogView {
public:
    std::int32_t WindowHandle() override { return 0x4242; }
    ScreenMetrics Metrics() override { return {19200, 14400, 120, 450}; }
    void Refresh() override { ++Refreshes; }
    void ShowHelp(const std::string& file, unsigned long context) override {
        HelpFile = file;
        HelpContext = context;
    }
    void Close() override { ++Closes; }
    int Refreshes = 0, Closes = 0;
    std::string HelpFile;
    unsigned long HelpContext = 0;
};

class QuietRegionalForDialog final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return "today"; }
};

enum class Windows { Win95, Win95NoProfiles, Win98, Nt4, Win2000, Win10 };

class ShutDownDialog : public ::testing::Test {
protected:
    ShutDownDialog() {
        registry.PutString(kRootCurrentUser, kShellFolders, "Programs", "C:\\Start Menu\\Programs");
        registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "C:\\Start Menu\\Programs\\Startup");
        On(Windows::Win98);
    }
    void On(Windows w) {
        const struct {
            std::uint32_t Platform, Major, Minor;
        } versions[] = {{kPlatformWindows, 4, 0}, {kPlatformWindows, 4, 0}, {kPlatformWindows, 4, 10},
                        {kPlatformNT, 4, 0},      {kPlatformNT, 5, 0},      {kPlatformNT, 6, 2}};
        const auto& v = versions[static_cast<int>(w)];
        facts.Version.PlatformId = v.Platform;
        facts.Version.MajorVersion = v.Major;
        facts.Version.MinorVersion = v.Minor;
        // Without profiles nobody is logged on as a user of their own.
        facts.UserName = w == Windows::Win95NoProfiles ? std::nullopt : std::optional<std::string>("alice");
    }
    void StoreOptions(bool allowUsersToDisable, bool powerOff = false) {
        cAmbrelOptions options(registry, app);
        options.GetOptions(true);
        options.AllowUsersToDisable(allowUsersToDisable);
        options.PowerOff(powerOff);
        options.SaveOptions();
        options.AmbrelHandle(0x777);
    }
    // The launcher's dialog, loaded with what the command line chose.
    frmShutDownDialog& Launcher(int option = 0, int run = 1, bool atOnce = false) {
        dialog = std::make_unique<frmShutDownDialog>(ports, view);
        loaded = dialog->Form_Load([=](int& o, int& r) {
            o = option;
            r = run;
            return atOnce;
        });
        return *dialog;
    }
    std::vector<std::string> SessionCalls() const {
        std::vector<std::string> ends;
        for (const auto& call : session.Calls)
            if (call.rfind("ExitWindowsEx", 0) == 0 || call.rfind("ShellExecute", 0) == 0) ends.push_back(call);
        return ends;
    }

    MemoryRegistry registry;
    FakeSystemFacts facts;
    ScriptedUserInteraction ui;
    RecordingProcesses processes;
    ScriptedSession session;
    RecordingMessages messages;
    AppIdentity app{"Ambrel 2.0", "C:\\Ambrel", "Telvix"};
    LauncherPorts ports{registry, facts, ui, processes, session, messages, app};
    FakeDialogView view;
    std::unique_ptr<frmShutDownDialog> dialog;
    bool loaded = false;
};

TEST_F(ShutDownDialog, TheRowsAndTextsFollowTheWindowsVersion) {
    struct Case {
        Windows On;
        bool Allow;
        std::vector<bool> Rows;
        bool CheckBox;
        const char* Prompt;
        const char* Yes;
        int CheckTop, YesTop, Height;
    } cases[] = {
        {Windows::Win95, true, {true, true, true, true}, true, "Are you sure you want to:", "Yes", 2280, 2850, 3345},
        {Windows::Win95NoProfiles, true, {true, true, true, false}, true, "Are you sure you want to:", "Yes", 1920,
         2490, 2985},
        {Windows::Win98, true, {true, true, true, true}, true, "What do you want the computer to do?", "OK", 2280,
         2850, 3345},
        {Windows::Nt4, true, {true, true, false, true}, true, "What do you want the computer to do?", "OK", 1920,
         2490, 2985},
        {Windows::Win2000, true, {true, true, false, true}, true, "Are you sure you want to:", "Yes", 1920, 2490,
         2985},
        {Windows::Win10, false, {true, true, false, true}, false, "Are you sure you want to:", "Yes", 1920, 1895,
         2390},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.On));
        On(c.On);
        StoreOptions(c.Allow);
        auto& d = Launcher();
        ASSERT_TRUE(loaded);
        const ShutDownDialogLayout& l = d.Layout;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(l.optShutdown[i].Visible, c.Rows[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(l.chkRunAmbrel.Visible, c.CheckBox);
        EXPECT_EQ(l.lblDoYouWant.Caption, c.Prompt);
        EXPECT_EQ(l.cmdYES.Caption, c.Yes);
        EXPECT_EQ(l.chkRunAmbrel.Top, c.CheckTop);
        EXPECT_EQ(l.cmdYES.Top, c.YesTop);
        EXPECT_EQ(l.cmdHelp.Top, c.YesTop);
        EXPECT_EQ(l.ClientHeight, c.Height);
        EXPECT_EQ(l.Caption, "Ambrel Launcher - Shut Down Windows");
        EXPECT_FALSE(d.Positioned);
    }
    On(Windows::Nt4);
    auto& d = Launcher();
    EXPECT_EQ(d.Layout.optShutdown[3].Top, 1440) << "the log-off row takes the MS-DOS row's place";
    EXPECT_EQ(d.Layout.optShutdown[3].Caption, "&Log off current user");
    EXPECT_EQ(d.Layout.cmdNO.Caption, "Cancel");
}

TEST_F(ShutDownDialog, YesHandsTheEndingToTheMonitorOrEndsTheSessionItself) {
    struct Case {
        int Option, Run;
        bool PowerOff;
        std::vector<std::string> Started;
        std::vector<std::string> Ends;
    } cases[] = {
        {0, 1, false, {"C:\\Ambrel\\Ambrel.exe FromTelvix 1"}, {}},
        {1, 1, false, {"C:\\Ambrel\\Ambrel.exe FromTelvix 2"}, {}},
        {2, 1, false, {"C:\\Ambrel\\Ambrel.exe FromTelvix 99"}, {}},
        {3, 1, false, {"C:\\Ambrel\\Ambrel.exe FromTelvix 0"}, {}},
        {0, 0, true, {}, {"ExitWindowsEx 9 "}},
        {1, 0, false, {}, {"ExitWindowsEx 2 "}},
        {2, 0, false, {}, {"ShellExecute "}},
        {3, 0, false, {}, {"ExitWindowsEx 0 "}},
    };
    messages.Monitor = 0x778;  // the checked monitor, not the stored hint 0x777
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Option) + " " + std::to_string(c.Run));
        StoreOptions(true, c.PowerOff);
        processes.Started.clear();
        messages.Sent.clear();
        messages.Waited.clear();
        session.Calls.clear();
        auto& d = Launcher(c.Option, c.Run);
        d.cmdYES_Click();
        EXPECT_EQ(processes.CommandLines(), c.Started);
        if (!c.Started.empty()) {
            EXPECT_EQ(processes.Started[0].ShowState, 1);
            EXPECT_EQ(processes.Started[0].Program, "C:\\Ambrel\\Ambrel.exe");
            EXPECT_EQ(messages.Hints.back(), 0x777);
            ASSERT_EQ(messages.Sent.size(), 1u);
            EXPECT_EQ(messages.Sent[0].Window, 0x778);
            EXPECT_EQ(messages.Sent[0].Message, 0x0591u);
            ASSERT_EQ(messages.Waited.size(), 1u) << "the hand-over waits for the old monitor to go";
            EXPECT_EQ(messages.Waited[0].first, 0x778);
        }
        auto ends = SessionCalls();
        if (!c.Ends.empty()) {
            ASSERT_FALSE(ends.empty());
            EXPECT_EQ(ends[0].substr(0, c.Ends[0].size()), c.Ends[0]);
        } else {
            EXPECT_TRUE(ends.empty());
        }
        EXPECT_TRUE(d.Closed);
    }

    // No monitor runs: nothing is posted, the hand-over starts at once. One
    // that does not go: no second monitor, and the user is told.
    messages.Monitor = 0;
    messages.Sent.clear();
    processes.Started.clear();
    Launcher(0, 1).cmdYES_Click();
    EXPECT_TRUE(messages.Sent.empty());
    EXPECT_EQ(processes.Started.size(), 1u);
    messages.Monitor = 0x778;
    messages.Goes = false;
    processes.Started.clear();
    ui.Boxes.clear();
    Launcher(0, 1).cmdYES_Click();
    EXPECT_TRUE(processes.Started.empty());
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("did not close"), std::string::npos);
}

TEST_F(ShutDownDialog, TheLauncherActsAtOnceReportsFailuresAndShowsHelp) {
    StoreOptions(false);
    Launcher(3, 0, true);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(view.Refreshes, 0) << "acting at once shows nothing";
    EXPECT_EQ(SessionCalls().size(), 1u) << "logs off though users may not disable the run";

    processes.Missing.insert("C:\\Ambrel\\Ambrel.exe FromTelvix 1");
    Launcher(0, 1, true);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Couldn't run C:\\Ambrel\\Ambrel.exe");
    EXPECT_EQ(ui.Boxes[0].Title, "Shutdown Windows");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);

    auto& d = Launcher();
    d.cmdHelp_Click();
    EXPECT_EQ(view.HelpFile, "C:\\Ambrel\\AMBREL.CHM");
    EXPECT_EQ(view.HelpContext, 121u);
    d.cmdNO_Click();
    EXPECT_TRUE(d.Closed);

    ui.Boxes.clear();
    registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "");
    Launcher();
    EXPECT_FALSE(loaded);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text.substr(0, 19), "Error number: \t999\r");
    EXPECT_NE(ui.Boxes[0].Text.find("\r\nUnable to locate Startup directory\r\n\r\nIf this persists, please call support."),
              std::string::npos);
    EXPECT_EQ(ui.Boxes[0].Title, "Telvix");
}

TEST_F(ShutDownDialog, TheMonitorsDialogReportsTheChoiceAndEndsNothing) {
    On(Windows::Win98);
    MemoryFileSystem files;
    FakeClock clock;
    QuietRegionalForDialog regional;
    cLogger logger(files, clock, regional, ui, app);
    cOSInfo os(facts);
    cSystemInfo system(registry, facts);
    const std::int16_t outcomes[4] = {1, 2, 99, 0};
    for (int option = 0; option < 4; ++option) {
        frmShutDownDialog d(os, system, logger, view);
        d.ShowRunCheckBox = false;
        d.CenterOnScreen = true;
        ASSERT_TRUE(d.Form_Load());
        d.FormatDisplay();
        EXPECT_EQ(d.Layout.Caption, "Ambrel - Shut Down Windows");
        EXPECT_FALSE(d.Layout.chkRunAmbrel.Visible);
        EXPECT_FALSE(d.Layout.cmdHelp.Visible);
        EXPECT_EQ(d.Layout.cmdYES.Top, 2955 - 595);
        EXPECT_EQ(d.Layout.ClientHeight, 3420 - 595);
        EXPECT_TRUE(d.Positioned);
        EXPECT_EQ(d.Left, 6803);  // 9600 - 5595 / 2, rounded to whole twips
        EXPECT_EQ(d.Top, 5563);   // 7200 - 3275 / 2
        d.optShutdown = option;
        d.chkRunAmbrel = 1;
        d.cmdYES_Click();
        EXPECT_EQ(d.SessionEndOutcome, outcomes[option]);
        EXPECT_TRUE(d.RunListChosen);
    }
    frmShutDownDialog d(os, system, logger, view);
    d.Form_Load();
    d.SessionEndOutcome = 2;
    d.cmdNO_Click();
    EXPECT_EQ(d.SessionEndOutcome, -1);
    EXPECT_TRUE(session.Calls.empty());
    EXPECT_TRUE(processes.Started.empty());
}

}  // namespace
}  // namespace ambrel::testing
