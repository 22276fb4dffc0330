#include "shared/vb.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "shared/errors.h"

namespace ambrel {

std::string Str(long value) {
    std::string digits = std::to_string(value);
    return value >= 0 ? " " + digits : digits;
}

std::string LTrim(const std::string& text) {
    auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string RTrim(const std::string& text) {
    auto last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text) { return LTrim(RTrim(text)); }

std::string LCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string UCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return LCase(a) == LCase(b); }

namespace {

// Parses a whole text as a decimal number with optional sign, fraction and
// exponent, surrounded by white space. No locale is involved.
bool ParseNumber(const std::string& text, double& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < n && isBlank(text[i])) ++i;
    std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t mark = i++;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++expDigits;
        if (expDigits == 0) i = mark;
    }
    std::size_t end = i;
    while (i < n && isBlank(text[i])) ++i;
    if (i != n) return false;
    std::string number = text.substr(start, end - start);
    char* stop = nullptr;
    value = std::strtod(number.c_str(), &stop);
    return stop && *stop == '\0' && std::isfinite(value);
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace

std::int16_t CIntNumber(double value, const std::string& source) {
    double rounded = RoundHalfEven(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) RaiseError(kErrOverflow, source);
    return static_cast<std::int16_t>(rounded);
}

std::int16_t CIntText(const std::string& text, const std::string& source) {
    double value = 0;
    if (!ParseNumber(text, value)) RaiseError(kErrTypeMismatch, source);
    return CIntNumber(value, source);
}

std::int32_t CLngText(const std::string& text, const std::string& source) {
    double value = 0;
    if (!ParseNumber(text, value)) RaiseError(kErrTypeMismatch, source);
    double rounded = RoundHalfEven(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) RaiseError(kErrOverflow, source);
    return static_cast<std::int32_t>(rounded);
}

bool IsNumeric(const std::string& text) {
    double value = 0;
    return ParseNumber(text, value);
}

double Val(const std::string& text) {
    std::string kept;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;  // blanks inside numbers are skipped
        kept += c;
    }
    std::size_t i = 0;
    if (i < kept.size() && (kept[i] == '+' || kept[i] == '-')) ++i;
    while (i < kept.size() && std::isdigit(static_cast<unsigned char>(kept[i]))) ++i;
    if (i < kept.size() && kept[i] == '.') {
        ++i;
        while (i < kept.size() && std::isdigit(static_cast<unsigned char>(kept[i]))) ++i;
    }
    double value = 0;
    if (!ParseNumber(kept.substr(0, i), value)) return 0;
    return value;
}

std::string FormatDigits(long value, const std::string& mask) {
    std::size_t zeros = static_cast<std::size_t>(std::count(mask.begin(), mask.end(), '0'));
    bool negative = value < 0;
    std::string digits = std::to_string(negative ? -static_cast<long long>(value) : value);
    if (digits.size() < zeros) digits.insert(0, zeros - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

namespace {

// Days from the civil date to 1970-01-01 (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kOleEpochFromUnixDays = -25569;  // 1899-12-30 relative to 1970-01-01

}  // namespace

double DateSerial(int year, int month, int day) {
    // Months outside 1..12 roll into neighbouring years, as DateSerial allows.
    long long y = year + (month - 1) / 12;
    int m = (month - 1) % 12;
    if (m < 0) {
        m += 12;
        --y;
    }
    long long days = DaysFromCivil(y, static_cast<unsigned>(m + 1), 1) + (day - 1);
    return static_cast<double>(days - kOleEpochFromUnixDays);
}

double TimeSerial(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DateParts SplitDate(double oleDate) {
    // Negative OLE dates count whole days backwards but the time forwards.
    double whole = std::trunc(oleDate);
    double fraction = std::fabs(oleDate - whole);
    long long totalSeconds = std::llround(fraction * 86400.0);
    if (totalSeconds >= 86400) {
        totalSeconds -= 86400;
        whole += oleDate < 0 ? -1 : 1;
    }
    DateParts parts;
    CivilFromDays(static_cast<long long>(whole) + kOleEpochFromUnixDays, parts.Year, parts.Month,
                  parts.Day);
    parts.Hour = static_cast<int>(totalSeconds / 3600);
    parts.Minute = static_cast<int>(totalSeconds / 60 % 60);
    parts.Second = static_cast<int>(totalSeconds % 60);
    return parts;
}

double DateOnly(double oleDate) { return std::trunc(oleDate); }

int Weekday(double oleDate) {
    long long days = static_cast<long long>(std::trunc(oleDate));
    // 30 December 1899 was a Saturday (7).
    long long w = (days % 7 + 7) % 7;  // 0 = Saturday
    return static_cast<int>(w == 0 ? 7 : w);
}

double SecondsOfDay(double oleDate) {
    double fraction = std::fabs(oleDate - std::trunc(oleDate));
    return fraction * 86400.0;
}

std::string FormatTimeOfDay(double timeOfDay) {
    DateParts parts = SplitDate(timeOfDay);
    int hour = parts.Hour % 12;
    if (hour == 0) hour = 12;
    return std::to_string(hour) + ":" + (parts.Minute < 10 ? "0" : "") + std::to_string(parts.Minute) +
           (parts.Hour < 12 ? " AM" : " PM");
}

bool ParseTimeOfDay(const std::string& text, double& timeOfDay) {
    std::string t = UCase(Trim(text));
    int fields[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (count < 3) {
        std::size_t start = i;
        long v = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && i - start < 4) {
            v = v * 10 + (t[i] - '0');
            ++i;
        }
        if (i == start) return false;
        fields[count++] = static_cast<int>(v);
        if (i < t.size() && t[i] == ':') {
            ++i;
            continue;
        }
        break;
    }
    while (i < t.size() && t[i] == ' ') ++i;
    std::string suffix = t.substr(i);
    int hour = fields[0];
    if (suffix == "AM" || suffix == "A" || suffix == "PM" || suffix == "P") {
        if (hour < 1 || hour > 12) return false;
        bool pm = suffix[0] == 'P';
        if (hour == 12) hour = 0;
        if (pm) hour += 12;
    } else if (!suffix.empty() || count < 2) {
        return false;
    }
    if (hour > 23 || fields[1] > 59 || fields[2] > 59) return false;
    timeOfDay = TimeSerial(hour, fields[1], fields[2]);
    return true;
}

std::string ShortenMiddle(const std::string& text, std::size_t limit) {
    if (text.size() <= limit || limit < 3) return text;
    const std::size_t head = (limit - 3) / 2, tail = limit - 3 - head;
    return text.substr(0, head) + "..." + text.substr(text.size() - tail);
}

std::string BoxText(const std::string& text) {
    std::string shown;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        shown += ShortenMiddle(text.substr(start, end - start), kBoxLineLimit);
        if (end == text.size()) break;
        shown += '\n';
        start = end + 1;
    }
    return shown;
}

}  // namespace ambrel
