// The end-to-end driver's hands inside a Wine session: prepares options and
// command lists through the project's own code, finds and reads windows of
// the monitor (list-view rows through the monitor's memory, since list-view
// messages cannot carry pointers across processes), presses buttons, answers
// message boxes, and leaves traces for the scenarios to check.
//
//   e2e_tool options KEY=VALUE ...        store options (defaults first)
//   e2e_tool commands DIR LISTFILE        write DIR\Data's command list
//   e2e_tool dump DIR                     print the stored command list
//   e2e_tool dump-all DIR                 print every field of every stored command
//   e2e_tool FromTelvix N                 (as Ambrel.exe) record the command line in C:\standin.txt
//   e2e_tool weekday                      print today's day of the week, 1 for Sunday
//   e2e_tool wait-dialog TITLE MS         print the handle of the dialog of that title
//   e2e_tool trace FILE TEXT              append a line to FILE
//   e2e_tool sleep MS
//   e2e_tool wait-window CLASS MS         print the window's handle
//   e2e_tool wait-gone HWND MS            wait until the window is gone
//   e2e_tool registry-hwnd                print AmbrelHwnd
//   e2e_tool rows HWND                    print the execute list's rows
//   e2e_tool select HWND ROW              select a row (1-based)
//   e2e_tool dblclick HWND ROW            double-click a row
//   e2e_tool click HWND CAPTION           press the window's button
//   e2e_tool keys HWND KEYS               type keys into the window ("tab shift+tab alt+x enter")
//   e2e_tool focus HWND                   print the caption of the control with the keyboard focus
//   e2e_tool clipboard "HEX ..."          put the bytes (hexadecimal, blank-separated) on the clipboard as text
//   e2e_tool box TEXT BUTTON MS           answer a message box (prints its handle, title, text)
//   e2e_tool post HWND MESSAGE [WPARAM]   post a message (lParam 0, wParam 0 unless given)
//   e2e_tool send HWND MESSAGE [W [L]]    send a message, print its result once the window has handled it
//   e2e_tool set-sddl FILE SDDL           set the file's access list from an SDDL text
//   e2e_tool show HWND                    restore a minimised window
//   e2e_tool visible HWND                 print 1 when the window is visible
//   e2e_tool tray HWND                    exit 0 when the window has a tray icon
//   e2e_tool status HWND                  print the status bar's text
//   e2e_tool helper-window FILE TITLE     a window that records the end of the session
//   e2e_tool decoy-monitor FILE           a window of the monitor's class in another program, recording what it gets
//   e2e_tool fake-dialog TITLE FILE       a "#32770" dialog titled TITLE; FILE records its showing and closing
//   e2e_tool spin-find TITLE SECONDS      look for a dialog without a pause (the benchmark's comparison)
//   e2e_tool replace-latency N TITLE      show a stand-in dialog N times; print the median and worst ms to its replacement
//   e2e_tool placement HWND               print a window's visible and topmost flags, its rectangle and the screen's size
//   e2e_tool wait-title TITLE MS          print the handle of the top-level window of that title
//   e2e_tool control HWND ID              print a control's enabled and visible flags and its value
//   e2e_tool caption HWND ID              print a control's visible flag and its text
//   e2e_tool set HWND ID VALUE            change a control as the user does, then leave it
//   e2e_tool press HWND ID                click a button without waiting (for one that opens a box)
//   e2e_tool tab HWND N                   click tab N (1-based) of the window's tab strip
//   e2e_tool toolbar HWND N               press button N (1-based) of the window's toolbar
//   e2e_tool option NAME [hkcu]           print a stored option's type and value
//   e2e_tool shortcut PATH                print a shortcut's target, working folder and arguments, one a line
//   e2e_tool windows-of CLASS             print each top-level window of that class: handle, process id, title
//   e2e_tool hold-file PATH SECONDS       keep a file open for reading, shared for reading only, then let it go
//   e2e_tool make-shortcuts N            make N shortcuts in the user's Shutdown folder, each running trace
//   e2e_tool end-session-latency HWND     ask HWND whether the session may end; print the ms until it shows
//   e2e_tool read-options                 print every option as the monitor reads it, Name=value

#include <windows.h>
#include <aclapi.h>
#include <commctrl.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "shared/CommandFiles.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/cSystemInfo.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"
#include "win32/app_identity_win32.h"
#include "win32/files_win32.h"
#include "win32/registry_win32.h"
#include "win32/shell_links_win32.h"
#include "win32/system_facts_win32.h"

using namespace ambrel;

namespace {

HWND ParseHwnd(const char* text) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(std::strtoll(text, nullptr, 0))); }

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

