// The "Command Lines" page: the rows, the editor's interface, the priority
// buttons and the save on OK.

#include <algorithm>

#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/CommandFiles.h"
#include "shared/SessionTrail.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

const char* const kRunText = "Yes..";
const char* const kDontRunText = "No...";
const char* const kPriorityMask = "####0000";

std::string PriorityText(long priority) { return FormatDigits(priority, kPriorityMask); }

// A row's priority as a number: from row 1000 on the texts have five digits,
// and "10000" sorts before "1010" as text.
double PriorityNumber(const std::string& text) { return Val(text); }

// The picture of a row: 1 runs, 2 does not (there is no picture 0).
int RunPicture(std::int16_t run) { return run == 1 ? 1 : 2; }

}  // namespace

std::size_t frm_Ambrel_Maintenance::CheckedIndex(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= CommandSettingsList.size() ||
        static_cast<std::size_t>(index) >= CommandStringsList.size())
        RaiseError(kErrSubscriptOutOfRange, m_ports.App.Title);
    return static_cast<std::size_t>(index);
}

CommandSettings frm_Ambrel_Maintenance::GetCurrentSettings() const {
    return CommandSettingsList[CheckedIndex(CurrentCommand)];
}

void frm_Ambrel_Maintenance::SetCurrentSettings(const CommandSettings& settings) {
    CommandSettingsList[CheckedIndex(CurrentCommand)] = settings;
}

CommandStrings frm_Ambrel_Maintenance::GetCurrentStrings() const {
    return CommandStringsList[CheckedIndex(CurrentCommand)];
}

void frm_Ambrel_Maintenance::SetCurrentStrings(const CommandStrings& strings) {
    CommandStringsList[CheckedIndex(CurrentCommand)] = strings;
}

int frm_Ambrel_Maintenance::SelectedCommandRow() const {
    if (Lv_commands.empty()) return 0;
    if (Lv_SelectedRow >= 1 && Lv_SelectedRow <= static_cast<int>(Lv_commands.size())) return Lv_SelectedRow;
    return 1;
}

void frm_Ambrel_Maintenance::RenumberPriorities() {
    std::vector<std::size_t> order(Lv_commands.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) {
                         return PriorityNumber(Lv_commands[a].Priority) < PriorityNumber(Lv_commands[b].Priority);
                     });
    std::vector<CommandRow> sorted;
    int selected = 0;
    for (std::size_t place = 0; place < order.size(); ++place) {
        sorted.push_back(Lv_commands[order[place]]);
        sorted.back().Priority = PriorityText(static_cast<long>(place + 1) * 10);
        // The selection stays with its row.
        if (static_cast<int>(order[place]) == Lv_SelectedRow - 1) selected = static_cast<int>(place) + 1;
    }
    Lv_commands = std::move(sorted);
    Lv_SelectedRow = selected;
}

int frm_Ambrel_Maintenance::NewCommandSlot() {
    // Like the arrays the list was kept in, a list never sized starts at 1.
    const int index = CommandSettingsList.empty() ? 1 : static_cast<int>(CommandSettingsList.size());
    const std::size_t size = static_cast<std::size_t>(index) + 1;
    CommandSettingsList.resize(size);
    CommandStringsList.resize(size);
    m_loadedRecords.resize(size, -1);
    m_asLoaded.resize(size);
    CommandSettingsList[static_cast<std::size_t>(index)] = NewCommandSettings(DateOnly(m_ports.Clock.Now()));
    CommandStringsList[static_cast<std::size_t>(index)] = CommandStrings{};
    m_loadedRecords[static_cast<std::size_t>(index)] = -1;
    m_edited.erase(index);
    return index;
}

void frm_Ambrel_Maintenance::AddRow(int index) {
    const int picture = RunPicture(CommandSettingsList[static_cast<std::size_t>(index)].Run);
    Lv_commands.push_back({picture == 1 ? kRunText : kDontRunText, picture,
                           CommandStringsList[static_cast<std::size_t>(index)].CommandLine,
                           PriorityText(static_cast<long>(Lv_commands.size() + 1) * 10), std::to_string(index)});
}

