#include "win32/processes_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "win32/files_win32.h"
#include "win32/message_pump_win32.h"

namespace ambrel {

namespace {

class Win32RunningProcess final : public IRunningProcess {
public:
    explicit Win32RunningProcess(HANDLE handle) : m_handle(handle) {}
    ~Win32RunningProcess() override {
        CloseHandle(m_handle);
        // A quit request that arrived while we waited belongs to the caller's loop.
        if (m_quit) PostQuitMessage(m_quitCode);
    }

    bool ExitCode(std::uint32_t& code) override {
        DWORD exitCode = 0;
        if (!GetExitCodeProcess(m_handle, &exitCode)) return false;
        code = exitCode;
        return true;
    }

    void WaitServingMessages(std::uint32_t timeoutMs) override {
        // MWMO_INPUTAVAILABLE: wake also for messages that were already in the
        // queue, not only for new ones.
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &m_handle, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) return;
        if (!m_quit) m_quit = ServeWaitingMessages(&m_quitCode);
        // With a quit request held back the queue may stay signalled; keep
        // waiting on the process alone so the wait does not turn into a spin.
        if (m_quit) WaitForSingleObject(m_handle, timeoutMs);
    }

    bool Terminate(std::uint32_t exitCode) override { return TerminateProcess(m_handle, exitCode) != 0; }

private:
    HANDLE m_handle;
    bool m_quit = false;
    int m_quitCode = 0;
};

}  // namespace

Win32ProcessLauncher::~Win32ProcessLauncher() {
    for (auto& [id, handle] : m_started) CloseHandle(static_cast<HANDLE>(handle));
}

namespace {

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A bare program name ("notepad.exe", "cmd") in the system's folders and the
// PATH, in that order; never in the current folder, where anybody may have
// put a program of that name. "" when there is none.
std::string FindBareProgram(const std::string& name) {
    char folder[MAX_PATH];
    std::string where;
    if (GetSystemDirectoryA(folder, MAX_PATH)) where += std::string(folder) + ";";
    if (GetWindowsDirectoryA(folder, MAX_PATH)) where += std::string(folder) + ";";
    const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size > 0) {
        std::string path(size, '\0');
        path.resize(GetEnvironmentVariableA("PATH", path.data(), size));
        where += path;
    }
    std::string found(MAX_PATH, '\0');
    DWORD length = SearchPathA(where.c_str(), name.c_str(), ".exe", MAX_PATH, found.data(), nullptr);
    if (length >= MAX_PATH) {
        found.resize(length + 1);
        length = SearchPathA(where.c_str(), name.c_str(), ".exe", length + 1, found.data(), nullptr);
    }
    if (length == 0 || length >= found.size()) return "";
    found.resize(length);
    return found;
}

}  // namespace

bool Win32ProcessLauncher::Start(const std::string& commandLine, int showState, std::uint32_t& processId,
                                 long& error) {
    const ProgramParts parts = SplitProgram(commandLine, IsFile);
    return StartProgram(parts.Program, parts.Arguments, showState, processId, error);
}

bool Win32ProcessLauncher::StartProgram(const std::string& program, const std::string& arguments, int showState,
                                        std::uint32_t& processId, long& error) {
    std::string application = program;
    if (program.find_first_of("\\/:") == std::string::npos) {
        application = FindBareProgram(program);
        if (application.empty()) {
            error = kErrFileNotFound;
            return false;
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION info{};
    const std::string commandLine = QuotedCommandLine(application, arguments);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        error = RuntimeErrorFromWin32(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    processId = info.dwProcessId;
    m_started[processId] = info.hProcess;
    error = 0;
    return true;
}

bool Win32ProcessLauncher::RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
        error = RuntimeErrorFromWin32(GetLastError());
        return false;
    }
    error = 0;
    if (!info.hProcess) return true;
    // Its end is waited for in the system, serving this program's messages.
    while (MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ServeMessage(msg);
    }
    CloseHandle(info.hProcess);
    return true;
}

std::unique_ptr<IRunningProcess> Win32ProcessLauncher::Open(std::uint32_t processId) {
    HANDLE handle = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId);
    auto started = m_started.find(processId);
    if (started != m_started.end()) {
        CloseHandle(static_cast<HANDLE>(started->second));
        m_started.erase(started);
    }
    if (!handle) return nullptr;
    return std::make_unique<Win32RunningProcess>(handle);
}

}  // namespace ambrel
