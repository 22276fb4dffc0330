#include "shared/cSystemInfo.h"

#include <limits>
#include <vector>

#include "shared/cOSInfo.h"
#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {
constexpr const char* kSource = "cSystemInfo";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

std::string LogonNameOf(ISystemFacts& facts) {
    // 256 blanks, of which the call may use 255: a failed call leaves only blanks.
    std::vector<char> buffer(256, ' ');
    std::uint32_t size = 255;
    bool ok = facts.QueryUserName(buffer.data(), size);
    std::string name = CutAtTerminator(std::string(buffer.begin(), buffer.end()));
    // A failed call counts as nobody logged on, whatever it left in the buffer.
    if (!ok || Trim(name).empty()) return kUnknownLogonName;
    return name;
}
}  // namespace

cSystemInfo::cSystemInfo(IRegistryBackend& registry, ISystemFacts& facts) : m_registry(registry) {
    m_logonName = LogonNameOf(facts);
    m_logonNameExact = facts.UserNameIsExact();

    // NT 4 always has user profiles; Windows 95 and 98 have them when set up.
    if (cOSInfo(facts).isWinNT4()) {
        m_MultiUsers = true;
    } else {
        std::string profiles;
        RegHandle key = 0;
        if (m_registry.RegOpenKey(m_registry.HKEY_LOCAL_MACHINE(), "Network\\Logon", key)) {
            m_registry.RegQueryStringValue(key, "UserProfiles", profiles);
            m_registry.RegCloseKey(key);
        }
        m_MultiUsers = !Trim(profiles).empty() || m_logonName != kUnknownLogonName;
    }

    m_StartMenuDir = ReadShellFolder("Programs");
    m_StartupFolder = ReadShellFolder("Startup");
    m_localAppData = Trim(ReadShellFolder("Local AppData"));
    RegHandle folders = 0;
    if (m_registry.RegOpenKey(m_registry.HKEY_LOCAL_MACHINE(), kShellFolders, folders)) {
        if (!m_registry.RegQueryStringValue(folders, "Common Startup", m_commonStartup)) m_commonStartup.clear();
        m_registry.RegCloseKey(folders);
    }
    while (!m_localAppData.empty() && m_localAppData.back() == '\\') m_localAppData.pop_back();
    if (Trim(m_StartupFolder).empty() || Trim(m_StartMenuDir).empty())
        throw RuntimeError(kErrEnvironment, kSource, "Unable to locate Startup directory");

    RegHandle key = 0;
    if (m_registry.RegOpenKey(m_registry.HKEY_CURRENT_USER(), kExplorer, key)) {
        std::int32_t setting = 0;
        bool found = m_registry.RegQueryNumericValue(key, "Shutdown setting", setting);
        m_registry.RegCloseKey(key);
        // A value no Shut Down dialog stores keeps the default: the programs
        // only ever preselect a choice with it.
        if (found && setting >= std::numeric_limits<std::int16_t>::min() &&
            setting <= std::numeric_limits<std::int16_t>::max())
            m_LastShutdownSetting = static_cast<std::int16_t>(setting);
    }
}

std::string cSystemInfo::ReadShellFolder(const std::string& valueName) {
    std::string folder;
    RegHandle key = 0;
    if (m_registry.RegOpenKey(m_registry.HKEY_CURRENT_USER(), kShellFolders, key)) {
        if (!m_registry.RegQueryStringValue(key, valueName, folder)) folder.clear();
        m_registry.RegCloseKey(key);
    }
    return folder;
}

}  // namespace ambrel
