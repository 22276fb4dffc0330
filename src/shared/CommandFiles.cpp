#include "shared/CommandFiles.h"

#include <cmath>

#include "shared/FileTrust.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

constexpr char kSaveFailedText[] =
    "Save of options and commands failed.\r\n\r\nResetting options and commands to previous values.";

class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(IFile& file) : m_file(file) {}
    std::size_t ReadBytes(void* buffer, std::size_t size) override { return m_file.Read(buffer, size); }

private:
    IFile& m_file;
};

// The journal: 8 bytes, "ASJ1", the direction, and whether each current file
// existed when the save was committed.
constexpr std::size_t kJournalSize = 8;
constexpr char kForward = 'F';  // the new pair is whole: move it into place
constexpr char kBack = 'B';     // the save failed after its commit: put the previous pair back

struct Journal {
    char Direction = kForward;
    bool HadSettings = false;
    bool HadStrings = false;
};

bool ReadJournal(IFileSystem& files, const std::string& path, Journal& journal) {
    long error = 0;
    auto file = files.Open(path, FileMode::Read, error);
    if (!file || file->Size() != kJournalSize) return false;
    unsigned char bytes[kJournalSize];
    if (file->Read(bytes, kJournalSize) != kJournalSize) return false;
    if (bytes[0] != 'A' || bytes[1] != 'S' || bytes[2] != 'J' || bytes[3] != '1') return false;
    if (bytes[4] != kForward && bytes[4] != kBack) return false;
    journal.Direction = static_cast<char>(bytes[4]);
    journal.HadSettings = bytes[5] != 0;
    journal.HadStrings = bytes[6] != 0;
    return true;
}

// Moves a file over another. Where the system cannot replace a file in one
// step (Windows 95 and 98), the target is removed first: between the two a
// crash leaves the target missing and the file still under its old name,
// which every caller here can tell from the files that remain.
long Replace(IFileSystem& files, const std::string& from, const std::string& to) {
    if (!files.RenameReplaces() && files.FileExists(to))
        if (long error = files.Remove(to)) return error;
    return files.Rename(from, to);
}

// Written whole under a temporary name and moved over the journal, so the
// journal is always either the old one or the new one; where the move cannot
// replace (see Replace), the new one alone is left at worst, and the recovery
// takes it for the journal.
long WriteJournal(IFileSystem& files, const CommandFileNames& names, const Journal& journal) {
    long error = 0;
    {
        files.Remove(names.NewJournal());  // a leftover of this program's own
        auto file = files.Open(names.NewJournal(), FileMode::CreateNew, error,
                               names.AllUsers ? FileProtection::SharedReadOnly : FileProtection::Private);
        if (!file) return error;
        const char bytes[kJournalSize] = {'A', 'S', 'J', '1', journal.Direction,
                                          static_cast<char>(journal.HadSettings ? 1 : 0),
                                          static_cast<char>(journal.HadStrings ? 1 : 0), 0};
        if (!file->Write(bytes, kJournalSize) || !file->Flush()) return kErrDeviceIO;
    }
    return Replace(files, names.NewJournal(), names.Journal());
}

struct FileRoles {
    std::string Current, New, Backup;
    bool HadCurrent;
};

std::vector<FileRoles> Roles(const CommandFileNames& names, const Journal& journal) {
    return {{names.Settings, names.NewSettings(), names.BackupSettings, journal.HadSettings},
            {names.Strings, names.NewStrings(), names.BackupStrings, journal.HadStrings}};
}

// Each file is in one of three states: current = old and new file waiting;
// old moved to the backup and new file waiting; new file current. Moving on
// from any of them (forward or back) is safe to repeat after a crash, because
// a rename moves a file in one step and the waiting new file is only removed
// once the journal is gone.
long MoveForward(IFileSystem& files, const CommandFileNames& names, const Journal& journal) {
    for (const FileRoles& f : Roles(names, journal)) {
        if (!files.FileExists(f.New)) continue;  // already in place
        if (files.FileExists(f.Current)) {
            if (long error = Replace(files, f.Current, f.Backup)) return error;
        } else if (!f.HadCurrent) {
            // Nothing was saved before: no backup of it either.
            files.Remove(f.Backup);
        }
        if (long error = Replace(files, f.New, f.Current)) return error;
    }
    return 0;
}

