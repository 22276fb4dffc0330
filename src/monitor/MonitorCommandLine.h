#pragma once
// What the monitor reads from its command line: the launcher's hand-over
// marker and the Startup shortcuts' argument.

#include <cstdint>
#include <string>

namespace ambrel {

// The argument of the Startup shortcuts: a start at log on.
inline constexpr const char* kStartupArgument = "/startup";
// Whether the monitor's command line holds it (in any case).
bool IsStartupCommandLine(const std::string& commandLine);

// The whole number written after "FromTelvix" in a command line; false when
// the marker is not there. A number that no 32-bit whole number holds raises
// error 6 (overflow).
bool ParseLauncherMarker(const std::string& commandLine, std::int32_t& ending);

}  // namespace ambrel
