#include "win32/later_calls_win32.h"

#include <string>

#ifndef GET_MODULE_HANDLE_EX_FLAG_PIN
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4
#endif

namespace ambrel {

FARPROC LookupCall(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) loaded = LoadLibraryA(module);
    return loaded ? GetProcAddress(loaded, name) : nullptr;
}

namespace older {

namespace {

// A wide name in the ANSI code page; false (ERROR_INVALID_NAME) when it has
// characters that page lacks or is longer than a path.
bool Narrow(LPCWSTR wide, char (&narrow)[MAX_PATH]) {
    BOOL lost = FALSE;
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, MAX_PATH, nullptr, &lost) || lost) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

}  // namespace

BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return FALSE;
    size->LowPart = low;
    size->HighPart = static_cast<LONG>(high);
    return TRUE;
}

BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method) {
    LONG high = distance.HighPart;
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(distance.LowPart), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return FALSE;
    if (position) {
        position->LowPart = low;
        position->HighPart = high;
    }
    return TRUE;
}

DWORD WINAPI GetLongPathNameA(LPCSTR path, LPSTR buffer, DWORD size) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string given(path);
    if (given.find_first_of("*?") != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;  // its error stays current
    // What stays as it is: "C:\", "\\server\share\", or nothing for a relative path.
    std::size_t start = 0;
    if (given.size() >= 2 && given[1] == ':') {
        start = given.size() > 2 && (given[2] == '\\' || given[2] == '/') ? 3 : 2;
    } else if (given.rfind("\\\\", 0) == 0) {
        const std::size_t share = given.find('\\', 2);
        const std::size_t end = share == std::string::npos ? std::string::npos : given.find('\\', share + 1);
        start = end == std::string::npos ? given.size() : end + 1;
    }
    std::string result = given.substr(0, start);
    while (start < given.size()) {
        std::size_t end = given.find_first_of("\\/", start);
        if (end == std::string::npos) end = given.size();
        const std::string name = given.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") {
            result += name;
        } else {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA((result + name).c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) return 0;
            FindClose(search);
            result += found.cFileName;
        }
        if (end < given.size()) result += given[end];
        start = end + 1;
    }
    if (result.size() >= size || !buffer) return static_cast<DWORD>(result.size() + 1);
    result.copy(buffer, result.size());
    buffer[result.size()] = '\0';
    return static_cast<DWORD>(result.size());
}

BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module) {
    if (!module) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *module = nullptr;
    HMODULE found = nullptr;
    if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(name, &region, sizeof region) || !region.AllocationBase) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        found = static_cast<HMODULE>(region.AllocationBase);
    } else if (!name) {
        found = GetModuleHandleA(nullptr);
    } else {
        char narrow[MAX_PATH];
        if (!Narrow(name, narrow)) return FALSE;
        found = GetModuleHandleA(narrow);
    }
    if (!found) return FALSE;
    // A handle counted as LoadLibrary counts it, unless asked not to; one
    // to pin the module is a count that is never given back.
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) || (flags & GET_MODULE_HANDLE_EX_FLAG_PIN)) {
        char file[MAX_PATH];
        const DWORD length = GetModuleFileNameA(found, file, sizeof file);
        if (length == 0 || length >= sizeof file || !LoadLibraryA(file)) return FALSE;
    }
    *module = found;
    return TRUE;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR name) {
    if (!name) return GetModuleHandleA(nullptr);
    char narrow[MAX_PATH];
    return Narrow(name, narrow) ? GetModuleHandleA(narrow) : nullptr;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR name) {
    char narrow[MAX_PATH];
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Narrow(name, narrow) ? LoadLibraryA(narrow) : nullptr;
}

HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
    if (!name) return CreateSemaphoreA(attributes, initial, maximum, nullptr);
    char narrow[MAX_PATH];
    return Narrow(name, narrow) ? CreateSemaphoreA(attributes, initial, maximum, narrow) : nullptr;
}

DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD timeoutMs, DWORD wake,
                                         DWORD flags) {
    // The high word: what is in the queue now, seen or not. Without the flag
    // only what arrived since the last look wakes the wait.
    if ((flags & MWMO_INPUTAVAILABLE) && HIWORD(GetQueueStatus(wake)) != 0) return WAIT_OBJECT_0 + count;
    return MsgWaitForMultipleObjects(count, handles, (flags & MWMO_WAITALL) != 0, timeoutMs, wake);
}

BOOL WINAPI IsDBCSLeadByteEx(UINT codePage, BYTE byte) {
    if (codePage == CP_ACP || codePage == GetACP()) return IsDBCSLeadByte(byte);
    return FALSE;
}

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD flags) {
    if (!(flags & COINIT_APARTMENTTHREADED)) return E_NOTIMPL;  // no multithreaded apartment
    return CoInitialize(reserved);
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof *init) return FALSE;
    InitCommonControls();
    return TRUE;
}

}  // namespace older

}  // namespace ambrel