// A file that is missing altogether (removed by hand) is not moved: the load
// that follows reports it, rather than every load stopping at the journal.
long MoveBack(IFileSystem& files, const CommandFileNames& names, const Journal& journal) {
    for (const FileRoles& f : Roles(names, journal)) {
        if (!files.FileExists(f.New) && files.FileExists(f.Current)) {
            if (long error = Replace(files, f.Current, f.New)) return error;
        }
        if (f.HadCurrent && !files.FileExists(f.Current) && files.FileExists(f.Backup)) {
            if (long error = Replace(files, f.Backup, f.Current)) return error;
        }
    }
    return 0;
}

// Leftovers of a save that never reached its commit, or of one whose journal
// is already gone; only those that `ours` accepts (a file somebody else put
// under one of these names is left alone, and never used).
void RemoveUncommitted(IFileSystem& files, const CommandFileNames& names,
                       const std::function<bool(const std::string&)>& ours = nullptr) {
    for (const std::string& path : {names.NewJournal(), names.NewSettings(), names.NewStrings()})
        if (!ours || ours(path)) files.Remove(path);
}

void WriteNewPair(IFileSystem& files, const CommandFileNames& names, double today,
                  const std::vector<CommandPair>& commands, const std::string& source) {
    long error = 0;
    // Made anew with the descriptor they are to have (a rename keeps a file's
    // own; what the folder would give is not what the pair needs).
    auto sdd = files.Open(names.NewSettings(), FileMode::CreateNew, error, names.SettingsProtection());
    if (!sdd) RaiseError(error, source);
    auto sds = files.Open(names.NewStrings(), FileMode::CreateNew, error, names.StringsProtection());
    if (!sds) RaiseError(error, source);

    CommandFileHeader header;
    // What no load would take is never written: a list is saved whole or not
    // at all, never cut short at its first such command.
    for (const CommandPair& command : commands)
        if (!CouldHaveBeenTyped(command.Strings))
            throw RuntimeError(kErrInvalidArgument, source,
                               "The command list was not saved: the command " +
                                   WithoutControlCharacters(command.Strings.CommandLine) +
                                   " holds a control character, which no command line can hold.");
    header.FileVersion = 1;
    header.SavedDate = today;
    std::string bytes;
    AppendHeader(bytes, header);
    if (!sds->Write(bytes.data(), bytes.size())) RaiseError(kErrDeviceIO, source);
    for (const CommandPair& command : commands) {
        bytes.clear();
        AppendSettings(bytes, command.Settings);
        if (!sdd->Write(bytes.data(), bytes.size())) RaiseError(kErrDeviceIO, source);
        bytes.clear();
        AppendStrings(bytes, command.Strings);
        if (!sds->Write(bytes.data(), bytes.size())) RaiseError(kErrDeviceIO, source);
    }
    // The journal may only say "whole" of files that are on the disk.
    if (!sdd->Flush() || !sds->Flush()) RaiseError(kErrDeviceIO, source);
}

enum class PairsEnd {
    Whole,    // both files read to the end of a pair
    Damaged,  // a record was cut short
};

