#pragma once
// The command list as a text file, for deployment and review: UTF-8, one
// block a command, each field by name, the same text for the same list in
// every version that reads version 1.
//
//   Ambrel command list, version 1
//
//   [Command]
//   CommandLine="C:\Program Files\Backup\backup.exe" /quick
//   Run=yes
//   Window=minimized
//   Frequency=weekly
//   Day=6
//   Limit=1
//   MessageWhen=before
//   Message=Back up now?
//   Message=(a second line of the message)
//   Buttons=yes-no-cancel
//   Icon=question
//   DefaultButton=2
//   Action1=continue
//   Action2=skip-next
//   Action3=user-defined
//   UserCommand3=notepad.exe C:\Backup\readme.txt
//   [End]
//
// A value is everything after the first "=", as it is (no quotes, no
// escapes: no field may hold a control character but the tab). A message of
// several lines has one Message line each. Lines that begin with ";" or "#",
// and blank lines, are comments. The run counters are not part of the text.

#include <functional>
#include <string>
#include <vector>

#include "shared/CommandFiles.h"

namespace ambrel {

inline constexpr const char* kCommandListTextHeading = "Ambrel command list, version 1";

// The code page conversions between the text file (UTF-8) and the stored
// strings (the system's code page); empty ones leave the bytes as they are.
struct TextCodec {
    std::function<std::string(const std::string&)> ToUtf8;
    std::function<bool(const std::string&, std::string&)> FromUtf8;
};

// The list's text (CR LF line ends). `toUtf8` turns a stored string (the
// system's code page) into UTF-8.
std::string CommandListToText(const std::vector<CommandPair>& commands,
                              const std::function<std::string(const std::string&)>& toUtf8 = {});

struct CommandListTextError {
    int Line = 0;  // 1-based; 0 when the text is fine
    std::string Message;
};

// Reads a list's text: all of it, or nothing (false, with the first problem
// and its line). `fromUtf8` turns UTF-8 into the system's code page, false
// for a text it cannot hold. The counters of every command read are zero.
bool CommandListFromText(const std::string& text, std::vector<CommandPair>& commands, CommandListTextError& error,
                         const std::function<bool(const std::string&, std::string&)>& fromUtf8 = {});

}  // namespace ambrel
