#include "maintenance/Frm_add_command.h"

#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/HelpContexts.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

// A list position for a stored 1-based number, the first item when it is
// out of the list's range.
int Position(std::int16_t number, int items) { return number >= 1 && number <= items ? number - 1 : 0; }

}  // namespace

std::string ActionText(std::int16_t action) {
    static const char* const kTexts[6] = {"Continue normally",          "Skip next program and continue",
                                          "No more program executions", "Cancel shutdown",
                                          "Rerun previous program",     "User defined action"};
    return action >= 1 && action <= 6 ? kTexts[action - 1] : "";
}

std::string CommandLineTooLongText() {
    return "The command line is too long: Windows starts no more than " + std::to_string(kMaxCommandLine) +
           " characters.";
}

std::string ControlCharactersRemovedText(const std::string& what) {
    return "The " + what +
           " held characters that cannot be part of it (control characters, such as a line break or the one "
           "Ctrl+Backspace makes). They have been removed: check the " +
           what + " and accept it again.";
}

std::string CorrectRunLimit(const std::string& text) {
    if (!IsNumeric(text)) return "0";
    std::int16_t limit = 0;
    try {
        limit = CIntText(text, "corvane");
    } catch (const RuntimeError&) {
        return "0";
    }
    if (limit < 0 || limit > 100) limit = 0;
    return std::to_string(limit);
}

bool TestRunCommand(EditorPorts& ports, const std::string& commandLine, std::int16_t windowStyle,
                    std::string& message, const std::function<bool()>& stopWaiting) {
    std::string command = commandLine;
    if (IsShortcutPath(command)) {
        // Started the way the monitor starts it: the shortcut's own show value.
        std::int32_t show = windowStyle;
        command = ShortcutCommandLine(ports.Links, command, show);
        windowStyle = static_cast<std::int16_t>(show);
    }
    message.clear();
    if (Trim(command).empty()) return true;
    return RunCommand(ports.Processes, ports.Clock, message, command, windowStyle, false, 0, nullptr, stopWaiting);
}

void CommandTest::Press(const std::function<void()>& refresh,
                        const std::function<void(const std::function<bool()>&)>& test) {
    if (m_running) {
        m_stop = true;
        return;
    }
    m_running = true;
    m_stop = false;
    refresh();
    try {
        test([this] { return m_stop; });
    } catch (...) {
        m_running = false;
        refresh();
        throw;
    }
    m_running = false;
    refresh();
}

Frm_add_command::Frm_add_command(EditorPorts& ports, frm_Ambrel_Maintenance& owner, IAddCommandView& view)
    : m_ports(ports), m_owner(owner), m_view(view) {}

void Frm_add_command::Form_Load() {
    m_mode = m_owner.CommandEditMode;
    if (m_mode == kEditModeAdd) {
        lbl_command = "Enter command line:";
    } else if (m_mode == kEditModeDelete) {
        lbl_command = "Delete this command line?";
        Inputs_Enabled = false;
    } else {
        lbl_command = "Edit command line:";
    }
    m_settings = m_owner.GetCurrentSettings();
    m_strings = m_owner.GetCurrentStrings();

    Txt_command = m_strings.CommandLine;
    Chk_run = m_settings.Run == 1 ? 1 : 0;
    chkShowMessage = m_settings.ShowMessageWhen == 0 ? 0 : 1;
    cboShowMessageWhen_ListIndex = m_settings.ShowMessageWhen == 0 || m_settings.ShowMessageWhen == 1 ? 0 : 1;
    optCommandRunOption = m_settings.WindowStyle >= 1 && m_settings.WindowStyle <= 3 ? m_settings.WindowStyle - 1 : -1;
    txtRunLimit = std::to_string(m_settings.RunLimit);

    if (m_settings.RunFrequency == 0) m_settings.RunFrequency = 1;
    // Any other value runs daily in the monitor, so it shows as daily.
    optRunFrequency = Position(m_settings.RunFrequency, 4);
    optRunFrequency_Click(optRunFrequency);
    cboWeekDay_ListIndex = cboMonthDay_ListIndex = cboYearMonth_ListIndex = cboYearDay_ListIndex = 0;
    switch (optRunFrequency) {
        case 1: cboWeekDay_ListIndex = Position(m_settings.RunDay, 7); break;
        case 2: cboMonthDay_ListIndex = Position(m_settings.RunDay, 31); break;
        case 3:
            cboYearMonth_ListIndex = Position(m_settings.RunDay, 12);
            cboYearDay_ListIndex = Position(m_settings.RunYearDay, 31);
            break;
        default: break;
    }
    Chk_run_Click();
}

