// The maintenance window played over doubles: options in and out of the
// controls, the corrections, the folders, the log, OK and Cancel.

#include "unit/maintenance_fixture.h"

namespace ambrel::testing {
namespace {

TEST(MaintenanceCorrections, LeavingABoxRewritesItsText) {
    struct Case {
        std::string (*Correct)(const std::string&);
        std::string Typed, Shown;
    } cases[] = {
        {CorrectShutdownTime, "23", "11:00 PM"},       {CorrectShutdownTime, "7:5", "7:05 AM"},
        {CorrectShutdownTime, "soon", "12:00 AM"},     {CorrectShutdownTime, " 9 ", "9:00 AM"},
        {CorrectShutdownTime, "12:30 pm", "12:30 PM"}, {CorrectShutdownTime, "0", "12:00 AM"},
        {CorrectShutdownTime, "24", "12:00 AM"},       {CorrectShutdownTime, "", "12:00 AM"},
        {CorrectTimeOutMinutes, "0", "1"},             {CorrectTimeOutMinutes, "5000", "1440"},
        {CorrectTimeOutMinutes, "ten", "120"},         {CorrectTimeOutMinutes, "1e12", "120"},
        {CorrectTimeOutMinutes, " 45 ", "45"},         {CorrectTimeOutMinutes, "2.5", "2"},
        {CorrectTimeOutMinutes, "-3", "1"},            {CorrectTimeOutMinutes, "1440", "1440"},
        {CorrectDialogTitle, "", "Shut Down Windows"}, {CorrectDialogTitle, "   ", "Shut Down Windows"},
        {CorrectDialogTitle, " Bye ", " Bye "},
    };
    for (const Case& c : cases) EXPECT_EQ(c.Correct(c.Typed), c.Shown) << "typed " << c.Typed;
}

TEST_F(Maintenance, FirstStartStoresTheDefaultsAndShowsThem) {
    auto& f = Open();
    ASSERT_TRUE(started);
    EXPECT_EQ(Stored("AllUsersUseSame"), "T");
    EXPECT_EQ(Stored("TimeOutProgramMinutes"), "120");
    EXPECT_TRUE(files.FolderExists("C:\\Ambrel\\Data"));
    EXPECT_EQ(f.chkAllUsersUseSame, 1);
    EXPECT_EQ(f.chkConfirmExecutions, 1);
    EXPECT_EQ(f.cboShutdownOption.size(), 3u);
    EXPECT_EQ(f.cboShutdownOption_ListIndex, 0);
    EXPECT_TRUE(f.picSOReplace_Visible && !f.picSOAutoCancel_Visible && !f.picSODontCancel_Visible);
    EXPECT_EQ(f.txtDialogTitle, "Shut Down Windows");
    EXPECT_EQ(f.chkForceLogoff + f.chkPowerOff, 0);
    EXPECT_EQ(f.chkAllowUsersToDisableAmbrel, 1);
    EXPECT_EQ(f.cboShutdownType_ListIndex, 0);
    EXPECT_EQ(f.optShutWinOptions, 0);
    EXPECT_EQ(f.optRunAmbrelOption, 2);
    EXPECT_EQ(f.optExecuteOption, 0);
    EXPECT_EQ(f.chkShutWindowsOnTime, 0);
    EXPECT_FALSE(f.txtShutWindowsTime_Enabled);
    EXPECT_EQ(f.txtShutWindowsTime, "12:00 AM");
    EXPECT_EQ(f.chkTimeOutPrograms, 0);
    EXPECT_FALSE(f.txtTimeOutMinutes_Enabled);
    EXPECT_EQ(f.txtTimeOutMinutes, "120");
    EXPECT_EQ(f.optLogOption, 0);
    EXPECT_EQ(f.txtLogFilePath, "C:\\Ambrel\\Data\\ambrel.log");
    EXPECT_EQ(f.chkAmbrelInStartup, 0);
    EXPECT_EQ(f.lblSOReplaceHelp,
              "If Ambrel Launcher is running, replace the 'Shut Down Windows' dialog on the Start menu");
    EXPECT_EQ(f.lblSODontCancelHelp, "Run programs while Windows waits to end");
    EXPECT_EQ(f.lblAboutTitle, "Ambrel 2.0(TM) Maintenance   Version 2.0.7");
    EXPECT_EQ(f.HelpTopic, "104");
    // There is no list yet: the load says so.
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("File not found"), std::string::npos);
}

// Each stored value as the controls show it, and what OK stores back
// untouched: the odd values come back in their proper form.
TEST_F(Maintenance, OddStoredValuesShowAndSaveBackInTheirProperForm) {
    struct Case {
        std::string WinShutdownType, RunMinimized, RunCommands;
        std::int16_t ShutdownOption, Logging;
        int Type, ShutWin, Run, Execute, ListIndex, Log;
        std::string SavedType, SavedRun, SavedCommands, SavedShutdownOption, SavedLogging;
    } cases[] = {
        {"1", "T", "C", 1, 1, 0, 0, 0, 0, 0, 0, "1", "T", "C", "1", " 1"},
        {"4", "F", "S", 2, 2, 3, 0, 1, 1, 1, 1, "4", "F", "S", "2", " 2"},
        {"b", "t", "b", 3, 3, 0, 1, 0, 2, 2, 2, "B", "T", "B", "3", " 3"},
        {"A", "f", "s", 1, 3, 0, 2, 1, 1, 0, 2, "A", "F", "S", "1", " 3"},
        {"x", "Q", "X", 2, 7, 0, 2, 2, -1, 1, -1, "A", "S", "X", "2", " 7"},
    };
    files.AddFolder(kShutdown);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.WinShutdownType + c.RunMinimized + c.RunCommands);
        Store([&](cAmbrelOptions& o) {
            o.WinShutdownType(c.WinShutdownType);
            o.RunMinimized(c.RunMinimized);
            o.RunCommands(c.RunCommands);
            o.ShutdownOption(c.ShutdownOption);
            o.Logging(c.Logging);
        });
        auto& f = Open();
        EXPECT_EQ(f.cboShutdownType_ListIndex, c.Type);
        EXPECT_EQ(f.optShutWinOptions, c.ShutWin);
        EXPECT_EQ(f.optRunAmbrelOption, c.Run);
        EXPECT_EQ(f.optExecuteOption, c.Execute);
        EXPECT_EQ(f.cboShutdownOption_ListIndex, c.ListIndex);
        EXPECT_EQ(f.picSOAutoCancel_Visible, c.ShutdownOption == 2);
        EXPECT_EQ(f.optLogOption, c.Log);
        f.cmd_ok_Click();
        EXPECT_EQ(Stored("WinShutdownType"), c.SavedType);
        EXPECT_EQ(Stored("RunMinimized"), c.SavedRun);
        EXPECT_EQ(Stored("RunCommands"), c.SavedCommands);
        EXPECT_EQ(Stored("ShutdownOption"), c.SavedShutdownOption);
        EXPECT_EQ(Stored("Logging"), c.SavedLogging);
    }
}