int Options(int argc, char** argv) {
    Win32Registry registry;
    cAmbrelOptions options(registry, LoadAppIdentity("Ambrel"));
    options.GetOptions(true);
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto eq = arg.find('=');
        if (eq == std::string::npos) return 2;
        std::string key = arg.substr(0, eq), value = arg.substr(eq + 1);
        bool flag = value == "T" || value == "1" || value == "-1";
        if (key == "AllUsersUseSame") options.AllUsersUseSame(flag);
        else if (key == "QueryClose") options.QueryClose(flag);
        else if (key == "ShutdownOption") options.ShutdownOption(static_cast<std::int16_t>(std::atoi(value.c_str())));
        else if (key == "ForceLogoff") options.ForceLogoff(flag);
        else if (key == "PowerOff") options.PowerOff(flag);
        else if (key == "AllowUsersToDisable") options.AllowUsersToDisable(flag);
        else if (key == "WinShutdownType") options.WinShutdownType(value);
        else if (key == "RunCommands") options.RunCommands(value);
        else if (key == "RunMinimized") options.RunMinimized(value);
        else if (key == "ShutWindowsOnTime") options.ShutWindowsOnTime(flag);
        else if (key == "ShutWindowsTime") options.ShutWindowsTime(value);
        else if (key == "TimeOutPrograms") options.TimeOutPrograms(flag);
        else if (key == "TimeOutProgramMinutes") options.TimeOutProgramMinutes(value);
        else if (key == "Logging") options.Logging(static_cast<std::int16_t>(std::atoi(value.c_str())));
        else if (key == "LogDir") options.LogDir(value);
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    options.SaveOptions();
    return 0;
}

class SilentRegional final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return ""; }
};

// The command file names the monitor will choose for this prefix's options.
CommandFileNames NamesFor(const std::string& dir) {
    Win32Registry registry;
    Win32SystemFacts facts;
    cAmbrelOptions options(registry, LoadAppIdentity("Ambrel"));
    bool allUsers = true;
    if (options.GetOptions(false)) allUsers = options.AllUsersUseSame();
    cSystemInfo system(registry, facts);
    return SetCommandFiles(allUsers, dir, system.logonName());
}

// One command a line, fields separated by '|':
//   command line | Run | WindowStyle | ShowMessageWhen | MessageStyle |
//   LastRunDate as days from today | RunCount | RunFrequency | RunLimit |
//   RunDay | RunYearDay | Action1 | Action2 | Action3 | MessageText |
//   UserAction1 | UserAction2 | UserAction3
// RunDay may be "today-weekday", "today-day" or "today-month", and
// RunYearDay "today-day", for commands due today (or "other-..." for not).
int Commands(const std::string& dir, const std::string& listFile) {
    Win32FileSystem files;
    Win32Clock clock;
    SilentRegional regional;
    Win32UserInteraction ui;
    AppIdentity app = LoadAppIdentity("Ambrel");
    cLogger logger(files, clock, regional, ui, app);
    CreateDirectoryA((dir + "\\Data").c_str(), nullptr);
    double today = DateOnly(clock.Now());
    DateParts parts = SplitDate(today);
    auto day = [&](const std::string& text) -> std::int16_t {
        if (text == "today-weekday") return static_cast<std::int16_t>(Weekday(today));
        if (text == "other-weekday") return static_cast<std::int16_t>(Weekday(today) % 7 + 1);
        if (text == "today-day") return static_cast<std::int16_t>(parts.Day);
        if (text == "other-day") return static_cast<std::int16_t>(parts.Day % 28 + 1);
        if (text == "today-month") return static_cast<std::int16_t>(parts.Month);
        return static_cast<std::int16_t>(std::atoi(text.c_str()));
    };
    std::ifstream in(listFile);
    std::string line;
    std::vector<CommandPair> commands;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        auto f = Split(line, '|');
        f.resize(18);
        CommandPair c;
        c.Strings.CommandLine = f[0];
        auto num = [&](int i, int fallback) { return static_cast<std::int16_t>(f[i].empty() ? fallback : std::atoi(f[i].c_str())); };
        c.Settings.Run = num(1, 1);
        c.Settings.WindowStyle = num(2, 2);
        c.Settings.ShowMessageWhen = num(3, 0);
        c.Settings.MessageStyle = num(4, 0);
        c.Settings.LastRunDate = today + num(5, -1);
        c.Settings.RunCount = num(6, 0);
        c.Settings.RunFrequency = num(7, 1);
        c.Settings.RunLimit = num(8, 0);
        c.Settings.RunDay = day(f[9]);
        c.Settings.RunYearDay = day(f[10]);
        c.Settings.Action1 = num(11, 1);
        c.Settings.Action2 = num(12, 2);
        c.Settings.Action3 = num(13, 3);
        c.Strings.MessageText = f[14];
        c.Strings.UserAction1 = f[15];
        c.Strings.UserAction2 = f[16];
        c.Strings.UserAction3 = f[17];
        commands.push_back(c);
    }
    return SaveCommandList(files, logger, ui, clock, app.Title, NamesFor(dir), commands, "e2e_tool") ? 0 : 1;
}