// Reads the header, then pairs in step until either file ends; every whole
// pair goes to `take` with its record position, blank entries included.
PairsEnd ReadPairs(IFile& sdd, IFile& sds,
                   const std::function<void(int record, const CommandSettings&, const CommandStrings&)>& take) {
    FileByteSource strings(sds);
    CommandFileHeader header;
    ReadOutcome headerRead = ReadHeader(strings, header);
    if (headerRead == ReadOutcome::Partial) return PairsEnd::Damaged;
    for (int record = 0; headerRead == ReadOutcome::Whole; ++record) {
        unsigned char bytes[kSettingsRecordSize];
        std::size_t got = sdd.Read(bytes, kSettingsRecordSize);
        CommandStrings text;
        ReadOutcome textRead = ReadStrings(strings, text);
        // A record cut short is a damaged file; a file that ends between
        // records simply ends the list.
        if ((got > 0 && got < kSettingsRecordSize) || textRead == ReadOutcome::Partial) return PairsEnd::Damaged;
        // Commands whose settings are missing: the settings file was cut
        // short (Users may rewrite the all-users one), which is damage, not
        // the end of the list.
        if (got == 0 && textRead == ReadOutcome::Whole) return PairsEnd::Damaged;
        if (got < kSettingsRecordSize || textRead != ReadOutcome::Whole) break;
        if (!CouldHaveBeenTyped(text)) return PairsEnd::Damaged;
        take(record, ParseSettings(bytes), text);
    }
    return PairsEnd::Whole;
}

// A list that may not be believed: the load reports it and takes nothing.
class ListRefused final : public RuntimeError {
public:
    ListRefused(const std::string& source, const std::string& why) : RuntimeError(kErrPermissionDenied, source, why) {}
};

TrustContext ContextFor(IFileSystem& files, const CommandFileNames& names) {
    TrustContext context;
    context.Me = files.Identity();
    context.AllUsers = names.AllUsers;
    context.Name = [&files](const std::string& sid) { return files.AccountName(sid); };
    ObjectSecurity folder;
    long error = 0;
    if (!names.DataFolder.empty() && files.FolderSecurity(names.DataFolder, folder, error) && folder.Kept)
        context.DataFolderFinal = folder.FinalPath;
    return context;
}

TrustedKind KindOf(const CommandFileNames& names, const std::string& path) {
    const std::string p = LCase(path);
    const bool settings = p == LCase(names.Settings) || p == LCase(names.NewSettings()) ||
                          p == LCase(names.BackupSettings);
    return names.AllUsers && settings ? TrustedKind::SharedSettings : TrustedKind::ListFile;
}

// Before anything in the data folder is touched: the user may have a list of
// their own, and the folder is what it says (no link to elsewhere, nobody
// but its owners may remove or replace what is in it).
void CheckListPlace(IFileSystem& files, const CommandFileNames& names, const TrustContext& context,
                    const std::string& source) {
    if (!names.Refusal.empty()) throw ListRefused(source, names.Refusal);
    if (names.DataFolder.empty()) return;
    const std::string why = DistrustReasonOf(files, names.DataFolder, TrustedKind::DataFolder, context);
    if (!why.empty()) throw ListRefused(source, "The data folder " + names.DataFolder + " is not used: " + why + ".");
}

// Raises ListRefused when the open file may not be believed.
void CheckListFile(IFile& file, const std::string& path, const CommandFileNames& names, const TrustContext& context,
                   const std::string& source) {
    ObjectSecurity security;
    std::string why = file.Security(security) ? DistrustReason(security, KindOf(names, path), context)
                                              : "its owner and permissions cannot be read";
    if (!why.empty()) throw ListRefused(source, "The command list " + path + " is not used: " + why + ".");
}

struct OpenedPair {
    std::unique_ptr<IFile> Settings, Strings;
};

// The current pair, opened and checked (its place is checked before the
// recovery, by the caller). With `forRecords` the settings file
// is opened to rewrite records in place (made when it is missing), and read
// only where that is not allowed: a list in a folder the user may not change
// still runs, its runs then going unrecorded.
OpenedPair OpenTrustedPair(IFileSystem& files, const CommandFileNames& names, bool forRecords,
                           const std::string& source) {
    const TrustContext context = ContextFor(files, names);
    OpenedPair pair;
    long error = 0;
    if (forRecords) {
        pair.Settings = files.Open(names.Settings, FileMode::Update, error);
        if (!pair.Settings && error == kErrFileNotFound &&
            files.Open(names.Settings, FileMode::CreateNew, error, names.SettingsProtection()))
            pair.Settings = files.Open(names.Settings, FileMode::Update, error);
        if (!pair.Settings && (error == kErrPermissionDenied || error == kErrPathFileAccess))
            pair.Settings = files.Open(names.Settings, FileMode::Read, error);
    } else {
        pair.Settings = files.Open(names.Settings, FileMode::Read, error);
    }
    if (!pair.Settings) RaiseError(error, source);
    pair.Strings = files.Open(names.Strings, FileMode::Read, error);
    if (!pair.Strings) RaiseError(error, source);
    CheckListFile(*pair.Settings, names.Settings, names, context, source);
    CheckListFile(*pair.Strings, names.Strings, names, context, source);
    return pair;
}

