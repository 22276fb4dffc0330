#include "monitor/frmAmbrel_win32.h"

#include <commctrl.h>

#include "monitor/frmShutWarning.h"
#include "win32/dialog_controls_win32.h"
#include "win32/message_pump_win32.h"
#include "win32/screen_cover_win32.h"
#include "monitor/monitor_resource.h"
#include "shutdown_dialog/frmShutDownDialog_win32.h"

namespace ambrel {

namespace {

const char* const kWindowClass = "AmbrelMonitor";
const char* const kWaitPanelClass = "AmbrelWaitPanel";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT_PTR kTimer1 = 1;
// The slow safety check of the watch, for a window whose showing the system
// does not report; and a quick one for a dialog that was made but not shown yet.
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT kWatchCheckMs = 1000;
// A dialog made but not shown yet is looked at again every 2 ms (a timer
// cannot go below 10), up to this many times, and is then left to the slow
// check.
constexpr DWORD kShowCheckMs = 2;
constexpr int kShowChecks = 200;
constexpr UINT kCheckMessage = WM_APP + 2;
// The one monitor window that watches (the hook's callback has no context).
frmAmbrelView* g_watcher = nullptr;

enum ControlId {
    kIdList = 100,
    kIdToolbar,
    kIdStatus,
    kIdExecute,
    kIdDontExecute,
    kIdCancelShutdown,
    kIdHelp,
    kIdHelp2,
    kIdExitWait,
    kIdShutDown,
    kIdMinimize,
    kIdMenuMaintenance = 200,
    kIdMenuShutdown,
    kIdMenuRunInBackground,
    kIdMenuExit,
    kIdMenuHelp,
    kIdMenuHistory,
};

constexpr int kWidth = 560;
constexpr int kHeight = 420;

bool SameRows(const std::vector<ExecuteRow>& a, const std::vector<ExecuteRow>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Text != b[i].Text || a[i].SmallIcon != b[i].SmallIcon || a[i].CommandLine != b[i].CommandLine ||
            a[i].Priority != b[i].Priority || a[i].Kind != b[i].Kind || a[i].Tag != b[i].Tag)
            return false;
    return true;
}

}  // namespace

frmAmbrelView::frmAmbrelView() = default;

frmAmbrelView::~frmAmbrelView() {
    m_form = nullptr;  // the form may be gone already; nothing reaches it now
    if (m_hwnd && !m_destroyed) DestroyWindow(m_hwnd);
    if (m_font) DeleteObject(m_font);
}

bool frmAmbrelView::Create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    m_icon = LoadIconA(instance, MAKEINTRESOURCEA(kIconAmbrel));

    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = m_icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);

    WNDCLASSA panel{};
    panel.lpfnWndProc = WaitPanelProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = kWaitPanelClass;
    RegisterClassA(&panel);

    HDC screen = GetDC(nullptr);
    m_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT frame{0, 0, S(kWidth), S(kHeight)};
    AdjustWindowRect(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
    m_hwnd = CreateWindowExA(0, kWindowClass, "Ambrel", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                             nullptr, nullptr, instance, this);
    if (!m_hwnd) return false;
    CreateControls();
    SetKeyboardDialogWindow(m_hwnd);
    return true;
}

HWND frmAmbrelView::Label(const char* text, int x, int y, int width, int height, HWND parent) {
    HWND label = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, S(x), S(y), S(width), S(height),
                                 parent ? parent : m_hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return label;
}

