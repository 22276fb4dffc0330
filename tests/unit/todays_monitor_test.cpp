// The monitor on Windows 10: the shutdown privilege before every end it
// makes, no window swept, a refused end said and watched again; the close
// request of an update and a critical end, which run nothing; option 1 where
// the Start menu has no Shut Down dialog.

#include "unit/monitor_fixture.h"

namespace ambrel::testing {
namespace {

using Strings = std::vector<std::string>;

class OnWindows10 : public Monitor {
protected:
    OnWindows10() {
        facts.Version.PlatformId = kPlatformNT;
        facts.Version.MajorVersion = 10;
        facts.Version.MinorVersion = 0;
        session.NtPrivileges = true;
        // A program that does not answer: a sweep would end it.
        session.Windows = {{0x501, 11, false}};
    }
    frmAmbrel& Ready(const std::function<void(cAmbrelOptions&)>& edit, const std::string& commandLine = "") {
        StoreOptions([&](cAmbrelOptions& o) {
            o.ForceLogoff(true);
            if (edit) edit(o);
        });
        StoreCommands({Cmd("task.exe")});
        frmAmbrel& f = Start(commandLine);
        EXPECT_EQ(started, commandLine.empty()) << "a hand-over ends once it is done";
        return f;
    }
    // Each request to end the session comes after the privilege was enabled,
    // and no window was ever swept.
    void ExpectPrivilegedEnds(std::size_t count, const std::string& flags) {
        std::size_t ends = 0;
        bool enabled = false;
        for (const std::string& call : session.Calls) {
            EXPECT_NE(call, "EnumWindows") << "a window sweep on Windows 10";
            if (call.rfind("AdjustTokenPrivileges", 0) == 0) enabled = true;
            if (call.rfind("ExitWindowsEx", 0) == 0) {
                EXPECT_TRUE(enabled) << call;
                EXPECT_EQ(call, "ExitWindowsEx " + flags + " 4095");
                ++ends;
                enabled = false;
            }
        }
        EXPECT_EQ(ends, count);
        session.Calls.clear();
    }
    int QueryEnd(std::uint32_t endFlags = 0) {
        int cancel = 0;
        form->Form_QueryUnload(cancel, kUnloadAppWindows, endFlags);
        return cancel;
    }
};

TEST_F(OnWindows10, EveryWayTheMonitorEndsTheSessionEnablesThePrivilegeFirstAndSweepsNoWindow) {
    // Option 2: the refused end, then the monitor's own.
    Ready([](cAmbrelOptions& o) {
        o.ShutdownOption(2);
        o.WinShutdownType("1");
    });
    EXPECT_EQ(QueryEnd(), 1);
    form->Timer1_Timer();
    ExpectPrivilegedEnds(1, "17");  // shut down, EWX_FORCEIFHUNG
    EXPECT_EQ(processes.CommandLines(), Strings{"task.exe"});

    // The scheduled shutdown, its warning left to count down.
    Ready([&](cAmbrelOptions& o) {
        o.ShutWindowsOnTime(true);
        o.ShutWindowsTime("10:30 AM");
        o.WinShutdownType("2");
    });
    clock.Time += TimeSerial(0, 31, 0);
    form->Timer1_Timer();
    EXPECT_EQ(view.Warnings, 1);
    ExpectPrivilegedEnds(1, "18");  // restart

    // The replacement of the Shut Down dialog, Yes on Shut down.
    Ready([](cAmbrelOptions& o) { o.ShutdownOption(1); });
    view.InPlaceEnding = 1;
    view.RunList = false;
    form->ShutdownDialogFound();
    ExpectPrivilegedEnds(1, "17");

    // The menu's Shut Down, and the launcher's hand-over.
    Ready(nullptr);
    view.Ending = 2;
    form->mShutdown_Click();
    ExpectPrivilegedEnds(1, "2");  // this path takes neither ForceLogoff nor PowerOff
    Ready(nullptr, "FromTelvix 1");
    ExpectPrivilegedEnds(1, "1");
}

TEST_F(OnWindows10, ARefusedEndIsToldAndTheMonitorWaitsAgain) {
    session.Token = 0;  // the privilege cannot be had
    Ready([](cAmbrelOptions& o) { o.ShutdownOption(2); });
    EXPECT_EQ(QueryEnd(), 1);
    form->Timer1_Timer();
    EXPECT_EQ(processes.CommandLines(), Strings{"task.exe"});
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_NE(ui.Boxes[0].Text.find("the shutdown privilege is not held"), std::string::npos) << ui.Boxes[0].Text;
    EXPECT_NE(Log().find("system error 1314"), std::string::npos);
    EXPECT_EQ(view.Unloads, 0) << "the machine stays up, and watched";
    EXPECT_FALSE(form->MonitorBusy);
    EXPECT_EQ(form->StatusBar1_Text, "Waiting for Windows to shut down...");
}

TEST_F(OnWindows10, AnUpdatesCloseRequestAndACriticalEndRunNothingAndHoldNothingUp) {
    for (std::int16_t option : {2, 3}) {
        SCOPED_TRACE(option);
        Ready([&](cAmbrelOptions& o) { o.ShutdownOption(option); });
        EXPECT_EQ(QueryEnd(kEndSessionCloseApp), 0);
        EXPECT_EQ(QueryEnd(kEndSessionCritical | kEndSessionLogoff), 0);
        form->Timer1_Timer();
        EXPECT_TRUE(processes.Started.empty());
        EXPECT_TRUE(Ends().empty());
        EXPECT_EQ(courtesy.RestartRegistrations, 1) << "started again after the update";
        EXPECT_NE(Log().find("Asked to close for an update"), std::string::npos);
        // Closed for the update: the program ends as when asked to, and the
        // wait is not marked as a session that ended without the list.
        form->SessionEnded(kEndSessionCloseApp);
        EXPECT_FALSE(files.FileExists("C:\\Ambrel\\Data\\ambrel.wait"));
        courtesy.RestartRegistrations = 0;
    }
}

TEST_F(OnWindows10, UnderOption1AnEndThatDidNotComeThroughTheDialogRunsTheList) {
    Ready([](cAmbrelOptions& o) {
        o.ShutdownOption(1);
        o.ForceLogoff(false);
    });
    ASSERT_TRUE(form->Watching());
    EXPECT_EQ(QueryEnd(kEndSessionLogoff), 0);
    EXPECT_EQ(processes.CommandLines(), Strings{"task.exe"});
    EXPECT_FALSE(form->Watching()) << "the watch stops while the end goes on";
    EXPECT_NE(Log().find("Windows ends the session: log off"), std::string::npos);
    // Another program refuses the end: the watch starts again.
    form->SessionEndRefused();
    EXPECT_TRUE(form->Watching());

    // Windows 98 keeps the dialog: an end from elsewhere passes as before.
    facts.Version = {};
    facts.Version.PlatformId = kPlatformWindows;
    facts.Version.MajorVersion = 4;
    facts.Version.MinorVersion = 10;
    processes.Started.clear();
    Ready([](cAmbrelOptions& o) { o.ShutdownOption(1); });
    EXPECT_EQ(QueryEnd(), 0);
    EXPECT_TRUE(processes.Started.empty());
    EXPECT_TRUE(form->Watching());
}

}  // namespace
}  // namespace ambrel::testing
