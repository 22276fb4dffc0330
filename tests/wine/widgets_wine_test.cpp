// The widget layer against the real common controls under Wine (with a
// display). Each case builds a window, drives the controls through their
// wrappers and, where it matters, through real window messages.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "shared/FileListBox.h"
#include "win32/common_dialog_win32.h"
#include "win32/dialog_controls_win32.h"
#include "win32/files_win32.h"
#include "win32/image_list_win32.h"
#include "win32/list_view_win32.h"
#include "win32/screen_cover_win32.h"
#include "win32/status_bar_win32.h"
#include "win32/tab_strip_win32.h"
#include "win32/toolbar_win32.h"
#include "win32/tray_icon_win32.h"

namespace ambrel {
namespace {

constexpr UINT kTrayMessage = WM_APP + 1;

struct Host {
    ListViewControl list;
    ToolbarControl toolbar;
    TabStripControl tabs;
    StatusBarControl status;
    TrayIconControl tray;
};

Host* g_host = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_host) {
        if (message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (g_host->list.HandleNotify(header) || g_host->tabs.HandleNotify(header) ||
                g_host->toolbar.HandleNotify(header))
                return 0;
        }
        if (message == WM_COMMAND && g_host->toolbar.HandleCommand(wParam, lParam)) return 0;
        if (g_host->tray.HandleMessage(message, wParam, lParam)) return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Widgets : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&init);
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AmbrelWidgetHost";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "AmbrelWidgetHost", "Widgets", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 640, 480,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        g_host = &host;
    }
    void TearDown() override {
        g_host = nullptr;
        DestroyWindow(window);
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    Host host;
    HWND window = nullptr;
};

TEST_F(Widgets, ListViewKeepsRowsTagsIconsAndHiddenColumnAndSortsStably) {
    ImageListControl images;
    ASSERT_TRUE(CreateRunImages(images));
    EXPECT_EQ(images.Count(), 2);

    auto& list = host.list;
    list.Create(window, 100, 0, 0, 600, 300);
    list.SetImageList(images.Handle());
    list.AddColumn("Run ", 60);
    list.AddColumn("Command line", 300);
    list.AddColumn("Priorty", 60);
    list.AddColumn("", 0);
    EXPECT_EQ(ListView_GetColumnWidth(list.Handle(), 3), 0) << "a zero-width column is hidden";

    const char* priorities[] = {"0030", "0010", "0020", "0010"};
    for (int i = 0; i < 4; ++i) {
        int row = list.AddRow(i % 2 ? "No..." : "Yes..", i % 2 ? 2 : 1, std::to_string(i));
        EXPECT_EQ(row, i + 1);
        list.SetSubItem(row, 2, "cmd" + std::to_string(i));
        list.SetSubItem(row, 3, priorities[i]);
        list.SetSubItem(row, 4, "C");
    }
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Text(2), "No...");
    EXPECT_EQ(list.SmallIcon(2), 2);
    EXPECT_EQ(list.SubItem(3, 2), "cmd2");
    EXPECT_EQ(list.SubItem(4, 4), "C");
    EXPECT_EQ(list.Tag(4), "3");
    EXPECT_EQ(list.SelectedRow(), 0);
    list.SelectRow(1);
    EXPECT_EQ(list.SelectedRow(), 1);

    list.SortByColumn(3);
    EXPECT_EQ(list.Tag(1), "1");
    EXPECT_EQ(list.Tag(2), "3") << "equal priorities keep their order";
    EXPECT_EQ(list.Tag(3), "2");
    EXPECT_EQ(list.Tag(4), "0");
    EXPECT_EQ(list.SelectedRow(), 4) << "the selected row moves with its row";
    EXPECT_EQ(list.SmallIcon(2), 2);
    EXPECT_EQ(list.SubItem(2, 2), "cmd3");

    list.SetSmallIcon(2, 1);
    list.SetText(2, "Yes..");
    EXPECT_EQ(list.SmallIcon(2), 1);
    EXPECT_EQ(list.Text(2), "Yes..");

    list.RemoveRow(1);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Tag(1), "3");
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);

    // A list view made from a dialog's template is attached, not created:
    // neither destroys the pictures, which stay their owner's.
    HWND attached = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100, window, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    ListViewControl fromTemplate;
    fromTemplate.Attach(attached);
    fromTemplate.SetImageList(images.Handle());
    DestroyWindow(attached);
    DestroyWindow(list.Handle());
    EXPECT_EQ(ImageList_GetImageCount(images.Handle()), 2) << "a list view destroyed the pictures";
}

