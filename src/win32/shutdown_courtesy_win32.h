#pragma once
// The end-of-session calls of today's Windows, looked up in user32 and
// kernel32 at run time so that the programs still start on systems that
// lack them.

#include "shared/platform.h"

namespace ambrel {

class Win32ShutdownCourtesy final : public IShutdownCourtesy {
public:
    Win32ShutdownCourtesy();
    bool BlockReasonsAvailable() override;
    bool SetBlockReason(WindowHandle window, const std::string& reason) override;
    bool ClearBlockReason(WindowHandle window) override;
    bool SetShutdownLevel(std::uint32_t level) override;
    bool RegisterRestartAfterUpdate() override;

private:
    using CreateReason = int(__stdcall*)(void* window, const wchar_t* reason);
    using DestroyReason = int(__stdcall*)(void* window);
    using ShutdownParameters = int(__stdcall*)(unsigned long level, unsigned long flags);
    CreateReason m_create = nullptr;
    DestroyReason m_destroy = nullptr;
    using RegisterRestart = long(__stdcall*)(const wchar_t* commandLine, unsigned long flags);
    ShutdownParameters m_parameters = nullptr;
    RegisterRestart m_restart = nullptr;
};

}  // namespace ambrel
