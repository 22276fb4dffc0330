#pragma once
// The ports through which the portable logic reaches the system. Each is shaped
// by what the logic needs; the Win32 adapters in src/win32 implement them with
// the real API, the doubles in tests/ implement them for host tests.
//
// Nothing here includes <windows.h>, and no name here collides with its macros.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ambrel {

// ---------------------------------------------------------------------------
// Who is running: the product name from the program's version resource and
// the folder the program was started from (no trailing backslash).
struct AppIdentity {
    std::string ProductName;       // "Ambrel 2.0"
    std::string ProgramDirectory;  // e.g. "C:\Program Files\Ambrel"
    std::string Title;             // the program's own title, e.g. "Ambrel"
};

// ---------------------------------------------------------------------------
// Registry, with advapi32's semantics: status codes of the Win32 API, handles
// as 32-bit values (predefined roots sign-extend like the real ones), value
// types, buffer sizes and ERROR_MORE_DATA.
using RegHandle = std::int32_t;

inline constexpr RegHandle kRootClassesRoot = static_cast<RegHandle>(0x80000000u);
inline constexpr RegHandle kRootCurrentUser = static_cast<RegHandle>(0x80000001u);
inline constexpr RegHandle kRootLocalMachine = static_cast<RegHandle>(0x80000002u);
inline constexpr RegHandle kRootUsers = static_cast<RegHandle>(0x80000003u);

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

class IRegistryBackend {
public:
    virtual ~IRegistryBackend() = default;

    // RegOpenKeyA: opens an existing key. An empty sub-key opens hKey itself.
    virtual long OpenKey(RegHandle key, const std::string& subKey, RegHandle& result) = 0;
    // RegCreateKeyA: opens the key, creating every missing key along the path.
    virtual long CreateKey(RegHandle key, const std::string& subKey, RegHandle& result) = 0;
    virtual long CloseKey(RegHandle key) = 0;
    // RegDeleteKeyA: deletes a key that has no sub-keys.
    virtual long DeleteKey(RegHandle key, const std::string& subKey) = 0;
    virtual long DeleteValue(RegHandle key, const std::string& valueName) = 0;
    // RegQueryValueExA: type and data are optional (nullptr). With data given,
    // dataSize is the buffer size in and the value's size out; a buffer that is
    // too small gives kErrorMoreData and the size needed.
    virtual long QueryValue(RegHandle key, const std::string& valueName, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataSize) = 0;
    // RegSetValueExA.
    virtual long SetValue(RegHandle key, const std::string& valueName, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t dataSize) = 0;
    // RegEnumKeyA: nameSize is the buffer size in characters, terminator included.
    virtual long EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) = 0;
    // RegEnumValueA: nameSize in characters (in: buffer, out: length without
    // the terminator); type and data optional as for QueryValue.
    virtual long EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
};

// ---------------------------------------------------------------------------
// Clock: the local date and time as an OLE Automation date (see vb.h).
class IClock {
public:
    virtual ~IClock() = default;
    virtual double Now() = 0;
    // How far local time is ahead of UTC now, in minutes (negative west of
    // Greenwich), daylight saving included.
    virtual int UtcOffsetMinutes() = 0;
    // Seconds from a fixed point, counted steadily: neither midnight, nor
    // daylight saving, nor a user setting the clock moves it.
    virtual double ElapsedSeconds() = 0;
};

// A 32-bit millisecond count (GetTickCount's) made steady: it wraps to 0
// after 49.7 days, and each wrap seen is carried into the upper bits. Read
// it at least once a wrap (every wait does, within a minute).
class TickCounter {
public:
    // The milliseconds since the count's start, wraps included.
    unsigned long long Milliseconds(std::uint32_t tick) {
        if (tick < m_last) ++m_wraps;
        m_last = tick;
        return (m_wraps << 32) | tick;
    }

private:
    std::uint32_t m_last = 0;
    unsigned long long m_wraps = 0;
};

