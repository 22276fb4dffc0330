#include "shared/cOSInfo.h"

namespace ambrel {

cOSInfo::cOSInfo(ISystemFacts& facts) {
    m_record.OSVersionInfoSize = 148;
    m_record.CSDVersion.assign(128, ' ');
    // A failed call leaves the record empty, which reads as an unknown system.
    facts.QueryVersion(m_record);
    if (m_record.PlatformId == kPlatformWindows) {
        m_isWin95 = m_record.MinorVersion == 0;
        m_isWin98 = m_record.MinorVersion == 10;
    } else if (m_record.PlatformId == kPlatformNT) {
        m_isWinNT3 = m_record.MajorVersion == 3;
        m_isWinNT4 = m_record.MajorVersion == 4;
    }
    m_isOsUnknown = !(m_isWin95 || m_isWin98 || m_isWinNT3 || m_isWinNT4);
}

}  // namespace ambrel
