#pragma once
// Who is logged on and where the user's Start-menu folders are, read once when
// the object is created.

#include <cstdint>
#include <string>

#include "shared/cRegistryAPI.h"
#include "shared/platform.h"

namespace ambrel {

class cSystemInfo {
public:
    // Raises RuntimeError 999 "Unable to locate Startup directory" when either
    // Start-menu folder is unknown, and error 6 (overflow) when the stored
    // Shut Down choice does not fit 16 bits.
    cSystemInfo(IRegistryBackend& registry, ISystemFacts& facts);

    const std::string& logonName() const { return m_logonName; }
    // false when the name did not survive the code page whole.
    bool logonNameExact() const { return m_logonNameExact; }
    // The user's local application data folder ("" where the system has none),
    // and Ambrel's own folder in it: where the user's traces go.
    const std::string& LocalAppDataFolder() const { return m_localAppData; }
    std::string TrailFolder() const { return m_localAppData.empty() ? std::string() : m_localAppData + "\\Ambrel"; }
    bool MultiUsers() const { return m_MultiUsers; }
    const std::string& StartMenuDir() const { return m_StartMenuDir; }
    const std::string& StartupFolder() const { return m_StartupFolder; }
    // Every user's Startup folder ("" where the system has none).
    const std::string& CommonStartupFolder() const { return m_commonStartup; }
    // -1 when Windows keeps no choice of its Shut Down dialog.
    std::int16_t LastShutdownSetting() const { return m_LastShutdownSetting; }

private:
    std::string ReadShellFolder(const std::string& valueName);

    cRegistryAPI m_registry;
    std::string m_logonName;
    bool m_logonNameExact = true;
    std::string m_localAppData;
    bool m_MultiUsers = false;
    std::string m_StartMenuDir;
    std::string m_StartupFolder;
    std::string m_commonStartup;
    std::int16_t m_LastShutdownSetting = -1;
};

inline constexpr const char* kUnknownLogonName = "<Unknown>";

}  // namespace ambrel
