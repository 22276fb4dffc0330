#include "monitor/frmAmbrel.h"
#include "shared/HelpContexts.h"

#include <cmath>

#include "shared/cAmbrelOptions.h"
#include "shared/cExitWindows.h"
#include "shared/cLogger.h"
#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/OwnWindowHandle.h"
#include "shared/vb.h"

namespace ambrel {

namespace {


}  // namespace

frmAmbrel::frmAmbrel(MonitorPorts& ports, IAmbrelView& view) : m_ports(ports), m_view(view) {}

frmAmbrel::~frmAmbrel() = default;

void frmAmbrel::ReportHandlerError() {
    CatchCurrentError(m_ports.App.Title);
    if (m_logger) m_logger->WriteError("", true);
}

double frmAmbrel::Today() { return DateOnly(m_ports.Clock.Now()); }

// ---------------------------------------------------------------------------
// Start-up and the waiting state

bool frmAmbrel::Form_Load(const std::string& commandLine) {
    try {
        std::int32_t ending = 0;
        // The logger comes first so that anything that fails can be reported.
        m_logger = std::make_unique<cLogger>(m_ports.Files, m_ports.Clock, m_ports.Regional, m_ports.Ui,
                                             m_ports.App);
        if (ParseLauncherMarker(commandLine, ending)) {
            FromLauncher = true;
            LauncherEnding = ending;
        }
        // The launcher has just asked the running monitor to close, so its
        // own start is let through. A start at log on (the Startup
        // shortcuts, the machine's and the user's own, say "/startup") that
        // finds a monitor running ends without a word.
        if (!FromLauncher && m_ports.Instance.AnotherInstanceRunning()) {
            if (!IsStartupCommandLine(commandLine))
                m_ports.Ui.MsgBox("Ambrel is already running.", kMbCritical | kMbOkOnly, m_ports.App.Title);
            return false;
        }
        // Asked among the first at the end of the session, while the programs
        // that the list may need are still open.
        m_ports.Courtesy.SetShutdownLevel(kShutdownLevelFirst);
        // Closed by an update, it is started again afterwards (not the
        // launcher's hand-over, which ends with its session).
        if (!FromLauncher) m_ports.Courtesy.RegisterRestartAfterUpdate();

        m_osInfo = std::make_shared<cOSInfo>(m_ports.Facts);
        m_systemInfo = std::make_unique<cSystemInfo>(m_ports.Registry, m_ports.Facts);
        m_options = std::make_unique<cAmbrelOptions>(m_ports.Registry, m_ports.App);
        ShutdownFolder = m_systemInfo->StartMenuDir() + "\\Shutdown";

        OwnWindowHandle(static_cast<WindowHandle>(static_cast<std::uint32_t>(m_view.WindowHandle())));
        m_exitWindows = std::make_unique<cExitWindows>(m_ports.Session, m_ports.Facts, m_ports.App);
        m_exitWindows->OsInfoClass(m_osInfo);

        if (!LoadSettings()) {
            m_ports.Ui.MsgBox("One or more settings weren't found.  Please run 'Ambrel Maintenance' first.",
                              kMbCritical, "Ambrel");
            return false;
        }
        m_options->AmbrelHandle(m_view.WindowHandle());
        m_handleWritten = true;
        m_subclassed = true;
        m_logger->LogUser(m_systemInfo->logonName());
        m_logger->LogFile(LogDir);
        MonitorBusy = false;

        Label11 = m_ports.About.ProductName + "(TM)  Version " + std::to_string(m_ports.About.VersionMajor) + "." +
                  std::to_string(m_ports.About.VersionMinor) + "." + std::to_string(m_ports.About.VersionRevision);
        Label12 = m_ports.About.FileDescription;
        Label13 = m_ports.About.LegalCopyright;
        Label14 = m_ports.About.CompanyName;
        Label17 = m_ports.About.Comments;
        // The hand-over ends with the session; cancelled or refused, it stays
        // as the monitor in the place of the one the launcher closed.
        if (FromLauncher) return RunListAndEndWithType();
        ReportSkippedRun();
        EnterWaitState();
        return !m_ended;
    } catch (...) {
        ReportHandlerError();
        EndProgram();
        return false;
    }
}

bool frmAmbrel::LoadSettings() {
    if (!m_options->GetOptions(false)) return false;
    const CommandFileNames& names =
        SetCommandFiles(m_options->AllUsersUseSame(), m_ports.App.ProgramDirectory, m_systemInfo->logonName(),
                        m_systemInfo->TrailFolder(), m_systemInfo->logonNameExact());
    // The user's own folder for the wait marker and the history.
    if (!m_ports.Files.FolderExists(names.TrailFolder)) m_ports.Files.CreateFolder(names.TrailFolder);
    QueryClose = m_options->QueryClose();
    ShutdownOption = m_options->ShutdownOption();
    if (!FromLauncher) {
        WinShutdownType = m_options->WinShutdownType();
        if (WinShutdownType == "1")
            ConfiguredEnding = 1;
        else if (WinShutdownType == "2")
            ConfiguredEnding = 2;
        else if (WinShutdownType == "3")
            ConfiguredEnding = 0;
    }
    RunMinimized = m_options->RunMinimized();
    const std::string& run = m_options->RunCommands();
    if (run == "C") {
        RunCommandLinesOption = true;
        RunShortcutsOption = false;
    } else if (run == "S") {
        RunCommandLinesOption = false;
        RunShortcutsOption = true;
    } else if (run == "B") {
        RunCommandLinesOption = true;
        RunShortcutsOption = true;
    }

    // From here on a step that fails leaves its value as it was and the next
    // step goes on.
    try {
        ShutWindowsOnTime = m_options->ShutWindowsOnTime();
        double timeOfDay = 0;
        if (ParseTimeOfDay(m_options->ShutWindowsTime(), timeOfDay)) {
            double now = m_ports.Clock.Now();
            double at = DateOnly(now) + timeOfDay;
            if (at < now) at += 1;
            ScheduledShutdownTime = at;
            ScheduledTimeKnown = true;
        }
    } catch (...) {
    }
    try {
        TimeOutPrograms = m_options->TimeOutPrograms();
        TimeOutMinutes = TimeOutMinutesOf(m_options->TimeOutProgramMinutes());
    } catch (...) {
    }
    ApplyLoggingOption(*m_logger, m_options->Logging());
    // Reported once: the options are loaded again at every end of the session.
    if (!m_options->UnreadableOptions().empty() && m_options->UnreadableOptions() != m_reportedOptions) {
        m_reportedOptions = m_options->UnreadableOptions();
        m_logger->WriteError(m_reportedOptions, true);
    }
    LogDir = m_options->LogDir();
    mExit_Visible = m_options->AllowUsersToDisable();
    return true;
}

void frmAmbrel::EnterWaitState() {
    // Options saved while a dialog was open take effect once it has closed.
    if (m_refreshPending && !m_running && m_dialogsOpen == 0) {
        m_refreshPending = false;
        InterruptWait();
        LoadSettings();
    }
    BuildExecuteList();
    MarkWait(!Lv_ExecuteList.empty());
    ClearExecuteList();
    m_view.CenterForm();

    // A time that was never read schedules nothing: an empty date lies in the
    // past and would shut Windows down at the first tick.
    if (ShutWindowsOnTime && ScheduledTimeKnown) {
        Timer1_Interval = 60000;
        Timer1_Enabled = true;
        StatusBar1_Text = "Shutdown Windows on " + m_ports.Regional.GeneralDate(ScheduledShutdownTime);
    } else {
        StatusBar1_Text = "Waiting for Windows to shut down...";
    }
    picWait_Visible = true;

    if (RunMinimized == "T") {
        cSysTray1_InTray = false;
        Mode = WindowMode::Minimized;
        cmdMinimize_Caption = "&Minimize";
    } else if (RunMinimized == "F") {
        cSysTray1_InTray = false;
        cmdMinimize_Caption = "&Minimize";
        Mode = WindowMode::Hidden;
    } else {
        cSysTray1_InTray = true;
        Mode = WindowMode::Hidden;
        cmdMinimize_Caption = "&Close";
    }
    m_view.Refresh();
    if (m_balloonPending && cSysTray1_InTray) m_view.ShowTrayBalloon(m_ports.App.Title, kSkippedRunText);
    m_balloonPending = false;

    if (ShutdownOption == 1)
        ReplaceDialogCycle();
    else
        MonitorBusy = false;
}

void frmAmbrel::ReplaceDialogCycle() {
    // Busy for the whole wait: a session end that does not come through the
    // Start menu's dialog passes without the list. The wait is the view's
    // watch, not a loop: the monitor goes on serving its messages.
    MonitorBusy = true;
    RunListChosen = false;
    m_watching = true;
    m_view.WatchForShutdownDialog(m_options->ShutdownDialogTitle());
}

void frmAmbrel::InterruptWait() {
    if (!m_watching) return;
    m_watching = false;
    m_view.StopWatching();
}

bool frmAmbrel::AskShutdownTypeInPlace(std::int32_t& ending) {
    Mode = WindowMode::Hidden;
    m_view.Refresh();
    bool runList = false;
    {
        DialogOpen open(*this);
        ending = m_view.AskShutdownTypeInPlace(m_options->AllowUsersToDisable(), runList);
    }
    RunListChosen = runList;
    return ending != -1;
}

void frmAmbrel::ShutdownDialogFound() {
    if (!m_watching || Unloading) return;
    InterruptWait();
    try {
        // The chosen ending is this dialog's alone: the run's outcome (and
        // the configured ending of the scheduled shutdown) stay apart from it.
        std::int32_t ending = -1;
        if (AskShutdownTypeInPlace(ending)) {
            bool go = true;
            if (RunListChosen) go = RunExecuteList() == 0;
            if (go && !Unloading) {
                m_exitWindows->ForceLogoff(m_options->ForceLogoff());
                m_exitWindows->PowerOff(m_options->PowerOff());
                if (EndSessionAs(ending)) {
                    EndProgram();
                    return;
                }
            }
        }
        if (Unloading) return;
        // No, or a list that was cancelled: the next dialog is watched for.
        LoadSettings();
        EnterWaitState();
    } catch (...) {
        ReportHandlerError();
    }
}

bool frmAmbrel::EndSessionAs(std::int32_t ending) {
    m_exitWindows->exitWindows(ending);
    const std::string& refusal = m_exitWindows->Refusal();
    if (refusal.empty()) return true;
    // Windows stays up: said, and watched again rather than left unwatched.
    m_logger->WriteError(refusal, true);
    return false;
}

void frmAmbrel::mRefreshOptions() {
    // Not under a run or an open dialog: the wait is entered again once
    // that is over.
    if (m_running || m_dialogsOpen > 0) {
        m_refreshPending = true;
        return;
    }
    InterruptWait();
    LoadSettings();
    EnterWaitState();
}

// ---------------------------------------------------------------------------
// Menu and buttons

void frmAmbrel::cSysTray1_MouseDown(int) { m_view.PopupOptionsMenu(); }

void frmAmbrel::picWait_MouseDown(int button) {
    if (button == 2) m_view.PopupOptionsMenu();
}

void frmAmbrel::mMaintenance_Click() { StartMaintenance(""); }

// The History window is the maintenance program's, shown alone.
void frmAmbrel::mHistory_Click() { StartMaintenance("/history"); }

void frmAmbrel::StartMaintenance(const std::string& arguments) {
    try {
        std::uint32_t id = 0;
        long error = 0;
        if (!m_ports.Processes.StartProgram(m_ports.App.ProgramDirectory + "\\corvane.exe", arguments, 1, id, error))
            RaiseError(error ? error : kErrFileNotFound, m_ports.App.Title);
        m_ports.Processes.Open(id);  // not waited for: let go of it at once
    } catch (...) {
        ReportHandlerError();
    }
}

void frmAmbrel::mShutdown_Click() {
    if (m_running) return;  // the list is already on its way
    try {
        std::int32_t ending = -1;
        {
            DialogOpen open(*this);
            ending = m_view.AskShutdownType();
        }
        if (ending != -1) {
            LauncherEnding = ending;
            RunListAndEndWithType();
        } else {
            EnterWaitState();
        }
    } catch (...) {
        ReportHandlerError();
    }
}

void frmAmbrel::mRunInBkgrnd_Click() {
    if (m_ports.Ui.MsgBox("Run 'Ambrel' in the background?", kMbYesNo | kMbQuestion | kMbDefaultButton2,
                          "Ambrel") == kAnswerYes) {
        Mode = WindowMode::Hidden;
        cSysTray1_InTray = false;
        m_view.Refresh();
    }
}

void frmAmbrel::cmdMinimize_Click() {
    Mode = RunMinimized != "S" ? WindowMode::Minimized : WindowMode::Hidden;
    m_view.Refresh();
}

void frmAmbrel::mExit_Click() { EndProgram(); }

void frmAmbrel::mHelp_Click() {
    m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, kHelpMonitor);
}