void frm_Ambrel_Maintenance::LoadCommandList() {
    CommandSettingsList.clear();
    CommandStringsList.clear();
    m_loadedRecords.clear();
    m_asLoaded.clear();
    m_edited.clear();
    Lv_commands.clear();
    ListIncomplete = false;
    m_loadedFrom = CurrentCommandFiles().Settings;
    LoadResult loaded = ambrel::LoadCommandList(
        m_ports.Files, *m_logger, CurrentCommandFiles(),
        [this](int index, const CommandSettings& settings, const CommandStrings& strings) {
            const std::size_t size = static_cast<std::size_t>(index) + 2;
            CommandSettingsList.resize(size);
            CommandStringsList.resize(size);
            m_loadedRecords.resize(size, -1);
            m_asLoaded.resize(size);
            CommandSettingsList[static_cast<std::size_t>(index)] = settings;
            CommandStringsList[static_cast<std::size_t>(index)] = strings;
            m_asLoaded[static_cast<std::size_t>(index)] = {settings, strings};
            AddRow(index);
        },
        m_ports.App.Title, &m_ports.ListLock);
    for (std::size_t i = 0; i < loaded.Records.size() && i < m_loadedRecords.size(); ++i)
        m_loadedRecords[i] = loaded.Records[i];
    ListReadOnly = !loaded.Refused.empty() || OptionsReadOnly;
    lblListReadOnly = !loaded.Refused.empty() ? "Read only: " + loaded.Refused
                      : OptionsReadOnly ? "Read only: the command lines for all users can be changed only with an "
                                          "administrator's rights."
                                        : std::string();
    // Stored but not read whole: what was read is shown, and the page says
    // that the rest is missing. (No stored list at all loses nothing.)
    ListIncomplete = !ListReadOnly && !loaded.Completed && m_ports.Files.FileExists(CurrentCommandFiles().Strings);
    if (ListIncomplete)
        lblListReadOnly = "Not loaded whole: only the first " + std::to_string(loaded.Count) +
                          " command lines could be read (" + Err().Description +
                          "). OK asks before this list is saved over the stored one.";
    Cmd_add_Enabled = !ListReadOnly;
    if ((loaded.Completed && loaded.Count == 0) || ListReadOnly) {
        Cmd_edit_Enabled = false;
        Cmd_delete_Enabled = false;
    }
}

void frm_Ambrel_Maintenance::LoadCommandListStep() {
    try {
        if (!m_listFilesKnown) RaiseError(kErrPathNotFound, m_ports.App.Title);
        LoadCommandList();
    } catch (...) {
        // Nothing could be read: nothing may be saved over it either.
        CatchCurrentError(m_ports.App.Title);
        const std::string why = Err().Description;
        Lv_commands.clear();
        ListReadOnly = true;
        lblListReadOnly = "Not loaded: the command lines could not be read (" + why +
                          "). OK leaves the stored list as it is.";
        Cmd_add_Enabled = Cmd_edit_Enabled = Cmd_delete_Enabled = false;
        throw;
    }
}

bool frm_Ambrel_Maintenance::SaveCommandList() {
    // A list that may not be believed stays as it is stored; OK still saves the options.
    if (ListReadOnly) return true;
    if (ListIncomplete &&
        m_ports.Ui.MsgBox("The command list was not loaded whole: the commands that could not be read are not on "
                          "the page.\r\n\r\nSave the list as the page shows it, in place of the stored one?\r\n"
                          "Yes saves it; No keeps the stored list as it is.",
                          kMbYesNo | kMbExclamation | kMbDefaultButton2, m_ports.App.Title) != kAnswerYes)
        return true;
    // Counters can only be carried over from the files the list came from.
    const bool sameFiles = CurrentCommandFiles().Settings == m_loadedFrom;
    std::vector<CommandToSave> commands;
    for (const CommandRow& row : Lv_commands) {
        const int index = std::stoi(row.Tag);
        const std::size_t at = CheckedIndex(index);
        CommandToSave command;
        command.Pair.Settings = CommandSettingsList[at];
        command.Pair.Settings.Run = row.SmallIcon == 1 ? 1 : 0;  // the row's picture says
        command.Pair.Strings = CommandStringsList[at];
        command.LoadedRecord = sameFiles ? m_loadedRecords[at] : -1;
        // The editor never changes the counters: an edited command keeps the
        // ones stored now too, found by the command as it was loaded.
        command.KeepStoredCounters = command.LoadedRecord >= 0;
        if (m_edited.count(index)) command.AsLoaded = m_asLoaded[at];
        commands.push_back(command);
    }
    return SaveCommandListKeepingCounters(m_ports.Files, &m_ports.ListLock, *m_logger, m_ports.Ui, m_ports.Clock,
                                          m_ports.App.Title, CurrentCommandFiles(), commands, m_ports.App.Title);
}

