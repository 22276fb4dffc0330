#pragma once
// The command list files: one loader and one writer for the monitor and the
// maintenance program, the crash-safe replacement of the pair on save, and the
// monitor's record of a run in the record that still holds its command. Each
// holds the command list lock while it touches the files, when given one.
//
// Saving never touches the current pair until the new pair is whole on disk:
// the new files are written under temporary names and flushed, a small journal
// then marks the save as committed, and only then are the current files moved
// to the _temp backups and the new ones moved into place. Every loader and
// writer first finishes (journal present) or discards (no journal) whatever an
// interrupted save left, so a load always sees one whole list. Where a move
// cannot replace a file (Windows 95 and 98), the file in the way is removed
// first; a whole new journal with none in place is then the journal.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shared/CommandRecords.h"
#include "shared/platform.h"

namespace ambrel {

class cLogger;

struct CommandFileNames {
    std::string Settings;        // ...\Data\ambrel.sdd or ...\Data\<user>.sdd
    std::string Strings;         // ...\Data\ambrel.sds or ...\Data\<user>.sds
    std::string BackupSettings;  // ...\Data\_temp.sdd (a user's own: <user>.sdd.bak): the previous list
    std::string BackupStrings;   // ...\Data\_temp.sds (<user>.sds.bak)
    bool AllUsers = true;        // the list every user shares, not one user's own
    std::string DataFolder;      // ...\Data, "" when the files may lie anywhere (no check of the folder)
    // Where the user's own traces go (the wait marker, the run history): the
    // user's local application data, or the data folder where there is none.
    std::string TrailFolder;
    // Why this user can have no list of their own ("" when they can): a
    // logon name that would name someone else's files.
    std::string Refusal;

