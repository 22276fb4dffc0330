// The execution run and the answer to the end of the session, played through
// the monitor's handlers over doubles: which rows the list gets, which
// commands run in which order, what the messages' buttons do, what is written
// back to the stored list, and how the end of the session is answered.

#include "unit/monitor_fixture.h"

#include "shared/errors.h"

namespace ambrel::testing {
namespace {

const std::string kShutdownFolder = "C:\\Start Menu\\Programs\\Shutdown";

class ExecutionRun : public Monitor {
protected:
    // A due command, last run yesterday, as the maintenance program adds it.
    CommandPair Cmd(const std::string& commandLine) {
        CommandPair c;
        c.Settings = NewCommandSettings(Today() - 1);
        c.Strings.CommandLine = commandLine;
        c.Strings.MessageText = "About " + commandLine;
        return c;
    }
    // A command with a Yes/No/Cancel message before (1) or after (2) its run;
    // Yes, No and Cancel press buttons 1, 2 and 3.
    CommandPair Asking(const std::string& commandLine, std::int16_t when, std::int16_t yes, std::int16_t no = 1,
                       std::int16_t cancel = 1) {
        CommandPair c = Cmd(commandLine);
        c.Settings.ShowMessageWhen = when;
        c.Settings.MessageStyle = kMbYesNoCancel;
        c.Settings.Action1 = yes;
        c.Settings.Action2 = no;
        c.Settings.Action3 = cancel;
        return c;
    }

    void Store(const std::vector<CommandPair>& commands) {
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "corvane", SetCommandFiles(true, "C:\\Ambrel", "alice"),
                                    commands, "corvane"));
        stored = commands;
    }

    // Options (confirmation off, option 3 unless edited), the list, a started monitor.
    frmAmbrel& Ready(const std::vector<CommandPair>& commands,
                     const std::function<void(cAmbrelOptions&)>& edit = nullptr) {
        StoreOptions(edit);
        Store(commands);
        frmAmbrel& f = Start();
        EXPECT_TRUE(started);
        return f;
    }

    std::int16_t RunList() {
        form->ListDone = false;
        return form->RunExecuteList();
    }

    std::vector<std::string> Ran() const { return processes.CommandLines(); }

    // The stored record of a command after `runs` counted runs today.
    CommandSettings CountedToday(const CommandSettings& before, std::int16_t runs) const {
        CommandSettings after = before;
        after.RunCount = before.LastRunDate == Today() ? before.RunCount + runs : runs;
        after.LastRunDate = Today();
        return after;
    }

    // Where `text` is in the log, npos when it is not.
    std::size_t InLog(const std::string& text) { return Log().find(text); }

    std::vector<CommandPair> stored;
};

using Strings = std::vector<std::string>;

// ---------------------------------------------------------------------------
// The rows of the list

TEST_F(ExecutionRun, CommandRowsCarryRunStatePlaceAndIndexAndBlankLinesTakeNone) {
    CommandPair off = Cmd("b.exe");
    off.Settings.Run = 0;
    frmAmbrel& f = Ready({Cmd("a.exe"), Cmd("   "), off, Cmd("c.exe")});
    f.BuildExecuteList();

    ASSERT_EQ(f.Lv_ExecuteList.size(), 3u);
    struct Row {
        const char *text;
        int icon;
        const char *line, *priority, *tag;
    };
    const Row expected[] = {{"Yes..", 1, "a.exe", "0010", "0"}, {"No...", 2, "b.exe", "0020", "1"},
                            {"Yes..", 1, "c.exe", "0030", "2"}};
    for (std::size_t i = 0; i < 3; ++i) {
        const ExecuteRow& row = f.Lv_ExecuteList[i];
        EXPECT_EQ(row.Text, expected[i].text) << i;
        EXPECT_EQ(row.SmallIcon, expected[i].icon) << i;
        EXPECT_EQ(row.CommandLine, expected[i].line) << i;
        EXPECT_EQ(row.Priority, expected[i].priority) << i;
        EXPECT_EQ(row.Kind, "C") << i;
        EXPECT_EQ(row.Tag, expected[i].tag) << i;
    }
    EXPECT_TRUE(f.CommandLinesListed);
    EXPECT_FALSE(f.ShortcutsListed);
    ASSERT_EQ(f.CommandStringsList.size(), 3u);
    EXPECT_EQ(f.CommandStringsList[1].CommandLine, "b.exe");
    EXPECT_EQ(f.CommandSettingsList[1].Run, 0);
    EXPECT_EQ(f.CommandRecords, (std::vector<int>{0, 2, 3})) << "the blank one keeps its record";
}

TEST_F(ExecutionRun, TheShutdownFoldersVisibleFilesComeFirstAsShortcutRows) {
    files.AddFile(kShutdownFolder + "\\Backup.lnk", "");
    files.AddFile(kShutdownFolder + "\\archive.bat", "");
    files.AddFile(kShutdownFolder + "\\desktop.ini", "", true);
    frmAmbrel& f = Ready({Cmd("a.exe")}, [](cAmbrelOptions& o) { o.RunCommands("B"); });
    f.BuildExecuteList();

    ASSERT_EQ(f.Lv_ExecuteList.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ExecuteRow& row = f.Lv_ExecuteList[i];
        EXPECT_EQ(row.Text, "Yes..");
        EXPECT_EQ(row.SmallIcon, 1);
        EXPECT_EQ(row.Priority, "") << "shortcut rows have no priority";
        EXPECT_EQ(row.Kind, "S");
        EXPECT_EQ(row.Tag, "");
    }
    EXPECT_EQ(f.Lv_ExecuteList[0].CommandLine, "archive.bat");
    EXPECT_EQ(f.Lv_ExecuteList[1].CommandLine, "Backup.lnk");
    EXPECT_EQ(f.Lv_ExecuteList[2].Priority, "0010") << "numbered among the command lines only";
    EXPECT_EQ(f.Lv_ExecuteList[2].Tag, "0");
    EXPECT_TRUE(f.ShortcutsListed);

    // Shortcuts only: no command rows, and the settings file is not needed.
    StoreOptions([](cAmbrelOptions& o) { o.RunCommands("S"); });
    frmAmbrel& shortcutsOnly = Start();
    shortcutsOnly.BuildExecuteList();
    EXPECT_EQ(shortcutsOnly.Lv_ExecuteList.size(), 2u);
    EXPECT_FALSE(shortcutsOnly.CommandLinesListed);
}

