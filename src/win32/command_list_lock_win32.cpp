#include "win32/command_list_lock_win32.h"

#include "win32/later_calls_win32.h"
#include "win32/security_win32.h"

namespace ambrel {

namespace {

using LockFileExFunction = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED);
using UnlockFileExFunction = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, DWORD, LPOVERLAPPED);

LockFileExFunction LockFileExCall() {
    static const auto call = Lookup<LockFileExFunction>("kernel32.dll", "LockFileEx");
    return IsWindows9x() ? nullptr : call;  // a stub on Windows 95 and 98
}

UnlockFileExFunction UnlockFileExCall() {
    static const auto call = Lookup<UnlockFileExFunction>("kernel32.dll", "UnlockFileEx");
    return call;
}

// How often a waiting lock looks again: a pause, not a spin; the lock is held
// for the moments a save or a record takes.
constexpr DWORD kLockPollMs = 20;

}  // namespace

Win32CommandListLock::Win32CommandListLock(std::string lockFile, const char* name)
    : m_mutex(CreateMutexA(nullptr, FALSE, name)), m_lockFile(std::move(lockFile)) {}

Win32CommandListLock::~Win32CommandListLock() {
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    if (m_mutex) CloseHandle(m_mutex);
}

bool Win32CommandListLock::LockFile(std::uint32_t timeoutMs) {
    const LockFileExFunction lock = LockFileExCall();
    if (!lock || m_lockFile.empty()) return true;
    if (m_file == INVALID_HANDLE_VALUE) {
        // Read access is all a lock needs. An existing file is only opened,
        // never written; a missing one is made as a read-only shared file.
        m_file = CreateFileA(m_lockFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
            NewFileDescriptor descriptor(FileProtection::SharedReadOnly);
            m_file = CreateFileA(m_lockFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 descriptor.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (m_file == INVALID_HANDLE_VALUE)  // not an administrator: the folder's inheritance decides
                m_file = CreateFileA(m_lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
            if (m_file == INVALID_HANDLE_VALUE)
                m_file = CreateFileA(m_lockFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (m_file == INVALID_HANDLE_VALUE) return true;  // the session's mutex is all there is
    }
    const DWORD start = GetTickCount();
    for (;;) {
        OVERLAPPED at{};
        if (lock(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            m_fileLocked = true;
            return true;
        }
        // Wine does not wake a waiting LockFileEx when the lock is let go, so
        // the wait looks again rather than block.
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kLockPollMs);
    }
}

bool Win32CommandListLock::Acquire(std::uint32_t timeoutMs) {
    if (!m_mutex) return false;
    if (m_holds > 0 && m_owner == GetCurrentThreadId()) {
        ++m_holds;
        return true;
    }
    const DWORD start = GetTickCount();
    DWORD result = WaitForSingleObject(m_mutex, timeoutMs);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
    const DWORD waited = GetTickCount() - start;
    // A thread of this program that ended holding the lock left the file's
    // lock with this handle: it is had already.
    if (!m_fileLocked && !LockFile(timeoutMs > waited ? timeoutMs - waited : 0)) {
        ReleaseMutex(m_mutex);
        return false;
    }
    m_owner = GetCurrentThreadId();
    m_holds = 1;
    return true;
}

void Win32CommandListLock::Release() {
    if (m_holds == 0 || m_owner != GetCurrentThreadId() || --m_holds > 0) return;
    if (m_fileLocked) {
        OVERLAPPED at{};
        if (const UnlockFileExFunction unlock = UnlockFileExCall()) unlock(m_file, 0, 1, 0, &at);
        m_fileLocked = false;
    }
    if (m_mutex) ReleaseMutex(m_mutex);
}

}  // namespace ambrel
