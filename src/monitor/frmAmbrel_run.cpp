// The execution run of the monitor's main window: the execute list, its
// confirmation, running it row by row, and the answer to the end of the session.

#include <algorithm>
#include <cmath>
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
    CommandRecords.clear();
    int place = 0;
    LoadResult loaded = LoadCommandList(
        m_ports.Files, *m_logger, CurrentCommandFiles(),
        [&](int index, const CommandSettings& settings, const CommandStrings& strings) {
            CommandSettingsList.push_back(settings);
            CommandStringsList.push_back(strings);
            ++place;
            bool runs = settings.Run == 1;
            Lv_ExecuteList.push_back({runs ? kRunText : kDontRunText, runs ? 1 : 2, strings.CommandLine,
                                      FormatDigits(place * 10L, kPriorityMask), "C", std::to_string(index)});
            CommandLinesListed = true;
        },
        m_ports.App.Title, &m_ports.ListLock, false);
    CommandRecords = loaded.Records;
    // The list is loaded again at every wait and every end of the session: a
    // failure is reported once, until the list loads whole again.
    const std::string failure =
        loaded.Completed ? std::string() : std::to_string(loaded.Error) + " " + CurrentCommandFiles().Strings;
    if (!failure.empty() && failure != m_reportedLoadFailure) m_logger->WriteError("", true);
    m_reportedLoadFailure = failure;
}

// ---------------------------------------------------------------------------
// Running it, with or without confirmation

std::int16_t frmAmbrel::RunExecuteList() {
    // A list left from a session end that was refused elsewhere would have
    // every row twice: start from an empty list.
    ClearExecuteList();
    BuildExecuteList();
    // Every run starts unanswered: a Cancel of an earlier run, or an ending
    // chosen before it, answers nothing here.
    ListDone = false;
    SessionEndOutcome = 0;
    m_running = true;
    m_cancelRequested = false;
    m_historyFailed = false;
    {
        // However the run ends, the system stops showing a reason once the
        // monitor answers, and the wait is no longer marked as pending.
        struct Answered {
            frmAmbrel& form;
            ~Answered() {
                form.ClearBlockReason();
                if (!form.m_sessionEnded) form.ClearWaitMark();
            }
        } answered{*this};
        if (QueryClose) {
            Mode = WindowMode::Normal;
            Toolbar1_Visible = true;
            picWait_Visible = false;
            m_view.Refresh();
            m_view.BringToFront();
            ShowBlockReason(kReasonConfirm);
            m_view.ServeMessagesUntil([this] { return ListDone || Unloading; });
        } else {
            Mode = WindowMode::Hidden;
            m_view.Refresh();
            ExecuteList();
        }
    }
    m_running = false;
    if (m_refreshPending) {
        // Options saved while the list ran take effect now.
        m_refreshPending = false;
        LoadSettings();
    }
    return SessionEndOutcome;
}

void frmAmbrel::cmd_execute_procedures_Click() {
    if (m_executing || ListDone) return;  // pressed again while the list runs
    m_executing = true;
    ExecuteList();
    m_executing = false;
    if (m_cancelRequested)
        SessionEndOutcome = 1;
    else if (SessionEndOutcome != 1)
        SessionEndOutcome = 0;
    ListDone = true;
}

void frmAmbrel::cmd_dont_execute_Click() {
    if (m_executing) return;
    SessionEndOutcome = 0;
    ListDone = true;
}

void frmAmbrel::cmd_cancel_shutdown_Click() {
    ClearExecuteList();
    m_view.Refresh();
    SessionEndOutcome = 1;
    if (m_executing) {
        // The run in progress stops at its next row; Execute then answers.
        m_cancelRequested = true;
        return;
    }
    ListDone = true;
}


int frmAmbrel::SelectedOrFirstRow() const {
    bool valid = Lv_SelectedRow > 0 && Lv_SelectedRow <= static_cast<int>(Lv_ExecuteList.size());
    return valid ? Lv_SelectedRow : 1;
}

void frmAmbrel::Lv_ExecuteList_DblClick() {
    if (Lv_ExecuteList.empty()) return;
    int row = SelectedOrFirstRow();
    ExecuteRow& r = Lv_ExecuteList[static_cast<std::size_t>(row - 1)];
    bool runs = r.SmallIcon == 1;
    r.SmallIcon = runs ? 2 : 1;
    r.Text = runs ? kDontRunText : kRunText;
    m_view.Refresh();
}

