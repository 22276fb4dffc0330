#pragma once
// The maintenance program's window: the option pages and the command list
// page, as state plus handlers. The window itself is a thin view
// (frm_Ambrel_Maintenance_win32.cpp and the page dialogs of corvane.rc) that
// shows these fields, copies what the user changed back into them and turns
// control events into the handlers below; the handlers never touch a window.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "maintenance/CommandListText.h"
#include "shared/CommandFiles.h"
#include "shared/CommandRecords.h"
#include "shared/FileListBox.h"
#include "shared/platform.h"

namespace ambrel {

class cAmbrelOptions;
class cLogger;
class cOSInfo;
class cSystemInfo;
class frm_Ambrel_Maintenance;

// What the command list page asks of the editor (CommandEditMode).
inline constexpr int kEditModeAdd = 2;
inline constexpr int kEditModeEdit = 3;
inline constexpr int kEditModeCancelled = 4;
inline constexpr int kEditModeDelete = 5;

// The monitor's "reload your options" message.
inline constexpr std::uint32_t kWmAmbrelRefreshMessage = 0x0400 + 400;

// The command editor, opened modally by Add, Edit and Delete. It shows the
// command at CurrentCommand for CommandEditMode, stores what the user accepts
// through the Set... operations, and sets CommandEditMode to 4 when the user
// cancels or closes it.
class ICommandEditor {
public:
    virtual ~ICommandEditor() = default;
    virtual void Show(frm_Ambrel_Maintenance& owner) = 0;
};

// What the form needs of its window.
class IMaintenanceView {
public:
    virtual ~IMaintenanceView() = default;
    // Shows the form's fields in the window.
    virtual void Refresh() = 0;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    // The open-file dialog: the chosen path, empty when the user cancels.
    virtual std::string ShowOpen(const OpenFileRequest& request) = 0;
    // The save-file dialog, the same way.
    virtual std::string ShowSave(const OpenFileRequest& request) = 0;
    // The History window over the history at `path`, modally.
    virtual void ShowHistory(const std::string& path) = 0;
    // Destroys the window; the program ends once the handler returns.
    virtual void Unload() = 0;
};

// Everything the maintenance program uses from the system, wired by WinMain
// or a test.
struct MaintenancePorts {
    IRegistryBackend& Registry;
    ISystemFacts& Facts;
    IFileSystem& Files;
    IClock& Clock;
    IRegionalSettings& Regional;
    IUserInteraction& Ui;
    IInstanceGuard& Instance;
    IProcessLauncher& Processes;
    IShellLinks& Links;
    IWindowMessages& Messages;
    ICommandListLock& ListLock;
    AppIdentity App;
    AboutTexts About;
};

struct ComboItem {
    std::string Text;
    std::int32_t ItemData = 0;
};

// One row of Lv_commands.
struct CommandRow {
    std::string Text;         // column "Run ": "Yes.." or "No..."
    int SmallIcon = 1;        // 1 runs, 2 (or 0) does not
    std::string CommandLine;  // column "Command line"
    std::string Priority;     // column ".": 0010, 0020, ...
    std::string Tag;          // the command's index in the arrays
};

// The seven tabs, in order.
struct MaintenanceTab {
    const char* Caption;
    const char* ToolTip;
    const char* Page;
    unsigned long HelpTopic;  // the help's context number
};
extern const MaintenanceTab kMaintenanceTabs[7];

// The argument of the elevated start that changes the settings for all users.
inline constexpr const char* kForAllUsersArgument = "/ForAllUsers";

class frm_Ambrel_Maintenance {
public:
    frm_Ambrel_Maintenance(MaintenancePorts& ports, IMaintenanceView& view);
    ~frm_Ambrel_Maintenance();
    frm_Ambrel_Maintenance(const frm_Ambrel_Maintenance&) = delete;
    frm_Ambrel_Maintenance& operator=(const frm_Ambrel_Maintenance&) = delete;