// Every field of every command, as the loader reads it: the settings in
// their record order, then the five strings.
void DumpAll(const CommandSettings& s, const CommandStrings& t, double today) {
    std::printf("%d %d %d %d %d %d %d %d %d %d %d %d %d|%s|%s|%s|%s|%s\n", s.Run, s.WindowStyle, s.ShowMessageWhen,
                s.MessageStyle, static_cast<int>(s.LastRunDate - today), s.RunCount, s.RunFrequency, s.RunLimit,
                s.RunDay, s.RunYearDay, s.Action1, s.Action2, s.Action3, t.CommandLine.c_str(),
                t.MessageText.c_str(), t.UserAction1.c_str(), t.UserAction2.c_str(), t.UserAction3.c_str());
}

int Dump(const std::string& dir, bool all = false) {
    Win32FileSystem files;
    Win32Clock clock;
    SilentRegional regional;
    Win32UserInteraction ui;
    cLogger logger(files, clock, regional, ui, LoadAppIdentity("Ambrel"));
    double today = DateOnly(clock.Now());
    LoadCommandList(files, logger, NamesFor(dir),
                    [&](int index, const CommandSettings& s, const CommandStrings& t) {
                        if (all) return DumpAll(s, t, today);
                        std::printf("%d|%s|%d|%d|%d\n", index, t.CommandLine.c_str(), s.Run, s.RunCount,
                                    static_cast<int>(s.LastRunDate - today));
                    },
                    "e2e_tool");
    return 0;
}

int Trace(const std::string& file, const std::string& text) {
    // Opened for appending under a retry: commands of one run may race.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE h = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            std::string line = text + "\r\n";
            DWORD written = 0;
            WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(h);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}

