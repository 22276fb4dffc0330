#include "win32/session_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace ambrel {

namespace {

HWND ToWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HANDLE ToHandle(KernelHandle handle) { return reinterpret_cast<HANDLE>(handle); }

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    auto* visitor = reinterpret_cast<ISessionControl::IWindowVisitor*>(context);
    return visitor->Visit(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE;
}

}  // namespace

std::int32_t Win32SessionControl::RequestSessionEnd(std::uint32_t flags, std::uint32_t reserved) {
    const BOOL accepted = ExitWindowsEx(flags, reserved);
    m_lastError = accepted ? 0 : GetLastError();
    return accepted;
}

std::uint32_t Win32SessionControl::LastRequestError() { return m_lastError; }

KernelHandle Win32SessionControl::OpenOwnProcessToken(std::uint32_t access) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &token)) return 0;
    return reinterpret_cast<KernelHandle>(token);
}

bool Win32SessionControl::LookupPrivilege(const std::string& systemName, const std::string& name, PrivilegeId& id) {
    LUID luid{};
    if (!LookupPrivilegeValueA(systemName.empty() ? nullptr : systemName.c_str(), name.c_str(), &luid)) return false;
    id.LowPart = luid.LowPart;
    id.HighPart = luid.HighPart;
    return true;
}

bool Win32SessionControl::AdjustPrivileges(KernelHandle token, bool disableAll, const PrivilegeSet& newState,
                                           std::uint32_t bufferLength) {
    TOKEN_PRIVILEGES set{};
    set.PrivilegeCount = newState.Count;
    set.Privileges[0].Luid.LowPart = newState.Id.LowPart;
    set.Privileges[0].Luid.HighPart = newState.Id.HighPart;
    set.Privileges[0].Attributes = newState.Attributes;
    // The previous state is asked for, as the caller sized it, and not used.
    std::vector<BYTE> previous(bufferLength < sizeof(TOKEN_PRIVILEGES) ? sizeof(TOKEN_PRIVILEGES) : bufferLength);
    DWORD returned = 0;
    return AdjustTokenPrivileges(ToHandle(token), disableAll ? TRUE : FALSE, &set, bufferLength,
                                 reinterpret_cast<PTOKEN_PRIVILEGES>(previous.data()), &returned) != 0;
}

void Win32SessionControl::CloseKernelHandle(KernelHandle handle) { CloseHandle(ToHandle(handle)); }

bool Win32SessionControl::EnumTopLevelWindows(IWindowVisitor& visitor) {
    return EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visitor)) != 0;
}

bool Win32SessionControl::SendWithTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(ToWindow(window), message, wParam, lParam, flags, timeoutMs, &result) != 0;
}

std::uint32_t Win32SessionControl::WindowProcessId(WindowHandle window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(ToWindow(window), &processId);
    return processId;
}

KernelHandle Win32SessionControl::OpenProcessById(std::uint32_t access, std::uint32_t processId) {
    return reinterpret_cast<KernelHandle>(OpenProcess(access, FALSE, processId));
}

bool Win32SessionControl::TerminateProcessHandle(KernelHandle process, std::uint32_t exitCode) {
    return TerminateProcess(ToHandle(process), exitCode) != 0;
}

std::intptr_t Win32SessionControl::ShellOpen(const std::string& verb, const std::string& file, int showCommand) {
    HINSTANCE result = ShellExecuteA(nullptr, verb.c_str(), file.c_str(), nullptr, nullptr, showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace ambrel
