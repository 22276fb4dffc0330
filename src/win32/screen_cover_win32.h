// A picture of the whole screen, taken when the cover is made and shown in a
// topmost window over all of it, for a dialog to be asked over. Each cover
// holds one picture and gives back every handle it took when it goes.

#pragma once

#include <windows.h>

namespace ambrel {

class ScreenCover {
public:
    ScreenCover();
    ~ScreenCover();
    ScreenCover(const ScreenCover&) = delete;
    ScreenCover& operator=(const ScreenCover&) = delete;

    // Puts the cover on screen, in front of every window that is not topmost.
    void Show();
    // The cover's window (null if it could not be made): the owner for what
    // is asked over it.
    HWND Window() const { return m_window; }
    HBITMAP Picture() const { return m_bitmap; }
    HDC PictureDc() const { return m_dc; }

    static const char* const ClassName;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC target) const;

    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;  // the virtual screen
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    HWND m_window = nullptr;
};

}  // namespace ambrel
