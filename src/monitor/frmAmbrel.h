#pragma once
// The monitor's main window: start-up, the waiting state, the menu and the
// buttons, the answer to the end of the session and the execution run. The
// window itself is a thin view (frmAmbrel_win32.cpp) that shows these fields
// and turns window messages into the handlers below; the handlers never touch
// a window handle.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/MonitorCommandLine.h"
#include "shared/CommandRecords.h"
#include "shared/modAmbrelCommon.h"
#include "shared/platform.h"

namespace ambrel {

class cAmbrelOptions;
class cExitWindows;
class cLogger;
class cOSInfo;
class cSystemInfo;
class IFile;

// The private messages of the monitor's window, both parameters 0.
inline constexpr unsigned kWmAmbrelRefresh = 0x0400 + 400;  // WM_USER + 400
inline constexpr unsigned kWmAmbrelClose = 0x0400 + 401;    // WM_USER + 401

// Reasons a close request gives (the unload modes).
inline constexpr int kUnloadFormControlMenu = 0;
inline constexpr int kUnloadFormCode = 1;
inline constexpr int kUnloadAppWindows = 2;  // the Windows session is ending
inline constexpr int kUnloadAppTaskManager = 3;

// What the monitor needs of its own window and of the program around it.
class IAmbrelView {
public:
    virtual ~IAmbrelView() = default;
    // The window's handle, as the other programs find it.
    virtual std::int32_t WindowHandle() = 0;
    // Shows the form's fields in the window: mode, captions, tray icon,
    // timer, status text, list rows, toolbar and wait picture.
    virtual void Refresh() = 0;
    virtual void CenterForm() = 0;
    virtual void BringToFront() = 0;
    virtual void PopupOptionsMenu() = 0;
    // Serves the program's messages until `done` answers true: a nested
    // message loop that blocks in the system between messages.
    virtual void ServeMessagesUntil(const std::function<bool()>& done) = 0;
    // Opens the help file at the topic of a context number.
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    // Asks for the ending in the monitor's Shut Down Windows dialog; the
    // chosen ending, or -1 when none was chosen.
    virtual std::int32_t AskShutdownType() = 0;
    // Watches for the system's Shut Down dialog, a top-level "#32770" window
    // titled `title`: when one shows, the view calls ShutdownDialogFound.
    // Watching blocks nothing and spins nowhere.
    virtual void WatchForShutdownDialog(const std::string& title) = 0;
    virtual void StopWatching() = 0;
    // Over a picture of the screen, in the place of the system's dialog that
    // was found (which it closes), asks for the ending with the monitor's
    // dialog: the chosen ending, or -1; `runList` from its run check box.
    // A found dialog that has gone by then asks nothing and gives -1.
    virtual std::int32_t AskShutdownTypeInPlace(bool showRunCheckBox, bool& runList) = 0;
    // Shows the one-minute warning of a scheduled shutdown modally; a cancel
    // sets `sessionEndOutcome` to 1.
    virtual void ShowShutWarning(std::int16_t& sessionEndOutcome) = 0;
    // A balloon at the tray icon (shown only while the icon is there).
    virtual void ShowTrayBalloon(const std::string& title, const std::string& text) = 0;
    // Destroys the window; the program ends once the handler returns.
    virtual void Unload() = 0;
};

// Everything the monitor uses from the system, wired by WinMain or a test.
struct MonitorPorts {
    IRegistryBackend& Registry;
    ISystemFacts& Facts;
    IFileSystem& Files;
    IClock& Clock;
    IRegionalSettings& Regional;
    IUserInteraction& Ui;
    IInstanceGuard& Instance;
    IProcessLauncher& Processes;
    IShellLinks& Links;
    ISessionControl& Session;
    // Held while the command list files are read or a run is recorded.
    ICommandListLock& ListLock;
    IShutdownCourtesy& Courtesy;
    AppIdentity App;
    AboutTexts About;
};

enum class WindowMode { Normal, Minimized, Hidden };

// One row of the execute list.
struct ExecuteRow {
    std::string Text;         // column 1: "Yes.." or "No..."
    int SmallIcon = 1;        // 1 runs, 2 does not
    std::string CommandLine;  // column 2: the command line, or the file name
    std::string Priority;     // column 3
    std::string Kind;         // column 4 (hidden): "C" or "S"
    std::string Tag;          // the command's index, command rows only
};

class frmAmbrel {
public:
    frmAmbrel(MonitorPorts& ports, IAmbrelView& view);
    ~frmAmbrel();
    frmAmbrel(const frmAmbrel&) = delete;
    frmAmbrel& operator=(const frmAmbrel&) = delete;

