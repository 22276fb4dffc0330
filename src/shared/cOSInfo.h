#pragma once
// Which Windows this is, decided once when the object is created.

#include <cstdint>

#include "shared/platform.h"

namespace ambrel {

class cOSInfo {
public:
    explicit cOSInfo(ISystemFacts& facts);

    bool isWin95() const { return m_isWin95; }
    bool isWin98() const { return m_isWin98; }
    bool isWinNT3() const { return m_isWinNT3; }
    bool isWinNT4() const { return m_isWinNT4; }
    bool isOsUnknown() const { return m_isOsUnknown; }
    // The NT family (platform 2): NT 3 and 4, 2000 and every later Windows.
    bool isNtFamily() const { return m_record.PlatformId == kPlatformNT; }
    // Windows Vista or later, whose Start menu never shows the Shut Down dialog.
    bool isVistaOrLater() const { return isNtFamily() && m_record.MajorVersion >= 6; }
    bool canRestartInDosMode() const { return m_isWin95 || m_isWin98; }
    std::int16_t interfaceUsed() const { return (m_isWin98 || m_isWinNT4) ? 2 : 1; }
    const OsVersionRecord& VersionRecord() const { return m_record; }

private:
    OsVersionRecord m_record;
    bool m_isWin95 = false;
    bool m_isWin98 = false;
    bool m_isWinNT3 = false;
    bool m_isWinNT4 = false;
    bool m_isOsUnknown = false;
};

}  // namespace ambrel
