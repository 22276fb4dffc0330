// The monitor under each shutdown option, with and without confirmation: the
// scheduled shutdown, a further end of the session asked during a run, the
// menu's Shut Down cancelled. Then what only option 1 has (the replacement's
// Cancel), a refresh under an open dialog and Exit during a run.

#include "unit/monitor_fixture.h"
#include <stdexcept>

namespace ambrel::testing {
namespace {

using Strings = std::vector<std::string>;

struct Mode {
    std::int32_t Option;
    bool Confirm;
};

class EveryOption : public Monitor, public ::testing::WithParamInterface<Mode> {
protected:
    EveryOption() {
        setup.Option = GetParam().Option;
        setup.Confirm = GetParam().Confirm;
    }
    // With confirmation the user presses Execute, or Cancel Shut Down.
    void Confirming(bool cancel = false) {
        view.OnServe = [this, cancel] {
            if (cancel)
                form->cmd_cancel_shutdown_Click();
            else
                form->cmd_execute_procedures_Click();
        };
    }
    int QueryEnd() {
        int cancel = 0;
        form->Form_QueryUnload(cancel, kUnloadAppWindows);
        return cancel;
    }
    // A run at the end of the session, as each option has it: option 1's
    // through the replacement of the system's dialog.
    void RunAtTheEnd() {
        if (GetParam().Option == 1) {
            view.InPlaceEnding = 1;
            view.RunList = true;
            form->ShutdownDialogFound();
        } else if (GetParam().Option == 2) {
            EXPECT_EQ(QueryEnd(), 1);
            form->Timer1_Timer();
        } else {
            EXPECT_EQ(QueryEnd(), 0);
        }
    }
};

TEST_P(EveryOption, TheScheduledShutdownWarnsRunsOnceAndIsDueAgainOnlyTheNextDay) {
    setup.ScheduledAt = "10:30 AM";
    setup.Ending = "4";  // run the list and leave Windows running
    StoreOptions();
    StoreCommands({Cmd("nightly")});
    Confirming();
    Start();
    ASSERT_TRUE(started);
    EXPECT_EQ(form->Watching(), GetParam().Option == 1);
    clock.Time = Today() + TimeSerial(10, 31, 0);
    bool watchedDuringWarning = true;
    view.OnWarning = [&](std::int16_t&) { watchedDuringWarning = form->Watching(); };
    form->Timer1_Timer();
    EXPECT_EQ(view.Warnings, 1);
    EXPECT_FALSE(watchedDuringWarning) << "the watch is stopped before the warning";
    EXPECT_EQ(processes.CommandLines(), Strings{"nightly"});
    EXPECT_TRUE(Ends().empty());
    EXPECT_EQ(view.Unloads, 0);
    EXPECT_EQ(form->Watching(), GetParam().Option == 1) << "the wait, and the watch, start again";

    // Two more ticks, the set time still past: nothing more today.
    for (int minutes : {33, 35}) {
        clock.Time = Today() + TimeSerial(10, minutes, 0);
        form->Timer1_Timer();
    }
    EXPECT_EQ(view.Warnings, 1);
    EXPECT_EQ(processes.Started.size(), 1u);
    EXPECT_EQ(form->StatusBar1_Text, "Shutdown Windows on 12/9/2026 10:30");
    clock.Time = Today() + 1 + TimeSerial(10, 31, 0);
    form->Timer1_Timer();
    EXPECT_EQ(view.Warnings, 2) << "due again the next day";
}

TEST_P(EveryOption, AnEndAskedAgainDuringARunIsRefusedAtOnceAndNothingRunsTwice) {
    StoreOptions();
    StoreCommands({Cmd("a.exe"), Cmd("b.exe")});
    Confirming();
    Start();
    int answered = -1;
    std::size_t startsDuringQuery = 0;
    processes.OnStart = [&](const std::string& line) {
        if (line != "a.exe" || answered != -1) return;
        const std::size_t before = processes.Started.size();
        answered = QueryEnd();
        startsDuringQuery = processes.Started.size() - before;
    };
    RunAtTheEnd();
    EXPECT_EQ(answered, 1) << "the running list still holds the session";
    EXPECT_EQ(startsDuringQuery, 0u);
    EXPECT_EQ(processes.CommandLines(), (Strings{"a.exe", "b.exe"}));
    EXPECT_TRUE(view.WaitEndedDone || !GetParam().Confirm) << "the confirmation was answered";
}

TEST_P(EveryOption, TheMenusShutDownCancelledLeavesTheMonitorWaiting) {
    StoreOptions();
    StoredCommand asking = Cmd("asking.exe");
    asking.ShowMessageWhen = 1;
    asking.MessageStyle = kMbYesNo;
    asking.Actions[0] = kActionCancelShutdown;
    StoreCommands({asking});
    ui.Answers = {kAnswerYes};
    Confirming();
    Start();
    view.Ending = 1;
    form->mShutdown_Click();
    EXPECT_TRUE(processes.Started.empty());
    EXPECT_TRUE(Ends().empty());
    EXPECT_EQ(view.Unloads, 0) << "the monitor stays";
    EXPECT_TRUE(form->cSysTray1_InTray);
    EXPECT_EQ(form->Watching(), GetParam().Option == 1);
    EXPECT_EQ(form->StatusBar1_Text, "Waiting for Windows to shut down...");
}

INSTANTIATE_TEST_SUITE_P(Monitor, EveryOption,
                         ::testing::Values(Mode{1, false}, Mode{1, true}, Mode{2, false}, Mode{2, true},
                                           Mode{3, false}, Mode{3, true}),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             return "Option" + std::to_string(info.param.Option) +
                                    (info.param.Confirm ? "Confirmed" : "Unconfirmed");
                         });

TEST_F(Monitor, AfterACancelInTheReplacementEveryLaterYesRunsTheListAndEndsAsChosen) {
    setup.Option = 1;
    setup.Confirm = true;
    for (std::int32_t ending : {0, 1, 2}) {  // log off, shut down, restart
        SCOPED_TRACE(ending);
        processes.Started.clear();
        session.Calls.clear();
        StoreOptions();
        StoreCommands({Cmd("task.exe")});
        Start();
        view.InPlaceEnding = ending;
        view.RunList = true;
        view.OnServe = [this] { form->cmd_cancel_shutdown_Click(); };
        form->ShutdownDialogFound();
        EXPECT_TRUE(Ends().empty());
        ASSERT_TRUE(form->Watching());
        view.OnServe = [this] { form->cmd_execute_procedures_Click(); };
        form->ShutdownDialogFound();
        EXPECT_EQ(processes.CommandLines(), Strings{"task.exe"});
        EXPECT_EQ(Ends(), Strings{"ExitWindowsEx " + std::to_string(ending) + " 4095"});
    }
}

TEST_F(Monitor, ARefreshUnderAnOpenDialogWaitsUntilItHasClosed) {
    setup.Option = 1;
    setup.ScheduledAt = "10:30 AM";
    struct Case {
        const char* Dialog;
        std::function<void()> Open;
    } cases[] = {
        {"the warning", [this] {
             clock.Time = Today() + TimeSerial(10, 31, 0);
             form->Timer1_Timer();
         }},
        {"the replacement", [this] { form->ShutdownDialogFound(); }},
        {"the menu's Shut Down", [this] { form->mShutdown_Click(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Dialog);
        clock.Time = Today() + TimeSerial(10, 0, 0);
        StoreOptions();
        Start();
        ASSERT_TRUE(form->Watching());
        const int watches = view.Watches, centred = view.Centred;
        auto refresh = [&] {
            registry.PutDword(kRootLocalMachine, "Software\\Ambrel 2.0\\Options", "ShutdownOption", 3);
            form->mRefreshOptions();
            EXPECT_EQ(view.Watches, watches) << "no watch (and no second cover) under the dialog";
            EXPECT_EQ(view.Centred, centred) << "no wait entered under it";
        };
        view.OnWarning = [&](std::int16_t& outcome) {
            refresh();
            outcome = 1;
        };
        view.OnAsk = refresh;
        view.InPlaceEnding = -1;
        view.Ending = -1;
        c.Open();
        EXPECT_EQ(form->ShutdownOption, 3) << "the refresh took effect once the dialog closed";
        EXPECT_FALSE(form->Watching());
        EXPECT_EQ(view.Unloads, 0);
        view.OnAsk = nullptr;
        view.OnWarning = nullptr;
    }
}

TEST_F(Monitor, ExitDuringARunEndsTheWaitAndLeavesTheProgramRunning) {
    StoreOptions();
    StoreCommands({Cmd("long.exe"), Cmd("after.exe")});
    Start();
    processes.ExitCodes["long.exe"] = kStillActive;  // runs on, without a time-out
    int waits = 0;
    processes.OnWait = [this, &waits](std::uint32_t) {
        if (++waits > 5) throw std::runtime_error("the wait went on after Exit");
        form->mExit_Click();
    };
    int cancel = 0;
    form->Form_QueryUnload(cancel, kUnloadAppWindows);
    EXPECT_EQ(processes.CommandLines(), Strings{"long.exe"}) << "the list stops";
    EXPECT_EQ(view.Unloads, 1);
    EXPECT_TRUE(form->Unloading);
    const std::string history = files.ContentOr("C:\\Ambrel\\Data\\history.csv", "");
    EXPECT_NE(history.find(",long.exe,left running,,"), std::string::npos) << history;
}

}  // namespace
}  // namespace ambrel::testing
