// The command editor and its message style and action dialogs, played over
// doubles on a loaded command list page.

#include "unit/maintenance_fixture.h"

#include <stdexcept>

namespace ambrel::testing {
namespace {

class Editor : public Maintenance {
protected:
    // The page loaded with one command, opened in the editor in `mode`.
    Frm_add_command& Edit(int mode, const std::function<void(CommandSettings&, CommandStrings&)>& stored = nullptr) {
        SaveList({"a.exe"});
        auto& page = Open();
        if (stored) {
            page.CurrentCommand = 0;
            CommandSettings s = page.GetCurrentSettings();
            CommandStrings t = page.GetCurrentStrings();
            stored(s, t);
            page.SetCurrentSettings(s);
            page.SetCurrentStrings(t);
        }
        page.CurrentCommand = 0;
        page.CommandEditMode = mode;
        editor = std::make_unique<Frm_add_command>(editorPorts, page, views);
        editor->Form_Load();
        return *editor;
    }
    CommandSettings Saved() { return form->GetCurrentSettings(); }

    EditorPorts editorPorts{ui, processes, clock, links, app, files};
    FakeEditorViews views;
    std::unique_ptr<Frm_add_command> editor;
};

TEST(EditorCorrections, TheRunLimitIsKeptBetweenNoneAndOneHundred) {
    const std::pair<const char*, const char*> cases[] = {{"150", "0"}, {"-3", "0"},  {"abc", "0"}, {"7", "7"},
                                                         {"100", "100"}, {"1e9", "0"}, {" 5 ", "5"}, {"", "0"}};
    for (const auto& [typed, shown] : cases) EXPECT_EQ(CorrectRunLimit(typed), shown) << typed;
}

TEST_F(Editor, EachModeLoadsTheCommandIntoTheControls) {
    struct Case {
        int Mode;
        std::int16_t Frequency, Day, YearDay, When, Style;
        const char* Label;
        int Option, Week, Month, YearMonth, YearDayIndex, Show, WhenIndex, RunOption;
    } cases[] = {
        {kEditModeAdd, 0, 0, 0, 0, 2, "Enter command line:", 0, 0, 0, 0, 0, 0, 0, 1},
        {kEditModeEdit, 2, 1, 9, 1, 1, "Edit command line:", 1, 0, 0, 0, 0, 1, 0, 0},
        {kEditModeEdit, 2, 7, 0, 2, 3, "Edit command line:", 1, 6, 0, 0, 0, 1, 1, 2},
        {kEditModeEdit, 3, 31, 0, 0, 2, "Edit command line:", 2, 0, 30, 0, 0, 0, 0, 1},
        {kEditModeDelete, 4, 2, 29, 0, 2, "Delete this command line?", 3, 0, 0, 1, 28, 0, 0, 1},
        {kEditModeEdit, 9, 40, 0, 0, 7, "Edit command line:", 0, 0, 0, 0, 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label + std::to_string(c.Frequency));
        auto& e = Edit(c.Mode, [&](CommandSettings& s, CommandStrings&) {
            s.RunFrequency = c.Frequency;
            s.RunDay = c.Day;
            s.RunYearDay = c.YearDay;
            s.ShowMessageWhen = c.When;
            s.WindowStyle = c.Style;
            s.RunLimit = 12;
            s.Run = 0;
        });
        EXPECT_EQ(e.lbl_command, c.Label);
        EXPECT_EQ(e.Inputs_Enabled, c.Mode != kEditModeDelete);
        EXPECT_EQ(e.Txt_command, "a.exe");
        EXPECT_EQ(e.Chk_run, 0);
        EXPECT_EQ(e.Chk_run_Caption, "Don't run");
        EXPECT_TRUE(e.Img_dont_run_Visible && !e.Img_run_Visible);
        EXPECT_EQ(e.optRunFrequency, c.Option);
        EXPECT_EQ(e.cboWeekDay_Enabled, c.Option == 1);
        EXPECT_EQ(e.cboMonthDay_Enabled, c.Option == 2);
        EXPECT_EQ(e.cboYearMonth_Enabled && e.cboYearDay_Enabled, c.Option == 3);
        EXPECT_EQ(e.cboWeekDay_ListIndex, c.Week);
        EXPECT_EQ(e.cboMonthDay_ListIndex, c.Month);
        EXPECT_EQ(e.cboYearMonth_ListIndex, c.YearMonth);
        EXPECT_EQ(e.cboYearDay_ListIndex, c.YearDayIndex);
        EXPECT_EQ(e.chkShowMessage, c.Show);
        EXPECT_EQ(e.cboShowMessageWhen_ListIndex, c.WhenIndex);
        EXPECT_EQ(e.optCommandRunOption, c.RunOption);
        EXPECT_EQ(e.txtRunLimit, "12");
    }
}

TEST_F(Editor, AcceptStoresEveryFieldAndKeepsWhatTheFrequencyDoesNotUse) {
    struct Case {
        int Frequency, Week, Month, YearMonth, YearDay;
        std::int16_t RunDay, RunYearDay;
    } cases[] = {
        {0, 3, 3, 3, 3, 5, 9},     // daily: the days stay
        {1, 3, 0, 0, 0, 4, 9},     // weekly on Wednesday: the year's day stays
        {2, 0, 30, 0, 0, 31, 9},   // monthly on the 31st
        {3, 0, 0, 1, 28, 2, 29},   // yearly on 29 February
        {3, 0, 0, 4, 30, 5, 31},   // yearly on 31 May
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Frequency);
        auto& e = Edit(kEditModeEdit, [](CommandSettings& s, CommandStrings&) {
            s.RunDay = 5;
            s.RunYearDay = 9;
            s.RunCount = 4;
            s.LastRunDate = 40000;
            s.MessageStyle = 292;
        });
        e.Txt_command = " b.exe /x ";
        e.Chk_run = 1;
        e.optCommandRunOption = 2;
        e.chkShowMessage = 1;
        e.cboShowMessageWhen_ListIndex = 1;
        e.txtRunLimit = "100";
        e.optRunFrequency_Click(c.Frequency);
        e.cboWeekDay_ListIndex = c.Week;
        e.cboMonthDay_ListIndex = c.Month;
        e.cboYearMonth_ListIndex = c.YearMonth;
        e.cboYearDay_ListIndex = c.YearDay;
        e.Cmd_ok_Click();
        EXPECT_TRUE(e.Closed);
        EXPECT_EQ(form->CommandEditMode, kEditModeEdit);
        CommandSettings s = Saved();
        EXPECT_EQ(form->GetCurrentStrings().CommandLine, " b.exe /x ");
        EXPECT_EQ(s.Run, 1);
        EXPECT_EQ(s.WindowStyle, 3);
        EXPECT_EQ(s.ShowMessageWhen, 2);
        EXPECT_EQ(s.RunLimit, 100);
        EXPECT_EQ(s.RunFrequency, c.Frequency + 1);
        EXPECT_EQ(s.RunDay, c.RunDay);
        EXPECT_EQ(s.RunYearDay, c.RunYearDay);
        EXPECT_EQ(s.RunCount, 4);
        EXPECT_EQ(s.LastRunDate, 40000);
        EXPECT_EQ(s.MessageStyle, 292);
    }
}

TEST_F(Editor, BadEntriesAreRefusedAndLeaveEverythingAsItWas) {
    struct Case {
        std::string CommandLine;
        int YearMonth, YearDay;
        std::string RunLimit;
        const char* Message;
    } cases[] = {
        {"   ", 0, 0, "0", "No command line was entered"},
        {"x.exe", 1, 29, "0", "February can't have more than 29 days!"},
        {"x.exe", 1, 30, "0", "February can't have more than 29 days!"},
        {"x.exe", 3, 30, "0", "April can't have more than 30 days!"},
        {"x.exe", 8, 30, "0", "September can't have more than 30 days!"},
        {std::string(kMaxCommandLine + 1, 'x'), 0, 0, "0",
         "The command line is too long: Windows starts no more than 32767 characters."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        auto& e = Edit(kEditModeEdit);
        const CommandSettings before = Saved();
        ui.Boxes.clear();
        e.Txt_command = c.CommandLine;
        e.optRunFrequency_Click(3);
        e.cboYearMonth_ListIndex = c.YearMonth;
        e.cboYearDay_ListIndex = c.YearDay;
        e.Cmd_ok_Click();
        ASSERT_EQ(ui.Boxes.size(), 1u);
        EXPECT_EQ(ui.Boxes[0].Text, c.Message);
        EXPECT_EQ(ui.Boxes[0].Style, kMbCritical);
        EXPECT_FALSE(e.Closed);
        EXPECT_EQ(Saved(), before);
        EXPECT_EQ(form->GetCurrentStrings().CommandLine, "a.exe");
    }
    // A limit typed and left with Enter is put right before it is stored.
    auto& e = Edit(kEditModeEdit);
    e.txtRunLimit = "150";
    e.Cmd_ok_Click();
    EXPECT_EQ(Saved().RunLimit, 0);
}

TEST_F(Editor, CancelTheCloseBoxAndTheDeletionConfirmation) {
    auto& e = Edit(kEditModeEdit);
    e.Txt_command = "changed.exe";
    e.Cmd_cancel_Click();
    EXPECT_EQ(form->CommandEditMode, kEditModeCancelled);
    EXPECT_EQ(form->GetCurrentStrings().CommandLine, "a.exe");
    EXPECT_EQ(views.Closes, 1);

    auto& boxed = Edit(kEditModeAdd);
    boxed.Form_QueryUnload();
    EXPECT_EQ(form->CommandEditMode, kEditModeCancelled);

    auto& doomed = Edit(kEditModeDelete, [](CommandSettings&, CommandStrings& t) { t.CommandLine = "  "; });
    doomed.Cmd_ok_Click();  // no checks: the row goes
    EXPECT_TRUE(doomed.Closed);
    EXPECT_TRUE(ui.Boxes.empty() || ui.Boxes.back().Text.find("No command line") == std::string::npos);
    EXPECT_EQ(form->CommandEditMode, kEditModeDelete);
    doomed.Form_QueryUnload();  // the window goes after the accept: still a deletion
    EXPECT_EQ(form->CommandEditMode, kEditModeDelete);
}

TEST_F(Editor, BrowseAndHelp) {
    auto& e = Edit(kEditModeEdit);
    views.Chosen = "C:\\Start Menu\\backup.lnk";
    e.cmd_browse_Click();
    ASSERT_EQ(views.Opened.size(), 1u);
    EXPECT_EQ(views.Opened[0].DialogTitle, "Browse File");
    EXPECT_EQ(views.Opened[0].Filter, "All files(*.*) | *.*");
    EXPECT_EQ(views.Opened[0].InitDir, "C:\\Ambrel");
    EXPECT_EQ(views.Opened[0].Flags, kOpenHideReadOnly | kOpenNoDereferenceLinks);
    EXPECT_EQ(e.Txt_command, "C:\\Start Menu\\backup.lnk");
    views.Chosen = "";
    e.cmd_browse_Click();
    EXPECT_EQ(e.Txt_command, "C:\\Start Menu\\backup.lnk");
    // A program under a folder with blanks comes back quoted, names that
    // program alone, and is accepted without a word.
    views.Chosen = "C:\\Program Files\\Backup\\run.exe";
    files.AddFile(views.Chosen, "MZ");
    e.cmd_browse_Click();
    EXPECT_EQ(e.Txt_command, "\"C:\\Program Files\\Backup\\run.exe\"");
    const std::size_t boxes = ui.Boxes.size();
    e.OfferQuotes();
    EXPECT_EQ(ui.Boxes.size(), boxes);
    // Typed without its quotes: a warning, and Yes puts them in.
    e.Txt_command = "C:\\Program Files\\Backup\\run.exe /all";
    ui.Answers = {kAnswerYes};
    e.OfferQuotes();
    ASSERT_EQ(ui.Boxes.size(), boxes + 1);
    EXPECT_NE(ui.Boxes.back().Text.find("has blanks in its path but no quotes"), std::string::npos);
    EXPECT_EQ(e.Txt_command, "\"C:\\Program Files\\Backup\\run.exe\" /all");
    e.CmdHelp_Click();
    EXPECT_EQ(views.HelpFile, "C:\\Ambrel\\AMBREL.CHM");
    EXPECT_EQ(views.HelpContext, 120u);
}

// The test runs what is on screen, showing the message as the monitor does.
TEST_F(Editor, TestRunsTheCommandOnScreenWithItsMessageBeforeOrAfter) {
    links.Links["C:\\backup.LNK"] = {"C:\\tools\\backup.exe", "C:\\tools", "/all", "", 3};
    struct Case {
        std::string CommandLine;
        int Show, When;
        std::vector<std::string> Started;
        int ShowState;
        std::vector<std::string> Boxes;
    } cases[] = {
        {"a.exe /q", 0, 0, {"a.exe /q"}, 2, {}},
        {"C:\\backup.LNK", 1, 0, {"C:\\tools\\backup.exe /all"}, 3,
         {"About it", "Option selected:  \r\n\r\nSkip next program and continue"}},
        {"", 1, 1, {}, 0, {"About it", "Option selected:  \r\n\r\nSkip next program and continue"}},
        {"missing.exe", 0, 0, {}, 0, {"-"}},
    };
    processes.Missing.insert("missing.exe");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.CommandLine);
        auto& e = Edit(kEditModeEdit, [](CommandSettings& s, CommandStrings& t) {
            s.MessageStyle = 4 + 32 + 256;  // Yes, No, question, second default
            s.Action2 = kActionSkipNext;
            t.MessageText = "About it";
        });
        processes.Started.clear();
        ui.Boxes.clear();
        ui.Answers = {kAnswerNo};
        e.Txt_command = c.CommandLine;
        e.optCommandRunOption = 1;
        e.chkShowMessage = c.Show;
        e.cboShowMessageWhen_ListIndex = c.When;
        e.cmdTest_Click();
        EXPECT_EQ(processes.CommandLines(), c.Started);
        if (!c.Started.empty()) {
            EXPECT_EQ(processes.Started[0].ShowState, c.ShowState);
        }
        ASSERT_EQ(ui.Boxes.size(), c.Boxes.size());
        for (std::size_t i = 0; i < c.Boxes.size(); ++i)
            if (c.Boxes[i] != "-") {
                EXPECT_EQ(ui.Boxes[i].Text, c.Boxes[i]);
            }
        if (!c.Boxes.empty() && c.Boxes[0] == "About it") {
            EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
            EXPECT_EQ(ui.Boxes[0].Style, 4 + 32 + 256);
        }
        if (c.CommandLine == "missing.exe") {
            EXPECT_EQ(ui.Boxes[0].Style, kMbExclamation);
            EXPECT_EQ(ui.Boxes[0].Title, "Ambrel 2.0");
        }
        EXPECT_EQ(Saved().WindowStyle, 2);  // nothing stored
    }
}

