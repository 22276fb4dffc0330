#pragma once
// Routines that the monitor and the maintenance program share: the command
// file names, a command's message, shortcut command lines, the run
// bookkeeping and the command runner.

#include <cstdint>
#include <functional>
#include <string>

#include "shared/CommandFiles.h"
#include "shared/CommandRecords.h"
#include "shared/SessionTrail.h"
#include "shared/platform.h"

namespace ambrel {

// The monitor's own title: its messages, a command's among them, carry it.
inline constexpr const char* kMonitorTitle = "Ambrel";

// The names chosen by the last SetCommandFiles; every loader and writer uses them.
CommandFileNames& CurrentCommandFiles();

// All users share "ambrel.sdd/.sds"; otherwise each user has "<logonName>.sdd/.sds".
// The all-users list's backups are "_temp.sdd/.sds", a user's own list's
// "<logonName>.sdd.bak/.sds.bak". The wait marker and the run history go to
// `trailFolder` (the data folder when it is ""). A logon name that cannot
// name a list of its own (UnusableListName; `logonNameExact` false when the
// name did not survive the code page whole) sets the names' Refusal.
// Returns the names set.
const CommandFileNames& SetCommandFiles(bool allUsersUseSame, const std::string& programDirectory,
                                        const std::string& logonName, const std::string& trailFolder = "",
                                        bool logonNameExact = true);

// Why a logon name cannot name a user's own list: the shared list's or its
// backup's name, a character no file name may hold, a last dot or blank that
// the system drops, a device's name, or one that did not survive the code
// page (`exact` false). "" when it can.
std::string UnusableListName(const std::string& logonName, bool exact);

// The text up to its first NUL character.
std::string TrimAtNul(const std::string& text);

// Shows a command's message ("<No message>" when it is blank) in a box of the
// given style under the program's title; returns the number of the button
// pressed (1, 2 or 3), or 0 for a style whose buttons it does not know.
std::int16_t ShowCommandMessage(IUserInteraction& ui, const std::string& title, const std::string& message,
                                std::int16_t style);

// A command line's program and what follows it, picked without ambiguity:
// a quoted program up to its closing quote; an unquoted one with blanks, the
// longest leading part (up to a blank, or the whole line) that names an
// existing file, ".exe" added where it has no extension; otherwise up to the
// first blank. `isFile` says whether a path names an existing file.
struct ProgramParts {
    std::string Program;
    std::string Arguments;
};
ProgramParts SplitProgram(const std::string& commandLine, const std::function<bool(const std::string&)>& isFile);
// The program quoted, then its arguments: a command line that names it alone.
std::string QuotedCommandLine(const std::string& program, const std::string& arguments);
// A path with a blank in it in quotes, for a command line; others as they are.
std::string QuotedPath(const std::string& path);

// True when the command line names a shortcut file (it ends in ".lnk").
bool IsShortcutPath(const std::string& commandLine);

// The command line a shortcut starts: target, a blank, arguments; its show
// command comes back in `showCommand`. "" when the shortcut cannot be read.
std::string ShortcutCommandLine(IShellLinks& links, const std::string& shortcutPath, std::int32_t& showCommand);

// Run bookkeeping; `today` is a whole-day date.
bool IsDueToday(const CommandSettings& settings, double today);
bool RunLimitReached(const CommandSettings& settings, double today);
// Counts one run on `today`.
void CountRun(CommandSettings& settings, double today);

// The time-out that a stored text gives: a whole number of minutes from 1 to
// 1440, the range the maintenance program keeps to; any other text counts as
// the default 120 (a negative, huge or empty time-out would end every
// command at once).
inline constexpr std::int16_t kDefaultTimeOutMinutes = 120;
std::int16_t TimeOutMinutesOf(const std::string& text);

// Starts a command line with the window style as its show state and waits
// until it ends, serving messages. With the time-out on, a program that runs
// longer than `timeOutMinutes` is terminated. `message` is "" on success,
// else the text for the log or the user.
// How a run went, for the run history.
struct RunReport {
    RunOutcome Outcome = RunOutcome::Run;
    bool ExitCodeKnown = false;  // the process could be asked when it ended
    std::uint32_t ExitCode = 0;
};

// The wait stops early, leaving the program to run on its own (outcome
// LeftRunning, true), once `leaveWhen` answers true; it is asked after each
// wake.
bool RunCommand(IProcessLauncher& processes, IClock& clock, std::string& message, const std::string& commandLine,
                std::int16_t windowStyle, bool timeOutOn, std::int32_t timeOutMinutes, RunReport* report = nullptr,
                const std::function<bool()>& leaveWhen = {});

// RunCommand with its limit in seconds; `limitText` is the number the
// time-out message names. The limit is counted in elapsed time.
bool RunCommandWithLimit(IProcessLauncher& processes, IClock& clock, std::string& message,
                         const std::string& commandLine, std::int16_t windowStyle, bool timeOutOn,
                         double limitSeconds, const std::string& limitText, RunReport* report = nullptr,
                         const std::function<bool()>& leaveWhen = {});

}  // namespace ambrel
