// The execution run of the monitor's main window: the execute list, its
// confirmation, running it row by row, and the answer to the end of the session.

#include <algorithm>
#include <map>

#include "monitor/frmAmbrel.h"
#include "shared/CommandFiles.h"
#include "shared/FileListBox.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cExitWindows.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

const char* const kPriorityMask = "####0000";
const char* const kRunText = "Yes..";
const char* const kDontRunText = "No...";

// Step codes of RunCommandWithMessage.
constexpr std::int16_t kStepGoOn = 1;
constexpr std::int16_t kStepSkipNext = 2;
constexpr std::int16_t kStepStop = 3;
constexpr std::int16_t kStepCancel = 4;
constexpr std::int16_t kStepRunAgain = 5;
constexpr std::int16_t kStepRunPrevious = 20;

bool IsShortcut(const std::string& path) { return path.size() >= 4 && LCase(path.substr(path.size() - 4)) == ".lnk"; }

}  // namespace

// ---------------------------------------------------------------------------
// Building the list

void frmAmbrel::BuildExecuteList() {
    if (RunShortcutsOption) AddShutdownShortcuts();
    if (RunCommandLinesOption) AddCommandLines();
}

void frmAmbrel::ClearExecuteList() {
    Lv_ExecuteList.clear();
    Lv_SelectedRow = 0;
}

void frmAmbrel::AddShutdownShortcuts() {
    FileListBox flb_prog(m_ports.Files);
    if (!flb_prog.Path(ShutdownFolder)) {
        m_ports.Ui.MsgBox("The Shutdown Directory wasn't found.\r\n\r\nPlease run Ambrel Maintenance before proceding.",
                          kMbCritical, m_ports.App.Title);
        cSysTray1_InTray = false;
        m_view.Refresh();
        return;
    }
    for (int i = 0; i < flb_prog.ListCount(); ++i)
        Lv_ExecuteList.push_back({kRunText, 1, flb_prog.List(i), "", "S", ""});
    ShortcutsListed = flb_prog.ListCount() > 0;
}

void frmAmbrel::AddCommandLines() {
    CommandLinesListed = false;
    CommandSettingsList.clear();
    CommandStringsList.clear();
    CommandRecordList.clear();
    int place = 0;
    LoadCommandRecords(
        m_ports.Files, *m_logger, CurrentCommandFiles(),
        [&](int index, int record, const CommandSettings& settings, const CommandStrings& strings) {
            CommandSettingsList.push_back(settings);
            CommandStringsList.push_back(strings);
            CommandRecordList.push_back(record);
            ++place;
            bool runs = settings.Run == 1;
            Lv_ExecuteList.push_back({runs ? kRunText : kDontRunText, runs ? 1 : 2, strings.CommandLine,
                                      FormatDigits(place * 10L, kPriorityMask), "C", std::to_string(index)});
            CommandLinesListed = true;
        },
        m_ports.App.Title);
}

// ---------------------------------------------------------------------------
// Running it, with or without confirmation

std::int16_t frmAmbrel::RunExecuteList() {
    BuildExecuteList();
    if (QueryClose) {
        Mode = WindowMode::Normal;
        Toolbar1_Visible = true;
        picWait_Visible = false;
        m_view.Refresh();
        m_view.BringToFront();
        m_view.ServeMessagesUntil([this] { return ListDone || Unloading; });
        return SessionEndOutcome;
    }
    Mode = WindowMode::Hidden;
    m_view.Refresh();
    ExecuteList();
    return SessionEndOutcome;
}

void frmAmbrel::cmd_execute_procedures_Click() {
    ExecuteList();
    if (SessionEndOutcome != 1) SessionEndOutcome = 0;
    ListDone = true;
}

void frmAmbrel::cmd_dont_execute_Click() {
    SessionEndOutcome = 0;
    ListDone = true;
}

void frmAmbrel::cmd_cancel_shutdown_Click() {
    ClearExecuteList();
    m_view.Refresh();
    SessionEndOutcome = 1;
    ListDone = true;
}

void frmAmbrel::Lv_ExecuteList_DblClick() {
    if (Lv_ExecuteList.empty()) return;
    int row = Lv_SelectedRow > 0 ? Lv_SelectedRow : 1;
    ExecuteRow& r = Lv_ExecuteList[static_cast<std::size_t>(row - 1)];
    bool runs = r.SmallIcon == 1;
    r.SmallIcon = runs ? 2 : 1;
    r.Text = runs ? kDontRunText : kRunText;
    m_view.Refresh();
}

void frmAmbrel::Toolbar1_ButtonClick(const std::string& key) {
    if (Lv_ExecuteList.empty()) return;
    if (key != "UpPriorty" && key != "DownPriorty") return;
    int row = Lv_SelectedRow > 0 ? Lv_SelectedRow : 1;
    long priority = key == "UpPriorty" ? std::max(row * 10L - 15, 1L) : row * 10L + 15;
    Lv_ExecuteList[static_cast<std::size_t>(row - 1)].Priority = FormatDigits(priority, kPriorityMask);
    // The moved row stays selected wherever the sort puts it.
    Lv_SelectedRow = RenumberPriorities(row);
    m_view.Refresh();
}

