#pragma once
// Files, the clock and message boxes over the Win32 API.

#include "shared/platform.h"

namespace ambrel {

class Win32FileSystem final : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::string& path, FileMode mode, long& error,
                                FileProtection protection = FileProtection::Inherit) override;
    long Remove(const std::string& path) override;
    long Rename(const std::string& from, const std::string& to) override;
    bool RenameReplaces() override;
    bool FileExists(const std::string& path) override;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
    bool FolderExists(const std::string& path) override;
    long CreateFolder(const std::string& path) override;
    long RemoveFolder(const std::string& path) override;
    bool FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) override;
    FileIdentity Identity() override;
    std::string AccountName(const std::string& sid) override;
};

// A Win32 error code as the run-time error number the system reports.
long RuntimeErrorFromWin32(unsigned long win32Error);

// Posts to another program's window with PostMessageA; finds the monitor by
// its window class, its program and its session.
class Win32WindowMessages final : public IWindowMessages {
public:
    // `programDirectory`: where the monitor's Ambrel.exe must be.
    explicit Win32WindowMessages(std::string programDirectory) : m_programDirectory(std::move(programDirectory)) {}
    bool Post(std::int32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::int32_t FindMonitor(std::int32_t hint) override;
    bool WaitGone(std::int32_t window, std::uint32_t timeoutMs) override;

private:
    std::string m_programDirectory;
};

class Win32Clock final : public IClock {
public:
    double Now() override;
    int UtcOffsetMinutes() override;
    double ElapsedSeconds() override;
};

// Text between the system's code page (the programs' strings) and UTF-8 (the
// files made for people and tools); false for UTF-8 that is not well formed
// or holds characters the code page has not.
std::string AnsiToUtf8(const std::string& text);
bool Utf8ToAnsi(const std::string& text, std::string& ansi);

class Win32UserInteraction final : public IUserInteraction {
public:
    // A box is owned by the window that raised it: the program's active
    // window (a dialog over the main window, say), so that the window stays
    // still under its box. With none active, by this window (0: no owner).
    void SetOwner(std::intptr_t hwnd) { m_owner = hwnd; }
    // The monitor's boxes come up over whatever the user is doing, owned by
    // nothing of the monitor's: `false` leaves the owner set alone.
    void OwnByActiveWindow(bool own) { m_byActive = own; }
    int MsgBox(const std::string& text, int style, const std::string& title) override;

private:
    std::intptr_t m_owner = 0;
    bool m_byActive = true;
};

}  // namespace ambrel
