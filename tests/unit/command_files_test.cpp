#include <gtest/gtest.h>

#include "unit/command_test_support.h"

namespace ambrel {
namespace {

using testing::Command;
using testing::CommandProgram;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

const std::string kSdd = "C:\\Ambrel\\Data\\ambrel.sdd";
const std::string kSds = "C:\\Ambrel\\Data\\ambrel.sds";
const std::string kTempSdd = "C:\\Ambrel\\Data\\_temp.sdd";
const std::string kTempSds = "C:\\Ambrel\\Data\\_temp.sds";
// The header of a list saved on 1 January 2000.
const std::string kHeader2000 = Bytes({1, 0, 0, 0, 0, 0, 0xC0, 0xD5, 0xE1, 0x40, 0, 0, 0, 0, 0, 0, 0, 0});

TEST(CommandFiles, AnEmptyListIsAnEmptySddAndTheBareHeader) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({}));
    EXPECT_EQ(p.memory.ContentOr(kSdd), "");
    EXPECT_EQ(p.memory.ContentOr(kSds), kHeader2000);
    EXPECT_EQ(kHeader2000.size(), kEmptyHeaderSize);

    LoadResult result;
    EXPECT_TRUE(p.Load(&result).empty());
    EXPECT_TRUE(result.Completed);
    EXPECT_TRUE(p.ui.Boxes.empty());
    EXPECT_EQ(p.memory.AllFiles().size(), 2u);  // nothing else left behind
}

TEST(CommandFiles, RecordsAreWrittenFieldByFieldLittleEndian) {
    CommandProgram p;
    CommandPair c;
    c.Settings = {1, 3, 2, 4 + 32 + 256, DateSerial(2000, 1, 1), 0x0102, 4, 100, 2, 29, 6, -1, 3};
    c.Strings = {std::string(300, 'x'), "Hi", "", "ua2", ""};
    ASSERT_TRUE(p.Save({c}));

    EXPECT_EQ(p.memory.ContentOr(kSdd),
              Bytes({1, 0, 3, 0, 2, 0, 0x24, 0x01, 0, 0, 0, 0, 0xC0, 0xD5, 0xE1, 0x40, 0x02, 0x01, 4, 0, 100, 0,
                     2, 0, 29, 0, 6, 0, 0xFF, 0xFF, 3, 0}));
    EXPECT_EQ(p.memory.ContentOr(kSds), kHeader2000 + Bytes({0x2C, 0x01}) + std::string(300, 'x') +
                                            Bytes({2, 0}) + "Hi" + Bytes({0, 0, 3, 0}) + "ua2" + Bytes({0, 0}));

    auto loaded = p.Load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0], c);
}

TEST(CommandFiles, AMissingStringsFileIsReportedAndLeavesAnEmptySettingsFile) {
    CommandProgram p;
    LoadResult result;
    EXPECT_TRUE(p.Load(&result).empty());
    EXPECT_FALSE(result.Completed);
    EXPECT_EQ(p.memory.ContentOr(kSdd), "");
    ASSERT_EQ(p.ui.Boxes.size(), 1u);
    EXPECT_EQ(p.ui.Boxes[0].Style, kMbCritical);
    EXPECT_EQ(p.ui.Boxes[0].Title, "Ambrel");
    EXPECT_NE(p.ui.Boxes[0].Text.find("53"), std::string::npos);
    EXPECT_NE(p.ui.Boxes[0].Text.find("corvane"), std::string::npos);
    EXPECT_NE(p.ui.Boxes[0].Text.find("File not found"), std::string::npos);
    EXPECT_EQ(p.memory.OpenFiles(), 0);
}

