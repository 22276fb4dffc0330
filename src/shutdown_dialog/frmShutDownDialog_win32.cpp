#include "shutdown_dialog/frmShutDownDialog_win32.h"

#include <algorithm>

#include "win32/image_list_win32.h"

namespace ambrel {

namespace {

enum ControlId {
    kIdImage = 1030,
    kIdPrompt,
    kIdOption0 = 1010,
    kIdRunAmbrel = 1020,
    kIdHelp = 1040,
};

// An empty template: the dialog manager gives Enter, Esc and the tab order;
// the controls are placed at run time.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE Header;
    WORD Menu = 0, Class = 0, Title = 0;
};

}  // namespace

int frmShutDownDialogView::ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int frmShutDownDialogView::Px(int twips) const { return MulDiv(twips, m_dpi, 1440); }
int frmShutDownDialogView::Twips(int px) const { return MulDiv(px, 1440, m_dpi); }

void frmShutDownDialogView::Run(HWND owner, frmShutDownDialog& form, const std::function<bool()>& load) {
    m_owner = owner;
    m_form = &form;
    m_load = load;
    m_dpi = ScreenDpi();
    // The dialog font the places were made for: 8 points at the system's DPI.
    m_font = CreateFontA(-MulDiv(8, m_dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         "MS Shell Dlg");
    EmptyTemplate dialog{};
    dialog.Header.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.Header, owner, Proc, reinterpret_cast<LPARAM>(this));
    DeleteObject(m_font);
    m_font = nullptr;
    if (m_icon) DestroyIcon(m_icon);
    m_icon = nullptr;
    m_hwnd = nullptr;
}

void frmShutDownDialogView::CreateControls() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto make = [&](const char* cls, DWORD style, int id) {
        HWND control = CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 0, 0, m_hwnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        return control;
    };
    HWND image = make("STATIC", SS_ICON, kIdImage);
    // Loaded at a size of its own, so not shared: destroyed with the dialog.
    m_icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kIconAmbrel), IMAGE_ICON, Px(480), Px(480), 0));
    SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
    make("STATIC", SS_LEFT | SS_NOPREFIX, kIdPrompt);
    for (int i = 0; i < 4; ++i)
        make("BUTTON", BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0), kIdOption0 + i);
    make("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, kIdRunAmbrel);
    make("BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK);
    make("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    make("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kIdHelp);
}

std::int32_t frmShutDownDialogView::WindowHandle() {
    return static_cast<std::int32_t>(reinterpret_cast<LONG_PTR>(m_hwnd));
}

ScreenMetrics frmShutDownDialogView::Metrics() {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(m_hwnd, GWL_EXSTYLE)));
    return {Twips(GetSystemMetrics(SM_CXSCREEN)), Twips(GetSystemMetrics(SM_CYSCREEN)),
            Twips(frame.right - frame.left), Twips(frame.bottom - frame.top)};
}