    // Start-up with the program's command line. False when the program ends
    // at once (another instance, no stored options, an error, or a launcher
    // hand-over that has been carried out).
    bool Form_Load(const std::string& commandLine);
    bool LoadSettings();
    void EnterWaitState();
    void mRefreshOptions();
    // A close request; `cancel` non-zero refuses it. For the end of the
    // session, `endFlags` is what the system says of it (kEndSession...).
    void Form_QueryUnload(int& cancel, int unloadMode, std::uint32_t endFlags = 0);
    // Ends the session with `ending` (cExitWindows); false when Windows
    // refused, which is logged and shown.
    bool EndSessionAs(std::int32_t ending);
    void Form_Unload();
    // The session ends now and the program with it (WM_ENDSESSION): unlike a
    // normal end, a wait that it cut short stays marked. An update that
    // closes the program (kEndSessionCloseApp) is a normal end.
    void SessionEnded(std::uint32_t endFlags = 0);
    // The end of the session that this monitor let go on was refused elsewhere.
    void SessionEndRefused();
    // The system's Shut Down dialog has shown while the monitor watched for it.
    void ShutdownDialogFound();
    bool Watching() const { return m_watching; }
    // The private messages: true when the message was one of them (result 0).
    bool AmbrelWndProc(unsigned message);
    bool Subclassed() const { return m_subclassed; }

    // Menu, tray icon and buttons of the waiting window.
    void cSysTray1_MouseDown(int button);
    void picWait_MouseDown(int button);
    void mMaintenance_Click();
    void mHistory_Click();
    void mShutdown_Click();
    void cmdShutDown_Click() { mShutdown_Click(); }
    void mRunInBkgrnd_Click();
    void cmdMinimize_Click();
    void mExit_Click();
    void cmdExitWait_Click() { mExit_Click(); }
    void mHelp_Click();
    void cmdHelp2_Click() { mHelp_Click(); }
    void cmd_help_Click() { mHelp_Click(); }
    void Timer1_Timer();

    // The confirmation window.
    void cmd_execute_procedures_Click();
    void cmd_dont_execute_Click();
    void cmd_cancel_shutdown_Click();
    void Lv_ExecuteList_DblClick();
    void Toolbar1_ButtonClick(const std::string& key);
    // The selected row (1-based, 0 for none); the view keeps it in step.
    int Lv_SelectedRow = 0;

    // The execution run.
    void BuildExecuteList();
    void ClearExecuteList();
    std::int16_t RunExecuteList();
    void ExecuteList();
    std::int16_t RunCommandWithMessage(const CommandSettings& settings, const CommandStrings& strings);
    bool IsCommandDue(const CommandSettings& settings);
    // The menu's and the launcher's run, then the chosen ending; false when
    // the program ends (the session ends), true when it waits again (the run
    // was cancelled or Windows refused).
    bool RunListAndEndWithType();
    void RunListAndEndSession();

    // ---- the window's fields, as the view shows them ----
    WindowMode Mode = WindowMode::Hidden;
    bool Toolbar1_Visible = false;
    bool picWait_Visible = true;
    bool cSysTray1_InTray = false;
    std::string cSysTray1_TrayTip = "Ambrel";
    int Timer1_Interval = 0;
    bool Timer1_Enabled = false;
    std::string StatusBar1_Text;
    std::string cmdMinimize_Caption = "&Minimize";
    bool mExit_Visible = true;
    std::string Label11, Label12, Label13, Label14, Label17;
    std::vector<ExecuteRow> Lv_ExecuteList;
    bool Unloading = false;

    // ---- working state ----
    bool QueryClose = false;
    std::int32_t ShutdownOption = 0;
    std::string WinShutdownType;
    std::int32_t ConfiguredEnding = 0;
    std::string RunMinimized;
    bool RunCommandLinesOption = false;
    bool RunShortcutsOption = false;
    bool ShutWindowsOnTime = false;
    double ScheduledShutdownTime = 0;
    bool ScheduledTimeKnown = false;
    bool TimeOutPrograms = false;
    std::int16_t TimeOutMinutes = 0;
    std::string m_reportedOptions;      // the unreadable options last reported
    std::string m_reportedLoadFailure;  // the list's load failure last reported
    std::string LogDir;
    bool FromLauncher = false;
    std::int32_t LauncherEnding = 0;
    bool MonitorBusy = false;
    std::int16_t SessionEndOutcome = 0;
    bool ListDone = false;
    bool RunListChosen = false;
    std::int16_t TimerAction = 0;
    std::string ShutdownFolder;
    bool CommandLinesListed = false;
    bool ShortcutsListed = false;
    std::vector<CommandSettings> CommandSettingsList;
    std::vector<CommandStrings> CommandStringsList;
    std::vector<int> CommandRecords;  // each command's record in the settings file

