#pragma once
// Run-time errors, carried the way the program's handlers expect them: a number,
// the component that raised it and a description. Registry and file failures
// come back as results; only unusable environments (error 999) and run-time
// errors such as a type mismatch travel as exceptions.

#include <stdexcept>
#include <string>

namespace ambrel {

struct ErrorInfo {
    long Number = 0;
    std::string Source;
    std::string Description;
};

// Error numbers the system raises or reports.
inline constexpr long kErrInvalidArgument = 5;
inline constexpr long kErrOverflow = 6;
inline constexpr long kErrSubscriptOutOfRange = 9;
inline constexpr long kErrTypeMismatch = 13;
inline constexpr long kErrBadFileNameOrNumber = 52;
inline constexpr long kErrFileNotFound = 53;
inline constexpr long kErrBadFileMode = 54;
inline constexpr long kErrDeviceIO = 57;
inline constexpr long kErrFileAlreadyExists = 58;
inline constexpr long kErrBadRecordLength = 59;
inline constexpr long kErrDiskFull = 61;
inline constexpr long kErrInputPastEnd = 62;
inline constexpr long kErrPermissionDenied = 70;
inline constexpr long kErrPathFileAccess = 75;
inline constexpr long kErrPathNotFound = 76;
inline constexpr long kErrEnvironment = 999;

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(long number, std::string source, std::string description);
    const ErrorInfo& Info() const { return m_info; }
    long Number() const { return m_info.Number; }

private:
    ErrorInfo m_info;
};

// The standard description of a run-time error number ("Type mismatch", ...).
std::string DescribeError(long number);

// Raises a run-time error with its standard description.
[[noreturn]] void RaiseError(long number, const std::string& source);

// The error a handler caught most recently: what an error entry written with an
// empty text describes. A handler hands its error over with CatchCurrentError()
// inside its catch block, then calls cLogger::WriteError("", ...).
ErrorInfo& Err();

// Inside a catch block: makes the exception being handled the current error.
// Exceptions that are not RuntimeErrors become error 51 ("Internal error") with
// their what() text, so nothing a handler catches goes unreported.
void CatchCurrentError(const std::string& fallbackSource = "Ambrel");

}  // namespace ambrel
