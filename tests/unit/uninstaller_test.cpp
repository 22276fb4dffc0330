#include <gtest/gtest.h>

#include <algorithm>

#include "doubles/fake_system_facts.h"
#include "doubles/memory_files.h"
#include "doubles/memory_registry.h"
#include "doubles/scripted_ui.h"
#include "uninstaller/frmUninstall.h"

namespace ambrel {
namespace {

using testing::FakeSystemFacts;
using testing::MemoryFileSystem;
using testing::MemoryRegistry;
using testing::ScriptedUserInteraction;

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kPrograms = "C:\\Windows\\Start Menu\\Programs";
constexpr const char* kStartup = "C:\\Windows\\Start Menu\\Programs\\StartUp";

struct FakeView final : IUninstallView {
    void ShowHelp(const std::string& file, unsigned long context) override {
        HelpFile = file;
        HelpContext = context;
    }
    void Close() override { ++Closes; }
    std::string HelpFile;
    unsigned long HelpContext = 0;
    int Closes = 0;
};

// A machine holding everything the programs leave behind, and some things
// of others beside them that must stay.
struct Machine {
    Machine() {
        registry.PutString(kRootCurrentUser, kShellFolders, "Programs", kPrograms);
        registry.PutString(kRootCurrentUser, kShellFolders, "Startup", kStartup);
        for (RegHandle root : {kRootLocalMachine, kRootCurrentUser}) {
            registry.PutString(root, "Software\\Ambrel 2.0\\Options", "QueryClose", "T");
            registry.PutString(root, "Software\\Other", "Kept", "1");
        }
        files.AddFolder("C:\\Ambrel\\Data");
        files.AddFolder(kStartup);
        files.AddFolder(std::string(kPrograms) + "\\Shutdown");
        for (const char* path : {"C:\\Ambrel\\Data\\ambrel.sdd", "C:\\Ambrel\\Data\\ambrel.sds",
                                 "C:\\Ambrel\\Data\\ambrel.log", "C:\\Ambrel\\AMBREL.GID", "C:\\Ambrel\\old.gid",
                                 "C:\\Ambrel\\Ambrel.exe", "C:\\Ambrel\\Pellorin.exe",
                                 "C:\\Windows\\Start Menu\\Programs\\StartUp\\Ambrel.lnk",
                                 "C:\\Windows\\Start Menu\\Programs\\StartUp\\Other.lnk",
                                 "C:\\Windows\\Start Menu\\Programs\\Shutdown\\Backup.lnk",
                                 "C:\\Windows\\Start Menu\\Programs\\Shutdown\\clean.bat",
                                 "C:\\Windows\\Start Menu\\Programs\\Other.lnk"})
            files.AddFile(path, "x");
    }

    frmUninstall& Form() {
        form = std::make_unique<frmUninstall>(ports, view);
        EXPECT_TRUE(form->Form_Load());
        return *form;
    }

    std::vector<std::string> Left() {
        std::vector<std::string> left = files.AllFiles();
        for (const char* folder : {"C:\\Ambrel\\Data", "C:\\Windows\\Start Menu\\Programs\\Shutdown"})
            if (files.FolderExists(folder)) left.push_back(std::string(folder) + "\\");
        for (RegHandle root : {kRootLocalMachine, kRootCurrentUser}) {
            const std::string name = root == kRootLocalMachine ? "HKLM\\" : "HKCU\\";
            for (const char* key : {"Software\\Ambrel 2.0\\Options", "Software\\Ambrel 2.0", "Software\\Other"})
                if (registry.KeyExists(root, key)) left.push_back(name + key);
        }
        std::sort(left.begin(), left.end());
        return left;
    }

    MemoryRegistry registry;
    FakeSystemFacts facts{2, 4, 0};
    MemoryFileSystem files;
    ScriptedUserInteraction ui;
    UninstallPorts ports{registry, facts, files, ui, {"Ambrel 2.0", "C:\\Ambrel", "Pellorin"}};
    FakeView view;
    std::unique_ptr<frmUninstall> form;
};

class Uninstaller : public ::testing::Test, public Machine {};

const std::vector<std::string> kOthers = {
    "C:\\Ambrel\\Ambrel.exe", "C:\\Ambrel\\Pellorin.exe", "C:\\Windows\\Start Menu\\Programs\\Other.lnk",
    "C:\\Windows\\Start Menu\\Programs\\StartUp\\Other.lnk", "HKCU\\Software\\Other", "HKLM\\Software\\Other"};

std::vector<std::string> OthersAnd(std::vector<std::string> more) {
    more.insert(more.end(), kOthers.begin(), kOthers.end());
    std::sort(more.begin(), more.end());
    return more;
}

TEST_F(Uninstaller, OkRemovesWhatTheProgramsLeftAndNothingElseThenSaysSoAndCloses) {
    Form().cmdOk_Click();
    EXPECT_EQ(Left(), OthersAnd({}));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Ambrel 2.0 was uninstalled for the current user.");
    EXPECT_EQ(ui.Boxes[0].Style, kMbInformation | kMbOkOnly);
    EXPECT_EQ(ui.Boxes[0].Title, "Pellorin");
    EXPECT_EQ(view.Closes, 1);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);