// The save's steps, from the recovery to the removal of the journal. `prepare`
// gives the pairs once an interrupted save is dealt with. On failure the error
// is made current and the previous pair is current again.
bool SaveSteps(IFileSystem& files, const CommandFileNames& names, double today,
               const std::function<std::vector<CommandPair>()>& prepare, const std::string& source) {
    bool committed = false;
    Journal journal;
    try {
        CheckListPlace(files, names, ContextFor(files, names), source);
        if (long error = RecoverCommandFiles(files, names)) RaiseError(error, source);
        WriteNewPair(files, names, today, prepare(), source);
        journal.Direction = kForward;
        journal.HadSettings = files.FileExists(names.Settings);
        journal.HadStrings = files.FileExists(names.Strings);
        if (long error = WriteJournal(files, names, journal)) RaiseError(error, source);
        committed = true;
        if (long error = MoveForward(files, names, journal)) RaiseError(error, source);
        // The new pair is in place; a journal that stays behind only repeats
        // finished moves at the next load.
        if (files.Remove(names.Journal()) == 0) RemoveUncommitted(files, names);
        return true;
    } catch (...) {
        CatchCurrentError(source);
    }
    if (committed) {
        journal.Direction = kBack;
        WriteJournal(files, names, journal);
        if (MoveBack(files, names, journal) == 0 && files.Remove(names.Journal()) == 0)
            RemoveUncommitted(files, names);
    } else {
        RemoveUncommitted(files, names);
    }
    return false;
}

// A save under the lock. The failure is reported once the lock is released:
// the boxes wait for the user, and the other program must not wait with them.
bool SaveLocked(IFileSystem& files, ICommandListLock* lock, cLogger& logger, IUserInteraction& ui, IClock& clock,
                const std::string& title, const CommandFileNames& names,
                const std::function<std::vector<CommandPair>()>& prepare, const std::string& source) {
    bool saved = false;
    {
        CommandListLockScope locked(lock);
        if (locked.Held())
            saved = SaveSteps(files, names, DateOnly(clock.Now()), prepare, source);
        else
            Err() = {kErrPermissionDenied, source, DescribeError(kErrPermissionDenied)};
    }
    if (saved) return true;
    logger.WriteError("", true);
    ui.MsgBox(kSaveFailedText, kMbCritical, title);
    return false;
}

}  // namespace

namespace {

// Whether the pair that finishing the moves would leave in place loads whole;
// true when nothing is left to move.
bool PendingPairLoadsWhole(IFileSystem& files, const CommandFileNames& names) {
    const bool settingsWaiting = files.FileExists(names.NewSettings());
    const bool stringsWaiting = files.FileExists(names.NewStrings());
    if (!settingsWaiting && !stringsWaiting) return true;
    long error = 0;
    auto sdd = files.Open(settingsWaiting ? names.NewSettings() : names.Settings, FileMode::Read, error);
    if (!sdd) return false;
    auto sds = files.Open(stringsWaiting ? names.NewStrings() : names.Strings, FileMode::Read, error);
    if (!sds) return false;
    return ReadPairs(*sdd, *sds, [](int, const CommandSettings&, const CommandStrings&) {}) == PairsEnd::Whole;
}

}  // namespace

