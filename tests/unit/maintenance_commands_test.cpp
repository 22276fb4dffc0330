// The command list page of the maintenance window: rows, the editor's
// interface, the priority buttons and what OK saves.

#include "unit/maintenance_fixture.h"

namespace ambrel::testing {
namespace {

using Rows_ = std::vector<std::string>;

class CommandPage : public Maintenance {
protected:
    // The editor accepts, storing this command line (and run switch).
    void EditorStores(const std::string& commandLine, std::int16_t run = 1) {
        editor.Play = [commandLine, run](frm_Ambrel_Maintenance& f) {
            CommandStrings strings = f.GetCurrentStrings();
            strings.CommandLine = commandLine;
            f.SetCurrentStrings(strings);
            CommandSettings settings = f.GetCurrentSettings();
            settings.Run = run;
            settings.RunFrequency = 1;
            f.SetCurrentSettings(settings);
        };
    }
    void EditorCancels() {
        editor.Play = [](frm_Ambrel_Maintenance& f) { f.CommandEditMode = kEditModeCancelled; };
    }
    std::vector<std::string> SavedLines() {
        std::vector<std::string> lines;
        for (const auto& pair : SavedList()) lines.push_back(pair.Strings.CommandLine + ":" + std::to_string(pair.Settings.Run));
        return lines;
    }
};

TEST_F(CommandPage, AnEmptyListOffersOnlyAdd) {
    SaveList({});
    auto& f = Open();
    EXPECT_TRUE(f.Lv_commands.empty());
    EXPECT_FALSE(f.Cmd_edit_Enabled);
    EXPECT_FALSE(f.Cmd_delete_Enabled);
    EXPECT_EQ(f.SelectedCommandRow(), 0);
    f.Cmd_edit_Click();
    f.Cmd_delete_Click();
    f.Toolbar1_ButtonClick("UpPriorty");
    f.Lv_commands_DblClick();
    EXPECT_TRUE(editor.Modes.empty());
    EXPECT_TRUE(f.Lv_commands.empty());
    EXPECT_TRUE(ui.Boxes.empty());

    // With no list at all the load says so; Edit and Delete stay, doing nothing.
    files.Remove("C:\\Ambrel\\Data\\ambrel.sds");
    auto& g = Open();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("File not found"), std::string::npos);
    EXPECT_TRUE(g.Cmd_edit_Enabled && g.Cmd_delete_Enabled);
    g.Cmd_edit_Click();
    EXPECT_TRUE(editor.Modes.empty());
}

TEST_F(CommandPage, RowsShowTheStoredListAndItsPriorities) {
    SaveList({"a.exe", "   ", "b.exe"});
    auto& f = Open();
    EXPECT_EQ(Rows(), (Rows_{"Yes..|1|a.exe|0010", "Yes..|1|b.exe|0020"}));
    EXPECT_EQ(f.Lv_commands[1].Tag, "1");
    EXPECT_TRUE(f.Cmd_edit_Enabled && f.Cmd_delete_Enabled);
    EXPECT_EQ(f.SelectedCommandRow(), 1);  // none selected: the first
    f.Lv_SelectedRow = 2;
    EXPECT_EQ(f.SelectedCommandRow(), 2);
    f.CurrentCommand = 7;
    EXPECT_THROW(f.GetCurrentSettings(), RuntimeError);
    EXPECT_THROW(f.SetCurrentStrings({}), RuntimeError);
}

TEST_F(CommandPage, AddAppendsACommandAndCancelLeavesEverythingAsItWas) {
    SaveList({"a.exe"});
    auto& f = Open();
    const std::size_t slots = f.CommandSettingsList.size();
    EditorCancels();
    f.Cmd_add_Click();
    EXPECT_EQ(editor.Modes, std::vector<int>{kEditModeAdd});
    EXPECT_EQ(f.CurrentCommand, static_cast<int>(slots));
    EXPECT_EQ(f.CommandSettingsList.size(), slots);
    EXPECT_EQ(Rows(), Rows_{"Yes..|1|a.exe|0010"});

    EditorStores("new.exe", 0);
    editor.Play = [play = editor.Play](frm_Ambrel_Maintenance& f) {
        // A new command starts with the defaults of an added one.
        CommandSettings s = f.GetCurrentSettings();
        EXPECT_EQ(s, NewCommandSettings(DateSerial(2026, 12, 8)));
        EXPECT_TRUE(f.GetCurrentStrings().CommandLine.empty());
        play(f);
    };
    f.Cmd_add_Click();
    EXPECT_EQ(Rows(), (Rows_{"Yes..|1|a.exe|0010", "No...|2|new.exe|0020"}));
    f.cmd_ok_Click();
    EXPECT_EQ(SavedLines(), (Rows_{"a.exe:1", "new.exe:0"}));
}

TEST_F(CommandPage, AListNeverSizedTakesItsFirstCommandAtIndexOne) {
    SaveList({});
    auto& f = Open();
    EditorStores("first.exe");
    f.Cmd_add_Click();
    EXPECT_EQ(f.Lv_commands[0].Tag, "1");
    EXPECT_TRUE(f.Cmd_edit_Enabled && f.Cmd_delete_Enabled);
    f.cmd_ok_Click();
    EXPECT_EQ(SavedLines(), Rows_{"first.exe:1"});
}

TEST_F(CommandPage, EditShowsTheRowAndTakesBackWhatTheEditorStored) {
    SaveList({"a.exe", "b.exe"});
    auto& f = Open();
    f.Lv_SelectedRow = 2;
    f.Lv_commands_DblClick();  // the row says "don't run"; the array does not
    editor.Play = [](frm_Ambrel_Maintenance& f) {
        EXPECT_EQ(f.GetCurrentSettings().Run, 2);
        CommandStrings s = f.GetCurrentStrings();
        s.CommandLine = "b2.exe";
        f.SetCurrentStrings(s);
        CommandSettings t = f.GetCurrentSettings();
        t.Run = 0;
        f.SetCurrentSettings(t);
    };
    f.Cmd_edit_Click();
    EXPECT_EQ(editor.Modes, std::vector<int>{kEditModeEdit});
    EXPECT_EQ(Rows(), (Rows_{"Yes..|1|a.exe|0010", "No...|2|b2.exe|0020"}));

    // A blank command line keeps the row's; Cancel changes nothing.
    EditorStores("   ", 1);
    f.Cmd_edit_Click();
    EXPECT_EQ(Rows()[1], "Yes..|1|b2.exe|0020");
    EditorCancels();
    f.Lv_commands_DblClick();
    f.Cmd_edit_Click();
    EXPECT_EQ(Rows()[1], "No...|2|b2.exe|0020");
}

TEST_F(CommandPage, DeleteRemovesTheRowOnlyWhenConfirmed) {
    SaveList({"a.exe", "b.exe", "c.exe"});
    auto& f = Open();
    EditorCancels();
    f.Lv_SelectedRow = 2;
    f.Cmd_delete_Click();
    EXPECT_EQ(Rows().size(), 3u);
    editor.Play = nullptr;
    f.Cmd_delete_Click();
    EXPECT_EQ(editor.Modes.back(), kEditModeDelete);
    EXPECT_EQ(Rows(), (Rows_{"Yes..|1|a.exe|0010", "Yes..|1|c.exe|0020"}));
    // An added command that is deleted again is not saved.
    EditorStores("temporary.exe");
    f.Cmd_add_Click();
    editor.Play = nullptr;
    f.Lv_SelectedRow = 3;
    f.Cmd_delete_Click();
    f.Lv_SelectedRow = 1;
    f.Cmd_delete_Click();
    f.Cmd_delete_Click();
    EXPECT_TRUE(f.Lv_commands.empty());
    EXPECT_FALSE(f.Cmd_edit_Enabled || f.Cmd_delete_Enabled);
    f.cmd_ok_Click();
    EXPECT_TRUE(SavedLines().empty());
    EXPECT_EQ(files.Content("C:\\Ambrel\\Data\\ambrel.sds")->size(), 18u);
}

TEST_F(CommandPage, PriorityButtonsMoveTheSelectedRowOnePlace) {
    struct Case {
        int Selected;
        const char* Key;
        Rows_ Order;
        int SelectedAfter;
    } cases[] = {
        {1, "UpPriorty", {"a", "b", "c"}, 1},   {3, "DownPriorty", {"a", "b", "c"}, 3},
        {2, "UpPriorty", {"b", "a", "c"}, 1},   {2, "DownPriorty", {"a", "c", "b"}, 3},
        {0, "DownPriorty", {"b", "a", "c"}, 2}, {2, "Elsewhere", {"a", "b", "c"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Key) + " " + std::to_string(c.Selected));
        SaveList({"a", "b", "c"});
        auto& f = Open();
        f.Lv_SelectedRow = c.Selected;
        f.Toolbar1_ButtonClick(c.Key);
        Rows_ order;
        for (const auto& row : f.Lv_commands) order.push_back(row.CommandLine);
        EXPECT_EQ(order, c.Order);
        EXPECT_EQ(f.Lv_SelectedRow, c.SelectedAfter);
        EXPECT_EQ(f.Lv_commands[2].Priority, "0030");
        f.cmd_ok_Click();
        Rows_ saved;
        for (const auto& pair : SavedList()) saved.push_back(pair.Strings.CommandLine);
        EXPECT_EQ(saved, c.Order);
    }
}

TEST_F(CommandPage, TheRowsPictureDecidesTheRunSwitchThatIsSaved) {
    SaveList({"a.exe", "b.exe"});
    auto& f = Open();
    f.Lv_SelectedRow = 1;
    f.Lv_commands_DblClick();
    EXPECT_EQ(Rows()[0], "No...|2|a.exe|0010");
    f.Lv_SelectedRow = 2;
    f.Lv_commands_DblClick();
    f.Lv_commands_DblClick();
    f.cmd_ok_Click();
    EXPECT_EQ(SavedLines(), (Rows_{"a.exe:0", "b.exe:1"}));
}

// The monitor records runs while the window is open: OK keeps them for every
// command, edited or not, wherever it moved (the editor never changes them).
TEST_F(CommandPage, OkKeepsTheRunCountersTheMonitorStoredMeanwhile) {
    SaveList({"a.exe", "b.exe", "c.exe"});
    auto& f = Open();
    // The monitor runs a and b today.
    {
        ScriptedUserInteraction nobody;
        auto stored = ReadStoredPairs(files, CurrentCommandFiles(), "t");
        ASSERT_EQ(RecordCommandRun(files, &lock, CurrentCommandFiles(), 0, stored[0], DateOnly(clock.Now()), "t"), 0);
        ASSERT_EQ(RecordCommandRun(files, &lock, CurrentCommandFiles(), 1, stored[1], DateOnly(clock.Now()), "t"), 1);
    }
    f.Lv_SelectedRow = 2;
    f.Toolbar1_ButtonClick("UpPriorty");  // b first
    f.Lv_SelectedRow = 2;
    f.Lv_commands_DblClick();  // a switched off: not an edit
    f.Lv_SelectedRow = 1;
    EditorStores("b-edited.exe");
    f.Cmd_edit_Click();
    f.cmd_ok_Click();
    auto saved = SavedList();
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0].Strings.CommandLine, "b-edited.exe");
    EXPECT_EQ(saved[0].Settings.RunCount, 1) << "an edit dropped a run recorded meanwhile";
    EXPECT_EQ(saved[0].Settings.LastRunDate, DateOnly(clock.Now()));
    EXPECT_EQ(saved[1].Strings.CommandLine, "a.exe");
    EXPECT_EQ(saved[1].Settings.Run, 0);
    EXPECT_EQ(saved[1].Settings.RunCount, 1);
    EXPECT_EQ(saved[1].Settings.LastRunDate, DateOnly(clock.Now()));
    EXPECT_EQ(saved[2].Settings.RunCount, 0);
}

}  // namespace
}  // namespace ambrel::testing