TEST_F(Maintenance, OkStoresWhatTheControlsSay) {
    auto& f = Open();
    f.chkTimeOutPrograms = 1;
    f.txtTimeOutMinutes = "5000";  // left with Enter: corrected on OK all the same
    f.chkConfirmExecutions = 0;
    f.optExecuteOption = 2;
    f.optRunAmbrelOption = 1;
    f.chkAllowUsersToDisableAmbrel = 0;
    f.chkPowerOff = 1;
    f.chkForceLogoff = 1;
    f.chkShutWindowsOnTime = 1;
    f.txtShutWindowsTime = "22";
    f.cboShutdownOption_ListIndex = 1;
    f.txtDialogTitle = "  ";
    f.cboShutdownType_ListIndex = 2;
    f.optShutWinOptions = 0;
    f.optLogOption = 1;
    f.txtLogFilePath = "C:\\elsewhere.log";
    f.cmd_ok_Click();
    const std::pair<const char*, const char*> expected[] = {
        {"TimeOutPrograms", "T"},     {"TimeOutProgramMinutes", "1440"}, {"QueryClose", "F"},
        {"RunCommands", "B"},         {"RunMinimized", "F"},             {"AllowUsersToDisable", "0"},
        {"PowerOff", "-1"},           {"ForceLogoff", "-1"},             {"ShutWindowsOnTime", "T"},
        {"ShutWindowsTime", "10:00 PM"}, {"ShutdownOption", "2"},        {"ShutDownDialogTitle", "Shut Down Windows"},
        {"WinShutdownType", "3"},     {"Logging", " 2"},                 {"LogDir", "C:\\elsewhere.log"},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(Stored(name), value) << name;
    EXPECT_EQ(view.Unloads, 1);
}

// An administrator's policy (the machine's, and one of the user's): the
// window shows its values, marks their controls locked and the pages that
// hold them, and OK writes neither over the stored options nor the policy.
TEST_F(Maintenance, OptionsSetByPolicyAreShownLockedAndNeverSaved) {
    Store([](cAmbrelOptions& o) {
        o.QueryClose(true);
        o.LogDir("C:\\Mine.log");
    });
    const std::string policy = "Software\\Policies\\Ambrel 2.0\\Options";
    registry.PutString(kRootLocalMachine, policy, "QueryClose", "F");
    registry.PutDword(kRootLocalMachine, policy, "ShutdownOption", 2);
    registry.PutString(kRootCurrentUser, policy, "LogDir", "C:\\Theirs.log");
    SaveList({"a.exe"});
    auto& f = Open();
    EXPECT_EQ(f.chkConfirmExecutions, 0);
    EXPECT_EQ(f.cboShutdownOption[static_cast<std::size_t>(f.cboShutdownOption_ListIndex)].ItemData, 2);
    EXPECT_EQ(f.txtLogFilePath, "C:\\Theirs.log");
    for (const char* name : {"QueryClose", "ShutdownOption", "LogDir"}) EXPECT_TRUE(f.OptionLocked(name)) << name;
    EXPECT_FALSE(f.OptionLocked("PowerOff"));
    const std::string notes[8] = {"", "", "", "Set by your administrator", "", "Set by your administrator",
                                  "Set by your administrator", ""};
    for (int tab = 1; tab <= 7; ++tab) EXPECT_EQ(f.PolicyNote[tab], notes[tab]) << "tab " << tab;
    f.chkConfirmExecutions = 1;
    f.txtLogFilePath = "C:\\Other.log";
    f.chkPowerOff = 1;
    f.cmd_ok_Click();
    for (const auto& box : ui.Boxes) ADD_FAILURE() << box.Text;
    EXPECT_EQ(Stored("QueryClose"), "T");
    EXPECT_EQ(Stored("LogDir"), "C:\\Mine.log");
    EXPECT_EQ(Stored("PowerOff"), "-1") << "an option the policy leaves alone was not saved";
    EXPECT_EQ(registry.Find(kRootLocalMachine, policy, "QueryClose")->Data[0], 'F');
}

TEST_F(Maintenance, OnNt4TheThirdShutdownOptionIsNotOffered) {
    facts.Version.PlatformId = kPlatformNT;
    Store([](cAmbrelOptions& o) { o.ShutdownOption(3); });
    auto& f = Open();
    ASSERT_EQ(f.cboShutdownOption.size(), 2u);
    EXPECT_EQ(f.cboShutdownOption_ListIndex, 0);
    EXPECT_TRUE(f.picSOReplace_Visible);
    f.cmd_ok_Click();
    EXPECT_EQ(Stored("ShutdownOption"), "1");
}

TEST_F(Maintenance, ClicksEnableBoxesShowPanelsAndChooseTheListFiles) {
    Store([](cAmbrelOptions& o) { o.AllUsersUseSame(false); });
    auto& f = Open();
    EXPECT_EQ(f.chkAllUsersUseSame, 0);
    EXPECT_EQ(CurrentCommandFiles().Settings, "C:\\Ambrel\\Data\\alice.sdd");
    f.chkAllUsersUseSame = 1;
    f.chkAllUsersUseSame_Click();
    EXPECT_EQ(CurrentCommandFiles().Settings, "C:\\Ambrel\\Data\\ambrel.sdd");
    f.chkShutWindowsOnTime = 1;
    f.chkShutWindowsOnTime_Click();
    f.chkTimeOutPrograms = 1;
    f.chkTimeOutPrograms_Click();
    EXPECT_TRUE(f.txtShutWindowsTime_Enabled && f.txtTimeOutMinutes_Enabled);
    for (int item : {2, 1, 0}) {
        f.cboShutdownOption_ListIndex = item;
        f.cboShutdownOption_Click();
        EXPECT_EQ(f.picSOReplace_Visible, item == 0);
        EXPECT_EQ(f.picSOAutoCancel_Visible, item == 1);
        EXPECT_EQ(f.picSODontCancel_Visible, item == 2);
    }
    const char* topics[] = {"112", "113", "125", "126", "127", "128", "104"};
    for (int tab = 1; tab <= 7; ++tab) {
        f.TabStrip1_Click(tab);
        EXPECT_EQ(f.TabStrip1_SelectedTab, tab);
        EXPECT_EQ(f.HelpTopic, topics[tab - 1]);
    }
    f.TabStrip1_Click(4);
    f.cmd_help_Click();
    EXPECT_EQ(view.HelpFile, "C:\\Ambrel\\AMBREL.CHM");
    EXPECT_EQ(view.HelpContext, 126u);
}

TEST_F(Maintenance, OneUserMachinesShareTheAllUsersList) {
    facts.UserName = std::nullopt;
    Store([](cAmbrelOptions& o) { o.AllUsersUseSame(false); });
    auto& f = Open();
    EXPECT_EQ(f.chkAllUsersUseSame, 1);
    EXPECT_FALSE(f.chkAllUsersUseSame_Enabled);
    EXPECT_EQ(CurrentCommandFiles().Settings, "C:\\Ambrel\\Data\\ambrel.sdd");
    f.cmd_ok_Click();
    EXPECT_EQ(Stored("AllUsersUseSame"), "T");
}

TEST_F(Maintenance, ASecondCopyOrAnUnusableSystemEndsAtOnce) {
    instance.Running = true;
    Open();
    EXPECT_FALSE(started);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Ambrel Maintenance is already running.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);
    EXPECT_EQ(registry.Find(kRootLocalMachine, kOptions, "AllUsersUseSame"), nullptr);

    instance.Running = false;
    ui.Boxes.clear();
    registry.PutString(kRootCurrentUser, kShellFoldersKey, "Startup", "");
    Open();
    EXPECT_FALSE(started);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("Unable to locate Startup directory"), std::string::npos);
    EXPECT_EQ(view.Unloads, 1);
}

