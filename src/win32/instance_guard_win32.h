#pragma once
// One instance of a program per session: a named mutex that the first instance owns.

#include <windows.h>

#include "shared/platform.h"

namespace ambrel {

class Win32InstanceGuard final : public IInstanceGuard {
public:
    explicit Win32InstanceGuard(const char* name) : m_name(name) {}
    ~Win32InstanceGuard() override {
        if (m_mutex) CloseHandle(m_mutex);
    }
    bool AnotherInstanceRunning() override {
        if (!m_mutex) {
            m_mutex = CreateMutexA(nullptr, FALSE, m_name);
            m_existed = GetLastError() == ERROR_ALREADY_EXISTS;
        }
        return m_existed;
    }

private:
    const char* m_name;
    HANDLE m_mutex = nullptr;
    bool m_existed = false;
};

}  // namespace ambrel
