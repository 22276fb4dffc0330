#include "shared/modAmbrelCommon.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "shared/vb.h"

namespace ambrel {

CommandFileNames& CurrentCommandFiles() {
    static CommandFileNames names;
    return names;
}

std::string UnusableListName(const std::string& logonName, bool exact) {
    const std::string name = LCase(logonName);
    if (name == "ambrel") return "it is the name of the list all users share";
    if (name == "_temp") return "it is the name of the shared list's backup";
    if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos ||
        std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return "it holds a character that no file name may";
    if (name.back() == '.' || name.back() == ' ')
        return "the system drops its last character from a file name, which then names another user's files";
    const std::string device = name.substr(0, name.find('.'));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    const bool numbered = device.size() == 4 && (device.rfind("com", 0) == 0 || device.rfind("lpt", 0) == 0) &&
                          device[3] >= '1' && device[3] <= '9';
    if (numbered || std::find(std::begin(kDevices), std::end(kDevices), device) != std::end(kDevices))
        return "it names a device, not a file";
    if (!exact)
        return "it holds letters that the system's code page cannot show, and as shown it could be another user's "
               "name";
    return "";
}

const CommandFileNames& SetCommandFiles(bool allUsersUseSame, const std::string& programDirectory,
                                        const std::string& logonName, const std::string& trailFolder,
                                        bool logonNameExact) {
    const std::string folder = programDirectory + "\\Data";
    const std::string data = folder + "\\";
    const std::string stem = allUsersUseSame ? std::string("ambrel") : logonName;
    CommandFileNames& names = CurrentCommandFiles();
    names.Settings = data + stem + ".sdd";
    names.Strings = data + stem + ".sds";
    // The shared backups are the all-users list's; a user's own list keeps
    // its own, which nobody else may read or put back.
    names.BackupSettings = allUsersUseSame ? data + "_temp.sdd" : names.Settings + ".bak";
    names.BackupStrings = allUsersUseSame ? data + "_temp.sds" : names.Strings + ".bak";
    names.AllUsers = allUsersUseSame;
    names.DataFolder = folder;
    names.TrailFolder = trailFolder.empty() ? folder : trailFolder;
    names.Refusal.clear();
    if (!allUsersUseSame) {
        const std::string why = UnusableListName(logonName, logonNameExact);
        if (!why.empty())
            names.Refusal = "Your logon name \"" + logonName + "\" cannot name a command list of its own: " + why +
                            ". Ask an administrator to let all users use the same command lines, or log on with "
                            "another name.";
    }
    return names;
}

std::string TrimAtNul(const std::string& text) { return text.substr(0, text.find('\0')); }

std::int16_t ShowCommandMessage(IUserInteraction& ui, const std::string& title, const std::string& message,
                                std::int16_t style) {
    const std::string text = Trim(message).empty() ? std::string("<No message>") : message;
    const int answer = ui.MsgBox(text, style, title);

    int buttons = style;
    if (buttons >= kMbDefaultButton3)
        buttons -= kMbDefaultButton3;
    else if (buttons >= kMbDefaultButton2)
        buttons -= kMbDefaultButton2;
    for (int icon : {kMbInformation, kMbExclamation, kMbQuestion, kMbCritical}) {
        if (icon <= buttons) {
            buttons -= icon;
            break;
        }
    }

    switch (buttons) {
        case kMbOkOnly: return 1;
        case kMbOkCancel: return answer == kAnswerOk ? 1 : answer == kAnswerCancel ? 2 : 0;
        case kMbAbortRetryIgnore:
            return answer == kAnswerAbort ? 1 : answer == kAnswerRetry ? 2 : answer == kAnswerIgnore ? 3 : 0;
        case kMbYesNoCancel:
            return answer == kAnswerYes ? 1 : answer == kAnswerNo ? 2 : answer == kAnswerCancel ? 3 : 0;
        case kMbYesNo: return answer == kAnswerYes ? 1 : answer == kAnswerNo ? 2 : 0;
        case kMbRetryCancel: return answer == kAnswerRetry ? 1 : answer == kAnswerCancel ? 2 : 0;
        default: return 0;
    }
}

bool IsShortcutPath(const std::string& commandLine) {
    return commandLine.size() >= 4 && LCase(commandLine.substr(commandLine.size() - 4)) == ".lnk";
}

std::string ShortcutCommandLine(IShellLinks& links, const std::string& shortcutPath, std::int32_t& showCommand) {
    ShortcutFields fields;
    if (!links.ReadShortcut(shortcutPath, fields)) return "";
    showCommand = fields.ShowCommand;
    // Quoted: a target under a folder with blanks names that target alone.
    return QuotedPath(TrimAtNul(fields.TargetPath)) + " " + TrimAtNul(fields.Arguments);
}

ProgramParts SplitProgram(const std::string& commandLine, const std::function<bool(const std::string&)>& isFile) {
    const std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    const std::string line = commandLine.substr(start);
    auto rest = [&](std::size_t from) {
        const std::size_t at = line.find_first_not_of(" \t", from);
        return at == std::string::npos ? std::string() : line.substr(at);
    };
    if (line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        if (close == std::string::npos) return {line.substr(1), ""};
        return {line.substr(1, close - 1), rest(close + 1)};
    }
    auto existing = [&](const std::string& candidate) -> std::string {
        if (candidate.empty()) return "";
        if (isFile(candidate)) return candidate;
        const std::size_t slash = candidate.find_last_of("\\/");
        const std::size_t dot = candidate.find_last_of('.');
        const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        if (!hasExtension && isFile(candidate + ".exe")) return candidate + ".exe";
        return "";
    };
    // The longest part first: where "C:\\Program.exe" exists beside
    // "C:\\Program Files\\App\\app.exe", the line names the second.
    for (std::size_t end = line.size(); end > 0;) {
        const std::string candidate = line.substr(0, end);
        const std::string found = existing(candidate);
        if (!found.empty()) return {found, rest(end)};
        const std::size_t blank = line.find_last_of(" \t", end - 1);
        if (blank == std::string::npos) break;
        end = line.find_last_not_of(" \t", blank);
        end = end == std::string::npos ? 0 : end + 1;
    }
    const std::size_t blank = line.find_first_of(" \t");
    if (blank == std::string::npos) return {line, ""};
    return {line.substr(0, blank), rest(blank)};
}

std::string QuotedPath(const std::string& path) {
    return path.find_first_of(" \t") == std::string::npos || path.empty() || path[0] == '"' ? path
                                                                                           : "\"" + path + "\"";
}

std::string QuotedCommandLine(const std::string& program, const std::string& arguments) {
    const std::string quoted = "\"" + program + "\"";
    return arguments.empty() ? quoted : quoted + " " + arguments;
}

bool IsDueToday(const CommandSettings& s, double today) {
    const DateParts day = SplitDate(today);
    switch (s.RunFrequency) {
        case 2: return Weekday(today) == s.RunDay;
        case 3: return day.Day == s.RunDay;
        case 4: return day.Month == s.RunDay && day.Day == s.RunYearDay;
        default: return true;
    }
}

bool RunLimitReached(const CommandSettings& s, double today) {
    return s.RunLimit > 0 && s.LastRunDate == today && s.RunCount >= s.RunLimit;
}

void CountRun(CommandSettings& s, double today) {
    if (s.LastRunDate == today) {
        if (s.RunCount < INT16_MAX) ++s.RunCount;
    } else {
        s.RunCount = 1;
        s.LastRunDate = today;
    }
}

namespace {

// A wait never lasts longer than this, so a program's end is noticed even if
// the system's report of it were lost.
constexpr double kLongestWaitMs = 60000;

}  // namespace

bool RunCommandWithLimit(IProcessLauncher& processes, IClock& clock, std::string& message,
                         const std::string& commandLine, std::int16_t windowStyle, bool timeOutOn,
                         double limitSeconds, const std::string& limitText, RunReport* report,
                         const std::function<bool()>& leaveWhen) {
    RunReport ignored;
    RunReport& how = report ? *report : ignored;
    how = RunReport{RunOutcome::FailedToStart};
    if (Trim(commandLine).empty()) {
        message = "Nothing to run (command/program not set)";
        return false;
    }
    try {
        std::uint32_t processId = 0;
        long error = 0;
        if (!processes.Start(commandLine, windowStyle, processId, error)) {
            message = "Couldn't execute " + commandLine;
            return false;
        }
        how.Outcome = RunOutcome::Run;
        // Elapsed time: a program started before midnight or across a change
        // of the clock gets the limit it was given, no more and no less.
        const double start = clock.ElapsedSeconds();
        std::unique_ptr<IRunningProcess> process = processes.Open(processId);
        for (;;) {
            std::uint32_t code = 0;
            // A process that cannot be opened or asked counts as ended.
            const bool known = process && process->ExitCode(code);
            if (!known) code = 0;
            if (code != kStillActive) {
                how.ExitCodeKnown = known;
                how.ExitCode = code;
                message = "";
                return true;
            }
            if (leaveWhen && leaveWhen()) {
                how.Outcome = RunOutcome::LeftRunning;
                message = "";
                return true;
            }
            double waitMs = kLongestWaitMs;
            if (timeOutOn) {
                const double elapsed = clock.ElapsedSeconds() - start;
                if (elapsed > limitSeconds) {
                    message = commandLine + " was terminated.  It has timed out after " + limitText + ".";
                    process->Terminate(kStillActive);
                    how.Outcome = RunOutcome::TimedOut;
                    return false;
                }
                // Wake just after the limit is passed.
                waitMs = std::clamp(std::ceil((limitSeconds - elapsed) * 1000 + 1), 1.0, kLongestWaitMs);
            }
            process->WaitServingMessages(static_cast<std::uint32_t>(waitMs));
        }
    } catch (...) {
        message = "Couldn't execute " + commandLine;
        how.Outcome = RunOutcome::FailedToStart;
        return false;
    }
}

bool RunCommand(IProcessLauncher& processes, IClock& clock, std::string& message, const std::string& commandLine,
                std::int16_t windowStyle, bool timeOutOn, std::int32_t timeOutMinutes, RunReport* report,
                const std::function<bool()>& leaveWhen) {
    return RunCommandWithLimit(processes, clock, message, commandLine, windowStyle, timeOutOn,
                               timeOutMinutes * 60.0, std::to_string(timeOutMinutes), report, leaveWhen);
}

std::int16_t TimeOutMinutesOf(const std::string& text) {
    // Digits with at most one decimal point, rounded to a whole number (to
    // the even one at a half) before the range is checked: "12.6" is 13.
    const std::string number = Trim(text);
    if (number.empty() || number.size() > 16 || number == ".") return kDefaultTimeOutMinutes;
    int points = 0;
    for (char c : number) {
        if (c == '.') ++points;
        else if (c < '0' || c > '9') return kDefaultTimeOutMinutes;
    }
    if (points > 1) return kDefaultTimeOutMinutes;
    const double minutes = std::nearbyint(std::strtod(number.c_str(), nullptr));
    return minutes >= 1 && minutes <= 1440 ? static_cast<std::int16_t>(minutes) : kDefaultTimeOutMinutes;
}

}  // namespace ambrel
