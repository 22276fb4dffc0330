#pragma once
// The command editor and its two dialogs as modal dialogs of corvane.rc, each
// a thin view over its form: controls into fields before a handler, fields
// into controls after it.

#include <windows.h>

#include "maintenance/Frm_add_command.h"
#include "maintenance/frm_Ambrel_Maintenance.h"
#include "win32/common_dialog_win32.h"
#include "win32/dialog_controls_win32.h"

namespace ambrel {

// A modal dialog of a template whose handlers are stopped from unwinding
// through the system: an error they raise is reported by the maintenance
// window, as its own handlers' errors are.
class ModalDialogView {
public:
    ModalDialogView(frm_Ambrel_Maintenance& reporter, int templateId) : m_reporter(reporter), m_template(templateId) {}
    virtual ~ModalDialogView() = default;
    ModalDialogView(const ModalDialogView&) = delete;
    ModalDialogView& operator=(const ModalDialogView&) = delete;

    // Runs the dialog until it is ended.
    void Run(HWND owner);
    HWND Hwnd() const { return m_hwnd; }

protected:
    virtual void OnInit() = 0;
    virtual void OnCommand(int id, int code) = 0;
    // The close box, the system menu or Alt+F4.
    virtual void OnClose() = 0;
    // F1: as the dialog's Help button.
    virtual void OnHelp() = 0;
    void End();
    void ShowHelpTopic(const std::string& file, unsigned long context);
    // A running test: its button stops the wait, Accept and Cancel wait.
    void ShowTest(int button, const CommandTest& test);
    // Runs a handler; whatever it raises is reported.
    template <typename Handler>
    void Guarded(Handler handler) {
        try {
            handler();
        } catch (...) {
            m_reporter.ReportHandlerError();
        }
    }

    HWND m_hwnd = nullptr;
    bool m_refreshing = false;
    bool m_focusSet = false;
    CommonDialog m_dialog;
    ToolTips m_tips;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    frm_Ambrel_Maintenance& m_reporter;
    int m_template;
    bool m_ended = false;
};

// The editor that the command list page opens for Add, Edit and Delete.
class Win32CommandEditor final : public ICommandEditor {
public:
    Win32CommandEditor(EditorPorts& ports, HWND owner) : m_ports(ports), m_owner(owner) {}
    void Show(frm_Ambrel_Maintenance& owner) override;

private:
    EditorPorts& m_ports;
    HWND m_owner;
};

}  // namespace ambrel