    // Where a save writes the new pair before it moves it into place, and its
    // journal (present only between the commit and the end of the moves).
    std::string NewSettings() const { return Settings + ".new"; }
    std::string NewStrings() const { return Strings + ".new"; }
    std::string Journal() const { return Settings + ".commit"; }
    std::string NewJournal() const { return Settings + ".commit.new"; }
    // The descriptor each new file of the pair is made with.
    FileProtection SettingsProtection() const {
        return AllUsers ? FileProtection::SharedRecords : FileProtection::Private;
    }
    FileProtection StringsProtection() const {
        return AllUsers ? FileProtection::SharedReadOnly : FileProtection::Private;
    }
};

// Called for every command taken, with its position (0, 1, 2, ...).
using CommandSink = std::function<void(int index, const CommandSettings&, const CommandStrings&)>;

struct LoadResult {
    int Count = 0;           // commands taken
    bool Completed = false;  // both files read to their end without an error
    // Why the list was not used at all ("" when it was): a file that someone
    // other than its rightful owners can change, or a name that is not the
    // user's. The error is current then, its description naming the file.
    std::string Refused;
    // The settings record (0-based) of each command taken: a skipped blank
    // entry makes a command's position and its record differ.
    std::vector<int> Records;
    // Why the load stopped (0 when it completed); the error is current then.
    long Error = 0;
};

// The file whose lock every program of every session holds while it changes
// a list: "<program directory>\Data\ambrel.lock".
inline std::string CommandListLockFile(const std::string& programDirectory) {
    return programDirectory + "\\Data\\ambrel.lock";
}

// How long a program waits for the other to finish its change of the list.
inline constexpr std::uint32_t kCommandListLockTimeoutMs = 15000;

// Holds the command list lock for a scope.
class CommandListLockScope {
public:
    CommandListLockScope(ICommandListLock* lock, std::uint32_t timeoutMs = kCommandListLockTimeoutMs)
        : m_lock(lock), m_held(!lock || lock->Acquire(timeoutMs)) {}
    ~CommandListLockScope() {
        if (m_lock && m_held) m_lock->Release();
    }
    CommandListLockScope(const CommandListLockScope&) = delete;
    CommandListLockScope& operator=(const CommandListLockScope&) = delete;
    bool Held() const { return m_held; }

private:
    ICommandListLock* m_lock;
    bool m_held;
};

// Loads the list. A missing or damaged file is reported through
// logger.WriteError("", true), naming `source` as the location; the commands
// taken before the error stay taken. With a lock, the files are read (and an
// interrupted save finished) while it is held. Without `reportFailure` the
// caller reports the failure itself (LoadResult::Error, the current error).
LoadResult LoadCommandList(IFileSystem& files, cLogger& logger, const CommandFileNames& names,
                           const CommandSink& sink, const std::string& source,
                           ICommandListLock* lock = nullptr, bool reportFailure = true);

// One command to save, in list order, its Run already set from its row.
struct CommandPair {
    CommandSettings Settings;
    CommandStrings Strings;
};

// Saves the list as the new current pair, the previous pair becoming the
// _temp backups. On failure: the error box of WriteError, then the message
// that the previous values are restored, and the previous pair stays current.
// With a lock, the save runs while it is held; one not had in time fails the
// save (error 70). The boxes are shown once the lock is released.
bool SaveCommandList(IFileSystem& files, cLogger& logger, IUserInteraction& ui, IClock& clock,
                     const std::string& title, const CommandFileNames& names,
                     const std::vector<CommandPair>& commands, const std::string& source,
                     ICommandListLock* lock = nullptr);

// Two stored pairs hold the same command when everything but the run switch
// and the run counters (LastRunDate, RunCount) agrees.
bool SameCommand(const CommandPair& a, const CommandPair& b);

// Every pair of the current files as stored, blank entries included, at its
// record position (record number - 1). Finishes an interrupted save first.
// Raises a run-time error when the files cannot be read; a pair cut short
// ends the list.
std::vector<CommandPair> ReadStoredPairs(IFileSystem& files, const CommandFileNames& names,
                                         const std::string& source);

// The record that holds `command`: `expected` while it still does, else the
// first record that does; -1 when none does.
int FindStoredCommand(const std::vector<CommandPair>& stored, int expected, const CommandPair& command);

// The monitor's record of one run of `ran`, loaded from record `expected`:
// under the lock, the record that still holds that command has its counters
// moved on by one run today (CountRun on the counters stored now) and is
// rewritten in place. Returns the record written, -1 when no record holds the
// command any more (nothing is written). Raises a run-time error when the
// lock cannot be had or the file cannot be written.
int RecordCommandRun(IFileSystem& files, ICommandListLock* lock, const CommandFileNames& names, int expected,
                     const CommandPair& ran, double today, const std::string& source);

// One command of the maintenance program's save.
struct CommandToSave {
    CommandPair Pair;
    int LoadedRecord = -1;            // the record it was loaded from; -1 for a new command
    bool KeepStoredCounters = false;  // its counters come from the files as they are now
    // An edited command: what it was when loaded, which its stored record
    // still holds (Pair itself is matched otherwise).
    std::optional<CommandPair> AsLoaded;
};

// The maintenance program's save: under the lock, every command that keeps
// its stored counters takes LastRunDate and RunCount from the record that
// holds it now (FindStoredCommand), so runs the monitor recorded while the
// window was open survive; then the list is saved as SaveCommandList does,
// with its failure handling (a lock not had in time is such a failure).
bool SaveCommandListKeepingCounters(IFileSystem& files, ICommandListLock* lock, cLogger& logger,
                                    IUserInteraction& ui, IClock& clock, const std::string& title,
                                    const CommandFileNames& names, const std::vector<CommandToSave>& commands,
                                    const std::string& source);

// Finishes a committed save or discards an unfinished one. 0 when the pair is
// whole (also when nothing was pending), else the error number that stopped it.
// A committed save whose new pair does not load whole (a disk that lost what
// was written) is not finished: the previous pair stays, the save is
// discarded and `discardedDamagedSave` (when given) is set.
long RecoverCommandFiles(IFileSystem& files, const CommandFileNames& names, bool* discardedDamagedSave = nullptr);

// Writes one settings record over record number index + 1 of an open .sdd,
// leaving every other byte of the file as it was. Raises a run-time error
// when the record cannot be written.
void RewriteCommandSettings(IFile& settingsFile, int index, const CommandSettings& settings,
                            const std::string& source);

}  // namespace ambrel
