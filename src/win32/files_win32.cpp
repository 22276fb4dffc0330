#include "win32/files_win32.h"

#include <windows.h>

#include <algorithm>

#include "shared/errors.h"
#include "shared/vb.h"
#include "win32/later_calls_win32.h"
#include "win32/security_win32.h"

namespace ambrel {

long RuntimeErrorFromWin32(unsigned long win32Error) {
    switch (win32Error) {
        case ERROR_FILE_NOT_FOUND: return kErrFileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_DIRECTORY: return kErrPathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return kErrPermissionDenied;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return kErrDiskFull;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE: return kErrBadFileNameOrNumber;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return kErrFileAlreadyExists;
        default: return kErrPathFileAccess;
    }
}

namespace {

class Win32File final : public IFile {
public:
    Win32File(HANDLE handle, bool append) : m_handle(handle), m_append(append) {}
    ~Win32File() override { CloseHandle(m_handle); }

    std::size_t Read(void* buffer, std::size_t size) override {
        std::size_t total = 0;
        auto* bytes = static_cast<char*>(buffer);
        while (total < size) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 20));
            DWORD got = 0;
            if (!ReadFile(m_handle, bytes + total, chunk, &got, nullptr) || got == 0) break;
            total += got;
        }
        return total;
    }

    bool Write(const void* data, std::size_t size) override {
        if (m_append) SetFilePointer(m_handle, 0, nullptr, FILE_END);
        std::size_t total = 0;
        const auto* bytes = static_cast<const char*>(data);
        while (total < size) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(m_handle, bytes + total, chunk, &written, nullptr) || written == 0) return false;
            total += written;
        }
        return true;
    }

    bool Seek(std::uint64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) != 0;
    }

    std::uint64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(m_handle, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

    bool Flush() override { return FlushFileBuffers(m_handle) != 0; }

    bool Security(ObjectSecurity& security) override { return ReadHandleSecurity(m_handle, security); }

private:
    HANDLE m_handle;
    bool m_append;
};

HANDLE OpenHandle(const std::string& path, DWORD access, DWORD disposition, SECURITY_ATTRIBUTES* attributes) {
    // Shared with the other programs: the command list lock, not the share
    // mode, keeps their changes of the list files apart.
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, attributes,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::unique_ptr<IFile> Win32FileSystem::Open(const std::string& path, FileMode mode, long& error,
                                             FileProtection protection) {
    // Only what each mode needs is asked for, so that a file whose
    // descriptor grants a user only that (rewriting records, appending to a
    // log) opens for them. Windows 95 and 98 know the generic rights only.
    DWORD access = GENERIC_READ;
    bool makeWhenMissing = false;
    switch (mode) {
        case FileMode::Read: break;
        case FileMode::Append:
            access = !IsWindows9x() ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
            makeWhenMissing = true;
            break;
        case FileMode::Random:
            access = GENERIC_READ | GENERIC_WRITE;
            makeWhenMissing = true;
            break;
        case FileMode::Update: access = !IsWindows9x() ? FILE_GENERIC_READ | FILE_WRITE_DATA : GENERIC_READ | GENERIC_WRITE; break;
        case FileMode::CreateNew: access = GENERIC_WRITE; break;
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (mode != FileMode::CreateNew) handle = OpenHandle(path, access, OPEN_EXISTING, nullptr);
    DWORD failure = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    // A new file only where there is none: never one that somebody else
    // made first, emptied or taken over.
    if (handle == INVALID_HANDLE_VALUE &&
        (mode == FileMode::CreateNew || (makeWhenMissing && failure == ERROR_FILE_NOT_FOUND))) {
        NewFileDescriptor descriptor(protection);
        handle = OpenHandle(path, access, CREATE_NEW, descriptor.Attributes());
        failure = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        // Made by another program in the meantime: that one is used.
        if (handle == INVALID_HANDLE_VALUE && failure == ERROR_FILE_EXISTS && mode != FileMode::CreateNew) {
            handle = OpenHandle(path, access, OPEN_EXISTING, nullptr);
            failure = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        error = RuntimeErrorFromWin32(failure);
        return nullptr;
    }
    error = 0;
    return std::make_unique<Win32File>(handle, mode == FileMode::Append);
}

bool Win32FileSystem::FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) {
    // The folder itself, not what a reparse point in its place leads to.
    HANDLE handle = CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD failure = GetLastError();
        if (IsWindows9x() && FolderExists(path)) {
            // Windows 95 and 98 open no folders, and keep no owners either.
            security = {};
            error = 0;
            return true;
        }
        error = RuntimeErrorFromWin32(failure);
        return false;
    }
    const bool read = ReadHandleSecurity(handle, security);
    CloseHandle(handle);
    error = read ? 0 : kErrPathFileAccess;
    return read;
}

FileIdentity Win32FileSystem::Identity() { return CurrentIdentity(); }

std::string Win32FileSystem::AccountName(const std::string& sid) { return AccountNameOf(sid); }

long Win32FileSystem::Remove(const std::string& path) {
    return DeleteFileA(path.c_str()) ? 0 : RuntimeErrorFromWin32(GetLastError());
}

long Win32FileSystem::Rename(const std::string& from, const std::string& to) {
    // Windows 95 and 98 export MoveFileEx as a stub: MoveFile there, which
    // leaves an existing target (and fails).
    const BOOL moved = RenameReplaces()
                           ? MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                           : MoveFileA(from.c_str(), to.c_str());
    return moved ? 0 : RuntimeErrorFromWin32(GetLastError());
}

bool Win32FileSystem::RenameReplaces() { return !IsWindows9x(); }

bool Win32FileSystem::FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

long Win32FileSystem::CreateFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) ? 0 : RuntimeErrorFromWin32(GetLastError());
}

