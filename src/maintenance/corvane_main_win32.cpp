// corvane.exe, the maintenance program: wires the real adapters into
// frm_Ambrel_Maintenance and runs the message loop until the window is gone.

#include <windows.h>

#include "maintenance/CommandListTask.h"
#include "maintenance/history_win32.h"
#include "maintenance/command_editor_win32.h"
#include "maintenance/frm_Ambrel_Maintenance.h"
#include "maintenance/frm_Ambrel_Maintenance_win32.h"
#include "win32/common_dialog_win32.h"
#include "win32/app_identity_win32.h"
#include "shared/CommandFiles.h"
#include "win32/command_list_lock_win32.h"
#include "win32/files_win32.h"
#include "win32/instance_guard_win32.h"
#include "win32/processes_win32.h"
#include "win32/registry_win32.h"
#include "win32/shell_links_win32.h"
#include "win32/system_facts_win32.h"

using namespace ambrel;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    Win32Registry registry;
    Win32SystemFacts facts;
    Win32FileSystem files;
    Win32Clock clock;
    Win32RegionalSettings regional;
    Win32UserInteraction ui;
    Win32InstanceGuard instanceGuard("Ambrel.Maintenance.Instance");
    Win32ProcessLauncher processes;
    Win32ShellLinks links;
    const AppIdentity identity = LoadAppIdentity("Ambrel Maintenance");
    Win32WindowMessages messages(identity.ProgramDirectory);
    Win32CommandListLock listLock(CommandListLockFile(identity.ProgramDirectory));

    AboutTexts about = ReadAboutTexts();
    MaintenancePorts ports{registry, facts,    files,    clock, regional, ui, instanceGuard, processes,
                           links,    messages, listLock, identity, about};

    // /export and /import: silent, for scripts; the exit code says how it went.
    const ListTask task = ParseListTask(commandLine ? commandLine : "");
    if (task.What == ListTask::Kind::History && !task.Usage) {
        ShowHistoryWindow(nullptr, files, ui, UserHistoryPath(ports));
        return 0;
    }
    if (task.What != ListTask::Kind::None) {
        std::string report;
        return RunListTask(ports, task, {AnsiToUtf8, Utf8ToAnsi}, report);
    }

    frm_Ambrel_MaintenanceView view;
    if (!view.Create(instance)) return 1;
    frm_Ambrel_Maintenance form(ports, view);
    view.Attach(form);
    view.HistoryPorts(files, ui);
    form.SetTextCodec({AnsiToUtf8, Utf8ToAnsi});
    EditorPorts editorPorts{ui, processes, clock, links, ports.App, files};
    Win32CommandEditor editor(editorPorts, view.Hwnd());
    form.SetCommandEditor(&editor);
    if (!form.Form_Load(commandLine ? commandLine : "")) {
        view.Unload();
        return 0;
    }
    ui.SetOwner(reinterpret_cast<std::intptr_t>(view.Hwnd()));
    view.Show(show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (view.PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CloseHelp();
    return 0;
}