TEST(CommandFiles, TheListEndsWithTheShorterFileAndSkipsBlankCommandLines) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("a"), Command("   "), Command("b"), Command("c")}));
    std::string sdd = *p.memory.Content(kSdd);
    std::string sds = *p.memory.Content(kSds);

    // Header only beside four settings records: nothing.
    p.memory.AddFile(kSds, kHeader2000);
    LoadResult result;
    EXPECT_TRUE(p.Load(&result).empty());
    EXPECT_TRUE(result.Completed);

    // More settings than strings: as many as the strings file holds; the
    // blank one is skipped and the rest take consecutive positions.
    p.memory.AddFile(kSds, sds);
    p.memory.AddFile(kSdd, sdd + sdd);
    auto loaded = p.Load(&result);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[1].Strings.CommandLine, "b");
    EXPECT_TRUE(result.Completed);
    EXPECT_TRUE(p.ui.Boxes.empty());

    // Strings for all four, settings for three: a settings file cut short
    // (which any user could do to the all-users one) is damage, reported,
    // not a list that quietly ends before "c".
    p.memory.AddFile(kSdd, sdd.substr(0, 3 * kSettingsRecordSize));
    loaded = p.Load(&result);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].Strings.CommandLine, "a");
    EXPECT_FALSE(result.Completed);
    ASSERT_EQ(p.ui.Boxes.size(), 1u);
    EXPECT_NE(p.ui.Boxes[0].Text.find("Input past end of file"), std::string::npos);
}

TEST(CommandFiles, ADamagedFileEndsTheListAfterTheWholePairsAndIsReported) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("a"), Command("b")}));
    const std::string sdd = *p.memory.Content(kSdd);
    const std::string sds = *p.memory.Content(kSds);
    const std::size_t firstPairEnd = kHeader2000.size() + 2 + 1 + 2 + 12 + 2 * 3;

    struct Case {
        std::string Sdd, Sds;
        std::size_t Expected;
    } cases[] = {
        {sdd, sds.substr(0, sds.size() - 1), 1},                        // last string cut short
        {sdd, sds.substr(0, firstPairEnd + 1), 1},                      // count cut short
        {sdd.substr(0, sdd.size() - 5), sds, 1},                        // settings record cut short
        {sdd, sds.substr(0, 9), 0},                                     // header cut short
        {sdd, sds.substr(0, firstPairEnd) + Bytes({0xFF, 0xFF}) + "zz", 1},  // a count far past the end
    };
    for (const Case& c : cases) {
        p.ui.Boxes.clear();
        p.memory.AddFile(kSdd, c.Sdd);
        p.memory.AddFile(kSds, c.Sds);
        LoadResult result;
        auto loaded = p.Load(&result);
        EXPECT_EQ(loaded.size(), c.Expected);
        EXPECT_FALSE(result.Completed);
        ASSERT_EQ(p.ui.Boxes.size(), 1u);
        EXPECT_NE(p.ui.Boxes[0].Text.find("Input past end of file"), std::string::npos);
        EXPECT_EQ(p.memory.OpenFiles(), 0);
    }
}

TEST(CommandFiles, ASaveKeepsThePreviousListAsTheTempFiles) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("old")}));
    const std::string oldSdd = *p.memory.Content(kSdd), oldSds = *p.memory.Content(kSds);
    ASSERT_TRUE(p.Save({Command("new1"), Command("new2")}));
    EXPECT_EQ(p.memory.ContentOr(kTempSdd), oldSdd);
    EXPECT_EQ(p.memory.ContentOr(kTempSds), oldSds);
    auto loaded = p.Load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[1].Strings.CommandLine, "new2");
    EXPECT_EQ(p.memory.AllFiles().size(), 4u);

    // Per-user names, with backups of their own: the shared pair stays the
    // all-users list's, and nobody else's list can be put back into hers.
    p.names = SetCommandFiles(false, "C:\\Ambrel", "alice");
    EXPECT_EQ(p.names.Settings, "C:\\Ambrel\\Data\\alice.sdd");
    EXPECT_EQ(p.names.Strings, "C:\\Ambrel\\Data\\alice.sds");
    EXPECT_EQ(p.names.BackupSettings, "C:\\Ambrel\\Data\\alice.sdd.bak");
    EXPECT_EQ(p.names.BackupStrings, "C:\\Ambrel\\Data\\alice.sds.bak");
    EXPECT_EQ(CurrentCommandFiles().Settings, p.names.Settings);
    ASSERT_TRUE(p.Save({Command("alice's")}));
    ASSERT_TRUE(p.Save({Command("alice's second")}));
    EXPECT_EQ(p.Load()[0].Strings.CommandLine, "alice's second");
    EXPECT_NE(p.memory.ContentOr("C:\\Ambrel\\Data\\alice.sds.bak").find("alice's"), std::string::npos);
    EXPECT_EQ(p.memory.ContentOr(kTempSds).find("alice"), std::string::npos);
}