int WaitWindow(const char* className, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
        if (HWND w = FindWindowA(className, nullptr)) {
            std::printf("%lld\n", static_cast<long long>(reinterpret_cast<LONG_PTR>(w)));
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

int WaitGone(HWND w, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
        if (!IsWindow(w)) return 0;
        Sleep(50);
    }
    return 1;
}

// The first window below `window` (at any depth) that `match` accepts.
template <typename Match>
HWND Descendant(HWND window, Match match) {
    struct Search {
        Match* match;
        HWND found;
    } search{&match, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (!(*s->match)(child)) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND OfClass(HWND window, const char* className) {
    return Descendant(window, [className](HWND child) {
        char name[64] = "";
        GetClassNameA(child, name, sizeof name);
        return lstrcmpiA(name, className) == 0;
    });
}

HWND ControlOf(HWND window, int id) {
    return Descendant(window, [id](HWND child) { return GetDlgCtrlID(child) == id; });
}

HWND ListOf(HWND window) { return OfClass(window, WC_LISTVIEWA); }

// A buffer in the monitor's address space, for list-view messages that carry pointers.
struct Remote {
    explicit Remote(HWND window) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        memory = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~Remote() {
        VirtualFreeEx(process, memory, 0, MEM_RELEASE);
        CloseHandle(process);
    }
    template <typename T>
    void Put(std::size_t offset, const T& value) {
        WriteProcessMemory(process, memory + offset, &value, sizeof value, nullptr);
    }
    template <typename T>
    T Get(std::size_t offset) {
        T value{};
        ReadProcessMemory(process, memory + offset, &value, sizeof value, nullptr);
        return value;
    }
    std::string Text(std::size_t offset) {
        char buffer[1024] = {};
        ReadProcessMemory(process, memory + offset, buffer, sizeof buffer - 1, nullptr);
        return buffer;
    }
    HANDLE process;
    char* memory;
};

int Rows(HWND window) {
    HWND list = ListOf(window);
    if (!list) return 1;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    Remote remote(list);
    for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < 4; ++column) {
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = row;
            item.iSubItem = column;
            item.pszText = remote.memory + 1024;
            item.cchTextMax = 1024;
            remote.Put(0, item);
            SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.memory));
            std::string text = remote.Text(1024);
            if (column == 0) line += std::to_string(remote.Get<LVITEMA>(0).iImage + 1) + "|";
            line += text + (column < 3 ? "|" : "");
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int Select(HWND window, int row) {
    HWND list = ListOf(window);
    Remote remote(list);
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Put(0, item);
    SendMessageA(list, LVM_SETITEMSTATE, row - 1, reinterpret_cast<LPARAM>(remote.memory));
    return 0;
}

int DoubleClick(HWND window, int row) {
    Select(window, row);
    HWND list = ListOf(window);
    Remote remote(list);
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    remote.Put(0, bounds);
    SendMessageA(list, LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(remote.memory));
    bounds = remote.Get<RECT>(0);
    LPARAM at = MAKELPARAM(bounds.left + 8, (bounds.top + bounds.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    return 0;
}

HWND ButtonOf(HWND window, const std::string& caption) {
    HWND found = nullptr;
    struct Search {
        const std::string* caption;
        HWND* found;
    } search{&caption, &found};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            char className[32] = "", text[256] = "";
            GetClassNameA(child, className, sizeof className);
            GetWindowTextA(child, text, sizeof text);
            if (lstrcmpiA(className, "Button") == 0 && *s->caption == text) {
                *s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return found;
}

// The keyboard as the user has it: the window is brought to the front and
// each of KEYS (blank-separated: tab, enter, space, end, backspace, f1 or a letter,
// each after shift+, ctrl+ or alt+ as wanted)
// is typed, a moment apart, so the window's own loop reads them as typing.
int Keys(HWND window, const std::string& typed) {
    if (!IsWindow(window)) return 1;
    SetForegroundWindow(window);
    Sleep(200);
    std::string rest = typed + " ";
    for (std::size_t at = 0, next; (next = rest.find(' ', at)) != std::string::npos; at = next + 1) {
        std::string key = rest.substr(at, next - at);
        if (key.empty()) continue;
        std::vector<WORD> held;
        if (key.rfind("shift+", 0) == 0) held.push_back(VK_SHIFT), key = key.substr(6);
        if (key.rfind("ctrl+", 0) == 0) held.push_back(VK_CONTROL), key = key.substr(5);
        if (key.rfind("alt+", 0) == 0) held.push_back(VK_MENU), key = key.substr(4);
        WORD vk = 0;
        if (key == "tab") vk = VK_TAB;
        else if (key == "end") vk = VK_END;
        else if (key == "backspace") vk = VK_BACK;
        else if (key == "f1") vk = VK_F1;
        else if (key == "enter") vk = VK_RETURN;
        else if (key == "space") vk = VK_SPACE;
        else if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0])))
            vk = static_cast<WORD>(std::toupper(static_cast<unsigned char>(key[0])));
        else return 2;
        std::vector<INPUT> inputs;
        auto add = [&inputs](WORD code, bool up) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = code;
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        };
        for (WORD h : held) add(h, false);
        add(vk, false);
        add(vk, true);
        for (auto h = held.rbegin(); h != held.rend(); ++h) add(*h, true);
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        Sleep(300);
    }
    return 0;
}

// Puts text on the clipboard, given as hexadecimal bytes ("41 7f 42").
int Clipboard(const std::string& hex) {
    std::string text;
    std::istringstream bytes(hex);
    for (std::string byte; bytes >> byte;) text += static_cast<char>(std::strtol(byte.c_str(), nullptr, 16));
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return CloseClipboard(), 1;
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    const bool put = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    return put ? 0 : 1;
}

// The caption of the control that has the keyboard focus in the window's
// thread (another program's focus is read through its thread's state).
int Focus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return 1;
    char caption[256] = "";
    if (info.hwndFocus) GetWindowTextA(info.hwndFocus, caption, sizeof caption);
    std::printf("%s\n", caption);
    return 0;
}

int Click(HWND window, const std::string& caption) {
    HWND button = ButtonOf(window, caption);
    if (!button) return 1;
    // Posted, so a handler that runs a long while does not hold the driver.
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return 0;
}

std::string DialogText(HWND dialog) {
    std::string text;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "", buffer[1024] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0) continue;
        GetWindowTextA(child, buffer, sizeof buffer);
        text += buffer;
    }
    return text;
}

int Box(const std::string& text, const std::string& button, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
        HWND dialog = nullptr;
        while ((dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr))) {
            std::string shown = DialogText(dialog);
            if (shown.find(text) == std::string::npos) continue;
            char title[256] = "";
            GetWindowTextA(dialog, title, sizeof title);
            std::printf("%lld\n%s\n%s\n", static_cast<long long>(reinterpret_cast<LONG_PTR>(dialog)), title,
                        shown.c_str());
            std::fflush(stdout);
            HWND b = ButtonOf(dialog, button);
            if (!b) return 3;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), reinterpret_cast<LPARAM>(b));
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

