#pragma once
// The uninstaller's window: the dialog of Pellorin.rc around frmUninstall.

#include <windows.h>

#include "uninstaller/frmUninstall.h"
#include "win32/common_dialog_win32.h"

namespace ambrel {

class frmUninstallView final : public IUninstallView {
public:
    // Shows the window modally until the form closes it.
    void Run(frmUninstall& form);

    void ShowHelp(const std::string& helpFile, unsigned long context) override;
    void Close() override;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Init();

    frmUninstall* m_form = nullptr;
    HWND m_hwnd = nullptr;
    HFONT m_bold = nullptr;
    CommonDialog m_dialog;
};

}  // namespace ambrel