// ---------------------------------------------------------------------------
// User interaction: modal message boxes and the like.
//
// Message-box styles and answers are the standard Windows values.
inline constexpr int kMbOkOnly = 0;
inline constexpr int kMbOkCancel = 1;
inline constexpr int kMbAbortRetryIgnore = 2;
inline constexpr int kMbYesNoCancel = 3;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbRetryCancel = 5;
inline constexpr int kMbCritical = 16;
inline constexpr int kMbQuestion = 32;
inline constexpr int kMbExclamation = 48;
inline constexpr int kMbInformation = 64;
inline constexpr int kMbDefaultButton2 = 256;
inline constexpr int kMbDefaultButton3 = 512;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerAbort = 3;
inline constexpr int kAnswerRetry = 4;
inline constexpr int kAnswerIgnore = 5;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class IUserInteraction {
public:
    virtual ~IUserInteraction() = default;
    // Shows a modal message box and returns the answer. The caller always
    // passes the title; a box "without a title" gets the program's own title.
    virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;
};

// ---------------------------------------------------------------------------
// Files. Failures are reported as the run-time error numbers of errors.h
// (kErrFileNotFound, kErrPathNotFound, kErrPermissionDenied, ...), so callers
// can raise or report them as they are.
//
// No mode overwrites or reuses a file that somebody else may have made first:
// a new file is only ever created where no file of that name exists, so a
// caller that replaces one of its own removes it first.
enum class FileMode {
    Read,          // existing file, read only
    Append,        // append only (no read): an existing file, else a new one
    Random,        // read and write anywhere (record files): an existing file, else a new one
    Update,        // an existing file, read and rewrite in place (no append, no delete)
    CreateNew,     // a new, empty file (fails when the name exists), write only
};

// The descriptor a new file is made with. Files in the data folder are seen
// by every user of the machine, so each says explicitly who may do what.
enum class FileProtection {
    Inherit,         // what the folder gives (outside the data folder)
    Private,         // the user who makes it (and administrators); nobody else
    SharedReadOnly,  // administrators change it; every user reads it
    SharedRecords,   // administrators change it; every user reads it and rewrites its records in place
};

// Who owns a file or folder and who may do what with it, as the system keeps
// it. Read from an open handle, so that what is checked is what is read.
inline constexpr std::uint32_t kAccessWriteData = 0x2;        // FILE_WRITE_DATA, FILE_ADD_FILE
inline constexpr std::uint32_t kAccessAppendData = 0x4;       // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
inline constexpr std::uint32_t kAccessWriteEa = 0x10;
inline constexpr std::uint32_t kAccessDeleteChild = 0x40;
inline constexpr std::uint32_t kAccessWriteAttributes = 0x100;
inline constexpr std::uint32_t kAccessDelete = 0x10000;
inline constexpr std::uint32_t kAccessWriteDac = 0x40000;
inline constexpr std::uint32_t kAccessWriteOwner = 0x80000;
inline constexpr std::uint32_t kAccessGenericAll = 0x10000000;
inline constexpr std::uint32_t kAccessGenericWrite = 0x40000000;

struct AccessGrant {
    std::string Sid;  // "S-1-5-32-545"
    std::uint32_t Mask = 0;
};

struct ObjectSecurity {
    bool Kept = false;          // false: this system or volume keeps no owners (Windows 95 and 98, FAT)
    bool ReparsePoint = false;  // a junction or symbolic link: it leads somewhere else
    std::uint32_t Links = 1;    // names the file has (hard links)
    std::string FinalPath;      // where the handle really leads, "" when the system cannot tell
    std::string OwnerSid;
    bool HasDacl = true;        // false: no access list at all, so anybody may do anything
    // The allowing entries that apply to the object itself (inherit-only ones left out).
    std::vector<AccessGrant> Grants;
};

// The account the program runs as, for the checks of what it reads.
struct FileIdentity {
    std::string UserSid;         // "" where the system has no accounts
    bool Administrator = false;  // a member of Administrators, with its rights in effect
};