TEST_F(Maintenance, AMissingShutdownFolderIsOfferedForCreation) {
    SaveList({});
    Store([](cAmbrelOptions& o) { o.RunCommands("B"); });

    ui.Answers = {kAnswerNo};
    auto& f = Open();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Cannot locate the Shutdown directory.\r\nOK to create it?");
    EXPECT_EQ(ui.Boxes[0].Style, kMbYesNo | kMbQuestion);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel 2.0");
    EXPECT_FALSE(f.flb_prog_Enabled);
    EXPECT_EQ(f.optExecuteOption, 0);
    EXPECT_FALSE(files.FolderExists(kShutdown));

    // Choosing shortcuts asks again; Yes makes the folder.
    ui.Answers = {kAnswerYes};
    f.optExecuteOption_Click(1);
    EXPECT_EQ(ui.Boxes.size(), 2u);
    EXPECT_TRUE(files.FolderExists(kShutdown));
    EXPECT_TRUE(f.flb_prog_Enabled);
    EXPECT_EQ(f.optExecuteOption, 1);
    files.AddFile(kShutdown + "\\backup.lnk", "x");
    files.AddFile(kShutdown + "\\hidden.lnk", "x", true);
    f.cmdRefresh_Click();
    EXPECT_EQ(f.flb_prog, std::vector<std::string>{"backup.lnk"});
    // With command lines only, a missing folder asks nothing.
    files.Remove(kShutdown + "\\backup.lnk");
    files.Remove(kShutdown + "\\hidden.lnk");
    ui.Boxes.clear();
    f.optExecuteOption_Click(0);
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(Maintenance, TheStartupShortcutFollowsItsBox) {
    auto& f = Open();
    f.chkAmbrelInStartup = 1;
    f.cmd_ok_Click();
    ASSERT_EQ(links.Links.count(kShortcut), 1u);
    EXPECT_EQ(links.Links[kShortcut].TargetPath, "C:\\Ambrel\\Ambrel.exe");
    EXPECT_EQ(links.Links[kShortcut].WorkingDirectory, "C:\\Ambrel");
    EXPECT_EQ(links.Links[kShortcut].Arguments, "/startup") << "a second start at log on is quiet";

    // An existing shortcut is left as it is; a clear box removes it.
    links.Links.clear();
    files.AddFile(kShortcut, "a shortcut");
    auto& again = Open();
    EXPECT_EQ(again.chkAmbrelInStartup, 1);
    again.cmd_ok_Click();
    EXPECT_TRUE(links.Links.empty());
    EXPECT_EQ(files.ContentOr(kShortcut), "a shortcut");
    auto& third = Open();
    third.chkAmbrelInStartup = 0;
    third.cmd_ok_Click();
    EXPECT_FALSE(files.FileExists(kShortcut));

    // Started for everyone by the setup program: ticked, not this user's to
    // change, and no shortcut of the user's own is added.
    registry.PutString(kRootLocalMachine, kShellFoldersKey, "Common Startup", "C:\\All\\Startup");
    files.AddFile("C:\\All\\Startup\\Ambrel.lnk", "the machine's shortcut");
    auto& fourth = Open();
    EXPECT_EQ(fourth.chkAmbrelInStartup, 1);
    EXPECT_FALSE(fourth.chkAmbrelInStartup_Enabled);
    fourth.cmd_ok_Click();
    EXPECT_FALSE(files.FileExists(kShortcut));
    EXPECT_TRUE(files.FileExists("C:\\All\\Startup\\Ambrel.lnk"));
}

TEST_F(Maintenance, TheLogFileCanBeChosenViewedAndDeleted) {
    auto& f = Open();
    view.Chosen = "C:\\Ambrel\\Data\\other.log";
    f.cmdBrowseLogFile_Click();
    ASSERT_EQ(view.Opened.size(), 1u);
    EXPECT_EQ(view.Opened[0].DialogTitle, "Select Log File");
    EXPECT_EQ(view.Opened[0].Filter, "Log files(*.log) | *.log");
    EXPECT_EQ(view.Opened[0].InitDir, "C:\\Ambrel\\data");
    EXPECT_EQ(view.Opened[0].Flags, kOpenHideReadOnly | kOpenPathMustExist);
    EXPECT_EQ(f.txtLogFilePath, "C:\\Ambrel\\Data\\other.log");
    view.Chosen = "";
    f.cmdBrowseLogFile_Click();
    EXPECT_EQ(f.txtLogFilePath, "C:\\Ambrel\\Data\\other.log");

    // Missing: No does nothing, Yes makes it empty and opens it.
    ui.Answers = {kAnswerNo, kAnswerYes};
    f.cmdViewLog_Click();
    EXPECT_TRUE(processes.Started.empty());
    EXPECT_EQ(ui.Boxes.back().Text, "C:\\Ambrel\\Data\\other.log wasn't found.\r\nOk to create it?");
    f.cmdViewLog_Click();
    EXPECT_EQ(files.ContentOr("C:\\Ambrel\\Data\\other.log"), "");
    ASSERT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(processes.Started[0].Program, "notepad.exe") << "the system's own, not one in the current folder";
    EXPECT_EQ(processes.Started[0].CommandLine, "notepad.exe C:\\Ambrel\\Data\\other.log");
    EXPECT_EQ(processes.Started[0].ShowState, 1);
    f.txtLogFilePath = "C:\\nowhere\\x.log";
    ui.Answers = {kAnswerYes};
    f.cmdViewLog_Click();
    EXPECT_EQ(ui.Boxes.back().Text, "Unable to create log.  Make sure path is valid.");
    EXPECT_EQ(processes.Started.size(), 1u);

    f.txtLogFilePath = "C:\\Ambrel\\Data\\other.log";
    ui.Answers = {kAnswerNo, kAnswerYes};
    f.cmdDeleteLog_Click();
    EXPECT_EQ(ui.Boxes.back().Text, "Delete C:\\Ambrel\\Data\\other.log?");
    EXPECT_EQ(ui.Boxes.back().Style, kMbYesNo | kMbQuestion | kMbDefaultButton2);
    EXPECT_TRUE(files.FileExists("C:\\Ambrel\\Data\\other.log"));
    f.cmdDeleteLog_Click();
    EXPECT_FALSE(files.FileExists("C:\\Ambrel\\Data\\other.log"));
}

TEST_F(Maintenance, OkSavesTheListThenTheOptionsThenTellsTheMonitor) {
    SaveList({"a.exe"});
    auto& f = Open();
    registry.PutDword(kRootLocalMachine, kOptions, "AmbrelHwnd", 0x1234);
    messages.Monitor = 0x1234;
    f.chkPowerOff = 1;
    f.Lv_commands_DblClick();
    messages.OnPost = [&] { EXPECT_EQ(Stored("PowerOff"), "-1"); };
    f.cmd_ok_Click();
    ASSERT_EQ(messages.Sent.size(), 1u);
    EXPECT_EQ(messages.Hints, std::vector<std::int32_t>{0x1234});
    EXPECT_EQ(messages.Sent[0].Window, 0x1234);
    EXPECT_EQ(messages.Sent[0].Message, 0x0590u);
    ASSERT_EQ(SavedList().size(), 1u);
    EXPECT_EQ(SavedList()[0].Settings.Run, 0);

    // A list that cannot be saved leaves the options unsaved; the window
    // stays open, with what it shows, for another try or Cancel.
    auto& g = Open();
    g.chkPowerOff = 0;
    files.OpenFault = [](const std::string& path, FileMode) { return path.find(".new") != std::string::npos ? 70L : 0L; };
    ui.Boxes.clear();
    messages.Sent.clear();
    g.cmd_ok_Click();
    EXPECT_EQ(Stored("PowerOff"), "-1");
    EXPECT_TRUE(messages.Sent.empty());
    ASSERT_EQ(ui.Boxes.size(), 2u);
    EXPECT_EQ(ui.Boxes[1].Text,
              "Save of options and commands failed.\r\n\r\nResetting options and commands to previous values.");
    EXPECT_EQ(view.Unloads, 1);
    files.OpenFault = nullptr;
    EXPECT_EQ(SavedList()[0].Settings.Run, 0);
    g.cmd_cancel_Click();
    EXPECT_EQ(view.Unloads, 2);

    // Cancel writes nothing at all.
    auto& h = Open();
    h.chkPowerOff = 0;
    h.Lv_commands_DblClick();
    h.cmd_cancel_Click();
    EXPECT_EQ(Stored("PowerOff"), "-1");
    EXPECT_EQ(SavedList()[0].Settings.Run, 0);
    EXPECT_TRUE(messages.Sent.empty());
}

// A standard user cannot write the machine's settings (HKEY_LOCAL_MACHINE
// refuses them): the all-users options and list are shown read only, and
// the shield button starts the program again with an administrator's rights.
// Rights lost between the load and OK: nothing is written, one message says
// so, nothing is posted, and the window stays.
TEST_F(Maintenance, WithoutTheRightsForAllUsersNothingMachineWideIsChangedAndTheShieldOffersThem) {
    SaveList({"a.exe"});
    Store([](cAmbrelOptions& o) { o.AllUsersUseSame(true); });
    registry.PutDword(kRootLocalMachine, kOptions, "AmbrelHwnd", 0x1234);
    messages.Monitor = 0x1234;
    const std::string sdd = *files.Content("C:\\Ambrel\\Data\\ambrel.sdd");

    auto& f = Open();
    EXPECT_FALSE(f.OptionsReadOnly);
    registry.DenyWrites(kRootLocalMachine);
    f.chkPowerOff = 1;
    f.Lv_commands_DblClick();
    ui.Boxes.clear();
    f.cmd_ok_Click();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("nothing was saved"), std::string::npos);
    EXPECT_EQ(*files.Content("C:\\Ambrel\\Data\\ambrel.sdd"), sdd);
    EXPECT_TRUE(messages.Sent.empty());
    EXPECT_EQ(view.Unloads, 0);
    f.cmd_cancel_Click();

    auto& g = Open();
    EXPECT_TRUE(g.OptionsReadOnly && g.ListReadOnly && g.cmdChangeForAllUsers_Visible);
    EXPECT_FALSE(g.chkAllUsersUseSame_Enabled || g.Cmd_add_Enabled);
    EXPECT_NE(g.lblListReadOnly.find("administrator"), std::string::npos);
    // The elevated copy changes an option for all users; this one shows it.
    processes.Elevate = [&] {
        registry.DenyWrites(kRootLocalMachine, false);
        registry.PutString(kRootLocalMachine, kOptions, "QueryClose", "F");
        registry.DenyWrites(kRootLocalMachine);
    };
    g.cmdChangeForAllUsers_Click();
    EXPECT_EQ(processes.Elevated, std::vector<std::string>{"C:\\Ambrel\\corvane.exe /ForAllUsers"});
    EXPECT_EQ(g.chkConfirmExecutions, 0);
    EXPECT_TRUE(g.Enabled);
    g.cmd_ok_Click();  // nothing of all users' to save: closes without a word
    EXPECT_EQ(*files.Content("C:\\Ambrel\\Data\\ambrel.sdd"), sdd);
    EXPECT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(view.Unloads, 2);
}