TEST_F(ExecutionRun, AMissingShutdownFolderIsReportedEachTimeAndTheTrayIconGoes) {
    frmAmbrel& f = Ready({Cmd("a.exe")}, [](cAmbrelOptions& o) { o.RunCommands("B"); });
    ui.Boxes.clear();
    ASSERT_TRUE(f.cSysTray1_InTray);

    EXPECT_EQ(RunList(), 0);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text,
              "The Shutdown Directory wasn't found.\r\n\r\nPlease run Ambrel Maintenance before proceding.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
    EXPECT_FALSE(f.cSysTray1_InTray);
    EXPECT_FALSE(f.ShortcutsListed);
    EXPECT_EQ(Ran(), Strings{"a.exe"}) << "the command lines still run";

    f.EnterWaitState();
    EXPECT_TRUE(f.cSysTray1_InTray) << "waiting puts the icon back";
    EXPECT_EQ(ui.Boxes.size(), 2u) << "building the list again reports it again";
}

// ---------------------------------------------------------------------------
// Which commands run, in which order, and what is written back

TEST_F(ExecutionRun, DueCommandsRunInListOrderAndTheOthersAreLeftOut) {
    auto every = [&](const std::string& line, std::int16_t frequency, std::int16_t day, std::int16_t yearDay = 0) {
        CommandPair c = Cmd(line);
        c.Settings.RunFrequency = frequency;
        c.Settings.RunDay = day;
        c.Settings.RunYearDay = yearDay;
        return c;
    };
    CommandPair off = Cmd("off.exe");
    off.Settings.Run = 0;
    // Today is Tuesday 8 December 2026.
    frmAmbrel& f = Ready({every("daily", 1, 0), off, every("monday", 2, 2), every("tuesday", 2, 3),
                          every("the8th", 3, 8), every("the9th", 3, 9), every("dec8", 4, 12, 8),
                          every("aug12", 4, 8, 12), every("unknown", 7, 0), every("sunday", 2, 1)});
    EXPECT_EQ(RunList(), 0);
    EXPECT_EQ(Ran(), (Strings{"daily", "tuesday", "the8th", "dec8", "unknown"}));
    EXPECT_LT(InLog("Executed daily"), InLog("Executed tuesday"));
    EXPECT_EQ(InLog("Executed off.exe"), std::string::npos);
    EXPECT_EQ(InLog("Executed monday"), std::string::npos);

    clock.Time = DateSerial(2026, 12, 13) + TimeSerial(10, 0, 0);  // Sunday
    processes.Started.clear();
    f.ClearExecuteList();
    RunList();
    EXPECT_EQ(Ran(), (Strings{"daily", "unknown", "sunday"}));
}

TEST_F(ExecutionRun, TheDailyLimitCountsTodaysRunsOnly) {
    auto limited = [&](const std::string& line, std::int16_t limit, std::int16_t count, double lastRun) {
        CommandPair c = Cmd(line);
        c.Settings.RunLimit = limit;
        c.Settings.RunCount = count;
        c.Settings.LastRunDate = lastRun;
        return c;
    };
    Ready({limited("twice-today", 2, 2, Today()), limited("once-today", 2, 1, Today()),
           limited("no-limit", 0, 50, Today()), limited("twice-yesterday", 2, 2, Today() - 1)});
    RunList();
    EXPECT_EQ(Ran(), (Strings{"once-today", "no-limit", "twice-yesterday"}));

    std::vector<CommandPair> now = StoredCommands();
    ASSERT_EQ(now.size(), 4u);
    EXPECT_EQ(now[0].Settings, stored[0].Settings) << "skipped, not counted";
    EXPECT_EQ(now[1].Settings.RunCount, 2);
    EXPECT_EQ(now[2].Settings.RunCount, 51);
    EXPECT_EQ(now[3].Settings.RunCount, 1) << "a new day counts from 1";
    EXPECT_EQ(now[3].Settings.LastRunDate, Today());

    // A second run the same day: the one that reached its limit is skipped now.
    processes.Started.clear();
    form->ClearExecuteList();
    RunList();
    EXPECT_EQ(Ran(), (Strings{"no-limit", "twice-yesterday"}));
}

TEST_F(ExecutionRun, OnlyTheRecordsOfCommandsThatRanChange) {
    CommandPair off = Cmd("off.exe");
    off.Settings.Run = 0;
    CommandPair ran = Cmd("ran.exe");
    ran.Settings.RunCount = 9;
    ran.Settings.RunLimit = 3;  // last run yesterday: the limit does not hold
    Ready({off, ran, Cmd("also.exe")});
    const std::string stringsBefore = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sds");
    RunList();

    std::vector<CommandPair> now = StoredCommands();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].Settings, stored[0].Settings);
    EXPECT_EQ(now[1].Settings, CountedToday(stored[1].Settings, 1));
    EXPECT_EQ(now[2].Settings, CountedToday(stored[2].Settings, 1));
    EXPECT_EQ(files.ContentOr("C:\\Ambrel\\Data\\ambrel.sds"), stringsBefore) << "the strings are left alone";
    EXPECT_EQ(files.OpenFiles(), 1) << "only the log stays open";
}

