// The command list as text: corvane's /export and /import over the doubles,
// the round trip of a list that uses every field, and the files a bad text
// is refused for, each with its line, the stored list untouched.

#include "unit/maintenance_fixture.h"

#include "maintenance/CommandListTask.h"
#include "maintenance/CommandListText.h"
#include "shared/SessionTrail.h"

namespace ambrel::testing {
namespace {

class ListText : public Maintenance {
protected:
    ListText() {
        Store([](cAmbrelOptions& o) {
            o.AllUsersUseSame(true);
            o.Logging(2);  // errors
        });
        files.AddFolder("C:\\Ambrel\\Data");
    }
    int Run(const std::string& commandLine) {
        report.clear();
        return RunListTask(ports, ParseListTask(commandLine), {}, report);
    }
    std::string Stored() {
        const std::string* sdd = files.Content("C:\\Ambrel\\Data\\ambrel.sdd");
        const std::string* sds = files.Content("C:\\Ambrel\\Data\\ambrel.sds");
        return (sdd ? *sdd : "-") + "|" + (sds ? *sds : "-");
    }
    static CommandPair Command(const std::string& line, const std::function<void(CommandSettings&, CommandStrings&)>& edit) {
        CommandPair pair;
        pair.Settings = NewCommandSettings(DateSerial(2026, 12, 7));
        pair.Settings.RunFrequency = 1;
        pair.Settings.RunCount = 2;  // runs counted before the import
        pair.Strings.CommandLine = line;
        edit(pair.Settings, pair.Strings);
        return pair;
    }
    std::string report;
};

// Every schedule, every window, a message of three lines with a tab, each
// kind of action, user commands, and a style no list of the dialog shows.
TEST_F(ListText, ExportImportExportGivesTheSameTextAndTheSameFiles) {
    const std::vector<CommandPair> list = {
        Command("\"C:\\Program Files\\Backup\\backup.exe\" /quick", [](CommandSettings& s, CommandStrings& t) {
            s.WindowStyle = 1;
            s.RunFrequency = 2;
            s.RunDay = 6;
            s.RunLimit = 1;
            s.ShowMessageWhen = 1;
            s.MessageStyle = 3 + 32 + 256;  // Yes, No, Cancel; question; second default
            s.Action1 = kActionContinue;
            s.Action2 = kActionSkipNext;
            s.Action3 = kActionUserDefined;
            t.MessageText = "Back up now?\r\n\tIt takes a minute.\r\n";
            t.UserAction3 = "notepad.exe C:\\Backup\\readme.txt";
        }),
        Command("a.exe", [](CommandSettings& s, CommandStrings&) {
            s.Run = 0;
            s.WindowStyle = 0;
            s.RunFrequency = 3;
            s.RunDay = 31;
        }),
        Command("b.lnk", [](CommandSettings& s, CommandStrings& t) {
            s.WindowStyle = 3;
            s.RunFrequency = 4;
            s.RunDay = 2;
            s.RunYearDay = 29;
            s.ShowMessageWhen = 2;
            s.MessageStyle = 4096 + 5;  // kept as its number
            s.Action1 = kActionNoMore;
            s.Action2 = kActionCancelShutdown;
            s.Action3 = kActionRerunPrevious;
            t.MessageText = "Done.";
            t.UserAction1 = "x.exe";
            t.UserAction2 = "y.exe";
        }),
        Command("c.exe", [](CommandSettings& s, CommandStrings&) { s.RunDay = 4; }),  // a daily one keeps its day
    };
    ScriptedUserInteraction nobody;
    cLogger logger(files, clock, regional, nobody, app);
    ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "t", SetCommandFiles(true, "C:\\Ambrel", "alice"), list,
                                "t"));
    const std::string before = Stored();

    ASSERT_EQ(Run("/export C:\\list.txt"), kListTaskDone) << report;
    const std::string text = files.ContentOr("C:\\list.txt");
    EXPECT_EQ(text.substr(0, text.find("[Command]", text.find("[Command]") + 1)),
              "Ambrel command list, version 1\r\n\r\n[Command]\r\n"
              "CommandLine=\"C:\\Program Files\\Backup\\backup.exe\" /quick\r\nRun=yes\r\nWindow=normal\r\n"
              "Frequency=weekly\r\nDay=6\r\nLimit=1\r\nMessageWhen=before\r\nMessage=Back up now?\r\n"
              "Message=\tIt takes a minute.\r\nMessage=\r\nButtons=yes-no-cancel\r\nIcon=question\r\n"
              "DefaultButton=2\r\nAction1=continue\r\nAction2=skip-next\r\nAction3=user-defined\r\n"
              "UserCommand3=notepad.exe C:\\Backup\\readme.txt\r\n[End]\r\n\r\n");
    ASSERT_EQ(Run("\"/import\" \"C:\\list.txt\" /allusers"), kListTaskDone) << report;
    EXPECT_EQ(Stored(), before) << "the import changed a field or the counters";
    ASSERT_EQ(Run("/export C:\\again.txt"), kListTaskDone) << report;
    EXPECT_EQ(files.ContentOr("C:\\again.txt"), text);
    EXPECT_EQ(ui.Boxes.size(), 0u) << "a task showed a box";
}

