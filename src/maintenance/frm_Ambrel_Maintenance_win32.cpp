#include "maintenance/frm_Ambrel_Maintenance_win32.h"

#include "maintenance/history_win32.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "maintenance/corvane_resource.h"

namespace ambrel {

namespace {

constexpr UINT_PTR kClockTimer = 1;

const int kPageDialogs[7] = {IDD_PAGE_SHUTFOLDER,     IDD_PAGE_COMMANDS,   IDD_PAGE_PROGOPTIONS, IDD_PAGE_RUNOPTIONS,
                             IDD_PAGE_SHUTWINOPTIONS, IDD_PAGE_LOGOPTIONS, IDD_PAGE_ABOUT};

const std::vector<int> kExecuteOption{IDC_OPTEXECUTEOPTION0, IDC_OPTEXECUTEOPTION1, IDC_OPTEXECUTEOPTION2};
const std::vector<int> kRunAmbrelOption{IDC_OPTRUNAMBRELOPTION0, IDC_OPTRUNAMBRELOPTION1, IDC_OPTRUNAMBRELOPTION2};
const std::vector<int> kShutWinOptions{IDC_OPTSHUTWINOPTIONS0, IDC_OPTSHUTWINOPTIONS1, IDC_OPTSHUTWINOPTIONS2};
const std::vector<int> kLogOption{IDC_OPTLOGOPTION0, IDC_OPTLOGOPTION1, IDC_OPTLOGOPTION2};

// The three panels of the Shutdown Options page share one place in its frame.
const std::vector<int> kReplacePanel{IDC_LBLSODIALOGTITLE, IDC_TXTDIALOGTITLE, IDC_LBLSOREPLACEHELP};
const std::vector<int> kAutoCancelPanel{IDC_OPTSHUTWINOPTIONS0, IDC_OPTSHUTWINOPTIONS1, IDC_OPTSHUTWINOPTIONS2,
                                        IDC_CBOSHUTDOWNTYPE};
const std::vector<int> kDontCancelPanel{IDC_LBLSODONTCANCELHELP};

struct Tip {
    int Id;
    const char* Text;
};

const Tip kTips[] = {
    {IDC_CMDREFRESH, "Refresh the contents of the Shutdown folder list"},
    {IDC_CMD_ADD, "Add command line"},
    {IDC_CMD_EDIT, "Edit selected command line"},
    {IDC_CMD_DELETE, "Delete selected command line"},
    {IDC_CHKTIMEOUTPROGRAMS, "Stop a program's execution after a certain amount of time has passed"},
    {IDC_TXTTIMEOUTMINUTES, "Time out programs after these minutes have passed"},
    {IDC_CHKCONFIRMEXECUTIONS, "Confirm program executions when Windows shuts down"},
    {IDC_OPTEXECUTEOPTION0, "Only run command lines"},
    {IDC_OPTEXECUTEOPTION1, "Only run shortcuts in shutdown folder"},
    {IDC_OPTEXECUTEOPTION2, "Run command lines and shortcuts in shutdown folder"},
    {IDC_CHKALLUSERSUSESAME, "All users use the same options and commands"},
    {IDC_CHKAMBRELINSTARTUP, "Run or don't run Ambrel when Windows starts"},
    {IDC_OPTRUNAMBRELOPTION0, "Run Ambrel minimized on taskbar"},
    {IDC_OPTRUNAMBRELOPTION1, "Run Ambrel in background"},
    {IDC_OPTRUNAMBRELOPTION2, "Run Ambrel as an icon in the system tray"},
    {IDC_CHKSHUTWINDOWSONTIME, "Shutdown Windows at the selected time"},
    {IDC_TXTSHUTWINDOWSTIME, "Shutdown Windows at this time"},
    {IDC_TXTDIALOGTITLE, "Must match the title on your Shut Down dialog"},
    {IDC_CBOSHUTDOWNTYPE, "Select Windows shutdown type"},
    {IDC_OPTSHUTWINOPTIONS0, "Use the selected shutdown option automatically"},
    {IDC_OPTSHUTWINOPTIONS1, "Get shutdown selection before running programs"},
    {IDC_OPTSHUTWINOPTIONS2, "Get shutdown selection after running programs"},
    {IDC_OPTLOGOPTION0, "Don't log any actions or errors"},
    {IDC_OPTLOGOPTION1, "Only log error messages"},
    {IDC_OPTLOGOPTION2, "Log all actions and all errors"},
    {IDC_TXTLOGFILEPATH, "Full path to log file"},
    {IDC_CMDDELETELOG, "Delete the selected log file"},
    {IDC_CMDVIEWLOG, "View the contents of the log file"},
    {IDC_CMDBROWSELOGFILE, "Select a file to use as a log file"},
};

bool SameRows(const std::vector<CommandRow>& a, const std::vector<CommandRow>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Text != b[i].Text || a[i].SmallIcon != b[i].SmallIcon || a[i].CommandLine != b[i].CommandLine ||
            a[i].Priority != b[i].Priority || a[i].Tag != b[i].Tag)
            return false;
    return true;
}

int IndexIn(const std::vector<int>& ids, int id) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == id) return static_cast<int>(i);
    return -1;
}

}  // namespace