HWND frmAmbrelView::Button(int id, const char* caption, const char* tip, int x, int y, int width) {
    const DWORD kind = id == kIdExecute ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    HWND button = CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | kind, S(x), S(y),
                                  S(width), S(26), m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleA(nullptr), nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // the form every common controls version knows
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = const_cast<char*>(tip);
    SendMessageA(m_tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return button;
}

void frmAmbrelView::CreateControls() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = CreateFontIndirectA(&metrics.lfMessageFont);
    m_tooltips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                 m_hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);

    // The execute list and its buttons, shown for confirmation.
    m_listControls.push_back(Label("Execute list:", 12, 10, 200, 18));
    m_list.Create(m_hwnd, kIdList, S(12), S(30), S(536), S(250));
    CreateRunImages(m_runImages);
    m_list.SetImageList(m_runImages.Handle());
    m_list.AddColumn("Run ", S(60));
    m_list.AddColumn("Command line", S(380));
    m_list.AddColumn("Priorty", S(70));
    m_list.AddColumn("", 0);
    SendMessageA(m_list.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    m_listControls.push_back(m_list.Handle());
    m_listControls.push_back(Label("Double click to toggle command lines", 12, 284, 300, 18));

    m_toolbar.Create(m_hwnd, kIdToolbar, S(420), S(282), S(60), S(28));
    m_toolbarImages.Create({kIconUp, kIconDown});
    m_toolbar.SetImageList(m_toolbarImages.Handle());
    m_toolbar.AddButton("UpPriorty", 0, "Move the selected program up");
    m_toolbar.AddButton("DownPriorty", 1, "Move the selected program down");
    m_listControls.push_back(Label("Change priority", 330, 288, 90, 18));

    m_listControls.push_back(
        Button(kIdExecute, "E&xecute", "Execute programs and continue shut down", 12, 320, 120));
    m_listControls.push_back(Button(kIdDontExecute, "&Don't Execute",
                                    "Don't execute programs but continue shut down", 142, 320, 120));
    m_listControls.push_back(
        Button(kIdCancelShutdown, "&Cancel Shut Down", "Cancel windows shut down", 272, 320, 130));
    m_listControls.push_back(Button(kIdHelp, "&Help", "View help", 448, 320, 100));

    // The wait picture covers the list while the monitor waits.
    m_waitPanel = CreateWindowExA(0, kWaitPanelClass, "", WS_CHILD | WS_VISIBLE, 0, 0, S(kWidth), S(360), m_hwnd, nullptr,
                                  GetModuleHandleA(nullptr), this);
    HWND icon = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, S(20), S(20), S(32), S(32), m_waitPanel,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
    const int labelTops[5] = {24, 52, 76, 100, 140};
    for (int i = 0; i < 5; ++i) m_labels[i] = Label("", 70, labelTops[i], 470, i == 4 ? 40 : 20, m_waitPanel);
    m_waitControls.push_back(Button(kIdHelp2, "&Help", "Show help", 20, 320, 120));
    m_waitControls.push_back(Button(kIdExitWait, "E&xit", "Stop Ambrel", 150, 320, 120));
    m_waitControls.push_back(Button(kIdShutDown, "Sh&ut Down", "Shut down Windows", 280, 320, 120));
    m_cmdMinimize = Button(kIdMinimize, "&Minimize", "Return to wait state", 410, 320, 120);
    m_waitControls.push_back(m_cmdMinimize);

    m_status.Create(m_hwnd, kIdStatus);
    m_status.SetPanels({-1});

    m_tray.Attach(m_hwnd, kTrayMessage);
    m_tray.TrayIcon(m_icon);
    m_tray.OnMouseDown = [this](int button) {
        if (m_form) m_form->cSysTray1_MouseDown(button);
    };
    m_list.OnDblClick = [this] {
        if (!m_form) return;
        ReadSelection();
        m_form->Lv_ExecuteList_DblClick();
    };
    m_toolbar.OnButtonClick = [this](const std::string& key) {
        if (!m_form) return;
        ReadSelection();
        m_form->Toolbar1_ButtonClick(key);
    };
    m_dialog.Owner(m_hwnd);
}

std::int32_t frmAmbrelView::WindowHandle() {
    return static_cast<std::int32_t>(reinterpret_cast<LONG_PTR>(m_hwnd));
}

void frmAmbrelView::ReadSelection() {
    if (m_form) m_form->Lv_SelectedRow = m_list.SelectedRow();
}

