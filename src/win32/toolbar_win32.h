#pragma once
// A toolbar whose buttons are known by keys ("UpPriorty", ...); a click gives
// the pressed button's key. Can be shown and hidden.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace ambrel {

class ToolbarControl {
public:
    void Create(HWND parent, int id, int x, int y, int width, int height);
    HWND Handle() const { return m_hwnd; }
    // Buttons show an icon from the image list (0-based) and a tool tip.
    void SetImageList(HIMAGELIST images);
    void AddButton(const std::string& key, int image, const std::string& toolTip);
    int ButtonCount() const { return static_cast<int>(m_keys.size()); }
    const std::string& Key(int index) const { return m_keys[index]; }
    void Visible(bool visible);
    bool Visible() const;
    // Presses a button as the user would (for tests and keyboard shortcuts).
    void Click(const std::string& key);

    std::function<void(const std::string& key)> OnButtonClick;
    // WM_COMMAND from the toolbar; true when handled.
    bool HandleCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY (tool tips); true when handled.
    bool HandleNotify(NMHDR* header);

private:
    static constexpr int kFirstCommand = 0x7100;
    HWND m_hwnd = nullptr;
    std::vector<std::string> m_keys;
    std::vector<std::string> m_tips;
};

}  // namespace ambrel
