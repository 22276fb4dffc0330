#pragma once
// The common dialog: an open-file dialog, and help through WinHelp.

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

    // Help: the help file's path, the topic's context number, and the help
    // command (1 shows the topic of that context).
    std::string HelpFile;
    unsigned long HelpContext = 0;
    unsigned int HelpCommand = 1;
    bool ShowHelp();
    // Shows the topic of a context number in a help file.
    bool ShowHelpTopic(const std::string& helpFile, unsigned long context);

private:
    HWND m_owner;
};

// The filter in the dialog's own form: pairs separated by NULs, ending in two.
std::string OpenFileFilter(const std::string& filter);

}  // namespace ambrel
