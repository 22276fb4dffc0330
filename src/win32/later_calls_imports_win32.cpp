// The 32-bit build only: imports that Windows 95, 98 or NT 4 lack, routed.
//
// Each definition below is the import pointer (__imp__Name@bytes) that a call
// of Name goes through. Linked as an object of every 32-bit program, it is
// found before the system's import libraries, for the program's own calls
// and for those of the compiler's runtime (its locks, its thread-exit
// destructors, its locale lookups) alike, so the program file names none of
// these functions. At run time each finds the system's own function, once;
// where there is none, or only one of the stubs Windows 95 and 98 export, it
// does the same through the replacement in later_calls_win32.cpp, or fails
// with ERROR_CALL_NOT_IMPLEMENTED as those systems' stubs do. The callers
// treat that failure as "this system has no such thing" already (security on
// Windows 95 and 98, the window event hook before Windows 98 and 2000).

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <uxtheme.h>

#include "win32/later_calls_win32.h"

namespace ambrel {

namespace {

struct Found {
    const char* Module;
    const char* Name;
    FARPROC Proc;
    bool Looked;
};

// The system's function, looked up on the first call. Two threads that look
// at once find the same function.
template <typename Function>
Function Find(Found& found) {
    if (!__atomic_load_n(&found.Looked, __ATOMIC_ACQUIRE)) {
        found.Proc = LookupCall(found.Module, found.Name);
        __atomic_store_n(&found.Looked, true, __ATOMIC_RELEASE);
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found.Proc));
}

// The call, where the system has it; else `otherwise`.
#define AMBREL_ROUTED(module, ret, name, params, args, otherwise)          \
    ret WINAPI Routed_##name params {                                      \
        static Found found{module, #name, nullptr, false};                 \
        if (auto real = Find<ret(WINAPI*) params>(found)) return real args; \
        otherwise;                                                         \
    }

// The call, where the system has it and carries it out; else the replacement.
#define AMBREL_ROUTED_OR_OLDER(module, ret, name, params, args, failed)    \
    ret WINAPI Routed_##name params {                                      \
        static Found found{module, #name, nullptr, false};                 \
        if (auto real = Find<ret(WINAPI*) params>(found)) {                \
            ret result = real args;                                        \
            if (!(failed) || !NotCarriedOut()) return result;              \
        }                                                                  \
        return older::name args;                                           \
    }

#define AMBREL_NOT_HERE(value)                  \
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED); \
    return value

// Sizes and positions: the 32-bit halves work on every Windows.
BOOL WINAPI Routed_GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) { return older::GetFileSizeEx(file, size); }
BOOL WINAPI Routed_SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method) {
    return older::SetFilePointerEx(file, distance, position, method);
}

AMBREL_ROUTED_OR_OLDER("kernel32.dll", DWORD, GetLongPathNameA, (LPCSTR path, LPSTR buffer, DWORD size),
                       (path, buffer, size), result == 0)
AMBREL_ROUTED_OR_OLDER("kernel32.dll", BOOL, GetModuleHandleExW, (DWORD flags, LPCWSTR name, HMODULE* module),
                       (flags, name, module), !result)
AMBREL_ROUTED_OR_OLDER("kernel32.dll", HMODULE, GetModuleHandleW, (LPCWSTR name), (name), !result)
AMBREL_ROUTED_OR_OLDER("kernel32.dll", HMODULE, LoadLibraryW, (LPCWSTR name), (name), !result)
AMBREL_ROUTED_OR_OLDER("kernel32.dll", HANDLE, CreateSemaphoreW,
                       (LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name),
                       (attributes, initial, maximum, name), !result)
AMBREL_ROUTED_OR_OLDER("kernel32.dll", BOOL, IsDBCSLeadByteEx, (UINT codePage, BYTE byte), (codePage, byte), false)
// Windows 95 and 98 have only a stub; Win32FileSystem renames with MoveFile there.
AMBREL_ROUTED("kernel32.dll", BOOL, MoveFileExA, (LPCSTR from, LPCSTR to, DWORD flags), (from, to, flags),
              AMBREL_NOT_HERE(FALSE))

AMBREL_ROUTED_OR_OLDER("user32.dll", DWORD, MsgWaitForMultipleObjectsEx,
                       (DWORD count, const HANDLE* handles, DWORD timeoutMs, DWORD wake, DWORD flags),
                       (count, handles, timeoutMs, wake, flags), result == WAIT_FAILED)
// Without the hook the monitor's watch for the Shut Down dialog looks on its timer alone.
AMBREL_ROUTED("user32.dll", HWINEVENTHOOK, SetWinEventHook,
              (DWORD first, DWORD last, HMODULE module, WINEVENTPROC procedure, DWORD process, DWORD thread,
               DWORD flags),
              (first, last, module, procedure, process, thread, flags), AMBREL_NOT_HERE(nullptr))
AMBREL_ROUTED("user32.dll", BOOL, UnhookWinEvent, (HWINEVENTHOOK hook), (hook), AMBREL_NOT_HERE(FALSE))

AMBREL_ROUTED_OR_OLDER("ole32.dll", HRESULT, CoInitializeEx, (LPVOID reserved, DWORD flags), (reserved, flags),
                       false)
AMBREL_ROUTED_OR_OLDER("comctl32.dll", BOOL, InitCommonControlsEx, (const INITCOMMONCONTROLSEX* init), (init),
                       false)
// Before Windows XP there are no themes, and nothing to match a tab page to.
AMBREL_ROUTED("uxtheme.dll", HRESULT, EnableThemeDialogTexture, (HWND window, DWORD flags), (window, flags),
              return E_NOTIMPL)

