#include "win32/screen_cover_win32.h"

namespace ambrel {

const char* const ScreenCover::ClassName = "AmbrelShutDownBackground";

ScreenCover::ScreenCover() {
    // Every screen, not the primary one alone: the virtual screen may start
    // left of or above the primary one. A system without several screens
    // (Windows 95, NT 4) gives no virtual screen: the primary one is all.
    m_left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    m_top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    m_width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    m_height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (m_width <= 0 || m_height <= 0) {
        m_left = m_top = 0;
        m_width = GetSystemMetrics(SM_CXSCREEN);
        m_height = GetSystemMetrics(SM_CYSCREEN);
    }
    HDC screen = GetDC(nullptr);
    m_dc = CreateCompatibleDC(screen);
    m_bitmap = CreateCompatibleBitmap(screen, m_width, m_height);
    if (m_dc && m_bitmap) {
        m_old = SelectObject(m_dc, m_bitmap);
        BitBlt(m_dc, 0, 0, m_width, m_height, screen, m_left, m_top, SRCCOPY);
    }
    ReleaseDC(nullptr, screen);

    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = ClassName;
    RegisterClassA(&wc);  // a second registration fails harmlessly
    m_window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, ClassName, "", WS_POPUP, m_left, m_top, m_width,
                               m_height, nullptr, nullptr, wc.hInstance, this);
}

ScreenCover::~ScreenCover() {
    if (m_window) DestroyWindow(m_window);
    if (m_old) SelectObject(m_dc, m_old);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
}

void ScreenCover::Show() {
    if (m_window) SetWindowPos(m_window, HWND_TOPMOST, m_left, m_top, m_width, m_height, SWP_SHOWWINDOW);
}

void ScreenCover::Paint(HDC target) const {
    if (!m_old) return;  // no picture was taken
    RECT client;
    GetClientRect(m_window, &client);
    StretchBlt(target, 0, 0, client.right - client.left, client.bottom - client.top, m_dc, 0, 0, m_width, m_height,
               SRCCOPY);
}

LRESULT CALLBACK ScreenCover::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* cover = reinterpret_cast<const ScreenCover*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (cover) cover->Paint(dc);
        EndPaint(hwnd, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace ambrel
