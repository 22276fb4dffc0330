// What the monitor does for today's Windows: the reason shown while the end
// of the session waits on it, its early place in the shutdown order, the wait
// marker that tells of a skipped run, and the run history.

#include "unit/monitor_fixture.h"

#include "shared/SessionTrail.h"
#include "shared/errors.h"

namespace ambrel::testing {
namespace {

using Strings = std::vector<std::string>;

const std::string kHistory = "C:\\Ambrel\\Data\\history.csv";
const std::string kMarker = "C:\\Ambrel\\Data\\ambrel.wait";

TEST(SessionTrail, TimesAreLocalIso8601WithTheirOffset) {
    const double at = DateSerial(2026, 12, 8) + TimeSerial(17, 5, 3);
    const std::tuple<double, int, const char*> cases[] = {
        {at, 60, "2026-12-08T17:05:03+01:00"},
        {at, 0, "2026-12-08T17:05:03+00:00"},
        {at, -300, "2026-12-08T17:05:03-05:00"},
        {at, 330, "2026-12-08T17:05:03+05:30"},
        {DateSerial(2026, 12, 31) + TimeSerial(23, 59, 59) + 0.6 / 86400, -570, "2027-01-01T00:00:00-09:30"},
    };
    for (const auto& [date, offset, text] : cases) EXPECT_EQ(IsoLocalTime(date, offset), text);
}

TEST(SessionTrail, HistoryStartsWithItsHeaderDropsATornLineAndKeepsToItsLimitWholeLines) {
    MemoryFileSystem fs;
    fs.AddFolder("C:\\Ambrel\\Data");
    ASSERT_EQ(AppendHistory(fs, kHistory, "first\r\n", 200), 0);
    EXPECT_EQ(fs.ContentOr(kHistory), std::string(kHistoryHeader) + "first\r\n");

    // A power cut in the middle of a line leaves it torn; it goes at the next append.
    fs.AddFile(kHistory, *fs.Content(kHistory) + "torn li");
    ASSERT_EQ(AppendHistory(fs, kHistory, "second\r\n", 200), 0);
    EXPECT_EQ(fs.ContentOr(kHistory), std::string(kHistoryHeader) + "first\r\nsecond\r\n");

    for (int i = 10; i < 40; ++i) {
        ASSERT_EQ(AppendHistory(fs, kHistory, "line " + std::to_string(i) + "\r\n", 200), 0);
        const std::string content = fs.ContentOr(kHistory);
        ASSERT_LE(content.size(), 200u);
        ASSERT_EQ(content.rfind(kHistoryHeader, 0), 0u);
        ASSERT_EQ(content.substr(content.size() - 9), "line " + std::to_string(i) + "\r\n");
    }
    const std::string content = fs.ContentOr(kHistory);
    EXPECT_EQ(content.find("first"), std::string::npos) << "the oldest lines go first";
    EXPECT_NE(content.find("\r\nline 30\r\n"), std::string::npos) << "the newest stay:\n" << content;
    EXPECT_FALSE(fs.FileExists(kHistory + ".new"));

    // A file far past its limit (grown by hand, or a damaged or sparse one)
    // is cut from its end: the newest whole lines stay, under the header.
    std::string huge = std::string(kHistoryHeader);
    for (int i = 0; i < 4000; ++i) huge += "old line " + std::to_string(i) + "\r\n";
    fs.AddFile(kHistory, huge);
    ASSERT_EQ(AppendHistory(fs, kHistory, "newest\r\n", 200), 0);
    const std::string cut = fs.ContentOr(kHistory);
    EXPECT_LE(cut.size(), 200u);
    EXPECT_EQ(cut.rfind(std::string(kHistoryHeader) + "old line ", 0), 0u) << cut;
    EXPECT_NE(cut.find("\r\nold line 3999\r\nnewest\r\n"), std::string::npos) << cut;
    EXPECT_EQ(cut.find("\r\nld line"), std::string::npos) << "a line cut in the middle:\n" << cut;
}

// The History window's reading: newest first, from the end of the file in
// small pieces (lines cross them), quoted fields undone, the header and a
// torn last line left out, at most so many rows, and the failures alone.
TEST(SessionTrail, TheHistoryIsReadNewestFirstFromItsEndInPieces) {
    MemoryFileSystem files;
    files.AddFolder("C:\\H");
    std::string text = kHistoryHeader;
    for (int i = 1; i <= 300; ++i) {
        HistoryEntry entry{"2026-12-0" + std::to_string(1 + i % 9) + "T10:00:00+01:00", "run" + std::to_string(i) + ".exe, \"x\"",
                           i % 7 == 0 ? RunOutcome::TimedOut : RunOutcome::Run, i % 7 != 0, static_cast<std::uint32_t>(i % 5 == 0),
                           i, i % 2 ? "shut down" : ""};
        text += HistoryLine(entry);
    }
    files.AddFile("C:\\H\\history.csv", text + "2026-12-09T10:00:00+01:00,torn");
    for (std::size_t piece : {std::size_t{7}, std::size_t{100}, std::size_t{1} << 20}) {
        SCOPED_TRACE(piece);
        auto all = ReadHistoryNewestFirst(files, "C:\\H\\history.csv", 1000, false, piece);
        ASSERT_EQ(all.size(), 300u);
        EXPECT_EQ(all[0].CommandLine, "run300.exe, \"x\"");
        EXPECT_EQ(all[299].CommandLine, "run1.exe, \"x\"");
        EXPECT_EQ(all[0].SessionEnd, "");
        EXPECT_EQ(all[1].SessionEnd, "shut down");
        EXPECT_EQ(all[1].DurationMs, "299");
        auto newest = ReadHistoryNewestFirst(files, "C:\\H\\history.csv", 10, false, piece);
        ASSERT_EQ(newest.size(), 10u);
        EXPECT_EQ(newest[9].CommandLine, "run291.exe, \"x\"");
        // Timed out (every 7th) or ended with exit code 1 (every 5th).
        auto failed = ReadHistoryNewestFirst(files, "C:\\H\\history.csv", 1000, true, piece);
        EXPECT_EQ(failed.size(), 300u / 7 + 300u / 5 - 300u / 35);
        for (const HistoryRow& row : failed) EXPECT_TRUE(row.Failed()) << row.CommandLine;
    }
    EXPECT_TRUE(ReadHistoryNewestFirst(files, "C:\\H\\none.csv", 10, false).empty());
}

TEST(SessionTrail, AReplacementCutShortLeavesOneWholeFile) {
    const std::string old = std::string(kHistoryHeader) + "old\r\n", fresh = std::string(kHistoryHeader) + "new\r\n";
    // What each crash leaves: the file, its new version; what the next append finds.
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"old", "new", old},      // the new one written, not yet moved: the old one stands
        {nullptr, "new", fresh},  // the old one removed, the new one not yet moved
        {"old", nullptr, old},
    };
    for (const auto& [file, next, kept] : cases) {
        MemoryFileSystem fs;
        fs.AddFolder("C:\\Ambrel\\Data");
        if (file) fs.AddFile(kHistory, old);
        if (next) fs.AddFile(kHistory + ".new", fresh);
        ASSERT_EQ(AppendHistory(fs, kHistory, "more\r\n", 200), 0);
        EXPECT_EQ(fs.ContentOr(kHistory), kept + "more\r\n");
        EXPECT_FALSE(fs.FileExists(kHistory + ".new"));
    }
    // A system that cannot move over a file: the old one is removed firs
    MemoryFileSystem fs;
    fs.AddFolder("C:\\Ambrel\\Data");
    fs.AddFile(kHistory, old + "torn");
    fs.FailRenameNumber(1);
    ASSERT_EQ(AppendHistory(fs, kHistory, "more\r\n", 200), 0);
    EXPECT_EQ(fs.ContentOr(kHistory), old + "more\r\n");
}

