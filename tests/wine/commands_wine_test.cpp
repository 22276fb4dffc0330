// The command runner, shortcut files and the command list files on the real system.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "doubles/scripted_ui.h"
#include "shared/FileTrust.h"
#include "shared/cLogger.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"
#include "win32/command_list_lock_win32.h"
#include "win32/files_win32.h"
#include "win32/processes_win32.h"
#include "win32/shell_links_win32.h"

namespace ambrel {
namespace {

std::string Here() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\'));
}

std::string Helper() { return Here() + "\\ambrel_test_helper.exe"; }

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// A folder of the test's own under the temporary folder, removed with all it
// holds when the test ends, so the shared prefix stays as it was.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + name + std::to_string(GetCurrentProcessId());
        RemoveTree(m_path);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

struct Runner {
    Win32ProcessLauncher processes;
    Win32Clock clock;
    std::string message = "<unset>";
};

TEST(CommandRunnerWine, ARealProgramIsStartedAndWaitedFor) {
    Runner r;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunCommand(r.processes, r.clock, r.message, Helper() + " sleep 700", 6, true, 1));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.message, "");
    EXPECT_GE(took.count(), 650);

    // Its exit code does not matter, only that it ended.
    EXPECT_TRUE(RunCommand(r.processes, r.clock, r.message, Helper() + " exit 7", 1, false, 0));
    EXPECT_EQ(r.message, "");
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST(CommandRunnerWine, TheCallersMessagesAreServedWhileItWaits) {
    Runner r;
    g_ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, CountTick);
    ASSERT_NE(timer, 0u);
    EXPECT_TRUE(RunCommand(r.processes, r.clock, r.message, Helper() + " sleep 1000", 6, false, 0));
    KillTimer(nullptr, timer);
    EXPECT_GE(g_ticks, 5);
}

TEST(CommandRunnerWine, TheWindowStyleIsTheProgramsShowState) {
    Runner r;
    ScratchFolder scratch("ambrel_show");
    const std::string out = scratch.Path() + "\\state.txt";
    for (int style : {0, 2, 3, 6}) {
        ASSERT_TRUE(RunCommand(r.processes, r.clock, r.message, Helper() + " showstate " + out,
                               static_cast<std::int16_t>(style), false, 0));
        std::ifstream in(out);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(), "1 " + std::to_string(style));
    }
}

TEST(CommandRunnerWine, AMissingProgramIsReportedWithItsUntrimmedCommandLine) {
    Runner r;
    const std::string line = "  C:\\nowhere\\missing_program.exe /x ";
    EXPECT_FALSE(RunCommand(r.processes, r.clock, r.message, line, 1, false, 0));
    EXPECT_EQ(r.message, "Couldn't execute " + line);
}

TEST(CommandRunnerWine, AProgramPastItsLimitIsTerminated) {
    Runner r;
    // The limit in seconds keeps the test short; the minutes of RunCommand are
    // the same path with 60 times the number.
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunCommandWithLimit(r.processes, r.clock, r.message, Helper() + " hang", 6, true, 2, "2"));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.message, Helper() + " hang was terminated.  It has timed out after 2.");
    // Not before its limit; the program never ends by itself, so any end in
    // reasonable time is the runner's (how soon is the benchmarks' business).
    EXPECT_GE(took.count(), 1500);
    EXPECT_LT(took.count(), 60000);
}

TEST(CommandRunnerWine, TheTerminatedProgramEndsWithExitCode259) {
    // Watch the process from outside the runner: start it ourselves through the
    // same launcher the runner uses.
    class Watching final : public IProcessLauncher {
    public:
        bool Start(const std::string& line, int show, std::uint32_t& id, long& error) override {
            bool ok = m_real.Start(line, show, id, error);
            if (ok) Handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
            return ok;
        }
        bool StartProgram(const std::string& program, const std::string& arguments, int show, std::uint32_t& id,
                      long& error) override {
        return m_real.StartProgram(program, arguments, show, id, error);
    }
    bool RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) override {
        return m_real.RunElevatedAndWait(program, arguments, error);
    }
    std::unique_ptr<IRunningProcess> Open(std::uint32_t id) override { return m_real.Open(id); }
        HANDLE Handle = nullptr;

    private:
        Win32ProcessLauncher m_real;
    } watching;
    Win32Clock clock;
    std::string message;
    EXPECT_FALSE(RunCommandWithLimit(watching, clock, message, Helper() + " hang", 0, true, 1, "1"));
    ASSERT_NE(watching.Handle, nullptr);
    EXPECT_EQ(WaitForSingleObject(watching.Handle, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(watching.Handle, &code));
    EXPECT_EQ(code, 259u);
    CloseHandle(watching.Handle);
}

