#include "win32/command_list_lock_win32.h"

namespace ambrel {

Win32CommandListLock::Win32CommandListLock(const char* name) : m_mutex(CreateMutexA(nullptr, FALSE, name)) {}

Win32CommandListLock::~Win32CommandListLock() {
    if (m_mutex) CloseHandle(m_mutex);
}

bool Win32CommandListLock::Acquire(std::uint32_t timeoutMs) {
    if (!m_mutex) return false;
    DWORD result = WaitForSingleObject(m_mutex, timeoutMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void Win32CommandListLock::Release() {
    if (m_mutex) ReleaseMutex(m_mutex);
}

}  // namespace ambrel
