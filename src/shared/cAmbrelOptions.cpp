#include "shared/cAmbrelOptions.h"

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {
const char* const kSubkey = "Options";
const char* const kSource = "cAmbrelOptions";

bool IsTrueText(const std::string& text) { return text == "T" || text == "t"; }
}  // namespace

cAmbrelOptions::cAmbrelOptions(IRegistryBackend& backend, const AppIdentity& app)
    : m_store(backend, app.ProductName),
      m_RegSoftwareKey(app.ProductName),
      m_programDirectory(app.ProgramDirectory) {}

void cAmbrelOptions::ChooseRoot() {
    m_root = m_AllUsersUseSame ? m_store.HKEY_LOCAL_MACHINE() : m_store.HKEY_CURRENT_USER();
}

bool cAmbrelOptions::Policy(const char* name, const std::function<bool(cRegistryAPI&, RegHandle)>& query) {
    cRegistryAPI reader(m_store.Backend());
    const std::string path = "Software\\Policies\\" + m_RegSoftwareKey + "\\" + kSubkey;
    for (RegHandle root : {m_store.HKEY_LOCAL_MACHINE(), m_store.HKEY_CURRENT_USER()}) {
        RegHandle key = 0;
        if (!reader.RegOpenKey(root, path, key)) continue;
        const bool found = query(reader, key);
        reader.RegCloseKey(key);
        if (found) {
            m_locked.insert(name);
            return true;
        }
    }
    return false;
}

bool cAmbrelOptions::PolicyText(const char* name, std::string& value) {
    return Policy(name, [&](cRegistryAPI& reader, RegHandle key) { return reader.RegQueryStringValue(key, name, value); });
}

bool cAmbrelOptions::PolicyNumber(const char* name, std::int32_t& value) {
    return Policy(name,
                  [&](cRegistryAPI& reader, RegHandle key) { return reader.RegQueryNumericValue(key, name, value); });
}

std::string cAmbrelOptions::GetText(const char* name, const std::string& defaultValue) {
    std::string policy;
    if (PolicyText(name, policy)) return policy;
    return m_store.GetStringSetting(m_root, kSubkey, name, defaultValue);
}

bool cAmbrelOptions::GetFlagText(const char* name, const char* defaultValue) {
    return IsTrueText(GetText(name, defaultValue));
}

bool cAmbrelOptions::GetFlagNumber(const char* name, std::int32_t defaultValue) {
    std::int32_t policy = 0;
    if (PolicyNumber(name, policy)) return policy != 0;
    return m_store.GetNumericSetting(m_root, kSubkey, name, defaultValue, -1, -1) != 0;
}

void cAmbrelOptions::Written(bool ok, const char* name) {
    if (ok) return;
    m_failedWrites.push_back(name);
    if (m_store.LastStatus() == kErrorAccessDenied) m_writesDenied = true;
}

void cAmbrelOptions::SetText(const char* name, const std::string& value) {
    if (Locked(name)) return;  // the policy's, not the store's
    Written(m_store.SetStringSetting(m_root, kSubkey, name, value), name);
}

void cAmbrelOptions::SetFlagText(const char* name, bool value) { SetText(name, value ? "T" : "F"); }

void cAmbrelOptions::SetFlagNumber(const char* name, bool value) { SetNumber(name, value ? -1 : 0); }

void cAmbrelOptions::SetNumber(const char* name, std::int32_t value) {
    if (Locked(name)) return;
    Written(m_store.SetNumericSetting(m_root, kSubkey, name, value), name);
}

bool cAmbrelOptions::GetOptions(bool CreateDefault) {
    const RegHandle machine = m_store.HKEY_LOCAL_MACHINE();
    m_locked.clear();
    std::string allUsers;
    if (!PolicyText("AllUsersUseSame", allUsers))
        allUsers = m_store.GetStringSetting(machine, kSubkey, "AllUsersUseSame", "");
    if (allUsers.empty()) {
        if (!CreateDefault) return false;
        allUsers = "T";
        m_store.SetStringSetting(machine, kSubkey, "AllUsersUseSame", allUsers);
    }
    m_AllUsersUseSame = EqualsNoCase(allUsers, "T");
    ChooseRoot();

    m_QueryClose = GetFlagText("QueryClose", "T");
    std::int32_t option = 0;
    m_ShutdownOption = PolicyNumber("ShutdownOption", option) && option >= 1 && option <= 3
                           ? static_cast<std::int16_t>(option)
                           : static_cast<std::int16_t>(m_store.GetNumericSetting(m_root, kSubkey, "ShutdownOption", 1, 1, 3));
    if (m_ShutdownOption != option) m_locked.erase("ShutdownOption");  // a policy out of range counts for nothing
    m_ShutdownDialogTitle = GetText("ShutDownDialogTitle", "Shut Down Windows");
    m_ForceLogoff = GetFlagNumber("ForceLogoff", 0);
    m_PowerOff = GetFlagNumber("PowerOff", 0);
    m_AllowUsersToDisable = GetFlagNumber("AllowUsersToDisable", -1);
    m_WinShutdownType = GetText("WinShutdownType", "1");
    m_RunCommands = GetText("RunCommands", "C");
    m_RunMinimized = GetText("RunMinimized", "S");
    m_ShutWindowsOnTime = GetFlagText("ShutWindowsOnTime", "F");
    m_ShutWindowsTime = GetText("ShutWindowsTime", "12:00 AM");
    m_TimeOutPrograms = GetFlagText("TimeOutPrograms", "F");
    m_TimeOutProgramMinutes = GetText("TimeOutProgramMinutes", "120");
    m_unreadable.clear();
    const std::string logging = GetText("Logging", "1");
    try {
        m_Logging = CIntText(logging, kSource);
    } catch (const RuntimeError& error) {
        m_Logging = 1;
        m_unreadable = "The option Logging (\"" + logging + "\") could not be read (" + error.Info().Description +
                       "): nothing is logged.";
    }
    m_LogDir = GetText("LogDir", m_programDirectory + "\\Data\\ambrel.log");
    return true;
}