    cAmbrelOptions& Options() { return *m_options; }
    cLogger& Logger() { return *m_logger; }
    const cOSInfo& OsInfo() const { return *m_osInfo; }
    const cSystemInfo& SystemInfo() const { return *m_systemInfo; }

private:
    // Starts corvane.exe with `arguments`, not waiting for it.
    void StartMaintenance(const std::string& arguments);
    // Inside a catch block: reports the error through the logger, with the box.
    void ReportHandlerError();
    void AddShutdownShortcuts();
    void AddCommandLines();
    // Sorts the rows by priority and numbers them again; returns the new
    // place of the row that was at `followRow`.
    int RenumberPriorities(int followRow);
    void ReplaceDialogCycle();
    bool AskShutdownTypeInPlace(std::int32_t& ending);
    // The hand-over that stays: this instance becomes the monitor; false when
    // another monitor has started meanwhile (this one then ends).
    bool TakeOverAsMonitor();
    // Held while a dialog of the monitor is open (the replacement, the
    // warning, the Shut Down dialog): a refresh waits until it has closed.
    struct DialogOpen {
        explicit DialogOpen(frmAmbrel& form) : Form(form) { ++Form.m_dialogsOpen; }
        ~DialogOpen() { --Form.m_dialogsOpen; }
        DialogOpen(const DialogOpen&) = delete;
        DialogOpen& operator=(const DialogOpen&) = delete;
        frmAmbrel& Form;
    };
    void InterruptWait();
    void EndProgram();
    void RunUserAction(const std::string& command);
    // Runs one command and logs the run; false with the runner's message.
    bool RunListedCommand(const std::string& command, int windowStyle, std::string& message);
    // The run history and the wait marker.
    void RecordHistory(const std::string& commandLine, double start, int startOffset, RunOutcome outcome,
                       const RunReport* report);
    void MarkWait(bool listHasRows);
    void ClearWaitMark();
    void ReportSkippedRun();
    // The reason the system shows while the end of the session waits on this
    // monitor; cleared once it answers.
    void ShowBlockReason(const std::string& reason);
    void ClearBlockReason();
    bool AskConfiguredEnding();
    int SelectedOrFirstRow() const;
    double Today();

    MonitorPorts& m_ports;
    IAmbrelView& m_view;
    std::shared_ptr<cOSInfo> m_osInfo;
    std::unique_ptr<cSystemInfo> m_systemInfo;
    std::unique_ptr<cAmbrelOptions> m_options;
    std::unique_ptr<cLogger> m_logger;
    std::unique_ptr<cExitWindows> m_exitWindows;
    bool m_subclassed = false;
    bool m_handleWritten = false;  // this monitor wrote the stored handle
    bool m_ended = false;
    // A run (or its confirmation) is in progress; handlers that would rebuild
    // the list while it runs wait for its end.
    bool m_running = false;
    bool m_executing = false;
    bool m_cancelRequested = false;
    bool m_refreshPending = false;
    int m_dialogsOpen = 0;
    bool m_warning = false;   // the warning is on screen
    bool m_watching = false;  // waiting for the system's Shut Down dialog
    bool m_waitMarked = false;
    bool m_sessionEnded = false;
    bool m_balloonPending = false;  // a skipped run is told at the tray icon
    bool m_blockReasonSet = false;
    bool m_historyFailed = false;  // reported once per run
    // What the system said the session end was ("log off", "shut down"),
    // for the log and the history of the run it starts; "" outside one.
    std::string m_sessionEndKind;
};

// The reasons the system shows while the end of the session waits.
inline constexpr const char* kReasonConfirm = "Waiting for you to confirm the shutdown tasks";
// "Running shutdown task 2 of 5: <command line, shortened>"
std::string RunningTaskReason(int row, int rows, const std::string& commandLine);
inline constexpr const char* kSkippedRunText = "The last session ended before Ambrel's work could run.";

}  // namespace ambrel
