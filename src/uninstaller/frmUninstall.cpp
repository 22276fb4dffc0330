#include "uninstaller/frmUninstall.h"
#include "shared/HelpContexts.h"

#include <vector>

#include "shared/errors.h"
#include "shared/vb.h"

#include <cctype>

namespace ambrel {

namespace {

std::string WithoutTrailingBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

bool IsSilentCommandLine(const std::string& commandLine) { return UCase(Trim(commandLine)) == "/S"; }

bool IsFolderBelowRoot(const std::string& raw) {
    const std::string path = WithoutTrailingBackslash(raw);
    if (path.find('/') != std::string::npos) return false;
    for (std::size_t at = path.find(".."); at != std::string::npos; at = path.find("..", at + 1)) {
        const bool startsPart = at == 0 || path[at - 1] == '\\';
        const bool endsPart = at + 2 == path.size() || path[at + 2] == '\\';
        if (startsPart && endsPart) return false;  // a part that climbs back up
    }
    if (path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\')
        return path.find("\\\\", 2) == std::string::npos;
    if (path.rfind("\\\\", 0) == 0) {
        // \\server\share\folder: a share's root is no more a place to empty
        // than a drive's.
        std::vector<std::string> parts;
        std::string part;
        for (std::size_t i = 2; i <= path.size(); ++i) {
            if (i == path.size() || path[i] == '\\') {
                if (part.empty()) return false;
                parts.push_back(part);
                part.clear();
            } else {
                part += path[i];
            }
        }
        return parts.size() >= 3;
    }
    return false;
}

frmUninstall::frmUninstall(UninstallPorts& ports, IUninstallView& view)
    : m_ports(ports), m_view(view), m_registry(ports.Registry) {}

bool frmUninstall::Form_Load() {
    try {
        m_systemInfo = std::make_unique<cSystemInfo>(m_ports.Registry, m_ports.Facts);
        return true;
    } catch (...) {
        CatchCurrentError(m_ports.App.Title);
        if (!Silent) m_ports.Ui.MsgBox(Err().Description, kMbCritical | kMbOkOnly, m_ports.App.Title);
        m_view.Close();
        return false;
    }
}

void frmUninstall::cmdOk_Click() {
    Uninstall();
    m_view.Close();
}

void frmUninstall::cmdCancel_Click() { m_view.Close(); }

void frmUninstall::cmdHelp_Click() {
    m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, kHelpUninstaller);
}

void frmUninstall::RemoveFilesOf(const std::string& folder, const std::string& onlyEnding) {
    std::vector<std::string> names;
    if (!m_ports.Files.ListFiles(folder, names)) return;
    for (const std::string& name : names) {
        if (!onlyEnding.empty() &&
            (name.size() < onlyEnding.size() || LCase(name.substr(name.size() - onlyEnding.size())) != onlyEnding))
            continue;
        m_ports.Files.Remove(folder + "\\" + name);
    }
}

void frmUninstall::RemoveKeys(RegHandle root) {
    const std::string product = m_ports.App.ProductName;
    RegHandle key = 0;
    if (!m_registry.RegOpenKey(root, "Software\\" + product, key)) return;
    const bool deleted = m_registry.RegDeleteKey(key, "options");
    // Closed whichever way the deletion went: a key is never left open.
    m_registry.RegCloseKey(key);
    if (!deleted) return;
    if (!m_registry.RegOpenKey(root, "Software", key)) return;
    m_registry.RegDeleteKey(key, product);
    m_registry.RegCloseKey(key);
}

void frmUninstall::Uninstall() {
    IFileSystem& files = m_ports.Files;
    // A folder that cannot be placed below a root is left alone: a path
    // built on an empty or relative one would reach the root of a drive.
    m_shutdownFolder.clear();
    m_startupFolder.clear();
    if (m_systemInfo && IsFolderBelowRoot(m_systemInfo->StartMenuDir()))
        m_shutdownFolder = WithoutTrailingBackslash(m_systemInfo->StartMenuDir()) + "\\Shutdown";
    if (m_systemInfo && IsFolderBelowRoot(m_systemInfo->StartupFolder()))
        m_startupFolder = WithoutTrailingBackslash(m_systemInfo->StartupFolder());

    if (!m_startupFolder.empty()) files.Remove(m_startupFolder + "\\Ambrel.lnk");

    const std::string programDirectory = WithoutTrailingBackslash(m_ports.App.ProgramDirectory);
    if (IsFolderBelowRoot(programDirectory)) {
        // An administrator's uninstall deletes every file of Data: only in
        // Data itself, never through a link that someone put in its place.
        const std::string data = programDirectory + "\\data";
        ObjectSecurity folder;
        long error = 0;
        if (files.FolderSecurity(data, folder, error) && folder.ReparsePoint) {
            if (!Silent)
                m_ports.Ui.MsgBox("The data folder " + data + " is a link to another place; it was left alone.",
                                  kMbExclamation | kMbOkOnly, m_ports.App.Title);
        } else {
            const std::string verified = folder.Kept && !folder.FinalPath.empty() ? folder.FinalPath : data;
            RemoveFilesOf(verified);
            files.RemoveFolder(verified);
        }
        RemoveFilesOf(programDirectory, ".gid");
    }

    if (!m_shutdownFolder.empty()) {
        RemoveFilesOf(m_shutdownFolder);
        files.RemoveFolder(m_shutdownFolder);
    }

    RemoveKeys(m_registry.HKEY_LOCAL_MACHINE());
    RemoveKeys(m_registry.HKEY_CURRENT_USER());

    if (!Silent)
        m_ports.Ui.MsgBox(m_ports.App.ProductName + " was uninstalled for the current user.",
                          kMbInformation | kMbOkOnly, m_ports.App.Title);
}

}  // namespace ambrel
