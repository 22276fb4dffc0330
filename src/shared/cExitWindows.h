#pragma once
// Ends the Windows session: log off, shut down (optionally powering off),
// restart, or restart in MS-DOS mode, optionally forcing programs to end.
//
// Ending flags: those of ExitWindowsEx (log off 0, shut down 1, restart 2,
// force 4, power off 8), and 99 for a restart in MS-DOS mode, which never
// reaches Windows. The launcher hands the same numbers to the monitor.

#include <cstdint>
#include <memory>
#include <string>

#include "shared/cOSInfo.h"
#include "shared/platform.h"

namespace ambrel {

inline constexpr std::int32_t kRestartInMsDosMode = 99;

class cExitWindows {
public:
    // `facts` serves the operating-system facts when the host assigns none;
    // `app` gives the program directory that holds ExitToDos.PIF.
    cExitWindows(ISessionControl& session, ISystemFacts& facts, AppIdentity app);

    void OsInfoClass(std::shared_ptr<const cOSInfo> info);
    void ForceLogoff(bool value) { m_forceLogoff = value; }
    void PowerOff(bool value) { m_powerOff = value; }
    // Explicit flags that override the ending kind; -1 for none.
    void luFlags(std::int32_t value) { m_luFlags = value; }

    void SetLogoffComputer();
    void SetShutdownComputer();
    void SetRestartComputer();
    // A shutdown on Windows NT 4 (it has no MS-DOS mode), 99 elsewhere. Raises
    // error 999 when no OsInfoClass was assigned.
    void SetRestartInMsDOSMode();

    std::int32_t GetFlagsValue() const;

    // Ends the session with `lPassedFlag`, or with the chosen ending when it is
    // negative. The result is ExitWindowsEx's (non-zero when accepted); for a
    // restart in MS-DOS mode 0 when the PIF file was started, else the
    // run-time error number of the failed start.
    std::int32_t exitWindows(std::int32_t lPassedFlag);
    // Why the last exitWindows did not end the session, for the log and the
    // user; "" when the system took the request.
    const std::string& Refusal() const { return m_refusal; }

private:
    void EnableShutdownPrivilege();
    void EndSessionOfEveryWindow();

    ISessionControl& m_session;
    ISystemFacts& m_facts;
    AppIdentity m_app;
    std::shared_ptr<const cOSInfo> m_osInfo;
    bool m_osInfoGiven = false;
    bool m_forceLogoff = false;
    bool m_powerOff = false;
    std::int32_t m_luFlags = -1;
    std::int32_t m_endingKind = -1;
    std::string m_refusal;
};

}  // namespace ambrel