void frmAmbrel::Toolbar1_ButtonClick(const std::string& key) {
    if (Lv_ExecuteList.empty()) return;
    if (key != "UpPriorty" && key != "DownPriorty") return;
    int row = SelectedOrFirstRow();
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

void frmAmbrel::ExecuteList() {
    SessionEndOutcome = 0;
    // A copy: the window may change its rows while a program runs.
    const std::vector<ExecuteRow> rows = Lv_ExecuteList;
    const int count = static_cast<int>(rows.size());
    // Where each command's record was last found: a save between the load
    // and a run may have moved it.
    std::map<std::size_t, int> foundAt;
    bool recordFailed = false;
    try {
        // A list that may not be changed (a read-only or locked settings
        // file) still runs; its runs go unrecorded, which the log says once.
        auto cannotRecord = [&](const std::string& description) {
            if (!recordFailed)
                m_logger->WriteError("The runs of this list cannot be recorded (" + description +
                                         "): " + CurrentCommandFiles().Settings,
                                     false);
            recordFailed = true;
        };
        if (CommandLinesListed) {
            CommandListLockScope locked(&m_ports.ListLock);
            if (!locked.Held()) RaiseError(kErrPermissionDenied, m_ports.App.Title);
            long error = 0;
            if (!m_ports.Files.Open(CurrentCommandFiles().Settings, FileMode::Update, error))
                cannotRecord(DescribeError(error));
        }
        int windowStyle = 1;
        const double today = Today();
        for (int i = 1; i <= count && !Unloading && !m_cancelRequested; ++i) {
            const ExecuteRow& row = rows[static_cast<std::size_t>(i - 1)];
            if (row.SmallIcon != 1) continue;
            if (row.Kind == "S") {
                std::string path = ShutdownFolder + "\\" + row.CommandLine;
                if (IsShortcut(path)) {
                    std::int32_t show = windowStyle;
                    const std::string shortcut = path;
                    path = ShortcutCommandLine(m_ports.Links, shortcut, show);
                    windowStyle = show;
                    if (path.empty()) {
                        // Told as a program that cannot be started is: the
                        // history, the log and the box.
                        RecordHistory(shortcut, m_ports.Clock.Now(), m_ports.Clock.UtcOffsetMinutes(),
                                      RunOutcome::FailedToStart, nullptr);
                        m_logger->WriteError("Couldn't execute " + shortcut + ": the shortcut cannot be read", true);
                        continue;
                    }
                }
                std::string message;
                if (!path.empty()) ShowBlockReason(RunningTaskReason(i, count, row.CommandLine));
                if (!path.empty() && !RunListedCommand(path, windowStyle, message))
                    m_ports.Ui.MsgBox(message, kMbCritical, m_ports.App.Title);
                continue;
            }

            // Copies: the arrays are rebuilt if the list is built again while
            // this command's message or program waits.
            const std::size_t index = std::stoul(row.Tag);
            const CommandSettings loaded = CommandSettingsList.at(index);
            const CommandStrings strings = CommandStringsList.at(index);
            const int record = CommandRecords.at(index);
            if (!IsCommandDue(loaded)) continue;
            if (RunLimitReached(loaded, today)) continue;
            ShowBlockReason(RunningTaskReason(i, count, strings.CommandLine));
            std::int16_t code = RunCommandWithMessage(loaded, strings);
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
                // Counted on the stored counters, so a command that runs twice
                // in one run counts twice; the limit test above keeps to the
                // counters the list was built with.
                auto found = foundAt.find(index);
                int expected = found != foundAt.end() ? found->second : record;
                try {
                    int written = RecordCommandRun(m_ports.Files, &m_ports.ListLock, CurrentCommandFiles(), expected,
                                                   {loaded, strings}, today, m_ports.App.Title);
                    if (written >= 0) foundAt[index] = written;
                } catch (...) {
                    CatchCurrentError(m_ports.App.Title);
                    cannotRecord(Err().Description);
                }
            }
        }
    } catch (...) {
        ReportHandlerError();
    }
}

bool frmAmbrel::IsCommandDue(const CommandSettings& settings) { return IsDueToday(settings, Today()); }

bool frmAmbrel::RunListedCommand(const std::string& command, int windowStyle, std::string& message) {
    const double start = m_ports.Clock.Now();
    const int startOffset = m_ports.Clock.UtcOffsetMinutes();
    RunReport report;
    // Exit while the program runs ends the wait; the program goes on alone.
    const bool ran = RunCommand(m_ports.Processes, m_ports.Clock, message, command,
                                static_cast<std::int16_t>(windowStyle), TimeOutPrograms, TimeOutMinutes, &report,
                                [this] { return Unloading; });
    RecordHistory(command, start, startOffset, report.Outcome, &report);
    if (report.Outcome == RunOutcome::LeftRunning) return true;  // the log has closed
    if (ran) {
        m_logger->WriteAction("Executed " + command);
        return true;
    }
    m_logger->WriteError(message, true);
    return false;
}

