// A program with one top-level window that records the end-of-session
// messages it gets, one line each, to the file named on its command line:
//
//   session_helper.exe RECORD answer   answers every message
//   session_helper.exe RECORD hang     never serves its messages again
//
// The record starts with "pid N" and "ready HWND" once the window exists.

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HANDLE g_record = INVALID_HANDLE_VALUE;

void Record(const char* line) {
    char text[128];
    int n = std::snprintf(text, sizeof text, "%s\n", line);
    DWORD written = 0;
    WriteFile(g_record, text, static_cast<DWORD>(n), &written, nullptr);
}

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    char line[64];
    switch (message) {
        case WM_QUERYENDSESSION:
            std::snprintf(line, sizeof line, "query %u %ld", static_cast<unsigned>(wParam), static_cast<long>(lParam));
            Record(line);
            return TRUE;
        case WM_ENDSESSION:
            std::snprintf(line, sizeof line, "end %u %ld", static_cast<unsigned>(wParam), static_cast<long>(lParam));
            Record(line);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_record = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_record == INVALID_HANDLE_VALUE) return 3;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HelperProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "AmbrelSessionHelper";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "AmbrelSessionHelper", argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (!window) return 4;

    char line[64];
    std::snprintf(line, sizeof line, "pid %lu", GetCurrentProcessId());
    Record(line);
    std::snprintf(line, sizeof line, "ready %llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    Record(line);

    if (std::strcmp(argv[2], "hang") == 0) {
        Sleep(INFINITE);
        return 0;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
