#include "shared/cExitWindows.h"

#include <exception>
#include <utility>

#include "shared/OwnWindowHandle.h"
#include "shared/errors.h"

namespace ambrel {

namespace {

constexpr const char* kSource = "cExitWindows";
constexpr std::uint32_t kReserved = 0xFFF;
constexpr std::uint32_t kAnswerTimeoutMs = 5000;
constexpr std::uint32_t kErrorPrivilegeNotHeld = 1314;

// The window sweep's callback. Errors are held here and raised again once
// EnumWindows has returned: they must not unwind through the system's code.
// The first error stops the enumeration, so a sweep without its own window
// handle leaves every window alone.
class EndSessionEnumProc final : public ISessionControl::IWindowVisitor {
public:
    explicit EndSessionEnumProc(ISessionControl& session) : m_session(session) {}

    bool Visit(WindowHandle window) noexcept override {
        try {
            if (OwnWindowHandle() == 0)
                throw RuntimeError(kErrEnvironment, kSource, "My Window Handle wasn't set");
            if (window != OwnWindowHandle()) EndSessionOf(window);
            return true;
        } catch (...) {
            m_error = std::current_exception();
            return false;
        }
    }

    void RaiseHeldError() const {
        if (m_error) std::rethrow_exception(m_error);
    }

private:
    void EndSessionOf(WindowHandle window) {
        // Whatever the window answers, it is told that the session ends now;
        // only a window that does not answer at all gets its program ended.
        if (m_session.SendWithTimeout(window, kWmQueryEndSession, 0, 0, kSmtoAbortIfHung, kAnswerTimeoutMs)) {
            m_session.SendWithTimeout(window, kWmEndSession, 1, 0, kSmtoAbortIfHung, kAnswerTimeoutMs);
            return;
        }
        std::uint32_t processId = m_session.WindowProcessId(window);
        KernelHandle process = m_session.OpenProcessById(kProcessTerminate | kProcessQueryInformation, processId);
        if (process == 0) return;
        m_session.TerminateProcessHandle(process, 0);
        m_session.CloseKernelHandle(process);
    }

    ISessionControl& m_session;
    std::exception_ptr m_error;
};

// The run-time error number that a failed start of a file raises, from the
// shell's error code.
std::int32_t StartErrorNumber(std::intptr_t shellResult) {
    switch (shellResult) {
        case 2: return kErrFileNotFound;      // ERROR_FILE_NOT_FOUND
        case 3: return kErrPathNotFound;      // ERROR_PATH_NOT_FOUND
        case 5: return kErrPermissionDenied;  // SE_ERR_ACCESSDENIED
        case 0:                               // out of memory or resources
        case 8: return 7;                     // SE_ERR_OOM: "Out of memory"
        case 26: return kErrPathFileAccess;   // SE_ERR_SHARE
        default: return 5;                    // not runnable: "Invalid procedure call or argument"
    }
}

}  // namespace

cExitWindows::cExitWindows(ISessionControl& session, ISystemFacts& facts, AppIdentity app)
    : m_session(session), m_facts(facts), m_app(std::move(app)) {}

void cExitWindows::OsInfoClass(std::shared_ptr<const cOSInfo> info) {
    m_osInfo = std::move(info);
    m_osInfoGiven = m_osInfo != nullptr;
}

void cExitWindows::SetLogoffComputer() {
    m_endingKind = 0;
    m_luFlags = -1;
}

void cExitWindows::SetShutdownComputer() {
    m_endingKind = 1;
    m_luFlags = -1;
}

void cExitWindows::SetRestartComputer() {
    m_endingKind = 2;
    m_luFlags = -1;
}

void cExitWindows::SetRestartInMsDOSMode() {
    if (!m_osInfoGiven) throw RuntimeError(kErrEnvironment, kSource, "OS Type not set yet.  Call support.");
    m_endingKind = m_osInfo->isWinNT4() ? 1 : kRestartInMsDosMode;
    m_luFlags = -1;
}

std::int32_t cExitWindows::GetFlagsValue() const {
    if (m_luFlags >= 0) return m_luFlags;
    switch (m_endingKind) {
        case 0:
        case 1:
        case 2:
        case kRestartInMsDosMode:
            return m_endingKind;
        default:
            return 1;
    }
}

std::int32_t cExitWindows::exitWindows(std::int32_t lPassedFlag) {
    if (!m_osInfo) m_osInfo = std::make_shared<const cOSInfo>(m_facts);
    m_refusal.clear();
    // Every NT-family system refuses a shut down, a restart or a power off to
    // a process whose shutdown privilege is not enabled.
    const bool nt = m_osInfo->isNtFamily();
    if (nt) EnableShutdownPrivilege();

    std::int32_t flags = lPassedFlag >= 0 ? lPassedFlag : GetFlagsValue();
    const bool msDosMode = flags == kRestartInMsDosMode;
    if (!msDosMode && flags == static_cast<std::int32_t>(kEwxShutdown) && m_powerOff)
        flags = kEwxShutdown | kEwxPowerOff;

    if (m_forceLogoff) {
        // NT ends the programs itself: NT 4 by force, later systems those
        // that do not answer (as the sweep does), and only once the request
        // is taken. Windows 95 and 98 know no such flag, so every window is
        // asked to end its session first. The MS-DOS marker never gets a flag.
        if (nt) {
            if (!msDosMode) flags |= m_osInfo->isWinNT3() || m_osInfo->isWinNT4() ? kEwxForce : kEwxForceIfHung;
        } else {
            EndSessionOfEveryWindow();
        }
    }

    if (msDosMode) {
        std::intptr_t started = m_session.ShellOpen("open", m_app.ProgramDirectory + "\\ExitToDos.PIF", kSwShowMinimized);
        if (started > 32) return 0;
        m_refusal = "Windows could not be restarted in MS-DOS mode: " + m_app.ProgramDirectory +
                    "\\ExitToDos.PIF could not be started (" + DescribeError(StartErrorNumber(started)) + ").";
        return StartErrorNumber(started);
    }
    const std::int32_t accepted = m_session.RequestSessionEnd(static_cast<std::uint32_t>(flags), kReserved);
    if (!accepted) {
        const std::uint32_t error = m_session.LastRequestError();
        m_refusal = "Windows did not end the session (system error " + std::to_string(error) +
                    (error == kErrorPrivilegeNotHeld ? ": the shutdown privilege is not held" : "") + ").";
    }
    return accepted;
}

void cExitWindows::EnableShutdownPrivilege() {
    // No step is checked: a failure shows when Windows refuses the request.
    KernelHandle token = m_session.OpenOwnProcessToken(kTokenAdjustPrivileges | kTokenQuery);
    PrivilegeSet set;
    m_session.LookupPrivilege("", "SeShutdownPrivilege", set.Id);
    set.Count = 1;
    set.Attributes = kSePrivilegeEnabled;
    m_session.AdjustPrivileges(token, false, set, 16);
    if (token != 0) m_session.CloseKernelHandle(token);
}

void cExitWindows::EndSessionOfEveryWindow() {
    EndSessionEnumProc proc(m_session);
    m_session.EnumTopLevelWindows(proc);
    proc.RaiseHeldError();
}

}  // namespace ambrel
