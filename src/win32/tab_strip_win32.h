#pragma once
// A tab strip: tabs with captions and tool tips, a click event after which the
// selected tab's index is read.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace ambrel {

class TabStripControl {
public:
    void Create(HWND parent, int id, int x, int y, int width, int height);
    // Takes over a tab control of a dialog template.
    void Attach(HWND tabs) { m_hwnd = tabs; }
    HWND Handle() const { return m_hwnd; }
    void AddTab(const std::string& caption, const std::string& toolTip);
    int TabCount() const;
    std::string Caption(int index) const;  // 1-based
    const std::string& ToolTip(int index) const { return m_tips[index - 1]; }
    // The selected tab, 1-based.
    int SelectedIndex() const;
    // Selects a tab as a click would, raising OnClick.
    void Select(int index);

    std::function<void()> OnClick;
    bool HandleNotify(NMHDR* header);

private:
    HWND m_hwnd = nullptr;
    std::vector<std::string> m_tips;
};

}  // namespace ambrel
