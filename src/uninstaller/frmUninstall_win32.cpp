#include "uninstaller/frmUninstall_win32.h"

#include "uninstaller/uninstaller_resource.h"
#include "win32/image_list_win32.h"

namespace ambrel {

namespace {

// The messages' texts, which hold quotes and line ends.
const char* const kMessage =
    "If \"All users use the same options and command lines\" is not checked, then this uninstall program needs to "
    "be run for each login that used Ambrel.\r\n";
const char* const kMessage2 =
    "After running \"Uninstall Ambrel\" for each login, do the \r\nfollowing to complete the uninstall:\r\n";

}  // namespace

void frmUninstallView::Run(frmUninstall& form) {
    m_form = &form;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UNINSTALL), nullptr, Proc,
                    reinterpret_cast<LPARAM>(this));
    if (m_bold) DeleteObject(m_bold);
    m_bold = nullptr;
    m_hwnd = nullptr;
}

void frmUninstallView::Init() {
    SetDlgItemTextA(m_hwnd, IDC_TXTMESSAGE, kMessage);
    SetDlgItemTextA(m_hwnd, IDC_TXTMESSAGE2, kMessage2);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    m_bold = CreateFontIndirectA(&font);
    SendDlgItemMessageA(m_hwnd, IDC_LABEL1, WM_SETFONT, reinterpret_cast<WPARAM>(m_bold), FALSE);
    m_dialog.Owner(m_hwnd);
}

void frmUninstallView::ShowHelp(const std::string& helpFile, unsigned long context) {
    m_dialog.ShowHelpTopic(helpFile, context);
}

void frmUninstallView::Close() {
    if (m_hwnd) EndDialog(m_hwnd, 0);
}

INT_PTR CALLBACK frmUninstallView::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<frmUninstallView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<frmUninstallView*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
            self->m_hwnd = hwnd;
            SetProgramIcons(hwnd);
            self->Init();
            SetFocus(GetDlgItem(hwnd, IDCANCEL));
            return FALSE;  // the focus is set
        case WM_COMMAND:
            if (!self || HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case IDC_CMDOK: self->m_form->cmdOk_Click(); return TRUE;
                case IDCANCEL: self->m_form->cmdCancel_Click(); return TRUE;
                case IDC_CMDHELP: self->m_form->cmdHelp_Click(); return TRUE;
                default: break;
            }
            break;
        case WM_HELP:
            if (self) self->m_form->cmdHelp_Click();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            // The read-only message boxes on the window's own background.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        default: break;
    }
    return FALSE;
}

}  // namespace ambrel
