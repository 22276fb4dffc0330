#include "win32/tray_icon_win32.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

#include "win32/later_calls_win32.h"

namespace ambrel {

namespace {
constexpr UINT kIconId = 1;

// The shell's major version: 4 for Windows 95 and NT 4 (whose shell32 has no
// DllGetVersion), 5 from Windows 2000 and Me on.
DWORD ShellVersion() {
    static const DWORD version = [] {
        const auto query = Lookup<DLLGETVERSIONPROC>("shell32.dll", "DllGetVersion");
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        return query && SUCCEEDED(query(&info)) ? info.dwMajorVersion : DWORD{4};
    }();
    return version;
}
}  // namespace

void TrayIconControl::Attach(HWND owner, UINT callbackMessage) {
    m_owner = owner;
    m_callback = callbackMessage;
    m_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
}

TrayIconControl::~TrayIconControl() {
    if (m_inTray) Notify(NIM_DELETE);
}

bool TrayIconControl::Notify(DWORD action, const std::string* balloonTitle, const std::string* balloonText) {
    // A shell before 5.0 knows the first form only: a 64-byte tip, no balloons.
    const bool first = ShellVersion() < 5;
    if (first && balloonTitle) return false;
    NOTIFYICONDATAA data{};
    data.cbSize = first ? NOTIFYICONDATAA_V1_SIZE : sizeof data;
    data.hWnd = m_owner;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_TIP | (m_icon ? NIF_ICON : 0);
    data.uCallbackMessage = m_callback;
    data.hIcon = m_icon;
    strncpy(data.szTip, m_tip.c_str(), (first ? 64 : sizeof data.szTip) - 1);
    if (balloonTitle && balloonText) {
        data.uFlags |= NIF_INFO;
        strncpy(data.szInfoTitle, balloonTitle->c_str(), sizeof data.szInfoTitle - 1);
        strncpy(data.szInfo, balloonText->c_str(), sizeof data.szInfo - 1);
        data.uTimeout = 10000;
        data.dwInfoFlags = NIIF_WARNING;
    }
    return Shell_NotifyIconA(action, &data) != 0;
}

bool TrayIconControl::Balloon(const std::string& title, const std::string& text) {
    return m_inTray && Notify(NIM_MODIFY, &title, &text);
}

bool TrayIconControl::InTray(bool show) {
    if (show == m_inTray) return true;
    if (!show) {
        // Gone either way, even if the shell had already dropped it.
        Notify(NIM_DELETE);
        m_inTray = false;
        return true;
    }
    m_inTray = Notify(NIM_ADD);
    return m_inTray;
}

void TrayIconControl::TrayIcon(HICON icon) {
    m_icon = icon;
    if (m_inTray) Notify(NIM_MODIFY);
}

void TrayIconControl::TrayTip(const std::string& tip) {
    m_tip = tip;
    if (m_inTray) Notify(NIM_MODIFY);
}

bool TrayIconControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_taskbarCreated && message == m_taskbarCreated) {
        // The shell restarted and forgot its icons.
        if (m_inTray) Notify(NIM_ADD);
        return true;
    }
    if (message != m_callback || wParam != kIconId) return false;
    int button = 0;
    switch (LOWORD(lParam)) {
        case WM_LBUTTONDOWN: button = 1; break;
        case WM_RBUTTONDOWN: button = 2; break;
        case WM_MBUTTONDOWN: button = 4; break;
        default: return true;
    }
    if (OnMouseDown) OnMouseDown(button);
    return true;
}

}  // namespace ambrel