void frmAmbrel::RecordHistory(const std::string& commandLine, double start, int startOffset, RunOutcome outcome,
                              const RunReport* report) {
    HistoryEntry entry;
    entry.Start = IsoLocalTime(start, startOffset);
    entry.CommandLine = commandLine;
    entry.Outcome = outcome;
    entry.SessionEnd = m_sessionEndKind;
    if (report) {
        entry.ExitCodeKnown = report->ExitCodeKnown;
        entry.ExitCode = report->ExitCode;
    }
    // Counted in UTC, so a change to or from daylight saving adds no hour.
    const double end = m_ports.Clock.Now() - m_ports.Clock.UtcOffsetMinutes() / 1440.0;
    entry.DurationMs = static_cast<long long>(std::llround((end - (start - startOffset / 1440.0)) * 86400000.0));
    const std::string path = HistoryPath(CurrentCommandFiles());
    long error = 0;
    {
        CommandListLockScope locked(&m_ports.ListLock);
        error = AppendHistory(m_ports.Files, path, HistoryLine(entry));
    }
    if (error && !m_historyFailed)
        m_logger->WriteError("The run history cannot be written (" + DescribeError(error) + "): " + path, false);
    m_historyFailed = m_historyFailed || error;
}

void frmAmbrel::RunUserAction(const std::string& command) {
    std::string message;
    RunListedCommand(command, 1, message);
}

