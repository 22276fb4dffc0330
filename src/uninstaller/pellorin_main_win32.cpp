// Pellorin.exe, the uninstaller: one window that removes what the programs
// left for the user who runs it.

#include <windows.h>

#include "uninstaller/frmUninstall.h"
#include "uninstaller/frmUninstall_win32.h"
#include "win32/common_dialog_win32.h"
#include "win32/app_identity_win32.h"
#include "win32/files_win32.h"
#include "win32/registry_win32.h"
#include "win32/system_facts_win32.h"

using namespace ambrel;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    Win32Registry registry;
    Win32SystemFacts facts;
    Win32FileSystem files;
    Win32UserInteraction ui;
    UninstallPorts ports{registry, facts, files, ui, LoadAppIdentity("Pellorin")};

    frmUninstallView view;
    frmUninstall form(ports, view);
    form.Silent = IsSilentCommandLine(commandLine ? commandLine : "");
    if (!form.Form_Load()) return 1;
    if (form.Silent)
        form.Uninstall();
    else
        view.Run(form);
    CloseHelp();
    return 0;
}
