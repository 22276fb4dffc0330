#pragma once
// Who the running program is: its product name from the version resource and
// the folder of its executable.

#include <string>

#include "shared/platform.h"

namespace ambrel {

// `title` is the program's own title (shown on message boxes without one).
AppIdentity LoadAppIdentity(const std::string& title);

// A string of the running program's version resource ("ProductName",
// "FileDescription", ...), or empty.
std::string ReadVersionString(const std::string& name);

// Major, minor and revision of the program's fixed file version.
struct VersionNumbers {
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
};
VersionNumbers ReadVersionNumbers();

// The texts an about page shows, from the running program's version block.
AboutTexts ReadAboutTexts();

}  // namespace ambrel
