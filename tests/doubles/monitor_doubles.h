#pragma once
// Doubles for the monitor's window and the programs it starts.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "monitor/frmAmbrel.h"
#include "shared/platform.h"

namespace ambrel::testing {

// The monitor's window: records what the form asked of it. While the form
// waits in ServeMessagesUntil, OnServe plays the user (presses a button...).
class FakeAmbrelView final : public IAmbrelView {
public:
    std::int32_t WindowHandle() override { return Handle; }
    void Refresh() override { ++Refreshes; }
    void CenterForm() override { ++Centred; }
    void BringToFront() override {}
    void PopupOptionsMenu() override { ++MenusShown; }
    void ServeMessagesUntil(const std::function<bool()>& done) override {
        ++Waits;
        if (OnServe) OnServe();
        // A real loop would wait on; a double that never satisfies it is a test bug.
        WaitEndedDone = done();
    }
    void ShowHelp(const std::string& file, unsigned long context) override {
        HelpFile = file;
        HelpContext = context;
    }
    std::int32_t AskShutdownType() override {
        ++Asked;
        return Ending;
    }
    void Unload() override { ++Unloads; }
    void WatchForShutdownDialog(const std::string& title) override {
        WatchedTitle = title;
        ++Watches;
    }
    void StopWatching() override { ++Stops; }
    std::int32_t AskShutdownTypeInPlace(bool showRunCheckBox, bool& runList) override {
        ++InPlace;
        CheckBoxShown = showRunCheckBox;
        runList = RunList;
        return InPlaceEnding;
    }
    void ShowShutWarning(std::int16_t& outcome) override {
        ++Warnings;
        if (OnWarning) OnWarning(outcome);
    }

    std::int32_t Handle = 0x10042;
    int Warnings = 0;
    std::string WatchedTitle;
    int Watches = 0, Stops = 0, InPlace = 0;
    bool CheckBoxShown = false;
    // The answer in the replacement of the system's dialog.
    std::int32_t InPlaceEnding = -1;
    bool RunList = true;
    // Plays the user while the warning shows: set the outcome to 1 to cancel.
    std::function<void(std::int16_t&)> OnWarning;
    int Refreshes = 0, Centred = 0, MenusShown = 0, Waits = 0, Unloads = 0, Asked = 0;
    bool WaitEndedDone = false;
    std::function<void()> OnServe;
    std::string HelpFile;
    unsigned long HelpContext = 0;
    std::int32_t Ending = -1;
};

class FakeInstanceGuard final : public IInstanceGuard {
public:
    bool AnotherInstanceRunning() override { return Running; }
    bool Running = false;
};

// Programs that end as soon as they start; every start is recorded.
class RecordingProcesses final : public IProcessLauncher {
public:
    struct Start {
        std::string CommandLine;
        int ShowState;
    };
    bool Start(const std::string& commandLine, int showState, std::uint32_t& processId, long& error) override {
        if (Missing.count(commandLine)) {
            error = 53;
            return false;
        }
        Started.push_back({commandLine, showState});
        if (OnStart) OnStart(commandLine);
        processId = static_cast<std::uint32_t>(Started.size());
        return true;
    }
    std::unique_ptr<IRunningProcess> Open(std::uint32_t) override { return std::make_unique<Ended>(); }

    std::vector<std::string> CommandLines() const {
        std::vector<std::string> lines;
        for (const auto& s : Started) lines.push_back(s.CommandLine);
        return lines;
    }

    std::vector<struct Start> Started;
    std::set<std::string> Missing;
    std::function<void(const std::string&)> OnStart;

private:
    class Ended final : public IRunningProcess {
    public:
        bool ExitCode(std::uint32_t& code) override {
            code = 0;
            return true;
        }
        void WaitServingMessages(std::uint32_t) override {}
        bool Terminate(std::uint32_t) override { return true; }
    };
};

class FakeShellLinks final : public IShellLinks {
public:
    bool ReadShortcut(const std::string& path, ShortcutFields& fields) override {
        auto it = Links.find(path);
        if (it == Links.end()) return false;
        fields = it->second;
        return true;
    }
    bool CreateShortcut(const std::string& path, const ShortcutFields& fields) override {
        Links[path] = fields;
        return true;
    }
    std::map<std::string, ShortcutFields> Links;
};

}  // namespace ambrel::testing
