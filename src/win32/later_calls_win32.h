#pragma once
// Calls that not every Windows has. The 32-bit programs load on Windows 95,
// 98 and NT 4 as on every later Windows, so a call of a later Windows is
// found at run time (Lookup), and where the system lacks it, or has only a
// stub of it, the replacement of the same name in `older` does the same from
// the calls those systems have. The 32-bit build also links
// later_calls_imports_win32.cpp, which sends such imports of the programs and
// of the compiler's runtime through these; scripts/check_imports.py refuses
// a 32-bit program that imports one directly.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace ambrel {

// The function `name` of `module` (loaded when it is not loaded yet), or
// nullptr where the system has no such function.
FARPROC LookupCall(const char* module, const char* name);

template <typename Function>
Function Lookup(const char* module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(LookupCall(module, name)));
}

// Whether the last call failed only because the system does not carry it out
// (the stubs Windows 95 and 98 export for many calls of the NT family).
inline bool NotCarriedOut() { return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; }

// Whether this is Windows 95, 98 or Me.
inline bool IsWindows9x() { return (GetVersion() & 0x80000000u) != 0; }

namespace older {

// 64-bit sizes and positions through the 32-bit halves of SetFilePointer and
// GetFileSize.
BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method);
// Each name of the path in its long form, found one folder at a time.
DWORD WINAPI GetLongPathNameA(LPCSTR path, LPSTR buffer, DWORD size);
// The wide-text calls through the ANSI ones, for names in the ANSI code page.
BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module);
HMODULE WINAPI GetModuleHandleW(LPCWSTR name);
HMODULE WINAPI LoadLibraryW(LPCWSTR name);
HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name);
// MWMO_INPUTAVAILABLE by a look at the queue before the wait.
DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD timeoutMs, DWORD wake,
                                         DWORD flags);
// The lead bytes of the ANSI code page; no other code page is known.
BOOL WINAPI IsDBCSLeadByteEx(UINT codePage, BYTE byte);
// A single-threaded apartment, the only kind a system without DCOM has.
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD flags);
// Every class of the common controls of Windows 95 and NT 4 at once.
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

}  // namespace older

}  // namespace ambrel
