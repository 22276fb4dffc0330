// The command runner's wait on the real system, while a program runs for 3
// seconds: the processor time the waiting process uses, how soon after the
// program's end the runner returns, and the same wait done the seed's way (a
// loop that asks for the exit code and yields to the message loop without a
// pause), for comparison.
//
//   runner_benchmark           prints "figure NAME VALUE" lines for scripts/bench.sh
//   runner_benchmark --check   the test: the wait uses no measurable processor
//                              (under 10% of one, where a polling wait uses a
//                              whole one) and returns only once the program ended
//
// The check holds nothing to a time: a slow machine cannot make a blocked wait
// use more processor, but it can make anything late.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "shared/modAmbrelCommon.h"
#include "win32/files_win32.h"
#include "win32/processes_win32.h"

namespace {

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

std::uint64_t NowTicks() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return Ticks(t);
}

std::uint64_t OwnCpuTicks() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Ticks(kernel) + Ticks(user);
}

// Keeps a handle of its own on the started program, to read its end time.
class Watching final : public ambrel::IProcessLauncher {
public:
    bool Start(const std::string& line, int show, std::uint32_t& id, long& error) override {
        bool ok = m_real.Start(line, show, id, error);
        if (ok) Handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
        return ok;
    }
    bool StartProgram(const std::string& program, const std::string& arguments, int show, std::uint32_t& id,
                      long& error) override {
        return m_real.StartProgram(program, arguments, show, id, error);
    }
    bool RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) override {
        return m_real.RunElevatedAndWait(program, arguments, error);
    }
    std::unique_ptr<ambrel::IRunningProcess> Open(std::uint32_t id) override { return m_real.Open(id); }
    HANDLE Handle = nullptr;

private:
    ambrel::Win32ProcessLauncher m_real;
};

struct Wait {
    double WallMs = 0, CpuPercent = 0, LateMs = 0;
};

bool RunnerWait(const std::string& line, Wait& wait) {
    Watching processes;
    ambrel::Win32Clock clock;
    std::string message;
    const std::uint64_t cpuBefore = OwnCpuTicks(), wallBefore = NowTicks();
    const bool ok = ambrel::RunCommand(processes, clock, message, line, 6, true, 1);
    const std::uint64_t wallAfter = NowTicks(), cpuAfter = OwnCpuTicks();
    FILETIME created, exited, kernel, user;
    if (!ok || !processes.Handle || !GetProcessTimes(processes.Handle, &created, &exited, &kernel, &user)) {
        std::printf("the runner failed: %s\n", message.c_str());
        return false;
    }
    CloseHandle(processes.Handle);
    wait.WallMs = (wallAfter - wallBefore) / 10000.0;
    wait.CpuPercent = 100.0 * (cpuAfter - cpuBefore) / 10000.0 / wait.WallMs;
    wait.LateMs = (static_cast<double>(wallAfter) - static_cast<double>(Ticks(exited))) / 10000.0;
    return true;
}

// The seed's wait: ask for the exit code, yield to the message loop, again.
bool PollingWait(const std::string& line, Wait& wait) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string mutableLine = line;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    const std::uint64_t cpuBefore = OwnCpuTicks(), wallBefore = NowTicks();
    DWORD code = STILL_ACTIVE;
    MSG msg;
    while (GetExitCodeProcess(info.hProcess, &code) && code == STILL_ACTIVE)
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    const std::uint64_t wallAfter = NowTicks(), cpuAfter = OwnCpuTicks();
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    wait.WallMs = (wallAfter - wallBefore) / 10000.0;
    wait.CpuPercent = 100.0 * (cpuAfter - cpuBefore) / 10000.0 / wait.WallMs;
    return true;
}

}  // namespace

// The processor-time meter must see a busy processor, or a quiet reading would
// prove nothing. A loaded machine gives the loop less than a whole processor, so
// it spins until the meter has counted 200 ms (for at most 10 s), not for a
// fixed time.
bool MeterCounts() {
    const std::uint64_t cpu0 = OwnCpuTicks(), wall0 = NowTicks();
    volatile std::uint64_t sink = 0;
    while (OwnCpuTicks() - cpu0 < 2000000 && NowTicks() - wall0 < 100000000) sink = sink + 1;
    const double counted = (OwnCpuTicks() - cpu0) / 10000.0;
    std::printf("meter check: a busy loop counted %.0f ms\n", counted);
    return counted >= 200;
}

int main(int argc, char** argv) {
    const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string here(path, n);
    here = here.substr(0, here.find_last_of('\\'));
    const std::string line = here + "\\ambrel_test_helper.exe sleep 3000";

    if (!MeterCounts()) {
        std::printf("FAIL: processor time cannot be measured here\n");
        return 1;
    }
    Wait runner;
    if (!RunnerWait(line, runner)) return 1;
    std::printf("the runner's wait: %.0f ms, %.2f%% of one processor, returned %.1f ms after the program ended\n",
                runner.WallMs, runner.CpuPercent, runner.LateMs);
    if (!check) {
        Wait polling;
        if (!PollingWait(line, polling)) return 1;
        std::printf("a polling wait: %.0f ms, %.1f%% of one processor\n", polling.WallMs, polling.CpuPercent);
        std::printf("figure runner_cpu_percent %.3f\nfigure runner_late_ms %.2f\nfigure polling_cpu_percent %.2f\n",
                    runner.CpuPercent, runner.LateMs, polling.CpuPercent);
        return 0;
    }
    const bool quiet = runner.CpuPercent < 10.0;
    const bool afterTheEnd = runner.WallMs >= 2900 && runner.LateMs >= 0;
    if (!quiet) std::printf("FAIL: the runner's wait used %.2f%% of a processor\n", runner.CpuPercent);
    if (!afterTheEnd) std::printf("FAIL: the runner returned before the program ended\n");
    std::printf("%s\n", quiet && afterTheEnd ? "PASS" : "FAIL");
    return quiet && afterTheEnd ? 0 : 1;
}