// A test still running holds Accept, Cancel and the close box (they would be
// lost with the test's return); Test again stops waiting. A stored style that
// no option shows (0, hidden) is tested in a normal window.
TEST_F(Editor, ARunningTestHoldsTheDialogUntilItEndsOrTheWaitIsStopped) {
    auto& e = Edit(kEditModeEdit, [](CommandSettings& s, CommandStrings&) { s.WindowStyle = 0; });
    e.Txt_command = "long.exe";
    processes.ExitCodes["long.exe"] = kStillActive;
    int waits = 0;
    processes.OnWait = [&](std::uint32_t) {
        if (++waits == 1) {
            EXPECT_EQ(e.Test.Caption(), "Stop &Waiting");
            e.Cmd_ok_Click();
            e.Cmd_cancel_Click();
            e.Form_QueryUnload();
            EXPECT_FALSE(e.Closed) << "the edit ended under a running test";
            e.cmdTest_Click();
        }
        if (waits > 5) throw std::runtime_error("the wait went on");
    };
    e.cmdTest_Click();
    EXPECT_EQ(waits, 1);
    ASSERT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(processes.Started[0].ShowState, 1);
    EXPECT_FALSE(e.Test.Running());
    EXPECT_EQ(e.Test.Caption(), "&Test");
    e.Txt_command = "a2.exe";
    e.Cmd_ok_Click();
    EXPECT_TRUE(e.Closed);
    EXPECT_EQ(form->GetCurrentStrings().CommandLine, "a2.exe");
    EXPECT_NE(form->CommandEditMode, kEditModeCancelled);
}

