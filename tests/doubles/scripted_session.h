#pragma once
// Plays the system for ending the session: a scripted set of top-level windows
// and results, and every call recorded in order as one line of text.

#include <cstdint>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel::testing {

class ScriptedSession final : public ISessionControl {
public:
    struct Window {
        WindowHandle Handle = 0;
        std::uint32_t ProcessId = 0;
        bool Answers = true;  // false: hung, every send times out
    };

    // With `NtPrivileges` it refuses as Windows NT does: a shut down, restart
    // or power off (anything but a log off) while this process's shutdown
    // privilege is not enabled fails with ERROR_PRIVILEGE_NOT_HELD.
    std::int32_t RequestSessionEnd(std::uint32_t flags, std::uint32_t reserved) override {
        Record("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reserved));
        if (NtPrivileges && (flags & (kEwxShutdown | kEwxReboot | kEwxPowerOff)) && !m_privilegeEnabled) {
            LastError = 1314;
            return 0;
        }
        LastError = ExitResult ? 0 : 5;
        return ExitResult;
    }
    std::uint32_t LastRequestError() override { return LastError; }
    KernelHandle OpenOwnProcessToken(std::uint32_t access) override {
        Record("OpenProcessToken " + std::to_string(access));
        return Token;
    }
    bool LookupPrivilege(const std::string& systemName, const std::string& name, PrivilegeId& id) override {
        Record("LookupPrivilegeValue '" + systemName + "' " + name);
        id = Luid;
        return true;
    }
    bool AdjustPrivileges(KernelHandle token, bool disableAll, const PrivilegeSet& s, std::uint32_t length) override {
        Record("AdjustTokenPrivileges " + std::to_string(token) + " " + std::to_string(disableAll) + " count " +
               std::to_string(s.Count) + " luid " + std::to_string(s.Id.HighPart) + ":" + std::to_string(s.Id.LowPart) +
               " attributes " + std::to_string(s.Attributes) + " length " + std::to_string(length));
        if (token != 0 && token == Token && s.Count == 1 && s.Id.LowPart == Luid.LowPart && s.Id.HighPart == Luid.HighPart &&
            s.Attributes == kSePrivilegeEnabled && !disableAll)
            m_privilegeEnabled = true;
        return true;
    }
    void CloseKernelHandle(KernelHandle handle) override { Record("CloseHandle " + std::to_string(handle)); }
    bool EnumTopLevelWindows(IWindowVisitor& visitor) override {
        Record("EnumWindows");
        for (const Window& w : Windows) {
            ++Visited;
            if (!visitor.Visit(w.Handle)) return false;
        }
        return true;
    }
    bool SendWithTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                         std::uint32_t flags, std::uint32_t timeoutMs) override {
        Record("Send " + std::to_string(window) + " " + std::to_string(message) + " " + std::to_string(wParam) + " " +
               std::to_string(lParam) + " " + std::to_string(flags) + " " + std::to_string(timeoutMs));
        const Window* w = Find(window);
        return w && w->Answers;
    }
    std::uint32_t WindowProcessId(WindowHandle window) override {
        const Window* w = Find(window);
        return w ? w->ProcessId : 0;
    }
    KernelHandle OpenProcessById(std::uint32_t access, std::uint32_t processId) override {
        Record("OpenProcess " + std::to_string(access) + " " + std::to_string(processId));
        return OpenProcessFails ? 0 : 1000 + processId;
    }
    bool TerminateProcessHandle(KernelHandle process, std::uint32_t exitCode) override {
        Record("TerminateProcess " + std::to_string(process) + " " + std::to_string(exitCode));
        return true;
    }
    std::intptr_t ShellOpen(const std::string& verb, const std::string& file, int showCommand) override {
        Record("ShellExecute " + verb + " " + file + " " + std::to_string(showCommand));
        return ShellResult;
    }

    std::vector<Window> Windows;
    std::int32_t ExitResult = 1;
    bool NtPrivileges = false;
    std::uint32_t LastError = 0;
    KernelHandle Token = 7;
    PrivilegeId Luid{19, 0};
    bool OpenProcessFails = false;
    std::intptr_t ShellResult = 42;
    int Visited = 0;
    std::vector<std::string> Calls;

private:
    void Record(std::string call) { Calls.push_back(std::move(call)); }
    const Window* Find(WindowHandle handle) const {
        for (const Window& w : Windows)
            if (w.Handle == handle) return &w;
        return nullptr;
    }
    bool m_privilegeEnabled = false;
};

}  // namespace ambrel::testing
