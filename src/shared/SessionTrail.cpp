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

namespace {

// The fields of one CSV line, quotes undone.
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace

bool HistoryRow::Failed() const {
    return Outcome == RunOutcomeText(RunOutcome::FailedToStart) || Outcome == RunOutcomeText(RunOutcome::TimedOut) ||
           (Outcome == RunOutcomeText(RunOutcome::Run) && !ExitCode.empty() && ExitCode != "0");
}

std::vector<HistoryRow> ReadHistoryNewestFirst(IFileSystem& files, const std::string& path, std::size_t most,
                                               bool failedOnly, std::size_t piece) {
    std::vector<HistoryRow> rows;
    long error = 0;
    auto file = files.Open(path, FileMode::Read, error);
    if (!file || most == 0) return rows;
    std::uint64_t end = file->Size();
    std::string carry;       // the start of a line whose beginning is further back
    bool lastLine = true;    // the file's last line, which is whole only with its CR LF
    while (rows.size() < most) {
        const std::uint64_t start = end > piece ? end - piece : 0;
        std::string block(static_cast<std::size_t>(end - start), '\0');
        if (!file->Seek(start) || file->Read(block.data(), block.size()) != block.size()) break;
        std::string text = block + carry;
        // Whole lines only: what comes before the first line break may go on
        // further back, unless this is the file's start.
        std::size_t from = 0;
        if (start > 0) {
            const std::size_t first = text.find('\n');
            if (first == std::string::npos) {
                carry = text;
                end = start;
                continue;
            }
            from = first + 1;
        }
        carry = text.substr(0, from);
        std::vector<std::string> lines;
        for (std::size_t at = from; at < text.size();) {
            const std::size_t stop = text.find('\n', at);
            if (stop == std::string::npos) {
                // No line break after it: torn, unless a later piece ended it.
                if (!lastLine) lines.push_back(text.substr(at));
                break;
            }
            std::string line = text.substr(at, stop - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            at = stop + 1;
        }
        lastLine = false;
        for (auto line = lines.rbegin(); line != lines.rend() && rows.size() < most; ++line) {
            if (line->empty() || (start == 0 && line == std::prev(lines.rend()) && *line + "\r\n" == kHistoryHeader))
                continue;
            const std::vector<std::string> f = CsvFields(*line);
            HistoryRow row{f.size() > 0 ? f[0] : "", f.size() > 1 ? f[1] : "", f.size() > 2 ? f[2] : "",
                           f.size() > 3 ? f[3] : "", f.size() > 4 ? f[4] : "", f.size() > 5 ? f[5] : ""};
            if (!failedOnly || row.Failed()) rows.push_back(row);
        }
        if (start == 0) break;
        end = start;
    }
    return rows;
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