long RecoverCommandFiles(IFileSystem& files, const CommandFileNames& names, bool* discardedDamagedSave) {
    if (discardedDamagedSave) *discardedDamagedSave = false;
    // Only a save by the list's own rightful writers is finished or undone:
    // a journal, a waiting file or a backup that somebody else could have
    // made is neither used nor removed.
    const TrustContext context = ContextFor(files, names);
    auto ours = [&](const std::string& path) {
        bool missing = false;  // nothing there, nothing to doubt
        return DistrustReasonOf(files, path, KindOf(names, path), context, &missing).empty();
    };
    if (!ours(names.Journal())) return 0;
    Journal journal;
    // A whole new journal and none in place: the journal's own move stopped
    // between its two steps (or a save stopped just before its commit, when
    // its new pair was whole on disk already). Either way it is the journal.
    if (!files.FileExists(names.Journal()) && ours(names.NewJournal()) &&
        ReadJournal(files, names.NewJournal(), journal)) {
        if (long error = files.Rename(names.NewJournal(), names.Journal())) return error;
    }
    if (!ReadJournal(files, names.Journal(), journal)) {
        if (files.FileExists(names.Journal())) {
            // Not one this program wrote whole: there is no commit to honour.
            if (long error = files.Remove(names.Journal())) return error;
        }
        RemoveUncommitted(files, names, ours);
        return 0;
    }
    for (const std::string& path : {names.NewSettings(), names.NewStrings(), names.BackupSettings, names.BackupStrings})
        if (!ours(path)) return 0;
    if (journal.Direction == kForward && !PendingPairLoadsWhole(files, names)) {
        journal.Direction = kBack;
        if (discardedDamagedSave) *discardedDamagedSave = true;
    }
    long error = journal.Direction == kForward ? MoveForward(files, names, journal)
                                               : MoveBack(files, names, journal);
    if (error) return error;
    if ((error = files.Remove(names.Journal()))) return error;
    RemoveUncommitted(files, names, ours);
    return 0;
}

LoadResult LoadCommandList(IFileSystem& files, cLogger& logger, const CommandFileNames& names,
                           const CommandSink& sink, const std::string& source, ICommandListLock* lock,
                           bool reportFailure) {
    LoadResult result;
    bool failed = false;
    bool discarded = false;
    {
        CommandListLockScope locked(lock);
        try {
            if (!locked.Held()) RaiseError(kErrPermissionDenied, source);
            CheckListPlace(files, names, ContextFor(files, names), source);
            if (long error = RecoverCommandFiles(files, names, &discarded)) RaiseError(error, source);
            OpenedPair pair = OpenTrustedPair(files, names, true, source);
            PairsEnd end = ReadPairs(*pair.Settings, *pair.Strings, [&](int record, const CommandSettings& s,
                                                                        const CommandStrings& t) {
                if (Trim(t.CommandLine).empty()) return;
                result.Records.push_back(record);
                sink(result.Count, s, t);
                ++result.Count;
            });
            if (end == PairsEnd::Damaged) RaiseError(kErrInputPastEnd, source);
            result.Completed = true;
        } catch (const ListRefused& refused) {
            // Nothing of a list that may not be believed is taken.
            CatchCurrentError(source);
            failed = true;
            result = LoadResult{};
            result.Refused = refused.Info().Description;
            result.Error = Err().Number;
        } catch (...) {
            CatchCurrentError(source);
            failed = true;
            result.Error = Err().Number;
        }
    }
    // Reported with the files closed and the lock released: the box waits
    // for the user, and a save by the other program must not wait with it.
    if (discarded)
        logger.WriteError("A save of the command list that did not reach the disk whole was discarded; the list "
                          "saved before it was kept.",
                          false);
    if (failed && reportFailure) logger.WriteError("", true);
    return result;
}

bool SaveCommandList(IFileSystem& files, cLogger& logger, IUserInteraction& ui, IClock& clock,
                     const std::string& title, const CommandFileNames& names,
                     const std::vector<CommandPair>& commands, const std::string& source, ICommandListLock* lock) {
    return SaveLocked(files, lock, logger, ui, clock, title, names, [&] { return commands; }, source);
}

bool SameCommand(const CommandPair& a, const CommandPair& b) {
    CommandSettings left = a.Settings, right = b.Settings;
    left.Run = right.Run = 0;
    left.LastRunDate = right.LastRunDate = 0;
    left.RunCount = right.RunCount = 0;
    // No frequency stored runs daily, as daily does (the editor stores 1).
    if (left.RunFrequency == 0) left.RunFrequency = 1;
    if (right.RunFrequency == 0) right.RunFrequency = 1;
    return left == right && a.Strings == b.Strings;
}

