#pragma once
// The History window of corvane.rc over frmHistory.

#include <windows.h>

#include <string>

#include "shared/platform.h"

namespace ambrel {

// Shows the history at `path` modally over `owner` (nullptr: a window of its own).
void ShowHistoryWindow(HWND owner, IFileSystem& files, IUserInteraction& ui, const std::string& path);

}  // namespace ambrel
