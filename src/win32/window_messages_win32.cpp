#include <windows.h>

#include <vector>

#include "shared/vb.h"
#include "win32/later_calls_win32.h"
#include "win32/files_win32.h"
#include "win32/message_pump_win32.h"
#include "win32/security_win32.h"

namespace ambrel {

namespace {

constexpr const char* kMonitorClass = "AmbrelMonitor";

// Window handles are 32-bit values across processes; sign-extend as the system does.
HWND ToWindow(std::int32_t window) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(window)); }

// The program file of a process; "" when the system cannot tell (Windows 95
// and 98 without these calls).
std::string ImageOf(HANDLE process) {
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    static const auto query = Lookup<Query>("kernel32.dll", "QueryFullProcessImageNameA");
    char path[MAX_PATH * 2] = "";
    DWORD size = sizeof path;
    if (query && query(process, 0, path, &size)) return std::string(path, size);
    using ModuleName = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
    static const auto moduleName = Lookup<ModuleName>("psapi.dll", "GetModuleFileNameExA");
    if (moduleName) {
        DWORD length = moduleName(process, nullptr, path, sizeof path);
        if (length > 0 && length < sizeof path) return std::string(path, length);
    }
    return "";
}

std::string UserOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return "";
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> user(needed ? needed : 1);
    std::string sid;
    if (needed && GetTokenInformation(token, TokenUser, user.data(), needed, &needed))
        sid = SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    CloseHandle(token);
    return sid;
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string text = length > 0 && length < sizeof full ? std::string(full, length) : path;
    char longName[MAX_PATH * 2];
    const DWORD longLength = GetLongPathNameA(text.c_str(), longName, sizeof longName);
    return LCase(longLength > 0 && longLength < sizeof longName ? std::string(longName, longLength) : text);
}

// A window of the monitor's class whose program is `image`, in this session
// and of this user: the only window the private messages may go to.
bool IsOurMonitor(HWND window, const std::string& image) {
    char name[64] = "";
    if (!IsWindow(window) || !GetClassNameA(window, name, sizeof name) || std::string(name) != kMonitorClass)
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return false;
    using SessionOf = BOOL(WINAPI*)(DWORD, DWORD*);
    static const auto sessionOf = Lookup<SessionOf>("kernel32.dll", "ProcessIdToSessionId");
    DWORD theirs = 0, ours = 0;
    if (sessionOf && sessionOf(processId, &theirs) && sessionOf(GetCurrentProcessId(), &ours) && theirs != ours)
        return false;
    const bool nt = (GetVersion() & 0x80000000u) == 0;
    if (!nt) return true;  // one session, one user, no image to ask for
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, processId);
    if (!process) process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return false;
    const std::string running = ImageOf(process);
    const std::string user = UserOf(process);
    CloseHandle(process);
    if (running.empty() || FullPath(running) != FullPath(image)) return false;
    const std::string me = CurrentIdentity().UserSid;
    return user.empty() || me.empty() || user == me;
}

}  // namespace

bool Win32WindowMessages::Post(std::int32_t window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    HWND target = ToWindow(window);
    // The monitor's own messages (refresh, close) mean something else to any
    // other window: whatever the caller found, they go to the monitor's class
    // alone.
    if (message == WM_USER + 400 || message == WM_USER + 401) {
        char name[32] = "";
        if (!IsWindow(target) || !GetClassNameA(target, name, sizeof name) || std::string(name) != kMonitorClass)
            return false;
    }
    return PostMessageA(target, message, wParam, lParam) != FALSE;
}

std::int32_t Win32WindowMessages::FindMonitor(std::int32_t hint) {
    const std::string image = m_programDirectory + "\\Ambrel.exe";
    if (hint != 0 && hint != -1 && IsOurMonitor(ToWindow(hint), image)) return hint;
    for (HWND window = FindWindowExA(nullptr, nullptr, kMonitorClass, nullptr); window;
         window = FindWindowExA(nullptr, window, kMonitorClass, nullptr))
        if (IsOurMonitor(window, image))
            return static_cast<std::int32_t>(reinterpret_cast<LONG_PTR>(window));
    return 0;
}

bool Win32WindowMessages::WaitGone(std::int32_t window, std::uint32_t timeoutMs) {
    const DWORD start = GetTickCount();
    HWND target = ToWindow(window);
    while (IsWindow(target)) {
        if (GetTickCount() - start >= timeoutMs) return false;
        // A pause that any message ends early; the messages are served.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ServeMessage(msg);
    }
    return true;
}

}  // namespace ambrel
