#pragma once
// The system-tray icon: shown or removed (InTray), its picture (TrayIcon), its
// tool tip (TrayTip) and a MouseDown event for any mouse button. It is added
// again when the shell restarts and broadcasts "TaskbarCreated".

#include <windows.h>

#include <functional>
#include <string>

namespace ambrel {

class TrayIconControl {
public:
    // `owner` receives the icon's callback messages; its window procedure
    // forwards every message to HandleMessage.
    void Attach(HWND owner, UINT callbackMessage);
    ~TrayIconControl();

    bool InTray() const { return m_inTray; }
    // false when the shell refused the icon.
    bool InTray(bool show);
    void TrayIcon(HICON icon);
    void TrayTip(const std::string& tip);
    const std::string& TrayTip() const { return m_tip; }
    // An information balloon at the icon; false when the icon is not there
    // or the shell shows no balloons.
    bool Balloon(const std::string& title, const std::string& text);

    std::function<void(int button)> OnMouseDown;  // 1 left, 2 right, 4 middle
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool Notify(DWORD action, const std::string* balloonTitle = nullptr, const std::string* balloonText = nullptr);

    HWND m_owner = nullptr;
    UINT m_callback = 0;
    UINT m_taskbarCreated = 0;
    HICON m_icon = nullptr;
    std::string m_tip;
    bool m_inTray = false;
};

}  // namespace ambrel