    // How the list's text file is converted (UTF-8 to and from the stored strings).
    void SetTextCodec(const TextCodec& codec) { m_codec = codec; }
    // The editor that Add, Edit and Delete open; without one they do nothing.
    void SetCommandEditor(ICommandEditor* editor) { m_editor = editor; }
    bool HasCommandEditor() const { return m_editor != nullptr; }

    // Start-up: false when the program ends at once (another instance, or an
    // error creating the shared objects). `commandLine` "/ForAllUsers" is the
    // elevated start of cmdChangeForAllUsers: it changes only what is
    // machine-wide.
    bool Form_Load(const std::string& commandLine = "");

    // ---- handlers ----
    void TabStrip1_Click(int tab);  // 1-based
    void cboShutdownOption_Click();
    void chkAllUsersUseSame_Click();
    void chkShutWindowsOnTime_Click();
    void chkTimeOutPrograms_Click();
    void optExecuteOption_Click(int index);
    void txtShutWindowsTime_LostFocus();
    void txtTimeOutMinutes_LostFocus();
    void txtDialogTitle_LostFocus();
    void cmdRefresh_Click();
    void cmdBrowseLogFile_Click();
    void cmdViewLog_Click();
    void cmdDeleteLog_Click();
    void cmd_help_Click();
    void cmd_ok_Click();
    void cmd_cancel_Click();
    // Starts this program again with an administrator's rights to change the
    // settings for all users, and loads them again once it has ended.
    void cmdChangeForAllUsers_Click();

    // The command list page.
    // The list as a text file: written from the rows as they are, or read
    // into the page (all of it or nothing), which OK then saves.
    void Cmd_export_Click();
    void Cmd_import_Click();
    void Cmd_history_Click();
    void Cmd_add_Click();
    void Cmd_edit_Click();
    void Cmd_delete_Click();
    void Lv_commands_DblClick();
    void Toolbar1_ButtonClick(const std::string& key);
    int SelectedCommandRow() const;
    void RenumberPriorities();
    int NewCommandSlot();
    void LoadCommandList();
    bool SaveCommandList();

    // The editor's interface: the command at CurrentCommand. An index
    // outside the arrays raises error 9 (subscript out of range).
    CommandSettings GetCurrentSettings() const;
    void SetCurrentSettings(const CommandSettings& settings);
    CommandStrings GetCurrentStrings() const;
    void SetCurrentStrings(const CommandStrings& strings);

    // ---- the window's fields, as the view shows them ----
    int TabStrip1_SelectedTab = 1;  // the page on show
    std::string HelpTopic = "104";

    // Shutdown Folder
    std::string ShutdownFolder;
    std::vector<std::string> flb_prog;
    bool flb_prog_Enabled = true;

    // Program Options
    int chkTimeOutPrograms = 0;
    std::string txtTimeOutMinutes = "30";
    bool txtTimeOutMinutes_Enabled = true;
    int chkConfirmExecutions = 0;
    int optExecuteOption = -1;  // -1: no button chosen

    // Run Options
    int chkAllUsersUseSame = 0;
    bool chkAllUsersUseSame_Enabled = true;
    int chkAmbrelInStartup = 0;
    int optRunAmbrelOption = -1;

    // Shutdown Options
    int chkAllowUsersToDisableAmbrel = 0;
    int chkPowerOff = 0;
    int chkForceLogoff = 0;
    int chkShutWindowsOnTime = 0;
    std::string txtShutWindowsTime = "12:00 AM";
    bool txtShutWindowsTime_Enabled = true;
    std::vector<ComboItem> cboShutdownOption;
    int cboShutdownOption_ListIndex = -1;
    std::string txtDialogTitle;
    std::vector<std::string> cboShutdownType;
    int cboShutdownType_ListIndex = -1;
    int optShutWinOptions = -1;
    bool picSOReplace_Visible = false;
    bool picSOAutoCancel_Visible = false;
    bool picSODontCancel_Visible = false;
    std::string lblSOReplaceHelp;
    std::string lblSODontCancelHelp;

