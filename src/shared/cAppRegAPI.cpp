#include "shared/cAppRegAPI.h"

namespace ambrel {

bool cAppRegAPI::OpenOrCreate(RegHandle lHKey, const std::string& strSubkey, RegHandle& key) {
    if (m_registry.RegOpenKey(lHKey, FullPath(strSubkey), key)) return true;
    return m_registry.RegCreateKey(lHKey, BasePath(), strSubkey, key);
}

std::string cAppRegAPI::GetStringSetting(RegHandle lHKey, const std::string& strSubkey,
                                         const std::string& strProgramsKey, const std::string& szDefault) {
    RegHandle key = 0;
    if (m_registry.RegOpenKey(lHKey, FullPath(strSubkey), key)) {
        std::string value;
        if (!m_registry.RegQueryStringValue(key, strProgramsKey, value)) {
            // Missing or of another type: the default takes its place.
            m_registry.RegSetStringValue(key, strProgramsKey, szDefault);
            value = szDefault;
        }
        m_registry.RegCloseKey(key);
        return value;
    }
    if (m_registry.RegCreateKey(lHKey, BasePath(), strSubkey, key)) {
        m_registry.RegSetStringValue(key, strProgramsKey, szDefault);
        m_registry.RegCloseKey(key);
        return szDefault;
    }
    return std::string();
}

std::int32_t cAppRegAPI::GetNumericSetting(RegHandle lHKey, const std::string& strSubkey,
                                           const std::string& strProgramsKey, std::int32_t lDefault,
                                           std::int32_t lLowRange, std::int32_t lHighRange) {
    std::int32_t value = lDefault;
    RegHandle key = 0;
    if (m_registry.RegOpenKey(lHKey, FullPath(strSubkey), key)) {
        std::int32_t stored = 0;
        if (m_registry.RegQueryNumericValue(key, strProgramsKey, stored))
            value = stored;
        else
            m_registry.RegSetNumericValue(key, strProgramsKey, lDefault);
        m_registry.RegCloseKey(key);
    } else if (m_registry.RegCreateKey(lHKey, BasePath(), strSubkey, key)) {
        m_registry.RegSetNumericValue(key, strProgramsKey, lDefault);
        m_registry.RegCloseKey(key);
    }

    bool outOfRange = false;
    if (lLowRange >= 0 && lHighRange >= 0)
        outOfRange = value < lLowRange || value > lHighRange;
    else if (lLowRange >= 0)
        outOfRange = value < lLowRange;
    else if (lHighRange >= 0)
        outOfRange = value > lHighRange;

    if (outOfRange) {
        value = lDefault;
        if (m_registry.RegOpenKey(lHKey, FullPath(strSubkey), key)) {
            m_registry.RegSetNumericValue(key, strProgramsKey, lDefault);
            m_registry.RegCloseKey(key);
        }
    }
    return value;
}

bool cAppRegAPI::SetStringSetting(RegHandle lHKey, const std::string& strSubkey,
                                  const std::string& strProgramsKey, const std::string& strValue) {
    RegHandle key = 0;
    if (!OpenOrCreate(lHKey, strSubkey, key)) return false;
    bool written = m_registry.RegSetStringValue(key, strProgramsKey, strValue);
    m_registry.RegCloseKey(key);
    return written;
}

bool cAppRegAPI::SetNumericSetting(RegHandle lHKey, const std::string& strSubkey,
                                   const std::string& strProgramsKey, std::int32_t lValue) {
    RegHandle key = 0;
    if (!OpenOrCreate(lHKey, strSubkey, key)) return false;
    bool written = m_registry.RegSetNumericValue(key, strProgramsKey, lValue);
    m_registry.RegCloseKey(key);
    return written;
}

}  // namespace ambrel