int frmAmbrel::RenumberPriorities(int followRow) {
    std::vector<std::size_t> order(Lv_ExecuteList.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return Lv_ExecuteList[a].Priority < Lv_ExecuteList[b].Priority;
    });
    std::vector<ExecuteRow> sorted;
    int followed = 0;
    for (std::size_t place = 0; place < order.size(); ++place) {
        sorted.push_back(Lv_ExecuteList[order[place]]);
        sorted.back().Priority = FormatDigits(static_cast<long>(place + 1) * 10, kPriorityMask);
        if (static_cast<int>(order[place]) == followRow - 1) followed = static_cast<int>(place) + 1;
    }
    Lv_ExecuteList = std::move(sorted);
    return followed;
}

void frmAmbrel::LogRunFailure(const std::string& message) { m_logger->WriteError(message, true); }

void frmAmbrel::ExecuteList() {
    SessionEndOutcome = 0;
    // A copy: the window may change its rows while a program runs.
    const std::vector<ExecuteRow> rows = Lv_ExecuteList;
    const int count = static_cast<int>(rows.size());
    std::unique_ptr<IFile> settingsFile;
    // What was last written for a command: a command that runs twice in one
    // run is counted twice, while the limit test keeps to the counters the
    // list was built with.
    std::map<int, CommandSettings> written;
    try {
        if (CommandLinesListed) {
            long error = 0;
            settingsFile = m_ports.Files.Open(CurrentCommandFiles().Settings, FileMode::Random, error);
            if (!settingsFile) RaiseError(error, m_ports.App.Title);
        }
        int windowStyle = 1;
        const double today = Today();
        for (int i = 1; i <= count && !Unloading; ++i) {
            const ExecuteRow& row = rows[static_cast<std::size_t>(i - 1)];
            if (row.SmallIcon != 1) continue;
            if (row.Kind == "S") {
                std::string path = ShutdownFolder + "\\" + row.CommandLine;
                if (IsShortcut(path)) {
                    std::int32_t show = windowStyle;
                    path = ShortcutCommandLine(m_ports.Links, path, show);
                    windowStyle = show;
                }
                if (!path.empty()) {
                    std::string message;
                    if (RunCommand(m_ports.Processes, m_ports.Clock, message, path,
                                   static_cast<std::int16_t>(windowStyle), TimeOutPrograms, TimeOutMinutes)) {
                        m_logger->WriteAction("Executed " + path);
                    } else {
                        LogRunFailure(message);
                        m_ports.Ui.MsgBox(message, kMbCritical, m_ports.App.Title);
                    }
                }
                continue;
            }

            const int index = std::stoi(row.Tag);
            const CommandSettings& loaded = CommandSettingsList.at(static_cast<std::size_t>(index));
            if (!IsCommandDue(loaded)) continue;
            if (RunLimitReached(loaded, today)) continue;
            std::int16_t code = RunCommandWithMessage(loaded, CommandStringsList.at(static_cast<std::size_t>(index)));
            bool counted = false;
            switch (code) {
                case kStepGoOn: counted = true; break;
                case kStepSkipNext: ++i; counted = true; break;
                case kStepStop: i = count; counted = true; break;
                case kStepCancel: SessionEndOutcome = 1; return;
                case kStepRunAgain:
                    if (i > 1) --i;
                    counted = true;
                    break;
                case kStepRunPrevious:
                    if (i >= 3) i -= 2;
                    break;
                default: break;
            }
            if (counted) {
                auto it = written.find(index);
                CommandSettings copy = it != written.end() ? it->second : loaded;
                CountRun(copy, today);
                // Its own record: a blank command line before it takes a record but no index.
                RewriteCommandSettings(*settingsFile, CommandRecordList.at(static_cast<std::size_t>(index)), copy,
                                       m_ports.App.Title);
                written[index] = copy;
            }
        }
    } catch (...) {
        ReportHandlerError();
    }
}

bool frmAmbrel::IsCommandDue(const CommandSettings& settings) { return IsDueToday(settings, Today()); }

void frmAmbrel::RunListedCommand(const std::string& command, int windowStyle) {
    std::string message;
    if (RunCommand(m_ports.Processes, m_ports.Clock, message, command, static_cast<std::int16_t>(windowStyle),
                   TimeOutPrograms, TimeOutMinutes))
        m_logger->WriteAction("Executed " + command);
    else
        LogRunFailure(message);
}

void frmAmbrel::RunUserAction(const std::string& command) { RunListedCommand(command, 1); }

