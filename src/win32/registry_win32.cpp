#include "win32/registry_win32.h"

#include <windows.h>

namespace ambrel {

namespace {

// Registry handles are 32 bits wide even in 64-bit processes, and the
// predefined roots are sign-extended 32-bit values, so the conversion is exact.
HKEY ToHkey(RegHandle handle) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(handle)); }
RegHandle FromHkey(HKEY key) { return static_cast<RegHandle>(reinterpret_cast<LONG_PTR>(key)); }

}  // namespace

long Win32Registry::OpenKey(RegHandle key, const std::string& subKey, RegHandle& result) {
    HKEY opened = nullptr;
    LONG status = RegOpenKeyA(ToHkey(key), subKey.c_str(), &opened);
    if (status == ERROR_SUCCESS) result = FromHkey(opened);
    return status;
}

long Win32Registry::CreateKey(RegHandle key, const std::string& subKey, RegHandle& result) {
    HKEY created = nullptr;
    LONG status = RegCreateKeyA(ToHkey(key), subKey.c_str(), &created);
    if (status == ERROR_SUCCESS) result = FromHkey(created);
    return status;
}

long Win32Registry::CloseKey(RegHandle key) { return RegCloseKey(ToHkey(key)); }

long Win32Registry::DeleteKey(RegHandle key, const std::string& subKey) {
    return RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

long Win32Registry::DeleteValue(RegHandle key, const std::string& valueName) {
    return RegDeleteValueA(ToHkey(key), valueName.c_str());
}

long Win32Registry::QueryValue(RegHandle key, const std::string& valueName, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* dataSize) {
    DWORD t = 0;
    DWORD size = dataSize ? *dataSize : 0;
    LONG status = RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, type ? &t : nullptr, data,
                                   dataSize ? &size : nullptr);
    if (type) *type = t;
    if (dataSize) *dataSize = size;
    return status;
}

long Win32Registry::SetValue(RegHandle key, const std::string& valueName, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t dataSize) {
    return RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, dataSize);
}

long Win32Registry::EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    return RegEnumKeyA(ToHkey(key), index, name, nameSize);
}

long Win32Registry::EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    DWORD nameLength = nameSize ? *nameSize : 0;
    DWORD t = 0;
    DWORD size = dataSize ? *dataSize : 0;
    LONG status = RegEnumValueA(ToHkey(key), index, name, &nameLength, nullptr, type ? &t : nullptr, data,
                                dataSize ? &size : nullptr);
    if (nameSize) *nameSize = nameLength;
    if (type) *type = t;
    if (dataSize) *dataSize = size;
    return status;
}

}  // namespace ambrel
