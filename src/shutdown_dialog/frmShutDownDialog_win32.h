#pragma once
// The Shut Down Windows dialog's window: a modal dialog whose controls are
// placed from the form's twips at the system's DPI.

#include <windows.h>

#include <functional>

#include "shutdown_dialog/frmShutDownDialog.h"
#include "win32/common_dialog_win32.h"

namespace ambrel {

class frmShutDownDialogView final : public IShutDownDialogView {
public:
    // Runs the dialog over `owner` (none for the launcher): `load` runs once
    // the window exists, before it shows; the dialog shows unless load
    // answers false or closes it.
    void Run(HWND owner, frmShutDownDialog& form, const std::function<bool()>& load);

    // Kept above every other window (over a picture of the screen).
    bool Topmost = false;
    // Pixels of this screen as twips.
    int TwipsOf(int px) const { return MulDiv(px, 1440, ScreenDpi()); }
    static int ScreenDpi();

    std::int32_t WindowHandle() override;
    ScreenMetrics Metrics() override;
    void Refresh() override;
    void ShowHelp(const std::string& helpFile, unsigned long context) override;
    void Close() override;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    int Px(int twips) const;
    int Twips(int px) const;
    void ReadControls();
    void TabStopOnChoice();

    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    HFONT m_font = nullptr;
    HICON m_icon = nullptr;  // the picture's, at the dialog's size
    frmShutDownDialog* m_form = nullptr;
    std::function<bool()> m_load;
    CommonDialog m_dialog;
    int m_dpi = 96;
    bool m_closed = false;
};

}  // namespace ambrel
