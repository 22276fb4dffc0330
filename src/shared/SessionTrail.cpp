#include "shared/SessionTrail.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "shared/errors.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

std::string FreshName(const std::string& path) { return path + ".new"; }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

constexpr std::uint64_t kWaitMarkerLimitBytes = 512;

// The whole file, false when it cannot be opened or is longer than `limit`.
bool ReadWhole(IFileSystem& files, const std::string& path, std::string& content, long& error,
               std::uint64_t limit) {
    std::unique_ptr<IFile> file = files.Open(path, FileMode::Read, error);
    if (!file) return false;
    const std::uint64_t size = file->Size();
    if (size > limit) return false;
    content.assign(static_cast<std::size_t>(size), '\0');
    content.resize(file->Read(content.data(), content.size()));
    return true;
}

// The last `count` bytes of an open file (all of it when it is shorter).
bool ReadTail(IFile& file, std::uint64_t size, std::uint64_t count, std::string& tail) {
    const std::uint64_t from = size > count ? size - count : 0;
    if (!file.Seek(from)) return false;
    tail.assign(static_cast<std::size_t>(size - from), '\0');
    tail.resize(file.Read(tail.data(), tail.size()));
    return true;
}

// The traces are the user's own: nobody else reads them.
long WriteWhole(IFileSystem& files, const std::string& path, FileMode mode, const std::string& content) {
    long error = 0;
    std::unique_ptr<IFile> file = files.Open(path, mode, error, FileProtection::Private);
    if (!file) return error ? error : kErrPathFileAccess;
    return file->Write(content.data(), content.size()) && file->Flush() ? 0 : kErrDiskFull;
}

}  // namespace

long ReplaceFileContents(IFileSystem& files, const std::string& path, const std::string& content) {
    const std::string fresh = FreshName(path);
    files.Remove(fresh);  // a leftover of this program's own; a new file is only made where there is none
    if (long error = WriteWhole(files, fresh, FileMode::CreateNew, content)) {
        files.Remove(fresh);
        return error;
    }
    long error = files.Rename(fresh, path);
    if (error && files.FileExists(path) && files.Remove(path) == 0) error = files.Rename(fresh, path);
    // Once the old file is gone the new one is all there is: it stays for
    // RecoverReplacedFile. While the old one is there, the new one goes.
    if (error && files.FileExists(path)) files.Remove(fresh);
    return error;
}

void RecoverReplacedFile(IFileSystem& files, const std::string& path) {
    const std::string fresh = FreshName(path);
    if (!files.FileExists(fresh)) return;
    if (files.FileExists(path))
        files.Remove(fresh);
    else
        files.Rename(fresh, path);
}