std::int16_t frmAmbrel::RunCommandWithMessage(const CommandSettings& settings, const CommandStrings& strings) {
    std::string command = strings.CommandLine;
    // Users may rewrite the all-users settings records: a style the editor
    // never stores (a hidden window among them) runs as a normal window.
    int windowStyle = settings.WindowStyle >= 1 && settings.WindowStyle <= 3 ? settings.WindowStyle : 1;
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

    if (run) {
        std::string message;
        RunListedCommand(command, windowStyle, message);
    } else {
        RecordHistory(command, m_ports.Clock.Now(), m_ports.Clock.UtcOffsetMinutes(), RunOutcome::SkippedByMessage,
                      nullptr);
    }

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

bool frmAmbrel::RunListAndEndWithType() {
    try {
        // The run is the menu's: no dialog of the system's is replaced meanwhile.
        InterruptWait();
        std::int16_t outcome = RunExecuteList();
        cSysTray1_InTray = false;
        m_view.Refresh();
        if (Unloading) return false;
        // The options' ForceLogoff and PowerOff are not copied on this path.
        if (outcome != 1 && EndSessionAs(LauncherEnding)) {
            EndProgram();
            return false;
        }
        // Cancelled, or refused by Windows: the monitor stays and waits.
        if (FromLauncher && !TakeOverAsMonitor()) return false;
        EnterWaitState();
        return !m_ended;
    } catch (...) {
        ReportHandlerError();
    }
    EndProgram();
    return false;
}

bool frmAmbrel::TakeOverAsMonitor() {
    FromLauncher = false;
    // The launcher closed the monitor before it started this one; should
    // another have started since, that one watches.
    if (m_ports.Instance.AnotherInstanceRunning()) {
        EndProgram();
        return false;
    }
    m_ports.Courtesy.RegisterRestartAfterUpdate();
    LoadSettings();  // the configured ending, which the hand-over leaves unread
    return true;
}

bool frmAmbrel::AskConfiguredEnding() {
    std::int32_t ending = -1;
    {
        DialogOpen open(*this);
        ending = m_view.AskShutdownType();
    }
    if (ending == -1) return false;
    ConfiguredEnding = ending;
    return true;
}

void frmAmbrel::RunListAndEndSession() {
    MonitorBusy = true;
    ListDone = false;
    try {
        if (WinShutdownType == "B" && !AskConfiguredEnding()) {
            EnterWaitState();
            return;
        }
        if (RunExecuteList() == 1 || Unloading) {
            if (!Unloading) EnterWaitState();
            return;
        }
        if (WinShutdownType == "A" && !AskConfiguredEnding()) {
            EnterWaitState();
            return;
        }
        if (WinShutdownType == "4") {
            EnterWaitState();
            return;
        }
        m_exitWindows->ForceLogoff(m_options->ForceLogoff());
        m_exitWindows->PowerOff(m_options->PowerOff());
        if (!EndSessionAs(ConfiguredEnding)) {
            EnterWaitState();
            return;
        }
    } catch (...) {
        // Whatever failed, the monitor must not stay busy for ever.
        ReportHandlerError();
    }
    EndProgram();
}

void frmAmbrel::Timer1_Timer() {
    try {
        if (TimerAction == 2) {
            TimerAction = 0;
            Timer1_Interval = 0;
            Timer1_Enabled = false;
            m_view.Refresh();
            // The run of the end that option 2 refused keeps its kind.
            RunListAndEndSession();
            m_sessionEndKind.clear();
            return;
        }
        m_sessionEndKind.clear();
        if (TimerAction == 1) return;
        // The timer keeps ticking while the warning counts: one warning at a
        // time. Under option 1 the monitor is busy with its watch, which is
        // no run: the time is due all the same.
        if (m_warning || m_running || (MonitorBusy && !m_watching) || !ShutWindowsOnTime || !ScheduledTimeKnown ||
            !(m_ports.Clock.Now() > ScheduledShutdownTime))
            return;
        // No dialog of the system's is replaced in the middle of it.
        InterruptWait();
        SessionEndOutcome = -1;
        m_warning = true;
        {
            DialogOpen open(*this);
            m_view.ShowShutWarning(SessionEndOutcome);
        }
        m_warning = false;
        if (Unloading) return;
        if (SessionEndOutcome != 1) {
            // Once it has run (or been declined in the Shut Down dialog), the
            // scheduled shutdown is next due when the set time comes round.
            const double now = m_ports.Clock.Now();
            while (ScheduledShutdownTime <= now) ScheduledShutdownTime += 1;
            Timer1_Interval = 0;
            Timer1_Enabled = false;
            m_view.Refresh();
            RunListAndEndSession();
            return;
        }
        // Cancelled: the set time stays past, so the next tick warns again
        // until the options are loaded again; meanwhile the monitor waits
        // (and, under option 1, watches) as before.
        EnterWaitState();
    } catch (...) {
        ReportHandlerError();
    }
}

void frmAmbrel::SessionEndRefused() {
    // Another program refused the end that this monitor let go on: wait again
    // rather than keep the list on screen.
    if (Unloading || MonitorBusy || TimerAction == 2 || m_running) return;
    if (!Lv_ExecuteList.empty() || !picWait_Visible) EnterWaitState();
}

void frmAmbrel::Form_QueryUnload(int& cancel, int unloadMode, std::uint32_t endFlags) {
    if (unloadMode == kUnloadAppWindows && (endFlags & kEndSessionCloseApp)) {
        // An installer or an update (the Restart Manager) asks the program to
        // close: no session ends, so nothing runs; the program goes and is
        // started again afterwards.
        m_logger->WriteAction("Asked to close for an update or an installation; nothing runs");
        return;
    }
    if (unloadMode == kUnloadAppWindows && (endFlags & kEndSessionCritical)) {
        // The system ends now, whatever is answered: nothing may hold it up.
        m_logger->WriteAction("The session ends at once (a critical end); nothing runs");
        return;
    }
    // Option 1 on today's Windows: the Start menu never shows the Shut Down
    // dialog, so an end that did not come through it is answered as under
    // option 3 rather than let pass without the list.
    if ((unloadMode == kUnloadAppWindows || unloadMode == kUnloadAppTaskManager) && m_running) {
        // Asked again while the list runs (another program's request, or a
        // new shut down after the system's list of waiting programs): the
        // running list still holds the session. Answered at once; nothing
        // starts a second time.
        cancel = 1;
        return;
    }
    const bool watchingInVain = m_watching && m_osInfo && m_osInfo->isVistaOrLater();
    if ((unloadMode != kUnloadAppWindows && unloadMode != kUnloadAppTaskManager) || (MonitorBusy && !watchingInVain))
        return;
    try {
        if (watchingInVain) InterruptWait();
        if (unloadMode == kUnloadAppWindows) {
            m_sessionEndKind = (endFlags & kEndSessionLogoff) ? "log off" : "shut down";
            m_logger->WriteAction("Windows ends the session: " + m_sessionEndKind);
        }
        LoadSettings();
        if (watchingInVain) ShutdownOption = 3;
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
        m_sessionEndKind.clear();
        if (Unloading) return;
        if (watchingInVain) {
            ShutdownOption = 1;
            // Refused here: the watch starts again with the wait. Going on:
            // should another program refuse the end, the wait (and the
            // watch) starts again then.
            if (outcome != 1) MonitorBusy = false;
        }
        if (outcome == 1) EnterWaitState();
    } catch (...) {
        ReportHandlerError();
    }
}

}  // namespace ambrel
