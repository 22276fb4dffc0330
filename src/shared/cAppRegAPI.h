#pragma once
// Named settings of the application under Software\<SoftwareKey>\<sub-key> of
// a root the caller chooses. Reading a missing setting creates its key and
// writes the caller's default, so every setting shows in the registry after the
// first run. Nothing is raised; failures show only in the results.

#include <cstdint>
#include <string>

#include "shared/cRegistryAPI.h"

#pragma push_macro("HKEY_CLASSES_ROOT")
#pragma push_macro("HKEY_CURRENT_USER")
#pragma push_macro("HKEY_LOCAL_MACHINE")
#pragma push_macro("HKEY_USERS")
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS

namespace ambrel {

class cAppRegAPI {
public:
    cAppRegAPI(IRegistryBackend& backend, const std::string& productName)
        : m_backend(backend), m_registry(backend), m_softwareKey(productName) {}

    RegHandle HKEY_CLASSES_ROOT() const { return m_registry.HKEY_CLASSES_ROOT(); }
    RegHandle HKEY_CURRENT_USER() const { return m_registry.HKEY_CURRENT_USER(); }
    RegHandle HKEY_LOCAL_MACHINE() const { return m_registry.HKEY_LOCAL_MACHINE(); }
    RegHandle HKEY_USERS() const { return m_registry.HKEY_USERS(); }

    void SoftwareKey(const std::string& name) { m_softwareKey = name; }

    std::string GetStringSetting(RegHandle lHKey, const std::string& strSubkey,
                                 const std::string& strProgramsKey, const std::string& szDefault);
    // A negative bound means no bound; an out-of-range value is replaced by the
    // default in the registry too.
    std::int32_t GetNumericSetting(RegHandle lHKey, const std::string& strSubkey,
                                   const std::string& strProgramsKey, std::int32_t lDefault,
                                   std::int32_t lLowRange, std::int32_t lHighRange);
    bool SetStringSetting(RegHandle lHKey, const std::string& strSubkey, const std::string& strProgramsKey,
                          const std::string& strValue);
    bool SetNumericSetting(RegHandle lHKey, const std::string& strSubkey, const std::string& strProgramsKey,
                           std::int32_t lValue);
    // The status of the last registry open, create or write (cRegistryAPI).
    long LastStatus() const { return m_registry.LastStatus(); }
    IRegistryBackend& Backend() { return m_backend; }

private:
    std::string BasePath() const { return "Software\\" + m_softwareKey; }
    std::string FullPath(const std::string& strSubkey) const { return BasePath() + "\\" + strSubkey; }
    // Opens the full path, or creates it when it cannot be opened.
    bool OpenOrCreate(RegHandle lHKey, const std::string& strSubkey, RegHandle& key);

    IRegistryBackend& m_backend;
    cRegistryAPI m_registry;
    std::string m_softwareKey;
};

}  // namespace ambrel

#pragma pop_macro("HKEY_USERS")
#pragma pop_macro("HKEY_LOCAL_MACHINE")
#pragma pop_macro("HKEY_CURRENT_USER")
#pragma pop_macro("HKEY_CLASSES_ROOT")
