#pragma once
// Plays GetVersionExA and GetUserNameA: a version record to hand out and a
// logon name that fits the caller's buffer or fails like the real call.

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "shared/platform.h"

namespace ambrel::testing {

class FakeSystemFacts final : public ISystemFacts {
public:
    FakeSystemFacts() = default;
    FakeSystemFacts(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                    std::optional<std::string> user = std::string("alice"))
        : UserName(std::move(user)) {
        Version.PlatformId = platform;
        Version.MajorVersion = major;
        Version.MinorVersion = minor;
    }

    bool QueryVersion(OsVersionRecord& record) override {
        if (!VersionOk) return false;
        record.MajorVersion = Version.MajorVersion;
        record.MinorVersion = Version.MinorVersion;
        record.BuildNumber = Version.BuildNumber;
        record.PlatformId = Version.PlatformId;
        record.CSDVersion = Version.CSDVersion;
        return true;
    }

    bool QueryUserName(char* buffer, std::uint32_t& size) override {
        SizeOffered = size;
        BufferOffered.assign(buffer, size);
        if (!UserName) {
            // Some systems scribble into the buffer before failing.
            std::memcpy(buffer, LeftOnFailure.data(), std::min<std::size_t>(LeftOnFailure.size(), size));
            return false;
        }
        if (UserName->size() + 1 > size) {
            size = static_cast<std::uint32_t>(UserName->size() + 1);
            return false;
        }
        std::memcpy(buffer, UserName->c_str(), UserName->size() + 1);
        size = static_cast<std::uint32_t>(UserName->size() + 1);
        return true;
    }

    OsVersionRecord Version;
    bool VersionOk = true;
    std::optional<std::string> UserName = std::string("alice");  // nullopt: nobody logged on
    std::string LeftOnFailure;
    // What the last QueryUserName was given.
    std::uint32_t SizeOffered = 0;
    std::string BufferOffered;
};

}  // namespace ambrel::testing
