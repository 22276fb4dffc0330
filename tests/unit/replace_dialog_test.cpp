// Option 1: the monitor watches for the system's Shut Down dialog and asks
// in its place.

#include "unit/monitor_fixture.h"

namespace ambrel::testing {
namespace {

class ReplaceDialog : public Monitor {
protected:
    frmAmbrel& StartWatching(bool allowUsersToDisable = true) {
        StoreOptions([&](cAmbrelOptions& o) {
            o.ShutdownOption(1);
            o.ShutdownDialogTitle("Shut Down Windows");
            o.AllowUsersToDisable(allowUsersToDisable);
        });
        StoreCommands({Cmd("first"), Cmd("second")});
        return Start();
    }
};

TEST_F(ReplaceDialog, TheMonitorWatchesBusilyAndAnswersInPlace) {
    struct Case {
        std::int32_t Ending;
        bool RunList, Allow;
        std::vector<std::string> Ran, Ends;
        bool WatchesAgain;
    } cases[] = {
        {-1, true, true, {}, {}, true},                                     // No
        {0, true, true, {"first", "second"}, {"ExitWindowsEx 0 4095"}, false},  // log off after the list
        {2, false, true, {}, {"ExitWindowsEx 2 4095"}, false},               // restart, the run cleared
        {1, true, false, {"first", "second"}, {"ExitWindowsEx 1 4095"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Ending);
        processes.Started.clear();
        session.Calls.clear();
        view.Watches = view.Stops = view.InPlace = view.Unloads = 0;
        frmAmbrel& f = StartWatching(c.Allow);
        EXPECT_EQ(view.Watches, 1);
        EXPECT_EQ(view.WatchedTitle, "Shut Down Windows");
        EXPECT_TRUE(f.MonitorBusy && f.Watching());
        // Another end of the session passes without the list while it watches.
        int cancel = 0;
        f.Form_QueryUnload(cancel, kUnloadAppWindows);
        EXPECT_EQ(cancel, 0);
        EXPECT_TRUE(processes.Started.empty());
        EXPECT_TRUE(f.Watching());

        view.InPlaceEnding = c.Ending;
        view.RunList = c.RunList;
        f.ShutdownDialogFound();
        EXPECT_EQ(view.InPlace, 1);
        EXPECT_EQ(view.CheckBoxShown, c.Allow);
        EXPECT_EQ(processes.CommandLines(), c.Ran);
        EXPECT_EQ(Ends(), c.Ends);
        EXPECT_EQ(f.Watching(), c.WatchesAgain);
        EXPECT_EQ(view.Watches, c.WatchesAgain ? 2 : 1);
        EXPECT_EQ(view.Unloads > 0, !c.WatchesAgain);
    }
}

TEST_F(ReplaceDialog, ACancelledListARefreshAndAnUnloadEndTheWaitOrStartItAgain) {
    StoreOptions([](cAmbrelOptions& o) { o.ShutdownOption(1); });
    StoredCommand cancelling = Cmd("asks");
    cancelling.ShowMessageWhen = 1;
    cancelling.Actions[0] = kActionCancelShutdown;
    StoreCommands({cancelling});
    frmAmbrel& f = Start();
    view.InPlaceEnding = 1;
    f.ShutdownDialogFound();
    EXPECT_TRUE(Ends().empty()) << "the list's message cancelled";
    EXPECT_TRUE(f.Watching());

    f.ShutdownDialogFound();  // twice for one dialog: asked once more only while watching
    const int asked = view.InPlace;
    StoreOptions([](cAmbrelOptions& o) { o.ShutdownOption(3); });
    const int stops = view.Stops;
    f.mRefreshOptions();
    EXPECT_EQ(view.Stops, stops + 1);
    EXPECT_FALSE(f.Watching());
    EXPECT_FALSE(f.MonitorBusy);
    f.ShutdownDialogFound();
    EXPECT_EQ(view.InPlace, asked) << "no longer watching";

    StoreOptions([](cAmbrelOptions& o) { o.ShutdownOption(1); });
    f.mRefreshOptions();
    EXPECT_TRUE(f.Watching());
    f.Form_Unload();
    EXPECT_FALSE(f.Watching());
}

}  // namespace
}  // namespace ambrel::testing
