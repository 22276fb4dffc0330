#pragma once
// The command editor: one command of the list, added, changed or shown for
// deletion. It works on its own copies of the command's two records, which
// the message style dialog changes too, and hands them back to the list page
// only when the user accepts.

#include <cstdint>
#include <functional>
#include <string>

#include "shared/CommandRecords.h"
#include "shared/platform.h"

namespace ambrel {

class frm_Ambrel_Maintenance;

// What the editor needs of its window.
class IAddCommandView {
public:
    virtual ~IAddCommandView() = default;
    virtual void Refresh() = 0;
    virtual std::string ShowOpen(const OpenFileRequest& request) = 0;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    // Opens the message style dialog modally over the editor.
    virtual void ShowMessageStyle() = 0;
    // Closes the window from the program's own code.
    virtual void Close() = 0;
};

// What the editor and its dialogs use from the system.
struct EditorPorts {
    IUserInteraction& Ui;
    IProcessLauncher& Processes;
    IClock& Clock;
    IShellLinks& Links;
    AppIdentity App;
    IFileSystem& Files;  // which part of a command line names its program
};

// The texts of the action codes 1 to 6, as a test reports them.
std::string ActionText(std::int16_t action);

// Longest texts the editor lets through: a command line that Windows can
// start, and a message whose length its record can hold.
inline constexpr std::size_t kMaxCommandLine = 32767;
inline constexpr std::size_t kMaxMessageText = 65535;

// What a command line longer than that is refused with.
std::string CommandLineTooLongText();

// Said when characters that no command line holds (a paste brought them, or
// Ctrl+Backspace) were taken out of `what` ("command line", "action").
std::string ControlCharactersRemovedText(const std::string& what);

// The open-file dialog of the editor's and the action dialog's Browse: a
// shortcut is chosen as itself (its arguments stay in it), not its target.
OpenFileRequest BrowseRequest(const AppIdentity& app);
// The command line for a chosen file: quoted when its path has blanks, so
// that it names that file alone; a shortcut's path stays as it is.
std::string BrowsedCommandLine(const std::string& chosen);

// The run limit as the box shows it after the user leaves it.
std::string CorrectRunLimit(const std::string& text);

// Runs a command line as a test from a dialog: a shortcut by its target, with
// the shortcut's show value + 1 as the window style. Returns the runner's
// result; `message` is its text. The wait ends early, the program running
// on, once `stopWaiting` says so.
bool TestRunCommand(EditorPorts& ports, const std::string& commandLine, std::int16_t windowStyle,
                    std::string& message, const std::function<bool()>& stopWaiting = {});

// A dialog's test of a command: while the tested program runs, the dialog's
// buttons and close box wait for it, and Test (captioned "Stop &Waiting")
// ends the wait, leaving the program to run on its own.
class CommandTest {
public:
    bool Running() const { return m_running; }
    std::string Caption() const { return m_running ? "Stop &Waiting" : "&Test"; }
    // Runs `test` (the refresh shows the running test first and the dialog
    // after it), or, while one runs, stops waiting for it.
    void Press(const std::function<void()>& refresh, const std::function<void(const std::function<bool()>&)>& test);

private:
    bool m_running = false;
    bool m_stop = false;
};

class Frm_add_command {
public:
    Frm_add_command(EditorPorts& ports, frm_Ambrel_Maintenance& owner, IAddCommandView& view);

    void Form_Load();
    // A close request not made by the program's own code (the close box, the
    // system menu, the end of the session): the edit is cancelled.
    void Form_QueryUnload();

    void optRunFrequency_Click(int index);
    void Chk_run_Click();
    void txtRunLimit_LostFocus();
    void cmd_browse_Click();
    void cmdEditMessage_Click();
    void CmdHelp_Click();
    void Cmd_ok_Click();
    void Cmd_cancel_Click();
    void cmdTest_Click();

    // What the message style dialog reads and changes.
    CommandSettings GetEditedSettings() const { return m_settings; }
    void SetEditedSettings(const CommandSettings& settings) { m_settings = settings; }
    CommandStrings GetEditedStrings() const { return m_strings; }
    void SetEditedStrings(const CommandStrings& strings) { m_strings = strings; }

    // ---- the window's fields ----
    std::string lbl_command;
    std::string Txt_command;
    int Chk_run = 0;
    std::string Chk_run_Caption = "Run";
    bool Img_run_Visible = true;
    bool Img_dont_run_Visible = false;
    int optCommandRunOption = -1;  // -1: a stored style this window cannot show
    int chkShowMessage = 0;
    int cboShowMessageWhen_ListIndex = 0;
    int optRunFrequency = 0;
    int cboWeekDay_ListIndex = 0, cboMonthDay_ListIndex = 0, cboYearMonth_ListIndex = 0, cboYearDay_ListIndex = 0;
    bool cboWeekDay_Enabled = false, cboMonthDay_Enabled = false, cboYearMonth_Enabled = false,
         cboYearDay_Enabled = false;
    std::string txtRunLimit = "0";
    // Every input; false in the read-only confirmation of a deletion.
    bool Inputs_Enabled = true;
    CommandTest Test;
    bool Closed = false;

    int Mode() const { return m_mode; }
    EditorPorts& Ports() { return m_ports; }
    // Before Accept: an unquoted program path with blanks is offered quotes.
    void OfferQuotes();

private:
    bool Validate();
    void ReadControls();
    std::int16_t MessageTiming() const;
    void ShowTestMessage();
    void Close();

    EditorPorts& m_ports;
    frm_Ambrel_Maintenance& m_owner;
    IAddCommandView& m_view;
    int m_mode = 0;
    CommandSettings m_settings;
    CommandStrings m_strings;
};

}  // namespace ambrel