// ---------------------------------------------------------------------------
// Ending the program

void frmAmbrel::EndProgram() {
    if (m_ended) return;
    Form_Unload();
    m_view.Unload();
}

void frmAmbrel::Form_Unload() {
    if (m_ended) return;
    m_ended = true;
    Unloading = true;
    m_subclassed = false;
    InterruptWait();  // for good
    // A normal end: nothing was skipped. An end of the session that passed
    // while the monitor waited keeps its mark for the next start.
    if (!m_sessionEnded) ClearWaitMark();
    ClearBlockReason();
    // The stored handle is a hint for the other programs: withdrawn with the
    // window, unless another monitor has written its own since.
    if (m_options && m_handleWritten && m_options->AmbrelHandle() == m_view.WindowHandle())
        m_options->AmbrelHandle(0);
    // The shared objects live on until the form object goes: a run or a wait
    // that is still on the stack below this handler may use them once more
    // before it sees Unloading. The log file is closed now.
    if (m_logger) m_logger->CloseLog();
    cSysTray1_InTray = false;
    m_view.Refresh();
}

void frmAmbrel::SessionEnded(std::uint32_t endFlags) {
    // Closed for an update, the program ends as it does when asked to; the
    // session goes on, and the system starts it again afterwards.
    m_sessionEnded = (endFlags & kEndSessionCloseApp) == 0;
    Form_Unload();
}

