#pragma once
// The common dialog: an open-file dialog, and the help: the HTML Help file,
// or where the system has no viewer for it, the WinHelp file of that name.

#include <windows.h>

#include <string>

#include "shared/platform.h"

namespace ambrel {

class CommonDialog {
public:
    explicit CommonDialog(HWND owner = nullptr) : m_owner(owner) {}
    void Owner(HWND owner) { m_owner = owner; }
    // The chosen file's full path, empty when the user cancels.
    std::string ShowOpen(const OpenFileRequest& request);
    // The same for a file to write: an existing one is replaced after the
    // user has said so.
    std::string ShowSave(const OpenFileRequest& request);

    // Help: the help file's path, the topic's context number, and the help
    // command (1 shows the topic of that context).
    std::string HelpFile;
    unsigned long HelpContext = 0;
    unsigned int HelpCommand = 1;
    bool ShowHelp();
    // Shows the topic of a context number: in the HTML Help file that
    // `helpFile` names (its extension aside) when the system has a viewer for
    // it (hhctrl.ocx, looked up at run time), else in the WinHelp file of
    // that name when there is one; else one box names the file. The help
    // window is owned by the owner, and goes at the latest with CloseHelp.
    bool ShowHelpTopic(const std::string& helpFile, unsigned long context);

private:
    HWND m_owner;
};

// Closes the help windows this program opened; called as it ends.
void CloseHelp();

// The filter in the dialog's own form: pairs separated by NULs, ending in two.
std::string OpenFileFilter(const std::string& filter);

}  // namespace ambrel
