#pragma once
// The maintenance window over doubles: the registry, the disk, the user, the
// editor and the monitor it tells. Shared by the maintenance test files.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "doubles/fake_system_facts.h"
#include "doubles/maintenance_doubles.h"
#include "doubles/memory_files.h"
#include "doubles/memory_registry.h"
#include "doubles/monitor_doubles.h"
#include "doubles/scripted_ui.h"
#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/CommandFiles.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel::testing {

inline const std::string kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const std::string kOptions = "Software\\Ambrel 2.0\\Options";
inline const std::string kShutdown = "C:\\Start Menu\\Programs\\Shutdown";
inline const std::string kShortcut = "C:\\Start Menu\\Programs\\Startup\\Ambrel.lnk";

class QuietRegional final : public IRegionalSettings {
public:
    std::string GeneralDate(double) override { return "today"; }
};

class Maintenance : public ::testing::Test {
protected:
    Maintenance() {
        registry.PutString(kRootCurrentUser, kShellFoldersKey, "Programs", "C:\\Start Menu\\Programs");
        registry.PutString(kRootCurrentUser, kShellFoldersKey, "Startup", "C:\\Start Menu\\Programs\\Startup");
        files.AddFolder("C:\\Ambrel");
        files.AddFolder("C:\\Start Menu\\Programs\\Startup");
        facts.Version.PlatformId = kPlatformWindows;
        facts.Version.MajorVersion = 4;
        facts.Version.MinorVersion = 10;
    }

    // Options as they are stored before the window opens.
    void Store(const std::function<void(cAmbrelOptions&)>& edit) {
        cAmbrelOptions options(registry, app);
        options.GetOptions(true);
        edit(options);
        options.SaveOptions();
    }

    std::string Stored(const std::string& name, RegHandle root = kRootLocalMachine) {
        const MemoryRegistry::Value* value = registry.Find(root, kOptions, name);
        if (!value) return "<missing>";
        if (value->Type == kRegDword) {
            std::int32_t n = 0;
            std::memcpy(&n, value->Data.data(), sizeof n);
            return std::to_string(n);
        }
        std::string text(value->Data.begin(), value->Data.end());
        return text.substr(0, text.find('\0'));
    }

    void SaveList(const std::vector<std::string>& commandLines) {
        files.AddFolder("C:\\Ambrel\\Data");
        std::vector<CommandPair> pairs;
        for (const auto& line : commandLines) {
            CommandPair pair;
            pair.Settings = NewCommandSettings(DateOnly(clock.Now()) - 3);
            pair.Strings.CommandLine = line;
            pairs.push_back(pair);
        }
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, regional, nobody, app);
        ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "t", SetCommandFiles(true, "C:\\Ambrel", "alice"),
                                    pairs, "t"));
    }

    std::vector<CommandPair> SavedList() {
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, regional, nobody, app);
        std::vector<CommandPair> loaded;
        LoadCommandList(files, logger, CurrentCommandFiles(),
                        [&](int, const CommandSettings& s, const CommandStrings& t) { loaded.push_back({s, t}); }, "t");
        return loaded;
    }

    frm_Ambrel_Maintenance& Open() {
        form = std::make_unique<frm_Ambrel_Maintenance>(ports, view);
        form->SetCommandEditor(&editor);
        started = form->Form_Load();
        return *form;
    }

    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& r : form->Lv_commands)
            rows.push_back(r.Text + "|" + std::to_string(r.SmallIcon) + "|" + r.CommandLine + "|" + r.Priority);
        return rows;
    }

    MemoryRegistry registry;
    FakeSystemFacts facts;
    MemoryFileSystem files;
    FakeClock clock{DateSerial(2026, 12, 8) + TimeSerial(10, 0, 0)};
    QuietRegional regional;
    ScriptedUserInteraction ui;
    FakeInstanceGuard instance;
    RecordingProcesses processes;
    FakeShellLinks links;
    RecordingMessages messages;
    class : public ICommandListLock {
    public:
        bool Acquire(std::uint32_t) override { return true; }
        void Release() override {}
    } lock;
    AppIdentity app{"Ambrel 2.0", "C:\\Ambrel", "Ambrel Maintenance"};
    AboutTexts about{"Ambrel 2.0", 2, 0, 7, "Ambrel maintenance", "(C) us", "Ambrel Software", "Notes"};
    MaintenancePorts ports{registry, facts, files, clock, regional, ui, instance, processes, links, messages, lock,
                           app,      about};
    FakeMaintenanceView view;
    ScriptedEditor editor;
    std::unique_ptr<frm_Ambrel_Maintenance> form;
    bool started = false;
};

}  // namespace ambrel::testing