TEST_F(ExecutionRun, CountersGoToTheCommandsOwnRecordWhenABlankLineComesBefore) {
    // A list from elsewhere may hold a blank command line: it takes no row,
    // but it still takes a record in the settings file.
    CommandPair blank = Cmd("  ");
    blank.Settings.RunCount = 7;
    Ready({blank, Cmd("a.exe"), Cmd("b.exe")});
    const std::string settingsBefore = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sdd");
    RunList();
    EXPECT_EQ(Ran(), (Strings{"a.exe", "b.exe"}));

    const std::string settingsAfter = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sdd");
    ASSERT_EQ(settingsAfter.size(), 3 * kSettingsRecordSize);
    EXPECT_EQ(settingsAfter.substr(0, kSettingsRecordSize), settingsBefore.substr(0, kSettingsRecordSize))
        << "the blank command's record is untouched";
    EXPECT_EQ(ParseSettings(reinterpret_cast<const unsigned char*>(settingsAfter.data()) + kSettingsRecordSize),
              CountedToday(stored[1].Settings, 1));
    EXPECT_EQ(ParseSettings(reinterpret_cast<const unsigned char*>(settingsAfter.data()) + 2 * kSettingsRecordSize),
              CountedToday(stored[2].Settings, 1));
}

TEST_F(ExecutionRun, ASaveDuringTheRunMovesTheCountersWithTheirCommands) {
    CommandPair a = Cmd("a.exe"), b = Cmd("b.exe"), off = Cmd("off.exe"), gone = Cmd("gone.exe");
    a.Settings.RunCount = 4;
    off.Settings.Run = 0;
    Ready({a, b, off, gone});
    // While a.exe runs, the maintenance program saves the list reordered,
    // without gone.exe, under the lock that the monitor must not hold now.
    const std::vector<CommandPair> reordered = {off, b, a};
    std::string savedSettings;
    processes.OnStart = [&](const std::string& command) {
        EXPECT_FALSE(listLock.Held()) << command;
        if (command != "a.exe") return;
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "corvane", SetCommandFiles(true, "C:\\Ambrel", "alice"),
                                    reordered, "corvane", &listLock));
        savedSettings = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sdd");
    };
    files.OpenFault = [&](const std::string& path, FileMode) {
        EXPECT_TRUE(path.find("ambrel.sd") == std::string::npos || listLock.Held()) << path;
        return 0L;
    };
    ui.Boxes.clear();
    RunList();
    files.OpenFault = nullptr;
    EXPECT_EQ(Ran(), (Strings{"a.exe", "b.exe", "gone.exe"}));
    EXPECT_TRUE(ui.Boxes.empty()) << "a command no longer listed is not counted, and that is no error";

    const std::string now = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sdd");
    ASSERT_EQ(now.size(), 3 * kSettingsRecordSize);
    EXPECT_EQ(now.substr(0, kSettingsRecordSize), savedSettings.substr(0, kSettingsRecordSize))
        << "the command that did not run keeps its record byte for byte";
    std::vector<CommandPair> stored = StoredCommands();
    EXPECT_EQ(stored[1].Settings, CountedToday(b.Settings, 1));
    EXPECT_EQ(stored[2].Settings, CountedToday(a.Settings, 1));
    EXPECT_FALSE(listLock.Held());
    EXPECT_EQ(listLock.Acquisitions, listLock.Releases);
}

TEST_F(ExecutionRun, AFailedCommandIsLoggedAndShownAndTheRunGoesOn) {
    processes.Missing.insert("gone.exe");
    Ready({Cmd("gone.exe"), Cmd("next.exe")});
    ui.Boxes.clear();
    EXPECT_EQ(RunList(), 0);
    EXPECT_EQ(Ran(), Strings{"next.exe"});
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Couldn't execute gone.exe");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical | kMbOkOnly);
    EXPECT_NE(InLog("Error: Couldn't execute gone.exe"), std::string::npos);
    EXPECT_EQ(InLog("Executed gone.exe"), std::string::npos);
    EXPECT_NE(InLog("Executed next.exe"), std::string::npos);
}

