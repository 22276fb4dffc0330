#pragma once
// The History window: the runs the monitor recorded, newest first, in a list
// view, with a filter for failures, Refresh, and the whole file opened in the
// program that opens CSV files (a spreadsheet, as a rule).

#include <string>
#include <vector>

#include "shared/SessionTrail.h"
#include "shared/platform.h"

namespace ambrel {

class IHistoryView {
public:
    virtual ~IHistoryView() = default;
    virtual void Refresh() = 0;
    // Opens a document in the program the system opens its kind with; false
    // when there is none.
    virtual bool OpenDocument(const std::string& path) = 0;
    virtual void Close() = 0;
};

// The most rows the window shows: enough for months of shut downs, and read
// from the file's end alone.
inline constexpr std::size_t kHistoryRowsShown = 1000;

class frmHistory {
public:
    frmHistory(IFileSystem& files, IUserInteraction& ui, std::string historyPath, IHistoryView& view);

    void Form_Load();
    void chkFailures_Click();
    void cmdRefresh_Click();
    void cmdOpen_Click();
    void cmdClose_Click();

    std::vector<HistoryRow> lvHistory;
    int chkFailures = 0;
    std::string lblStatus;
    std::string Caption = "History";

private:
    IFileSystem& m_files;
    IUserInteraction& m_ui;
    std::string m_path;
    IHistoryView& m_view;
};

}  // namespace ambrel
