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

// The whole file, false when it cannot be opened.
bool ReadWhole(IFileSystem& files, const std::string& path, std::string& content, long& error) {
    std::unique_ptr<IFile> file = files.Open(path, FileMode::Read, error);
    if (!file) return false;
    content.assign(static_cast<std::size_t>(file->Size()), '\0');
    content.resize(file->Read(content.data(), content.size()));
    return true;
}

long WriteWhole(IFileSystem& files, const std::string& path, FileMode mode, const std::string& content) {
    long error = 0;
    std::unique_ptr<IFile> file = files.Open(path, mode, error);
    if (!file) return error ? error : kErrPathFileAccess;
    return file->Write(content.data(), content.size()) && file->Flush() ? 0 : kErrDiskFull;
}

}  // namespace

long ReplaceFileContents(IFileSystem& files, const std::string& path, const std::string& content) {
    const std::string fresh = FreshName(path);
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
    return (hasExtension ? settings.substr(0, dot) : settings) + ".wait";
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
    if (ReadWhole(files, path, content, error) && content.rfind(prefix, 0) == 0) {
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
    }
    return "";
}

std::string HistoryPath(const CommandFileNames& names) { return FolderOf(names.Settings) + "history.csv"; }

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
           std::to_string(entry.DurationMs < 0 ? 0 : entry.DurationMs) + "\r\n";
}

long AppendHistory(IFileSystem& files, const std::string& path, const std::string& line, std::size_t limitBytes) {
    RecoverReplacedFile(files, path);
    std::uint64_t size = 0;
    bool whole = true;  // the file ends with a whole line
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
        whole = last == '\n';
    }
    if (whole && size + line.size() <= limitBytes) return WriteWhole(files, path, FileMode::Append, line);

    // A torn last line, or a file at its limit: the file is written again.
    std::string content;
    long error = 0;
    if (!ReadWhole(files, path, content, error)) return error;
    content.erase(content.find_last_of('\n') == std::string::npos ? 0 : content.find_last_of('\n') + 1);
    const std::string header = kHistoryHeader;
    std::size_t bodyStart = content.rfind(header, 0) == 0 ? header.size() : 0;
    if (content.size() + line.size() > limitBytes) {
        // The oldest half of the lines' bytes goes, whole lines only.
        const std::size_t cut = bodyStart + (content.size() - bodyStart) / 2;
        const std::size_t next = content.find('\n', cut == 0 ? 0 : cut - 1);
        content.erase(bodyStart, next == std::string::npos ? std::string::npos : next + 1 - bodyStart);
    }
    if (bodyStart == 0) content.insert(0, header);
    return ReplaceFileContents(files, path, content + line);
}

}  // namespace ambrel
