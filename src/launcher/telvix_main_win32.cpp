// Telvix.exe, the launcher: the Shut Down Windows dialog as the program's
// only window, its command line read as the dialog loads.

#include <windows.h>

#include "launcher/TelvixCommandLine.h"
#include "shutdown_dialog/frmShutDownDialog.h"
#include "shutdown_dialog/frmShutDownDialog_win32.h"
#include "win32/common_dialog_win32.h"
#include "win32/app_identity_win32.h"
#include "win32/files_win32.h"
#include "win32/processes_win32.h"
#include "win32/registry_win32.h"
#include "win32/session_win32.h"
#include "win32/system_facts_win32.h"

using namespace ambrel;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    Win32Registry registry;
    Win32SystemFacts facts;
    Win32UserInteraction ui;
    Win32ProcessLauncher processes;
    Win32SessionControl session;
    const AppIdentity identity = LoadAppIdentity("Telvix");
    Win32WindowMessages messages(identity.ProgramDirectory);
    LauncherPorts ports{registry, facts, ui, processes, session, messages, identity};
    const std::string arguments = commandLine ? commandLine : "";

    frmShutDownDialogView window;
    frmShutDownDialog dialog(ports, window);
    window.Run(nullptr, dialog, [&] {
        return dialog.Form_Load([&](int& option, int& runAmbrel) {
            LauncherChoice choice;
            bool atOnce = ReadLauncherCommandLine(arguments, choice, ui, ports.App.Title);
            option = choice.Option;
            runAmbrel = choice.RunAmbrel;
            return atOnce;
        });
    });
    CloseHelp();
    return 0;
}