// ---------------------------------------------------------------------------
// The wait marker and the reason shown at the end of the session

void frmAmbrel::MarkWait(bool listHasRows) {
    // With nothing to run, nothing can be skipped.
    if (!listHasRows) {
        ClearWaitMark();
        return;
    }
    if (m_waitMarked) return;
    const std::string path = WaitMarkerPath(CurrentCommandFiles());
    long error = SetWaitMarker(m_ports.Files, path,
                               IsoLocalTime(m_ports.Clock.Now(), m_ports.Clock.UtcOffsetMinutes()));
    if (error) {
        m_logger->WriteError("The wait cannot be marked (" + DescribeError(error) + "): " + path, false);
        return;
    }
    m_waitMarked = true;
}

void frmAmbrel::ClearWaitMark() {
    if (!m_waitMarked) return;
    ClearWaitMarker(m_ports.Files, WaitMarkerPath(CurrentCommandFiles()));
    m_waitMarked = false;
}

void frmAmbrel::ReportSkippedRun() {
    std::string since;
    if (!LeftoverWaitMarker(m_ports.Files, WaitMarkerPath(CurrentCommandFiles()), since)) return;
    ClearWaitMarker(m_ports.Files, WaitMarkerPath(CurrentCommandFiles()));
    m_logger->WriteError(std::string(kSkippedRunText) + (since.empty() ? "" : " It had waited since " + since + "."),
                         false);
    m_balloonPending = true;
}

