#include "win32/status_bar_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace ambrel {

void StatusBarControl::Create(HWND parent, int id) {
    // No size grip: the windows that have a status bar cannot be resized.
    m_hwnd = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

void StatusBarControl::SetPanels(const std::vector<int>& rightEdges) {
    m_panels = rightEdges.empty() ? 1 : rightEdges.size();
    SendMessageA(m_hwnd, SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
}

void StatusBarControl::SetText(int panel, const std::string& text) {
    SendMessageA(m_hwnd, SB_SETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.c_str()));
}

std::string StatusBarControl::Text(int panel) const {
    auto length = LOWORD(SendMessageA(m_hwnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel - 1), 0));
    std::string text(length + 1u, '\0');
    SendMessageA(m_hwnd, SB_GETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void StatusBarControl::ShowTimeAndDate(int timePanel, int datePanel) {
    char time[64] = "", date[64] = "";
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, time, sizeof time);
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    SetText(timePanel, time);
    SetText(datePanel, date);
}

void StatusBarControl::ParentResized() { SendMessageA(m_hwnd, WM_SIZE, 0, 0); }

void StatusBarControl::SetTextTimeAndDatePanels(int width) {
    // The widest texts: two-digit day, month and hour, in the afternoon.
    SYSTEMTIME sample{2026, 12, 1, 28, 22, 58, 0, 0};
    char time[64] = "", date[64] = "";
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &sample, nullptr, time, sizeof time);
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &sample, nullptr, date, sizeof date);
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0)));
    const int least = MulDiv(80, GetDeviceCaps(dc, LOGPIXELSX), 96);
    auto widthOf = [dc, least](const char* text) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        // The panel's borders and a little room on each side.
        return std::max(least, static_cast<int>(size.cx) + 4 * GetSystemMetrics(SM_CXEDGE) + 8);
    };
    const int timeWidth = widthOf(time), dateWidth = widthOf(date);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    SetPanels({width - timeWidth - dateWidth, width - dateWidth, -1});
}

}  // namespace ambrel