// A list that may not be changed still runs: its runs go unrecorded, and
// that is logged once, with no box to hold up the rest. Without the lock
// nothing runs.
TEST_F(ExecutionRun, AListThatCannotBeWrittenStillRunsAndSaysSoOnceInTheLog) {
    struct Case {
        const char* what;
        std::function<void()> fault;
        Strings ran;
        const char* box;
    };
    auto refuseSettings = [&](long error) {
        files.OpenFault = [error](const std::string& path, FileMode mode) {
            return path == "C:\\Ambrel\\Data\\ambrel.sdd" && mode != FileMode::Read ? error : 0L;
        };
    };
    const Case cases[] = {
        {"settings file opens only for reading", [&] { refuseSettings(kErrPermissionDenied); }, {"a.exe", "b.exe"},
         nullptr},
        {"the record cannot be written once the run is under way",
         [&] { processes.OnStart = [&](const std::string&) { refuseSettings(kErrPathFileAccess); }; },
         {"a.exe", "b.exe"}, nullptr},
        {"the lock not had in time", [&] { listLock.Refuse = true; }, {}, "Error number: \t70"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Ready({Cmd("a.exe"), Cmd("b.exe")});
        form->BuildExecuteList();
        processes.Started.clear();
        const std::string before = Log();
        k.fault();
        ui.Boxes.clear();
        form->ExecuteList();
        EXPECT_EQ(Ran(), k.ran);
        if (k.box) {
            ASSERT_EQ(ui.Boxes.size(), 1u);
            EXPECT_NE(ui.Boxes[0].Text.find(k.box), std::string::npos) << ui.Boxes[0].Text;
        } else {
            EXPECT_TRUE(ui.Boxes.empty());
            const std::string added = Log().substr(before.size());
            const std::size_t first = added.find("cannot be recorded");
            ASSERT_NE(first, std::string::npos) << added;
            EXPECT_EQ(added.find("cannot be recorded", first + 1), std::string::npos) << "logged twice: " << added;
        }
        EXPECT_EQ(form->SessionEndOutcome, 0);
        EXPECT_FALSE(listLock.Held());
        files.OpenFault = nullptr;
        processes.OnStart = nullptr;
        listLock.Refuse = false;
    }
}

TEST_F(ExecutionRun, ShutdownFolderFilesRunWithTheLastShortcutsShowCommand) {
    files.AddFile(kShutdownFolder + "\\a.lnk", "");
    files.AddFile(kShutdownFolder + "\\b.bat", "");
    files.AddFile(kShutdownFolder + "\\c.lnk", "");  // unreadable: told, and nothing runs
    files.AddFile(kShutdownFolder + "\\d.bat", "");
    ShortcutFields target;
    target.TargetPath = std::string("C:\\tools\\t.exe") + '\0' + "junk";
    target.Arguments = "-x";
    target.ShowCommand = 3;
    links.Links[kShutdownFolder + "\\a.lnk"] = target;
    processes.Missing.insert(kShutdownFolder + "\\d.bat");
    Ready({}, [](cAmbrelOptions& o) { o.RunCommands("S"); });
    ui.Boxes.clear();

    EXPECT_EQ(RunList(), 0);
    ASSERT_EQ(processes.Started.size(), 2u);
    EXPECT_EQ(processes.Started[0].CommandLine, "C:\\tools\\t.exe -x");
    EXPECT_EQ(processes.Started[0].ShowState, 3);
    EXPECT_EQ(processes.Started[1].CommandLine, kShutdownFolder + "\\b.bat");
    EXPECT_EQ(processes.Started[1].ShowState, 3) << "a plain file keeps the style last set";
    EXPECT_NE(InLog("Executed C:\\tools\\t.exe -x"), std::string::npos);
    // The unreadable shortcut is told as a program that cannot start; a
    // failed start is shown twice: by the logger and once more by the run.
    ASSERT_EQ(ui.Boxes.size(), 3u);
    const std::string unreadable = "Couldn't execute " + kShutdownFolder + "\\c.lnk: the shortcut cannot be read";
    EXPECT_EQ(ui.Boxes[0].Text, unreadable);
    EXPECT_NE(InLog(unreadable), std::string::npos);
    EXPECT_EQ(ui.Boxes[1].Text, "Couldn't execute " + kShutdownFolder + "\\d.bat");
    EXPECT_EQ(ui.Boxes[2].Text, ui.Boxes[1].Text);
    EXPECT_EQ(ui.Boxes[2].Style, kMbCritical);
}

TEST_F(ExecutionRun, CommandLinesRunWithTheirWindowStyleOrTheirShortcutsShowCommand) {
    CommandPair plain = Cmd("plain.exe");
    plain.Settings.WindowStyle = 3;
    // A style the editor never stores (0, a hidden window) runs as a normal
    // window: any user may rewrite the all-users settings records.
    CommandPair hidden = Cmd("hidden.exe");
    hidden.Settings.WindowStyle = 0;
    CommandPair shortcut = Cmd("C:\\Links\\Tool.LNK");
    shortcut.Settings.WindowStyle = 6;
    ShortcutFields fields;
    fields.TargetPath = "C:\\tool.exe";
    fields.Arguments = "/q";
    fields.ShowCommand = 7;
    links.Links["C:\\Links\\Tool.LNK"] = fields;
    Ready({plain, hidden, shortcut});
    RunList();
    ASSERT_EQ(processes.Started.size(), 3u);
    EXPECT_EQ(processes.Started[0].ShowState, 3);
    EXPECT_EQ(processes.Started[1].ShowState, 1);
    EXPECT_EQ(processes.Started[2].CommandLine, "C:\\tool.exe /q");
    EXPECT_EQ(processes.Started[2].ShowState, 7);
    EXPECT_NE(InLog("Executed C:\\tool.exe /q"), std::string::npos);
}

// Every start names its program exactly: where C:\Program.exe exists, an
// unquoted path with blanks, a shortcut's target under such a folder and the
// monitor's own start of the maintenance program still start theirs.
TEST_F(ExecutionRun, EveryStartNamesItsProgramExactly) {
    for (const char* path : {"C:\\Program.exe", "C:\\Program Files\\App\\app.exe", "C:\\Program Files\\Tool\\tool.exe"})
        files.AddFile(path, "MZ");
    processes.IsFile = [this](const std::string& path) { return files.FileExists(path); };
    ShortcutFields fields;
    fields.TargetPath = "C:\\Program Files\\Tool\\tool.exe";
    fields.Arguments = "/q";
    links.Links["C:\\Links\\Tool.lnk"] = fields;
    Ready({Cmd("C:\\Program Files\\App\\app.exe /x"), Cmd("\"C:\\Program Files\\App\\app.exe\" /y"),
           Cmd("C:\\Links\\Tool.lnk")});
    RunList();
    form->mMaintenance_Click();
    std::vector<std::string> programs;
    for (const auto& start : processes.Started) programs.push_back(start.Program);
    EXPECT_EQ(programs, (Strings{"C:\\Program Files\\App\\app.exe", "C:\\Program Files\\App\\app.exe",
                                 "C:\\Program Files\\Tool\\tool.exe", "C:\\Ambrel\\corvane.exe"}));
    EXPECT_EQ(processes.Started[2].CommandLine, "\"C:\\Program Files\\Tool\\tool.exe\" /q");
}

// ---------------------------------------------------------------------------
// The messages' buttons

TEST_F(ExecutionRun, AMessageBeforeTheRunDecidesWhetherTheCommandRuns) {
    struct Case {
        std::int16_t action;
        Strings ran;
        bool counted;
    };
    // Rows: the asking command, then "after.exe".
    for (Case c : {Case{kActionContinue, {"asking.exe", "after.exe"}, true},
                   Case{kActionSkipNext, {"after.exe"}, true},
                   Case{kActionNoMore, {}, true},
                   Case{kActionCancelShutdown, {}, false}}) {
        processes.Started.clear();
        Ready({Asking("asking.exe", 1, c.action), Cmd("after.exe")});
        ui.Boxes.clear();
        ui.Answers = {kAnswerYes};
        std::int16_t outcome = RunList();
        EXPECT_EQ(Ran(), c.ran) << c.action;
        EXPECT_EQ(outcome, c.action == kActionCancelShutdown ? 1 : 0) << c.action;
        ASSERT_FALSE(ui.Boxes.empty());
        EXPECT_EQ(ui.Boxes[0].Text, "About asking.exe");
        EXPECT_EQ(ui.Boxes[0].Style, kMbYesNoCancel);
        EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
        EXPECT_EQ(StoredCommands()[0].Settings.RunCount, c.counted ? 1 : 0) << c.action;
    }
}

TEST_F(ExecutionRun, AMessageAfterTheRunDecidesWhatFollows) {
    struct Case {
        std::int16_t action;
        Strings ran;
        int outcome;
    };
    // Rows: "first.exe", the asking command, "skipped-or-not.exe", "last.exe".
    for (Case c : {Case{kActionContinue, {"first.exe", "asking.exe", "third.exe", "last.exe"}, 0},
                   Case{kActionSkipNext, {"first.exe", "asking.exe", "last.exe"}, 0},
                   Case{kActionNoMore, {"first.exe", "asking.exe"}, 0},
                   Case{kActionCancelShutdown, {"first.exe", "asking.exe"}, 1}}) {
        processes.Started.clear();
        Ready({Cmd("first.exe"), Asking("asking.exe", 2, c.action), Cmd("third.exe"), Cmd("last.exe")});
        ui.Answers = {kAnswerYes};
        EXPECT_EQ(RunList(), c.outcome) << c.action;
        EXPECT_EQ(Ran(), c.ran) << c.action;
        EXPECT_EQ(StoredCommands()[1].Settings.RunCount, c.outcome == 1 ? 0 : 1) << c.action;
    }
}

TEST_F(ExecutionRun, AButtonWithoutAKnownActionLetsTheCommandRun) {
    Ready({Asking("before.exe", 1, 0), Asking("after.exe", 2, 9), Cmd("last.exe")});
    ui.Answers = {kAnswerYes, kAnswerYes};
    EXPECT_EQ(RunList(), 0);
    EXPECT_EQ(Ran(), (Strings{"before.exe", "after.exe", "last.exe"}));
}

TEST_F(ExecutionRun, UserDefinedActionsRunTheButtonsCommandInANormalWindow) {
    CommandPair before = Asking("before.exe", 1, 1, kActionUserDefined);
    before.Strings.UserAction2 = "notify.exe before";
    before.Settings.WindowStyle = 2;
    CommandPair after = Asking("after.exe", 2, 1, 1, kActionUserDefined);
    after.Strings.UserAction3 = "notify.exe after";
    after.Strings.UserAction1 = "not this one";
    processes.Missing.insert("broken.exe");
    CommandPair broken = Asking("third.exe", 1, kActionUserDefined);
    broken.Strings.UserAction1 = "broken.exe";
    Ready({before, after, broken});
    ui.Boxes.clear();
    ui.Answers = {kAnswerNo, kAnswerCancel, kAnswerYes};
    EXPECT_EQ(RunList(), 0);

    EXPECT_EQ(Ran(), (Strings{"notify.exe before", "before.exe", "after.exe", "notify.exe after", "third.exe"}));
    EXPECT_EQ(processes.Started[0].ShowState, 1);
    EXPECT_EQ(processes.Started[1].ShowState, 2);
    EXPECT_EQ(processes.Started[3].ShowState, 1);
    EXPECT_NE(InLog("Executed notify.exe before"), std::string::npos);
    EXPECT_NE(InLog("Executed notify.exe after"), std::string::npos);
    // The failed user action is reported and its command still runs.
    EXPECT_NE(InLog("Error: Couldn't execute broken.exe"), std::string::npos);
    EXPECT_EQ(ui.Boxes.back().Text, "Couldn't execute broken.exe");
    for (const CommandPair& c : StoredCommands()) EXPECT_EQ(c.Settings.RunCount, 1) << c.Strings.CommandLine;
}

TEST_F(ExecutionRun, RerunBeforeTheRunGoesBackToThePreviousRowFromTheThirdRowOn) {
    // On the second row: nothing is rerun, the asking command neither runs nor counts.
    Ready({Cmd("one"), Asking("two", 1, kActionRerunPrevious), Cmd("three")});
    ui.Answers = {kAnswerYes};
    RunList();
    EXPECT_EQ(Ran(), (Strings{"one", "three"}));
    EXPECT_EQ(StoredCommands()[1].Settings, stored[1].Settings);

    // On the third row: the second runs again, then the third asks again.
    processes.Started.clear();
    Ready({Cmd("one"), Cmd("two"), Asking("three", 1, kActionRerunPrevious)});
    ui.Boxes.clear();
    ui.Answers = {kAnswerYes, kAnswerNo};
    RunList();
    EXPECT_EQ(Ran(), (Strings{"one", "two", "two", "three"}));
    EXPECT_EQ(ui.Boxes.size(), 2u);
    std::vector<CommandPair> now = StoredCommands();
    EXPECT_EQ(now[0].Settings.RunCount, 1);
    EXPECT_EQ(now[1].Settings.RunCount, 2) << "run twice, counted twice";
    EXPECT_EQ(now[2].Settings.RunCount, 1) << "counted once, when it ran";
}

TEST_F(ExecutionRun, RerunAfterTheRunRepeatsTheRowExceptOnTheFirst) {
    // First row: the list goes on with the second row.
    Ready({Asking("one", 2, kActionRerunPrevious), Cmd("two")});
    ui.Answers = {kAnswerYes};
    RunList();
    EXPECT_EQ(Ran(), (Strings{"one", "two"}));
    EXPECT_EQ(StoredCommands()[0].Settings.RunCount, 1);

    // A later row runs again, and each run is counted in its record.
    processes.Started.clear();
    CommandPair repeated = Asking("two", 2, kActionRerunPrevious);
    repeated.Settings.RunLimit = 2;  // the limit keeps to the counters the list was built with
    Ready({Cmd("one"), repeated, Cmd("three")});
    ui.Answers = {kAnswerYes, kAnswerYes, kAnswerNo};
    RunList();
    EXPECT_EQ(Ran(), (Strings{"one", "two", "two", "two", "three"}));
    std::vector<CommandPair> now = StoredCommands();
    EXPECT_EQ(now[1].Settings, CountedToday(stored[1].Settings, 3));
    EXPECT_EQ(now[2].Settings, CountedToday(stored[2].Settings, 1));
}

// ---------------------------------------------------------------------------
// The confirmation window

class Confirmation : public ExecutionRun {
protected:
    frmAmbrel& ReadyToConfirm(const std::vector<CommandPair>& commands, std::function<void(frmAmbrel&)> user,
                              const std::string& runCommands = "C") {
        frmAmbrel& f = Ready(commands, [&](cAmbrelOptions& o) {
            o.QueryClose(true);
            o.RunCommands(runCommands);
        });
        view.OnServe = [this, &f, user] {
            // What the window shows while it waits.
            shownMode = f.Mode;
            toolbarShown = f.Toolbar1_Visible;
            waitPictureShown = f.picWait_Visible;
            ranBeforeAnswer = processes.Started.size();
            rowsShown = f.Lv_ExecuteList;
            user(f);
        };
        return f;
    }
    static Strings Lines(const std::vector<ExecuteRow>& rows) {
        Strings lines;
        for (const ExecuteRow& r : rows) lines.push_back(r.CommandLine);
        return lines;
    }
    static Strings Priorities(const std::vector<ExecuteRow>& rows) {
        Strings priorities;
        for (const ExecuteRow& r : rows) priorities.push_back(r.Priority);
        return priorities;
    }

    WindowMode shownMode = WindowMode::Hidden;
    bool toolbarShown = false, waitPictureShown = true;
    std::size_t ranBeforeAnswer = 99;
    std::vector<ExecuteRow> rowsShown;
};

TEST_F(Confirmation, ExecuteRunsTheListAndLetsTheSessionEnd) {
    ReadyToConfirm({Cmd("a.exe"), Cmd("b.exe")}, [](frmAmbrel& f) { f.cmd_execute_procedures_Click(); });
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(view.Waits, 1);
    EXPECT_TRUE(view.WaitEndedDone);
    EXPECT_EQ(shownMode, WindowMode::Normal);
    EXPECT_TRUE(toolbarShown);
    EXPECT_FALSE(waitPictureShown);
    EXPECT_EQ(ranBeforeAnswer, 0u) << "nothing runs before the answer";
    EXPECT_EQ(Lines(rowsShown), (Strings{"a.exe", "b.exe"}));
    EXPECT_EQ(Ran(), (Strings{"a.exe", "b.exe"}));
}

TEST_F(Confirmation, DontExecuteRunsNothingAndLetsTheSessionEnd) {
    ReadyToConfirm({Cmd("a.exe")}, [](frmAmbrel& f) { f.cmd_dont_execute_Click(); });
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(Ran().empty());
    EXPECT_EQ(StoredCommands()[0].Settings, stored[0].Settings);
}

TEST_F(Confirmation, CancelShutDownRefusesEmptiesTheListAndWaitsAgain) {
    ReadyToConfirm({Cmd("a.exe")}, [](frmAmbrel& f) { f.cmd_cancel_shutdown_Click(); });
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 1);
    EXPECT_TRUE(Ran().empty());
    EXPECT_TRUE(form->Lv_ExecuteList.empty());
    EXPECT_TRUE(form->picWait_Visible) << "waiting again";
    EXPECT_EQ(form->StatusBar1_Text, "Waiting for Windows to shut down...");
    EXPECT_EQ(view.Unloads, 0);

    // The next end of the session builds the list afresh.
    view.OnServe = [this] { rowsShown = form->Lv_ExecuteList; form->cmd_dont_execute_Click(); };
    form->Form_QueryUnload(cancel = 0, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(Lines(rowsShown), Strings{"a.exe"});
}

TEST_F(Confirmation, ACancellingMessageStopsTheRunAlsoFromTheExecuteButton) {
    ReadyToConfirm({Asking("asking.exe", 2, kActionCancelShutdown), Cmd("b.exe")},
                   [](frmAmbrel& f) { f.cmd_execute_procedures_Click(); });
    ui.Answers = {kAnswerYes};
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(Ran(), Strings{"asking.exe"});
    EXPECT_TRUE(form->Lv_ExecuteList.empty()) << "waiting again";
}

TEST_F(Confirmation, DoubleClickTogglesARowForThisRunOnly) {
    CommandPair off = Cmd("off.exe");
    off.Settings.Run = 0;
    ReadyToConfirm({Cmd("on.exe"), off, Cmd("kept.exe")}, [](frmAmbrel& f) {
        f.Lv_SelectedRow = 0;  // none selected: the first row
        f.Lv_ExecuteList_DblClick();
        f.Lv_SelectedRow = 2;
        f.Lv_ExecuteList_DblClick();
        f.cmd_execute_procedures_Click();
    });
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(Ran(), (Strings{"off.exe", "kept.exe"}));

    std::vector<CommandPair> now = StoredCommands();
    EXPECT_EQ(now[0].Settings, stored[0].Settings) << "toggled off: not run, not counted";
    EXPECT_EQ(now[1].Settings, CountedToday(stored[1].Settings, 1)) << "Run stays 0 in the store";

    // The rows show the toggle.
    ReadyToConfirm({Cmd("on.exe"), off}, [](frmAmbrel& f) {
        f.Lv_SelectedRow = 1;
        f.Lv_ExecuteList_DblClick();
        f.Lv_SelectedRow = 2;
        f.Lv_ExecuteList_DblClick();
        f.Lv_ExecuteList_DblClick();
        f.cmd_dont_execute_Click();
    });
    int again = 0;
    form->Form_QueryUnload(again, kUnloadAppWindows);
    ASSERT_EQ(form->Lv_ExecuteList.size(), 2u);
    EXPECT_EQ(form->Lv_ExecuteList[0].Text, "No...");
    EXPECT_EQ(form->Lv_ExecuteList[0].SmallIcon, 2);
    EXPECT_EQ(form->Lv_ExecuteList[1].Text, "No...") << "toggled twice";
    EXPECT_EQ(form->Lv_ExecuteList[1].SmallIcon, 2);

    // An empty list has nothing to toggle.
    form->ClearExecuteList();
    form->Lv_ExecuteList_DblClick();
    EXPECT_TRUE(form->Lv_ExecuteList.empty());
}

TEST_F(Confirmation, PriorityButtonsMoveTheSelectedRowAndNumberEveryRowAgain) {
    ReadyToConfirm({Cmd("a"), Cmd("b"), Cmd("c"), Cmd("d")}, [this](frmAmbrel& f) {
        f.Lv_SelectedRow = 3;
        f.Toolbar1_ButtonClick("UpPriorty");  // c: 15, before b
        EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"a", "c", "b", "d"}));
        EXPECT_EQ(f.Lv_SelectedRow, 2) << "the moved row stays selected";
        f.Toolbar1_ButtonClick("UpPriorty");  // c: 5, before a
        EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"c", "a", "b", "d"}));
        f.Toolbar1_ButtonClick("UpPriorty");  // already first: 1
        EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"c", "a", "b", "d"}));
        f.Lv_SelectedRow = 0;                   // none: the first row
        f.Toolbar1_ButtonClick("DownPriorty");  // c: 25, after a
        EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"a", "c", "b", "d"}));
        EXPECT_EQ(f.Lv_SelectedRow, 2);
        f.Lv_SelectedRow = 4;
        f.Toolbar1_ButtonClick("DownPriorty");  // already last
        f.Toolbar1_ButtonClick("Another");      // not a priority button
        EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"a", "c", "b", "d"}));
        EXPECT_EQ(Priorities(f.Lv_ExecuteList), (Strings{"0010", "0020", "0030", "0040"}));
        f.Toolbar1_ButtonClick("UpPriorty");  // d: 25, before b
        f.cmd_execute_procedures_Click();
    });
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(Ran(), (Strings{"a", "c", "d", "b"}));
    // The move holds for this run only.
    EXPECT_EQ(StoredCommands()[1].Strings.CommandLine, "b");

    form->ClearExecuteList();
    form->Toolbar1_ButtonClick("UpPriorty");
    EXPECT_TRUE(form->Lv_ExecuteList.empty());
}

