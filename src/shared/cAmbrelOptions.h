#pragma once
// The options record: one property per option, loaded from and saved to
// Software\<product>\Options. AllUsersUseSame always lives under
// HKEY_LOCAL_MACHINE and decides whether the other options live there (one set
// for all users) or under HKEY_CURRENT_USER (one set per user).

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "shared/cAppRegAPI.h"
#include "shared/platform.h"

namespace ambrel {

class cAmbrelOptions {
public:
    cAmbrelOptions(IRegistryBackend& backend, const AppIdentity& app);

    // Loads the record. Without stored options (no AllUsersUseSame) it returns
    // false, unless CreateDefault, which stores "T" and every default.
    // A Logging text that cannot be read as a 16-bit number takes the
    // default 1, as ShutdownOption does out of range, and is named in
    // UnreadableOptions (what is stored is left as it is).
    bool GetOptions(bool CreateDefault);
    // After GetOptions: why an option took its default, or "".
    const std::string& UnreadableOptions() const { return m_unreadable; }
    // Writes every option (AllUsersUseSame, which lives under HKEY_LOCAL_MACHINE
    // for everybody, only when it changes); true when every write was taken.
    // Otherwise FailedWrites names the options that were not written, and
    // WritesDenied says whether the system refused them for want of the right.
    bool SaveOptions();
    const std::vector<std::string>& FailedWrites() const { return m_failedWrites; }
    // Writes AllUsersUseSame alone: the choice, without anybody's options.
    bool SaveAllUsersChoice();
    bool WritesDenied() const { return m_writesDenied; }
    // Whether this user may change what is stored under `root` (an option is
    // written again with the value it has): HKEY_LOCAL_MACHINE needs an
    // administrator's rights in effect.
    bool MayWriteOptions(RegHandle root);

    bool AllUsersUseSame() const { return m_AllUsersUseSame; }
    void AllUsersUseSame(bool v) { m_AllUsersUseSame = v; }
    bool QueryClose() const { return m_QueryClose; }
    void QueryClose(bool v) { m_QueryClose = v; }
    std::int16_t ShutdownOption() const { return m_ShutdownOption; }
    void ShutdownOption(std::int16_t v) { m_ShutdownOption = v; }
    const std::string& ShutdownDialogTitle() const { return m_ShutdownDialogTitle; }
    void ShutdownDialogTitle(const std::string& v) { m_ShutdownDialogTitle = v; }
    bool ForceLogoff() const { return m_ForceLogoff; }
    void ForceLogoff(bool v) { m_ForceLogoff = v; }
    bool PowerOff() const { return m_PowerOff; }
    void PowerOff(bool v) { m_PowerOff = v; }
    bool AllowUsersToDisable() const { return m_AllowUsersToDisable; }
    void AllowUsersToDisable(bool v) { m_AllowUsersToDisable = v; }
    const std::string& WinShutdownType() const { return m_WinShutdownType; }
    void WinShutdownType(const std::string& v) { m_WinShutdownType = v; }
    const std::string& RunCommands() const { return m_RunCommands; }
    void RunCommands(const std::string& v) { m_RunCommands = v; }
    const std::string& RunMinimized() const { return m_RunMinimized; }
    void RunMinimized(const std::string& v) { m_RunMinimized = v; }
    bool ShutWindowsOnTime() const { return m_ShutWindowsOnTime; }
    void ShutWindowsOnTime(bool v) { m_ShutWindowsOnTime = v; }
    const std::string& ShutWindowsTime() const { return m_ShutWindowsTime; }
    void ShutWindowsTime(const std::string& v) { m_ShutWindowsTime = v; }
    bool TimeOutPrograms() const { return m_TimeOutPrograms; }
    void TimeOutPrograms(bool v) { m_TimeOutPrograms = v; }
    const std::string& TimeOutProgramMinutes() const { return m_TimeOutProgramMinutes; }
    void TimeOutProgramMinutes(const std::string& v) { m_TimeOutProgramMinutes = v; }
    std::int16_t Logging() const { return m_Logging; }
    void Logging(std::int16_t v) { m_Logging = v; }
    const std::string& LogDir() const { return m_LogDir; }
    void LogDir(const std::string& v) { m_LogDir = v; }
    const std::string& RegSoftwareKey() const { return m_RegSoftwareKey; }

    // The running monitor's window handle, read and written straight through.
    std::int32_t AmbrelHandle();
    void AmbrelHandle(std::int32_t hwnd);

    // The root the options were last loaded from or saved to; 0 before that.
    RegHandle OptionsRoot() const { return m_root; }

    // Whether an administrator's policy set the option (its registry name):
    // a value under Software\Policies\<product>\Options, the machine's
    // before the user's. It wins over the stored one and is never written.
    bool Locked(const std::string& name) const { return m_locked.count(name) > 0; }
    bool AnyLocked() const { return !m_locked.empty(); }

private:
    // The policy's value of the option, when there is one (and it is locked):
    // `query` reads it from the open policy key, the machine's first.
    bool Policy(const char* name, const std::function<bool(cRegistryAPI&, RegHandle)>& query);
    bool PolicyText(const char* name, std::string& value);
    bool PolicyNumber(const char* name, std::int32_t& value);
    void ChooseRoot();
    std::string GetText(const char* name, const std::string& defaultValue);
    bool GetFlagText(const char* name, const char* defaultValue);
    bool GetFlagNumber(const char* name, std::int32_t defaultValue);
    void SetText(const char* name, const std::string& value);
    void SetFlagText(const char* name, bool value);
    void SetFlagNumber(const char* name, bool value);
    void SetNumber(const char* name, std::int32_t value);
    // Notes a write that was not taken.
    void Written(bool ok, const char* name);

    cAppRegAPI m_store;
    std::set<std::string> m_locked;
    std::string m_RegSoftwareKey;
    std::string m_programDirectory;
    RegHandle m_root = 0;

    bool m_AllUsersUseSame = false;
    bool m_QueryClose = false;
    std::int16_t m_ShutdownOption = 0;
    std::string m_ShutdownDialogTitle;
    bool m_ForceLogoff = false;
    bool m_PowerOff = false;
    bool m_AllowUsersToDisable = false;
    std::string m_WinShutdownType;
    std::string m_RunCommands;
    std::string m_RunMinimized;
    bool m_ShutWindowsOnTime = false;
    std::string m_ShutWindowsTime;
    bool m_TimeOutPrograms = false;
    std::string m_TimeOutProgramMinutes;
    std::int16_t m_Logging = 0;
    std::string m_unreadable;
    std::string m_LogDir;
    std::vector<std::string> m_failedWrites;
    bool m_writesDenied = false;
};

}  // namespace ambrel
