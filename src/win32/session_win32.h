#pragma once
// Ending the session over user32, advapi32, kernel32 and shell32.

#include "shared/platform.h"

namespace ambrel {

class Win32SessionControl : public ISessionControl {
public:
    std::int32_t RequestSessionEnd(std::uint32_t flags, std::uint32_t reserved) override;
    KernelHandle OpenOwnProcessToken(std::uint32_t access) override;
    bool LookupPrivilege(const std::string& systemName, const std::string& name, PrivilegeId& id) override;
    bool AdjustPrivileges(KernelHandle token, bool disableAll, const PrivilegeSet& newState,
                          std::uint32_t bufferLength) override;
    void CloseKernelHandle(KernelHandle handle) override;
    bool EnumTopLevelWindows(IWindowVisitor& visitor) override;
    bool SendWithTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                         std::uint32_t flags, std::uint32_t timeoutMs) override;
    std::uint32_t WindowProcessId(WindowHandle window) override;
    KernelHandle OpenProcessById(std::uint32_t access, std::uint32_t processId) override;
    bool TerminateProcessHandle(KernelHandle process, std::uint32_t exitCode) override;
    std::intptr_t ShellOpen(const std::string& verb, const std::string& file, int showCommand) override;
    std::uint32_t LastRequestError() override;

private:
    std::uint32_t m_lastError = 0;
};

}  // namespace ambrel
