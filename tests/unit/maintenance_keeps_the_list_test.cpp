// The maintenance program never loses a list: a character no command line may
// hold never reaches the files, a window whose load failed in part never saves
// less than was stored without the user's say, and a long list keeps the
// order it shows.

#include "unit/maintenance_fixture.h"

#include "maintenance/Frm_add_command.h"
#include "maintenance/frmCommandMessageStyle.h"

namespace ambrel::testing {
namespace {

class KeepsTheList : public Maintenance {
protected:
    std::vector<std::string> SavedLines() {
        std::vector<std::string> lines;
        for (const auto& pair : SavedList()) lines.push_back(pair.Strings.CommandLine);
        return lines;
    }
    LoadResult LoadStored() {
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, regional, nobody, app);
        return LoadCommandList(files, logger, CurrentCommandFiles(), [](int, const CommandSettings&, const CommandStrings&) {},
                               "t");
    }

    EditorPorts editorPorts{ui, processes, clock, links, app, files};
    FakeEditorViews views;
};

// Each control character, typed or pasted into the command line and into a
// user defined action: taken out and said so at Accept, so the saved list
// loads whole, every command after the edited one included.
TEST_F(KeepsTheList, NoControlCharacterTypedOrPastedReachesTheFiles) {
    std::vector<std::string> bad;
    for (int c = 1; c < 0x20; ++c)
        if (c != '\t') bad.push_back(std::string(1, static_cast<char>(c)));
    bad.push_back("\x7F");      // Ctrl+Backspace in a standard edit box
    bad.push_back("\r\nnext");  // a paste of two lines
    for (const std::string& typed : bad) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(typed[0])));
        SaveList({"a.exe", "b.exe", "c.exe"});
        auto& page = Open();
        editor.Play = [&](frm_Ambrel_Maintenance& owner) {
            Frm_add_command e(editorPorts, owner, views);
            e.Form_Load();
            e.Txt_command = "a.exe" + typed + " /x";
            ui.Boxes.clear();
            e.Cmd_ok_Click();
            ASSERT_EQ(ui.Boxes.size(), 1u) << "accepted as typed";
            EXPECT_EQ(ui.Boxes[0].Text, ControlCharactersRemovedText("command line"));
            EXPECT_FALSE(e.Closed) << "the user did not see what was removed";
            EXPECT_EQ(e.Txt_command, "a.exe" + WithoutControlCharacters(typed) + " /x");

            frmCommandMessageStyle style(editorPorts, e, views);
            style.Form_Load();
            style.EditActionButton = 2;
            frmEditAction action(editorPorts, style, views);
            action.Form_Load();
            action.txtUserDefinedAction = "notify.exe" + typed;
            action.cmdOK_Click();
            EXPECT_FALSE(action.Closed);
            action.cmdOK_Click();
            EXPECT_TRUE(action.Closed);
            style.txtMessage = "Line one\r\nLine two";  // a message may hold line ends
            style.cmdAccept_Click();
            e.Cmd_ok_Click();
            EXPECT_TRUE(e.Closed);
        };
        page.Lv_SelectedRow = 1;
        page.Cmd_edit_Click();
        page.cmd_ok_Click();
        const LoadResult stored = LoadStored();
        EXPECT_TRUE(stored.Completed);
        const std::vector<CommandPair> saved = SavedList();
        ASSERT_EQ(saved.size(), 3u) << "commands after the edited one were lost";
        EXPECT_EQ(saved[0].Strings.CommandLine, "a.exe" + WithoutControlCharacters(typed) + " /x");
        EXPECT_EQ(saved[0].Strings.UserAction2, "notify.exe" + WithoutControlCharacters(typed));
        EXPECT_EQ(saved[0].Strings.MessageText, "Line one\r\nLine two");
        EXPECT_EQ(saved[2].Strings.CommandLine, "c.exe");
    }
}

