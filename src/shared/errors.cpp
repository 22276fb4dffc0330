#include "shared/errors.h"

#include <exception>
#include <new>

namespace ambrel {

RuntimeError::RuntimeError(long number, std::string source, std::string description)
    : std::runtime_error(description), m_info{number, std::move(source), std::move(description)} {}

std::string DescribeError(long number) {
    switch (number) {
        case 5: return "Invalid procedure call or argument";
        case kErrOverflow: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 11: return "Division by zero";
        case kErrTypeMismatch: return "Type mismatch";
        case 51: return "Internal error";
        case kErrBadFileNameOrNumber: return "Bad file name or number";
        case kErrFileNotFound: return "File not found";
        case kErrBadFileMode: return "Bad file mode";
        case 55: return "File already open";
        case kErrDeviceIO: return "Device I/O error";
        case kErrFileAlreadyExists: return "File already exists";
        case kErrBadRecordLength: return "Bad record length";
        case kErrDiskFull: return "Disk full";
        case kErrInputPastEnd: return "Input past end of file";
        case 67: return "Too many files";
        case 68: return "Device unavailable";
        case kErrPermissionDenied: return "Permission denied";
        case 71: return "Disk not ready";
        case 74: return "Can't rename with different drive";
        case kErrPathFileAccess: return "Path/File access error";
        case kErrPathNotFound: return "Path not found";
        default: return "Application-defined or object-defined error";
    }
}

void RaiseError(long number, const std::string& source) {
    throw RuntimeError(number, source, DescribeError(number));
}

ErrorInfo& Err() {
    thread_local ErrorInfo current;
    return current;
}

void CatchCurrentError(const std::string& fallbackSource) {
    auto ex = std::current_exception();
    if (!ex) return;
    try {
        std::rethrow_exception(ex);
    } catch (const RuntimeError& e) {
        Err() = e.Info();
    } catch (const std::bad_alloc&) {
        Err() = {7, fallbackSource, DescribeError(7)};
    } catch (const std::exception& e) {
        Err() = {51, fallbackSource, e.what()};
    } catch (...) {
        Err() = {51, fallbackSource, DescribeError(51)};
    }
}

}  // namespace ambrel
