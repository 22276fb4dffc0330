// The monitor's main window played through its handlers: the doubles stand in
// for the registry, the disk, the user, the programs it starts and Windows.

#include "unit/monitor_fixture.h"

namespace ambrel::testing {
namespace {

// ---------------------------------------------------------------------------
// Start-up

TEST(LauncherMarker, TheEndingFollowsTheMarkerInExactCase) {
    std::int32_t ending = -5;
    EXPECT_TRUE(ParseLauncherMarker(" FromTelvix 2", ending));
    EXPECT_EQ(ending, 2);
    EXPECT_TRUE(ParseLauncherMarker("FromTelvix 99", ending));
    EXPECT_EQ(ending, 99);
    EXPECT_TRUE(ParseLauncherMarker("FromTelvix", ending));
    EXPECT_EQ(ending, 0);
    ending = -5;
    EXPECT_FALSE(ParseLauncherMarker("fromtelvix 2", ending));
    EXPECT_FALSE(ParseLauncherMarker("", ending));
    EXPECT_EQ(ending, -5);
    // Beyond what a 32-bit whole number holds: an overflow, never a
    // conversion out of range.
    for (const char* line : {"FromTelvix 99999999999", "FromTelvix -2147483649", "FromTelvix 4294967296"})
        EXPECT_THROW(ParseLauncherMarker(line, ending), RuntimeError) << line;
    EXPECT_TRUE(ParseLauncherMarker("FromTelvix -2147483648", ending));
    EXPECT_EQ(ending, INT32_MIN);
}

TEST_F(Monitor, WithoutStoredOptionsItAsksForMaintenanceAndPublishesNoHandle) {
    Start();
    EXPECT_FALSE(started);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "One or more settings weren't found.  Please run 'Ambrel Maintenance' first.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
    EXPECT_EQ(registry.Find(kRootLocalMachine, "Software\\Ambrel 2.0\\Options", "AmbrelHwnd"), nullptr);
}

TEST_F(Monitor, ASecondInstanceEndsUnlessTheLauncherStartedIt) {
    StoreOptions();
    instance.Running = true;
    Start();
    EXPECT_FALSE(started);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Ambrel is already running.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");

    // A second start at log on (the machine's Startup shortcut and the
    // user's own both run) ends without a word, in whatever case.
    for (const char* line : {"/startup", " /STARTUP", "/Startup other"}) {
        ui.Boxes.clear();
        Start(line);
        EXPECT_FALSE(started) << line;
        EXPECT_TRUE(ui.Boxes.empty()) << line;
    }
    ui.Boxes.clear();
    Start("/startupx");
    EXPECT_EQ(ui.Boxes.size(), 1u) << "only the whole argument is the Startup start";

    ui.Boxes.clear();
    Start(" FromTelvix 2");
    EXPECT_TRUE(ui.Boxes.empty()) << "the launcher start is let through";
    EXPECT_TRUE(form->FromLauncher);
    EXPECT_EQ(form->LauncherEnding, 2);
    EXPECT_EQ(session.Calls.back(), "ExitWindowsEx 2 4095") << "the list ran and Windows restarts";
    EXPECT_EQ(view.Unloads, 1) << "the program ends there";
}

TEST_F(Monitor, StartUpPublishesTheWindowAndWaitsInTheConfiguredMode) {
    StoreOptions();
    ports.About.ProductName = "Ambrel 2.0";
    ports.About.VersionMajor = 2;
    ports.About.VersionRevision = 7;
    ports.About.FileDescription = "Ambrel monitor";
    frmAmbrel& f = Start();
    ASSERT_TRUE(started);
    cAmbrelOptions reader(registry, app);
    EXPECT_EQ(reader.AmbrelHandle(), view.Handle);
    EXPECT_TRUE(f.Subclassed());
    EXPECT_EQ(f.Logger().LogUser(), "alice");
    EXPECT_EQ(f.Logger().LogFile(), kLog);
    EXPECT_EQ(f.Label11, "Ambrel 2.0(TM)  Version 2.0.7");
    EXPECT_EQ(f.Label12, "Ambrel monitor");
    EXPECT_EQ(f.ShutdownFolder, "C:\\Start Menu\\Programs\\Shutdown");
    EXPECT_EQ(f.StatusBar1_Text, "Waiting for Windows to shut down...");
    EXPECT_TRUE(f.picWait_Visible);
    EXPECT_TRUE(f.cSysTray1_InTray) << "\"S\" waits in the tray";
    EXPECT_EQ(f.Mode, WindowMode::Hidden);
    EXPECT_EQ(f.cmdMinimize_Caption, "&Close");
    EXPECT_FALSE(f.MonitorBusy);
    EXPECT_GE(view.Centred, 1);
}

TEST_F(Monitor, WindowModesFollowRunMinimized) {
    struct Case {
        const char* mode;
        WindowMode shown;
        bool tray;
        const char* caption;
        WindowMode afterMinimize;
    };
    for (Case c : {Case{"T", WindowMode::Minimized, false, "&Minimize", WindowMode::Minimized},
                   Case{"F", WindowMode::Hidden, false, "&Minimize", WindowMode::Minimized},
                   Case{"S", WindowMode::Hidden, true, "&Close", WindowMode::Hidden},
                   Case{"Q", WindowMode::Hidden, true, "&Close", WindowMode::Minimized}}) {
        StoreOptions([&](cAmbrelOptions& o) { o.RunMinimized(c.mode); });
        frmAmbrel& f = Start();
        EXPECT_EQ(f.Mode, c.shown) << c.mode;
        EXPECT_EQ(f.cSysTray1_InTray, c.tray) << c.mode;
        EXPECT_EQ(f.cmdMinimize_Caption, c.caption) << c.mode;
        f.Mode = WindowMode::Normal;
        f.cmdMinimize_Click();
        EXPECT_EQ(f.Mode, c.afterMinimize) << c.mode;
    }
}

TEST_F(Monitor, LoadSettingsCopiesTheOptionsIntoTheWorkingState) {
    StoreOptions([](cAmbrelOptions& o) {
        o.QueryClose(true);
        o.ShutdownOption(2);
        o.WinShutdownType("3");
        o.RunCommands("B");
        o.TimeOutPrograms(true);
        o.TimeOutProgramMinutes("90");
        o.Logging(2);
        o.AllowUsersToDisable(false);
    });
    frmAmbrel& f = Start();
    EXPECT_TRUE(f.QueryClose);
    EXPECT_EQ(f.ShutdownOption, 2);
    EXPECT_EQ(f.WinShutdownType, "3");
    EXPECT_EQ(f.ConfiguredEnding, 0) << "\"3\" logs on as a new user";
    EXPECT_TRUE(f.RunCommandLinesOption);
    EXPECT_TRUE(f.RunShortcutsOption);
    EXPECT_TRUE(f.TimeOutPrograms);
    EXPECT_EQ(f.TimeOutMinutes, 90);
    EXPECT_FALSE(f.Logger().LogActions());
    EXPECT_TRUE(f.Logger().LogErrors());
    EXPECT_FALSE(f.mExit_Visible) << "Exit is hidden from the menu";

    // Another type leaves the ending as it was; an unknown RunCommands keeps both switches.
    cAmbrelOptions edit(registry, app);
    edit.GetOptions(false);
    edit.WinShutdownType("4");
    edit.RunCommands("X");
    edit.SaveOptions();
    ASSERT_TRUE(f.LoadSettings());
    EXPECT_EQ(f.ConfiguredEnding, 0);
    EXPECT_TRUE(f.RunCommandLinesOption);
    EXPECT_TRUE(f.RunShortcutsOption);
    edit.RunCommands("S");
    edit.WinShutdownType("2");
    edit.SaveOptions();
    f.LoadSettings();
    EXPECT_FALSE(f.RunCommandLinesOption);
    EXPECT_TRUE(f.RunShortcutsOption);
    EXPECT_EQ(f.ConfiguredEnding, 2);
    // The Exit button works whatever the menu shows.
    f.cmdExitWait_Click();
    EXPECT_EQ(view.Unloads, 1);
    EXPECT_FALSE(f.Subclassed());
}

TEST_F(Monitor, TheScheduledTimeIsTodayOrTomorrowAndAnUnreadableTimeSchedulesNothing) {
    StoreOptions([](cAmbrelOptions& o) {
        o.ShutWindowsOnTime(true);
        o.ShutWindowsTime("10:00 PM");
    });
    frmAmbrel& f = Start();
    EXPECT_DOUBLE_EQ(f.ScheduledShutdownTime, Today() + TimeSerial(22, 0, 0));
    EXPECT_EQ(f.Timer1_Interval, 60000);
    EXPECT_TRUE(f.Timer1_Enabled);
    EXPECT_EQ(f.StatusBar1_Text, "Shutdown Windows on 12/8/2026 22:00");

    cAmbrelOptions edit(registry, app);
    edit.GetOptions(false);
    edit.ShutWindowsTime("9:00 AM");
    edit.SaveOptions();
    f.LoadSettings();
    EXPECT_DOUBLE_EQ(f.ScheduledShutdownTime, Today() + 1 + TimeSerial(9, 0, 0)) << "passed today: tomorrow";

    edit.ShutWindowsTime("teatime");
    edit.SaveOptions();
    f.LoadSettings();
    EXPECT_DOUBLE_EQ(f.ScheduledShutdownTime, Today() + 1 + TimeSerial(9, 0, 0)) << "kept as it was";

    StoreOptions([](cAmbrelOptions& o) {
        o.ShutWindowsOnTime(true);
        o.ShutWindowsTime("teatime");
    });
    frmAmbrel& fresh = Start();
    EXPECT_FALSE(fresh.Timer1_Enabled) << "no time was ever read: nothing is scheduled";
    EXPECT_EQ(fresh.StatusBar1_Text, "Waiting for Windows to shut down...");
}

TEST_F(Monitor, MenuEntriesStartMaintenanceAskToHideAndShowHelp) {
    StoreOptions([](cAmbrelOptions& o) { o.RunMinimized("T"); });
    frmAmbrel& f = Start();
    f.cSysTray1_MouseDown(1);
    f.picWait_MouseDown(1);
    f.picWait_MouseDown(2);
    EXPECT_EQ(view.MenusShown, 2) << "any button on the tray icon, the right one on the picture";

    f.mMaintenance_Click();
    ASSERT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(processes.Started[0].CommandLine, "C:\\Ambrel\\corvane.exe");
    EXPECT_EQ(processes.Started[0].ShowState, 1);
    processes.Missing.insert("C:\\Ambrel\\corvane.exe");
    f.mMaintenance_Click();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("File not found"), std::string::npos) << ui.Boxes[0].Text;
    EXPECT_NE(Log().find("Error number:  53"), std::string::npos);

