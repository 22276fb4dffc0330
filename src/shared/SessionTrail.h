#pragma once
// What the monitor leaves in the data folder about each session, beside the
// list files and never inside them: the wait marker, which tells the next
// start that a session ended before the list could run, and the run history,
// one CSV line for every command run.
//
// Both survive a crash at any step. A file is replaced by writing the whole
// new content under "<name>.new", flushing it and moving it over the old one;
// a history line is appended with a single write, and a line torn by a power
// cut is dropped at the next append.

#include <cstdint>
#include <string>

#include "shared/CommandFiles.h"
#include "shared/platform.h"

namespace ambrel {

// Replaces a file's whole content, crash-safe: 0, else the error number.
// Where the system cannot move over an existing file, the old one is removed
// first; RecoverReplacedFile then finishes what a crash between the two left.
long ReplaceFileContents(IFileSystem& files, const std::string& path, const std::string& content);
// Puts a whole "<name>.new" in place when the file itself is missing, and
// otherwise removes a "<name>.new" left over.
void RecoverReplacedFile(IFileSystem& files, const std::string& path);

// A date and time as ISO 8601, local with its offset: "2026-12-08T17:05:03+01:00".
std::string IsoLocalTime(double oleDate, int utcOffsetMinutes);

// ---------------------------------------------------------------------------
// The wait marker: "<list>.wait" beside the list's settings file.

std::string WaitMarkerPath(const CommandFileNames& names);
// Marks the start of a wait; `since` is the time it started, as IsoLocalTime.
long SetWaitMarker(IFileSystem& files, const std::string& path, const std::string& since);
void ClearWaitMarker(IFileSystem& files, const std::string& path);
// True when a marker was left behind, with the time its wait started ("" when
// it cannot be read). A marker whose writing was cut short never started a
// wait and is removed.
bool LeftoverWaitMarker(IFileSystem& files, const std::string& path, std::string& since);

// ---------------------------------------------------------------------------
// The run history: Data\history.csv.

enum class RunOutcome { Run, SkippedByMessage, TimedOut, FailedToStart, LeftRunning };

// "run", "skipped by its message", "timed out", "failed to start", "left
// running" (the monitor ended while the program ran).
const char* RunOutcomeText(RunOutcome outcome);

struct HistoryEntry {
    std::string Start;  // IsoLocalTime
    std::string CommandLine;
    RunOutcome Outcome = RunOutcome::Run;
    bool ExitCodeKnown = false;
    std::uint32_t ExitCode = 0;
    long long DurationMs = 0;
    // The end of the session the run belonged to, as the system said it:
    // "log off", "shut down", or "" for a run the monitor started itself.
    std::string SessionEnd;
};

inline constexpr const char* kHistoryHeader = "Start,Command line,Outcome,Exit code,Duration (ms),Session end\r\n";
inline constexpr std::size_t kHistoryLimitBytes = 1024 * 1024;

std::string HistoryPath(const CommandFileNames& names);
// A field as CSV writes it: quoted, with its quotes doubled, when it holds a
// comma, a quote or a line break.
std::string CsvField(const std::string& text);
// The entry's line, CR LF included.
std::string HistoryLine(const HistoryEntry& entry);
// Appends the line. A file that would pass `limitBytes` first loses its
// oldest half, whole lines only, and is replaced crash-safe. 0, else the
// error number.
long AppendHistory(IFileSystem& files, const std::string& path, const std::string& line,
                   std::size_t limitBytes = kHistoryLimitBytes);

// One line of the history as it is shown: its fields as written.
struct HistoryRow {
    std::string Start, CommandLine, Outcome, ExitCode, DurationMs, SessionEnd;
    // Not started, timed out, or ended with an exit code other than 0.
    bool Failed() const;
};

// The newest `most` rows of the history (only failed ones when asked),
// newest first. The file is read from its end in pieces of `piece` bytes,
// only as far back as those rows need; the header and a last line torn by a
// power cut are not rows. An empty list when there is no history yet.
std::vector<HistoryRow> ReadHistoryNewestFirst(IFileSystem& files, const std::string& path, std::size_t most,
                                               bool failedOnly, std::size_t piece = 64 * 1024);

}  // namespace ambrel