void frmAmbrelView::ShowRows() {
    const auto& rows = m_form->Lv_ExecuteList;
    if (m_rowsShown && SameRows(rows, m_shownRows)) {
        if (m_form->Lv_SelectedRow > 0 && m_list.SelectedRow() != m_form->Lv_SelectedRow)
            m_list.SelectRow(m_form->Lv_SelectedRow);
        return;
    }
    m_list.Clear();
    m_list.BeginFill(static_cast<int>(rows.size()));
    for (const auto& row : rows) {
        int r = m_list.AddRow(row.Text, row.SmallIcon, row.Tag);
        m_list.SetSubItem(r, 2, row.CommandLine);
        m_list.SetSubItem(r, 3, row.Priority);
        m_list.SetSubItem(r, 4, row.Kind);
    }
    m_list.EndFill();
    if (m_form->Lv_SelectedRow > 0 && m_form->Lv_SelectedRow <= static_cast<int>(rows.size()))
        m_list.SelectRow(m_form->Lv_SelectedRow);
    m_shownRows = rows;
    m_rowsShown = true;
}

void frmAmbrelView::Refresh() {
    if (!m_form || m_destroyed) return;
    frmAmbrel& f = *m_form;
    ShowRows();
    ShowWindow(m_waitPanel, f.picWait_Visible ? SW_SHOW : SW_HIDE);
    if (f.picWait_Visible) SetWindowPos(m_waitPanel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (HWND control : m_listControls) ShowWindow(control, f.picWait_Visible ? SW_HIDE : SW_SHOW);
    for (HWND control : m_waitControls) ShowWindow(control, f.picWait_Visible ? SW_SHOW : SW_HIDE);
    m_toolbar.Visible(!f.picWait_Visible && f.Toolbar1_Visible);
    SetWindowTextA(m_cmdMinimize, f.cmdMinimize_Caption.c_str());
    const std::string* labels[5] = {&f.Label11, &f.Label12, &f.Label13, &f.Label14, &f.Label17};
    for (int i = 0; i < 5; ++i) SetWindowTextA(m_labels[i], labels[i]->c_str());
    m_status.SetText(1, f.StatusBar1_Text);

    if (f.Timer1_Enabled && f.Timer1_Interval > 0) {
        if (!m_timerOn || m_timerInterval != f.Timer1_Interval) SetTimer(m_hwnd, kTimer1, f.Timer1_Interval, nullptr);
        m_timerOn = true;
        m_timerInterval = f.Timer1_Interval;
    } else if (m_timerOn) {
        KillTimer(m_hwnd, kTimer1);
        m_timerOn = false;
    }

    m_tray.TrayTip(f.cSysTray1_TrayTip);
    m_tray.InTray(f.cSysTray1_InTray);

    switch (f.Mode) {
        case WindowMode::Hidden: ShowWindow(m_hwnd, SW_HIDE); break;
        case WindowMode::Minimized:
            if (!IsIconic(m_hwnd) || !IsWindowVisible(m_hwnd)) ShowWindow(m_hwnd, SW_SHOWMINNOACTIVE);
            break;
        case WindowMode::Normal:
            if (IsIconic(m_hwnd) || !IsWindowVisible(m_hwnd)) ShowWindow(m_hwnd, SW_SHOWNORMAL);
            break;
    }
}

void frmAmbrelView::CenterForm() {
    RECT r;
    GetWindowRect(m_hwnd, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(m_hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmAmbrelView::BringToFront() {
    SetForegroundWindow(m_hwnd);
    BringWindowToTop(m_hwnd);
    // Shown for an answer: the keyboard starts on the default choice.
    if (HWND control = DefaultControl()) SetFocus(control);
}

HWND frmAmbrelView::DefaultControl() const {
    if (m_form && !m_form->picWait_Visible) return GetDlgItem(m_hwnd, kIdExecute);
    return GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
}

LRESULT frmAmbrelView::DefaultButtonId() const {
    HWND focus = GetFocus();
    if (focus && IsChild(m_hwnd, focus) &&
        (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    if (m_form && !m_form->picWait_Visible) return MAKELRESULT(kIdExecute, DC_HASDEFID);
    return 0;
}

void frmAmbrelView::PopupOptionsMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kIdMenuMaintenance, "Maintenance");
    AppendMenuA(menu, MF_STRING, kIdMenuHistory, "History");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kIdMenuShutdown, "Shut Down Windows");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kIdMenuRunInBackground, "Run in background");
    if (m_form && m_form->mExit_Visible) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kIdMenuExit, "Exit");
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kIdMenuHelp, "Help");
    POINT at;
    GetCursorPos(&at);
    // The owner must be in front, or the menu does not close when the user
    // clicks elsewhere.
    SetForegroundWindow(m_hwnd);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hwnd, nullptr);
    PostMessageA(m_hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void frmAmbrelView::ServeMessagesUntil(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: leave the quit for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got == -1) return;
        ServeMessage(msg);
    }
}

