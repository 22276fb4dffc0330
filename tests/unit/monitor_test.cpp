// The monitor's main window played through its handlers: the doubles stand in
// for the registry, the disk, the user, the programs it starts and Windows.

#include <gtest/gtest.h>

#include "doubles/fake_system_facts.h"
#include "doubles/memory_files.h"
#include "doubles/memory_registry.h"
#include "doubles/monitor_doubles.h"
#include "doubles/scripted_session.h"
#include "doubles/scripted_ui.h"
#include "monitor/frmAmbrel.h"
#include "shared/CommandFiles.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel::testing {
namespace {

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kLog = "C:\\Ambrel\\Data\\ambrel.log";

class DatedRegional final : public IRegionalSettings {
public:
    std::string GeneralDate(double date) override {
        DateParts p = SplitDate(date);
        return std::to_string(p.Month) + "/" + std::to_string(p.Day) + "/" + std::to_string(p.Year) + " " +
               std::to_string(p.Hour) + ":" + (p.Minute < 10 ? "0" : "") + std::to_string(p.Minute);
    }
};

struct CommandSpec {
    std::string CommandLine;
    std::int16_t Run = 1;
    std::int16_t RunFrequency = 1;
    std::int16_t RunDay = 0;
    std::int16_t RunLimit = 0;
    std::int16_t RunCount = 0;
    double LastRunDaysAgo = 1;
    std::int16_t ShowMessageWhen = 0;
    std::int16_t MessageStyle = 0;
    std::int16_t Actions[3] = {1, 2, 3};
    std::string UserActions[3];
};

class Monitor : public ::testing::Test {
protected:
    Monitor() {
        registry.PutString(kRootCurrentUser, kShellFolders, "Programs", "C:\\Start Menu\\Programs");
        registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "C:\\Start Menu\\Programs\\Startup");
        files.AddFolder("C:\\Ambrel\\Data");
        facts.Version.PlatformId = kPlatformWindows;
        facts.Version.MajorVersion = 4;
        facts.Version.MinorVersion = 10;
    }

    // Options as the maintenance program stores them, then changed by `edit`.
    void StoreOptions(const std::function<void(cAmbrelOptions&)>& edit = nullptr) {
        cAmbrelOptions options(registry, app);
        options.GetOptions(true);
        options.ShutdownOption(3);
        options.QueryClose(false);
        options.Logging(3);
        options.LogDir(kLog);
        if (edit) edit(options);
        options.SaveOptions();
        // The maintenance program saves a command list with its options.
        if (!files.FileExists("C:\\Ambrel\\Data\\ambrel.sds")) StoreCommands({});
    }

    void StoreCommands(const std::vector<CommandSpec>& specs) {
        std::vector<CommandPair> pairs;
        for (const auto& spec : specs) {
            CommandPair pair;
            pair.Settings = NewCommandSettings(Today() - spec.LastRunDaysAgo);
            pair.Settings.Run = spec.Run;
            pair.Settings.RunFrequency = spec.RunFrequency;
            pair.Settings.RunDay = spec.RunDay;
            pair.Settings.RunLimit = spec.RunLimit;
            pair.Settings.RunCount = spec.RunCount;
            pair.Settings.ShowMessageWhen = spec.ShowMessageWhen;
            pair.Settings.MessageStyle = spec.MessageStyle;
            pair.Settings.Action1 = spec.Actions[0];
            pair.Settings.Action2 = spec.Actions[1];
            pair.Settings.Action3 = spec.Actions[2];
            pair.Strings.CommandLine = spec.CommandLine;
            pair.Strings.MessageText = "About " + spec.CommandLine;
            pair.Strings.UserAction1 = spec.UserActions[0];
            pair.Strings.UserAction2 = spec.UserActions[1];
            pair.Strings.UserAction3 = spec.UserActions[2];
            pairs.push_back(pair);
        }
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        CommandFileNames names = SetCommandFiles(true, "C:\\Ambrel", "alice");
        ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "corvane", names, pairs, "corvane"));
    }

    // The stored command list, as the maintenance program would load it.
    std::vector<CommandPair> StoredCommands() {
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        std::vector<CommandPair> loaded;
        LoadCommandList(files, logger, SetCommandFiles(true, "C:\\Ambrel", "alice"),
                        [&](int, const CommandSettings& s, const CommandStrings& t) { loaded.push_back({s, t}); },
                        "test");
        return loaded;
    }

    double Today() const { return DateOnly(clock.Time); }

    frmAmbrel& Start(const std::string& commandLine = "") {
        form = std::make_unique<frmAmbrel>(ports, view);
        started = form->Form_Load(commandLine);
        return *form;
    }

    std::string Log() { return files.ContentOr(kLog, ""); }

    MemoryRegistry registry;
    FakeSystemFacts facts;
    MemoryFileSystem files;
    FakeClock clock{DateSerial(2026, 12, 8) + TimeSerial(10, 0, 0)};  // a Tuesday
    DatedRegional regional;
    ScriptedUserInteraction ui;
    FakeInstanceGuard instance;
    RecordingProcesses processes;
    FakeShellLinks links;
    ScriptedSession session;
    AppIdentity app{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};
    MonitorPorts ports{registry, facts, files, clock, regional, ui, instance, processes, links, session, app, {}};
    FakeAmbrelView view;
    std::unique_ptr<frmAmbrel> form;
    bool started = false;
};

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
        o.TimeOutProgramMinutes("90.6");
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
    EXPECT_EQ(f.TimeOutMinutes, 91);
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
    EXPECT_FALSE(fresh.ScheduledTimeKnown) << "no time was ever read";
}

TEST_F(Monitor, MenuEntriesStartMaintenanceAskToHideAndShowHelp) {
    StoreOptions();
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
    EXPECT_TRUE(f.cSysTray1_InTray);
    ui.Answers = {kAnswerYes};
    f.mRunInBkgrnd_Click();
    EXPECT_FALSE(f.cSysTray1_InTray);
    EXPECT_EQ(f.Mode, WindowMode::Hidden);

    f.mHelp_Click();
    EXPECT_EQ(view.HelpFile, "C:\\Ambrel\\AMBREL.HLP");
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

}  // namespace
}  // namespace ambrel::testing
