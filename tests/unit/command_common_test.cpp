#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <tuple>

#include "unit/command_test_support.h"

namespace ambrel {
namespace {

using testing::FakeClock;
using testing::ScriptedUserInteraction;

TEST(ShowCommandMessage, TheStyleIsReducedToItsButtonsAndTheAnswerToAButtonNumber) {
    ScriptedUserInteraction ui;
    ui.Answers = {kAnswerNo};
    EXPECT_EQ(ShowCommandMessage(ui, "Ambrel", "Go on?", 4 + 32 + 256), 2);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Go on?");
    EXPECT_EQ(ui.Boxes[0].Style, 4 + 32 + 256);
    EXPECT_EQ(ui.Boxes[0].Title, "Ambrel");

    struct Case {
        int Buttons, Answer, Number;
    } cases[] = {
        {0, kAnswerOk, 1},     {1, kAnswerOk, 1},     {1, kAnswerCancel, 2}, {2, kAnswerAbort, 1},
        {2, kAnswerRetry, 2},  {2, kAnswerIgnore, 3}, {3, kAnswerYes, 1},    {3, kAnswerNo, 2},
        {3, kAnswerCancel, 3}, {4, kAnswerYes, 1},    {4, kAnswerNo, 2},     {5, kAnswerRetry, 1},
        {5, kAnswerCancel, 2}, {6, kAnswerOk, 0},     {4, kAnswerCancel, 0},
    };
    for (const Case& c : cases) {
        for (int icon : {0, 16, 32, 48, 64}) {
            for (int defaultButton : {0, 256, 512}) {
                ui.Answers = {c.Answer};
                const int style = c.Buttons + icon + defaultButton;
                EXPECT_EQ(ShowCommandMessage(ui, "Ambrel", "m", static_cast<std::int16_t>(style)), c.Number)
                    << "style " << style << ", answer " << c.Answer;
            }
        }
    }

    ui.Boxes.clear();
    ShowCommandMessage(ui, "corvane", "   ", 0);
    EXPECT_EQ(ui.Boxes[0].Text, "<No message>");
    EXPECT_EQ(ui.Boxes[0].Title, "corvane");
}

TEST(RunBookkeeping, ACommandIsDueByItsFrequencyAndHeldBackByItsDailyLimit) {
    CommandSettings weekly = NewCommandSettings(0);
    weekly.RunFrequency = 2;
    weekly.RunDay = 1;
    for (int day = 3; day <= 9; ++day)  // 3 January 2000 is a Monday
        EXPECT_EQ(IsDueToday(weekly, DateSerial(2000, 1, day)), day == 9) << day;

    CommandSettings yearly = NewCommandSettings(0);
    yearly.RunFrequency = 4;
    yearly.RunDay = 2;
    yearly.RunYearDay = 29;
    CommandSettings monthly = NewCommandSettings(0);
    monthly.RunFrequency = 3;
    monthly.RunDay = 31;
    CommandSettings daily = NewCommandSettings(0);
    daily.RunFrequency = 1;
    CommandSettings unset = NewCommandSettings(0);
    unset.RunDay = 5;
    int yearlyDue = 0, monthlyDue = 0;
    for (double d = DateSerial(2000, 1, 1); d < DateSerial(2001, 1, 1); ++d) {
        if (IsDueToday(yearly, d)) {
            ++yearlyDue;
            EXPECT_EQ(d, DateSerial(2000, 2, 29));
        }
        if (IsDueToday(monthly, d)) ++monthlyDue;
        EXPECT_TRUE(IsDueToday(daily, d));
        EXPECT_TRUE(IsDueToday(unset, d));
    }
    EXPECT_EQ(yearlyDue, 1);
    EXPECT_EQ(monthlyDue, 7);

    const double today = DateSerial(2000, 1, 10), tomorrow = today + 1;
    CommandSettings limited = NewCommandSettings(today - 3);
    limited.RunLimit = 2;
    limited.RunCount = 9;
    EXPECT_FALSE(RunLimitReached(limited, today));
    CountRun(limited, today);
    EXPECT_EQ(limited.RunCount, 1);
    EXPECT_EQ(limited.LastRunDate, today);
    CountRun(limited, today);
    EXPECT_EQ(limited.RunCount, 2);
    EXPECT_TRUE(RunLimitReached(limited, today));
    EXPECT_FALSE(RunLimitReached(limited, tomorrow));
    CountRun(limited, tomorrow);
    EXPECT_EQ(limited.RunCount, 1);
    EXPECT_EQ(limited.LastRunDate, tomorrow);

    limited.RunLimit = 0;
    limited.RunCount = 500;
    EXPECT_FALSE(RunLimitReached(limited, tomorrow));
}

class FakeShellLinks final : public IShellLinks {
public:
    bool ReadShortcut(const std::string& path, ShortcutFields& fields) override {
        Read = path;
        if (!Exists) return false;
        fields = Fields;
        return true;
    }
    bool CreateShortcut(const std::string&, const ShortcutFields&) override { return false; }
    bool Exists = true;
    ShortcutFields Fields;
    std::string Read;
};

// Before GetTickCount64 the elapsed time is GetTickCount's, which wraps after
// 49.7 days: each wrap is carried, so the time never runs back.
TEST(TickCounter, AWrapOfTheCountIsCarriedAndTimeNeverRunsBack) {
    TickCounter ticks;
    const std::pair<std::uint32_t, unsigned long long> reads[] = {
        {1000, 1000},
        {0xFFFFFF00u, 0xFFFFFF00ull},
        {0x100, (1ull << 32) + 0x100},          // wrapped
        {0x100, (1ull << 32) + 0x100},          // the same tick again
        {0xFFFFFFFFu, (1ull << 32) + 0xFFFFFFFFull},
        {5, (2ull << 32) + 5},                   // a second wrap
    };
    for (const auto& [tick, milliseconds] : reads) EXPECT_EQ(ticks.Milliseconds(tick), milliseconds) << tick;
}

TEST(ShortcutCommandLine, TargetAndArgumentsAreCutAtTheirFirstNul) {
    FakeShellLinks links;
    links.Fields.TargetPath = std::string("C:\\Tools\\backup.exe\0stale", 26);
    links.Fields.Arguments = std::string("/all\0x", 6);
    links.Fields.ShowCommand = 7;
    std::int32_t show = 0;
    EXPECT_TRUE(IsShortcutPath("C:\\Shutdown\\Backup.LNK"));
    EXPECT_FALSE(IsShortcutPath("C:\\Shutdown\\backup.lnk.txt"));
    EXPECT_EQ(ShortcutCommandLine(links, "C:\\Shutdown\\Backup.LNK", show), "C:\\Tools\\backup.exe /all");
    EXPECT_EQ(show, 7);
    EXPECT_EQ(links.Read, "C:\\Shutdown\\Backup.LNK");

    links.Fields.Arguments.clear();
    EXPECT_EQ(ShortcutCommandLine(links, "a.lnk", show), "C:\\Tools\\backup.exe ");

    links.Exists = false;
    show = 3;
    EXPECT_EQ(ShortcutCommandLine(links, "gone.lnk", show), "");
    EXPECT_EQ(show, 3);
    EXPECT_EQ(TrimAtNul("abc"), "abc");
}

TEST(CommandCommon, ACommandLineNamesItsProgramWithoutAmbiguity) {
    const std::set<std::string> existing = {"C:\\Program.exe", "C:\\Program Files\\App\\app.exe",
                                            "C:\\Tools\\run.exe", "C:\\a b\\c d.cmd"};
    auto isFile = [&](const std::string& path) { return existing.count(path) > 0; };
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // the longest existing part, not the first one Windows would try
        {"C:\\Program Files\\App\\app.exe /x", "C:\\Program Files\\App\\app.exe", "/x"},
        {"C:\\Program Files\\App\\app /x", "C:\\Program Files\\App\\app.exe", "/x"},  // ".exe" added
        {"  \"C:\\Program Files\\App\\app.exe\"   -a  b", "C:\\Program Files\\App\\app.exe", "-a  b"},
        {"\"C:\\a b\\c d.cmd\"", "C:\\a b\\c d.cmd", ""},
        {"C:\\a b\\c d.cmd arg", "C:\\a b\\c d.cmd", "arg"},
        {"C:\\Tools\\run.exe", "C:\\Tools\\run.exe", ""},
        {"C:\\Tools\\run\targ", "C:\\Tools\\run.exe", "arg"},
        {"notepad.exe C:\\x.txt", "notepad.exe", "C:\\x.txt"},  // bare: found later, never in the current folder
        {"C:\\Missing Dir\\x.exe /q", "C:\\Missing", "Dir\\x.exe /q"},  // nothing there: up to the blank
        {"\"C:\\unclosed quote", "C:\\unclosed quote", ""},
        {"   ", "", ""},
    };
    for (const auto& [line, program, arguments] : cases) {
        const ProgramParts parts = SplitProgram(line, isFile);
        EXPECT_EQ(parts.Program, program) << "[" << line << "]";
        EXPECT_EQ(parts.Arguments, arguments) << "[" << line << "]";
    }
    EXPECT_EQ(QuotedCommandLine("C:\\Program Files\\A\\a.exe", "/x"), "\"C:\\Program Files\\A\\a.exe\" /x");
    EXPECT_EQ(QuotedPath("C:\\a b\\c.log"), "\"C:\\a b\\c.log\"");
    EXPECT_EQ(QuotedPath("C:\\ab\\c.log"), "C:\\ab\\c.log");
}

// Programs that run for a given time on the fake clock: a wait moves the
// clock on to the moment it would return.
class FakeProcesses final : public IProcessLauncher {
public:
    explicit FakeProcesses(FakeClock& clock) : m_clock(clock) {}