    // A second run finds nothing, removes nothing and still says it is done.
    Form().cmdOk_Click();
    EXPECT_EQ(Left(), OthersAnd({}));
    EXPECT_EQ(ui.Boxes.size(), 2u);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(Uninstaller, CancelRemovesNothingAndHelpOpensItsTopic) {
    const std::vector<std::string> before = Left();
    frmUninstall& f = Form();
    f.cmdHelp_Click();
    EXPECT_EQ(view.HelpFile, "C:\\Ambrel\\AMBREL.CHM");
    EXPECT_EQ(view.HelpContext, 105u);
    f.cmdCancel_Click();
    EXPECT_EQ(view.Closes, 1);
    EXPECT_EQ(Left(), before);
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(Uninstaller, EachStepThatFailsLeavesItsPartAndTheRestStillRuns) {
    struct Case {
        const char* Name;
        std::function<void(Machine&)> Arrange;
        std::vector<std::string> Left;
    } cases[] = {
        {"the Startup shortcut in use",
         [](Machine& t) {
             t.files.RemoveFault = [](const std::string& p) { return p.find("Ambrel.lnk") != std::string::npos ? 75L : 0L; };
         },
         {"C:\\Windows\\Start Menu\\Programs\\StartUp\\Ambrel.lnk"}},
        {"a data file in use",
         [](Machine& t) {
             t.files.RemoveFault = [](const std::string& p) { return p.find("ambrel.sds") != std::string::npos ? 75L : 0L; };
         },
         {"C:\\Ambrel\\Data\\", "C:\\Ambrel\\Data\\ambrel.sds"}},
        {"a hidden file in the data directory",
         [](Machine& t) { t.files.AddFile("C:\\Ambrel\\Data\\desktop.ini", "x", true); },
         {"C:\\Ambrel\\Data\\", "C:\\Ambrel\\Data\\desktop.ini"}},
        {"a help index in use",
         [](Machine& t) {
             t.files.RemoveFault = [](const std::string& p) { return p.find("AMBREL.GID") != std::string::npos ? 75L : 0L; };
         },
         {"C:\\Ambrel\\AMBREL.GID"}},
        {"a Shutdown folder file in use",
         [](Machine& t) {
             t.files.RemoveFault = [](const std::string& p) { return p.find("clean.bat") != std::string::npos ? 75L : 0L; };
         },
         {"C:\\Windows\\Start Menu\\Programs\\Shutdown\\", "C:\\Windows\\Start Menu\\Programs\\Shutdown\\clean.bat"}},
        {"no right to change HKEY_LOCAL_MACHINE",
         [](Machine& t) { t.registry.DenyWrites(kRootLocalMachine); },
         {"HKLM\\Software\\Ambrel 2.0", "HKLM\\Software\\Ambrel 2.0\\Options"}},
        {"HKEY_LOCAL_MACHINE without its options",
         [](Machine& t) {
             RegHandle key = 0;
             t.registry.OpenKey(kRootLocalMachine, "Software\\Ambrel 2.0", key);
             t.registry.DeleteKey(key, "Options");
             t.registry.CloseKey(key);
             t.registry.PutString(kRootLocalMachine, "Software\\Ambrel 2.0", "Left", "1");
         },
         {"HKLM\\Software\\Ambrel 2.0"}},
        {"no Shutdown folder at all",
         [](Machine& t) {
             t.files.Remove("C:\\Windows\\Start Menu\\Programs\\Shutdown\\Backup.lnk");
             t.files.Remove("C:\\Windows\\Start Menu\\Programs\\Shutdown\\clean.bat");
             t.files.RemoveFolder("C:\\Windows\\Start Menu\\Programs\\Shutdown");
         },
         {}},
    };
    for (const Case& c : cases) {
        Machine t;
        c.Arrange(t);
        t.Form().cmdOk_Click();
        EXPECT_EQ(t.Left(), OthersAnd(c.Left)) << c.Name;
        EXPECT_EQ(t.ui.Boxes.size(), 1u) << c.Name;
        EXPECT_EQ(t.registry.OpenHandleCount(), 0u) << c.Name;
    }
}

TEST_F(Uninstaller, FoldersThatCannotBePlacedBelowARootAreLeftAlone) {
    // The Start menu's folders read from the registry are the user's to
    // change: relative or root paths must not empty a drive's root.
    files.AddFolder("C:\\Shutdown");
    files.AddFile("C:\\Shutdown\\keep.txt", "x");
    files.AddFile("C:\\Ambrel.lnk", "x");
    registry.PutString(kRootCurrentUser, kShellFolders, "Programs", "C:");
    registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "\\");
    frmUninstall& f = Form();
    f.cmdOk_Click();
    EXPECT_EQ(f.ShutdownFolder(), "");
    EXPECT_EQ(f.StartupFolder(), "");
    EXPECT_TRUE(files.FileExists("C:\\Shutdown\\keep.txt"));
    EXPECT_TRUE(files.FileExists("C:\\Ambrel.lnk"));
    EXPECT_FALSE(files.FolderExists("C:\\Ambrel\\Data"));  // the rest still ran
    EXPECT_EQ(ui.Boxes.size(), 1u);

    const std::pair<const char*, bool> paths[] = {
        {"C:\\Windows\\Start Menu\\Programs", true}, {"C:\\Programs\\", true}, {"\\\\server\\share\\Menu", true},
        {"C:\\", false},  {"C:", false},  {"", false},  {"\\", false},  {"Programs", false},  {"\\Programs", false},
        {"C:Programs", false},  {"\\\\server\\share", false},  {"\\\\server\\share\\", false},
        {"C:\\Menu\\..", false},  {"C:\\Menu\\..\\..", false},  {"C:\\a..b", true},  {"C:\\\\Menu", false},
        {"C:/Menu", false},
    };
    for (const auto& [path, below] : paths) EXPECT_EQ(IsFolderBelowRoot(path), below) << "[" << path << "]";

    // A data folder that is a junction leads elsewhere: an administrator's
    // uninstall would empty whatever it names. It is left alone, and said so.
    Machine linked;
    linked.files.KeepSecurity({"S-1-5-21-7-7-7-500", true});
    ObjectSecurity junction = linked.files.SecurityOf("C:\\Ambrel\\Data");
    junction.ReparsePoint = true;
    linked.files.SetSecurity("C:\\Ambrel\\Data", junction);
    frmUninstall g(linked.ports, linked.view);
    ASSERT_TRUE(g.Form_Load());
    g.cmdOk_Click();
    EXPECT_TRUE(linked.files.FolderExists("C:\\Ambrel\\Data"));
    EXPECT_TRUE(linked.files.FileExists("C:\\Ambrel\\Data\\ambrel.sdd"));
    ASSERT_EQ(linked.ui.Boxes.size(), 2u);
    EXPECT_EQ(linked.ui.Boxes[0].Text, "The data folder C:\\Ambrel\\data is a link to another place; it was left alone.");
}

TEST_F(Uninstaller, AUserWithoutAStartupFolderIsToldWhyAndNothingIsRemoved) {
    registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "");
    const std::vector<std::string> before = Left();
    frmUninstall f(ports, view);
    EXPECT_FALSE(f.Form_Load());
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Text, "Unable to locate Startup directory");
    EXPECT_EQ(ui.Boxes[0].Style & kMbCritical, kMbCritical);
    EXPECT_EQ(view.Closes, 1);
    EXPECT_EQ(Left(), before);
}

TEST_F(Uninstaller, TheSetupProgramsSilentRunRemovesTheSameWithoutAWord) {
    for (const char* line : {"/S", " /s ", "/s"}) EXPECT_TRUE(IsSilentCommandLine(line)) << line;
    for (const char* line : {"", "/SX", "S", "/S /S"}) EXPECT_FALSE(IsSilentCommandLine(line)) << line;

    frmUninstall f(ports, view);
    f.Silent = true;
    ASSERT_TRUE(f.Form_Load());
    f.Uninstall();
    EXPECT_EQ(Left(), OthersAnd({}));
    EXPECT_TRUE(ui.Boxes.empty());

    Machine without;
    without.registry.PutString(kRootCurrentUser, kShellFolders, "Programs", "");
    frmUninstall g(without.ports, without.view);
    g.Silent = true;
    EXPECT_FALSE(g.Form_Load());
    EXPECT_TRUE(without.ui.Boxes.empty());
}

}  // namespace
}  // namespace ambrel
