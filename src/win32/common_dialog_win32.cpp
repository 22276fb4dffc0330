#include "win32/common_dialog_win32.h"

#include <cderr.h>
#include <commdlg.h>

#include <vector>

namespace ambrel {

std::string OpenFileFilter(const std::string& filter) {
    std::string result;
    std::size_t start = 0;
    while (start <= filter.size()) {
        std::size_t bar = filter.find('|', start);
        std::string piece = filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        std::size_t first = piece.find_first_not_of(' ');
        std::size_t last = piece.find_last_not_of(' ');
        result += first == std::string::npos ? std::string() : piece.substr(first, last - first + 1);
        result.push_back('\0');
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    result.push_back('\0');
    return result;
}

namespace {

// The file dialog of `request`, opened by `show` (GetOpenFileNameA or
// GetSaveFileNameA) with `flags` added; the chosen path, or "".
std::string AskForFile(HWND owner, const OpenFileRequest& request, DWORD flags, const char* extension,
                       BOOL(WINAPI* show)(LPOPENFILENAMEA)) {
    std::vector<char> file(MAX_PATH * 4, '\0');
    std::string filter = OpenFileFilter(request.Filter);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = request.Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = request.InitDir.empty() ? nullptr : request.InitDir.c_str();
    ofn.lpstrTitle = request.DialogTitle.empty() ? nullptr : request.DialogTitle.c_str();
    ofn.lpstrDefExt = extension;
    ofn.Flags = request.Flags | OFN_EXPLORER | flags;
    if (!show(&ofn)) {
        // Windows 95, 98 and NT 4 know the structure without the fields of
        // Windows 2000 (the places bar) only.
        if (CommDlgExtendedError() != CDERR_STRUCTSIZE) return std::string();
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        if (!show(&ofn)) return std::string();
    }
    return file.data();
}

}  // namespace

std::string CommonDialog::ShowSave(const OpenFileRequest& request) {
    return AskForFile(m_owner, request, OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "txt",
                      GetSaveFileNameA);
}

std::string CommonDialog::ShowOpen(const OpenFileRequest& request) {
    return AskForFile(m_owner, request, 0, nullptr, GetOpenFileNameA);
}

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT kHhHelpContext = 0x000F;  // HH_HELP_CONTEXT
constexpr UINT kHhCloseAll = 0x0012;     // HH_CLOSE_ALL

bool loadedViewer = false;

// The viewer's entry point, or nullptr where the system has none. Loaded
// only when help is first asked for, so the programs start without it.
HtmlHelpFunction HtmlHelpEntry() {
    static HtmlHelpFunction entry = [] {
        HMODULE viewer = LoadLibraryA("hhctrl.ocx");
        loadedViewer = viewer != nullptr;
        return viewer ? reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")))
                      : nullptr;
    }();
    return entry;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CommonDialog::ShowHelpTopic(const std::string& helpFile, unsigned long context) {
    const std::size_t dot = helpFile.find_last_of('.');
    const std::size_t folder = helpFile.find_last_of('\\');
    const std::string base = dot != std::string::npos && (folder == std::string::npos || dot > folder)
                                 ? helpFile.substr(0, dot)
                                 : helpFile;
    const std::string htmlHelp = base + ".CHM", winHelp = base + ".HLP";
    const bool haveHtmlHelp = IsFile(htmlHelp);
    if (haveHtmlHelp) {
        if (HtmlHelpFunction show = HtmlHelpEntry()) {
            if (show(m_owner, htmlHelp.c_str(), kHhHelpContext, context)) return true;
        }
    }
    if (IsFile(winHelp)) {
        HelpFile = winHelp;
        HelpContext = context;
        HelpCommand = HELP_CONTEXT;
        return ShowHelp();
    }
    const std::string text = haveHtmlHelp ? "The help in " + htmlHelp +
                                                " cannot be shown: this Windows has no viewer for HTML Help "
                                                "(hhctrl.ocx)."
                                          : "The help cannot be shown: its file " + htmlHelp + " is missing.";
    MessageBoxA(m_owner, text.c_str(), "Ambrel Help", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CloseHelp() {
    if (!loadedViewer) return;
    if (HtmlHelpFunction show = HtmlHelpEntry()) show(nullptr, nullptr, kHhCloseAll, 0);
}

bool CommonDialog::ShowHelp() {
    return WinHelpA(m_owner, HelpFile.c_str(), HelpCommand, HelpContext) != 0;
}

}  // namespace ambrel