TEST_F(Confirmation, AFirstMoveBelowShortcutRowsKeepsTheOrderAndNumbersEveryRow) {
    files.AddFile(kShutdownFolder + "\\s1.bat", "");
    files.AddFile(kShutdownFolder + "\\s2.bat", "");
    ReadyToConfirm(
        {Cmd("c1"), Cmd("c2"), Cmd("c3")},
        [this](frmAmbrel& f) {
            EXPECT_EQ(Priorities(f.Lv_ExecuteList), (Strings{"", "", "0010", "0020", "0030"}));
            // c2 at place 4 gets 25: after 0010 as before, and the empty
            // priorities of the shortcut rows keep them first, in their order.
            f.Lv_SelectedRow = 4;
            f.Toolbar1_ButtonClick("UpPriorty");
            EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"s1.bat", "s2.bat", "c1", "c2", "c3"}));
            EXPECT_EQ(Priorities(f.Lv_ExecuteList), (Strings{"0010", "0020", "0030", "0040", "0050"}));
            EXPECT_EQ(f.Lv_SelectedRow, 4);
            // From now on moves work by place.
            f.Toolbar1_ButtonClick("UpPriorty");
            EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"s1.bat", "s2.bat", "c2", "c1", "c3"}));
            f.Toolbar1_ButtonClick("UpPriorty");
            EXPECT_EQ(Lines(f.Lv_ExecuteList), (Strings{"s1.bat", "c2", "s2.bat", "c1", "c3"}));
            f.cmd_execute_procedures_Click();
        },
        "B");
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(Ran(), (Strings{kShutdownFolder + "\\s1.bat", "c2", kShutdownFolder + "\\s2.bat", "c1", "c3"}));
    // The counters go to each command's own record wherever its row went.
    std::vector<CommandPair> now = StoredCommands();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(now[i].Settings, CountedToday(stored[i].Settings, 1)) << i;
}