frm_Ambrel_MaintenanceView::frm_Ambrel_MaintenanceView() = default;

frm_Ambrel_MaintenanceView::~frm_Ambrel_MaintenanceView() {
    m_form = nullptr;  // the form may be gone already; nothing reaches it now
    if (m_hwnd && !m_destroyed) DestroyWindow(m_hwnd);
}

bool frm_Ambrel_MaintenanceView::Create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    m_hwnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAINTENANCE), nullptr, MainProc,
                                reinterpret_cast<LPARAM>(this));
    if (!m_hwnd) return false;
    SetProgramIcons(m_hwnd);
    CreatePages(instance);
    SetUpControls();
    AddToolTips();
    m_dialog.Owner(m_hwnd);
    return true;
}

void frm_Ambrel_MaintenanceView::CreatePages(HINSTANCE instance) {
    m_tabs.Attach(GetDlgItem(m_hwnd, IDC_TABSTRIP1));
    for (const MaintenanceTab& tab : kMaintenanceTabs) m_tabs.AddTab(tab.Caption, tab.ToolTip);

    // The pages fill the tab strip's display area. They sit above it, so the
    // strip never paints over them, and first in the tab order.
    RECT area;
    GetWindowRect(m_tabs.Handle(), &area);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(m_tabs.Handle(), FALSE, &area);
    for (int i = 0; i < 7; ++i) {
        m_pages[i] = CreateDialogParamA(instance, MAKEINTRESOURCEA(kPageDialogs[i]), m_hwnd, PageProc,
                                        reinterpret_cast<LPARAM>(this));
        SetWindowLongPtrA(m_pages[i], GWLP_ID, kPageDialogs[i]);
        SetWindowPos(m_pages[i], HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
    }
    ShowWindow(m_pages[0], SW_SHOWNA);
}

void frm_Ambrel_MaintenanceView::SetUpControls() {
    HWND commands = m_pages[1];
    m_list.Attach(GetDlgItem(commands, IDC_LV_COMMANDS));
    CreateRunImages(m_runImages);
    m_list.SetImageList(m_runImages.Handle());
    RECT list;
    GetClientRect(m_list.Handle(), &list);
    const int width = list.right - list.left - GetSystemMetrics(SM_CXVSCROLL);
    m_list.AddColumn("Run ", width * 14 / 100);
    m_list.AddColumn("Command line", width * 72 / 100);
    m_list.AddColumn(".", width - width * 14 / 100 - width * 72 / 100);
    m_list.OnDblClick = [this] {
        if (!m_form) return;
        ReadControls();
        m_form->Lv_commands_DblClick();
    };

    // The priority buttons go where the template keeps their place.
    RECT place;
    GetWindowRect(GetDlgItem(commands, IDC_TOOLBAR1), &place);
    MapWindowPoints(nullptr, commands, reinterpret_cast<POINT*>(&place), 2);
    m_toolbar.Create(commands, IDC_TOOLBAR1 + 50, place.left, place.top, place.right - place.left,
                     place.bottom - place.top);
    m_toolbarImages.Create({kIconUp, kIconDown});
    m_toolbar.SetImageList(m_toolbarImages.Handle());
    const char* tip = "Change the order that command lines are executed";
    m_toolbar.AddButton("UpPriorty", 0, tip);
    m_toolbar.AddButton("DownPriorty", 1, tip);
    SetWindowPos(m_toolbar.Handle(), GetDlgItem(commands, IDC_LABEL4), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_toolbar.OnButtonClick = [this](const std::string& key) {
        if (!m_form) return;
        ReadControls();
        m_form->Toolbar1_ButtonClick(key);
    };
    m_tabs.OnClick = [this] {
        if (!m_form) return;
        ReadControls();
        m_form->TabStrip1_Click(m_tabs.SelectedIndex());
    };

    m_status.Create(m_hwnd, IDC_STATUSBAR1);
    RECT client;
    GetClientRect(m_hwnd, &client);
    m_status.SetTextTimeAndDatePanels(client.right);
    m_status.ShowTimeAndDate(2, 3);
    SetTimer(m_hwnd, kClockTimer, 1000, nullptr);
}

void frm_Ambrel_MaintenanceView::AddToolTips() {
    m_tips.Create(m_hwnd);
    for (const Tip& tip : kTips) m_tips.Add(PageOf(tip.Id), tip.Id, tip.Text);
    m_tips.Add(m_hwnd, IDC_CMD_HELP, "View help");
    m_tips.Add(m_hwnd, IDOK, "Save and exit...");
    m_tips.Add(m_hwnd, IDCANCEL, "Exit without saving");
}

HWND frm_Ambrel_MaintenanceView::PageOf(int id) const {
    int page = id / 100 - 11;
    return page >= 0 && page < 7 ? m_pages[page] : m_hwnd;
}

void frm_Ambrel_MaintenanceView::Show(int show) {
    if (show == SW_MINIMIZE || show == SW_SHOWMINIMIZED || show == SW_SHOWMINNOACTIVE) {
        ShowWindow(m_hwnd, show);
        return;
    }
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(m_hwnd);
    SetFocus(m_tabs.Handle());
}

bool frm_Ambrel_MaintenanceView::PreTranslate(MSG& msg) {
    if (!m_hwnd || m_destroyed) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && (GetKeyState(VK_CONTROL) & 0x8000) &&
        (msg.hwnd == m_hwnd || IsChild(m_hwnd, msg.hwnd))) {
        int count = m_tabs.TabCount();
        int next = m_tabs.SelectedIndex() + ((GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1);
        m_tabs.Select((next - 1) % count + 1);
        return true;
    }
    return IsDialogMessageA(m_hwnd, &msg) != FALSE;
}

// ---------------------------------------------------------------------------
// Fields to controls and back

void frm_Ambrel_MaintenanceView::ShowRows() {
    const auto& rows = m_form->Lv_commands;
    if (!m_rowsShown || !SameRows(rows, m_shownRows)) {
        m_list.Clear();
        for (const CommandRow& row : rows) {
            int r = m_list.AddRow(row.Text, row.SmallIcon, row.Tag);
            m_list.SetSubItem(r, 2, row.CommandLine);
            m_list.SetSubItem(r, 3, row.Priority);
        }
        m_shownRows = rows;
        m_rowsShown = true;
    }
    int selected = m_form->Lv_SelectedRow;
    if (selected > 0 && selected <= static_cast<int>(rows.size()) && m_list.SelectedRow() != selected)
        m_list.SelectRow(selected);
}

void frm_Ambrel_MaintenanceView::Refresh() {
    if (!m_form || m_destroyed) return;
    const frm_Ambrel_Maintenance& f = *m_form;
    m_refreshing = true;

    // Unlocked first, so that each control's own rule below decides again.
    if (!f.OptionsReadOnly && m_optionsLocked) LockOptionPages(false);
    EnableWindow(m_hwnd, f.Enabled);
    dlg::Show(m_hwnd, IDC_CMDCHANGEFORALLUSERS, f.cmdChangeForAllUsers_Visible);

    const int shown = f.TabStrip1_SelectedTab - 1;
    if (m_tabs.SelectedIndex() != f.TabStrip1_SelectedTab) TabCtrl_SetCurSel(m_tabs.Handle(), shown);
    for (int i = 0; i < 7; ++i) {
        bool visible = i == shown;
        if (dlg::ShownByItself(m_pages[i]) != visible) ShowWindow(m_pages[i], visible ? SW_SHOWNA : SW_HIDE);
    }

    HWND page = m_pages[0];
    dlg::ListLines(page, IDC_FLB_PROG, f.flb_prog);
    dlg::Enable(page, IDC_FLB_PROG, f.flb_prog_Enabled);

    page = m_pages[1];
    ShowRows();
    dlg::Enable(page, IDC_CMD_ADD, f.HasCommandEditor() && f.Cmd_add_Enabled);
    dlg::Enable(page, IDC_CMD_EDIT, f.HasCommandEditor() && f.Cmd_edit_Enabled);
    dlg::Enable(page, IDC_CMD_DELETE, f.HasCommandEditor() && f.Cmd_delete_Enabled);
    dlg::Enable(page, IDC_CMD_IMPORT, !f.ListReadOnly);
    dlg::Text(page, IDC_LBLLISTREADONLY, f.lblListReadOnly);
    dlg::Show(page, IDC_LBLLISTREADONLY, !f.lblListReadOnly.empty());

    page = m_pages[2];
    dlg::Check(page, IDC_CHKTIMEOUTPROGRAMS, f.chkTimeOutPrograms);
    dlg::Text(page, IDC_TXTTIMEOUTMINUTES, f.txtTimeOutMinutes);
    dlg::Enable(page, IDC_TXTTIMEOUTMINUTES, f.txtTimeOutMinutes_Enabled);
    dlg::Check(page, IDC_CHKCONFIRMEXECUTIONS, f.chkConfirmExecutions);
    dlg::Option(page, kExecuteOption, f.optExecuteOption);

    page = m_pages[3];
    dlg::Check(page, IDC_CHKALLUSERSUSESAME, f.chkAllUsersUseSame);
    dlg::Enable(page, IDC_CHKALLUSERSUSESAME, f.chkAllUsersUseSame_Enabled);
    dlg::Check(page, IDC_CHKAMBRELINSTARTUP, f.chkAmbrelInStartup);
    dlg::Enable(page, IDC_CHKAMBRELINSTARTUP, f.chkAmbrelInStartup_Enabled);
    dlg::Option(page, kRunAmbrelOption, f.optRunAmbrelOption);

    page = m_pages[4];
    dlg::Check(page, IDC_CHKALLOWUSERSTODISABLEAMBREL, f.chkAllowUsersToDisableAmbrel);
    dlg::Check(page, IDC_CHKPOWEROFF, f.chkPowerOff);
    dlg::Check(page, IDC_CHKFORCELOGOFF, f.chkForceLogoff);
    dlg::Check(page, IDC_CHKSHUTWINDOWSONTIME, f.chkShutWindowsOnTime);
    dlg::Text(page, IDC_TXTSHUTWINDOWSTIME, f.txtShutWindowsTime);
    dlg::Enable(page, IDC_TXTSHUTWINDOWSTIME, f.txtShutWindowsTime_Enabled);
    std::vector<dlg::ComboEntry> options;
    for (const ComboItem& item : f.cboShutdownOption) options.push_back({item.Text, item.ItemData});
    dlg::ComboItems(page, IDC_CBOSHUTDOWNOPTION, options);
    dlg::ListIndex(page, IDC_CBOSHUTDOWNOPTION, f.cboShutdownOption_ListIndex);
    dlg::Text(page, IDC_TXTDIALOGTITLE, f.txtDialogTitle);
    dlg::Text(page, IDC_LBLSOREPLACEHELP, f.lblSOReplaceHelp);
    dlg::Text(page, IDC_LBLSODONTCANCELHELP, f.lblSODontCancelHelp);
    std::vector<dlg::ComboEntry> types;
    for (const std::string& type : f.cboShutdownType) types.push_back({type, 0});
    dlg::ComboItems(page, IDC_CBOSHUTDOWNTYPE, types);
    dlg::ListIndex(page, IDC_CBOSHUTDOWNTYPE, f.cboShutdownType_ListIndex);
    dlg::Option(page, kShutWinOptions, f.optShutWinOptions);
    for (int id : kReplacePanel) dlg::Show(page, id, f.picSOReplace_Visible);
    for (int id : kAutoCancelPanel) dlg::Show(page, id, f.picSOAutoCancel_Visible);
    for (int id : kDontCancelPanel) dlg::Show(page, id, f.picSODontCancel_Visible);

    page = m_pages[5];
    dlg::Option(page, kLogOption, f.optLogOption);
    dlg::Text(page, IDC_TXTLOGFILEPATH, f.txtLogFilePath);

    page = m_pages[6];
    dlg::Text(page, IDC_LBLABOUTTITLE, f.lblAboutTitle);
    dlg::Text(page, IDC_LBLABOUTDESCRIPTION, f.lblAboutDescription);
    dlg::Text(page, IDC_LBLABOUTCOPYRIGHT, f.lblAboutCopyright);
    dlg::Text(page, IDC_LBLABOUTCOMPANY, f.lblAboutCompany);
    dlg::Text(page, IDC_LBLABOUTCOMMENTS, f.lblAboutComments);

    if (f.OptionsReadOnly) LockOptionPages(true);
    // What a policy sets is shown, never changed; the page on show says so
    // once, in the status bar, for all its greyed controls.
    static const std::pair<const char*, std::vector<int>> kPolicyControls[] = {
        {"TimeOutPrograms", {IDC_CHKTIMEOUTPROGRAMS}},
        {"TimeOutProgramMinutes", {IDC_TXTTIMEOUTMINUTES}},
        {"QueryClose", {IDC_CHKCONFIRMEXECUTIONS}},
        {"RunCommands", kExecuteOption},
        {"AllUsersUseSame", {IDC_CHKALLUSERSUSESAME}},
        {"RunMinimized", kRunAmbrelOption},
        {"AllowUsersToDisable", {IDC_CHKALLOWUSERSTODISABLEAMBREL}},
        {"PowerOff", {IDC_CHKPOWEROFF}},
        {"ForceLogoff", {IDC_CHKFORCELOGOFF}},
        {"ShutWindowsOnTime", {IDC_CHKSHUTWINDOWSONTIME}},
        {"ShutWindowsTime", {IDC_TXTSHUTWINDOWSTIME}},
        {"ShutdownOption", {IDC_CBOSHUTDOWNOPTION}},
        {"ShutDownDialogTitle", {IDC_TXTDIALOGTITLE}},
        {"WinShutdownType", {IDC_CBOSHUTDOWNTYPE, IDC_OPTSHUTWINOPTIONS0, IDC_OPTSHUTWINOPTIONS1,
                             IDC_OPTSHUTWINOPTIONS2}},
        {"Logging", kLogOption},
        {"LogDir", {IDC_TXTLOGFILEPATH}},
    };
    for (const auto& [name, ids] : kPolicyControls)
        if (f.OptionLocked(name))
            for (int id : ids) dlg::Enable(PageOf(id), id, false);
    const int tab = f.TabStrip1_SelectedTab;
    m_status.SetText(1, tab >= 1 && tab <= 7 ? f.PolicyNote[tab] : std::string());
    m_refreshing = false;
}

void frm_Ambrel_MaintenanceView::LockOptionPages(bool locked) {
    // Every control of the option pages but the user's own Startup shortcut
    // and the log's viewer: what is all users' is shown, not changed.
    for (int index = 2; index <= 5; ++index) {
        for (HWND child = GetWindow(m_pages[index], GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(child);
            if (id == IDC_CHKAMBRELINSTARTUP || id == IDC_CMDVIEWLOG) continue;
            EnableWindow(child, locked ? FALSE : TRUE);
        }
    }
    m_optionsLocked = locked;
}

void frm_Ambrel_MaintenanceView::ReadControls() {
    if (!m_form || m_destroyed) return;
    frm_Ambrel_Maintenance& f = *m_form;
    f.Lv_SelectedRow = m_list.SelectedRow();

    HWND page = m_pages[2];
    f.chkTimeOutPrograms = dlg::Check(page, IDC_CHKTIMEOUTPROGRAMS);
    f.txtTimeOutMinutes = dlg::Text(page, IDC_TXTTIMEOUTMINUTES);
    f.chkConfirmExecutions = dlg::Check(page, IDC_CHKCONFIRMEXECUTIONS);
    f.optExecuteOption = dlg::Option(page, kExecuteOption);

    page = m_pages[3];
    f.chkAllUsersUseSame = dlg::Check(page, IDC_CHKALLUSERSUSESAME);
    f.chkAmbrelInStartup = dlg::Check(page, IDC_CHKAMBRELINSTARTUP);
    f.optRunAmbrelOption = dlg::Option(page, kRunAmbrelOption);

    page = m_pages[4];
    f.chkAllowUsersToDisableAmbrel = dlg::Check(page, IDC_CHKALLOWUSERSTODISABLEAMBREL);
    f.chkPowerOff = dlg::Check(page, IDC_CHKPOWEROFF);
    f.chkForceLogoff = dlg::Check(page, IDC_CHKFORCELOGOFF);
    f.chkShutWindowsOnTime = dlg::Check(page, IDC_CHKSHUTWINDOWSONTIME);
    f.txtShutWindowsTime = dlg::Text(page, IDC_TXTSHUTWINDOWSTIME);
    f.cboShutdownOption_ListIndex = dlg::ListIndex(page, IDC_CBOSHUTDOWNOPTION);
    f.txtDialogTitle = dlg::Text(page, IDC_TXTDIALOGTITLE);
    f.cboShutdownType_ListIndex = dlg::ListIndex(page, IDC_CBOSHUTDOWNTYPE);
    f.optShutWinOptions = dlg::Option(page, kShutWinOptions);

    page = m_pages[5];
    f.optLogOption = dlg::Option(page, kLogOption);
    f.txtLogFilePath = dlg::Text(page, IDC_TXTLOGFILEPATH);
}

// ---------------------------------------------------------------------------
// Events

void frm_Ambrel_MaintenanceView::OnCommand(int id, int code) {
    // Controls that lose the focus while the window goes report it too late.
    if (!m_form || m_refreshing || m_destroyed || m_form->Unloaded) return;
    frm_Ambrel_Maintenance& f = *m_form;
    if (code == EN_KILLFOCUS) {
        ReadControls();
        if (id == IDC_TXTSHUTWINDOWSTIME) f.txtShutWindowsTime_LostFocus();
        if (id == IDC_TXTTIMEOUTMINUTES) f.txtTimeOutMinutes_LostFocus();
        if (id == IDC_TXTDIALOGTITLE) f.txtDialogTitle_LostFocus();
        return;
    }
    if (code == CBN_SELCHANGE) {
        ReadControls();
        if (id == IDC_CBOSHUTDOWNOPTION) f.cboShutdownOption_Click();
        return;
    }
    if (code != BN_CLICKED) return;
    ReadControls();
    if (int option = IndexIn(kExecuteOption, id); option >= 0) {
        f.optExecuteOption_Click(option);
        return;
    }
    switch (id) {
        case IDOK: f.cmd_ok_Click(); break;
        case IDCANCEL: f.cmd_cancel_Click(); break;
        case IDC_CMD_HELP: f.cmd_help_Click(); break;
        case IDC_CMD_EXPORT: f.Cmd_export_Click(); break;
        case IDC_CMD_IMPORT: f.Cmd_import_Click(); break;
        case IDC_CMD_HISTORY: f.Cmd_history_Click(); break;
        case IDC_CMDCHANGEFORALLUSERS: f.cmdChangeForAllUsers_Click(); break;
        case IDC_CMDREFRESH: f.cmdRefresh_Click(); break;
        case IDC_CMD_ADD: f.Cmd_add_Click(); break;
        case IDC_CMD_EDIT: f.Cmd_edit_Click(); break;
        case IDC_CMD_DELETE: f.Cmd_delete_Click(); break;
        case IDC_CHKALLUSERSUSESAME: f.chkAllUsersUseSame_Click(); break;
        case IDC_CHKSHUTWINDOWSONTIME: f.chkShutWindowsOnTime_Click(); break;
        case IDC_CHKTIMEOUTPROGRAMS: f.chkTimeOutPrograms_Click(); break;
        case IDC_CMDBROWSELOGFILE: f.cmdBrowseLogFile_Click(); break;
        case IDC_CMDVIEWLOG: f.cmdViewLog_Click(); break;
        case IDC_CMDDELETELOG: f.cmdDeleteLog_Click(); break;
        default: break;
    }
}

INT_PTR CALLBACK frm_Ambrel_MaintenanceView::MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    frm_Ambrel_MaintenanceView* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<frm_Ambrel_MaintenanceView*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        // The shield that says the button asks for an administrator's rights
        // (BCM_SETSHIELD; Vista and later, a message other systems ignore).
        SendDlgItemMessageA(hwnd, IDC_CMDCHANGEFORALLUSERS, 0x160C, 0, TRUE);
        return FALSE;  // the focus is set when the window is shown
    }
    self = reinterpret_cast<frm_Ambrel_MaintenanceView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->HandleMain(message, wParam, lParam) : FALSE;
}

INT_PTR CALLBACK frm_Ambrel_MaintenanceView::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        EnableThemeDialogTexture(hwnd, ETDT_ENABLETAB);
        return FALSE;
    }
    auto* self = reinterpret_cast<frm_Ambrel_MaintenanceView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->HandlePage(hwnd, message, wParam, lParam) : FALSE;
}

