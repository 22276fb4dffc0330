#pragma once
// The monitor's main window over doubles: the registry, the disk, the user,
// the programs it starts and Windows. Shared by the monitor's test files.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "doubles/fake_system_facts.h"
#include "doubles/memory_files.h"
#include "doubles/memory_registry.h"
#include "doubles/monitor_doubles.h"
#include "doubles/recording_lock.h"
#include "doubles/scripted_session.h"
#include "doubles/scripted_ui.h"
#include "monitor/frmAmbrel.h"
#include "shared/CommandFiles.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cLogger.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel::testing {

inline const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const std::string kLog = "C:\\Ambrel\\Data\\ambrel.log";

class DatedRegional final : public IRegionalSettings {
public:
    std::string GeneralDate(double date) override {
        DateParts p = SplitDate(date);
        return std::to_string(p.Month) + "/" + std::to_string(p.Day) + "/" + std::to_string(p.Year) + " " +
               std::to_string(p.Hour) + ":" + (p.Minute < 10 ? "0" : "") + std::to_string(p.Minute);
    }
};

struct StoredCommand {
    std::string CommandLine;
    std::int16_t Run = 1;
    std::int16_t RunFrequency = 1;
    std::int16_t RunDay = 0;
    std::int16_t RunLimit = 0;
    std::int16_t RunCount = 0;
    double LastRunDaysAgo = 1;
    std::int16_t ShowMessageWhen = 0;
    std::int16_t MessageStyle = 0;
    std::int16_t Actions[3] = {1, 2, 3};
    std::string UserActions[3];
};

inline StoredCommand Cmd(const std::string& commandLine) {
    StoredCommand command;
    command.CommandLine = commandLine;
    return command;
}

class Monitor : public ::testing::Test {
protected:
    Monitor() {
        registry.PutString(kRootCurrentUser, kShellFolders, "Programs", "C:\\Start Menu\\Programs");
        registry.PutString(kRootCurrentUser, kShellFolders, "Startup", "C:\\Start Menu\\Programs\\Startup");
        files.AddFolder("C:\\Ambrel\\Data");
        facts.Version.PlatformId = kPlatformWindows;
        facts.Version.MajorVersion = 4;
        facts.Version.MinorVersion = 10;
    }

    // The settings a test starts from: the shutdown option, the
    // confirmation, and the scheduled shutdown with its ending ("" for none).
    struct Setup {
        std::int32_t Option = 3;
        bool Confirm = false;
        std::string ScheduledAt;
        std::string Ending = "1";
    } setup;

    // Options as the maintenance program stores them from `setup`, then
    // changed by `edit`.
    void StoreOptions(const std::function<void(cAmbrelOptions&)>& edit = nullptr) {
        cAmbrelOptions options(registry, app);
        options.GetOptions(true);
        options.ShutdownOption(setup.Option);
        options.QueryClose(setup.Confirm);
        options.Logging(3);
        options.LogDir(kLog);
        if (!setup.ScheduledAt.empty()) {
            options.ShutWindowsOnTime(true);
            options.ShutWindowsTime(setup.ScheduledAt);
            options.WinShutdownType(setup.Ending);
        }
        if (edit) edit(options);
        options.SaveOptions();
        // The maintenance program saves a command list with its options.
        if (!files.FileExists("C:\\Ambrel\\Data\\ambrel.sds")) StoreCommands({});
    }

    void StoreCommands(const std::vector<StoredCommand>& commands) {
        std::vector<CommandPair> pairs;
        for (const auto& command : commands) {
            CommandPair pair;
            pair.Settings = NewCommandSettings(Today() - command.LastRunDaysAgo);
            pair.Settings.Run = command.Run;
            pair.Settings.RunFrequency = command.RunFrequency;
            pair.Settings.RunDay = command.RunDay;
            pair.Settings.RunLimit = command.RunLimit;
            pair.Settings.RunCount = command.RunCount;
            pair.Settings.ShowMessageWhen = command.ShowMessageWhen;
            pair.Settings.MessageStyle = command.MessageStyle;
            pair.Settings.Action1 = command.Actions[0];
            pair.Settings.Action2 = command.Actions[1];
            pair.Settings.Action3 = command.Actions[2];
            pair.Strings.CommandLine = command.CommandLine;
            pair.Strings.MessageText = "About " + command.CommandLine;
            pair.Strings.UserAction1 = command.UserActions[0];
            pair.Strings.UserAction2 = command.UserActions[1];
            pair.Strings.UserAction3 = command.UserActions[2];
            pairs.push_back(pair);
        }
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        CommandFileNames names = SetCommandFiles(true, "C:\\Ambrel", "alice");
        ASSERT_TRUE(SaveCommandList(files, logger, nobody, clock, "corvane", names, pairs, "corvane"));
    }

    // The stored command list, as the maintenance program would load it.
    std::vector<CommandPair> StoredCommands() {
        DatedRegional quiet;
        ScriptedUserInteraction nobody;
        cLogger logger(files, clock, quiet, nobody, app);
        std::vector<CommandPair> loaded;
        LoadCommandList(files, logger, SetCommandFiles(true, "C:\\Ambrel", "alice"),
                        [&](int, const CommandSettings& s, const CommandStrings& t) { loaded.push_back({s, t}); },
                        "test");
        return loaded;
    }

    double Today() const { return DateOnly(clock.Time); }

    frmAmbrel& Start(const std::string& commandLine = "") {
        form = std::make_unique<frmAmbrel>(ports, view);
        started = form->Form_Load(commandLine);
        return *form;
    }

    std::string Log() { return files.ContentOr(kLog, ""); }

    // The requests to end the session, in order.
    std::vector<std::string> Ends() const {
        std::vector<std::string> ends;
        for (const auto& call : session.Calls)
            if (call.rfind("ExitWindowsEx", 0) == 0) ends.push_back(call);
        return ends;
    }

    MemoryRegistry registry;
    FakeSystemFacts facts;
    MemoryFileSystem files;
    FakeClock clock{DateSerial(2026, 12, 8) + TimeSerial(10, 0, 0)};  // a Tuesday
    DatedRegional regional;
    ScriptedUserInteraction ui;
    FakeInstanceGuard instance;
    RecordingProcesses processes;
    FakeShellLinks links;
    ScriptedSession session;
    AppIdentity app{"Ambrel 2.0", "C:\\Ambrel", "Ambrel"};
    RecordingLock listLock;
    RecordingCourtesy courtesy;
    MonitorPorts ports{registry, facts,    files,    clock, regional, ui, instance, processes,
                       links,    session,  listLock, courtesy, app, {}};
    FakeAmbrelView view;
    std::unique_ptr<frmAmbrel> form;
    bool started = false;
};

}  // namespace ambrel::testing