void frmAmbrelView::ShowHelp(const std::string& helpFile, unsigned long context) {
    m_dialog.ShowHelpTopic(helpFile, context);
}

std::int32_t frmAmbrelView::AskShutdownType() {
    // The monitor's own Shut Down Windows dialog, in the middle of the screen
    // and without the run check box: the list runs whatever is chosen.
    frmShutDownDialogView window;
    frmShutDownDialog dialog(m_form->OsInfo(), m_form->SystemInfo(), m_form->Logger(), window);
    dialog.ShowRunCheckBox = false;
    dialog.CenterOnScreen = true;
    dialog.SessionEndOutcome = -1;
    window.Run(m_hwnd, dialog, [&dialog] {
        if (!dialog.Form_Load()) return false;
        dialog.FormatDisplay();
        return true;
    });
    return dialog.SessionEndOutcome;
}

namespace {

// The warning's window: the dialog of ambrel.rc over the form's fields, its
// count driven by the dialog's own one-second timer.
class ShutWarningWindow final : public IShutWarningView {
public:
    explicit ShutWarningWindow(std::int16_t& outcome) : m_form(outcome, *this) {}
    void Run(HWND owner) {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SHUT_WARNING), owner, Proc,
                        reinterpret_cast<LPARAM>(this));
    }
    void Refresh() override {
        if (!m_hwnd) return;
        // Each second only the count changes: nothing else is drawn again.
        if (!m_shown) SetWindowTextA(m_hwnd, m_form.Caption.c_str());
        m_shown = true;
        dlg::Text(m_hwnd, IDC_WARNLABEL2, m_form.Label2);
        dlg::Text(m_hwnd, IDC_WARNLABEL1, m_form.Label1);
        dlg::Text(m_hwnd, IDC_LBLSECONDS, m_form.lblSeconds);
        dlg::Text(m_hwnd, IDC_WARNLABEL4, m_form.Label4);
    }
    void Close() override {
        if (!m_hwnd) return;
        KillTimer(m_hwnd, 1);
        EndDialog(m_hwnd, 0);
    }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ShutWarningWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        switch (message) {
            case WM_INITDIALOG:
                self = reinterpret_cast<ShutWarningWindow*>(lParam);
                SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
                self->m_hwnd = hwnd;
                self->m_form.Form_Load();
                SetTimer(hwnd, 1, static_cast<UINT>(self->m_form.Timer1_Interval), nullptr);
                SetForegroundWindow(hwnd);
                return TRUE;
            case WM_TIMER:
                if (self && wParam == 1) self->m_form.Timer1_Timer();
                return TRUE;
            case WM_COMMAND:
                if (self && LOWORD(wParam) == IDCANCEL) self->m_form.cmdCancel_Click();
                return TRUE;
            default: return FALSE;
        }
    }

    frmShutWarning m_form;
    HWND m_hwnd = nullptr;
    bool m_shown = false;
};

}  // namespace

void frmAmbrelView::ShowTrayBalloon(const std::string& title, const std::string& text) {
    m_tray.Balloon(title, text);
}

void frmAmbrelView::ShowShutWarning(std::int16_t& sessionEndOutcome) {
    ShutWarningWindow warning(sessionEndOutcome);
    warning.Run(m_hwnd);
}

