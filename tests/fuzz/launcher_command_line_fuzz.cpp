// Feeds the launcher any bytes as its command line. Whatever they hold, the
// split gives at most nine non-empty arguments free of blanks and tabs that
// together are the line without them, and the reading leaves a choice the
// dialog can show, shows at most one box and acts at once only without one.
// The same bytes are the monitor's command line: the hand-over marker gives a
// 32-bit ending or an overflow (never a conversion out of range), and the
// Startup argument is found only where the line holds it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "doubles/scripted_ui.h"
#include "launcher/TelvixCommandLine.h"
#include "monitor/MonitorCommandLine.h"
#include "shared/errors.h"

namespace {

using namespace ambrel;

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);

    bool tooMany = false;
    const std::vector<std::string> arguments = SplitLauncherArguments(line, tooMany);
    Check(arguments.size() <= 9);
    std::string joined;
    for (const std::string& argument : arguments) {
        Check(!argument.empty());
        Check(argument.find_first_of(" \t") == std::string::npos);
        joined += argument;
    }
    if (tooMany) {
        Check(arguments.empty());
    } else {
        std::string unblanked;
        for (const char c : line)
            if (c != ' ' && c != '\t') unblanked += c;
        Check(joined == unblanked);
    }

    testing::ScriptedUserInteraction ui;
    LauncherChoice choice;
    const bool actAtOnce = ReadLauncherCommandLine(line, choice, ui, "Telvix");
    // No argument selects the MS-DOS mode, so only the other three can come out.
    Check(choice.Option == 0 || choice.Option == 1 || choice.Option == 3);
    Check(choice.RunAmbrel == 0 || choice.RunAmbrel == 1);
    Check(ui.Boxes.size() <= 1);
    if (actAtOnce) Check(ui.Boxes.empty() && !arguments.empty());
    if (tooMany || arguments.empty()) Check(!actAtOnce && ui.Boxes.empty() && choice.Option == 0 && choice.RunAmbrel == 1);
    for (const testing::ScriptedUserInteraction::Box& box : ui.Boxes) Check(box.Title == "Telvix");

    std::int32_t ending = 12345;
    try {
        const bool marked = ParseLauncherMarker(line, ending);
        Check(marked == (line.find("FromTelvix") != std::string::npos));
        if (!marked) Check(ending == 12345);
    } catch (const RuntimeError& error) {
        Check(error.Number() == kErrOverflow && line.find("FromTelvix") != std::string::npos);
    }
    if (IsStartupCommandLine(line)) {
        std::string lower;
        for (const char c : line) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        Check(lower.find(kStartupArgument) != std::string::npos);
    }
    return 0;
}
