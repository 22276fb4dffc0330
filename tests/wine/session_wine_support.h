#pragma once
// What the session tests under Wine share: helper programs with a window,
// their records, the process's own shutdown privilege, and the real session
// port with the requests it is given recorded.

#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "win32/session_win32.h"

namespace ambrel::wine {

inline std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, n);
    return text.substr(0, text.find_last_of('\\'));
}

inline std::string TempFile(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// A helper program with a top-level window, its record named `name` in the
// temporary folder; `mode` is "answer" or "hang".
struct Helper {
    std::string RecordPath;
    PROCESS_INFORMATION Process{};

    // The record without its "pid" and "ready" lines: the messages received.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& line : Lines(ReadText(RecordPath)))
            if (line.rfind("pid ", 0) != 0 && line.rfind("ready ", 0) != 0) messages.push_back(line);
        return messages;
    }
    bool Running() const { return WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT; }
    ~Helper() {
        if (Process.hProcess) {
            TerminateProcess(Process.hProcess, 1);
            CloseHandle(Process.hProcess);
            CloseHandle(Process.hThread);
        }
    }
};

// Starts the helper and waits until its window exists; false when it does not
// come up.
inline bool StartHelper(Helper& helper, const std::string& name, const std::string& mode) {
    helper.RecordPath = TempFile(name);
    DeleteFileA(helper.RecordPath.c_str());
    std::string commandLine = "\"" + ProgramFolder() + "\\session_helper.exe\" \"" + helper.RecordPath + "\" " + mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &helper.Process))
        return false;
    return WaitFor([&] { return ReadText(helper.RecordPath).find("ready ") != std::string::npos; }, 30000);
}

// Processes of this session whose program file is `exeName`.
inline int CountProcesses(const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exeName) == 0) ++count;
    CloseHandle(snapshot);
    return count;
}

// Top-level windows that belong to this process.
inline int OwnTopLevelWindows() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            if (processId == GetCurrentProcessId()) ++*reinterpret_cast<int*>(context);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Whether SeShutdownPrivilege is enabled in this process's token, as the
// token itself says.
inline bool ShutdownPrivilegeEnabled() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    LUID shutdown{};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown);
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    bool enabled = false;
    if (size && GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
            if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
                enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

// The real port, with every session-end request and every start of a file
// recorded. Requests reach Windows only when `PassRequests` is set; with
// `RequestRecord` set, each request is also written there first (with the
// shutdown privilege's state at that moment), since Windows may end this
// process right after it.
class RecordingSession final : public Win32SessionControl {
public:
    std::int32_t RequestSessionEnd(std::uint32_t flags, std::uint32_t reserved) override {
        Requests.push_back(flags);
        if (!RequestRecord.empty()) {
            std::ofstream out(RequestRecord, std::ios::binary | std::ios::trunc);
            out << "request " << flags << " " << reserved << " privilege " << ShutdownPrivilegeEnabled() << "\n";
        }
        return PassRequests ? Win32SessionControl::RequestSessionEnd(flags, reserved) : 1;
    }
    std::intptr_t ShellOpen(const std::string& verb, const std::string& file, int showCommand) override {
        Starts.push_back(verb + " " + file + " " + std::to_string(showCommand));
        return Win32SessionControl::ShellOpen(verb, file, showCommand);
    }

    bool PassRequests = false;
    std::string RequestRecord;
    std::vector<std::uint32_t> Requests;
    std::vector<std::string> Starts;
};

}  // namespace ambrel::wine
