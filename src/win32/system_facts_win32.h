#pragma once
// Version and user facts, and the regional date format, over the Win32 API.

#include "shared/platform.h"

namespace ambrel {

class Win32SystemFacts final : public ISystemFacts {
public:
    bool QueryVersion(OsVersionRecord& record) override;
    bool QueryUserName(char* buffer, std::uint32_t& size) override;
    bool UserNameIsExact() override;
};

class Win32RegionalSettings final : public IRegionalSettings {
public:
    // GetDateFormatA (short date) and GetTimeFormatA (long time) of the user's locale.
    std::string GeneralDate(double oleDate) override;
};

}  // namespace ambrel
