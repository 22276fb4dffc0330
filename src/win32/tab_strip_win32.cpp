#include "win32/tab_strip_win32.h"

#include <commctrl.h>

namespace ambrel {

void TabStripControl::Create(HWND parent, int id, int x, int y, int width, int height) {
    m_hwnd = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_TOOLTIPS, x, y,
                             width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
}

void TabStripControl::AddTab(const std::string& caption, const std::string& toolTip) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(m_hwnd, TCM_INSERTITEMA, TabCount(), reinterpret_cast<LPARAM>(&item));
    m_tips.push_back(toolTip);
}

int TabStripControl::TabCount() const { return static_cast<int>(SendMessageA(m_hwnd, TCM_GETITEMCOUNT, 0, 0)); }

std::string TabStripControl::Caption(int index) const {
    char buffer[256] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(m_hwnd, TCM_GETITEMA, index - 1, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int TabStripControl::SelectedIndex() const {
    return static_cast<int>(SendMessageA(m_hwnd, TCM_GETCURSEL, 0, 0)) + 1;
}

void TabStripControl::Select(int index) {
    SendMessageA(m_hwnd, TCM_SETCURSEL, index - 1, 0);
    if (OnClick) OnClick();
}

bool TabStripControl::HandleNotify(NMHDR* header) {
    if (header->hwndFrom == m_hwnd && header->code == TCN_SELCHANGE) {
        if (OnClick) OnClick();
        return true;
    }
    if (header->code == TTN_GETDISPINFOA &&
        header->hwndFrom == reinterpret_cast<HWND>(SendMessageA(m_hwnd, TCM_GETTOOLTIPS, 0, 0))) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        std::size_t tab = header->idFrom;
        if (tab < m_tips.size()) info->lpszText = const_cast<char*>(m_tips[tab].c_str());
        return true;
    }
    return false;
}

}  // namespace ambrel