    bool Start(const std::string& commandLine, int showState, std::uint32_t& processId, long& error) override {
        StartedLine = commandLine;
        StartedShow = showState;
        if (StartFails) {
            error = kErrFileNotFound;
            return false;
        }
        m_endsAt = RunsForSeconds < 0 ? 1e9 : m_clock.Time + RunsForSeconds / 86400.0;
        processId = 42;
        return true;
    }

    bool StartProgram(const std::string& program, const std::string& arguments, int showState,
                      std::uint32_t& processId, long& error) override {
        return Start(QuotedCommandLine(program, arguments), showState, processId, error);
    }

    bool RunElevatedAndWait(const std::string&, const std::string&, long&) override { return false; }

    std::unique_ptr<IRunningProcess> Open(std::uint32_t processId) override {
        EXPECT_EQ(processId, 42u);
        if (OpenFails) return nullptr;
        return std::make_unique<Process>(*this);
    }

    double RunsForSeconds = 0;
    bool StartFails = false, OpenFails = false;
    std::string StartedLine;
    int StartedShow = -1;
    int Waits = 0;
    // Called after each wait (a user setting the clock, say).
    std::function<void()> AfterWait;
    bool Terminated = false;
    std::uint32_t TerminatedWith = 0;
    double TerminatedAt = 0;

private:
    class Process final : public IRunningProcess {
    public:
        explicit Process(FakeProcesses& owner) : m_owner(owner) {}
        bool ExitCode(std::uint32_t& code) override {
            code = m_owner.Terminated ? m_owner.TerminatedWith
                                      : (m_owner.m_clock.Time >= m_owner.m_endsAt ? 0 : kStillActive);
            return true;
        }
        void WaitServingMessages(std::uint32_t timeoutMs) override {
            ++m_owner.Waits;
            EXPECT_GT(timeoutMs, 0u);
            double wake = m_owner.m_clock.Time + timeoutMs / 86400000.0;
            m_owner.m_clock.Time = std::min(wake, m_owner.m_endsAt);
            if (m_owner.AfterWait) m_owner.AfterWait();
        }
        bool Terminate(std::uint32_t exitCode) override {
            m_owner.Terminated = true;
            m_owner.TerminatedWith = exitCode;
            m_owner.TerminatedAt = m_owner.m_clock.Time;
            return true;
        }