void frmAmbrelView::WatchForShutdownDialog(const std::string& title) {
    m_watchTitle = title;
    m_watching = true;
    m_showChecks = 0;
    g_watcher = this;
    // Set once and kept until the monitor ends: a program that is running
    // when a hook is removed may not hear of one set again later (Wine's
    // threads keep the list of hooks they last knew), so a second cycle would
    // be left to the slow check.
    if (!m_hook)
        m_hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, WindowEvent, 0, 0,
                                 WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    SetTimer(m_hwnd, kWatchTimer, kWatchCheckMs, nullptr);
    // A dialog that is on screen already is found at once.
    PostMessageA(m_hwnd, kCheckMessage, 0, 0);
}

void frmAmbrelView::StopWatching() {
    m_watching = false;
    if (m_hwnd) {
        KillTimer(m_hwnd, kWatchTimer);
    }
}

void CALLBACK frmAmbrelView::WindowEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    // Delivered through this thread's message loop: only a top-level window
    // of the dialog class is worth a look, and the look comes as a message.
    if (!g_watcher || !g_watcher->m_watching || object != OBJID_WINDOW || child != CHILDID_SELF || !hwnd) return;
    char name[16] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0) PostMessageA(g_watcher->m_hwnd, kCheckMessage, 0, 0);
}

void frmAmbrelView::CheckForShutdownDialog() {
    if (!m_watching || !m_form) return;
    HWND found = FindWindowA("#32770", m_watchTitle.c_str());
    if (!found) return;
    if (!IsWindowVisible(found)) {
        // Made but not shown yet: look again in a moment (not every system
        // tells of the show itself).
        // The pause ends early for a message, which is served before the
        // next look.
        if (++m_showChecks <= kShowChecks) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kShowCheckMs, QS_ALLINPUT);
            PostMessageA(m_hwnd, kCheckMessage, 0, 0);
        }
        return;
    }
    m_showChecks = 0;
    m_systemDialog = found;
    m_form->ShutdownDialogFound();
}

std::int32_t frmAmbrelView::AskShutdownTypeInPlace(bool showRunCheckBox, bool& runList) {
    // The screen as it is, with the system's dialog still on it, covers the
    // whole screen behind the monitor's dialog.
    ScreenCover cover;
    RECT place{};
    HWND system = m_systemDialog;
    m_systemDialog = nullptr;
    runList = false;
    // A dialog that has gone before it could be measured was closed by its
    // user or its program: nothing is asked, and the next one is watched for.
    if (!system || !GetWindowRect(system, &place)) return -1;
    // Posted: the monitor never waits on another program's window, and the
    // cover hides the system's dialog until it has gone.
    PostMessageA(system, WM_CLOSE, 0, 0);
    cover.Show();

    frmShutDownDialogView window;
    window.Topmost = true;
    frmShutDownDialog dialog(m_form->OsInfo(), m_form->SystemInfo(), m_form->Logger(), window);
    dialog.ShowRunCheckBox = showRunCheckBox;
    dialog.CenterOnScreen = false;
    dialog.SessionEndOutcome = -1;
    window.Run(cover.Window() ? cover.Window() : m_hwnd, dialog, [&] {
        if (!dialog.Form_Load()) return false;
        dialog.FormatDisplay();
        // Where the system's dialog was; its size is the monitor's own.
        dialog.Left = window.TwipsOf(place.left);
        dialog.Top = window.TwipsOf(place.top);
        dialog.Positioned = true;
        return true;
    });
    runList = dialog.RunListChosen;
    return dialog.SessionEndOutcome;
}

void frmAmbrelView::Unload() {
    if (m_destroyed) return;
    StopWatching();
    m_tray.InTray(false);
    DestroyWindow(m_hwnd);
}