std::string RunningTaskReason(int row, int rows, const std::string& commandLine) {
    return "Running shutdown task " + std::to_string(row) + " of " + std::to_string(rows) + ": " +
           ShortenMiddle(commandLine, 80);
}

void frmAmbrel::ShowBlockReason(const std::string& reason) {
    if (!m_ports.Courtesy.BlockReasonsAvailable()) return;
    const auto window = static_cast<WindowHandle>(static_cast<std::uint32_t>(m_view.WindowHandle()));
    // Cleared even when the system refused it: clearing asks nothing of it.
    m_ports.Courtesy.SetBlockReason(window, reason);
    m_blockReasonSet = true;
}

void frmAmbrel::ClearBlockReason() {
    if (!m_blockReasonSet) return;
    m_ports.Courtesy.ClearBlockReason(static_cast<WindowHandle>(static_cast<std::uint32_t>(m_view.WindowHandle())));
    m_blockReasonSet = false;
}

bool frmAmbrel::AmbrelWndProc(unsigned message) {
    if (message != kWmAmbrelRefresh && message != kWmAmbrelClose) return false;
    if (!m_subclassed) return true;  // nothing is passed on once unsubclassed
    if (message == kWmAmbrelRefresh) {
        try {
            mRefreshOptions();
        } catch (...) {
            ReportHandlerError();
        }
    } else {
        EndProgram();
    }
    return true;
}

}  // namespace ambrel
