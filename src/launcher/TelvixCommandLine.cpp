#include "launcher/TelvixCommandLine.h"

#include <cstddef>

#include "shared/vb.h"

namespace ambrel {

const char* const kLauncherHelpText =
    "Telvix command line options\r\n"
    "\r\n"
    "/T=   Type of shutdown:\r\n"
    "\t/T=S Shutdown Windows\r\n"
    "\t/T=R Restart Windows\r\n"
    "\t/T=L Logon as new user\r\n"
    "\r\n"
    "/RA=  Running Ambrel:\r\n"
    "\t/RA=Y Run Ambrel\r\n"
    "\t/RA=N Don't run Ambrel\r\n"
    "\r\n"
    "/?    Display these options";

namespace {

constexpr std::size_t kMaxLauncherArguments = 9;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::string wanted(prefix);
    return UCase(text.substr(0, wanted.size())) == wanted;
}

char LastUpper(const std::string& text) { return UCase(text.substr(text.size() - 1))[0]; }

enum class Reading { Valid, Invalid, Help };

Reading ReadArgument(const std::string& argument, LauncherChoice& choice) {
    const std::string a = Trim(argument);
    if (a.empty()) return Reading::Invalid;
    if (StartsWithNoCase(a, "/T=")) {
        switch (LastUpper(a)) {
        case 'S': choice.Option = 0; return Reading::Valid;
        case 'R': choice.Option = 1; return Reading::Valid;
        case 'L': choice.Option = 3; return Reading::Valid;
        default: return Reading::Invalid;
        }
    }
    if (StartsWithNoCase(a, "/RA=")) {
        switch (LastUpper(a)) {
        case 'Y': choice.RunAmbrel = 1; return Reading::Valid;
        case 'N': choice.RunAmbrel = 0; return Reading::Valid;
        default: return Reading::Invalid;
        }
    }
    if (a.compare(0, 2, "/?") == 0) return Reading::Help;
    return Reading::Invalid;
}

}  // namespace

std::vector<std::string> SplitLauncherArguments(const std::string& commandLine, bool& tooMany) {
    std::vector<std::string> arguments;
    tooMany = false;
    bool between = true;
    for (const char c : commandLine) {
        if (c == ' ' || c == '\t') {
            between = true;
            continue;
        }
        if (between) {
            // A tenth argument makes the whole line count for nothing.
            if (arguments.size() == kMaxLauncherArguments) {
                tooMany = true;
                arguments.clear();
                return arguments;
            }
            arguments.emplace_back();
            between = false;
        }
        arguments.back() += c;
    }
    return arguments;
}

bool ReadLauncherCommandLine(const std::string& commandLine, LauncherChoice& choice, IUserInteraction& ui,
                             const std::string& title) {
    bool tooMany = false;
    const std::vector<std::string> arguments = SplitLauncherArguments(commandLine, tooMany);
    if (tooMany || arguments.empty()) return false;
    for (const std::string& argument : arguments) {
        switch (ReadArgument(argument, choice)) {
        case Reading::Valid:
            break;
        case Reading::Help:
            ui.MsgBox(kLauncherHelpText, kMbOkOnly, title);
            return false;
        case Reading::Invalid:
            ui.MsgBox("'" + argument + "' isn't a valid command line argument!", kMbCritical | kMbOkOnly, title);
            return false;
        }
    }
    return true;
}

}  // namespace ambrel
