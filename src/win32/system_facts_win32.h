#pragma once
// Version and user facts, and the regional date format, over the Win32 API.

#include "shared/platform.h"

namespace ambrel {

class Win32SystemFacts final : public ISystemFacts {
public:
    bool QueryVersion(OsVersionRecord& record) override;
    bool QueryUserName(char* buffer, std::uint32_t& size) override;
};

}  // namespace ambrel
