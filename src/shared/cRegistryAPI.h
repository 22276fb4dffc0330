#pragma once
// Stateless registry access: one call of the registry (two for string reads)
// per operation, its status turned into a Boolean. Only REG_SZ and REG_DWORD
// values are read and written. Output arguments change only on success.

#include <cstdint>
#include <string>

#include "shared/platform.h"

// <windows.h> defines these names as macros; the class keeps its own names.
#pragma push_macro("HKEY_CLASSES_ROOT")
#pragma push_macro("HKEY_CURRENT_USER")
#pragma push_macro("HKEY_LOCAL_MACHINE")
#pragma push_macro("HKEY_USERS")
#pragma push_macro("RegOpenKey")
#pragma push_macro("RegCreateKey")
#pragma push_macro("RegDeleteKey")
#pragma push_macro("RegDeleteValue")
#pragma push_macro("RegEnumKey")
#pragma push_macro("RegEnumValue")
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef RegOpenKey
#undef RegCreateKey
#undef RegDeleteKey
#undef RegDeleteValue
#undef RegEnumKey
#undef RegEnumValue

namespace ambrel {

class cRegistryAPI {
public:
    explicit cRegistryAPI(IRegistryBackend& backend) : m_backend(backend) {}

    RegHandle HKEY_CLASSES_ROOT() const { return kRootClassesRoot; }
    RegHandle HKEY_CURRENT_USER() const { return kRootCurrentUser; }
    RegHandle HKEY_LOCAL_MACHINE() const { return kRootLocalMachine; }
    RegHandle HKEY_USERS() const { return kRootUsers; }

    bool RegOpenKey(RegHandle hKey, const std::string& lpszSubKey, RegHandle& phkResult);
    // Creates (or opens) lpszSubKeyPermanent + "\" + lpszSubKeyRemovable; an
    // empty permanent part fails without touching the registry.
    bool RegCreateKey(RegHandle hKey, const std::string& lpszSubKeyPermanent,
                      const std::string& lpszSubKeyRemovable, RegHandle& phkResult);
    bool RegCloseKey(RegHandle hKey);
    bool RegDeleteKey(RegHandle hKey, const std::string& lpszSubKey);
    bool RegDeleteValue(RegHandle hKey, const std::string& lpszValue);
    bool RegQueryStringValue(RegHandle hKey, const std::string& strValueName, std::string& strData);
    bool RegQueryNumericValue(RegHandle hKey, const std::string& strValueName, std::int32_t& lData);
    bool RegSetStringValue(RegHandle hKey, const std::string& strValueName, const std::string& strData);
    bool RegSetNumericValue(RegHandle hKey, const std::string& strValueName, std::int32_t lData);
    bool RegEnumKey(RegHandle hKey, std::int32_t i, std::string& strKeyName);
    bool RegEnumValue(RegHandle hKey, std::int32_t i, std::string& strKeyName);
    // The status of the last open, create or write: ERROR_ACCESS_DENIED (5)
    // tells a want of rights apart from a missing key.
    long LastStatus() const { return m_lastStatus; }

private:
    IRegistryBackend& m_backend;
    long m_lastStatus = kErrorSuccess;
};

// The text up to, not including, its first NUL; the whole text without one.
std::string CutAtTerminator(const std::string& text);

}  // namespace ambrel

#pragma pop_macro("RegEnumValue")
#pragma pop_macro("RegEnumKey")
#pragma pop_macro("RegDeleteValue")
#pragma pop_macro("RegDeleteKey")
#pragma pop_macro("RegCreateKey")
#pragma pop_macro("RegOpenKey")
#pragma pop_macro("HKEY_USERS")
#pragma pop_macro("HKEY_LOCAL_MACHINE")
#pragma pop_macro("HKEY_CURRENT_USER")
#pragma pop_macro("HKEY_CLASSES_ROOT")