// ---------------------------------------------------------------------------
// Export, Import and History

namespace {

const char* const kTextFilter = "Text files (*.txt) | *.txt | All files (*.*) | *.*";

}  // namespace

void frm_Ambrel_Maintenance::Cmd_export_Click() {
    try {
        const std::string path = m_view.ShowSave({"Export the command lines", kTextFilter, "", 0});
        if (path.empty()) return;
        std::vector<CommandPair> pairs;
        for (const CommandRow& row : Lv_commands) {
            const std::size_t at = CheckedIndex(std::stoi(row.Tag));
            CommandPair pair{CommandSettingsList[at], CommandStringsList[at]};
            pair.Settings.Run = row.SmallIcon == 1 ? 1 : 0;
            pairs.push_back(pair);
        }
        const std::string text = CommandListToText(pairs, m_codec.ToUtf8);
        long error = 0;
        m_ports.Files.Remove(path);
        auto file = m_ports.Files.Open(path, FileMode::CreateNew, error);
        if (!file || !file->Write(text.data(), text.size()) || !file->Flush())
            m_ports.Ui.MsgBox("The command lines could not be written to " + path + ".", kMbCritical, m_ports.App.Title);
    } catch (...) {
        ReportHandlerError();
    }
}

void frm_Ambrel_Maintenance::Cmd_import_Click() {
    if (ListReadOnly) return;
    try {
        const std::string path = m_view.ShowOpen({"Import command lines", kTextFilter, "", kOpenFileMustExist});
        if (path.empty()) return;
        long error = 0;
        auto file = m_ports.Files.Open(path, FileMode::Read, error);
        std::string text(file ? static_cast<std::size_t>(file->Size()) : 0, '\0');
        if (!file || file->Read(text.data(), text.size()) != text.size()) {
            m_ports.Ui.MsgBox(path + " could not be read.", kMbCritical, m_ports.App.Title);
            return;
        }
        std::vector<CommandPair> pairs;
        CommandListTextError bad;
        if (!CommandListFromText(text, pairs, bad, m_codec.FromUtf8)) {
            m_ports.Ui.MsgBox("Nothing was imported: " + path + ", line " + std::to_string(bad.Line) + ": " +
                                  bad.Message + ".",
                              kMbCritical, m_ports.App.Title);
            return;
        }
        // The page holds the file's commands now; one that was loaded as it
        // is keeps its record, and with it the runs counted so far.
        const std::vector<CommandPair> asLoaded = m_asLoaded;
        const std::vector<int> records = m_loadedRecords;
        std::vector<bool> taken(asLoaded.size(), false);
        CommandSettingsList.assign(1, CommandSettings{});
        CommandStringsList.assign(1, CommandStrings{});
        m_loadedRecords.assign(1, -1);
        m_asLoaded.assign(1, CommandPair{});
        m_edited.clear();
        Lv_commands.clear();
        for (const CommandPair& pair : pairs) {
            const int index = NewCommandSlot();
            CommandSettingsList[static_cast<std::size_t>(index)] = pair.Settings;
            CommandStringsList[static_cast<std::size_t>(index)] = pair.Strings;
            for (std::size_t j = 0; j < asLoaded.size(); ++j)
                if (!taken[j] && j < records.size() && records[j] >= 0 && SameCommand(asLoaded[j], pair)) {
                    taken[j] = true;
                    m_loadedRecords[static_cast<std::size_t>(index)] = records[j];
                    m_asLoaded[static_cast<std::size_t>(index)] = asLoaded[j];
                    break;
                }
            AddRow(index);
        }
        Lv_SelectedRow = Lv_commands.empty() ? 0 : 1;
        Cmd_edit_Enabled = Cmd_delete_Enabled = !Lv_commands.empty();
        ListIncomplete = false;
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::Cmd_history_Click() {
    try {
        m_view.ShowHistory(HistoryPath(CurrentCommandFiles()));
    } catch (...) {
        ReportHandlerError();
    }
}

// ---------------------------------------------------------------------------
// Add, Edit, Delete, the double-click and the priority buttons

void frm_Ambrel_Maintenance::Cmd_add_Click() {
    if (!m_editor || ListReadOnly) return;
    try {
        const int index = NewCommandSlot();
        CurrentCommand = index;
        CommandEditMode = kEditModeAdd;
        m_editor->Show(*this);
        if (CommandEditMode == kEditModeCancelled) {
            const std::size_t size = static_cast<std::size_t>(index);
            CommandSettingsList.resize(size);
            CommandStringsList.resize(size);
            m_loadedRecords.resize(size);
        } else {
            AddRow(index);
            RenumberPriorities();
            Cmd_edit_Enabled = true;
            Cmd_delete_Enabled = true;
        }
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::Cmd_edit_Click() {
    if (!m_editor || ListReadOnly) return;
    try {
        const int place = SelectedCommandRow();
        if (place == 0) return;
        CommandRow& row = Lv_commands[static_cast<std::size_t>(place - 1)];
        CurrentCommand = std::stoi(row.Tag);
        const std::size_t at = CheckedIndex(CurrentCommand);
        // The editor shows what the row shows: a double-click changed only the row.
        CommandSettingsList[at].Run = static_cast<std::int16_t>(row.SmallIcon);
        CommandEditMode = kEditModeEdit;
        m_editor->Show(*this);
        if (CommandEditMode != kEditModeCancelled) {
            m_edited.insert(CurrentCommand);
            CommandRow& shown = Lv_commands[static_cast<std::size_t>(place - 1)];
            if (!Trim(CommandStringsList[at].CommandLine).empty()) shown.CommandLine = CommandStringsList[at].CommandLine;
            shown.SmallIcon = RunPicture(CommandSettingsList[at].Run);
            shown.Text = shown.SmallIcon == 1 ? kRunText : kDontRunText;
        }
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::Cmd_delete_Click() {
    if (!m_editor || ListReadOnly) return;
    try {
        const int place = SelectedCommandRow();
        if (place == 0) return;
        CurrentCommand = std::stoi(Lv_commands[static_cast<std::size_t>(place - 1)].Tag);
        CommandEditMode = kEditModeDelete;
        m_editor->Show(*this);
        if (CommandEditMode != kEditModeCancelled) {
            Lv_commands.erase(Lv_commands.begin() + (place - 1));
            if (Lv_SelectedRow > static_cast<int>(Lv_commands.size())) Lv_SelectedRow = static_cast<int>(Lv_commands.size());
            if (Lv_commands.empty()) {
                Cmd_edit_Enabled = false;
                Cmd_delete_Enabled = false;
            } else {
                RenumberPriorities();
            }
        }
    } catch (...) {
        ReportHandlerError();
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::Lv_commands_DblClick() {
    const int place = SelectedCommandRow();
    if (place == 0 || ListReadOnly) return;
    CommandRow& row = Lv_commands[static_cast<std::size_t>(place - 1)];
    if (row.SmallIcon == 1) {
        row.SmallIcon = 2;
        row.Text = kDontRunText;
    } else {
        row.SmallIcon = 1;
        row.Text = kRunText;
    }
    m_view.Refresh();
}

void frm_Ambrel_Maintenance::Toolbar1_ButtonClick(const std::string& key) {
    const int place = SelectedCommandRow();
    if (place == 0 || ListReadOnly) return;
    long priority = place * 10L;
    if (key == "UpPriorty") {
        priority -= 15;
        if (priority < 1) priority = 1;
    } else if (key == "DownPriorty") {
        priority += 15;
    } else {
        return;
    }
    Lv_SelectedRow = place;
    Lv_commands[static_cast<std::size_t>(place - 1)].Priority = PriorityText(priority);
    RenumberPriorities();
    m_view.Refresh();
}

}  // namespace ambrel