long Win32FileSystem::RemoveFolder(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) ? 0 : RuntimeErrorFromWin32(GetLastError());
}


bool Win32FileSystem::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    names.clear();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes &
                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                continue;
            names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LCase(a) < LCase(b); });
    return true;
}

double Win32Clock::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return DateSerial(t.wYear, t.wMonth, t.wDay) +
           (t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0) / 86400.0;
}

int Win32Clock::UtcOffsetMinutes() {
    // Local time against UTC at the same instant, which holds daylight saving
    // as the system applies it, on every version.
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    const long long minutes = (ticks(local) - ticks(utc)) / 600000000LL;
    return static_cast<int>(minutes);
}

double Win32Clock::ElapsedSeconds() {
    // GetTickCount64 from Vista on; before it the 32-bit count, whose wrap
    // after 49.7 days is carried here (a wait reads it at least every minute).
    using Ticks64 = ULONGLONG(WINAPI*)();
    static const auto ticks64 = Lookup<Ticks64>("kernel32.dll", "GetTickCount64");
    if (ticks64) return static_cast<double>(ticks64()) / 1000.0;
    static TickCounter ticks;
    return static_cast<double>(ticks.Milliseconds(GetTickCount())) / 1000.0;
}

namespace {

std::wstring Wide(UINT codePage, const std::string& text, DWORD flags, bool& ok) {
    ok = true;
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        ok = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

std::string AnsiToUtf8(const std::string& text) {
    bool ok = true;
    const std::wstring wide = Wide(CP_ACP, text, 0, ok);
    if (wide.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

bool Utf8ToAnsi(const std::string& text, std::string& ansi) {
    bool ok = true;
    const std::wstring wide = Wide(CP_UTF8, text, MB_ERR_INVALID_CHARS, ok);
    ansi.clear();
    if (!ok) return false;
    if (wide.empty()) return true;
    BOOL lost = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, &lost);
    if (length <= 0 || lost) return false;
    ansi.assign(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), length,
                        nullptr, nullptr);
    return true;
}

int Win32UserInteraction::MsgBox(const std::string& text, int style, const std::string& title) {
    HWND owner = m_byActive ? GetActiveWindow() : nullptr;  // this thread's only
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner)) owner = reinterpret_cast<HWND>(m_owner);
    return MessageBoxA(owner, BoxText(text).c_str(), BoxText(title).c_str(),
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
}

}  // namespace ambrel
