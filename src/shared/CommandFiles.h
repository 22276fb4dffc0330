#pragma once
// The command list files: one loader and one writer for the monitor and the
// maintenance program, the crash-safe replacement of the pair on save, and the
// in-place rewrite of one settings record after a run.
//
// Saving never touches the current pair until the new pair is whole on disk:
// the new files are written under temporary names and flushed, a small journal
// then marks the save as committed, and only then are the current files moved
// to the _temp backups and the new ones moved into place. Every loader and
// writer first finishes (journal present) or discards (no journal) whatever an
// interrupted save left, so a load always sees one whole list.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shared/CommandRecords.h"
#include "shared/platform.h"

namespace ambrel {

class cLogger;

struct CommandFileNames {
    std::string Settings;        // ...\Data\ambrel.sdd or ...\Data\<user>.sdd
    std::string Strings;         // ...\Data\ambrel.sds or ...\Data\<user>.sds
    std::string BackupSettings;  // ...\Data\_temp.sdd: the previous list
    std::string BackupStrings;   // ...\Data\_temp.sds

    // Where a save writes the new pair before it moves it into place, and its
    // journal (present only between the commit and the end of the moves).
    std::string NewSettings() const { return Settings + ".new"; }
    std::string NewStrings() const { return Strings + ".new"; }
    std::string Journal() const { return Settings + ".commit"; }
    std::string NewJournal() const { return Settings + ".commit.new"; }
};

// Called for every command taken, with its position (0, 1, 2, ...).
using CommandSink = std::function<void(int index, const CommandSettings&, const CommandStrings&)>;

struct LoadResult {
    int Count = 0;           // commands taken
    bool Completed = false;  // both files read to their end without an error
};

// Loads the list. A missing or damaged file is reported through
// logger.WriteError("", true), naming `source` as the location; the commands
// taken before the error stay taken.
LoadResult LoadCommandList(IFileSystem& files, cLogger& logger, const CommandFileNames& names,
                           const CommandSink& sink, const std::string& source);

// The same, with each command's record number in the files (0, 1, 2, ...): a
// blank command line takes a record but no position, so the two can differ.
using CommandRecordSink =
    std::function<void(int index, int record, const CommandSettings&, const CommandStrings&)>;
LoadResult LoadCommandRecords(IFileSystem& files, cLogger& logger, const CommandFileNames& names,
                              const CommandRecordSink& sink, const std::string& source);

// One command to save, in list order, its Run already set from its row.
struct CommandPair {
    CommandSettings Settings;
    CommandStrings Strings;
};

// Saves the list as the new current pair, the previous pair becoming the
// _temp backups. On failure: the error box of WriteError, then the message
// that the previous values are restored, and the previous pair stays current.
bool SaveCommandList(IFileSystem& files, cLogger& logger, IUserInteraction& ui, IClock& clock,
                     const std::string& title, const CommandFileNames& names,
                     const std::vector<CommandPair>& commands, const std::string& source);

// Finishes a committed save or discards an unfinished one. 0 when the pair is
// whole (also when nothing was pending), else the error number that stopped it.
long RecoverCommandFiles(IFileSystem& files, const CommandFileNames& names);

// Writes one settings record over record number index + 1 of an open .sdd,
// leaving every other byte of the file as it was. Raises a run-time error
// when the record cannot be written.
void RewriteCommandSettings(IFile& settingsFile, int index, const CommandSettings& settings,
                            const std::string& source);

}  // namespace ambrel
