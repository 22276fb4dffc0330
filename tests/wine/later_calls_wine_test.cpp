// The replacements the 32-bit programs use where Windows 95, 98 or NT 4 lack
// a call, each against the system's own call on the same input.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win32/later_calls_win32.h"

namespace ambrel {
namespace {

std::string TempFolder() {
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    return std::string(path) + "ambrel later calls " + std::to_string(GetCurrentProcessId());
}

TEST(LaterCalls, LongPathsAreFoundAsTheSystemFindsThem) {
    const std::string folder = TempFolder(), inner = folder + "\\A folder of long names";
    const std::string file = inner + "\\the file with a long name.text";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    char shortName[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(file.c_str(), shortName, sizeof shortName), 0u);
    const std::string shortPath = shortName;
    ASSERT_NE(shortPath, file);  // 8.3 names to look up
    const std::string shortFolder = shortPath.substr(0, shortPath.rfind('\\'));

    for (const std::string& path : {shortPath, file, shortFolder + "\\", shortFolder + "\\.\\" +
                                    shortPath.substr(shortPath.rfind('\\') + 1), folder + "\\missing.txt",
                                    std::string("C:\\")}) {
        SCOPED_TRACE(path);
        char real[MAX_PATH] = "", replaced[MAX_PATH] = "";
        SetLastError(0);
        const DWORD realLength = GetLongPathNameA(path.c_str(), real, sizeof real);
        const DWORD realError = GetLastError();
        SetLastError(0);
        const DWORD length = older::GetLongPathNameA(path.c_str(), replaced, sizeof replaced);
        EXPECT_EQ(length, realLength);
        if (realLength == 0) {
            EXPECT_EQ(GetLastError(), realError);
        } else {
            EXPECT_STREQ(replaced, real);
            // Too small a buffer: the size needed, with its terminating zero.
            EXPECT_EQ(older::GetLongPathNameA(path.c_str(), replaced, realLength), realLength + 1);
        }
    }
    EXPECT_EQ(older::GetLongPathNameA((folder + "\\*").c_str(), nullptr, 0), 0u);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(inner.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(LaterCalls, SizesAndPositionsBeyondFourGigabytesThroughTheOlderCalls) {
    const std::string path = TempFolder() + ".bin";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at, position, size, real;
    at.QuadPart = 5LL * 1024 * 1024 * 1024 + 3;
    ASSERT_TRUE(older::SetFilePointerEx(file, at, &position, FILE_BEGIN));
    EXPECT_EQ(position.QuadPart, at.QuadPart);
    ASSERT_TRUE(SetEndOfFile(file));
    ASSERT_TRUE(older::GetFileSizeEx(file, &size));
    ASSERT_TRUE(GetFileSizeEx(file, &real));
    EXPECT_EQ(size.QuadPart, real.QuadPart);
    EXPECT_EQ(size.QuadPart, at.QuadPart);
    at.QuadPart = -(4LL * 1024 * 1024 * 1024);
    ASSERT_TRUE(older::SetFilePointerEx(file, at, &position, FILE_CURRENT));
    EXPECT_EQ(position.QuadPart, 1LL * 1024 * 1024 * 1024 + 3);
    at.QuadPart = -1;
    EXPECT_FALSE(older::SetFilePointerEx(file, at, &position, FILE_BEGIN));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    CloseHandle(file);
    EXPECT_FALSE(older::GetFileSizeEx(file, &size));
    DeleteFileA(path.c_str());
}

TEST(LaterCalls, WideModuleAndSemaphoreCallsFindWhatTheSystemsCallsFind) {
    HMODULE module = nullptr;
    ASSERT_TRUE(older::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          reinterpret_cast<LPCWSTR>(&TempFolder), &module));
    EXPECT_EQ(module, GetModuleHandleA(nullptr));
    ASSERT_TRUE(older::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                          reinterpret_cast<LPCWSTR>(&CreateFileA), &module));
    EXPECT_EQ(module, GetModuleHandleA("kernel32.dll"));
    FreeLibrary(module);  // the count the call took
    EXPECT_TRUE(older::GetModuleHandleExW(0, L"kernel32.dll", &module));
    EXPECT_EQ(module, GetModuleHandleW(L"kernel32.dll"));
    EXPECT_FALSE(older::GetModuleHandleExW(0, L"no such module.dll", &module));
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(older::GetModuleHandleW(nullptr), GetModuleHandleW(nullptr));
    EXPECT_EQ(older::GetModuleHandleW(L"\u00e9t\u00e9\u4e2d.dll"), nullptr);  // not in the ANSI code page
    HMODULE library = older::LoadLibraryW(L"version.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library, GetModuleHandleW(L"version.dll"));
    FreeLibrary(library);

    const std::wstring name = L"ambrel later calls " + std::to_wstring(GetCurrentProcessId());
    HANDLE made = older::CreateSemaphoreW(nullptr, 1, 2, name.c_str());
    ASSERT_NE(made, nullptr);
    HANDLE again = CreateSemaphoreW(nullptr, 1, 2, name.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);  // the one count, taken through the other handle
    EXPECT_EQ(WaitForSingleObject(made, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(again);
    CloseHandle(made);
}

// A message already seen (peeked at, left in the queue) wakes a wait with
// MWMO_INPUTAVAILABLE, and only a new one wakes a wait without it.
TEST(LaterCalls, AWaitForInputSeesWhatIsInTheQueueAsTheSystemsWaitDoes) {
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (DWORD flags : {DWORD{MWMO_INPUTAVAILABLE}, DWORD{0}}) {
        SCOPED_TRACE(flags);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0));
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
        const DWORD real = MsgWaitForMultipleObjectsEx(1, &never, 0, QS_ALLINPUT, flags);
        EXPECT_EQ(older::MsgWaitForMultipleObjectsEx(1, &never, 0, QS_ALLINPUT, flags), real);
        EXPECT_EQ(real, flags ? WAIT_OBJECT_0 + 1 : static_cast<DWORD>(WAIT_TIMEOUT));
    }
    CloseHandle(never);
    EXPECT_TRUE(older::IsDBCSLeadByteEx(CP_ACP, 'a') == IsDBCSLeadByteEx(CP_ACP, 'a'));
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    EXPECT_TRUE(older::InitCommonControlsEx(&init));
    init.dwSize = 4;
    EXPECT_FALSE(older::InitCommonControlsEx(&init));
    EXPECT_EQ(older::CoInitializeEx(nullptr, COINIT_MULTITHREADED), E_NOTIMPL);
    const HRESULT apartment = older::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(SUCCEEDED(apartment));
    if (SUCCEEDED(apartment)) CoUninitialize();
}

}  // namespace
}  // namespace ambrel