void frmAmbrelView::OnCommand(int id) {
    if (!m_form) return;
    frmAmbrel& f = *m_form;
    switch (id) {
        case kIdExecute: f.cmd_execute_procedures_Click(); break;
        case kIdDontExecute: f.cmd_dont_execute_Click(); break;
        case kIdCancelShutdown: f.cmd_cancel_shutdown_Click(); break;
        case kIdHelp: f.cmd_help_Click(); break;
        case kIdHelp2: f.cmdHelp2_Click(); break;
        case kIdExitWait: f.cmdExitWait_Click(); break;
        case kIdShutDown: f.cmdShutDown_Click(); break;
        case kIdMinimize: f.cmdMinimize_Click(); break;
        case kIdMenuMaintenance: f.mMaintenance_Click(); break;
        case kIdMenuHistory: f.mHistory_Click(); break;
        case kIdMenuShutdown: f.mShutdown_Click(); break;
        case kIdMenuRunInBackground: f.mRunInBkgrnd_Click(); break;
        case kIdMenuExit: f.mExit_Click(); break;
        case kIdMenuHelp: f.mHelp_Click(); break;
        default: break;
    }
}

LRESULT CALLBACK frmAmbrelView::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    frmAmbrelView* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<frmAmbrelView*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
    } else {
        self = reinterpret_cast<frmAmbrelView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT CALLBACK frmAmbrelView::WaitPanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    } else if (message == WM_RBUTTONDOWN || message == WM_LBUTTONDOWN) {
        auto* self = reinterpret_cast<frmAmbrelView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && self->m_form) self->m_form->picWait_MouseDown(message == WM_RBUTTONDOWN ? 2 : 1);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT frmAmbrelView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_form && m_form->AmbrelWndProc(message)) return 0;
    if (m_tray.HandleMessage(message, wParam, lParam)) return 0;
    switch (message) {
        case WM_COMMAND:
            if (m_toolbar.HandleCommand(wParam, lParam)) return 0;
            if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
                ReadSelection();
                OnCommand(LOWORD(wParam));
            }
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (m_list.HandleNotify(header) || m_toolbar.HandleNotify(header)) return 0;
            break;
        }
        case WM_TIMER:
            if (wParam == kTimer1 && m_form) m_form->Timer1_Timer();
            if (wParam == kWatchTimer) CheckForShutdownDialog();
            return 0;
        case kCheckMessage:
            CheckForShutdownDialog();
            return 0;
        case WM_QUERYENDSESSION: {
            if (!m_form) return TRUE;
            int cancel = 0;
            m_form->Form_QueryUnload(cancel, kUnloadAppWindows, static_cast<std::uint32_t>(lParam));
            return cancel ? FALSE : TRUE;
        }
        case WM_ENDSESSION:
            if (!m_form) return 0;
            if (wParam) {
                // The session ends now (or an update closes the program);
                // the program goes with it.
                m_form->SessionEnded(static_cast<std::uint32_t>(lParam));
                Unload();
            } else {
                m_form->SessionEndRefused();
            }
            return 0;
        case WM_CLOSE: {
            if (!m_form) break;
            int cancel = 0;
            m_form->Form_QueryUnload(cancel, kUnloadFormControlMenu);
            if (!cancel) m_form->mExit_Click();
            return 0;
        }
        case WM_HELP:
            // F1, as the Help buttons and the menu's entry.
            if (m_form) m_form->mHelp_Click();
            return TRUE;
        case DM_GETDEFID:
            // Asked by the keyboard handling of the message loops for Enter.
            return DefaultButtonId();
        case WM_ACTIVATE:
            // As a dialog does: the focus leaves with the window and comes
            // back to where it was.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(m_hwnd, focus)) m_lastFocus = focus;
            }
            break;
        case WM_SETFOCUS: {
            HWND control = m_lastFocus && IsWindowVisible(m_lastFocus) ? m_lastFocus : DefaultControl();
            if (control) SetFocus(control);
            return 0;
        }
        case WM_DESTROY:
            m_destroyed = true;
            SetKeyboardDialogWindow(nullptr);
            StopWatching();
            if (m_hook) UnhookWinEvent(m_hook);
            m_hook = nullptr;
            if (g_watcher == this) g_watcher = nullptr;
            m_tray.InTray(false);
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcA(m_hwnd, message, wParam, lParam);
}

}  // namespace ambrel