std::int16_t frmAmbrel::RunCommandWithMessage(const CommandSettings& settings, const CommandStrings& strings) {
    std::string command = strings.CommandLine;
    int windowStyle = settings.WindowStyle;
    if (IsShortcut(command)) {
        std::int32_t show = windowStyle;
        command = ShortcutCommandLine(m_ports.Links, command, show);
        windowStyle = show;
    }
    bool run = true;
    std::int16_t code = kStepGoOn;

    auto pressed = [&](std::int16_t& action, std::string& userCommand) {
        std::int16_t button = ShowCommandMessage(m_ports.Ui, m_ports.App.Title, strings.MessageText,
                                                 settings.MessageStyle);
        action = 0;
        if (button == 1) action = settings.Action1, userCommand = strings.UserAction1;
        if (button == 2) action = settings.Action2, userCommand = strings.UserAction2;
        if (button == 3) action = settings.Action3, userCommand = strings.UserAction3;
    };

    if (settings.ShowMessageWhen == 1) {
        std::int16_t action = 0;
        std::string userCommand;
        pressed(action, userCommand);
        switch (action) {
            case kActionContinue: run = true; code = kStepGoOn; break;
            case kActionSkipNext: run = false; code = kStepGoOn; break;
            case kActionNoMore: run = false; code = kStepStop; break;
            case kActionCancelShutdown: run = false; code = kStepCancel; break;
            case kActionRerunPrevious: run = false; code = kStepRunPrevious; break;
            case kActionUserDefined:
                RunUserAction(userCommand);
                run = true;
                code = kStepGoOn;
                break;
            default: run = true; code = kStepGoOn; break;
        }
    }

    if (run) RunListedCommand(command, windowStyle);

    if (settings.ShowMessageWhen == 2) {
        std::int16_t action = 0;
        std::string userCommand;
        pressed(action, userCommand);
        switch (action) {
            case kActionContinue: code = kStepGoOn; break;
            case kActionSkipNext: code = kStepSkipNext; break;
            case kActionNoMore: code = kStepStop; break;
            case kActionCancelShutdown: code = kStepCancel; break;
            case kActionRerunPrevious: code = kStepRunAgain; break;
            case kActionUserDefined:
                RunUserAction(userCommand);
                code = kStepGoOn;
                break;
            default: break;
        }
    }
    return code;
}

// ---------------------------------------------------------------------------
// Running the list and ending the session

void frmAmbrel::RunListAndEndWithType() {
    ListDone = false;
    std::int16_t outcome = RunExecuteList();
    cSysTray1_InTray = false;
    m_view.Refresh();
    // The options' ForceLogoff and PowerOff are not copied on this path.
    if (outcome != 1 && !Unloading) m_exitWindows->exitWindows(LauncherEnding);
    EndProgram();
}

void frmAmbrel::RunListAndEndSession() {
    MonitorBusy = true;
    ListDone = false;
    if (WinShutdownType == "B") {
        std::int32_t ending = m_view.AskShutdownType();
        if (ending == -1) {
            EnterWaitState();
            return;
        }
        ConfiguredEnding = ending;
    }
    if (RunExecuteList() == 1 || Unloading) {
        if (!Unloading) EnterWaitState();
        return;
    }
    if (WinShutdownType == "A") {
        std::int32_t ending = m_view.AskShutdownType();
        if (ending == -1) {
            EnterWaitState();
            return;
        }
        ConfiguredEnding = ending;
    }
    if (WinShutdownType == "4") {
        EnterWaitState();
        return;
    }
    m_exitWindows->ForceLogoff(m_options->ForceLogoff());
    m_exitWindows->PowerOff(m_options->PowerOff());
    m_exitWindows->exitWindows(ConfiguredEnding);
    EndProgram();
}

void frmAmbrel::Timer1_Timer() {
    try {
        if (TimerAction == 2) {
            TimerAction = 0;
            Timer1_Interval = 0;
            Timer1_Enabled = false;
            m_view.Refresh();
            RunListAndEndSession();
            return;
        }
        if (TimerAction == 1) return;
        // The scheduled shutdown with its one-minute warning plugs in here.
    } catch (...) {
        ReportHandlerError();
    }
}

void frmAmbrel::Form_QueryUnload(int& cancel, int unloadMode) {
    if ((unloadMode != kUnloadAppWindows && unloadMode != kUnloadAppTaskManager) || MonitorBusy) return;
    try {
        LoadSettings();
        Toolbar1_Visible = true;
        if (ShutdownOption == 2) {
            cancel = 1;
            Timer1_Enabled = false;
            Timer1_Interval = 1000;
            Timer1_Enabled = true;
            TimerAction = 2;
            m_view.Refresh();
            return;
        }
        ListDone = false;
        std::int16_t outcome = RunExecuteList();
        cancel = outcome;
        if (outcome == 1 && !Unloading) EnterWaitState();
    } catch (...) {
        ReportHandlerError();
    }
}

}  // namespace ambrel
