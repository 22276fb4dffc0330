#include "win32/dialog_controls_win32.h"

#include <commctrl.h>

#include "shared/CommandRecords.h"

namespace ambrel {

namespace dlg {

int Check(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void Check(HWND dialog, int id, int value) { CheckDlgButton(dialog, id, value == 1 ? BST_CHECKED : BST_UNCHECKED); }

int Option(HWND dialog, const std::vector<int>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (IsDlgButtonChecked(dialog, ids[i]) == BST_CHECKED) return static_cast<int>(i);
    return -1;
}

void Option(HWND dialog, const std::vector<int>& ids, int index) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        CheckDlgButton(dialog, ids[i], static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED);
}

std::string Text(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void Text(HWND dialog, int id, const std::string& text) {
    if (Text(dialog, id) != text) SetDlgItemTextA(dialog, id, text.c_str());
}

void Enable(HWND dialog, int id, bool enabled) {
    HWND control = GetDlgItem(dialog, id);
    if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

bool ShownByItself(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

void Show(HWND dialog, int id, bool visible) {
    // The control's own flag: before its dialog shows, no control is visible.
    HWND control = GetDlgItem(dialog, id);
    if (ShownByItself(control) != visible) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

namespace {

std::string ComboText(HWND combo, int index) {
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

void ComboItems(HWND dialog, int id, const std::vector<ComboEntry>& items) {
    HWND combo = GetDlgItem(dialog, id);
    bool same = static_cast<std::size_t>(SendMessageA(combo, CB_GETCOUNT, 0, 0)) == items.size();
    for (std::size_t i = 0; same && i < items.size(); ++i)
        same = ComboText(combo, static_cast<int>(i)) == items[i].Text &&
               SendMessageA(combo, CB_GETITEMDATA, i, 0) == items[i].ItemData;
    if (same) return;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const ComboEntry& item : items) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Text.c_str()));
        SendMessageA(combo, CB_SETITEMDATA, at, item.ItemData);
    }
}

int ListIndex(HWND dialog, int id) {
    LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ListIndex(HWND dialog, int id, int index) {
    if (ListIndex(dialog, id) != index) SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
}

std::intptr_t ItemData(HWND dialog, int id, int index) {
    return static_cast<std::intptr_t>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, index, 0));
}

void ListLines(HWND dialog, int id, const std::vector<std::string>& lines) {
    HWND list = GetDlgItem(dialog, id);
    bool same = static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)) == lines.size();
    for (std::size_t i = 0; same && i < lines.size(); ++i) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
        std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        same = text == lines[i];
    }
    if (same) return;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

namespace {

const char* const kEditProcProperty = "AmbrelEditProc";

std::string ClipboardText(HWND owner) {
    std::string text;
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

LRESULT CALLBACK TypedTextProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(edit, kEditProcProperty));
    if (!previous) return DefWindowProcA(edit, message, wParam, lParam);
    switch (message) {
        case WM_CHAR:
            if (wParam == 0x7F) return 0;
            break;
        case WM_PASTE: {
            const std::string kept = WithoutControlCharacters(ClipboardText(edit));
            if (!(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY))
                SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
            return 0;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropA(edit, kEditProcProperty);
            break;
        default: break;
    }
    return CallWindowProcA(previous, edit, message, wParam, lParam);
}

}  // namespace

void TypedTextOnly(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    if (!edit || GetPropA(edit, kEditProcProperty)) return;
    SetPropA(edit, kEditProcProperty,
             reinterpret_cast<HANDLE>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TypedTextProc))));
}

}  // namespace dlg

void ToolTips::Create(HWND owner) {
    m_owner = owner;
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                             0, 0, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(m_hwnd, TTM_SETMAXTIPWIDTH, 0, 400);
}

void ToolTips::Add(HWND control, const std::string& text) {
    if (!control) return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // the form every common controls version knows
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(m_hwnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string ToolTips::TextOf(HWND control) const {
    char buffer[512] = "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // the form every common controls version knows
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = buffer;
    SendMessageA(m_hwnd, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

}  // namespace ambrel
