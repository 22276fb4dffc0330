// The scheduled shutdown: the monitor's minute tick, the one-minute warning
// and what follows it.

#include "monitor/frmShutWarning.h"
#include "unit/monitor_fixture.h"

namespace ambrel::testing {
namespace {

class CountingWarningView final : public IShutWarningView {
public:
    void Refresh() override { ++Refreshes; }
    void Close() override { ++Closes; }
    int Refreshes = 0, Closes = 0;
};

TEST(ShutWarning, CountsDownFromSixtyAndClosesUnlessCancelled) {
    std::int16_t outcome = -1;
    CountingWarningView view;
    frmShutWarning w(outcome, view);
    w.Form_Load();
    EXPECT_EQ(w.lblSeconds, "60");
    EXPECT_EQ(w.Timer1_Interval, 1000);
    EXPECT_EQ(w.Label1, "Ambrel will shut down Windows in:");
    for (int tick = 1; tick < 60; ++tick) w.Timer1_Timer();
    EXPECT_EQ(w.lblSeconds, "1");
    EXPECT_FALSE(w.Closed);
    w.Timer1_Timer();
    EXPECT_TRUE(w.Closed);
    EXPECT_EQ(outcome, -1) << "the shutdown goes ahead";
    w.Timer1_Timer();
    EXPECT_EQ(w.lblSeconds, "0");
    EXPECT_EQ(view.Closes, 1);

    frmShutWarning cancelled(outcome, view);
    cancelled.Form_Load();
    cancelled.Timer1_Timer();
    cancelled.cmdCancel_Click();
    EXPECT_EQ(outcome, 1);
    EXPECT_TRUE(cancelled.Closed);
    EXPECT_EQ(cancelled.Timer1_Interval, 0);
}

class ScheduledShutdown : public Monitor {
protected:
    frmAmbrel& StartAt(const std::string& ending, const std::string& time = "10:30 AM") {
        StoreOptions([&](cAmbrelOptions& o) {
            o.ShutWindowsOnTime(true);
            o.ShutWindowsTime(time);
            o.WinShutdownType(ending);
        });
        StoreCommands({Cmd("nightly")});
        return Start();
    }
};

TEST_F(ScheduledShutdown, TheWarningComesOnceTheTimeIsPastAndTheListRunsAfterIt) {
    struct Case {
        std::string Ending;
        std::int32_t Chosen;  // in the Shut Down dialog, for "B"
        std::vector<std::string> Ran, Ends;
        bool Waits;
    } cases[] = {
        {"1", -1, {"nightly"}, {"ExitWindowsEx 1 4095"}, false},
        {"2", -1, {"nightly"}, {"ExitWindowsEx 2 4095"}, false},
        {"4", -1, {"nightly"}, {}, true},
        {"B", -1, {}, {}, true},
        {"B", 0, {"nightly"}, {"ExitWindowsEx 0 4095"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Ending + " " + std::to_string(c.Chosen));
        clock.Time = Today() + TimeSerial(10, 0, 0);
        processes.Started.clear();
        session.Calls.clear();
        view.Warnings = 0;
        view.Unloads = 0;
        view.Ending = c.Chosen;
        frmAmbrel& f = StartAt(c.Ending);
        f.Timer1_Timer();
        EXPECT_EQ(view.Warnings, 0) << "not yet";
        clock.Time = Today() + TimeSerial(10, 31, 0);
        view.OnWarning = [&](std::int16_t& outcome) {
            EXPECT_EQ(outcome, -1);
            f.Timer1_Timer();  // the tick goes on while the warning counts: no second warning
        };
        f.Timer1_Timer();
        EXPECT_EQ(view.Warnings, 1);
        EXPECT_EQ(processes.CommandLines(), c.Ran);
        EXPECT_EQ(Ends(), c.Ends);
        EXPECT_EQ(view.Unloads == 0, c.Waits) << "the monitor ends after asking Windows to end the session";
    }
}

TEST_F(ScheduledShutdown, ACancelledWarningComesBackAtEveryTickUntilTheOptionsAreLoadedAgain) {
    frmAmbrel& f = StartAt("1", "9:59 AM");  // passed today: tomorrow
    clock.Time = Today() + 1 + TimeSerial(10, 0, 0);
    view.OnWarning = [](std::int16_t& outcome) { outcome = 1; };
    f.Timer1_Timer();
    f.Timer1_Timer();
    EXPECT_EQ(view.Warnings, 2);
    EXPECT_TRUE(processes.Started.empty());
    EXPECT_EQ(f.Timer1_Interval, 60000);
    EXPECT_TRUE(f.Timer1_Enabled);
    f.mRefreshOptions();  // the maintenance program saved: tomorrow again
    f.Timer1_Timer();
    EXPECT_EQ(view.Warnings, 2);

    f.TimerAction = 1;
    clock.Time += 2;
    f.Timer1_Timer();
    EXPECT_EQ(view.Warnings, 2) << "a passing action makes the tick do nothing";
}

}  // namespace
}  // namespace ambrel::testing
