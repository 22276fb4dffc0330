#pragma once
// The launcher's command line: which ending and whether Ambrel's work runs
// first, and whether the dialog acts at once without being shown.

#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel {

// What the command line can set on the dialog: the chosen option button
// (0 shut down, 1 restart, 2 MS-DOS mode, 3 log off) and the run check box (1 or 0).
struct LauncherChoice {
    int Option = 0;
    int RunAmbrel = 1;
};

// The arguments of a command line: blanks and tabs separate them, no quoting;
// `tooMany` is set (and the list emptied) when a tenth argument begins.
std::vector<std::string> SplitLauncherArguments(const std::string& commandLine, bool& tooMany);

// Reads the command line into `choice`: each argument, in order, chooses the
// ending (/T=S, /T=R, /T=L), whether the monitor runs its list (/RA=Y, /RA=N)
// or the help (/?), and the first that is none of these stops the reading. Shows the help text or
// the invalid-argument message through `ui` (titled `title`); true when the
// dialog is to act at once. Effects of arguments before a stop stay in `choice`.
bool ReadLauncherCommandLine(const std::string& commandLine, LauncherChoice& choice, IUserInteraction& ui,
                             const std::string& title);

// The help text, byte for byte (CR LF between lines, none after the last).
extern const char* const kLauncherHelpText;

}  // namespace ambrel