// ---------------------------------------------------------------------------
// The answer to the end of the session

TEST_F(ExecutionRun, OptionTwoRefusesAtOnceAndEndsTheSessionItselfASecondLater) {
    struct Case {
        const char* type;
        bool forceLogoff, powerOff;
        Strings calls;
    };
    for (const Case& c : {Case{"3", false, false, {"ExitWindowsEx 0 4095"}},
                          Case{"2", false, true, {"ExitWindowsEx 2 4095"}},
                          Case{"1", false, true, {"ExitWindowsEx 9 4095"}},
                          Case{"1", false, false, {"ExitWindowsEx 1 4095"}},
                          Case{"3", true, false, {"EnumWindows", "ExitWindowsEx 0 4095"}}}) {
        session.Calls.clear();
        processes.Started.clear();
        view.Unloads = 0;
        // Saved before the query, after the start: the query loads the options again.
        frmAmbrel& f = Ready({Cmd("a.exe"), Cmd("b.exe")}, [](cAmbrelOptions& o) {
            o.ShutdownOption(2);
            o.WinShutdownType("4");
        });
        cAmbrelOptions edit(registry, app);
        edit.GetOptions(false);
        edit.WinShutdownType(c.type);
        edit.ForceLogoff(c.forceLogoff);
        edit.PowerOff(c.powerOff);
        edit.SaveOptions();
        f.Timer1_Enabled = false;

        int cancel = 0;
        f.Form_QueryUnload(cancel, kUnloadAppWindows);
        EXPECT_EQ(cancel, 1) << c.type;
        EXPECT_EQ(f.Timer1_Interval, 1000);
        EXPECT_TRUE(f.Timer1_Enabled);
        EXPECT_EQ(f.TimerAction, 2);
        EXPECT_TRUE(f.Toolbar1_Visible);
        EXPECT_TRUE(Ran().empty()) << "nothing runs inside the query";
        EXPECT_TRUE(session.Calls.empty());

        f.Timer1_Timer();
        EXPECT_EQ(f.TimerAction, 0);
        EXPECT_FALSE(f.Timer1_Enabled);
        EXPECT_EQ(f.Timer1_Interval, 0);
        EXPECT_EQ(Ran(), (Strings{"a.exe", "b.exe"})) << c.type;
        EXPECT_EQ(session.Calls, c.calls) << c.type << " force " << c.forceLogoff << " power " << c.powerOff;
        EXPECT_EQ(view.Unloads, 1) << "the program ends";
    }
}

