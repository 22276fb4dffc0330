#pragma once
// The maintenance window: the dialog of corvane.rc with its seven page
// dialogs. It shows frm_Ambrel_Maintenance's fields, copies the controls back
// into them before every handler and turns control events into handlers.

#include <windows.h>

#include <vector>

#include "maintenance/frm_Ambrel_Maintenance.h"
#include "win32/common_dialog_win32.h"
#include "win32/dialog_controls_win32.h"
#include "win32/image_list_win32.h"
#include "win32/list_view_win32.h"
#include "win32/status_bar_win32.h"
#include "win32/tab_strip_win32.h"
#include "win32/toolbar_win32.h"

namespace ambrel {

class frm_Ambrel_MaintenanceView final : public IMaintenanceView {
public:
    frm_Ambrel_MaintenanceView();
    ~frm_Ambrel_MaintenanceView() override;

    // Creates the window and its pages, hidden; the form is attached next.
    bool Create(HINSTANCE instance);
    void Attach(frm_Ambrel_Maintenance& form) { m_form = &form; }
    HWND Hwnd() const { return m_hwnd; }
    // Shows the window as its starter asked (`show` is WinMain's): minimised
    // when asked for, else normal; the window cannot be maximised or hidden.
    void Show(int show = SW_SHOWNORMAL);
    // Dialog keys (tab order, access keys, Enter and Esc) and Ctrl+Tab
    // between the pages: true when the message was used.
    bool PreTranslate(MSG& msg);

    void Refresh() override;
    void ShowHelp(const std::string& helpFile, unsigned long context) override;
    std::string ShowOpen(const OpenFileRequest& request) override;
    std::string ShowSave(const OpenFileRequest& request) override;
    void ShowHistory(const std::string& path) override;
    // What the History window reads and shows its messages with.
    void HistoryPorts(IFileSystem& files, IUserInteraction& ui) {
        m_files = &files;
        m_ui = &ui;
    }
    void Unload() override;

private:
    static INT_PTR CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMain(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandlePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    void CreatePages(HINSTANCE instance);
    void SetUpControls();
    void AddToolTips();
    void OnCommand(int id, int code);
    // The page dialog that holds a control.
    HWND PageOf(int id) const;
    void ReadControls();
    void ShowRows();

    // Disables (or enables again) the option pages' controls.
    void LockOptionPages(bool locked);

    HWND m_hwnd = nullptr;
    HWND m_pages[7] = {};
    bool m_optionsLocked = false;
    frm_Ambrel_Maintenance* m_form = nullptr;
    TabStripControl m_tabs;
    ListViewControl m_list;
    ToolbarControl m_toolbar;
    StatusBarControl m_status;
    ImageListControl m_runImages;
    ImageListControl m_toolbarImages;
    CommonDialog m_dialog;
    IFileSystem* m_files = nullptr;
    IUserInteraction* m_ui = nullptr;
    ToolTips m_tips;
    std::vector<CommandRow> m_shownRows;
    bool m_rowsShown = false;
    bool m_refreshing = false;
    bool m_destroyed = false;
};

}  // namespace ambrel