TEST_F(ListText, ABadFileIsRefusedWithItsLineAndLeavesTheListAsItWas) {
    SaveList({"kept.exe"});
    const std::string before = Stored();
    const std::string head = "Ambrel command list, version 1\r\n[Command]\r\nCommandLine=x.exe\r\n";
    const struct {
        std::string Text;
        int Line;
        const char* Says;
    } cases[] = {
        {"Some other list\r\n", 1, "the first line must be"},
        {head + "Colour=red\r\n[End]\r\n", 4, "unknown field \"Colour\""},
        {head + "Window=tiny\r\n[End]\r\n", 4, "Window must be one of hidden, normal, minimized, maximized"},
        {head + "Limit=101\r\n[End]\r\n", 4, "Limit must be a whole number from 0 to 100"},
        {head + "Frequency=weekly\r\nDay=8\r\n[End]\r\n", 5, "Day must be a whole number from 1 to 7"},
        {head + "Frequency=monthly\r\n[End]\r\n", 2, "a monthly command needs its Day"},
        {head + "Frequency=yearly\r\nDay=2\r\nYearDay=30\r\n[End]\r\n", 6, "month 2 has no day 30"},
        {head + "UserCommand1=a\x01" "b\r\n[End]\r\n", 4, "UserCommand1 holds a control character"},
        {head + "Message=a\x7F\r\n[End]\r\n", 4, "Message holds a control character"},
        {head + "Run=yes\r\nRun=no\r\n[End]\r\n", 5, "Run is given twice"},
        {head + "Style=3\r\nIcon=none\r\n[End]\r\n", 5, "Style and the style's parts are both given"},
        {head + "just words\r\n[End]\r\n", 4, "a field needs a name"},
        {"Ambrel command list, version 1\r\n[Command]\r\nRun=yes\r\n[End]\r\n", 2, "the command has no CommandLine"},
        {"Ambrel command list, version 1\r\nCommandLine=x.exe\r\n", 2, "outside a [Command] block"},
        {head + "[Command]\r\n", 4, "before the [End] of the command on line 2"},
        {head + "Run=yes\r\n", 2, "has no [End]: the file is cut short"},
        {head + "CommandLine=" + std::string(40000, 'a') + "\r\n", 4, "given twice"},
        {"Ambrel command list, version 1\r\n[Command]\r\nCommandLine=" + std::string(40000, 'a') + "\r\n[End]\r\n", 3,
         "too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Says);
        files.AddFile("C:\\bad.txt", c.Text);
        EXPECT_EQ(Run("/import C:\\bad.txt /allusers"), kListTaskInvalid);
        EXPECT_NE(report.find("line " + std::to_string(c.Line) + ": "), std::string::npos) << report;
        EXPECT_NE(report.find(c.Says), std::string::npos) << report;
        EXPECT_EQ(Stored(), before);
    }
    EXPECT_NE(files.ContentOr("C:\\Ambrel\\Data\\ambrel.log", "").find("was not imported"), std::string::npos)
        << "the refusal was not logged";

    // The command line itself, and a file that is not there.
    for (const char* usage : {"/export", "/import", "/import a b", "/export a /allusers", "/import a /all"})
        EXPECT_EQ(Run(usage), kListTaskUsage) << usage;
    EXPECT_EQ(Run("/import C:\\missing.txt"), kListTaskFile);
    EXPECT_EQ(ParseListTask("/ForAllUsers").What, ListTask::Kind::None);
    EXPECT_EQ(Stored(), before);
}

// The page's buttons: Export writes the rows as shown, Import puts a file's
// commands on the page (all or nothing) for OK to save, a command that stays
// keeping its counters; History opens this user's history.
TEST_F(ListText, ThePagesExportImportAndHistory) {
    SaveList({"a.exe", "b.exe", "c.exe"});
    {
        auto stored = ReadStoredPairs(files, SetCommandFiles(true, "C:\\Ambrel", "alice"), "t");
        ASSERT_EQ(RecordCommandRun(files, &lock, SetCommandFiles(true, "C:\\Ambrel", "alice"), 1, stored[1],
                                   DateOnly(clock.Now()), "t"),
                  1);
    }
    auto& f = Open();
    f.Lv_SelectedRow = 1;
    f.Lv_commands_DblClick();  // a switched off, on the page only
    view.Chosen = "C:\\out.txt";
    f.Cmd_export_Click();
    std::vector<CommandPair> exported;
    CommandListTextError bad;
    ASSERT_TRUE(CommandListFromText(files.ContentOr("C:\\out.txt"), exported, bad)) << bad.Message;
    ASSERT_EQ(exported.size(), 3u);
    EXPECT_EQ(exported[0].Settings.Run, 0);
    EXPECT_EQ(exported[2].Strings.CommandLine, "c.exe");

    files.AddFile("C:\\in.txt", "Ambrel command list, version 1\r\n[Command]\r\nCommandLine=b.exe\r\n[End]\r\n"
                                  "[Command]\r\nCommandLine=d.exe\r\nFrequency=weekly\r\nDay=2\r\n[End]\r\n");
    files.AddFile("C:\\bad.txt", "Ambrel command list, version 1\r\n[Command]\r\nCommandLine=e.exe\r\n");
    view.Chosen = "C:\\bad.txt";
    f.Cmd_import_Click();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Nothing was imported: C:\\bad.txt, line 2: the command that begins here has no [End]: "
                                "the file is cut short.");
    EXPECT_EQ(f.Lv_commands.size(), 3u);
    view.Chosen = "C:\\in.txt";
    f.Cmd_import_Click();
    ASSERT_EQ(f.Lv_commands.size(), 2u);
    EXPECT_EQ(f.Lv_commands[1].CommandLine, "d.exe");
    f.cmd_ok_Click();
    const std::vector<CommandPair> saved = SavedList();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].Settings.RunCount, 1) << "b's run today was lost";
    EXPECT_EQ(saved[1].Settings.RunFrequency, 2);
    EXPECT_EQ(saved[1].Settings.RunCount, 0);

    auto& g = Open();
    g.Cmd_history_Click();
    EXPECT_EQ(view.HistoryShown, std::vector<std::string>{HistoryPath(CurrentCommandFiles())});
}

}  // namespace
}  // namespace ambrel::testing