void Frm_add_command::optRunFrequency_Click(int index) {
    optRunFrequency = index;
    cboWeekDay_Enabled = index == 1;
    cboMonthDay_Enabled = index == 2;
    cboYearMonth_Enabled = cboYearDay_Enabled = index == 3;
    m_view.Refresh();
}

void Frm_add_command::Chk_run_Click() {
    Img_run_Visible = Chk_run == 1;
    Img_dont_run_Visible = !Img_run_Visible;
    Chk_run_Caption = Chk_run == 1 ? "Run" : "Don't run";
    m_view.Refresh();
}

void Frm_add_command::txtRunLimit_LostFocus() {
    txtRunLimit = CorrectRunLimit(txtRunLimit);
    m_view.Refresh();
}

OpenFileRequest BrowseRequest(const AppIdentity& app) {
    return {"Browse File", "All files(*.*) | *.*", app.ProgramDirectory, kOpenHideReadOnly | kOpenNoDereferenceLinks};
}

std::string BrowsedCommandLine(const std::string& chosen) {
    // A shortcut's path is read as a file, never split.
    return IsShortcutPath(chosen) ? chosen : QuotedPath(chosen);
}

void Frm_add_command::cmd_browse_Click() {
    std::string chosen = m_view.ShowOpen(BrowseRequest(m_ports.App));
    if (!chosen.empty()) Txt_command = BrowsedCommandLine(chosen);
    m_view.Refresh();
}

void Frm_add_command::cmdEditMessage_Click() { m_view.ShowMessageStyle(); }

void Frm_add_command::CmdHelp_Click() {
    m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, kHelpCommandEditor);
}

bool Frm_add_command::Validate() {
    auto refuse = [this](const std::string& text) {
        m_ports.Ui.MsgBox(text, kMbCritical, m_ports.App.Title);
        return false;
    };
    // Taken out here rather than written: the list's files cannot hold them.
    if (!IsTypedText(Txt_command)) {
        Txt_command = WithoutControlCharacters(Txt_command);
        m_view.Refresh();
        return refuse(ControlCharactersRemovedText("command line"));
    }
    if (Trim(Txt_command).empty()) return refuse("No command line was entered");
    if (Txt_command.size() > kMaxCommandLine) return refuse(CommandLineTooLongText());
    if (optRunFrequency == 3) {
        const int month = cboYearMonth_ListIndex + 1, day = cboYearDay_ListIndex + 1;
        if (month == 2 && day > 29) return refuse("February can't have more than 29 days!");
        if ((month == 4 || month == 6 || month == 9 || month == 11) && day == 31)
            return refuse(std::string(kMonths[month - 1]) + " can't have more than 30 days!");
    }
    OfferQuotes();
    return true;
}

void Frm_add_command::OfferQuotes() {
    const std::string line = Trim(Txt_command);
    if (line.empty() || line[0] == '"' || IsShortcutPath(line)) return;
    const ProgramParts parts =
        SplitProgram(line, [this](const std::string& path) { return m_ports.Files.FileExists(path); });
    if (parts.Program.find(' ') == std::string::npos) return;
    // Other programs, and Windows itself, would take "C:\Program" for the
    // program: a "C:\Program.exe" would run in its place.
    const std::string text = "The program " + parts.Program +
                             " has blanks in its path but no quotes around it, so Windows could take a part of the "
                             "path for another program.\r\n\r\nPut it in quotes?";
    if (m_ports.Ui.MsgBox(text, kMbYesNo | kMbExclamation, m_ports.App.Title) == kAnswerYes)
        Txt_command = QuotedCommandLine(parts.Program, parts.Arguments);
}

