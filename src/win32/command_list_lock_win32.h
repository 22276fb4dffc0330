#pragma once
// The command list lock as a named mutex, shared by every program of the
// session that changes the list files.

#include <windows.h>

#include "shared/platform.h"

namespace ambrel {

inline constexpr const char* kCommandListLockName = "Ambrel.CommandList.Lock";

class Win32CommandListLock final : public ICommandListLock {
public:
    explicit Win32CommandListLock(const char* name = kCommandListLockName);
    ~Win32CommandListLock() override;
    Win32CommandListLock(const Win32CommandListLock&) = delete;
    Win32CommandListLock& operator=(const Win32CommandListLock&) = delete;

    // A mutex left by a holder that ended without releasing it counts as had:
    // the holder is gone, and the files' recovery deals with what it left.
    bool Acquire(std::uint32_t timeoutMs) override;
    void Release() override;

private:
    HANDLE m_mutex;
};

}  // namespace ambrel
