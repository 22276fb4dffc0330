#include "win32/status_bar_win32.h"

#include <commctrl.h>

namespace ambrel {

void StatusBarControl::Create(HWND parent, int id) {
    m_hwnd = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
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

}  // namespace ambrel