// The two ways a save moves its files: in one step over an existing file,
// or (Windows 95 and 98) by removing the existing file first.
constexpr bool kRenameKinds[] = {false, true};

void RenameAs(testing::MemoryFileSystem& disk, bool windows9x) {
    if (windows9x) disk.RenameAsWindows9x();
}

// Fail each write and each rename of a save in turn (on Windows 95 and 98 a
// failed rename comes between the removal of its target and the move): the
// save reports the failure and the previous list is what every later load sees.
TEST(CommandFiles, EveryFailedWriteOrRenameLeavesThePreviousListWhole) {
    const std::vector<CommandPair> previous = {Command("old1"), Command("old2", 7)};
    const std::vector<CommandPair> next = {Command("new1"), Command("new2"), Command("new3")};

    for (bool windows9x : kRenameKinds) {
    SCOPED_TRACE(windows9x ? "renames that cannot replace" : "renames that replace");
    CommandProgram probe;
    RenameAs(probe.memory, windows9x);
    ASSERT_TRUE(probe.Save(previous));
    probe.memory.FailWriteNumber(1000);
    probe.memory.FailRenameNumber(1000);
    ASSERT_TRUE(probe.Save(next));
    const int writes = probe.memory.WriteCalls(), renames = probe.memory.RenameCalls();
    ASSERT_GE(writes, 8);
    ASSERT_GE(renames, 5);

    for (int kind = 0; kind < 2; ++kind) {
        for (int n = 1; n <= (kind == 0 ? writes : renames); ++n) {
            SCOPED_TRACE((kind == 0 ? "write " : "rename ") + std::to_string(n));
            CommandProgram p;
            RenameAs(p.memory, windows9x);
            ASSERT_TRUE(p.Save(previous));
            ASSERT_TRUE(p.Save(previous));  // a backup for the next save to remove
            const std::string sdd = *p.memory.Content(kSdd), sds = *p.memory.Content(kSds);
            if (kind == 0) p.memory.FailWriteNumber(n); else p.memory.FailRenameNumber(n);
            EXPECT_FALSE(p.Save(next));
            p.memory.FailWriteNumber(0);
            p.memory.FailRenameNumber(0);

            ASSERT_EQ(p.ui.Boxes.size(), 2u);
            EXPECT_EQ(p.ui.Boxes[0].Style, kMbCritical);
            EXPECT_EQ(p.ui.Boxes[1].Text,
                      "Save of options and commands failed.\r\n\r\nResetting options and commands to previous values.");
            EXPECT_EQ(p.ui.Boxes[1].Style, kMbCritical);
            EXPECT_EQ(p.ui.Boxes[1].Title, "Ambrel");

            EXPECT_EQ(p.memory.ContentOr(kSdd), sdd);
            EXPECT_EQ(p.memory.ContentOr(kSds), sds);
            EXPECT_EQ(p.Load(), previous);
            for (const std::string& f : p.memory.AllFiles()) EXPECT_EQ(f.find(".new"), std::string::npos) << f;
            EXPECT_FALSE(p.memory.FileExists(p.names.Journal()));
            EXPECT_EQ(p.memory.OpenFiles(), 0);
        }
    }
    }
}

TEST(CommandFiles, AFailureAfterTheCommitIsUndoneEvenWhenTheUndoCannotBeJournalled) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("old")}));
    const std::string sdd = *p.memory.Content(kSdd), sds = *p.memory.Content(kSds);
    // Renames: the journal into place, then the settings file's two moves,
    // then the current strings file to its backup, which fails. The journal
    // of the undo cannot be written.
    p.memory.FailRenameNumber(4);
    bool committed = false;
    p.memory.OpenFault = [&](const std::string& path, FileMode) -> long {
        if (path != p.names.NewJournal()) return 0;
        if (!committed) {
            committed = true;
            return 0;
        }
        return kErrPermissionDenied;
    };
    EXPECT_FALSE(p.Save({Command("new")}));
    p.memory.OpenFault = nullptr;
    EXPECT_EQ(p.memory.ContentOr(kSdd), sdd);
    EXPECT_EQ(p.memory.ContentOr(kSds), sds);
    EXPECT_FALSE(p.memory.FileExists(p.names.Journal()));
    ASSERT_EQ(p.Load().size(), 1u);
    EXPECT_EQ(p.Load()[0].Strings.CommandLine, "old");
}