int RegistryHwnd() {
    Win32Registry registry;
    cAmbrelOptions options(registry, LoadAppIdentity("Ambrel"));
    std::printf("%d\n", options.AmbrelHandle());
    return 0;
}

int Tray(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "Ambrel");
    // Modifying an icon succeeds only when it is there.
    return Shell_NotifyIconA(NIM_MODIFY, &data) ? 0 : 1;
}

int Status(HWND window) {
    HWND bar = FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr);
    if (!bar) return 1;
    Remote remote(bar);
    SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote.memory));
    std::printf("%s\n", remote.Text(0).c_str());
    return 0;
}

int WaitTitle(const std::string& title, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
        if (HWND w = FindWindowA(nullptr, title.c_str())) {
            std::printf("%lld\n", static_cast<long long>(reinterpret_cast<LONG_PTR>(w)));
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

std::string ClassOf(HWND control) {
    char name[64] = "";
    GetClassNameA(control, name, sizeof name);
    return name;
}

// WM_GETTEXT itself: GetWindowText does not ask a window of another process,
// and an edit keeps its text to itself.
std::string WindowText(HWND control) {
    char text[1024] = "";
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool IsCheckable(HWND button) {
    LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
}

// "E V value": enabled and visible (1 or 0), then the check state of a check
// box or option button, a combo box's chosen index and items, a list box's
// lines, or the text.
int Control(HWND window, int id) {
    HWND control = ControlOf(window, id);
    if (!control) return 1;
    std::string value;
    std::string kind = ClassOf(control);
    if (lstrcmpiA(kind.c_str(), "Button") == 0 && IsCheckable(control)) {
        value = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    } else if (lstrcmpiA(kind.c_str(), "ComboBox") == 0) {
        int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
        value = std::to_string(static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
        for (int i = 0; i < count; ++i) {
            // The wide message: Wine carries its text across processes whole.
            wchar_t item[256] = L"";
            SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            char narrow[256] = "";
            WideCharToMultiByte(CP_ACP, 0, item, -1, narrow, sizeof narrow, nullptr, nullptr);
            value += std::string("|") + narrow;
        }
    } else if (lstrcmpiA(kind.c_str(), "ListBox") == 0) {
        int count = static_cast<int>(SendMessageA(control, LB_GETCOUNT, 0, 0));
        value = std::to_string(count);
        for (int i = 0; i < count; ++i) {
            char item[512] = "";
            SendMessageA(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
            value += std::string("|") + item;
        }
    } else {
        value = WindowText(control);
    }
    std::printf("%d %d %s\n", IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0, value.c_str());
    return 0;
}

// Check boxes and option buttons are clicked (when not already so); an edit
// gets the text and then loses the focus; a combo box gets the index and
// tells its dialog as a choice of the user's does.
int Set(HWND window, int id, const std::string& value) {
    HWND control = ControlOf(window, id);
    if (!control) return 1;
    HWND parent = GetParent(control);
    std::string kind = ClassOf(control);
    if (lstrcmpiA(kind.c_str(), "Button") == 0) {
        bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (!IsCheckable(control) || checked != (value == "1")) SendMessageA(control, BM_CLICK, 0, 0);
    } else if (lstrcmpiA(kind.c_str(), "ComboBox") == 0) {
        SendMessageA(control, CB_SETCURSEL, std::atoi(value.c_str()), 0);
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(control));
    }
    return 0;
}

int Tab(HWND window, int index) {
    HWND tabs = OfClass(window, WC_TABCONTROLA);
    if (!tabs) return 1;
    Remote remote(tabs);
    SendMessageA(tabs, TCM_GETITEMRECT, index - 1, reinterpret_cast<LPARAM>(remote.memory));
    RECT r = remote.Get<RECT>(0);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    return 0;
}

int ToolbarButton(HWND window, int index) {
    HWND bar = OfClass(window, TOOLBARCLASSNAMEA);
    if (!bar) return 1;
    Remote remote(bar);
    SendMessageA(bar, TB_GETBUTTON, index - 1, reinterpret_cast<LPARAM>(remote.memory));
    TBBUTTON button = remote.Get<TBBUTTON>(0);
    PostMessageA(GetParent(bar), WM_COMMAND, MAKEWPARAM(button.idCommand, BN_CLICKED), reinterpret_cast<LPARAM>(bar));
    return 0;
}

int StoredOption(const std::string& name, bool currentUser) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, "Software\\Ambrel 2.0\\Options", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return 1;
    BYTE data[1024] = {};
    DWORD type = 0, size = sizeof data - 1;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return 1;
    if (type == REG_DWORD) {
        std::int32_t number = 0;
        std::memcpy(&number, data, sizeof number);
        std::printf("dword|%d\n", number);
    } else {
        std::printf("%s|%s\n", type == REG_SZ ? "sz" : "other", reinterpret_cast<char*>(data));
    }
    return 0;
}

// The options record as the monitor loads it: booleans as true/false, the
// rest as read. Exit 1 when no options are stored, 3 when they cannot be read.
int ReadOptions() {
    Win32Registry registry;
    cAmbrelOptions o(registry, LoadAppIdentity("Ambrel"));
    try {
        if (!o.GetOptions(false)) return 1;
    } catch (...) {
        return 3;
    }
    auto flag = [](bool v) { return v ? "true" : "false"; };
    std::printf("AllUsersUseSame=%s\nQueryClose=%s\nShutdownOption=%d\nShutdownDialogTitle=%s\n",
                flag(o.AllUsersUseSame()), flag(o.QueryClose()), o.ShutdownOption(), o.ShutdownDialogTitle().c_str());
    std::printf("ForceLogoff=%s\nPowerOff=%s\nAllowUsersToDisable=%s\n", flag(o.ForceLogoff()), flag(o.PowerOff()),
                flag(o.AllowUsersToDisable()));
    std::printf("WinShutdownType=%s\nRunCommands=%s\nRunMinimized=%s\n", o.WinShutdownType().c_str(),
                o.RunCommands().c_str(), o.RunMinimized().c_str());
    std::printf("ShutWindowsOnTime=%s\nShutWindowsTime=%s\nTimeOutPrograms=%s\nTimeOutProgramMinutes=%s\n",
                flag(o.ShutWindowsOnTime()), o.ShutWindowsTime().c_str(), flag(o.TimeOutPrograms()),
                o.TimeOutProgramMinutes().c_str());
    std::printf("Logging=%d\nLogDir=%s\n", o.Logging(), o.LogDir().c_str());
    return 0;
}

int MakeShortcuts(int count) {
    Win32Registry registry;
    Win32SystemFacts facts;
    cSystemInfo system(registry, facts);
    const std::string folder = system.StartMenuDir() + "\\Shutdown";
    CreateDirectoryA(folder.c_str(), nullptr);
    Win32ShellLinks links;
    for (int i = 0; i < count; ++i) {
        ShortcutFields fields;
        fields.TargetPath = "C:\\Ambrel\\e2e_tool.exe";
        fields.Arguments = "trace C:\\trace.txt shortcut" + std::to_string(i);
        fields.WorkingDirectory = "C:\\Ambrel";
        if (!links.CreateShortcut(folder + "\\shortcut" + std::to_string(i) + ".lnk", fields)) return 1;
    }
    return 0;
}

// From the system's question whether the session may end (sent from a
// thread of its own, as the system sends it) to the window's showing: what
// Windows and the user wait through before the confirmation.
int EndSessionLatency(HWND window) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::thread([window] {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 600000, &answer);
    }).detach();
    for (int waited = 0; !IsWindowVisible(window); ++waited) {
        if (waited > 60000) return 2;
        Sleep(1);
    }
    QueryPerformanceCounter(&now);
    std::printf("%.1f\n", 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    std::fflush(stdout);
    // The question stays asked until a button answers it.
    ExitProcess(0);
}

// Standing in for the system's Shut Down dialog: a dialog of class "#32770"
// with the given title, which records its showing and its closing.
std::string g_fakeDialogFile;

INT_PTR CALLBACK FakeDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowTextA(hwnd, reinterpret_cast<const char*>(lParam));
        RECT at;
        GetWindowRect(hwnd, &at);
        Trace(g_fakeDialogFile, "at " + std::to_string(at.left) + " " + std::to_string(at.top));
        Trace(g_fakeDialogFile, "shown");
        return TRUE;
    }
    if (message == WM_CLOSE) {
        Trace(g_fakeDialogFile, "closed");
        EndDialog(hwnd, 0);
        return TRUE;
    }
    return FALSE;
}

