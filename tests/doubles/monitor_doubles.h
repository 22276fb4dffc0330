#pragma once
// Doubles for the monitor's window and the programs it starts.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "monitor/frmAmbrel.h"
#include "shared/errors.h"
#include "shared/modAmbrelCommon.h"
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
        if (OnAsk) OnAsk();
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
        if (OnAsk) OnAsk();
        CheckBoxShown = showRunCheckBox;
        runList = RunList;
        return InPlaceEnding;
    }
    void ShowShutWarning(std::int16_t& outcome) override {
        ++Warnings;
        if (OnWarning) OnWarning(outcome);
    }
    void ShowTrayBalloon(const std::string& title, const std::string& text) override {
        Balloons.push_back(title + ": " + text);
    }
    std::vector<std::string> Balloons;

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
    // Plays the user while the Shut Down dialog (the menu's or the
    // replacement) is open.
    std::function<void()> OnAsk;
    int Refreshes = 0, Centred = 0, MenusShown = 0, Waits = 0, Unloads = 0, Asked = 0;
    bool WaitEndedDone = false;
    std::function<void()> OnServe;
    std::string HelpFile;
    unsigned long HelpContext = 0;
    std::int32_t Ending = -1;
};

// The end-of-session calls of today's Windows, recorded in order; Available
// false plays a system that lacks the block reasons.
class RecordingCourtesy final : public IShutdownCourtesy {
public:
    bool BlockReasonsAvailable() override { return Available; }
    bool SetBlockReason(WindowHandle window, const std::string& reason) override {
        if (!Available) ADD_FAILURE() << "a block reason set where the system has none";
        Calls.push_back("set " + std::to_string(window) + " " + reason);
        Shown = reason;
        return true;
    }
    bool ClearBlockReason(WindowHandle window) override {
        Calls.push_back("clear " + std::to_string(window));
        Shown.clear();
        return true;
    }
    bool SetShutdownLevel(std::uint32_t level) override {
        Levels.push_back(level);
        return true;
    }
    bool RegisterRestartAfterUpdate() override {
        ++RestartRegistrations;
        return true;
    }
    bool Available = true;
    int RestartRegistrations = 0;
    std::vector<std::string> Calls;
    std::string Shown;  // the reason the system would show now
    std::vector<std::uint32_t> Levels;
};

class FakeInstanceGuard final : public IInstanceGuard {
public:
    bool AnotherInstanceRunning() override { return Running; }
    bool Running = false;
};

// Programs that end as soon as they start, with the exit code that
// ExitCodes gives (0 when not listed); one given kStillActive runs until it is
// terminated, each wait for it calling OnWait. Every start is recorded.
class RecordingProcesses final : public IProcessLauncher {
public:
    struct Start {
        std::string CommandLine;
        int ShowState;
        // The program the system would start: a command line's own program
        // (split as the Win32 launcher splits it, over `IsFile`), or the one
        // named to StartProgram.
        std::string Program;
    };
    bool Start(const std::string& commandLine, int showState, std::uint32_t& processId, long& error) override {
        const std::string program =
            SplitProgram(commandLine, IsFile ? IsFile : [](const std::string&) { return false; }).Program;
        return Record(commandLine, program, showState, processId, error);
    }
    bool StartProgram(const std::string& program, const std::string& arguments, int showState,
                      std::uint32_t& processId, long& error) override {
        return Record(arguments.empty() ? program : program + " " + arguments, program, showState, processId, error);
    }
    // Whether a path names a file, for the split of a command line.
    std::function<bool(const std::string&)> IsFile;
    // The elevated starts, program and arguments; `Elevate` plays the
    // elevated program (the user in it), and `Declined` the user saying no.
    bool RunElevatedAndWait(const std::string& program, const std::string& arguments, long& error) override {
        Elevated.push_back(program + " " + arguments);
        if (Declined) {
            error = kErrPermissionDenied;
            return false;
        }
        if (Elevate) Elevate();
        return true;
    }
    std::vector<std::string> Elevated;
    std::function<void()> Elevate;
    bool Declined = false;
    std::unique_ptr<IRunningProcess> Open(std::uint32_t processId) override {
        std::uint32_t code = 0;
        if (processId >= 1 && processId <= Started.size()) {
            auto it = ExitCodes.find(Started[processId - 1].CommandLine);
            if (it != ExitCodes.end()) code = it->second;
        }
        return std::make_unique<Running>(code, OnWait);
    }

    std::vector<std::string> CommandLines() const {
        std::vector<std::string> lines;
        for (const auto& s : Started) lines.push_back(s.CommandLine);
        return lines;
    }

    std::vector<struct Start> Started;
    std::set<std::string> Missing;
    std::map<std::string, std::uint32_t> ExitCodes;
    std::function<void(const std::string&)> OnStart;
    std::function<void(std::uint32_t timeoutMs)> OnWait;

private:
    bool Record(const std::string& commandLine, const std::string& program, int showState, std::uint32_t& processId,
                long& error) {
        if (Missing.count(commandLine)) {
            error = 53;
            return false;
        }
        Started.push_back({commandLine, showState, program});
        if (OnStart) OnStart(commandLine);
        processId = static_cast<std::uint32_t>(Started.size());
        return true;
    }

    class Running final : public IRunningProcess {
    public:
        Running(std::uint32_t code, std::function<void(std::uint32_t)> onWait) : m_code(code), m_onWait(onWait) {}
        bool ExitCode(std::uint32_t& code) override {
            code = m_code;
            return true;
        }
        void WaitServingMessages(std::uint32_t timeoutMs) override {
            if (m_onWait) m_onWait(timeoutMs);
        }
        bool Terminate(std::uint32_t exitCode) override {
            m_code = exitCode == kStillActive ? 1 : exitCode;
            return true;
        }

    private:
        std::uint32_t m_code;
        std::function<void(std::uint32_t)> m_onWait;
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
