#pragma once
// Doubles for the maintenance window: its view, the command editor it opens
// and the monitor it posts to.

#include <functional>
#include <string>
#include <vector>

#include "maintenance/frm_Ambrel_Maintenance.h"
#include "shared/platform.h"

namespace ambrel::testing {

class FakeMaintenanceView final : public IMaintenanceView {
public:
    void Refresh() override { ++Refreshes; }
    void ShowHelp(const std::string& file, unsigned long context) override {
        HelpFile = file;
        HelpContext = context;
    }
    std::string ShowOpen(const OpenFileRequest& request) override {
        Opened.push_back(request);
        return Chosen;
    }
    std::string ShowSave(const OpenFileRequest& request) override {
        Opened.push_back(request);
        return Chosen;
    }
    void ShowHistory(const std::string& path) override { HistoryShown.push_back(path); }
    void Unload() override { ++Unloads; }

    int Refreshes = 0, Unloads = 0;
    std::vector<std::string> HistoryShown;
    std::string HelpFile;
    unsigned long HelpContext = 0;
    std::vector<OpenFileRequest> Opened;
    std::string Chosen;  // what the user picks in the open-file dialog
};

// Plays the user in the editor: `Play` runs while the editor is shown.
class ScriptedEditor final : public ICommandEditor {
public:
    void Show(frm_Ambrel_Maintenance& owner) override {
        Modes.push_back(owner.CommandEditMode);
        if (Play) Play(owner);
    }
    std::function<void(frm_Ambrel_Maintenance&)> Play;
    std::vector<int> Modes;  // CommandEditMode at each opening
};

class RecordingMessages final : public IWindowMessages {
public:
    struct Posted {
        std::int32_t Window;
        std::uint32_t Message;
    };
    bool Post(std::int32_t window, std::uint32_t message, std::uintptr_t, std::intptr_t) override {
        Sent.push_back({window, message});
        if (OnPost) OnPost();
        return true;
    }
    // The checked monitor is `Monitor` (0: none runs), whatever the hint says.
    std::int32_t FindMonitor(std::int32_t hint) override {
        Hints.push_back(hint);
        return Monitor;
    }
    bool WaitGone(std::int32_t window, std::uint32_t timeoutMs) override {
        Waited.push_back({window, timeoutMs});
        return Goes;
    }
    std::vector<Posted> Sent;
    std::function<void()> OnPost;
    std::int32_t Monitor = 0;
    bool Goes = true;
    std::vector<std::int32_t> Hints;
    std::vector<std::pair<std::int32_t, std::uint32_t>> Waited;
};

}  // namespace ambrel::testing

#include "maintenance/Frm_add_command.h"
#include "maintenance/frmCommandMessageStyle.h"

namespace ambrel::testing {

// The editor's and its dialogs' windows: record what was asked of them; a
// dialog opened over one runs `OnOpen` (the user in it).
class FakeEditorViews final : public IAddCommandView, public IMessageStyleView, public IEditActionView {
public:
    void Refresh() override { ++Refreshes; }
    std::string ShowOpen(const OpenFileRequest& request) override {
        Opened.push_back(request);
        return Chosen;
    }
    void ShowHelp(const std::string& file, unsigned long context) override {
        HelpFile = file;
        HelpContext = context;
    }
    void ShowMessageStyle() override {
        if (OnOpen) OnOpen();
    }
    void ShowEditAction() override {
        if (OnOpen) OnOpen();
    }
    void Close() override { ++Closes; }

    int Refreshes = 0, Closes = 0;
    std::vector<OpenFileRequest> Opened;
    std::string Chosen;
    std::string HelpFile;
    unsigned long HelpContext = 0;
    std::function<void()> OnOpen;
};

}  // namespace ambrel::testing