std::string IsoLocalTime(double oleDate, int utcOffsetMinutes) {
    // Rounded to the second first, so 10:59:59.6 is 11:00:00 whole.
    const double seconds = std::nearbyint(oleDate * 86400.0);
    const DateParts p = SplitDate(seconds / 86400.0);
    const int offset = std::abs(utcOffsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", p.Year, p.Month, p.Day, p.Hour,
                  p.Minute, p.Second, utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

// ---------------------------------------------------------------------------
// The wait marker

std::string WaitMarkerPath(const CommandFileNames& names) {
    const std::string& settings = names.Settings;
    const std::size_t dot = settings.find_last_of('.');
    const std::size_t slash = settings.find_last_of('\\');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? settings.substr(0, dot) : settings;
    if (names.TrailFolder.empty()) return stem + ".wait";
    return names.TrailFolder + "\\" + stem.substr(slash == std::string::npos ? 0 : slash + 1) + ".wait";
}

long SetWaitMarker(IFileSystem& files, const std::string& path, const std::string& since) {
    return ReplaceFileContents(files, path, "Waiting since " + since + "\r\n");
}

void ClearWaitMarker(IFileSystem& files, const std::string& path) {
    files.Remove(FreshName(path));
    files.Remove(path);
}

bool LeftoverWaitMarker(IFileSystem& files, const std::string& path, std::string& since) {
    since.clear();
    // Written but never moved into place: the wait had not begun.
    if (files.FileExists(FreshName(path))) files.Remove(FreshName(path));
    if (!files.FileExists(path)) return false;
    std::string content;
    long error = 0;
    const std::string prefix = "Waiting since ";
    // What this program writes is a line of some forty bytes: anything much
    // longer is not one of its markers, and is neither read nor believed.
    {
        std::unique_ptr<IFile> file = files.Open(path, FileMode::Read, error);
        if (file && file->Size() > kWaitMarkerLimitBytes) return false;
    }
    if (ReadWhole(files, path, content, error, kWaitMarkerLimitBytes) && content.rfind(prefix, 0) == 0) {
        since = content.substr(prefix.size());
        since = since.substr(0, since.find_first_of("\r\n"));
        if (since.size() > 40) since.clear();  // not what this program writes
    }
    return true;
}

// ---------------------------------------------------------------------------
// The run history

const char* RunOutcomeText(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Run: return "run";
        case RunOutcome::SkippedByMessage: return "skipped by its message";
        case RunOutcome::TimedOut: return "timed out";
        case RunOutcome::FailedToStart: return "failed to start";
        case RunOutcome::LeftRunning: return "left running";
    }
    return "";
}

std::string HistoryPath(const CommandFileNames& names) {
    return (names.TrailFolder.empty() ? FolderOf(names.Settings) : names.TrailFolder + "\\") + "history.csv";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string HistoryLine(const HistoryEntry& entry) {
    return CsvField(entry.Start) + "," + CsvField(entry.CommandLine) + "," + RunOutcomeText(entry.Outcome) + "," +
           (entry.ExitCodeKnown ? std::to_string(entry.ExitCode) : std::string()) + "," +
           std::to_string(entry.DurationMs < 0 ? 0 : entry.DurationMs) + "," + CsvField(entry.SessionEnd) + "\r\n";
}

long AppendHistory(IFileSystem& files, const std::string& path, const std::string& line, std::size_t limitBytes) {
    RecoverReplacedFile(files, path);
    std::uint64_t size = 0;
    std::string tail;  // what stays when the file is written again
    {
        long error = 0;
        std::unique_ptr<IFile> file = files.Open(path, FileMode::Read, error);
        if (!file) {
            if (files.FileExists(path)) return error;
            return WriteWhole(files, path, FileMode::Append, kHistoryHeader + line);
        }
        size = file->Size();
        char last = '\n';
        if (size > 0 && (!file->Seek(size - 1) || file->Read(&last, 1) != 1)) return kErrDeviceIO;
        if (last == '\n' && size + line.size() <= limitBytes) {
            file.reset();
            return WriteWhole(files, path, FileMode::Append, line);
        }
        // A torn last line, or a file at its limit: the file is written again
        // from its newest half at most, read from its end, so that a file of
        // any size (a damaged or sparse one) costs no more than that. The
        // byte before the kept part tells whether it starts a line.
        const std::uint64_t keep = size + line.size() > limitBytes ? limitBytes / 2 : size;
        if (!ReadTail(*file, size, keep + 1, tail)) return kErrDeviceIO;
    }
    if (size > tail.size()) {
        // Cut: the first byte read is the one before the kept part. Unless it
        // ends a line, the kept part begins inside an older, dropped line.
        const std::size_t lineStart = tail[0] == '\n' ? 1 : tail.find('\n') + 1;
        tail.erase(0, lineStart == 0 ? tail.size() : lineStart);
    }
    tail.erase(tail.find_last_of('\n') == std::string::npos ? 0 : tail.find_last_of('\n') + 1);
    const std::string header = kHistoryHeader;
    if (tail.rfind(header, 0) == 0) tail.erase(0, header.size());
    return ReplaceFileContents(files, path, header + tail + line);
}

}  // namespace ambrel
