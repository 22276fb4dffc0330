#include "win32/toolbar_win32.h"

#include <commctrl.h>

namespace ambrel {

void ToolbarControl::Create(HWND parent, int id, int x, int y, int width, int height) {
    m_hwnd = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER |
                                 CCS_NOPARENTALIGN,
                             x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(m_hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
}

void ToolbarControl::SetImageList(HIMAGELIST images) {
    SendMessageA(m_hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

void ToolbarControl::AddButton(const std::string& key, int image, const std::string& toolTip) {
    TBBUTTON button{};
    button.iBitmap = image;
    button.idCommand = kFirstCommand + static_cast<int>(m_keys.size());
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    m_keys.push_back(key);
    m_tips.push_back(toolTip);
    SendMessageA(m_hwnd, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    SendMessageA(m_hwnd, TB_AUTOSIZE, 0, 0);
}

void ToolbarControl::Visible(bool visible) { ShowWindow(m_hwnd, visible ? SW_SHOW : SW_HIDE); }

bool ToolbarControl::Visible() const { return IsWindowVisible(m_hwnd) != 0; }

void ToolbarControl::Click(const std::string& key) {
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key) SendMessageA(GetParent(m_hwnd), WM_COMMAND, kFirstCommand + static_cast<int>(i),
                                           reinterpret_cast<LPARAM>(m_hwnd));
}

bool ToolbarControl::HandleCommand(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != m_hwnd) return false;
    int index = LOWORD(wParam) - kFirstCommand;
    if (index < 0 || index >= static_cast<int>(m_keys.size())) return false;
    if (OnButtonClick) OnButtonClick(m_keys[index]);
    return true;
}

bool ToolbarControl::HandleNotify(NMHDR* header) {
    if (header->code != TTN_GETDISPINFOA) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    int index = static_cast<int>(header->idFrom) - kFirstCommand;
    if (index < 0 || index >= static_cast<int>(m_tips.size())) return false;
    info->lpszText = const_cast<char*>(m_tips[index].c_str());
    return true;
}

}  // namespace ambrel