TEST_F(Widgets, ListViewDoubleClickReachesTheHandler) {
    auto& list = host.list;
    list.Create(window, 100, 0, 0, 600, 300);
    list.AddColumn("Run ", 60);
    list.AddRow("Yes..", 1, "0");
    int clicks = 0;
    list.OnDblClick = [&] { ++clicks; };
    RECT item{};
    item.left = LVIR_BOUNDS;
    SendMessageA(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(list.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(clicks, 1);
}

TEST_F(Widgets, ToolbarButtonsAreKnownByKeyAndCanBeHidden) {
    auto& toolbar = host.toolbar;
    toolbar.Create(window, 101, 0, 0, 100, 30);
    toolbar.AddButton("UpPriorty", 0, "Move up");
    toolbar.AddButton("DownPriorty", 1, "Move down");
    std::string pressed;
    toolbar.OnButtonClick = [&](const std::string& key) { pressed += key + ";"; };

    RECT button{};
    SendMessageA(toolbar.Handle(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&button));
    LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    SendMessageA(toolbar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(toolbar.Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    toolbar.Click("UpPriorty");
    EXPECT_EQ(pressed, "DownPriorty;UpPriorty;");

    toolbar.Visible(false);
    EXPECT_FALSE(toolbar.Visible());
    toolbar.Visible(true);
    EXPECT_TRUE(toolbar.Visible());
}

TEST_F(Widgets, TabStripAndStatusBar) {
    auto& tabs = host.tabs;
    tabs.Create(window, 102, 0, 0, 500, 200);
    tabs.AddTab("General", "General options");
    tabs.AddTab("Commands", "The command list");
    tabs.AddTab("Logging", "Log file");
    EXPECT_EQ(tabs.TabCount(), 3);
    EXPECT_EQ(tabs.Caption(2), "Commands");
    EXPECT_EQ(tabs.ToolTip(3), "Log file");
    int clicked = 0;
    tabs.OnClick = [&] { clicked = tabs.SelectedIndex(); };

    RECT tab{};
    SendMessageA(tabs.Handle(), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&tab));
    LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    SendMessageA(tabs.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs.Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(clicked, 3) << "a click on the third tab selects it";

    auto& status = host.status;
    status.Create(window, 103);
    status.SetPanels({300, 400, -1});
    EXPECT_EQ(status.PanelCount(), 3);
    status.SetText(1, "Waiting for Windows to shut down...");
    EXPECT_EQ(status.Text(1), "Waiting for Windows to shut down...");
    status.ShowTimeAndDate(2, 3);
    EXPECT_FALSE(status.Text(2).empty());
    EXPECT_FALSE(status.Text(3).empty());
}

TEST_F(Widgets, TrayIconShowsReportsAnyButtonAndComesBackWithTheShell) {
    auto& tray = host.tray;
    tray.Attach(window, kTrayMessage);
    tray.TrayIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIconAmbrel)));
    tray.TrayTip("Ambrel");
    ASSERT_TRUE(tray.InTray(true));
    EXPECT_TRUE(tray.InTray());

    int buttons = 0;
    tray.OnMouseDown = [&](int button) { buttons |= button; };
    SendMessageA(window, kTrayMessage, 1, WM_RBUTTONDOWN);
    SendMessageA(window, kTrayMessage, 1, WM_LBUTTONDOWN);
    SendMessageA(window, kTrayMessage, 1, WM_MOUSEMOVE);
    EXPECT_EQ(buttons, 3);

    // The shell restarted: the icon is added again (a second NIM_ADD of the
    // same icon would fail if it were still there, so remove it first).
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &data);
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data)) << "the icon was there again";
    EXPECT_TRUE(tray.InTray(false));
    EXPECT_FALSE(tray.InTray());
}