// The window's load with each of its steps failing in turn: what is stored
// is never replaced by less, unless the user says so.
TEST_F(KeepsTheList, AWindowWhoseLoadFailedInPartNeverSavesLessThanWasStored) {
    struct Case {
        const char* Name;
        std::function<void()> Fault;
        bool Asked;       // OK asks before saving over the stored list
        std::size_t Rows;  // what the page shows
    };
    const std::string strings = "C:\\Ambrel\\Data\\ambrel.sds";
    const Case cases[] = {
        // The Shutdown folder is asked for and cannot be made (a file is in its way).
        {"folder", [&] { files.AddFile(kShutdown, ""); }, false, 3},
        // The strings cannot be read at all.
        {"unreadable", [&] {
             files.OpenFault = [strings](const std::string& path, FileMode) {
                 return LCase(path) == LCase(strings) ? kErrPathFileAccess : 0L;
             };
         }, true, 0},
        // The strings file was cut inside the third command.
        {"cut", [&] {
             std::string cut = *files.Content(strings);
             files.AddFile(strings, cut.substr(0, cut.size() - 3));
         }, true, 2},
    };
    for (const Case& c : cases) {
        for (int answer : {kAnswerNo, kAnswerYes}) {
            SCOPED_TRACE(std::string(c.Name) + (answer == kAnswerYes ? " yes" : " no"));
            files.OpenFault = nullptr;
            files.Remove(kShutdown);
            Store([](cAmbrelOptions& o) { o.RunCommands("B"); });
            SaveList({"a.exe", "b.exe", "c.exe"});
            c.Fault();
            const std::string before = *files.Content(strings);
            ui.Boxes.clear();
            ui.Answers = {kAnswerYes, answer};  // make the folder; then the question at OK, if any
            auto& page = Open();
            files.OpenFault = nullptr;
            EXPECT_EQ(page.Lv_commands.size(), c.Rows);
            EXPECT_EQ(page.lblListReadOnly.empty(), c.Rows == 3) << page.lblListReadOnly;
            const std::size_t boxes = ui.Boxes.size();
            page.cmd_ok_Click();
            const bool asked = ui.Boxes.size() > boxes &&
                               ui.Boxes[boxes].Text.find("was not loaded whole") != std::string::npos;
            EXPECT_EQ(asked, c.Asked);
            if (c.Rows == 3 || (asked && answer == kAnswerYes)) {
                EXPECT_EQ(SavedList().size(), c.Rows);
            } else {
                EXPECT_EQ(*files.Content(strings), before) << "the stored list was saved over";
            }
            EXPECT_EQ(Stored("RunCommands"), "B") << "the options were not saved";
        }
    }
}

// From row 1,000 on the priorities have five digits: a move and an Add keep
// the order shown, and the saved order is that order.
TEST_F(KeepsTheList, ALongListKeepsTheOrderItShows) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 1200; ++i) lines.push_back("c" + std::to_string(i) + ".exe");
    SaveList(lines);
    auto& page = Open();
    page.Lv_SelectedRow = 1100;
    page.Toolbar1_ButtonClick("UpPriorty");
    editor.Play = [](frm_Ambrel_Maintenance& owner) {
        CommandStrings strings = owner.GetCurrentStrings();
        strings.CommandLine = "new.exe";
        owner.SetCurrentStrings(strings);
    };
    page.Cmd_add_Click();
    std::vector<std::string> expected = lines;
    std::swap(expected[1098], expected[1099]);
    expected.push_back("new.exe");
    std::vector<std::string> shown;
    for (const CommandRow& row : page.Lv_commands) shown.push_back(row.CommandLine);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(page.Lv_SelectedRow, 1099) << "the moved row is no longer selected";
    EXPECT_EQ(page.Lv_commands[999].Priority, "10000");
    EXPECT_EQ(page.Lv_commands[1200].Priority, "12010");
    page.cmd_ok_Click();
    EXPECT_EQ(SavedLines(), expected);
}

}  // namespace
}  // namespace ambrel::testing
