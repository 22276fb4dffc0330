#include "win32/system_facts_win32.h"

#include <windows.h>

#include "shared/vb.h"
#include "win32/later_calls_win32.h"

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

bool Win32SystemFacts::UserNameIsExact() {
    using GetName = BOOL(WINAPI*)(LPWSTR, LPDWORD);
    const auto getName = Lookup<GetName>("advapi32.dll", "GetUserNameW");
    wchar_t wide[257];
    DWORD wideLength = 257;
    char ansi[257];
    DWORD ansiLength = 257;
    // Windows 95 and 98 know the ANSI name alone.
    if (!getName || !getName(wide, &wideLength) || !GetUserNameA(ansi, &ansiLength)) return true;
    char converted[1024];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, converted, sizeof converted,
                                           nullptr, &usedDefault);
    return length > 0 && !usedDefault && std::string(converted) == ansi;
}

std::string Win32RegionalSettings::GeneralDate(double oleDate) {
    DateParts parts = SplitDate(oleDate);
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(parts.Year);
    t.wMonth = static_cast<WORD>(parts.Month);
    t.wDay = static_cast<WORD>(parts.Day);
    t.wDayOfWeek = static_cast<WORD>(Weekday(DateSerial(parts.Year, parts.Month, parts.Day)) - 1);
    t.wHour = static_cast<WORD>(parts.Hour);
    t.wMinute = static_cast<WORD>(parts.Minute);
    t.wSecond = static_cast<WORD>(parts.Second);
    char date[128] = "";
    char time[128] = "";
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, sizeof date)) date[0] = '\0';
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, sizeof time)) time[0] = '\0';
    return std::string(date) + " " + time;
}

}  // namespace ambrel
