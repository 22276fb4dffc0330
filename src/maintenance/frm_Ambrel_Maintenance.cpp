#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/HelpContexts.h"
#include "monitor/MonitorCommandLine.h"

#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

const MaintenanceTab kMaintenanceTabs[7] = {
    {"Shutdown Folder", "Shortcuts in shutdown folder", "picShutFolder", kHelpShutdownFolder},
    {"Command Lines", "Command lines to execute", "picCommands", kHelpCommandLines},
    {"Program Options", "Execute programs options", "picProgOptions", kHelpProgramOptions},
    {"Run Options", "Run Ambrel options", "picRunOptions", kHelpRunOptions},
    {"Shutdown Options", "Shutdown Windows options", "picShutWinOptions", kHelpShutdownOptions},
    {"Log Options", "Log File Options", "picLogOptions", kHelpLogOptions},
    {"About", "About Ambrel", "picAbout", kHelpMaintenance},
};

namespace {

// The tab on which each option's controls are.
const std::pair<const char*, int> kOptionTabs[] = {
    {"TimeOutPrograms", 3},     {"TimeOutProgramMinutes", 3}, {"QueryClose", 3},          {"RunCommands", 3},
    {"AllUsersUseSame", 4},     {"RunMinimized", 4},          {"AllowUsersToDisable", 5}, {"PowerOff", 5},
    {"ForceLogoff", 5},         {"ShutWindowsOnTime", 5},     {"ShutWindowsTime", 5},     {"ShutdownOption", 5},
    {"ShutDownDialogTitle", 5}, {"WinShutdownType", 5},       {"Logging", 6},             {"LogDir", 6},
};
const char* const kPolicyNoteText = "Set by your administrator";

const char* const kDefaultDialogTitle = "Shut Down Windows";
const char* const kNoRightsForAllUsersText =
    "The options and command lines for all users can be changed only with an administrator's rights, so nothing "
    "was saved.\r\n\r\nUse \"Change settings for all users...\" to change them.";
const char* const kNoRightsText = "Your options cannot be saved here, so nothing was saved.";
const char* const kShutdownTypes[4] = {"Shutdown Windows", "Restart Windows", "Logon as new user", "Don't Shutdown!"};
const char* const kRunCommandsValues[3] = {"C", "S", "B"};
const char* const kRunMinimizedValues[3] = {"T", "F", "S"};

int Tick(bool on) { return on ? 1 : 0; }

}  // namespace

std::string CorrectShutdownTime(const std::string& text) {
    std::string time = text;
    // A bare hour means the whole hour.
    if (IsNumeric(time)) time = Trim(time) + ":00";
    double timeOfDay = 0;
    if (!ParseTimeOfDay(time, timeOfDay)) return "12:00 AM";
    return FormatTimeOfDay(timeOfDay);
}

std::string CorrectTimeOutMinutes(const std::string& text) {
    if (!IsNumeric(text)) return "120";
    std::int32_t minutes = 0;
    try {
        minutes = CLngText(text, "corvane");
    } catch (const RuntimeError&) {
        return "120";  // too large to be a number of minutes at all
    }
    if (minutes < 1) minutes = 1;
    if (minutes > 1440) minutes = 1440;
    return std::to_string(minutes);
}

std::string CorrectDialogTitle(const std::string& text) {
    return Trim(text).empty() ? kDefaultDialogTitle : text;
}

frm_Ambrel_Maintenance::frm_Ambrel_Maintenance(MaintenancePorts& ports, IMaintenanceView& view)
    : m_ports(ports), m_view(view) {}

frm_Ambrel_Maintenance::~frm_Ambrel_Maintenance() = default;

void frm_Ambrel_Maintenance::ReportHandlerError() {
    CatchCurrentError(m_ports.App.Title);
    if (m_logger) m_logger->WriteError("", true);
}

void frm_Ambrel_Maintenance::EndProgram() {
    if (Unloaded) return;
    Unloaded = true;
    if (m_logger) m_logger->CloseLog();
    m_view.Unload();
}

std::string frm_Ambrel_Maintenance::StartupShortcutPath() const {
    return m_systemInfo->StartupFolder() + "\\Ambrel.lnk";
}

// ---------------------------------------------------------------------------
// Start-up

