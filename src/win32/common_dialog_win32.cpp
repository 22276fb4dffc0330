#include "win32/common_dialog_win32.h"

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

std::string CommonDialog::ShowOpen(const OpenFileRequest& request) {
    std::vector<char> file(MAX_PATH * 4, '\0');
    std::string filter = OpenFileFilter(request.Filter);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = request.Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = request.InitDir.empty() ? nullptr : request.InitDir.c_str();
    ofn.lpstrTitle = request.DialogTitle.empty() ? nullptr : request.DialogTitle.c_str();
    ofn.Flags = request.Flags | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return std::string();
    return file.data();
}

bool CommonDialog::ShowHelpTopic(const std::string& helpFile, unsigned long context) {
    HelpFile = helpFile;
    HelpContext = context;
    HelpCommand = HELP_CONTEXT;
    return ShowHelp();
}

bool CommonDialog::ShowHelp() {
    return WinHelpA(m_owner, HelpFile.c_str(), HelpCommand, HelpContext) != 0;
}

}  // namespace ambrel