// A file system that stops dead after a number of changes, as a process that
// is killed or a machine that loses power: nothing after that point happens.
class CrashingFileSystem final : public IFileSystem {
public:
    explicit CrashingFileSystem(testing::MemoryFileSystem& disk) : m_disk(disk) {}
    void CrashAfter(int changes) { m_left = changes; m_counting = true; }
    void Revive() { m_counting = false; }
    int Changes() const { return m_changes; }
    bool Dead() const { return m_counting && m_left <= 0; }

    std::unique_ptr<IFile> Open(const std::string& path, FileMode mode, long& error,
                                FileProtection protection = FileProtection::Inherit) override {
        if (Dead() || (mode != FileMode::Read && !Change())) {
            error = kErrDeviceIO;
            return nullptr;
        }
        auto file = m_disk.Open(path, mode, error, protection);
        return file ? std::make_unique<File>(*this, std::move(file)) : nullptr;
    }
    long Remove(const std::string& path) override { return Change() ? m_disk.Remove(path) : kErrDeviceIO; }
    long Rename(const std::string& from, const std::string& to) override {
        return Change() ? m_disk.Rename(from, to) : kErrDeviceIO;
    }
    bool FileExists(const std::string& path) override { return !Dead() && m_disk.FileExists(path); }
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
        return !Dead() && m_disk.ListFiles(folder, names);
    }
    bool FolderExists(const std::string& path) override { return !Dead() && m_disk.FolderExists(path); }
    long CreateFolder(const std::string& path) override { return Change() ? m_disk.CreateFolder(path) : kErrDeviceIO; }
    long RemoveFolder(const std::string& path) override { return Change() ? m_disk.RemoveFolder(path) : kErrDeviceIO; }
    bool FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) override {
        return m_disk.FolderSecurity(path, security, error);
    }
    FileIdentity Identity() override { return m_disk.Identity(); }
    std::string AccountName(const std::string& sid) override { return m_disk.AccountName(sid); }
    bool RenameReplaces() override { return m_disk.RenameReplaces(); }

private:
    class File final : public IFile {
    public:
        File(CrashingFileSystem& fs, std::unique_ptr<IFile> inner) : m_fs(fs), m_inner(std::move(inner)) {}
        std::size_t Read(void* b, std::size_t n) override { return m_fs.Dead() ? 0 : m_inner->Read(b, n); }
        bool Write(const void* d, std::size_t n) override { return m_fs.Change() && m_inner->Write(d, n); }
        bool Seek(std::uint64_t o) override { return !m_fs.Dead() && m_inner->Seek(o); }
        std::uint64_t Size() override { return m_fs.Dead() ? 0 : m_inner->Size(); }
        bool Flush() override { return m_fs.Change() && m_inner->Flush(); }
        bool Security(ObjectSecurity& security) override { return m_inner->Security(security); }

    private:
        CrashingFileSystem& m_fs;
        std::unique_ptr<IFile> m_inner;
    };

    bool Change() {
        if (Dead()) return false;
        ++m_changes;
        if (m_counting) --m_left;
        return true;
    }

    testing::MemoryFileSystem& m_disk;
    int m_left = 0;
    bool m_counting = false;
    int m_changes = 0;
};