// Security, which only the NT family keeps.
AMBREL_ROUTED("advapi32.dll", BOOL, OpenProcessToken, (HANDLE process, DWORD access, PHANDLE token),
              (process, access, token), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, LookupPrivilegeValueA, (LPCSTR system, LPCSTR name, PLUID luid),
              (system, name, luid), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, AdjustTokenPrivileges,
              (HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length, PTOKEN_PRIVILEGES previous,
               PDWORD returned),
              (token, disableAll, state, length, previous, returned), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetTokenInformation,
              (HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID information, DWORD length, PDWORD returned),
              (token, kind, information, length, returned), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, AllocateAndInitializeSid,
              (PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a0, DWORD a1, DWORD a2, DWORD a3, DWORD a4,
               DWORD a5, DWORD a6, DWORD a7, PSID* sid),
              (authority, count, a0, a1, a2, a3, a4, a5, a6, a7, sid), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", PVOID, FreeSid, (PSID sid), (sid), return sid)
AMBREL_ROUTED("advapi32.dll", BOOL, EqualSid, (PSID a, PSID b), (a, b), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, IsValidSid, (PSID sid), (sid), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", PSID_IDENTIFIER_AUTHORITY, GetSidIdentifierAuthority, (PSID sid), (sid),
              AMBREL_NOT_HERE(nullptr))
AMBREL_ROUTED("advapi32.dll", PDWORD, GetSidSubAuthority, (PSID sid, DWORD index), (sid, index),
              AMBREL_NOT_HERE(nullptr))
AMBREL_ROUTED("advapi32.dll", PUCHAR, GetSidSubAuthorityCount, (PSID sid), (sid), AMBREL_NOT_HERE(nullptr))
AMBREL_ROUTED("advapi32.dll", BOOL, LookupAccountSidA,
              (LPCSTR system, PSID sid, LPSTR name, LPDWORD nameLength, LPSTR domain, LPDWORD domainLength,
               PSID_NAME_USE use),
              (system, sid, name, nameLength, domain, domainLength, use), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetKernelObjectSecurity,
              (HANDLE object, SECURITY_INFORMATION asked, PSECURITY_DESCRIPTOR descriptor, DWORD length,
               LPDWORD needed),
              (object, asked, descriptor, length, needed), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetSecurityDescriptorOwner,
              (PSECURITY_DESCRIPTOR descriptor, PSID* owner, LPBOOL defaulted), (descriptor, owner, defaulted),
              AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetSecurityDescriptorDacl,
              (PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* dacl, LPBOOL defaulted),
              (descriptor, present, dacl, defaulted), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetAclInformation,
              (PACL acl, LPVOID information, DWORD length, ACL_INFORMATION_CLASS kind),
              (acl, information, length, kind), AMBREL_NOT_HERE(FALSE))
AMBREL_ROUTED("advapi32.dll", BOOL, GetAce, (PACL acl, DWORD index, LPVOID* ace), (acl, index, ace),
              AMBREL_NOT_HERE(FALSE))

}  // namespace

}  // namespace ambrel

// The import pointers, by the names the linker looks for (stdcall: the bytes
// of the arguments after the @).
#define AMBREL_IMPORT(name, bytes)                                                             \
    extern "C" {                                                                               \
    __attribute__((used)) decltype(&ambrel::Routed_##name) ambrel_import_##name __asm__(       \
        "__imp__" #name "@" #bytes) = &ambrel::Routed_##name;                                  \
    }

AMBREL_IMPORT(GetFileSizeEx, 8)
AMBREL_IMPORT(SetFilePointerEx, 20)
AMBREL_IMPORT(GetLongPathNameA, 12)
AMBREL_IMPORT(GetModuleHandleExW, 12)
AMBREL_IMPORT(GetModuleHandleW, 4)
AMBREL_IMPORT(LoadLibraryW, 4)
AMBREL_IMPORT(CreateSemaphoreW, 16)
AMBREL_IMPORT(IsDBCSLeadByteEx, 8)
AMBREL_IMPORT(MoveFileExA, 12)
AMBREL_IMPORT(MsgWaitForMultipleObjectsEx, 20)
AMBREL_IMPORT(SetWinEventHook, 28)
AMBREL_IMPORT(UnhookWinEvent, 4)
AMBREL_IMPORT(CoInitializeEx, 8)
AMBREL_IMPORT(InitCommonControlsEx, 4)
AMBREL_IMPORT(EnableThemeDialogTexture, 8)
AMBREL_IMPORT(OpenProcessToken, 12)
AMBREL_IMPORT(LookupPrivilegeValueA, 12)
AMBREL_IMPORT(AdjustTokenPrivileges, 24)
AMBREL_IMPORT(GetTokenInformation, 20)
AMBREL_IMPORT(AllocateAndInitializeSid, 44)
AMBREL_IMPORT(FreeSid, 4)
AMBREL_IMPORT(EqualSid, 8)
AMBREL_IMPORT(IsValidSid, 4)
AMBREL_IMPORT(GetSidIdentifierAuthority, 4)
AMBREL_IMPORT(GetSidSubAuthority, 8)
AMBREL_IMPORT(GetSidSubAuthorityCount, 4)
AMBREL_IMPORT(LookupAccountSidA, 28)
AMBREL_IMPORT(GetKernelObjectSecurity, 20)
AMBREL_IMPORT(GetSecurityDescriptorOwner, 12)
AMBREL_IMPORT(GetSecurityDescriptorDacl, 16)
AMBREL_IMPORT(GetAclInformation, 16)
AMBREL_IMPORT(GetAce, 12)
