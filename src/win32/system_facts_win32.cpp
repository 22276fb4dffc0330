#include "win32/system_facts_win32.h"

#include <windows.h>

namespace ambrel {

bool Win32SystemFacts::QueryVersion(OsVersionRecord& record) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes, the ANSI record
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!ok) return false;
    record.OSVersionInfoSize = info.dwOSVersionInfoSize;
    record.MajorVersion = info.dwMajorVersion;
    record.MinorVersion = info.dwMinorVersion;
    record.BuildNumber = info.dwBuildNumber;
    record.PlatformId = info.dwPlatformId;
    record.CSDVersion.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    return true;
}

bool Win32SystemFacts::QueryUserName(char* buffer, std::uint32_t& size) {
    DWORD length = size;
    BOOL ok = GetUserNameA(buffer, &length);
    size = length;
    return ok != 0;
}

}  // namespace ambrel