class IFile {
public:
    virtual ~IFile() = default;
    // Bytes read, fewer than asked at the end of the file.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // false when not every byte could be written (disk full, file gone).
    virtual bool Write(const void* data, std::size_t size) = 0;
    virtual bool Seek(std::uint64_t offset) = 0;
    virtual std::uint64_t Size() = 0;
    // Pushes the written bytes to the disk (FlushFileBuffers).
    virtual bool Flush() = 0;
    // The file's owner, access list, links and final path; false when they
    // cannot be read (the check then refuses the file).
    virtual bool Security(ObjectSecurity& security) = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // nullptr on failure, with `error` set. A file the call creates gets the
    // descriptor `protection` asks for.
    virtual std::unique_ptr<IFile> Open(const std::string& path, FileMode mode, long& error,
                                        FileProtection protection = FileProtection::Inherit) = 0;
    // 0 on success, else the error number.
    virtual long Remove(const std::string& path) = 0;
    // Replaces an existing target in one step (MoveFileEx with
    // MOVEFILE_REPLACE_EXISTING) where RenameReplaces(); elsewhere (Windows
    // 95 and 98, which cannot) fails when the target exists.
    virtual long Rename(const std::string& from, const std::string& to) = 0;
    virtual bool RenameReplaces() { return true; }
    virtual bool FileExists(const std::string& path) = 0;
    // The names of a folder's files, hidden and system files left out, in the
    // order a file list shows them (by name). false when the folder does not exist.
    virtual bool ListFiles(const std::string& folder, std::vector<std::string>& names) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Makes one folder (its parent must exist): 0 on success, else the error number.
    virtual long CreateFolder(const std::string& path) = 0;
    // Removes one empty folder: 0 on success, else the error number.
    virtual long RemoveFolder(const std::string& path) = 0;
    // A folder's security, read from a handle to the folder itself (a
    // reparse point is not followed); false with `error` when it cannot be opened.
    virtual bool FolderSecurity(const std::string& path, ObjectSecurity& security, long& error) = 0;
    // Who this program runs as, and an account's name for messages
    // ("DOMAIN\name"; the SID itself when it has none).
    virtual FileIdentity Identity() = 0;
    virtual std::string AccountName(const std::string& sid) = 0;
};

// ---------------------------------------------------------------------------
// The lock that every program holds while it changes the command list files,
// so that a save and the monitor's record of a run never meet half way.
class ICommandListLock {
public:
    virtual ~ICommandListLock() = default;
    // Waits up to `timeoutMs` for the lock; false when it could not be had.
    virtual bool Acquire(std::uint32_t timeoutMs) = 0;
    virtual void Release() = 0;
};

// ---------------------------------------------------------------------------
// Whether another instance of the running program already runs.
class IInstanceGuard {
public:
    virtual ~IInstanceGuard() = default;
    virtual bool AnotherInstanceRunning() = 0;
};