bool frm_Ambrel_Maintenance::Form_Load(const std::string& commandLine) {
    // The logger comes first so that anything that fails can be reported.
    m_logger = std::make_unique<cLogger>(m_ports.Files, m_ports.Clock, m_ports.Regional, m_ports.Ui, m_ports.App);
    ForAllUsers = EqualsNoCase(Trim(commandLine), kForAllUsersArgument);
    // The elevated copy runs beside the one that started it, which waits.
    if (!ForAllUsers && m_ports.Instance.AnotherInstanceRunning()) {
        m_ports.Ui.MsgBox("Ambrel Maintenance is already running.", kMbCritical | kMbOkOnly, m_ports.App.Title);
        return false;
    }
    try {
        CreateSharedObjects();
    } catch (...) {
        ReportHandlerError();
        EndProgram();
        return false;
    }
    try {
        cboShutdownOption = {{"Replace the Shut Down Dialog", 1}, {"Cancel Windows' shut down", 2}};
        if (!m_osInfo->isWinNT4()) cboShutdownOption.push_back({"Don't cancel Windows' shut down", 3});
        cboShutdownType.assign(std::begin(kShutdownTypes), std::end(kShutdownTypes));
        lblSOReplaceHelp =
            std::string("If Ambrel Launcher is running, replace ") + "the 'Shut Down Windows' dialog on the Start menu";
        lblSODontCancelHelp = "Run programs while Windows waits to end";
    } catch (...) {
        ReportHandlerError();
    }
    // Each step on its own: one that fails is reported, and the others are
    // still done (a Shutdown folder that cannot be made must not leave the
    // list page empty, for OK would save that).
    for (void (frm_Ambrel_Maintenance::*step)() : {&frm_Ambrel_Maintenance::LoadOptionsIntoControls,
                                                  &frm_Ambrel_Maintenance::ShowShutdownFolder,
                                                  &frm_Ambrel_Maintenance::LoadCommandListStep}) {
        try {
            (this->*step)();
        } catch (...) {
            ReportHandlerError();
        }
    }
    try {
        const AboutTexts& about = m_ports.About;
        lblAboutTitle = about.ProductName + "(TM) Maintenance   Version " + std::to_string(about.VersionMajor) + "." +
                        std::to_string(about.VersionMinor) + "." + std::to_string(about.VersionRevision);
        lblAboutDescription = about.FileDescription;
        lblAboutCopyright = about.LegalCopyright;
        lblAboutCompany = about.CompanyName;
        lblAboutComments = about.Comments;
        HelpTopic = std::to_string(kHelpMaintenance);
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
    return true;
}

bool frm_Ambrel_Maintenance::OptionLocked(const std::string& name) const {
    return m_options && m_options->Locked(name);
}

void frm_Ambrel_Maintenance::CreateSharedObjects() {
    m_systemInfo = std::make_unique<cSystemInfo>(m_ports.Registry, m_ports.Facts);
    m_options = std::make_unique<cAmbrelOptions>(m_ports.Registry, m_ports.App);
    m_osInfo = std::make_unique<cOSInfo>(m_ports.Facts);
    ShutdownFolder = m_systemInfo->StartMenuDir() + "\\Shutdown";
}

void frm_Ambrel_Maintenance::LoadOptionsIntoControls() {
    cAmbrelOptions& o = *m_options;
    try {
        o.GetOptions(true);
    } catch (...) {
        // A damaged value (a Logging that is no number) is reported; the
        // options read before it are shown, so the user can put it right.
        ReportHandlerError();
    }
    SetCommandFiles(o.AllUsersUseSame(), m_ports.App.ProgramDirectory, m_systemInfo->logonName(),
                    m_systemInfo->TrailFolder(), m_systemInfo->logonNameExact());
    m_listFilesKnown = true;
    chkAllUsersUseSame = Tick(o.AllUsersUseSame());
    // Known before anything is shown: whether this user may change what is
    // machine-wide (an administrator with the rights in effect).
    MachineWritable = o.MayWriteOptions(kRootLocalMachine);
    OptionsReadOnly = o.AllUsersUseSame() && !MachineWritable;
    cmdChangeForAllUsers_Visible = !MachineWritable;
    chkAllUsersUseSame_Enabled = MachineWritable;
    m_logger->LogUser(m_systemInfo->logonName());
    m_logger->LogFile(o.LogDir());
    ApplyLoggingOption(*m_logger, o.Logging());

    const std::string data = m_ports.App.ProgramDirectory + "\\Data";
    if (!m_ports.Files.FolderExists(data)) m_ports.Files.CreateFolder(data);
    chkAmbrelInStartup = Tick(m_ports.Files.FileExists(StartupShortcutPath()));
    // Started for every user of the machine (by the setup program): not this
    // user's to switch off.
    const std::string common = m_systemInfo->CommonStartupFolder();
    m_startsForEveryone = !Trim(common).empty() && m_ports.Files.FileExists(common + "\\Ambrel.lnk");
    if (m_startsForEveryone) chkAmbrelInStartup = 1;
    // The elevated copy changes the machine's settings only, never the
    // elevating administrator's own shortcut.
    chkAmbrelInStartup_Enabled = !ForAllUsers && !m_startsForEveryone;

    chkConfirmExecutions = Tick(o.QueryClose());
    cboShutdownOption_ListIndex = 0;
    for (std::size_t i = 0; i < cboShutdownOption.size(); ++i)
        if (cboShutdownOption[i].ItemData == o.ShutdownOption()) cboShutdownOption_ListIndex = static_cast<int>(i);
    cboShutdownOption_Click();
    txtDialogTitle = o.ShutdownDialogTitle();
    chkForceLogoff = Tick(o.ForceLogoff());
    chkPowerOff = Tick(o.PowerOff());
    chkAllowUsersToDisableAmbrel = Tick(o.AllowUsersToDisable());

    const std::string ending = UCase(o.WinShutdownType());
    cboShutdownType_ListIndex = 0;
    if (ending == "1" || ending == "2" || ending == "3" || ending == "4") {
        cboShutdownType_ListIndex = ending[0] - '1';
        optShutWinOptions = 0;
    } else {
        optShutWinOptions = ending == "B" ? 1 : 2;
    }

    const std::string run = UCase(o.RunMinimized());
    optRunAmbrelOption = run == "T" ? 0 : run == "F" ? 1 : 2;
    const std::string commands = UCase(o.RunCommands());
    optExecuteOption = -1;
    for (int i = 0; i < 3; ++i)
        if (commands == kRunCommandsValues[i]) optExecuteOption = i;

    chkShutWindowsOnTime = Tick(o.ShutWindowsOnTime());
    chkShutWindowsOnTime_Click();
    txtShutWindowsTime = o.ShutWindowsTime();
    chkTimeOutPrograms = Tick(o.TimeOutPrograms());
    chkTimeOutPrograms_Click();
    txtTimeOutMinutes = o.TimeOutProgramMinutes();
    optLogOption = o.Logging() >= 1 && o.Logging() <= 3 ? o.Logging() - 1 : -1;
    txtLogFilePath = o.LogDir();

    for (std::string& note : PolicyNote) note.clear();
    for (const auto& [name, tab] : kOptionTabs)
        if (o.Locked(name)) PolicyNote[tab] = kPolicyNoteText;

    if (!m_systemInfo->MultiUsers()) {
        // One user only: there is only the one list.
        chkAllUsersUseSame = 1;
        chkAllUsersUseSame_Enabled = false;
        chkAllUsersUseSame_Click();
    }
}

// ---------------------------------------------------------------------------
// The pages

void frm_Ambrel_Maintenance::ShowShutdownFolder() {
    if (m_ports.Files.ListFiles(ShutdownFolder, flb_prog)) {
        flb_prog_Enabled = true;
        return;
    }
    flb_prog.clear();
    if (optExecuteOption == 0) return;
    int answer = m_ports.Ui.MsgBox("Cannot locate the Shutdown directory.\r\nOK to create it?", kMbYesNo | kMbQuestion,
                                   m_ports.App.ProductName);
    if (answer == kAnswerYes) {
        if (long error = m_ports.Files.CreateFolder(ShutdownFolder)) RaiseError(error, m_ports.App.Title);
        m_ports.Files.ListFiles(ShutdownFolder, flb_prog);
        flb_prog_Enabled = true;
    } else {
        flb_prog_Enabled = false;
        optExecuteOption = 0;
    }
}

void frm_Ambrel_Maintenance::TabStrip1_Click(int tab) {
    if (tab < 1 || tab > 7) return;
    TabStrip1_SelectedTab = tab;
    HelpTopic = std::to_string(kMaintenanceTabs[tab - 1].HelpTopic);
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::cboShutdownOption_Click() {
    std::int32_t option = 0;
    if (cboShutdownOption_ListIndex >= 0 && cboShutdownOption_ListIndex < static_cast<int>(cboShutdownOption.size()))
        option = cboShutdownOption[static_cast<std::size_t>(cboShutdownOption_ListIndex)].ItemData;
    picSOReplace_Visible = option == 1;
    picSOAutoCancel_Visible = option == 2;
    picSODontCancel_Visible = option == 3;
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::chkAllUsersUseSame_Click() {
    // Only the names of the next save change; the list on screen stays.
    SetCommandFiles(chkAllUsersUseSame == 1, m_ports.App.ProgramDirectory, m_systemInfo->logonName(),
                    m_systemInfo->TrailFolder(), m_systemInfo->logonNameExact());
}

void frm_Ambrel_Maintenance::chkShutWindowsOnTime_Click() {
    txtShutWindowsTime_Enabled = chkShutWindowsOnTime == 1;
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::chkTimeOutPrograms_Click() {
    txtTimeOutMinutes_Enabled = chkTimeOutPrograms == 1;
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::optExecuteOption_Click(int index) {
    try {
        optExecuteOption = index;
        ShowShutdownFolder();
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::txtShutWindowsTime_LostFocus() {
    txtShutWindowsTime = CorrectShutdownTime(txtShutWindowsTime);
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::txtTimeOutMinutes_LostFocus() {
    txtTimeOutMinutes = CorrectTimeOutMinutes(txtTimeOutMinutes);
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::txtDialogTitle_LostFocus() {
    txtDialogTitle = CorrectDialogTitle(txtDialogTitle);
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::cmdRefresh_Click() {
    if (!m_ports.Files.ListFiles(ShutdownFolder, flb_prog)) flb_prog.clear();
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::cmdBrowseLogFile_Click() {
    try {
        OpenFileRequest request{"Select Log File", "Log files(*.log) | *.log", m_ports.App.ProgramDirectory + "\\data",
                                kOpenHideReadOnly | kOpenPathMustExist};
        std::string chosen = m_view.ShowOpen(request);
        if (!chosen.empty()) txtLogFilePath = chosen;
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::cmdViewLog_Click() {
    try {
        const std::string path = txtLogFilePath;
        if (!m_ports.Files.FileExists(path)) {
            int answer = m_ports.Ui.MsgBox(path + " wasn't found.\r\nOk to create it?", kMbYesNo | kMbQuestion,
                                           m_ports.App.Title);
            if (answer != kAnswerYes) return;
            long error = 0;
            if (!m_ports.Files.Open(path, FileMode::CreateNew, error)) {
                m_ports.Ui.MsgBox("Unable to create log.  Make sure path is valid.", kMbCritical, m_ports.App.Title);
                return;
            }
        }
        std::uint32_t id = 0;
        long error = 0;
        // Notepad from the system's own folders, the log's path quoted.
        if (!m_ports.Processes.StartProgram("notepad.exe", QuotedPath(path), 1, id, error))
            RaiseError(error ? error : kErrFileNotFound, m_ports.App.Title);
        // Not waited for: what the start kept of it is let go now, not when
        // this program ends.
        m_ports.Processes.Open(id);
    } catch (...) {
        ReportHandlerError();
    }
}

void frm_Ambrel_Maintenance::cmdDeleteLog_Click() {
    const std::string path = txtLogFilePath;
    int answer =
        m_ports.Ui.MsgBox("Delete " + path + "?", kMbYesNo | kMbQuestion | kMbDefaultButton2, m_ports.App.Title);
    if (answer != kAnswerYes) return;
    // The logger may hold the file open since its last entry.
    m_logger->CloseLog();
    m_ports.Files.Remove(path);
}

void frm_Ambrel_Maintenance::cmd_help_Click() {
    try {
        m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, std::stoul(HelpTopic));
    } catch (...) {
        ReportHandlerError();
    }
}

// ---------------------------------------------------------------------------
// OK and Cancel

void frm_Ambrel_Maintenance::cmd_ok_Click() {
    try {
        if (OptionsReadOnly) {
            // Nothing of all users' may change here: only the user's own shortcut.
            UpdateStartupShortcut();
            EndProgram();
            return;
        }
        // All or nothing: the options' place is looked at before the list is
        // written, and a failure keeps the window open with what was not saved.
        const bool forAllUsers = chkAllUsersUseSame == 1;
        const RegHandle root = forAllUsers ? kRootLocalMachine
                                           : kRootCurrentUser;
        if (!m_options->MayWriteOptions(root)) {
            m_ports.Ui.MsgBox(forAllUsers ? kNoRightsForAllUsersText : kNoRightsText, kMbCritical, m_ports.App.Title);
            return;
        }
        // An elevated copy that makes the options per user writes that choice
        // alone: the administrator's own options and list stay as they were.
        const bool choiceOnly = ForAllUsers && !forAllUsers;
        if (!choiceOnly && !SaveCommandList()) return;
        SaveControlsIntoOptions();
        const bool saved = choiceOnly ? m_options->SaveAllUsersChoice() : m_options->SaveOptions();
        if (!saved) {
            std::string names;
            for (const std::string& name : m_options->FailedWrites()) names += (names.empty() ? "" : ", ") + name;
            m_ports.Ui.MsgBox("These options were not saved" +
                                  std::string(m_options->WritesDenied() ? " (the system refused them)" : "") + ": " +
                                  names + ".\r\n\r\nThe command list was saved.",
                              kMbCritical, m_ports.App.Title);
            return;
        }
        // Only to this user's running monitor: the stored handle may be
        // another session's, or a window that has long gone.
        if (const std::int32_t monitor = m_ports.Messages.FindMonitor(m_options->AmbrelHandle()))
            m_ports.Messages.Post(monitor, kWmAmbrelRefreshMessage, 0, 0);
    } catch (...) {
        ReportHandlerError();
        return;
    }
    EndProgram();
}

void frm_Ambrel_Maintenance::cmdChangeForAllUsers_Click() {
    try {
        long error = 0;
        // This window waits for the other and takes no input meanwhile.
        Enabled = false;
        m_view.Refresh();
        const bool ran = m_ports.Processes.RunElevatedAndWait(m_ports.App.ProgramDirectory + "\\corvane.exe",
                                                              kForAllUsersArgument, error);
        Enabled = true;
        // Declined (the user said no to the rights): nothing changed.
        if (!ran) {
            m_view.Refresh();
            return;
        }
        LoadOptionsIntoControls();
        LoadCommandList();
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::cmd_cancel_Click() { EndProgram(); }

void frm_Ambrel_Maintenance::SaveControlsIntoOptions() {
    cAmbrelOptions& o = *m_options;
    // A box left with Enter (the default button takes no focus) was never
    // corrected: no value that a correction would refuse reaches the options.
    txtShutWindowsTime = CorrectShutdownTime(txtShutWindowsTime);
    txtTimeOutMinutes = CorrectTimeOutMinutes(txtTimeOutMinutes);
    txtDialogTitle = CorrectDialogTitle(txtDialogTitle);

    o.AllUsersUseSame(chkAllUsersUseSame == 1);
    UpdateStartupShortcut();
    o.QueryClose(chkConfirmExecutions == 1);
    if (cboShutdownOption_ListIndex >= 0 && cboShutdownOption_ListIndex < static_cast<int>(cboShutdownOption.size()))
        o.ShutdownOption(static_cast<std::int16_t>(
            cboShutdownOption[static_cast<std::size_t>(cboShutdownOption_ListIndex)].ItemData));
    o.ShutdownDialogTitle(txtDialogTitle);
    o.ForceLogoff(chkForceLogoff == 1);
    o.PowerOff(chkPowerOff == 1);
    o.AllowUsersToDisable(chkAllowUsersToDisableAmbrel == 1);
    if (optShutWinOptions == 0)
        o.WinShutdownType(std::to_string((cboShutdownType_ListIndex < 0 ? 0 : cboShutdownType_ListIndex) + 1));
    else
        o.WinShutdownType(optShutWinOptions == 1 ? "B" : "A");
    // An option group with no button chosen (a stored value it does not
    // know) keeps the stored value.
    if (optRunAmbrelOption >= 0 && optRunAmbrelOption < 3) o.RunMinimized(kRunMinimizedValues[optRunAmbrelOption]);
    if (optExecuteOption >= 0 && optExecuteOption < 3) o.RunCommands(kRunCommandsValues[optExecuteOption]);
    o.ShutWindowsOnTime(chkShutWindowsOnTime == 1);
    o.ShutWindowsTime(txtShutWindowsTime);
    o.TimeOutPrograms(chkTimeOutPrograms == 1);
    o.TimeOutProgramMinutes(txtTimeOutMinutes);
    if (optLogOption >= 0 && optLogOption < 3) o.Logging(static_cast<std::int16_t>(optLogOption + 1));
    o.LogDir(txtLogFilePath);
}

void frm_Ambrel_Maintenance::UpdateStartupShortcut() {
    // The elevating administrator's own: not this copy's to change; and with
    // the machine's shortcut there is nothing to add.
    if (ForAllUsers || m_startsForEveryone) return;
    const std::string path = StartupShortcutPath();
    if (chkAmbrelInStartup != 1) {
        m_ports.Files.Remove(path);  // also when there is none
        return;
    }
    if (m_ports.Files.FileExists(path)) return;
    ShortcutFields fields;
    fields.TargetPath = m_ports.App.ProgramDirectory + "\\Ambrel.exe";
    fields.Arguments = kStartupArgument;  // a second start at log on ends without a word
    fields.WorkingDirectory = m_ports.App.ProgramDirectory;
    if (!m_ports.Links.CreateShortcut(path, fields))
        m_logger->WriteError("Unable to create the shortcut " + path, true);
}

}  // namespace ambrel