TEST(MessageStyleParts, SplitAndComposeAgain) {
    struct Case {
        std::int16_t Style;
        int Buttons, Icon, Default;
    } cases[] = {{292, 4, 2, 1}, {0, 0, 0, 0}, {581, 5, 4, 2}, {17, 1, 1, 0}, {48 + 3, 3, 3, 0}, {999, -1, 4, 2}};
    for (const Case& c : cases) {
        MessageStyleParts parts = SplitMessageStyle(c.Style);
        EXPECT_EQ(parts.Buttons, c.Buttons) << c.Style;
        EXPECT_EQ(parts.Icon, c.Icon) << c.Style;
        EXPECT_EQ(parts.DefaultButton, c.Default) << c.Style;
        if (c.Buttons >= 0) {
            EXPECT_EQ(ComposeMessageStyle(parts), c.Style);
        }
    }
}

TEST_F(Editor, TheMessageStyleDialogEditsTheEditorsCopy) {
    auto& e = Edit(kEditModeEdit, [](CommandSettings& s, CommandStrings& t) {
        s.MessageStyle = 292;
        s.Action1 = 0;
        s.Action2 = 6;
        s.Action3 = 3;
        t.MessageText = "Back up now?";
        t.UserAction2 = "old.exe";
    });
    frmCommandMessageStyle style(editorPorts, e, views);
    style.Form_Load();
    EXPECT_EQ(style.cboButtons_ListIndex, 4);
    EXPECT_EQ(style.cboIconStyle_ListIndex, 2);
    EXPECT_EQ(style.optDefaultButton, 1);
    EXPECT_TRUE(style.imgIconStyle_Visible[1] && !style.imgIconStyle_Visible[0] && !style.imgIconStyle_Visible[2]);
    EXPECT_EQ(style.cboAction_ListIndex[0], -1);
    EXPECT_EQ(style.cboAction_ListIndex[1], 5);
    EXPECT_EQ(style.txtMessage, "Back up now?");

    // The test: the monitor's box, then the chosen list's text.
    ui.Answers = {kAnswerNo};
    style.cmdTest_Click();
    ASSERT_EQ(ui.Boxes.size(), 2u);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");
    EXPECT_EQ(ui.Boxes[0].Style, 292);
    EXPECT_EQ(ui.Boxes[1].Text, "Option selected:  \r\n\r\nUser defined");
    EXPECT_EQ(ui.Boxes[1].Style, kMbOkOnly);

    // A user defined action edited, then the dialog cancelled: nothing changes.
    frmCommandMessageStyle* open = &style;
    views.OnOpen = [&] {
        frmEditAction action(editorPorts, *open, views);
        action.Form_Load();
        EXPECT_EQ(action.Caption, "Edit User Defined Action2");
        EXPECT_EQ(action.txtUserDefinedAction, "old.exe");
        action.txtUserDefinedAction = "new.exe";
        action.cmdOK_Click();
    };
    style.cmdEditAction_Click(2);
    EXPECT_EQ(style.EditActionText(), "new.exe");
    style.cmdCancel_Click();
    EXPECT_EQ(e.GetEditedStrings().UserAction2, "old.exe");

    // Accepted: style, actions, text with its blanks, and the user action.
    frmCommandMessageStyle again(editorPorts, e, views);
    again.Form_Load();
    open = &again;
    again.cmdEditAction_Click(2);
    again.txtMessage = "   ";
    ui.Boxes.clear();
    again.cmdAccept_Click();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "No message to display was entered");
    EXPECT_FALSE(again.Closed);
    again.txtMessage = " Off we go ";
    again.cboButtons_ListIndex = 3;
    again.cboIconStyle_ListIndex = 4;
    again.optDefaultButton = 2;
    again.cboAction_ListIndex[2] = 0;
    again.cmdAccept_Click();
    EXPECT_TRUE(again.Closed);
    CommandSettings s = e.GetEditedSettings();
    EXPECT_EQ(s.MessageStyle, 512 + 64 + 3);
    EXPECT_EQ(s.Action1, 0);
    EXPECT_EQ(s.Action2, 6);
    EXPECT_EQ(s.Action3, 1);
    EXPECT_EQ(e.GetEditedStrings().MessageText, " Off we go ");
    EXPECT_EQ(e.GetEditedStrings().UserAction2, "new.exe");
    // Only the editor's accept reaches the list.
    EXPECT_EQ(Saved().MessageStyle, 292);
    e.Cmd_ok_Click();
    EXPECT_EQ(Saved().MessageStyle, 512 + 64 + 3);
    EXPECT_EQ(form->GetCurrentStrings().UserAction2, "new.exe");
}