void Frm_add_command::ReadControls() {
    m_strings.CommandLine = Txt_command;
    m_settings.Run = Chk_run == 1 ? 1 : 0;
    if (optCommandRunOption >= 0 && optCommandRunOption <= 2)
        m_settings.WindowStyle = static_cast<std::int16_t>(optCommandRunOption + 1);
    m_settings.ShowMessageWhen = MessageTiming();
    // Left with Enter, the box was never corrected: the limit is checked here too.
    txtRunLimit = CorrectRunLimit(txtRunLimit);
    m_settings.RunLimit = CIntText(txtRunLimit, m_ports.App.Title);
    m_settings.RunFrequency = static_cast<std::int16_t>(optRunFrequency + 1);
    switch (optRunFrequency) {
        case 1: m_settings.RunDay = static_cast<std::int16_t>(cboWeekDay_ListIndex + 1); break;
        case 2: m_settings.RunDay = static_cast<std::int16_t>(cboMonthDay_ListIndex + 1); break;
        case 3:
            m_settings.RunDay = static_cast<std::int16_t>(cboYearMonth_ListIndex + 1);
            m_settings.RunYearDay = static_cast<std::int16_t>(cboYearDay_ListIndex + 1);
            break;
        default: break;
    }
}

std::int16_t Frm_add_command::MessageTiming() const {
    if (chkShowMessage != 1) return 0;
    return cboShowMessageWhen_ListIndex == 0 ? 1 : 2;
}

void Frm_add_command::Cmd_ok_Click() {
    // A test still running: the edit waits for it (Accept would be lost
    // with the test's return otherwise).
    if (Test.Running()) return;
    if (m_mode == kEditModeAdd || m_mode == kEditModeEdit) {
        if (!Validate()) return;
        ReadControls();
        m_owner.SetCurrentSettings(m_settings);
        m_owner.SetCurrentStrings(m_strings);
    }
    Close();
}

void Frm_add_command::Cmd_cancel_Click() {
    if (Test.Running()) return;
    m_owner.CommandEditMode = kEditModeCancelled;
    Close();
}

void Frm_add_command::Form_QueryUnload() {
    if (Test.Running()) return;
    if (!Closed) m_owner.CommandEditMode = kEditModeCancelled;
    Close();
}

void Frm_add_command::Close() {
    if (Closed) return;
    Closed = true;
    m_view.Close();
}

void Frm_add_command::ShowTestMessage() {
    try {
        // As the monitor shows it when the command runs.
        std::int16_t button =
            ShowCommandMessage(m_ports.Ui, kMonitorTitle, m_strings.MessageText, m_settings.MessageStyle);
        std::int16_t action = button == 1   ? m_settings.Action1
                              : button == 2 ? m_settings.Action2
                              : button == 3 ? m_settings.Action3
                                            : 0;
        m_ports.Ui.MsgBox("Option selected:  \r\n\r\n" + ActionText(action), kMbOkOnly, m_ports.App.Title);
    } catch (...) {
        m_ports.Ui.MsgBox("Couldn't perform " + Txt_command, kMbExclamation, m_ports.App.ProductName);
    }
}

void Frm_add_command::cmdTest_Click() {
    Test.Press([this] { m_view.Refresh(); }, [this](const std::function<bool()>& stopWaiting) {
        const std::int16_t timing = MessageTiming();
        // A stored style that no option shows (a hidden window) is tested in
        // a normal window: a test the user cannot see helps nobody.
        const std::int16_t style =
            optCommandRunOption >= 0 ? static_cast<std::int16_t>(optCommandRunOption + 1) : std::int16_t{1};
        if (timing == 1) ShowTestMessage();
        try {
            std::string message;
            if (!TestRunCommand(m_ports, Txt_command, style, message, stopWaiting))
                m_ports.Ui.MsgBox(message, kMbExclamation, m_ports.App.ProductName);
        } catch (...) {
            m_ports.Ui.MsgBox("Couldn't perform " + Txt_command, kMbExclamation, m_ports.App.ProductName);
        }
        if (timing == 2) ShowTestMessage();
    });
}

}  // namespace ambrel
