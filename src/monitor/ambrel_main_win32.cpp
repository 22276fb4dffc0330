// Ambrel.exe, the monitor: wires the real adapters into frmAmbrel and runs
// the message loop until the window is gone.

#include <windows.h>

#include "monitor/frmAmbrel.h"
#include "monitor/frmAmbrel_win32.h"
#include "shared/modAmbrelCommon.h"
#include "win32/common_dialog_win32.h"
#include "win32/instance_guard_win32.h"
#include "win32/app_identity_win32.h"
#include "win32/command_list_lock_win32.h"
#include "win32/files_win32.h"
#include "win32/message_pump_win32.h"
#include "win32/processes_win32.h"
#include "win32/registry_win32.h"
#include "win32/session_win32.h"
#include "win32/shell_links_win32.h"
#include "win32/shutdown_courtesy_win32.h"
#include "win32/system_facts_win32.h"

using namespace ambrel;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    Win32Registry registry;
    Win32SystemFacts facts;
    Win32FileSystem files;
    Win32Clock clock;
    Win32RegionalSettings regional;
    Win32UserInteraction ui;
    Win32InstanceGuard instanceGuard("Ambrel.Monitor.Instance");
    Win32ProcessLauncher processes;
    Win32ShellLinks links;
    Win32SessionControl session;
    const AppIdentity identity = LoadAppIdentity(kMonitorTitle);
    Win32CommandListLock listLock(CommandListLockFile(identity.ProgramDirectory));
    Win32ShutdownCourtesy courtesy;

    AboutTexts about = ReadAboutTexts();
    MonitorPorts ports{registry, facts,    files,    clock,    regional, ui, instanceGuard, processes, links,
                       session,  listLock, courtesy, identity, about};

    frmAmbrelView view;
    if (!view.Create(instance)) return 1;
    frmAmbrel form(ports, view);
    view.Attach(form);
    ui.SetOwner(0);
    ui.OwnByActiveWindow(false);
    if (!form.Form_Load(commandLine ? commandLine : "")) {
        view.Unload();
        return 0;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) ServeMessage(msg);
    CloseHelp();
    return 0;
}
