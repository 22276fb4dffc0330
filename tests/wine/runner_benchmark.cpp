// Measures the command runner's wait on the real system: while it waits for a
// program that runs 3 seconds, how much processor time the waiting process
// uses, and how soon after the program's end the runner returns. Prints both
// figures and fails when the wait uses 2% of a processor or more, or returns
// 20 ms or more after the program ended.
#include <windows.h>

#include <cstdint>
#include <cstdio>
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
    std::unique_ptr<ambrel::IRunningProcess> Open(std::uint32_t id) override { return m_real.Open(id); }
    HANDLE Handle = nullptr;

private:
    ambrel::Win32ProcessLauncher m_real;
};

}  // namespace

int main() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string here(path, n);
    here = here.substr(0, here.find_last_of('\\'));
    const std::string line = here + "\\ambrel_test_helper.exe sleep 3000";

    // The processor-time meter must see a busy processor, or a quiet reading
    // below would prove nothing. On a loaded machine the loop gets less than a
    // whole processor, so it spins until the meter has counted 200 ms (for at
    // most 10 s) rather than for a fixed time.
    {
        const std::uint64_t cpu0 = OwnCpuTicks(), wall0 = NowTicks();
        volatile std::uint64_t sink = 0;
        while (OwnCpuTicks() - cpu0 < 2000000 && NowTicks() - wall0 < 100000000) sink = sink + 1;
        const double counted = (OwnCpuTicks() - cpu0) / 10000.0;
        const double busy = 100.0 * (OwnCpuTicks() - cpu0) / (NowTicks() - wall0);
        std::printf("meter check: a busy loop counted %.0f ms, %.0f%% of one processor\n", counted, busy);
        if (counted < 200) {
            std::printf("FAIL: processor time cannot be measured here\n");
            return 1;
        }
    }

    Watching processes;
    ambrel::Win32Clock clock;
    std::string message;
    const std::uint64_t cpuBefore = OwnCpuTicks();
    const std::uint64_t wallBefore = NowTicks();
    bool ok = ambrel::RunCommand(processes, clock, message, line, 6, true, 1);
    const std::uint64_t wallAfter = NowTicks();
    const std::uint64_t cpuAfter = OwnCpuTicks();
    if (!ok || !processes.Handle) {
        std::printf("runner failed: %s\n", message.c_str());
        return 1;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(processes.Handle, &created, &exited, &kernel, &user)) {
        std::printf("cannot read the program's times\n");
        return 1;
    }
    const double wallMs = (wallAfter - wallBefore) / 10000.0;
    const double cpuMs = (cpuAfter - cpuBefore) / 10000.0;
    const double cpuPercent = 100.0 * cpuMs / wallMs;
    const double lateMs = (static_cast<double>(wallAfter) - static_cast<double>(Ticks(exited))) / 10000.0;
    std::printf("wait: %.0f ms wall, %.1f ms processor time: %.2f%% of one processor (limit 2%%)\n", wallMs, cpuMs,
                cpuPercent);
    std::printf("returned %.1f ms after the program ended (limit 20 ms)\n", lateMs);
    bool pass = wallMs >= 2900 && cpuPercent < 2.0 && lateMs < 20.0;
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
