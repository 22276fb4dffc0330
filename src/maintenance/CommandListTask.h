#pragma once
// The maintenance program's silent tasks, for scripts and deployment tools:
//
//   corvane.exe /export FILE             the user's list (the shared one when
//                                        all users use the same) as text
//   corvane.exe /import FILE [/allusers] replaces that list, or the all-users
//                                        list, with the file's
//   corvane.exe /history                 the History window alone (the
//                                        monitor's menu opens it so)
//
// Nothing is shown; what went wrong is logged, and the exit code says it.

#include <functional>
#include <string>

#include "maintenance/CommandListText.h"
#include "maintenance/frm_Ambrel_Maintenance.h"

namespace ambrel {

enum ListTaskExit : int {
    kListTaskDone = 0,
    kListTaskUsage = 1,        // the command line is not one of the above
    kListTaskFile = 2,         // the file cannot be read or written
    kListTaskInvalid = 3,      // the file is no valid list: nothing was changed
    kListTaskListFailed = 4,   // the stored list cannot be read or saved
};

struct ListTask {
    enum class Kind { None, Export, Import, History } What = Kind::None;
    std::string File;
    bool AllUsers = false;
    bool Usage = false;  // /export or /import with a wrong rest
};

// The task a command line asks for (What None: the window as usual).
ListTask ParseListTask(const std::string& commandLine);

// The history file of the user who runs the program.
std::string UserHistoryPath(MaintenancePorts& ports);

// Runs the task; `report` gets one line of what went wrong (or was done).
int RunListTask(MaintenancePorts& ports, const ListTask& task, const TextCodec& codec, std::string& report);

}  // namespace ambrel