    // Log Options
    int optLogOption = -1;
    std::string txtLogFilePath;

    // About
    std::string lblAboutTitle, lblAboutDescription, lblAboutCopyright, lblAboutCompany, lblAboutComments;

    // Command Lines
    std::vector<CommandRow> Lv_commands;
    int Lv_SelectedRow = 0;  // 1-based, 0 for none; the view keeps it in step
    bool Cmd_add_Enabled = true;
    bool Cmd_edit_Enabled = true;
    bool Cmd_delete_Enabled = true;
    // A list that may not be believed (someone else can change it) or that
    // this user cannot have: shown, never changed or saved; the label says why.
    bool ListReadOnly = false;
    std::string lblListReadOnly;
    // A stored list that was not loaded whole (a damaged file, an error on
    // the way): OK saves over it only when the user says so.
    bool ListIncomplete = false;

    // Without an administrator's rights the machine-wide settings cannot be
    // changed: with AllUsersUseSame the options and the list are shown read
    // only, and cmdChangeForAllUsers (with the shield) offers the rights.
    bool ForAllUsers = false;
    bool MachineWritable = true;
    bool OptionsReadOnly = false;
    bool cmdChangeForAllUsers_Visible = false;
    bool chkAmbrelInStartup_Enabled = true;
    bool Enabled = true;  // false while the elevated copy runs
    // Options an administrator's policy sets: their controls are shown
    // disabled, and each page that has one says so once (by tab, from 1).
    bool OptionLocked(const std::string& name) const;
    std::string PolicyNote[8];

    // ---- the command list state ----
    std::vector<CommandSettings> CommandSettingsList;
    std::vector<CommandStrings> CommandStringsList;
    int CurrentCommand = 0;
    int CommandEditMode = 0;

    bool Unloaded = false;

    cAmbrelOptions& Options() { return *m_options; }

    // Inside a catch block: reports the error through the logger, with the box.
    void ReportHandlerError();

private:
    void CreateSharedObjects();
    void LoadOptionsIntoControls();
    void SaveControlsIntoOptions();
    void UpdateStartupShortcut();
    void ShowShutdownFolder();
    // The list page's step of the window's load: the list, or, when it
    // cannot be loaded at all, a page that says so and is never saved.
    void LoadCommandListStep();
    void AddRow(int index);
    void EndProgram();
    std::size_t CheckedIndex(int index) const;
    std::string StartupShortcutPath() const;

    MaintenancePorts& m_ports;
    IMaintenanceView& m_view;
    ICommandEditor* m_editor = nullptr;
    std::unique_ptr<cLogger> m_logger;
    std::unique_ptr<cSystemInfo> m_systemInfo;
    std::unique_ptr<cAmbrelOptions> m_options;
    std::unique_ptr<cOSInfo> m_osInfo;
    // The record each loaded command came from (-1 for one added here), and
    // the commands the editor changed: the others keep the run counters the
    // monitor stored while the window was open.
    std::vector<int> m_loadedRecords;
    std::set<int> m_edited;
    // Each loaded command as it was loaded, so that an edited one still
    // finds its stored record, and with it the runs recorded meanwhile.
    std::vector<CommandPair> m_asLoaded;
    bool m_listFilesKnown = false;  // the options said which list is this user's
    std::string m_loadedFrom;  // the settings file the list was loaded from
    TextCodec m_codec;
    bool m_startsForEveryone = false;  // the machine's Startup shortcut is there
};

// The corrections made when the user leaves a text box.
std::string CorrectShutdownTime(const std::string& text);
std::string CorrectTimeOutMinutes(const std::string& text);
std::string CorrectDialogTitle(const std::string& text);

}  // namespace ambrel
