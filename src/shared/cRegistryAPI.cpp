#include "shared/cRegistryAPI.h"

#include <vector>

namespace ambrel {

namespace {
constexpr std::uint32_t kEnumNameBuffer = 300;
constexpr std::uint32_t kEnumDataBuffer = 500;
}  // namespace

std::string CutAtTerminator(const std::string& text) {
    auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

bool cRegistryAPI::RegOpenKey(RegHandle hKey, const std::string& lpszSubKey, RegHandle& phkResult) {
    RegHandle opened = 0;
    if ((m_lastStatus = m_backend.OpenKey(hKey, lpszSubKey, opened)) != kErrorSuccess) return false;
    phkResult = opened;
    return true;
}

bool cRegistryAPI::RegCreateKey(RegHandle hKey, const std::string& lpszSubKeyPermanent,
                                const std::string& lpszSubKeyRemovable, RegHandle& phkResult) {
    if (lpszSubKeyPermanent.empty()) return false;
    std::string removable = lpszSubKeyRemovable;
    if (!removable.empty() && removable.front() == '\\') removable.erase(0, 1);
    std::string path = removable.empty() ? lpszSubKeyPermanent : lpszSubKeyPermanent + "\\" + removable;
    RegHandle created = 0;
    if ((m_lastStatus = m_backend.CreateKey(hKey, path, created)) != kErrorSuccess) return false;
    phkResult = created;
    return true;
}

bool cRegistryAPI::RegCloseKey(RegHandle hKey) { return m_backend.CloseKey(hKey) == kErrorSuccess; }

bool cRegistryAPI::RegDeleteKey(RegHandle hKey, const std::string& lpszSubKey) {
    return m_backend.DeleteKey(hKey, lpszSubKey) == kErrorSuccess;
}

bool cRegistryAPI::RegDeleteValue(RegHandle hKey, const std::string& lpszValue) {
    return m_backend.DeleteValue(hKey, lpszValue) == kErrorSuccess;
}

bool cRegistryAPI::RegQueryStringValue(RegHandle hKey, const std::string& strValueName,
                                       std::string& strData) {
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    if (m_backend.QueryValue(hKey, strValueName, &type, nullptr, &size) != kErrorSuccess) return false;
    if (type != kRegSz) return false;
    std::vector<std::uint8_t> buffer(size, static_cast<std::uint8_t>(' '));
    std::uint32_t got = size;
    if (m_backend.QueryValue(hKey, strValueName, &type, buffer.empty() ? nullptr : buffer.data(),
                             &got) != kErrorSuccess)
        return false;
    // The second read may report fewer bytes than the first; never read past them.
    if (got < buffer.size()) buffer.resize(got);
    strData = CutAtTerminator(std::string(buffer.begin(), buffer.end()));
    return true;
}

bool cRegistryAPI::RegQueryNumericValue(RegHandle hKey, const std::string& strValueName,
                                        std::int32_t& lData) {
    std::uint8_t data[4] = {0, 0, 0, 0};
    std::uint32_t type = kRegNone;
    std::uint32_t size = sizeof data;
    if (m_backend.QueryValue(hKey, strValueName, &type, data, &size) != kErrorSuccess) return false;
    if (type != kRegDword || size != 4) return false;
    lData = static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) |
                                      static_cast<std::uint32_t>(data[1]) << 8 |
                                      static_cast<std::uint32_t>(data[2]) << 16 |
                                      static_cast<std::uint32_t>(data[3]) << 24);
    return true;
}

bool cRegistryAPI::RegSetStringValue(RegHandle hKey, const std::string& strValueName,
                                     const std::string& strData) {
    if (hKey == 0) return false;
    // The stored length counts the terminating zero.
    std::string withTerminator = strData;
    withTerminator.push_back('\0');
    m_lastStatus = m_backend.SetValue(hKey, strValueName, kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(withTerminator.data()),
                                      static_cast<std::uint32_t>(withTerminator.size()));
    return m_lastStatus == kErrorSuccess;
}

bool cRegistryAPI::RegSetNumericValue(RegHandle hKey, const std::string& strValueName, std::int32_t lData) {
    auto u = static_cast<std::uint32_t>(lData);
    std::uint8_t data[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    m_lastStatus = m_backend.SetValue(hKey, strValueName, kRegDword, data, 4);
    return m_lastStatus == kErrorSuccess;
}

bool cRegistryAPI::RegEnumKey(RegHandle hKey, std::int32_t i, std::string& strKeyName) {
    if (i < 0) return false;
    std::string buffer(kEnumNameBuffer, ' ');
    if (m_backend.EnumKey(hKey, static_cast<std::uint32_t>(i), buffer.data(), kEnumNameBuffer) !=
        kErrorSuccess)
        return false;
    strKeyName = CutAtTerminator(buffer);
    return true;
}

bool cRegistryAPI::RegEnumValue(RegHandle hKey, std::int32_t i, std::string& strKeyName) {
    if (i < 0) return false;
    std::string buffer(kEnumNameBuffer, ' ');
    std::uint32_t nameSize = kEnumNameBuffer;
    std::uint8_t data[kEnumDataBuffer];
    std::uint32_t dataSize = kEnumDataBuffer;
    std::uint32_t type = kRegNone;
    if (m_backend.EnumValue(hKey, static_cast<std::uint32_t>(i), buffer.data(), &nameSize, &type, data,
                            &dataSize) != kErrorSuccess)
        return false;
    strKeyName = CutAtTerminator(buffer);
    return true;
}

}  // namespace ambrel
