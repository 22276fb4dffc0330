#pragma once
// The help topics the programs open, by context number: the help file's map
// (help/context.h) gives each its page. Every Help button, menu entry and F1
// names one of these.

namespace ambrel {

inline constexpr unsigned long kHelpMonitor = 103;          // the monitor's window and menu
inline constexpr unsigned long kHelpMaintenance = 104;      // the maintenance window, its About page
inline constexpr unsigned long kHelpUninstaller = 105;      // the uninstaller
inline constexpr unsigned long kHelpShutdownFolder = 112;   // the Shutdown Folder page
inline constexpr unsigned long kHelpCommandLines = 113;     // the Command Lines page
inline constexpr unsigned long kHelpCommandEditor = 120;    // adding or changing a command line
inline constexpr unsigned long kHelpShutDownDialog = 121;   // the Shut Down Windows dialog
inline constexpr unsigned long kHelpMessageStyle = 123;     // the message style and action dialogs
inline constexpr unsigned long kHelpProgramOptions = 125;   // the Program Options page
inline constexpr unsigned long kHelpRunOptions = 126;       // the Run Options page
inline constexpr unsigned long kHelpShutdownOptions = 127;  // the Shutdown Options page
inline constexpr unsigned long kHelpLogOptions = 128;       // the Log Options page

// The help file beside the programs; where no HTML Help viewer is there (a
// bare Windows 95), the WinHelp file of the same name is opened instead.
inline constexpr const char* kHelpFileName = "AMBREL.CHM";
inline constexpr const char* kWinHelpFileName = "AMBREL.HLP";

}  // namespace ambrel