std::vector<CommandPair> ReadStoredPairs(IFileSystem& files, const CommandFileNames& names,
                                         const std::string& source) {
    CheckListPlace(files, names, ContextFor(files, names), source);
    if (long error = RecoverCommandFiles(files, names)) RaiseError(error, source);
    OpenedPair pair = OpenTrustedPair(files, names, false, source);
    std::vector<CommandPair> stored;
    ReadPairs(*pair.Settings, *pair.Strings,
              [&](int, const CommandSettings& s, const CommandStrings& t) { stored.push_back({s, t}); });
    return stored;
}

int FindStoredCommand(const std::vector<CommandPair>& stored, int expected, const CommandPair& command) {
    if (expected >= 0 && expected < static_cast<int>(stored.size()) &&
        SameCommand(stored[static_cast<std::size_t>(expected)], command))
        return expected;
    for (std::size_t record = 0; record < stored.size(); ++record)
        if (SameCommand(stored[record], command)) return static_cast<int>(record);
    return -1;
}

int RecordCommandRun(IFileSystem& files, ICommandListLock* lock, const CommandFileNames& names, int expected,
                     const CommandPair& ran, double today, const std::string& source) {
    CommandListLockScope locked(lock);
    if (!locked.Held()) RaiseError(kErrPermissionDenied, source);
    const std::vector<CommandPair> stored = ReadStoredPairs(files, names, source);
    const int record = FindStoredCommand(stored, expected, ran);
    if (record < 0) return -1;
    // Counted on what is stored now: an earlier run of this command in the
    // same list, or a Run switch changed meanwhile, is kept.
    CommandSettings counted = stored[static_cast<std::size_t>(record)].Settings;
    CountRun(counted, today);
    long error = 0;
    auto sdd = files.Open(names.Settings, FileMode::Update, error);
    if (!sdd) RaiseError(error, source);
    RewriteCommandSettings(*sdd, record, counted, source);
    return record;
}

bool SaveCommandListKeepingCounters(IFileSystem& files, ICommandListLock* lock, cLogger& logger,
                                    IUserInteraction& ui, IClock& clock, const std::string& title,
                                    const CommandFileNames& names, const std::vector<CommandToSave>& commands,
                                    const std::string& source) {
    auto prepare = [&] {
        // Without a whole pair on disk there is nothing to keep: the load
        // reported it, and this save is what repairs it.
        std::vector<CommandPair> stored;
        if (files.FileExists(names.Settings) && files.FileExists(names.Strings))
            stored = ReadStoredPairs(files, names, source);
        std::vector<CommandPair> pairs;
        pairs.reserve(commands.size());
        for (const CommandToSave& command : commands) {
            CommandPair pair = command.Pair;
            if (command.KeepStoredCounters && command.LoadedRecord >= 0) {
                int record = FindStoredCommand(stored, command.LoadedRecord, command.AsLoaded.value_or(pair));
                if (record >= 0) {
                    const CommandSettings& now = stored[static_cast<std::size_t>(record)].Settings;
                    pair.Settings.LastRunDate = now.LastRunDate;
                    pair.Settings.RunCount = now.RunCount;
                }
            }
            pairs.push_back(pair);
        }
        return pairs;
    };
    return SaveLocked(files, lock, logger, ui, clock, title, names, prepare, source);
}

void RewriteCommandSettings(IFile& settingsFile, int index, const CommandSettings& settings,
                            const std::string& source) {
    if (index < 0) RaiseError(kErrBadRecordLength, source);
    std::string bytes;
    AppendSettings(bytes, settings);
    if (!settingsFile.Seek(static_cast<std::uint64_t>(index) * kSettingsRecordSize) ||
        !settingsFile.Write(bytes.data(), bytes.size()))
        RaiseError(kErrDeviceIO, source);
}

}  // namespace ambrel
