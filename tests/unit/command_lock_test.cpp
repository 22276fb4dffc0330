// The command list lock between the monitor's record of a run and the
// maintenance program's save: the run finds its command wherever a save put
// it, and a save keeps the counters the monitor wrote while it was open.

#include <gtest/gtest.h>

#include "doubles/recording_lock.h"
#include "unit/command_test_support.h"

namespace ambrel {
namespace {

using testing::Command;
using testing::CommandProgram;
using testing::RecordingLock;

const std::string kSdd = "C:\\Ambrel\\Data\\ambrel.sdd";
const std::string kSds = "C:\\Ambrel\\Data\\ambrel.sds";
const double kToday = DateSerial(2000, 1, 1);  // CommandProgram's clock
const double kYesterday = kToday - 1;

std::string SettingsBytes(const std::vector<CommandPair>& pairs) {
    std::string bytes;
    for (const CommandPair& p : pairs) AppendSettings(bytes, p.Settings);
    return bytes;
}

CommandPair Counted(CommandPair c, double lastRun, std::int16_t runCount) {
    c.Settings.LastRunDate = lastRun;
    c.Settings.RunCount = runCount;
    return c;
}

CommandPair WithRun(CommandPair c, std::int16_t run) {
    c.Settings.Run = run;
    return c;
}

CommandPair WithMessage(CommandPair c, const std::string& message) {
    c.Strings.MessageText = message;
    return c;
}

long ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

// Fails the test when a list file is opened without the lock held.
void RequireLockForListFiles(CommandProgram& p, RecordingLock& lock, bool& openedOutside) {
    p.memory.OpenFault = [&](const std::string& path, FileMode) {
        if ((path == kSdd || path == kSds) && !lock.Held()) openedOutside = true;
        return 0L;
    };
}

// The monitor ran `b`, loaded from record 1 with the counters it had then;
// since then the monitor itself counted two more runs today (the stored
// counters), and a save may have changed the list.
TEST(CommandListLock, ARunIsWrittenToTheRecordThatStillHoldsItsCommand) {
    const CommandPair a = Command("a"), c = Command("c");
    const CommandPair ranB = Counted(Command("b"), kYesterday, 0);
    const CommandPair storedB = Counted(Command("b"), kToday, 2);
    struct Case {
        const char* what;
        std::vector<CommandPair> onDisk;
        int expected;
        int written;  // -1: nothing written
    };
    const Case cases[] = {
        {"still in place", {a, storedB, c}, 1, 1},
        {"moved by a save", {c, a, storedB}, 1, 2},
        {"its Run switched off by a save", {a, WithRun(storedB, 0), c}, 1, 1},
        {"its twin comes first", {storedB, a, storedB}, 2, 2},
        {"the list got shorter", {storedB}, 1, 0},
        {"deleted", {a, c}, 1, -1},
        {"edited", {a, WithMessage(storedB, "changed"), c}, 1, -1},
        {"edited, an unedited twin elsewhere", {WithMessage(storedB, "changed"), a, storedB}, 0, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CommandProgram p;
        ASSERT_TRUE(p.Save(k.onDisk));
        const std::string sds = *p.memory.Content(kSds);
        std::vector<CommandPair> expected = k.onDisk;
        if (k.written >= 0) {
            CommandSettings& s = expected[static_cast<std::size_t>(k.written)].Settings;
            s.RunCount = static_cast<std::int16_t>(s.RunCount + 1);
            s.LastRunDate = kToday;
        }

        RecordingLock lock;
        bool openedOutside = false;
        RequireLockForListFiles(p, lock, openedOutside);
        std::string atRelease;
        lock.OnRelease = [&] { atRelease = p.memory.ContentOr(kSdd); };
        EXPECT_EQ(RecordCommandRun(p.fs, &lock, p.names, k.expected, ranB, kToday, "Ambrel"), k.written);

        EXPECT_EQ(p.memory.ContentOr(kSdd), SettingsBytes(expected)) << "every other record byte for byte";
        EXPECT_EQ(p.memory.ContentOr(kSds), sds);
        EXPECT_EQ(lock.Acquisitions, 1);
        EXPECT_FALSE(lock.Held());
        EXPECT_FALSE(openedOutside);
        EXPECT_EQ(atRelease, p.memory.ContentOr(kSdd)) << "written before the lock goes";
        EXPECT_EQ(p.memory.OpenFiles(), 0);
    }
}

TEST(CommandListLock, ARunThatCannotBeRecordedRaisesAndLetsTheLockGo) {
    const CommandPair b = Command("b");
    struct Case {
        const char* what;
        std::function<void(CommandProgram&, RecordingLock&)> fault;
        long error;
    };
    const Case cases[] = {
        {"lock refused", [](CommandProgram&, RecordingLock& l) { l.Refuse = true; }, kErrPermissionDenied},
        {"write fails", [](CommandProgram& p, RecordingLock&) { p.memory.FailWriteNumber(1); }, kErrDeviceIO},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CommandProgram p;
        ASSERT_TRUE(p.Save({Command("a"), b}));
        const std::string sdd = *p.memory.Content(kSdd);
        RecordingLock lock;
        k.fault(p, lock);
        EXPECT_EQ(ErrorOf([&] { RecordCommandRun(p.fs, &lock, p.names, 1, b, kToday, "Ambrel"); }), k.error);
        EXPECT_EQ(p.memory.ContentOr(kSdd), sdd);
        EXPECT_FALSE(lock.Held());
        EXPECT_EQ(lock.Acquisitions, lock.Releases);
        EXPECT_EQ(lock.LastTimeoutMs, kCommandListLockTimeoutMs);
        EXPECT_EQ(p.memory.OpenFiles(), 0);
    }
}

// The maintenance window loaded a, b, c, d; while it was open the monitor
// counted runs of all four. The user then moved b up, switched a off, edited
// c, opened d in the editor and left it as it was, and added a command equal
// to d.
TEST(CommandListLock, ASaveKeepsTheCountersTheMonitorWroteForCommandsNotEdited) {
    const CommandPair a = Command("a"), b = Command("b"), c = Command("c"), d = Command("d");
    CommandProgram p;
    ASSERT_TRUE(p.Save({a, b, c, d}));
    RecordingLock lock;
    for (int record : {0, 0, 1, 2, 3})
        RecordCommandRun(p.fs, &lock, p.names, record, std::vector<CommandPair>{a, b, c, d}[record], kToday,
                         "Ambrel");

    const CommandPair editedC = WithMessage(c, "new message");
    const CommandPair newE = Counted(d, kYesterday, 3);
    std::vector<CommandToSave> rows = {
        {b, 1, true, {}}, {WithRun(a, 0), 0, true, {}}, {editedC, 2, false, {}}, {d, 3, false, {}}, {newE, -1, true, {}}};
    bool openedOutside = false;
    RequireLockForListFiles(p, lock, openedOutside);
    const int before = lock.Acquisitions;
    ASSERT_TRUE(SaveCommandListKeepingCounters(p.fs, &lock, p.logger, p.ui, p.clock, "Ambrel", p.names, rows,
                                               "corvane"));
    EXPECT_EQ(lock.Acquisitions, before + 1);
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(openedOutside);
    p.memory.OpenFault = nullptr;

    EXPECT_EQ(p.Load(), (std::vector<CommandPair>{Counted(b, kToday, 1), Counted(WithRun(a, 0), kToday, 2), editedC, d,
                                                  newE}));
    EXPECT_TRUE(p.ui.Boxes.empty());

    // With no whole pair on disk there is nothing to keep, and the save is
    // what repairs the list.
    for (bool settingsLeft : {false, true}) {
        SCOPED_TRACE(settingsLeft ? "strings file missing" : "no files");
        CommandProgram fresh;
        if (settingsLeft) fresh.memory.AddFile(kSdd, SettingsBytes({Counted(a, kToday, 9)}));
        ASSERT_TRUE(SaveCommandListKeepingCounters(fresh.fs, &lock, fresh.logger, fresh.ui, fresh.clock, "Ambrel",
                                                   fresh.names, {{a, 0, true, {}}}, "corvane"));
        EXPECT_EQ(fresh.Load(), std::vector<CommandPair>{a});
    }
}

TEST(CommandListLock, FailuresUnderTheLockAreShownOnceItIsReleased) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("old")}));
    const std::vector<std::string> filesBefore = p.memory.AllFiles();
    const std::string sdd = *p.memory.Content(kSdd), sds = *p.memory.Content(kSds);
    RecordingLock lock;
    p.ui.OnBox = [&] { EXPECT_FALSE(lock.Held()) << "a box must not keep the other program waiting"; };

    // A save without the lock in time fails as any save does.
    lock.Refuse = true;
    EXPECT_FALSE(SaveCommandListKeepingCounters(p.fs, &lock, p.logger, p.ui, p.clock, "Ambrel", p.names,
                                                {{Command("new"), -1, false, {}}}, "corvane"));
    ASSERT_EQ(p.ui.Boxes.size(), 2u);
    EXPECT_NE(p.ui.Boxes[0].Text.find("70"), std::string::npos) << p.ui.Boxes[0].Text;
    EXPECT_NE(p.ui.Boxes[0].Text.find("Permission denied"), std::string::npos);
    EXPECT_EQ(p.ui.Boxes[1].Text,
              "Save of options and commands failed.\r\n\r\nResetting options and commands to previous values.");
    EXPECT_EQ(p.memory.AllFiles(), filesBefore);
    EXPECT_EQ(p.memory.ContentOr(kSdd), sdd);
    EXPECT_EQ(p.memory.ContentOr(kSds), sds);

    // A failed write under the lock, and a damaged file found by a load.
    lock.Refuse = false;
    p.ui.Boxes.clear();
    p.memory.FailWriteNumber(1);
    EXPECT_FALSE(SaveCommandList(p.fs, p.logger, p.ui, p.clock, "Ambrel", p.names, {Command("new")}, "corvane",
                                 &lock));
    p.memory.FailWriteNumber(0);
    EXPECT_EQ(p.ui.Boxes.size(), 2u);

    p.memory.AddFile(kSds, sds.substr(0, sds.size() - 1));
    p.ui.Boxes.clear();
    LoadResult loaded = LoadCommandList(p.fs, p.logger, p.names, [](int, const CommandSettings&,
                                                                    const CommandStrings&) {}, "corvane", &lock);
    EXPECT_FALSE(loaded.Completed);
    EXPECT_EQ(p.ui.Boxes.size(), 1u);
    EXPECT_EQ(lock.Acquisitions, lock.Releases);
    EXPECT_EQ(p.memory.OpenFiles(), 0);
}

}  // namespace
}  // namespace ambrel