TEST(SessionTrail, AWaitMarkerCountsOnlyOnceItIsWholeAndInPlace) {
    MemoryFileSystem fs;
    fs.AddFolder("C:\\Ambrel\\Data");
    std::string since;
    for (int failingWrite = 1; failingWrite <= 2; ++failingWrite) {
        fs.FailWriteNumber(failingWrite == 1 ? 1 : 0);
        if (failingWrite == 2) fs.FailRenameNumber(1);
        // A crash while the marker is written: no wait has begun.
        SetWaitMarker(fs, kMarker, "2026-12-08T10:00:00+01:00");
        if (failingWrite == 2) fs.AddFile(kMarker + ".new", "Waiting si");
        EXPECT_FALSE(LeftoverWaitMarker(fs, kMarker, since));
        EXPECT_TRUE(fs.AllFiles().empty()) << fs.AllFiles()[0];
    }
    fs.FailRenameNumber(0);
    ASSERT_EQ(SetWaitMarker(fs, kMarker, "2026-12-08T10:00:00+01:00"), 0);
    EXPECT_TRUE(LeftoverWaitMarker(fs, kMarker, since));
    EXPECT_EQ(since, "2026-12-08T10:00:00+01:00");
    ClearWaitMarker(fs, kMarker);
    EXPECT_FALSE(LeftoverWaitMarker(fs, kMarker, since));
    // Far longer than what this program writes: not one of its markers.
    fs.AddFile(kMarker, "Waiting since " + std::string(4096, '1'));
    EXPECT_FALSE(LeftoverWaitMarker(fs, kMarker, since));
}