TEST(ShellLinksWine, AShortcutIsCreatedAndItsCommandLineReadBack) {
    Win32ShellLinks links;
    ScratchFolder scratch("ambrel_lnk");
    const std::string& folder = scratch.Path();
    const std::string lnk = folder + "\\Helper.lnk";
    ShortcutFields made;
    made.TargetPath = Helper();
    made.WorkingDirectory = folder;
    made.Arguments = "exit 3";
    made.ShowCommand = 3;
    ASSERT_TRUE(links.CreateShortcut(lnk, made));
    ASSERT_NE(GetFileAttributesA(lnk.c_str()), INVALID_FILE_ATTRIBUTES);

    ShortcutFields read;
    ASSERT_TRUE(links.ReadShortcut(lnk, read));
    EXPECT_TRUE(EqualsNoCase(read.TargetPath, Helper())) << read.TargetPath;
    EXPECT_TRUE(EqualsNoCase(read.WorkingDirectory, folder)) << read.WorkingDirectory;
    EXPECT_EQ(read.Arguments, "exit 3");
    // The show command is stored in the file's header (offset 0x3C); Wine 8's
    // shell link object does not hand it back after loading, so the read is
    // checked against the file itself and the routine against the read.
    std::ifstream raw(lnk, std::ios::binary);
    char header[0x40] = {};
    raw.read(header, sizeof header);
    EXPECT_EQ(header[0x3C], 3);

    std::int32_t show = 0;
    const std::string line = ShortcutCommandLine(links, lnk, show);
    EXPECT_TRUE(EqualsNoCase(line, Helper() + " exit 3")) << line;
    EXPECT_EQ(show, read.ShowCommand);
    Runner r;
    EXPECT_TRUE(RunCommand(r.processes, r.clock, r.message, line, static_cast<std::int16_t>(show), false, 0));

    EXPECT_FALSE(links.ReadShortcut(folder + "\\none.lnk", read));
    EXPECT_EQ(ShortcutCommandLine(links, folder + "\\none.lnk", show), "");
}

class UsDates final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return "1/1/2000 10:00:00 AM"; }
};