bool cAmbrelOptions::SaveOptions() {
    m_failedWrites.clear();
    m_writesDenied = false;
    const RegHandle machine = m_store.HKEY_LOCAL_MACHINE();
    const std::string allUsers = m_AllUsersUseSame ? "T" : "F";
    // A user's own options are theirs to save without touching the machine's.
    RegHandle key = 0;
    std::string stored;
    cRegistryAPI reader(m_store.Backend());
    const bool same = reader.RegOpenKey(machine, "Software\\" + m_RegSoftwareKey + "\\" + kSubkey, key) &&
                      reader.RegQueryStringValue(key, "AllUsersUseSame", stored) && stored == allUsers;
    if (key) reader.RegCloseKey(key);
    if (!same && !Locked("AllUsersUseSame"))
        Written(m_store.SetStringSetting(machine, kSubkey, "AllUsersUseSame", allUsers), "AllUsersUseSame");
    ChooseRoot();
    SetFlagText("QueryClose", m_QueryClose);
    SetNumber("ShutdownOption", m_ShutdownOption);
    SetText("ShutDownDialogTitle", m_ShutdownDialogTitle);
    SetFlagNumber("ForceLogoff", m_ForceLogoff);
    SetFlagNumber("PowerOff", m_PowerOff);
    SetFlagNumber("AllowUsersToDisable", m_AllowUsersToDisable);
    SetText("WinShutdownType", m_WinShutdownType);
    SetText("RunCommands", m_RunCommands);
    SetText("RunMinimized", m_RunMinimized);
    SetFlagText("ShutWindowsOnTime", m_ShutWindowsOnTime);
    SetText("ShutWindowsTime", m_ShutWindowsTime);
    SetFlagText("TimeOutPrograms", m_TimeOutPrograms);
    SetText("TimeOutProgramMinutes", m_TimeOutProgramMinutes);
    SetText("Logging", Str(m_Logging));
    SetText("LogDir", m_LogDir);
    return m_failedWrites.empty();
}

bool cAmbrelOptions::SaveAllUsersChoice() {
    m_failedWrites.clear();
    m_writesDenied = false;
    if (!Locked("AllUsersUseSame"))
        Written(m_store.SetStringSetting(m_store.HKEY_LOCAL_MACHINE(), kSubkey, "AllUsersUseSame",
                                     m_AllUsersUseSame ? "T" : "F"),
            "AllUsersUseSame");
    ChooseRoot();
    return m_failedWrites.empty();
}

bool cAmbrelOptions::MayWriteOptions(RegHandle root) {
    const RegHandle machine = m_store.HKEY_LOCAL_MACHINE();
    cRegistryAPI reader(m_store.Backend());
    RegHandle key = 0;
    std::string value;
    const std::string path = "Software\\" + m_RegSoftwareKey + "\\" + kSubkey;
    const char* probe = root == machine ? "AllUsersUseSame" : "QueryClose";
    const bool known = reader.RegOpenKey(root, path, key) && reader.RegQueryStringValue(key, probe, value);
    if (key) reader.RegCloseKey(key);
    if (!known) value = root == machine ? (m_AllUsersUseSame ? "T" : "F") : (m_QueryClose ? "T" : "F");
    return m_store.SetStringSetting(root, kSubkey, probe, value);
}

std::int32_t cAmbrelOptions::AmbrelHandle() {
    return m_store.GetNumericSetting(m_store.HKEY_LOCAL_MACHINE(), kSubkey, "AmbrelHwnd", -1, -1, -1);
}

void cAmbrelOptions::AmbrelHandle(std::int32_t hwnd) {
    m_store.SetNumericSetting(m_store.HKEY_LOCAL_MACHINE(), kSubkey, "AmbrelHwnd", hwnd);
}

}  // namespace ambrel