// A list that someone else could change is shown, never changed: its rows,
// the reason beside them, and OK saves the options but leaves the list.
TEST_F(Maintenance, AListThatSomeoneElseCouldChangeOpensReadOnly) {
    files.KeepSecurity({"S-1-5-21-7-7-7-500", true});
    SaveList({"a.exe"});
    files.AccountNames["S-1-5-21-7-7-7-1002"] = "PC\\bob";
    ObjectSecurity planted = files.SecurityOf("C:\\Ambrel\\Data\\ambrel.sds");
    planted.OwnerSid = "S-1-5-21-7-7-7-1002";
    files.SetSecurity("C:\\Ambrel\\Data\\ambrel.sds", planted);
    const std::string before = files.ContentOr("C:\\Ambrel\\Data\\ambrel.sds");

    auto& f = Open();
    EXPECT_TRUE(f.ListReadOnly);
    EXPECT_TRUE(Rows().empty()) << "nothing of it is taken";
    EXPECT_NE(f.lblListReadOnly.find("belongs to PC\\bob"), std::string::npos) << f.lblListReadOnly;
    EXPECT_FALSE(f.Cmd_add_Enabled || f.Cmd_edit_Enabled || f.Cmd_delete_Enabled);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    f.Cmd_add_Click();
    EXPECT_TRUE(editor.Modes.empty()) << "the editor opened";
    f.chkPowerOff = 1;
    f.cmd_ok_Click();
    EXPECT_EQ(Stored("PowerOff"), "-1");
    EXPECT_EQ(files.ContentOr("C:\\Ambrel\\Data\\ambrel.sds"), before);
    EXPECT_EQ(ui.Boxes.size(), 1u) << "no save failed";
}

}  // namespace
}  // namespace ambrel::testing
