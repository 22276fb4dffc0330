#include "maintenance/history_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include "maintenance/corvane_resource.h"
#include "maintenance/frmHistory.h"
#include "win32/dialog_controls_win32.h"
#include "win32/image_list_win32.h"
#include "win32/list_view_win32.h"

namespace ambrel {

namespace {

class HistoryDialog final : public IHistoryView {
public:
    HistoryDialog(IFileSystem& files, IUserInteraction& ui, const std::string& path) : m_form(files, ui, path, *this) {}

    void Refresh() override {
        if (!m_hwnd) return;
        SetWindowTextA(m_hwnd, m_form.Caption.c_str());
        dlg::Check(m_hwnd, IDC_CHKHISTFAILURES, m_form.chkFailures);
        dlg::Text(m_hwnd, IDC_LBLHISTSTATUS, m_form.lblStatus);
        m_list.Clear();
        m_list.BeginFill(static_cast<int>(m_form.lvHistory.size()));
        for (const HistoryRow& row : m_form.lvHistory) {
            const int r = m_list.AddRow(row.Start, 1, "");
            m_list.SetSubItem(r, 2, row.CommandLine);
            m_list.SetSubItem(r, 3, row.Outcome);
            m_list.SetSubItem(r, 4, row.ExitCode);
            m_list.SetSubItem(r, 5, row.DurationMs);
            m_list.SetSubItem(r, 6, row.SessionEnd);
        }
        m_list.EndFill();
    }
    bool OpenDocument(const std::string& path) override {
        return reinterpret_cast<INT_PTR>(ShellExecuteA(m_hwnd, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
               32;
    }
    void Close() override {
        if (m_hwnd) EndDialog(m_hwnd, 0);
    }

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HistoryDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (message == WM_INITDIALOG) {
            self = reinterpret_cast<HistoryDialog*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        }
        if (!self) return FALSE;
        try {
            switch (message) {
                case WM_INITDIALOG: self->Init(hwnd); return TRUE;
                case WM_COMMAND:
                    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
                    self->m_form.chkFailures = dlg::Check(hwnd, IDC_CHKHISTFAILURES);
                    switch (LOWORD(wParam)) {
                        case IDC_CHKHISTFAILURES: self->m_form.chkFailures_Click(); break;
                        case IDC_HISTREFRESH: self->m_form.cmdRefresh_Click(); break;
                        case IDC_HISTOPEN: self->m_form.cmdOpen_Click(); break;
                        case IDCANCEL: self->m_form.cmdClose_Click(); break;
                        default: break;
                    }
                    return TRUE;
                case WM_CLOSE: self->m_form.cmdClose_Click(); return TRUE;
                default: return FALSE;
            }
        } catch (...) {
            // Reading the file is all that can fail; the window stays.
            return TRUE;
        }
    }
private:
    void Init(HWND hwnd) {
        m_hwnd = hwnd;
        if (!GetWindow(hwnd, GW_OWNER)) SetProgramIcons(hwnd);
        m_list.Attach(GetDlgItem(hwnd, IDC_LVHISTORY));
        RECT area;
        GetClientRect(m_list.Handle(), &area);
        const int width = area.right - GetSystemMetrics(SM_CXVSCROLL);
        const int shares[6] = {25, 35, 12, 9, 10, 9};
        const char* captions[6] = {"Start", "Command line", "Outcome", "Exit code", "Duration (ms)", "Session end"};
        for (int i = 0; i < 6; ++i) m_list.AddColumn(captions[i], width * shares[i] / 100);
        m_form.Form_Load();
    }

    frmHistory m_form;
    ListViewControl m_list;
    HWND m_hwnd = nullptr;
};

}  // namespace

void ShowHistoryWindow(HWND owner, IFileSystem& files, IUserInteraction& ui, const std::string& path) {
    HistoryDialog dialog(files, ui, path);
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HISTORY), owner, HistoryDialog::Proc,
                    reinterpret_cast<LPARAM>(&dialog));
}

}  // namespace ambrel
