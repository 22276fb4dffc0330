// The "Command Lines" page: the rows, the editor's interface, the priority
// buttons and the save on OK.

#include <algorithm>

#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/CommandFiles.h"
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
                     [this](std::size_t a, std::size_t b) { return Lv_commands[a].Priority < Lv_commands[b].Priority; });
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
    CommandSettingsList[static_cast<std::size_t>(index)] = NewCommandSettings(DateOnly(m_ports.Clock.Now()));
    CommandStringsList[static_cast<std::size_t>(index)] = CommandStrings{};
    m_loadedRecords[static_cast<std::size_t>(index)] = -1;
    m_edited.erase(index);
    return index;
}

void frm_Ambrel_Maintenance::AddRow(int index) {
    const bool runs = CommandSettingsList[static_cast<std::size_t>(index)].Run == 1;
    Lv_commands.push_back({runs ? kRunText : kDontRunText, runs ? 1 : 2,
                           CommandStringsList[static_cast<std::size_t>(index)].CommandLine,
                           PriorityText(static_cast<long>(Lv_commands.size() + 1) * 10), std::to_string(index)});
}

void frm_Ambrel_Maintenance::LoadCommandList() {
    CommandSettingsList.clear();
    CommandStringsList.clear();
    m_loadedRecords.clear();
    m_edited.clear();
    Lv_commands.clear();
    m_loadedFrom = CurrentCommandFiles().Settings;
    LoadResult loaded = ambrel::LoadCommandList(
        m_ports.Files, *m_logger, CurrentCommandFiles(),
        [this](int index, const CommandSettings& settings, const CommandStrings& strings) {
            const std::size_t size = static_cast<std::size_t>(index) + 2;
            CommandSettingsList.resize(size);
            CommandStringsList.resize(size);
            m_loadedRecords.resize(size, -1);
            CommandSettingsList[static_cast<std::size_t>(index)] = settings;
            CommandStringsList[static_cast<std::size_t>(index)] = strings;
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
    Cmd_add_Enabled = !ListReadOnly;
    if ((loaded.Completed && loaded.Count == 0) || ListReadOnly) {
        Cmd_edit_Enabled = false;
        Cmd_delete_Enabled = false;
    }
}

bool frm_Ambrel_Maintenance::SaveCommandList() {
    // A list that may not be believed stays as it is stored; OK still saves the options.
    if (ListReadOnly) return true;
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
        command.KeepStoredCounters = command.LoadedRecord >= 0 && !m_edited.count(index);
        commands.push_back(command);
    }
    return SaveCommandListKeepingCounters(m_ports.Files, &m_ports.ListLock, *m_logger, m_ports.Ui, m_ports.Clock,
                                          m_ports.App.Title, CurrentCommandFiles(), commands, m_ports.App.Title);
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
            shown.SmallIcon = CommandSettingsList[at].Run;
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