// A window message posted to another program's window (PostMessageA), and
// the running monitor those messages are for.
class IWindowMessages {
public:
    virtual ~IWindowMessages() = default;
    // false when the message could not be posted (no such window).
    virtual bool Post(std::int32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // The window of the monitor that runs for this user in this session, its
    // program the program folder's Ambrel.exe; 0 when there is none. `hint`
    // (the stored AmbrelHwnd) is looked at first, and used only when it is
    // that window.
    virtual std::int32_t FindMonitor(std::int32_t hint) = 0;
    // Waits up to `timeoutMs` for the window to be gone, serving messages;
    // false when it is still there.
    virtual bool WaitGone(std::int32_t window, std::uint32_t timeoutMs) = 0;
};

// The texts of the running program's version block, for its about labels.
struct AboutTexts {
    std::string ProductName;
    int VersionMajor = 0, VersionMinor = 0, VersionRevision = 0;
    std::string FileDescription, LegalCopyright, CompanyName, Comments;
};

// What the open-file dialog is asked for.
inline constexpr unsigned long kOpenHideReadOnly = 0x4;             // OFN_HIDEREADONLY
inline constexpr unsigned long kOpenPathMustExist = 0x800;          // OFN_PATHMUSTEXIST
inline constexpr unsigned long kOpenFileMustExist = 0x1000;         // OFN_FILEMUSTEXIST
inline constexpr unsigned long kOpenNoDereferenceLinks = 0x100000;  // OFN_NODEREFERENCELINKS

struct OpenFileRequest {
    std::string DialogTitle;
    // "description | pattern", pairs separated the same way:
    // "Programs | *.exe | All files | *.*".
    std::string Filter;
    std::string InitDir;
    unsigned long Flags = 0;
};

// ---------------------------------------------------------------------------
// Regional settings: a date and time in the system's general date format
// (short date, a blank, long time), as GetDateFormatA and GetTimeFormatA give.
class IRegionalSettings {
public:
    virtual ~IRegionalSettings() = default;
    virtual std::string GeneralDate(double oleDate) = 0;
};

// ---------------------------------------------------------------------------
// Operating-system facts: the record that GetVersionExA fills (ANSI
// OSVERSIONINFO) and the logged-on user's name.
struct OsVersionRecord {
    std::uint32_t OSVersionInfoSize = 148;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint32_t PlatformId = 0;
    std::string CSDVersion;  // service-pack text, 128 characters in the record
};

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr std::uint32_t kPlatformNT = 2;       // VER_PLATFORM_WIN32_NT

class ISystemFacts {
public:
    virtual ~ISystemFacts() = default;
    // GetVersionExA into the record; false when the call fails.
    virtual bool QueryVersion(OsVersionRecord& record) = 0;
    // GetUserNameA: fills `buffer` (of `size` bytes) with the name and its
    // terminator; false when the call fails (nobody logged on).
    virtual bool QueryUserName(char* buffer, std::uint32_t& size) = 0;
    // false when the logon name does not survive the ANSI code page whole
    // (letters it shows as others, or as "?"), so that the text names
    // someone else as well.
    virtual bool UserNameIsExact() { return true; }
};

// ---------------------------------------------------------------------------
// Processes (the command runner).
inline constexpr std::uint32_t kStillActive = 259;  // STILL_ACTIVE: the process has not ended

// A started process, opened with PROCESS_TERMINATE + PROCESS_QUERY_INFORMATION.
class IRunningProcess {
public:
    virtual ~IRunningProcess() = default;
    // GetExitCodeProcess; false when the query fails.
    virtual bool ExitCode(std::uint32_t& code) = 0;
    // Blocks until the process ends, a message arrives for this thread or
    // `timeoutMs` passes, and serves the messages waiting, so the caller's
    // windows stay responsive. Never spins.
    virtual void WaitServingMessages(std::uint32_t timeoutMs) = 0;
    virtual bool Terminate(std::uint32_t exitCode) = 0;
};

class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Starts a program from a command line, its first window shown with
    // `showState` (SW_HIDE 0, SW_SHOWNORMAL 1, ...). false with `error` (a
    // run-time error number) when it cannot be started.
    // The program is the command line's own (SplitProgram), so a path with
    // blanks never starts another program.
    virtual bool Start(const std::string& commandLine, int showState, std::uint32_t& processId,
                       long& error) = 0;
    // Starts `program` exactly: a full path, or the bare name of one of the
    // system's own programs ("notepad.exe"), which is looked for in the
    // system's folders and the PATH, never in the current folder. The
    // program is named as the application and quoted in the command line,
    // followed by `arguments`.
    virtual bool StartProgram(const std::string& program, const std::string& arguments, int showState,
                              std::uint32_t& processId, long& error) = 0;
    // Starts `program` with an administrator's rights (the system asks the
    // user first) and waits, serving messages, until it has ended. false
    // when it did not run (declined, or it could not be started).
    virtual bool RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) = 0;
    // OpenProcess(0x401, FALSE, id); nullptr when the process cannot be opened.
    virtual std::unique_ptr<IRunningProcess> Open(std::uint32_t processId) = 0;
};


// ---------------------------------------------------------------------------
// Shell links (shortcut files).
struct ShortcutFields {
    std::string TargetPath;
    std::string WorkingDirectory;
    std::string Arguments;
    std::string Description;
    std::int32_t ShowCommand = 1;  // SW_SHOWNORMAL
};

class IShellLinks {
public:
    virtual ~IShellLinks() = default;
    // Reads a ".lnk" file; false when it cannot be read.
    virtual bool ReadShortcut(const std::string& path, ShortcutFields& fields) = 0;
    // Creates (or replaces) a ".lnk" file that starts the target in the
    // working directory; false when it cannot be made.
    virtual bool CreateShortcut(const std::string& path, const ShortcutFields& fields) = 0;
};


// ---------------------------------------------------------------------------
// Ending the session.
//
// What ending a session needs of user32, advapi32, kernel32 and shell32, one
// call each, so the order of the steps and their exact arguments can be
// checked. Handles are pointer-sized; 0 is "none".
using WindowHandle = std::uintptr_t;
using KernelHandle = std::uintptr_t;

struct PrivilegeId {  // LUID
    std::uint32_t LowPart = 0;
    std::int32_t HighPart = 0;
};

struct PrivilegeSet {  // TOKEN_PRIVILEGES with room for one privilege
    std::uint32_t Count = 0;
    PrivilegeId Id;
    std::uint32_t Attributes = 0;
};