int FakeDialog(const std::string& title, const std::string& file) {
    g_fakeDialogFile = file;
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu = 0, windowClass = 0, caption = 0;
    } dialog{};
    dialog.header.style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    dialog.header.cx = 200;
    dialog.header.cy = 90;
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.header, nullptr, FakeDialogProc,
                            reinterpret_cast<LPARAM>(title.c_str()));
    return 0;
}

// The naive wait that the benchmark compares the monitor's with: look for
// the window, serve messages, look again, with no pause.
int SpinFind(const std::string& title, int seconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    MSG msg;
    while (GetTickCount() < end) {
        if (FindWindowA("#32770", title.c_str())) return 0;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return 0;
}

// Shows a stand-in for the system's dialog `count` times and measures how
// long the monitor takes to put its own in its place; answers No each time.
int ReplaceLatency(int count, const std::string& title) {
    std::vector<double> ms;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    // The title is in the template, as the system's dialog has it from its creation.
    std::vector<WORD> dialog(sizeof(DLGTEMPLATE) / sizeof(WORD) + 2 + title.size() + 1, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(dialog.data());
    header->style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE;
    header->cx = 200;
    header->cy = 90;
    WORD* caption = dialog.data() + sizeof(DLGTEMPLATE) / sizeof(WORD) + 2;  // after no menu and no class
    for (std::size_t i = 0; i < title.size(); ++i) caption[i] = static_cast<unsigned char>(title[i]);
    auto pump = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    };
    for (int i = 0; i < count; ++i) {
        LARGE_INTEGER start, now;
        HWND system = CreateDialogIndirectParamA(
            GetModuleHandleA(nullptr), header, nullptr,
            [](HWND hwnd, UINT message, WPARAM, LPARAM) -> INT_PTR {
                if (message == WM_CLOSE) {
                    DestroyWindow(hwnd);
                    return TRUE;
                }
                return FALSE;
            },
            0);
        QueryPerformanceCounter(&start);  // made with WS_VISIBLE: on screen now
        HWND replacement = nullptr;
        for (int waited = 0; !replacement && waited < 10000; ++waited) {
            pump();
            replacement = FindWindowA("#32770", "Ambrel - Shut Down Windows");
            if (replacement && !IsWindowVisible(replacement)) replacement = nullptr;
            if (!replacement) Sleep(1);
        }
        QueryPerformanceCounter(&now);
        if (!replacement) return std::printf("no replacement\n"), 1;
        ms.push_back(1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
        PostMessageA(replacement, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        for (int waited = 0; IsWindow(replacement) && waited < 10000; ++waited) {
            pump();
            Sleep(1);
        }
        if (IsWindow(system)) DestroyWindow(system);
        for (int settle = 0; settle < 200; ++settle) {  // the monitor watches again
            pump();
            Sleep(1);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%.1f %.1f\n", ms[ms.size() / 2], ms.back());
    return 0;
}

std::string g_helperFile;

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        Trace(g_helperFile, "WM_QUERYENDSESSION");
        return TRUE;
    }
    if (message == WM_ENDSESSION) {
        Trace(g_helperFile, wParam ? "WM_ENDSESSION 1" : "WM_ENDSESSION 0");
        return 0;
    }
    // A decoy of the monitor records the monitor's private messages.
    if (message == WM_USER + 400 || message == WM_USER + 401) {
        Trace(g_helperFile, "message " + std::to_string(message));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int HelperWindow(const std::string& file, const std::string& title, const char* className = "AmbrelE2eHelper") {
    g_helperFile = file;
    WNDCLASSA wc{};
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    Trace(file, "ready " + std::to_string(reinterpret_cast<LONG_PTR>(window)));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string verb = argv[1];
    auto arg = [&](int i) -> std::string { return i < argc ? argv[i] : ""; };
    if (verb == "options") return Options(argc, argv);
    if (verb == "commands") return Commands(arg(2), arg(3));
    if (verb == "dump") return Dump(arg(2));
    if (verb == "dump-all") return Dump(arg(2), true);
    // Standing in for the monitor: what the launcher started it with.
    if (verb == "FromTelvix") return Trace("C:\\standin.txt", GetCommandLineA());
    if (verb == "weekday") {
        Win32Clock clock;
        return std::printf("%d\n", Weekday(clock.Now())), 0;
    }
    if (verb == "wait-dialog") {
        for (int waited = 0; waited <= std::atoi(arg(3).c_str()); waited += 50) {
            if (HWND w = FindWindowA("#32770", arg(2).c_str())) {
                std::printf("%lld\n", static_cast<long long>(reinterpret_cast<LONG_PTR>(w)));
                return 0;
            }
            Sleep(50);
        }
        return 1;
    }
    if (verb == "trace") return Trace(arg(2), arg(3));
    if (verb == "sleep") return Sleep(static_cast<DWORD>(std::atoi(arg(2).c_str()))), 0;
    if (verb == "wait-window") return WaitWindow(argv[2], std::atoi(arg(3).c_str()));
    if (verb == "wait-gone") return WaitGone(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "registry-hwnd") return RegistryHwnd();
    if (verb == "rows") return Rows(ParseHwnd(argv[2]));
    if (verb == "select") return Select(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "dblclick") return DoubleClick(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "click") return Click(ParseHwnd(argv[2]), arg(3));
    if (verb == "keys") return Keys(ParseHwnd(argv[2]), arg(3));
    if (verb == "focus") return Focus(ParseHwnd(argv[2]));
    if (verb == "clipboard") return Clipboard(arg(2));
    if (verb == "box") return Box(arg(2), arg(3), std::atoi(arg(4).c_str()));
    if (verb == "post")
        return PostMessageA(ParseHwnd(argv[2]), static_cast<UINT>(std::strtoul(arg(3).c_str(), nullptr, 0)),
                            static_cast<WPARAM>(std::strtoul(arg(4).c_str(), nullptr, 0)), 0)
                   ? 0
                   : 1;
    if (verb == "send") {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(ParseHwnd(argv[2]), static_cast<UINT>(std::strtoul(arg(3).c_str(), nullptr, 0)),
                                 static_cast<WPARAM>(std::strtoull(arg(4).c_str(), nullptr, 0)),
                                 static_cast<LPARAM>(std::strtoull(arg(5).c_str(), nullptr, 0)), SMTO_NORMAL, 30000,
                                 &result))
            return 1;
        return std::printf("%llu\n", static_cast<unsigned long long>(result)), 0;
    }
    if (verb == "show") return ShowWindow(ParseHwnd(argv[2]), SW_RESTORE), 0;
    if (verb == "placement") {  // visible, topmost, left, top, right, bottom, then the screen's size
        HWND w = ParseHwnd(argv[2]);
        RECT at{};
        GetWindowRect(w, &at);
        return std::printf("%d %d %ld %ld %ld %ld %d %d\n", IsWindowVisible(w) ? 1 : 0,
                           GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST ? 1 : 0, at.left, at.top, at.right,
                           at.bottom, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
               0;
    }
    if (verb == "visible") return std::printf("%d\n", IsWindowVisible(ParseHwnd(argv[2])) ? 1 : 0), 0;
    if (verb == "tray") return Tray(ParseHwnd(argv[2]));
    if (verb == "status") return Status(ParseHwnd(argv[2]));
    if (verb == "helper-window") return HelperWindow(arg(2), arg(3));
    if (verb == "decoy-monitor") return HelperWindow(arg(2), "Ambrel", "AmbrelMonitor");
    if (verb == "fake-dialog") return FakeDialog(arg(2), arg(3));
    if (verb == "spin-find") return SpinFind(arg(2), std::atoi(arg(3).c_str()));
    if (verb == "replace-latency") return ReplaceLatency(std::atoi(arg(2).c_str()), arg(3));
    if (verb == "wait-title") return WaitTitle(arg(2), std::atoi(arg(3).c_str()));
    if (verb == "control") return Control(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "caption") {
        HWND control = ControlOf(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
        if (!control) return 1;
        return std::printf("%d %s\n", IsWindowVisible(control) ? 1 : 0, WindowText(control).c_str()), 0;
    }
    if (verb == "set") return Set(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()), arg(4));
    if (verb == "press") {
        HWND button = ControlOf(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
        return button && PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (verb == "tab") return Tab(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "toolbar") return ToolbarButton(ParseHwnd(argv[2]), std::atoi(arg(3).c_str()));
    if (verb == "option") return StoredOption(arg(2), arg(3) == "hkcu");
    if (verb == "read-options") return ReadOptions();
    if (verb == "make-shortcuts") return MakeShortcuts(std::atoi(arg(2).c_str()));
    if (verb == "end-session-latency") return EndSessionLatency(ParseHwnd(argv[2]));
    if (verb == "set-sddl") {
        // The access list of an SDDL text on a file, as an administrator sets one.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(arg(3).c_str(), SDDL_REVISION_1, &descriptor,
                                                                  nullptr) ||
            !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
            return 1;
        std::string path = arg(2);
        DWORD result = SetNamedSecurityInfoA(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                             dacl, nullptr);
        LocalFree(descriptor);
        return result == ERROR_SUCCESS ? 0 : 1;
    }
    if (verb == "hold-file") {
        HANDLE held = CreateFileA(arg(2).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(arg(3).c_str())) * 1000);
        CloseHandle(held);
        return 0;
    }
    if (verb == "windows-of") {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, arg(2).c_str(), nullptr));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            std::printf("%lld %lu %s\n", static_cast<long long>(reinterpret_cast<LONG_PTR>(w)), pid,
                        WindowText(w).c_str());
        }
        return 0;
    }
    if (verb == "shortcut") {
        Win32ShellLinks links;
        ShortcutFields fields;
        if (!links.ReadShortcut(arg(2), fields)) return 1;
        return std::printf("%s\n%s\n%s\n", fields.TargetPath.c_str(), fields.WorkingDirectory.c_str(),
                           fields.Arguments.c_str()),
               0;
    }
    std::fprintf(stderr, "unknown verb %s\n", verb.c_str());
    return 2;
}
