#pragma once
// Conversions that behave like the ones the system's stored data was written
// with: numbers with a leading blank, blank-only trimming, banker's rounding,
// OLE Automation dates.

#include <cstdint>
#include <string>

namespace ambrel {

// " 5", "-5": the standard conversion puts a blank before a non-negative number.
std::string Str(long value);

// Blanks (spaces) only, as the system trims; tabs and other white space stay.
std::string Trim(const std::string& text);
std::string LTrim(const std::string& text);
std::string RTrim(const std::string& text);
std::string LCase(std::string text);
std::string UCase(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);

// Text to a 16-bit or 32-bit integer the way an implicit conversion does it:
// blanks around the number allowed, a decimal fraction rounded half to even.
// A text that is not a number raises error 13 (type mismatch); one outside the
// type's range raises error 6 (overflow). `source` names the component.
std::int16_t CIntText(const std::string& text, const std::string& source);
std::int32_t CLngText(const std::string& text, const std::string& source);
// Rounds half to even and range-checks for a 16-bit integer (error 6).
std::int16_t CIntNumber(double value, const std::string& source);

// Whether the whole text, blanks around it allowed, is a decimal number
// (sign, fraction and exponent allowed).
bool IsNumeric(const std::string& text);

// The leading number of a text, 0 when there is none ("12abc" -> 12).
double Val(const std::string& text);

// Digit mask of '#' (optional digit) and '0' (required digit), such as
// "####0000": at least as many digits as there are zeros.
std::string FormatDigits(long value, const std::string& mask);

// OLE Automation dates: days since 30 December 1899, time as the fraction.
struct DateParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

double DateSerial(int year, int month, int day);
double TimeSerial(int hour, int minute, int second);
DateParts SplitDate(double oleDate);
// The whole day of a date (the time of day dropped).
double DateOnly(double oleDate);
// 1 = Sunday ... 7 = Saturday.
int Weekday(double oleDate);
// Seconds since midnight of the time of day, fractions kept.
double SecondsOfDay(double oleDate);

// A time of day in the format "h:nn AM/PM": "12:00 AM", "7:05 AM", "11:00 PM".
std::string FormatTimeOfDay(double timeOfDay);

// What a message box shows of a text: each line of more than
// kBoxLineLimit characters is cut in the middle to its first and last
// characters around "...". (Boxes of very long texts show nothing, or stray
// bytes; the log keeps the whole text.)
inline constexpr std::size_t kBoxLineLimit = 300;
std::string BoxText(const std::string& text);
// A text of more than `limit` characters cut in the middle to its first and
// last characters around "...", `limit` characters in all.
std::string ShortenMiddle(const std::string& text, std::size_t limit);

// Reads a time of day such as "12:00 AM", "10:30 PM", "22:30" or "9:05:30 pm".
// Returns false when the text is not a time.
bool ParseTimeOfDay(const std::string& text, double& timeOfDay);

}  // namespace ambrel