// Stop a save after each of its steps, then load (and stop that load's
// recovery after each of its steps too): every load sees the whole previous
// list or the whole new one, and once the new one was seen it stays. Also
// where renames cannot replace, and there with a move of the save failing
// first, so that the crash comes while the undo is under way (between the
// removal of the save's journal and the move of the undo's into its place).
TEST(CommandFiles, ACrashAtAnyStepOfASaveLeavesOneWholeListForTheNextLoad) {
    const std::vector<CommandPair> previous = {Command("old1"), Command("old2", 7)};
    const std::vector<CommandPair> next = {Command("new1"), Command("new2"), Command("new3")};

    // Renames of a save: the journal into place, the settings file's two
    // moves, then the strings file's first, which the third case fails.
    const struct {
        bool Windows9x;
        int FailedRename;
    } kinds[] = {{false, 0}, {true, 0}, {true, 4}};
    for (const auto& kind : kinds) {
    SCOPED_TRACE(std::string(kind.Windows9x ? "renames that cannot replace" : "renames that replace") +
                 (kind.FailedRename ? ", a failed move" : ""));
    int saveSteps = 0;
    {
        testing::MemoryFileSystem disk;
        RenameAs(disk, kind.Windows9x);
        disk.AddFolder("C:\\Ambrel\\Data");
        CrashingFileSystem fs(disk);
        CommandProgram p(&fs);
        ASSERT_TRUE(p.Save(previous));
        ASSERT_TRUE(p.Save(previous));
        int before = fs.Changes();
        disk.FailRenameNumber(kind.FailedRename);
        ASSERT_EQ(p.Save(next), kind.FailedRename == 0);
        disk.FailRenameNumber(0);
        saveSteps = fs.Changes() - before;
    }
    ASSERT_GE(saveSteps, 12);

    bool sawNew = false;
    for (int k = 0; k <= saveSteps; ++k) {
        for (int j = 0; j <= 8; ++j) {
            SCOPED_TRACE("save stopped after step " + std::to_string(k) + ", recovery after step " + std::to_string(j));
            testing::MemoryFileSystem disk;
            RenameAs(disk, kind.Windows9x);
            disk.AddFolder("C:\\Ambrel\\Data");
            CrashingFileSystem fs(disk);
            CommandProgram p(&fs);
            ASSERT_TRUE(p.Save(previous));
            ASSERT_TRUE(p.Save(previous));
            fs.CrashAfter(k);
            disk.FailRenameNumber(kind.FailedRename);
            bool saved = p.Save(next);
            disk.FailRenameNumber(0);
            fs.Revive();
            if (j > 0) {
                fs.CrashAfter(j);
                p.Load();
                fs.Revive();
            }
            p.ui.Boxes.clear();
            auto loaded = p.Load();
            EXPECT_TRUE(p.ui.Boxes.empty());
            EXPECT_TRUE(loaded == previous || loaded == next) << loaded.size() << " commands";
            if (saved) {
                EXPECT_EQ(loaded, next);
            }
            // A failed save may be finished or undone, as far as its undo got.
            if (j == 0 && kind.FailedRename == 0) {
                if (sawNew) {
                    EXPECT_EQ(loaded, next) << "a later crash went back to the old list";
                }
                sawNew = sawNew || loaded == next;
            }
            EXPECT_EQ(p.Load(), loaded);
            for (const std::string& f : disk.AllFiles()) EXPECT_EQ(f.find(".new"), std::string::npos) << f;
            EXPECT_FALSE(disk.FileExists(p.names.Journal()));
            // A save after the recovery works as usual.
            ASSERT_TRUE(p.Save(next));
            EXPECT_EQ(p.Load(), next);
        }
    }
    if (kind.FailedRename == 0) {
        EXPECT_TRUE(sawNew);
    }
    }
}

TEST(CommandFiles, ARunIsRecordedInItsOwnRecordAndNowhereElse) {
    CommandProgram p;
    ASSERT_TRUE(p.Save({Command("a"), Command("b"), Command("c")}));
    const std::string before = *p.memory.Content(kSdd);
    const std::string sds = *p.memory.Content(kSds);

    CommandSettings counted = NewCommandSettings(DateSerial(2000, 1, 1));
    counted.RunCount = 5;
    long error = 0;
    {
        auto file = p.memory.Open(kSdd, FileMode::Random, error);
        ASSERT_TRUE(file);
        RewriteCommandSettings(*file, 1, counted, "Ambrel");
    }
    const std::string after = *p.memory.Content(kSdd);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 32), before.substr(0, 32));
    EXPECT_EQ(after.substr(64), before.substr(64));
    EXPECT_EQ(p.memory.ContentOr(kSds), sds);
    EXPECT_EQ(p.Load()[1].Settings, counted);

    auto file = p.memory.Open(kSdd, FileMode::Random, error);
    p.memory.FailWriteNumber(1);
    EXPECT_THROW(RewriteCommandSettings(*file, 0, counted, "Ambrel"), RuntimeError);
}

}  // namespace
}  // namespace ambrel