TEST_F(Editor, AUserDefinedActionIsTestedAndOnlyItsOwnButtonIsChanged) {
    auto& e = Edit(kEditModeEdit);
    frmCommandMessageStyle style(editorPorts, e, views);
    style.Form_Load();
    style.EditActionButton = 0;
    style.EditActionText("lost");
    EXPECT_EQ(style.EditActionText(), "");
    links.Links["C:\\Tools\\Run.LNK"] = {"C:\\tools\\run.exe", "", "-now", "", 7};
    style.EditActionButton = 3;
    frmEditAction action(editorPorts, style, views);
    action.Form_Load();
    EXPECT_EQ(action.Caption, "Edit User Defined Action3");
    action.txtUserDefinedAction = "C:\\Tools\\Run.LNK";
    action.cmdTest_Click();
    ASSERT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(processes.Started[0].CommandLine, "C:\\tools\\run.exe -now");
    EXPECT_EQ(processes.Started[0].ShowState, 7);
    // Browse as the editor's: a shortcut is chosen as itself, with its
    // arguments; a path with blanks is quoted.
    for (const auto& [chosen, shown] : {std::pair<std::string, std::string>{"C:\\Tools\\Run.LNK", "C:\\Tools\\Run.LNK"},
                                        {"C:\\My Tools\\run.exe", "\"C:\\My Tools\\run.exe\""}}) {
        views.Chosen = chosen;
        action.cmdBrowse_Click();
        EXPECT_EQ(action.txtUserDefinedAction, shown);
        EXPECT_EQ(views.Opened.back().Flags, kOpenHideReadOnly | kOpenNoDereferenceLinks);
    }
    action.cmdHelp_Click();
    EXPECT_EQ(views.HelpContext, 123u);
    action.cmdCancel_Click();
    EXPECT_EQ(style.EditActionText(), "");
}

}  // namespace
}  // namespace ambrel::testing
