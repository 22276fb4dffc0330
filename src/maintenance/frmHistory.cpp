#include "maintenance/frmHistory.h"

namespace ambrel {

frmHistory::frmHistory(IFileSystem& files, IUserInteraction& ui, std::string historyPath, IHistoryView& view)
    : m_files(files), m_ui(ui), m_path(std::move(historyPath)), m_view(view) {}

void frmHistory::Form_Load() {
    Caption = "History - " + m_path;
    cmdRefresh_Click();
}

void frmHistory::cmdRefresh_Click() {
    lvHistory = ReadHistoryNewestFirst(m_files, m_path, kHistoryRowsShown, chkFailures == 1);
    if (lvHistory.empty())
        lblStatus = chkFailures == 1 ? "No failed runs." : "No runs recorded yet.";
    else
        lblStatus = std::to_string(lvHistory.size()) + (chkFailures == 1 ? " failed runs" : " runs") +
                    (lvHistory.size() == kHistoryRowsShown ? ", the newest" : "") + ", newest first.";
    m_view.Refresh();
}

void frmHistory::chkFailures_Click() { cmdRefresh_Click(); }

void frmHistory::cmdOpen_Click() {
    if (!m_files.FileExists(m_path)) {
        m_ui.MsgBox("No runs recorded yet: " + m_path + " does not exist.", kMbInformation, "History");
        return;
    }
    if (!m_view.OpenDocument(m_path))
        m_ui.MsgBox(m_path + " could not be opened: no program is set to open CSV files.", kMbExclamation, "History");
}

void frmHistory::cmdClose_Click() { m_view.Close(); }

}  // namespace ambrel