TEST_F(ExecutionRun, OptionTwoWithDontShutdownRunsTheListAndWaitsAgain) {
    frmAmbrel& f = Ready({Cmd("a.exe")}, [](cAmbrelOptions& o) {
        o.ShutdownOption(2);
        o.WinShutdownType("4");
    });
    int cancel = 0;
    f.Form_QueryUnload(cancel, kUnloadAppTaskManager);
    EXPECT_EQ(cancel, 1) << "the task manager is answered the same way";
    f.Timer1_Timer();
    EXPECT_EQ(Ran(), Strings{"a.exe"});
    EXPECT_TRUE(session.Calls.empty());
    EXPECT_EQ(view.Unloads, 0);
    EXPECT_FALSE(f.MonitorBusy) << "waiting again";
    EXPECT_TRUE(f.Lv_ExecuteList.empty());
    EXPECT_EQ(f.StatusBar1_Text, "Waiting for Windows to shut down...");

    // A tick without a pending action runs nothing.
    f.Timer1_Timer();
    EXPECT_EQ(Ran(), Strings{"a.exe"});
}

TEST_F(ExecutionRun, OptionTwoCancelledByAMessageWaitsAgainWithoutEndingTheSession) {
    frmAmbrel& f = Ready({Asking("asking.exe", 1, kActionCancelShutdown), Cmd("b.exe")}, [](cAmbrelOptions& o) {
        o.ShutdownOption(2);
        o.WinShutdownType("1");
    });
    ui.Answers = {kAnswerYes};
    int cancel = 0;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    f.Timer1_Timer();
    EXPECT_TRUE(Ran().empty());
    EXPECT_TRUE(session.Calls.empty());
    EXPECT_EQ(view.Unloads, 0);
    EXPECT_FALSE(f.MonitorBusy);
}