inline constexpr std::uint32_t kEwxLogoff = 0;
inline constexpr std::uint32_t kEwxShutdown = 1;
inline constexpr std::uint32_t kEwxReboot = 2;
inline constexpr std::uint32_t kEwxForce = 4;
inline constexpr std::uint32_t kEwxPowerOff = 8;
inline constexpr std::uint32_t kEwxForceIfHung = 0x10;  // Windows 2000 and later
inline constexpr std::uint32_t kTokenQuery = 0x8;
inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr std::uint32_t kSePrivilegeEnabled = 2;
inline constexpr std::uint32_t kProcessTerminate = 0x1;
inline constexpr std::uint32_t kProcessQueryInformation = 0x400;
inline constexpr std::uint32_t kWmQueryEndSession = 0x11;
inline constexpr std::uint32_t kWmEndSession = 0x16;
inline constexpr std::uint32_t kSmtoAbortIfHung = 2;
inline constexpr int kSwShowMinimized = 2;  // minimised, with the focus

class ISessionControl {
public:
    virtual ~ISessionControl() = default;
    // ExitWindowsEx: non-zero when Windows accepted the request.
    virtual std::int32_t RequestSessionEnd(std::uint32_t flags, std::uint32_t reserved) = 0;
    // The system's error code for the last refused request (GetLastError).
    virtual std::uint32_t LastRequestError() = 0;

    // OpenProcessToken of the current process; 0 when it fails.
    virtual KernelHandle OpenOwnProcessToken(std::uint32_t access) = 0;
    // LookupPrivilegeValueA; an empty system name is the local system.
    virtual bool LookupPrivilege(const std::string& systemName, const std::string& name, PrivilegeId& id) = 0;
    // AdjustTokenPrivileges with a previous-state buffer of `bufferLength` bytes.
    virtual bool AdjustPrivileges(KernelHandle token, bool disableAll, const PrivilegeSet& newState,
                                  std::uint32_t bufferLength) = 0;
    virtual void CloseKernelHandle(KernelHandle handle) = 0;

    // EnumWindows over the top-level windows. The visitor is called from
    // inside the system, so it must not throw; it returns false to stop.
    class IWindowVisitor {
    public:
        virtual bool Visit(WindowHandle window) noexcept = 0;

    protected:
        ~IWindowVisitor() = default;
    };
    virtual bool EnumTopLevelWindows(IWindowVisitor& visitor) = 0;
    // SendMessageTimeoutA: true when the window processed the message in time.
    virtual bool SendWithTimeout(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeoutMs) = 0;
    // GetWindowThreadProcessId: the id of the process that owns the window.
    virtual std::uint32_t WindowProcessId(WindowHandle window) = 0;
    // OpenProcess; 0 when it fails.
    virtual KernelHandle OpenProcessById(std::uint32_t access, std::uint32_t processId) = 0;
    virtual bool TerminateProcessHandle(KernelHandle process, std::uint32_t exitCode) = 0;

    // ShellExecuteA without an owner window: its result, above 32 when the
    // file was started, else the shell's error code.
    virtual std::intptr_t ShellOpen(const std::string& verb, const std::string& file, int showCommand) = 0;
};


// ---------------------------------------------------------------------------
// What today's Windows lets a program say about the end of the session. Each
// call is looked up at run time: where the system lacks it, it does nothing
// and answers false.
inline constexpr std::uint32_t kShutdownLevelFirst = 0x3FF;  // the highest application level

class IShutdownCourtesy {
public:
    virtual ~IShutdownCourtesy() = default;
    // Whether the system can show a reason why a window holds up the end.
    virtual bool BlockReasonsAvailable() = 0;
    // ShutdownBlockReasonCreate on the window: the text the system shows
    // beside the program while it waits. Setting it again replaces it.
    virtual bool SetBlockReason(WindowHandle window, const std::string& reason) = 0;
    // ShutdownBlockReasonDestroy.
    virtual bool ClearBlockReason(WindowHandle window) = 0;
    // SetProcessShutdownParameters(level, 0): the higher, the earlier the
    // system asks this program at the end of the session.
    virtual bool SetShutdownLevel(std::uint32_t level) = 0;
    // RegisterApplicationRestart: the system starts the program again after
    // an update closed it (not after a crash, a hang or a restart of Windows).
    virtual bool RegisterRestartAfterUpdate() = 0;
};

// What the lParam of WM_QUERYENDSESSION and WM_ENDSESSION says.
inline constexpr std::uint32_t kEndSessionCloseApp = 0x1;        // an installer or an update asks to close
inline constexpr std::uint32_t kEndSessionCritical = 0x40000000;  // the system ends now, whatever is answered
inline constexpr std::uint32_t kEndSessionLogoff = 0x80000000;    // a log off, not a shut down

}  // namespace ambrel