    ui.Answers = {kAnswerNo};
    f.mRunInBkgrnd_Click();
    EXPECT_EQ(ui.Boxes.back().Text, "Run 'Ambrel' in the background?");
    EXPECT_EQ(ui.Boxes.back().Style, 292);
    EXPECT_EQ(f.Mode, WindowMode::Minimized);
    f.cSysTray1_InTray = true;
    ui.Answers = {kAnswerYes};
    f.mRunInBkgrnd_Click();
    EXPECT_FALSE(f.cSysTray1_InTray);
    EXPECT_EQ(f.Mode, WindowMode::Hidden);

    f.mHelp_Click();
    EXPECT_EQ(view.HelpFile, "C:\\Ambrel\\AMBREL.CHM");
    EXPECT_EQ(view.HelpContext, 103u);
}

TEST_F(Monitor, PrivateMessagesRefreshAndCloseAndAreIgnoredOnceUnloaded) {
    StoreOptions();
    frmAmbrel& f = Start();
    cAmbrelOptions edit(registry, app);
    edit.GetOptions(false);
    edit.RunMinimized("T");
    edit.SaveOptions();
    EXPECT_TRUE(f.AmbrelWndProc(kWmAmbrelRefresh));
    EXPECT_EQ(f.Mode, WindowMode::Minimized) << "the changed option took effect";
    EXPECT_FALSE(f.AmbrelWndProc(0x0010)) << "other messages pass on";
    EXPECT_TRUE(f.AmbrelWndProc(kWmAmbrelClose));
    EXPECT_EQ(view.Unloads, 1);
    EXPECT_TRUE(f.AmbrelWndProc(kWmAmbrelRefresh));
    EXPECT_TRUE(f.AmbrelWndProc(kWmAmbrelClose));
    EXPECT_EQ(view.Unloads, 1) << "nothing happens once the procedure was put back";
}

// ---------------------------------------------------------------------------
// Handlers that run while the list runs

TEST_F(Monitor, OptionsSavedWhileACommandRunsWaitForTheEndOfTheRun) {
    StoreOptions();
    StoreCommands({Cmd("first"), Cmd("second")});
    frmAmbrel& f = Start();
    // The maintenance program saves a longer list and announces it while the
    // first command runs.
    processes.OnStart = [&](const std::string& command) {
        if (command != "first") return;
        std::vector<StoredCommand> longer;
        for (int i = 0; i < 20; ++i) longer.push_back(Cmd("more" + std::to_string(i)));
        StoreCommands(longer);
        f.AmbrelWndProc(kWmAmbrelRefresh);
    };
    int cancel = -1;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(processes.CommandLines(), (std::vector<std::string>{"first", "second"}))
        << "the run goes on with the list it was built with";
}

TEST_F(Monitor, ExecutePressedTwiceRunsTheListOnceAndCancelStopsARunningList) {
    StoreOptions([](cAmbrelOptions& o) { o.QueryClose(true); });
    StoreCommands({Cmd("first"), Cmd("second")});
    frmAmbrel& f = Start();
    processes.OnStart = [&](const std::string& command) {
        if (command == "first") f.cmd_execute_procedures_Click();  // pressed again while it runs
    };
    view.OnServe = [&] { f.cmd_execute_procedures_Click(); };
    int cancel = -1;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(processes.CommandLines(), (std::vector<std::string>{"first", "second"}));

    processes.Started.clear();
    processes.OnStart = [&](const std::string& command) {
        if (command == "first") f.cmd_cancel_shutdown_Click();
    };
    cancel = -1;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 1) << "Cancel Shut Down during the run refuses the end";
    EXPECT_EQ(processes.CommandLines(), std::vector<std::string>{"first"});
}

