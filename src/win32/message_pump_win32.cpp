#include "win32/message_pump_win32.h"

namespace ambrel {

namespace {

// One per program: a monitor has one main window.
HWND g_keyboardWindow = nullptr;

}  // namespace

void SetKeyboardDialogWindow(HWND window) {
    g_keyboardWindow = window;
}

void ServeMessage(MSG& msg) {
    if (g_keyboardWindow && IsWindow(g_keyboardWindow) &&
        (msg.hwnd == g_keyboardWindow || IsChild(g_keyboardWindow, msg.hwnd)) &&
        IsDialogMessageA(g_keyboardWindow, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool ServeWaitingMessages(int* quitCode) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (quitCode) *quitCode = static_cast<int>(msg.wParam);
            return true;
        }
        ServeMessage(msg);
    }
    return false;
}

}  // namespace ambrel