TEST_F(ExecutionRun, OptionThreeAnswersWithTheOutcomeOfTheRun) {
    frmAmbrel& f = Ready({Cmd("a.exe"), Cmd("b.exe")});
    int cancel = 0;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(Ran(), (Strings{"a.exe", "b.exe"}));
    EXPECT_EQ(f.Mode, WindowMode::Hidden) << "no window without confirmation";
    EXPECT_TRUE(session.Calls.empty()) << "Windows ends the session itself";
    EXPECT_EQ(view.Waits, 0);

    processes.Started.clear();
    Ready({Asking("asking.exe", 2, kActionCancelShutdown), Cmd("b.exe")});
    ui.Answers = {kAnswerYes};
    form->Form_QueryUnload(cancel = 0, kUnloadAppWindows);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(Ran(), Strings{"asking.exe"});
    EXPECT_TRUE(form->Lv_ExecuteList.empty()) << "waiting again";
}

TEST_F(ExecutionRun, OtherCloseRequestsAndABusyMonitorRunNothing) {
    frmAmbrel& f = Ready({Cmd("a.exe")}, [](cAmbrelOptions& o) { o.ShutdownOption(2); });
    for (int mode : {kUnloadFormControlMenu, kUnloadFormCode}) {
        int cancel = 0;
        f.Form_QueryUnload(cancel, mode);
        EXPECT_EQ(cancel, 0) << mode;
        EXPECT_EQ(f.TimerAction, 0) << mode;
    }
    f.MonitorBusy = true;
    int cancel = 0;
    f.Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0) << "a busy monitor lets the session end";
    EXPECT_EQ(f.TimerAction, 0);
    EXPECT_FALSE(f.Toolbar1_Visible);

    Ready({Cmd("a.exe")});
    form->MonitorBusy = true;
    form->Form_QueryUnload(cancel = 0, kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(Ran().empty());
    EXPECT_TRUE(session.Calls.empty());
}

TEST_F(ExecutionRun, TheLauncherStartRunsTheListAndEndsWithItsOwnEnding) {
    StoreOptions([](cAmbrelOptions& o) {
        o.ForceLogoff(true);
        o.PowerOff(true);
        o.WinShutdownType("2");
    });
    Store({Cmd("a.exe")});
    Start(" FromTelvix 1");
    EXPECT_FALSE(started);
    EXPECT_EQ(Ran(), Strings{"a.exe"});
    EXPECT_EQ(session.Calls, Strings{"ExitWindowsEx 1 4095"}) << "no forced end, no power-off";
    EXPECT_FALSE(form->cSysTray1_InTray);
    EXPECT_EQ(view.Unloads, 1);

    session.Calls.clear();
    Start(" FromTelvix 0");
    EXPECT_EQ(session.Calls, Strings{"ExitWindowsEx 0 4095"});

    // A cancelling message: the session goes on, and the hand-over stays as
    // the monitor that the launcher closed, waiting in its place; unless
    // another monitor has started meanwhile.
    for (bool another : {false, true}) {
        SCOPED_TRACE(another);
        session.Calls.clear();
        processes.Started.clear();
        view.Unloads = 0;
        courtesy.RestartRegistrations = 0;
        instance.Running = another;
        Store({Asking("asking.exe", 1, kActionCancelShutdown)});
        ui.Answers = {kAnswerYes};
        Start(" FromTelvix 0");
        EXPECT_TRUE(Ran().empty());
        EXPECT_TRUE(session.Calls.empty());
        EXPECT_EQ(started, !another);
        EXPECT_EQ(view.Unloads, another ? 1 : 0);
        EXPECT_FALSE(form->FromLauncher);
        EXPECT_EQ(courtesy.RestartRegistrations, another ? 0 : 1);
        if (!another) {
            EXPECT_TRUE(form->cSysTray1_InTray);
            EXPECT_EQ(form->StatusBar1_Text, "Waiting for Windows to shut down...");
        }
    }
}

}  // namespace
}  // namespace ambrel::testing