    private:
        FakeProcesses& m_owner;
    };

    FakeClock& m_clock;
    double m_endsAt = 0;
};

struct Runner {
    explicit Runner(double startTime) : clock(startTime), processes(clock) {}
    bool operator()(const std::string& line, bool timeOut, int minutes, std::int16_t style = 1,
                    const std::function<bool()>& leaveWhen = {}) {
        message = "<unset>";
        return RunCommand(processes, clock, message, line, style, timeOut, minutes, &report, leaveWhen);
    }
    RunReport report;
    FakeClock clock;
    FakeProcesses processes;
    std::string message;
};

const double kMorning = DateSerial(2000, 1, 1) + TimeSerial(10, 0, 0);

TEST(RunCommand, EmptyOrUnstartableCommandLinesFailWithTheirMessages) {
    Runner run(kMorning);
    EXPECT_FALSE(run("   ", true, 1));
    EXPECT_EQ(run.message, "Nothing to run (command/program not set)");
    EXPECT_EQ(run.processes.StartedShow, -1);

    run.processes.StartFails = true;
    EXPECT_FALSE(run("  missing.exe /x ", false, 0, 3));
    EXPECT_EQ(run.message, "Couldn't execute   missing.exe /x ");
    EXPECT_EQ(run.processes.StartedLine, "  missing.exe /x ");
    EXPECT_EQ(run.processes.StartedShow, 3);

    // A process that cannot be watched counts as finished.
    run.processes.StartFails = false;
    run.processes.OpenFails = true;
    run.processes.RunsForSeconds = -1;
    EXPECT_TRUE(run("tool.exe", true, 1, 0));
    EXPECT_EQ(run.message, "");
    EXPECT_EQ(run.processes.StartedShow, 0);
}

TEST(RunCommand, TheTimeOutEndsAProgramThatRunsLongerThanTheLimit) {
    {
        Runner run(kMorning);
        run.processes.RunsForSeconds = 59;
        EXPECT_TRUE(run("tool.exe", true, 1));
        EXPECT_EQ(run.message, "");
        EXPECT_FALSE(run.processes.Terminated);
    }
    {
        Runner run(kMorning);
        run.processes.RunsForSeconds = 60.5;
        EXPECT_FALSE(run("tool.exe  -q", true, 1));
        EXPECT_EQ(run.message, "tool.exe  -q was terminated.  It has timed out after 1.");
        EXPECT_TRUE(run.processes.Terminated);
        EXPECT_EQ(run.processes.TerminatedWith, 259u);
        const double at = SecondsOfDay(run.processes.TerminatedAt) - SecondsOfDay(kMorning);
        EXPECT_GT(at, 60);
        EXPECT_LT(at, 60.5);
    }
    {
        Runner run(kMorning);
        run.processes.RunsForSeconds = -1;
        EXPECT_FALSE(run("tool.exe", true, 30));
        EXPECT_EQ(run.message, "tool.exe was terminated.  It has timed out after 30.");
        EXPECT_LT(run.processes.Waits, 60);  // it sleeps between checks
    }
    {
        // Without a time-out it waits as long as the program runs, without spinning.
        Runner run(kMorning);
        run.processes.RunsForSeconds = 5 * 3600;
        EXPECT_TRUE(run("tool.exe", false, 1));
        EXPECT_FALSE(run.processes.Terminated);
        EXPECT_LT(run.processes.Waits, 5 * 60 + 5);
    }
}

TEST(RunCommand, TheLimitIsElapsedTimeAcrossMidnightAndAChangedClockAndAnEndedWaitLeavesTheProgram) {
    const double tenToMidnight = DateSerial(2000, 1, 1) + TimeSerial(23, 50, 0);
    for (double setBy : {0.0, -1.0 / 24, 1.0 / 24}) {  // unchanged, an hour back, an hour on
        SCOPED_TRACE(setBy);
        Runner run(tenToMidnight);
        run.processes.RunsForSeconds = -1;
        bool set = false;
        run.processes.AfterWait = [&] {
            if (set || SecondsOfDay(run.clock.Time) < 23 * 3600 + 55 * 60) return;
            set = true;  // five minutes in, the clock is set
            run.clock.Time += setBy;
            run.clock.ClockSetBy += setBy;
        };
        EXPECT_FALSE(run("tool.exe", true, 30));
        const double elapsed = (run.processes.TerminatedAt - setBy - tenToMidnight) * 86400;
        EXPECT_GT(elapsed, 30 * 60);
        EXPECT_LT(elapsed, 30 * 60 + 1) << "30 minutes, not about 40 nor 10";
        EXPECT_EQ(run.report.Outcome, RunOutcome::TimedOut);
    }

    // The caller's end (Exit) stops the wait; the program is neither ended
    // nor waited for.
    Runner run(tenToMidnight);
    run.processes.RunsForSeconds = -1;
    EXPECT_TRUE(run("tool.exe", true, 30, 1, [&] { return run.processes.Waits >= 2; }));
    EXPECT_EQ(run.report.Outcome, RunOutcome::LeftRunning);
    EXPECT_FALSE(run.processes.Terminated);
    EXPECT_EQ(run.processes.Waits, 2);
}

}  // namespace
}  // namespace ambrel
