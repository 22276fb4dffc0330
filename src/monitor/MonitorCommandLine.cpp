#include "monitor/MonitorCommandLine.h"

#include <cmath>
#include <limits>

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

const char* const kMarker = "FromTelvix";

}  // namespace

bool ParseLauncherMarker(const std::string& commandLine, std::int32_t& ending) {
    auto at = commandLine.find(kMarker);
    if (commandLine.empty() || at == std::string::npos) return false;
    // A whole number as a Long takes it: one that no Long holds is an
    // overflow (error 6), never a conversion out of range.
    const double value = std::nearbyint(Val(commandLine.substr(at + std::string(kMarker).size())));
    if (!(value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()))
        RaiseError(kErrOverflow, "Ambrel");
    ending = static_cast<std::int32_t>(value);
    return true;
}

bool IsStartupCommandLine(const std::string& commandLine) {
    std::string rest = " " + LCase(commandLine) + " ";
    return rest.find(std::string(" ") + kStartupArgument + " ") != std::string::npos;
}

}  // namespace ambrel