INT_PTR frm_Ambrel_MaintenanceView::HandleMain(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: return m_tabs.HandleNotify(reinterpret_cast<NMHDR*>(lParam)) ? TRUE : FALSE;
        case WM_TIMER:
            if (wParam == kClockTimer) m_status.ShowTimeAndDate(2, 3);
            return TRUE;
        case WM_CLOSE:
            if (m_form) m_form->cmd_cancel_Click();
            return TRUE;
        case WM_HELP:
            // F1 anywhere in the window: the help of the page on show.
            if (m_form) {
                ReadControls();
                m_form->cmd_help_Click();
            }
            return TRUE;
        case WM_DESTROY:
            m_destroyed = true;
            KillTimer(m_hwnd, kClockTimer);
            PostQuitMessage(0);
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR frm_Ambrel_MaintenanceView::HandlePage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (m_toolbar.HandleCommand(wParam, lParam)) return TRUE;
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            return m_list.HandleNotify(header) || m_toolbar.HandleNotify(header) ? TRUE : FALSE;
        }
        default: return FALSE;
    }
}

// ---------------------------------------------------------------------------
// What the form asks of its window

void frm_Ambrel_MaintenanceView::ShowHelp(const std::string& helpFile, unsigned long context) {
    m_dialog.ShowHelpTopic(helpFile, context);
}

std::string frm_Ambrel_MaintenanceView::ShowOpen(const OpenFileRequest& request) { return m_dialog.ShowOpen(request); }

std::string frm_Ambrel_MaintenanceView::ShowSave(const OpenFileRequest& request) { return m_dialog.ShowSave(request); }

void frm_Ambrel_MaintenanceView::ShowHistory(const std::string& path) {
    if (m_files && m_ui) ShowHistoryWindow(m_hwnd, *m_files, *m_ui, path);
}

void frm_Ambrel_MaintenanceView::Unload() {
    if (m_destroyed) return;
    DestroyWindow(m_hwnd);
}

}  // namespace ambrel
