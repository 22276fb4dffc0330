#pragma once
// The uninstaller's window: it removes, for the user who runs it, what the
// programs left on the machine (the command list data, the help index files,
// the Startup shortcut, the Shutdown folder and the registry keys), and
// leaves the program files to Add/Remove Programs.

#include <string>

#include "shared/cRegistryAPI.h"
#include "shared/cSystemInfo.h"
#include "shared/platform.h"

#include <memory>

namespace ambrel {

struct UninstallPorts {
    IRegistryBackend& Registry;
    ISystemFacts& Facts;
    IFileSystem& Files;
    IUserInteraction& Ui;
    AppIdentity App;
};

class IUninstallView {
public:
    virtual ~IUninstallView() = default;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    // Closes the window, which ends the program.
    virtual void Close() = 0;
};

class frmUninstall {
public:
    frmUninstall(UninstallPorts& ports, IUninstallView& view);

    // Makes the window's objects. When the user's folders cannot be found it
    // shows why and gives false: the program ends before the window is used.
    bool Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    // Each step goes on after a failure of the one before; nothing is
    // reported but the final message.
    void Uninstall();

    // The setup program's uninstall runs the removal with no window and no
    // message ("Pellorin /S").
    bool Silent = false;

    // The removal's paths; empty when the folder could not be placed safely.
    std::string ShutdownFolder() const { return m_shutdownFolder; }
    std::string StartupFolder() const { return m_startupFolder; }

private:
    void RemoveFilesOf(const std::string& folder, const std::string& onlyEnding = "");
    void RemoveKeys(RegHandle root);

    UninstallPorts& m_ports;
    IUninstallView& m_view;
    std::unique_ptr<cSystemInfo> m_systemInfo;
    cRegistryAPI m_registry;
    std::string m_shutdownFolder;
    std::string m_startupFolder;
};

// "/S" (in any case, with blanks around it): the removal runs silently.
bool IsSilentCommandLine(const std::string& commandLine);

// Whether `path` names a folder below a drive's root or a network share
// ("C:\Windows", "\\server\share\x"), so that a path built on it can never
// reach a drive's root or the current folder.
bool IsFolderBelowRoot(const std::string& path);

}  // namespace ambrel