void frmShutDownDialogView::Refresh() {
    if (!m_hwnd || !m_form) return;
    const ShutDownDialogLayout& l = m_form->Layout;
    SetWindowTextA(m_hwnd, l.Caption.c_str());
    // Texts and choices run on as far as their captions need, and the window
    // grows with them, so that no caption is cut off in a font wider than the
    // one the places were made for.
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ old = SelectObject(dc, m_font);
    int clientWidth = Px(l.ClientWidth);
    auto needed = [&](const DialogPlace& p, int glyph) {
        SIZE extent{};
        std::string caption;
        for (char c : p.Caption)
            if (c != '&') caption += c;
        GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        return static_cast<int>(glyph + extent.cx + Px(60));
    };
    auto place = [&](int id, const DialogPlace& p) {
        HWND control = GetDlgItem(m_hwnd, id);
        int width = Px(p.Width);
        if (id == kIdPrompt || id == kIdRunAmbrel || (id >= kIdOption0 && id < kIdOption0 + 4)) {
            width = std::max<int>(width, needed(p, id == kIdPrompt ? 0 : GetSystemMetrics(SM_CXMENUCHECK) + Px(90)));
            if (p.Visible) clientWidth = std::max(clientWidth, Px(p.Left) + width + Px(120));
        }
        SetWindowPos(control, nullptr, Px(p.Left), Px(p.Top), width, Px(p.Height), SWP_NOZORDER | SWP_NOACTIVATE);
        if (id != kIdImage) SetWindowTextA(control, p.Caption.c_str());
        ShowWindow(control, p.Visible ? SW_SHOWNA : SW_HIDE);
    };
    place(kIdImage, l.Image1);
    place(kIdPrompt, l.lblDoYouWant);
    for (int i = 0; i < 4; ++i) {
        place(kIdOption0 + i, l.optShutdown[i]);
        CheckDlgButton(m_hwnd, kIdOption0 + i, m_form->optShutdown == i ? BST_CHECKED : BST_UNCHECKED);
    }
    TabStopOnChoice();
    place(kIdRunAmbrel, l.chkRunAmbrel);
    CheckDlgButton(m_hwnd, kIdRunAmbrel, m_form->chkRunAmbrel == 1 ? BST_CHECKED : BST_UNCHECKED);
    place(IDOK, l.cmdYES);
    place(IDCANCEL, l.cmdNO);
    place(kIdHelp, l.cmdHelp);

    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);

    RECT frame{0, 0, clientWidth, Px(l.ClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(m_hwnd, GWL_EXSTYLE)));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int left = 0, top = 0;
    if (m_form->Positioned) {
        left = Px(m_form->Left);
        top = Px(m_form->Top);
    } else {
        // Where the system puts a dialog of its own: the middle of the screen.
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    SetWindowPos(m_hwnd, Topmost ? HWND_TOPMOST : nullptr, left, top, width, height,
                 (Topmost ? 0 : SWP_NOZORDER) | SWP_NOACTIVATE);
}

void frmShutDownDialogView::TabStopOnChoice() {
    // Tab stops once at the group of endings, on the one chosen; the arrow
    // keys move within it.
    const int chosen = m_form->optShutdown >= 0 && m_form->optShutdown < 4 ? m_form->optShutdown : 0;
    for (int i = 0; i < 4; ++i) {
        HWND option = GetDlgItem(m_hwnd, kIdOption0 + i);
        const LONG style = GetWindowLongA(option, GWL_STYLE);
        SetWindowLongA(option, GWL_STYLE, i == chosen ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void frmShutDownDialogView::ReadControls() {
    for (int i = 0; i < 4; ++i)
        if (IsDlgButtonChecked(m_hwnd, kIdOption0 + i) == BST_CHECKED) m_form->optShutdown = i;
    m_form->chkRunAmbrel = IsDlgButtonChecked(m_hwnd, kIdRunAmbrel) == BST_CHECKED ? 1 : 0;
}

void frmShutDownDialogView::ShowHelp(const std::string& helpFile, unsigned long context) {
    m_dialog.Owner(m_hwnd);
    m_dialog.ShowHelpTopic(helpFile, context);
}

void frmShutDownDialogView::Close() {
    if (m_closed || !m_hwnd) return;
    m_closed = true;
    EndDialog(m_hwnd, 0);
}

INT_PTR CALLBACK frmShutDownDialogView::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    frmShutDownDialogView* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<frmShutDownDialogView*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        // The launcher's own window: on the taskbar and in Alt+Tab with the
        // program's icon. (Over the monitor it is owned and shows on neither.)
        if (!self->m_owner) SetProgramIcons(hwnd);
        self->CreateControls();
        self->Refresh();
        // The form's handlers report their own errors; none leaves them.
        if (!self->m_load() && !self->m_closed) self->Close();
        if (!self->m_closed) {
            self->Refresh();
            SetForegroundWindow(hwnd);
            SetFocus(GetDlgItem(hwnd, kIdOption0 + self->m_form->optShutdown));
        }
        return FALSE;
    }
    self = reinterpret_cast<frmShutDownDialogView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self || self->m_closed) return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            self->ReadControls();
            self->TabStopOnChoice();
            switch (LOWORD(wParam)) {
                case IDOK: self->m_form->cmdYES_Click(); break;
                case IDCANCEL: self->m_form->cmdNO_Click(); break;
                case kIdHelp: self->m_form->cmdHelp_Click(); break;
                default: break;
            }
            return TRUE;
        case WM_CLOSE:
            self->m_form->cmdNO_Click();
            return TRUE;
        case WM_HELP:
            self->m_form->cmdHelp_Click();
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace ambrel