TEST_F(Widgets, OpenFileDialogReturnsTheChosenFileOrNothing) {
    EXPECT_EQ(OpenFileFilter("Programs | *.exe | All | *.*"), std::string("Programs\0*.exe\0All\0*.*\0\0", 24));
    std::string file = "C:\\chosen.txt";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);

    // A second thread plays the user in the dialog.
    auto answer = [](bool accept) {
        return std::thread([accept] {
            for (int i = 0; i < 200; ++i) {
                HWND dialog = FindWindowA("#32770", "Pick one");
                if (dialog) {
                    if (accept) {
                        HWND edit = GetDlgItem(dialog, 0x47C);  // the file name box
                        if (HWND inner = FindWindowExA(edit, nullptr, "Edit", nullptr)) edit = inner;
                        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\chosen.txt"));
                        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                    } else {
                        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                    }
                    return;
                }
                Sleep(50);
            }
        });
    };
    CommonDialog dialog(window);
    OpenFileRequest request{"Pick one", "Text | *.txt | All | *.*", "C:\\",
                            kOpenHideReadOnly | kOpenPathMustExist | kOpenNoDereferenceLinks};
    std::thread user = answer(true);
    std::string chosen = dialog.ShowOpen(request);
    user.join();
    EXPECT_EQ(chosen, file);
    user = answer(false);
    EXPECT_EQ(dialog.ShowOpen(request), "");
    user.join();
    DeleteFileA(file.c_str());
}