TEST_F(Monitor, ASessionEndRefusedElsewhereDoesNotListTheCommandsTwice) {
    StoreOptions();
    StoreCommands({Cmd("only")});
    frmAmbrel& f = Start();
    int cancel = -1;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    f.SessionEndRefused();
    EXPECT_TRUE(f.Lv_ExecuteList.empty()) << "waiting again after the refusal";
    EXPECT_TRUE(f.picWait_Visible);
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(processes.CommandLines(), (std::vector<std::string>{"only", "only"})) << "once per session end";
}

TEST_F(Monitor, ABlankEntryInTheListDoesNotShiftTheCountersOntoAnotherCommand) {
    StoreOptions();
    StoreCommands({Cmd("A"), Cmd("   "), Cmd("B"), Cmd("C")});
    // Saved lists never hold blank entries; this one came from elsewhere.
    frmAmbrel& f = Start();
    int cancel = -1;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    auto stored = StoredCommands();
    ASSERT_EQ(stored.size(), 3u);
    for (const auto& c : stored) {
        EXPECT_EQ(c.Settings.RunCount, 1) << c.Strings.CommandLine;
        EXPECT_EQ(c.Settings.LastRunDate, Today()) << c.Strings.CommandLine;
    }
}

}  // namespace
}  // namespace ambrel::testing
