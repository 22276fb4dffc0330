#include "win32/later_calls_win32.h"
#include "win32/shutdown_courtesy_win32.h"

#include <windows.h>

#include <string>

namespace ambrel {

namespace {

}  // namespace

Win32ShutdownCourtesy::Win32ShutdownCourtesy()
    : m_create(Lookup<CreateReason>("user32.dll", "ShutdownBlockReasonCreate")),
      m_destroy(Lookup<DestroyReason>("user32.dll", "ShutdownBlockReasonDestroy")),
      m_parameters(Lookup<ShutdownParameters>("kernel32.dll", "SetProcessShutdownParameters")),
      m_restart(Lookup<RegisterRestart>("kernel32.dll", "RegisterApplicationRestart")) {}

bool Win32ShutdownCourtesy::BlockReasonsAvailable() { return m_create && m_destroy; }

bool Win32ShutdownCourtesy::SetBlockReason(WindowHandle window, const std::string& reason) {
    if (!BlockReasonsAvailable()) return false;
    // The reason is kept to what the system takes (MAX_STR_BLOCKREASON).
    std::wstring wide(256, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, reason.data(), static_cast<int>(reason.size()), wide.data(), 255);
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return m_create(reinterpret_cast<void*>(window), wide.c_str()) != 0;
}

bool Win32ShutdownCourtesy::ClearBlockReason(WindowHandle window) {
    return m_destroy && m_destroy(reinterpret_cast<void*>(window)) != 0;
}

bool Win32ShutdownCourtesy::SetShutdownLevel(std::uint32_t level) {
    return m_parameters && m_parameters(level, 0) != 0;
}

bool Win32ShutdownCourtesy::RegisterRestartAfterUpdate() {
    // RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT: only an update
    // (a patch) brings it back. S_OK is 0.
    return m_restart && m_restart(L"", 1 | 2 | 8) == 0;
}

}  // namespace ambrel
