#pragma once
// The monitor's window: shows frmAmbrel's fields and turns window messages
// into its handlers.

#include <windows.h>

#include <memory>
#include <vector>

#include "monitor/frmAmbrel.h"
#include "win32/common_dialog_win32.h"
#include "win32/image_list_win32.h"
#include "win32/list_view_win32.h"
#include "win32/status_bar_win32.h"
#include "win32/toolbar_win32.h"
#include "win32/tray_icon_win32.h"

namespace ambrel {

class frmAmbrelView final : public IAmbrelView {
public:
    frmAmbrelView();
    ~frmAmbrelView() override;

    // Creates the (hidden) window; the form is attached right after.
    bool Create(HINSTANCE instance);
    void Attach(frmAmbrel& form) { m_form = &form; }
    HWND Hwnd() const { return m_hwnd; }

    std::int32_t WindowHandle() override;
    void Refresh() override;
    void CenterForm() override;
    void BringToFront() override;
    void PopupOptionsMenu() override;
    void ServeMessagesUntil(const std::function<bool()>& done) override;
    void ShowHelp(const std::string& helpFile, unsigned long context) override;
    std::int32_t AskShutdownType() override;
    void ShowShutWarning(std::int16_t& sessionEndOutcome) override;
    void ShowTrayBalloon(const std::string& title, const std::string& text) override;
    void WatchForShutdownDialog(const std::string& title) override;
    void StopWatching() override;
    std::int32_t AskShutdownTypeInPlace(bool showRunCheckBox, bool& runList) override;
    void Unload() override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WaitPanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void CALLBACK WindowEvent(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG object, LONG child,
                                     DWORD thread, DWORD time);
    // Looks for the system's Shut Down dialog; hands it to the form once it shows.
    void CheckForShutdownDialog();
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void OnCommand(int id);
    void ShowRows();
    void ReadSelection();
    HWND Button(int id, const char* caption, const char* tip, int x, int y, int width);
    HWND Label(const char* text, int x, int y, int width, int height, HWND parent = nullptr);
    // The control the keyboard starts on: Execute while the list asks for
    // confirmation, else the first one that Tab reaches.
    HWND DefaultControl() const;
    // The control Enter presses: the push button that has the focus, else
    // Execute while the list is shown (0: none).
    LRESULT DefaultButtonId() const;

    // Places are given for 96 dots per inch and scaled to the system's DPI.
    int S(int px) const { return MulDiv(px, m_dpi, 96); }

    HWND m_hwnd = nullptr;
    int m_dpi = 96;
    HWND m_waitPanel = nullptr;
    HWND m_tooltips = nullptr;
    HWND m_labels[5] = {};
    HWND m_cmdMinimize = nullptr;
    HFONT m_font = nullptr;
    HICON m_icon = nullptr;
    HWND m_lastFocus = nullptr;         // the control that had the focus when the window went inactive
    std::vector<HWND> m_listControls;  // shown while the list is shown
    std::vector<HWND> m_waitControls;  // shown while the monitor waits
    frmAmbrel* m_form = nullptr;
    ListViewControl m_list;
    ToolbarControl m_toolbar;
    StatusBarControl m_status;
    TrayIconControl m_tray;
    ImageListControl m_runImages;
    ImageListControl m_toolbarImages;
    CommonDialog m_dialog;
    std::vector<ExecuteRow> m_shownRows;
    bool m_rowsShown = false;
    int m_timerInterval = 0;
    bool m_timerOn = false;
    bool m_destroyed = false;
    // Watching for the system's Shut Down dialog.
    std::string m_watchTitle;
    HWINEVENTHOOK m_hook = nullptr;
    int m_showChecks = 0;
    bool m_watching = false;
    HWND m_systemDialog = nullptr;
};

}  // namespace ambrel