TEST(CommandFilesWine, SavesReplaceThePairOnDiskAndKeepThePreviousAsTheBackup) {
    Win32FileSystem files;
    Win32Clock clock;
    UsDates regional;
    testing::ScriptedUserInteraction ui;
    ScratchFolder scratch("ambrel_data");
    const std::string& dir = scratch.Path();
    CreateDirectoryA((dir + "\\Data").c_str(), nullptr);
    AppIdentity app{"Ambrel 2.0", dir, "Ambrel"};
    cLogger logger(files, clock, regional, ui, app);
    const CommandFileNames names = SetCommandFiles(false, dir, "alice");

    auto pair = [](const std::string& line) {
        CommandPair c;
        c.Settings = NewCommandSettings(DateSerial(2000, 1, 1));
        c.Strings.CommandLine = line;
        return c;
    };
    ASSERT_TRUE(SaveCommandList(files, logger, ui, clock, "Ambrel", names, {pair("old")}, "corvane"));
    ASSERT_TRUE(SaveCommandList(files, logger, ui, clock, "Ambrel", names, {pair("new1"), pair("new2")}, "corvane"));
    EXPECT_TRUE(ui.Boxes.empty());

    std::vector<std::string> loaded;
    auto sink = [&](int, const CommandSettings&, const CommandStrings& s) { loaded.push_back(s.CommandLine); };
    LoadResult result = LoadCommandList(files, logger, names, sink, "corvane");
    EXPECT_TRUE(result.Completed);
    EXPECT_EQ(loaded, (std::vector<std::string>{"new1", "new2"}));

    CommandFileNames backup = names;
    backup.Settings = names.BackupSettings;
    backup.Strings = names.BackupStrings;
    loaded.clear();
    LoadCommandList(files, logger, backup, sink, "corvane");
    EXPECT_EQ(loaded, std::vector<std::string>{"old"});

    std::vector<std::string> left;
    ASSERT_TRUE(files.ListFiles(dir + "\\Data", left));
    EXPECT_EQ(left, (std::vector<std::string>{"alice.sdd", "alice.sdd.bak", "alice.sds", "alice.sds.bak"}));

    // A run recorded in place.
    long error = 0;
    {
        auto sdd = files.Open(names.Settings, FileMode::Random, error);
        ASSERT_TRUE(sdd);
        CommandSettings counted = NewCommandSettings(DateSerial(2000, 1, 2));
        counted.RunCount = 2;
        RewriteCommandSettings(*sdd, 1, counted, "Ambrel");
        EXPECT_EQ(sdd->Size(), 64u);
    }
    std::vector<CommandSettings> settings;
    LoadCommandList(files, logger, names, [&](int, const CommandSettings& s, const CommandStrings&) {
        settings.push_back(s);
    }, "Ambrel");
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0].RunCount, 0);
    EXPECT_EQ(settings[1].RunCount, 2);

    // What the security adapter reads of the saved pair and its folder: the
    // program's own account as owner (Wine's user, an administrator), one
    // link, the final path in the folder; and the names of accounts.
    const FileIdentity me = files.Identity();
    EXPECT_EQ(me.UserSid.rfind("S-1-5-21-", 0), 0u) << me.UserSid;
    EXPECT_TRUE(me.Administrator);
    EXPECT_EQ(files.AccountName(kSidAdministrators), "BUILTIN\\Administrators");
    EXPECT_EQ(files.AccountName("S-1-5-21-1-2-3-4242"), "S-1-5-21-1-2-3-4242") << "nobody known by that SID";
    ObjectSecurity folder, file;
    ASSERT_TRUE(files.FolderSecurity(dir + "\\Data", folder, error));
    EXPECT_TRUE(folder.Kept && !folder.ReparsePoint);
    ASSERT_TRUE(files.Open(names.Strings, FileMode::Read, error)->Security(file));
    EXPECT_EQ(file.OwnerSid, me.UserSid);
    EXPECT_EQ(file.Links, 1u);
    EXPECT_EQ(LCase(file.FinalPath), LCase(LCase(folder.FinalPath) + "\\alice.sds"));
    TrustContext context{me, false, folder.FinalPath, nullptr};
    EXPECT_EQ(DistrustReason(file, TrustedKind::ListFile, context), "");
}

// A mutex belongs to a thread, and its owner may take it again: the other
// holder is always another thread here.
bool AcquireElsewhere(Win32CommandListLock& lock, std::uint32_t timeoutMs, bool release = true) {
    bool had = false;
    std::thread other([&] {
        had = lock.Acquire(timeoutMs);
        if (had && release) lock.Release();
    });
    other.join();
    return had;
}

TEST(CommandListLockWine, OneHolderAtATimeInASessionAndAcrossSessions) {
    const std::string name = "Ambrel.Test.CommandList.Lock." + std::to_string(GetCurrentProcessId());
    Win32CommandListLock first("", name.c_str()), second("", name.c_str());

    ASSERT_TRUE(first.Acquire(0));
    EXPECT_FALSE(AcquireElsewhere(second, 200)) << "held by the first";
    first.Release();
    EXPECT_TRUE(AcquireElsewhere(second, 0)) << "free once released";

    // The holder's thread ends without releasing it.
    EXPECT_TRUE(AcquireElsewhere(first, 0, false));
    ASSERT_TRUE(second.Acquire(2000)) << "abandoned";
    second.Release();

    // Programs of two sessions each have a mutex of their own session, and
    // meet at the data folder's lock file.
    ScratchFolder scratch("ambrel_lock");
    const std::string file = scratch.Path() + "\\ambrel.lock";
    Win32CommandListLock here(file, (name + ".a").c_str()), there(file, (name + ".b").c_str());
    ASSERT_TRUE(here.Acquire(0));
    EXPECT_TRUE(here.Acquire(0)) << "taken again by its holder";
    here.Release();
    EXPECT_FALSE(AcquireElsewhere(there, 200)) << "still held once";
    here.Release();
    EXPECT_TRUE(AcquireElsewhere(there, 1000)) << "free once released";
    {
        // A program that ends holding it: the system lets go with its handle.
        Win32CommandListLock gone(file, (name + ".c").c_str());
        ASSERT_TRUE(gone.Acquire(0));
        EXPECT_FALSE(AcquireElsewhere(there, 100));
    }
    EXPECT_TRUE(AcquireElsewhere(there, 1000)) << "free once its holder is gone";
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "the lock file was made";
}

}  // namespace
}  // namespace ambrel