TEST(FileList, ListsVisibleFilesInOrderAndFailsForAMissingFolder) {
    CreateDirectoryA("C:\\ShutdownTest", nullptr);
    for (const char* name : {"b.lnk", "A.bat", "hidden.txt", "system.txt"}) {
        HANDLE h = CreateFileA((std::string("C:\\ShutdownTest\\") + name).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
    SetFileAttributesA("C:\\ShutdownTest\\hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA("C:\\ShutdownTest\\system.txt", FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA("C:\\ShutdownTest\\folder", nullptr);

    Win32FileSystem files;
    FileListBox list(files);
    ASSERT_TRUE(list.Path("C:\\ShutdownTest"));
    ASSERT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.List(0), "A.bat");
    EXPECT_EQ(list.List(1), "b.lnk");
    EXPECT_FALSE(list.Path("C:\\NoSuchFolder"));
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(Widgets, DialogControlsCarryChecksOptionsItemsTextsAndTips) {
    auto make = [this](const char* cls, DWORD style, int id, int y) {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 10, y, 200, 120, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    };
    make("BUTTON", BS_AUTOCHECKBOX, 10, 0);
    for (int i = 0; i < 3; ++i) make("BUTTON", BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0), 20 + i, 20 + 20 * i);
    make("COMBOBOX", CBS_DROPDOWNLIST, 30, 90);
    HWND edit = make("EDIT", ES_AUTOHSCROLL, 40, 120);
    make("LISTBOX", 0, 50, 150);
    const std::vector<int> group{20, 21, 22};

    dlg::Check(window, 10, 1);
    EXPECT_EQ(dlg::Check(window, 10), 1);
    EXPECT_EQ(dlg::Option(window, group), -1);
    dlg::Option(window, group, 2);
    EXPECT_EQ(dlg::Option(window, group), 2);
    SendDlgItemMessageA(window, 20, BM_CLICK, 0, 0);  // the user's click moves the choice
    EXPECT_EQ(dlg::Option(window, group), 0);
    dlg::Option(window, group, -1);
    EXPECT_EQ(dlg::Option(window, group), -1);

    dlg::ComboItems(window, 30, {{"Replace", 1}, {"Cancel", 2}});
    dlg::ListIndex(window, 30, 1);
    EXPECT_EQ(dlg::ItemData(window, 30, dlg::ListIndex(window, 30)), 2);
    dlg::ComboItems(window, 30, {{"Replace", 1}, {"Cancel", 2}});  // the same items keep the choice
    EXPECT_EQ(dlg::ListIndex(window, 30), 1);
    dlg::ComboItems(window, 30, {{"Replace", 1}});
    EXPECT_EQ(SendDlgItemMessageA(window, 30, CB_GETCOUNT, 0, 0), 1);

    dlg::Text(window, 40, "12:00 AM");
    EXPECT_EQ(dlg::Text(window, 40), "12:00 AM");
    dlg::Enable(window, 40, false);
    EXPECT_FALSE(IsWindowEnabled(edit));
    dlg::Show(window, 40, false);
    EXPECT_FALSE(IsWindowVisible(edit));
    dlg::ListLines(window, 50, {"a.lnk", "b.bat"});
    EXPECT_EQ(SendDlgItemMessageA(window, 50, LB_GETCOUNT, 0, 0), 2);

    ToolTips tips;
    tips.Create(window);
    tips.Add(window, 40, "Shutdown Windows at this time");
    EXPECT_EQ(tips.TextOf(edit), "Shutdown Windows at this time");
    EXPECT_EQ(SendMessageA(tips.Handle(), TTM_GETTOOLCOUNT, 0, 0), 1);

    Win32FileSystem files;
    EXPECT_FALSE(files.FolderExists("C:\\NewFolderTest"));
    EXPECT_EQ(files.CreateFolder("C:\\NewFolderTest"), 0);
    EXPECT_TRUE(files.FolderExists("C:\\NewFolderTest"));
    EXPECT_NE(files.CreateFolder("C:\\NewFolderTest"), 0);
    EXPECT_EQ(files.CreateFolder("C:\\No\\Parent"), 76);
    RemoveDirectoryA("C:\\NewFolderTest");
}

// The cover behind the monitor's own Shut Down dialog: over the whole screen,
// in front, and with nothing of it left once it has gone, cycle after cycle.
TEST(ScreenCover, CoversEveryScreenAndLeavesNoHandleBehindAfterAHundredCycles) {
    // Run on one screen and on two (the second to the right of the first,
    // larger): the cover is the virtual screen.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (std::getenv("AMBREL_TWO_SCREENS")) {
        EXPECT_GT(width, GetSystemMetrics(SM_CXSCREEN)) << "the test's second screen is not there";
    }
    for (int cycle = 0; cycle < 100; ++cycle) {
        HWND window;
        HBITMAP picture;
        HDC dc;
        {
            ScreenCover cover;
            cover.Show();
            window = cover.Window();
            picture = cover.Picture();
            dc = cover.PictureDc();
            ASSERT_TRUE(window && picture && dc) << "cycle " << cycle;
            if (cycle == 0) {
                RECT at;
                GetWindowRect(window, &at);
                EXPECT_EQ(at.left, left);
                EXPECT_EQ(at.top, top);
                EXPECT_EQ(at.right, left + width);
                EXPECT_EQ(at.bottom, top + height);
                EXPECT_TRUE(IsWindowVisible(window));
                EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
                EXPECT_EQ(GetObjectType(picture), static_cast<DWORD>(OBJ_BITMAP));
                UpdateWindow(window);
            }
        }
        ASSERT_FALSE(IsWindow(window)) << "cycle " << cycle;
        ASSERT_EQ(GetObjectType(picture), 0u) << "cycle " << cycle;
        ASSERT_EQ(GetObjectType(dc), 0u) << "cycle " << cycle;
    }
    EXPECT_EQ(FindWindowA(ScreenCover::ClassName, nullptr), nullptr);
}

}  // namespace
}  // namespace ambrel
