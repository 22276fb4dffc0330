#pragma once
// The command list lock. The all-users list lives in one folder for the whole
// machine, so the lock must hold across sessions: a byte-range lock on the
// data folder's lock file (made by the setup program, readable by every
// user), beside a named mutex of the session. Windows 95 and 98, which have
// one session and no LockFileEx, keep the mutex alone; so does a program
// whose lock file cannot be opened or made.

#include <windows.h>

#include <string>

#include "shared/platform.h"

namespace ambrel {

inline constexpr const char* kCommandListLockName = "Ambrel.CommandList.Lock";

class Win32CommandListLock final : public ICommandListLock {
public:
    // `lockFile`: "<data folder>\ambrel.lock"; "" for the session's mutex alone.
    explicit Win32CommandListLock(std::string lockFile = "", const char* name = kCommandListLockName);
    ~Win32CommandListLock() override;
    Win32CommandListLock(const Win32CommandListLock&) = delete;
    Win32CommandListLock& operator=(const Win32CommandListLock&) = delete;

    // A lock left by a holder that ended without releasing it counts as had:
    // the holder is gone, and the files' recovery deals with what it left.
    // Taking it again while it is held adds one to the holds.
    bool Acquire(std::uint32_t timeoutMs) override;
    void Release() override;

private:
    bool LockFile(std::uint32_t timeoutMs);

    HANDLE m_mutex;
    std::string m_lockFile;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_fileLocked = false;
    DWORD m_owner = 0;  // the thread that holds it
    int m_holds = 0;
};

}  // namespace ambrel