// ---------------------------------------------------------------------------
// Through the monitor

class TodaysWindows : public Monitor {
protected:
    frmAmbrel& Ready(const Strings& commands, const std::function<void(cAmbrelOptions&)>& edit = nullptr) {
        StoreOptions(edit);
        std::vector<StoredCommand> stored;
        for (const std::string& c : commands) stored.push_back(Cmd(c));
        StoreCommands(stored);
        frmAmbrel& f = Start();
        EXPECT_TRUE(started);
        return f;
    }
    int EndSession(std::uint32_t endFlags = 0) {
        int cancel = 0;
        form->ListDone = false;
        form->Form_QueryUnload(cancel, kUnloadAppWindows, endFlags);
        return cancel;
    }
    Strings HistoryLines() {
        Strings lines;
        std::string content = files.ContentOr(kHistory, "");
        for (std::size_t at = 0; at < content.size();) {
            std::size_t end = content.find("\r\n", at);
            lines.push_back(content.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }
    std::string Set(const std::string& reason) { return "set " + std::to_string(view.Handle) + " " + reason; }
    std::string Cleared() { return "clear " + std::to_string(view.Handle); }
};

TEST_F(TodaysWindows, TheReasonFollowsTheConfirmationAndEachRowAndGoesWithTheAnswer) {
    Ready({"a.exe", "b.exe"}, [](cAmbrelOptions& o) { o.QueryClose(true); });
    std::string shownWhileWaiting;
    view.OnServe = [&] {
        shownWhileWaiting = courtesy.Shown;
        form->cmd_execute_procedures_Click();
    };
    form->mRefreshOptions();
    EXPECT_EQ(EndSession(), 0);
    EXPECT_EQ(shownWhileWaiting, kReasonConfirm);
    EXPECT_EQ(courtesy.Calls, (Strings{Set("Waiting for you to confirm the shutdown tasks"),
                                       Set("Running shutdown task 1 of 2: a.exe"),
                                       Set("Running shutdown task 2 of 2: b.exe"), Cleared()}));
    EXPECT_EQ(courtesy.Levels, (std::vector<std::uint32_t>{0x3FF})) << "asked first, once, at start-up";
    EXPECT_EQ(RunningTaskReason(3, 9, std::string(50, 'a') + std::string(50, 'z')),
              "Running shutdown task 3 of 9: " + std::string(38, 'a') + "..." + std::string(39, 'z'));
}

TEST_F(TodaysWindows, TheReasonGoesHoweverTheRunEndsAndIsNeverSetWhereTheSystemLacksIt) {
    const std::function<void()> cases[] = {
        [this] { processes.Missing.insert("a.exe"); },  // a command fails to start
        [this] {                                           // its message cancels the shutdown
            StoreCommands({[] {
                StoredCommand c = Cmd("a.exe");
                c.ShowMessageWhen = 1;
                c.MessageStyle = kMbOkOnly;
                c.Actions[0] = kActionCancelShutdown;
                return c;
            }()});
        },
        [this] { courtesy.Available = false; },
    };
    for (const auto& arrange : cases) {
        courtesy = RecordingCourtesy();
        Ready({"a.exe"});
        arrange();
        EndSession();
        EXPECT_TRUE(courtesy.Shown.empty());
        if (courtesy.Available) {
            EXPECT_EQ(courtesy.Calls, (Strings{Set("Running shutdown task 1 of 1: a.exe"), Cleared()}));
        } else {
            EXPECT_TRUE(courtesy.Calls.empty());
        }
    }
}

TEST_F(TodaysWindows, ASessionThatEndedWithoutTheListIsToldAtTheNextStart) {
    struct Case {
        const char* name;
        std::function<void()> lastSession;
        bool told;
    };
    const Case cases[] = {
        {"the user ended the monitor", [this] { form->mExit_Click(); }, false},
        {"the list ran at the end",
         [this] {
             EndSession();
             form->SessionEnded();
         },
         false},
        {"the monitor was killed while it waited", [this] { form.reset(); }, true},
        {"the end passed while the monitor was busy",
         [this] {
             form->MonitorBusy = true;
             EXPECT_EQ(EndSession(), 0);
             form->SessionEnded();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files = MemoryFileSystem();
        files.AddFolder("C:\\Ambrel\\Data");
        view.Balloons.clear();
        Ready({"a.exe"});
        EXPECT_TRUE(files.FileExists(kMarker)) << "marked from the start of the wait";
        c.lastSession();
        Start();
        EXPECT_EQ(Log().find(kSkippedRunText) != std::string::npos, c.told) << Log();
        EXPECT_EQ(view.Balloons, c.told ? Strings{"Ambrel: The last session ended before Ambrel's work could run."}
                                        : Strings{});
        EXPECT_TRUE(files.FileExists(kMarker)) << "the new wait is marked";
    }

    // Not in the tray: the log alone tells. An empty list marks nothing.
    form.reset();
    view.Balloons.clear();
    Ready({"a.exe"}, [](cAmbrelOptions& o) { o.RunMinimized("T"); });
    EXPECT_TRUE(view.Balloons.empty());
    EXPECT_NE(Log().find("It had waited since 2026-12-08T10:00:00+01:00."), std::string::npos);
    form->mExit_Click();
    Ready({});
    EXPECT_FALSE(files.FileExists(kMarker));
}

TEST_F(TodaysWindows, EveryCommandRunLeavesAHistoryLineWithItsOutcome) {
    StoredCommand skipped = Cmd("skipped.exe");
    skipped.ShowMessageWhen = 1;
    skipped.MessageStyle = kMbOkOnly;
    skipped.Actions[0] = kActionSkipNext;
    StoreOptions([](cAmbrelOptions& o) {
        o.TimeOutPrograms(true);
        o.TimeOutProgramMinutes("1");
    });
    StoreCommands({Cmd("ok.exe /a,b"), Cmd("gone.exe"), Cmd("hang.exe"), skipped, Cmd("say \"bye\".exe")});
    processes.Missing.insert("gone.exe");
    processes.ExitCodes = {{"ok.exe /a,b", 3}, {"hang.exe", kStillActive}};
    processes.OnWait = [this](std::uint32_t) { clock.Time += 2.5 / 86400; };  // the limit is passed after 24 waits
    Start();
    EXPECT_EQ(EndSession(kEndSessionLogoff), 0);
    EXPECT_EQ(HistoryLines(), (Strings{
                                  "Start,Command line,Outcome,Exit code,Duration (ms),Session end",
                                  "2026-12-08T10:00:00+01:00,\"ok.exe /a,b\",run,3,0,log off",
                                  "2026-12-08T10:00:00+01:00,gone.exe,failed to start,,0,log off",
                                  "2026-12-08T10:00:00+01:00,hang.exe,timed out,,60000,log off",
                                  "2026-12-08T10:01:00+01:00,skipped.exe,skipped by its message,,0,log off",
                                  "2026-12-08T10:01:00+01:00,\"say \"\"bye\"\".exe\",run,0,0,log off",
                              }));
    EXPECT_NE(Log().find("Windows ends the session: log off"), std::string::npos);
    EXPECT_EQ(StoredCommands().size(), 5u) << "the list files stay as they were";
}

}  // namespace
}  // namespace ambrel::testing
