#pragma once
// The Shut Down Windows dialog, one design for two programs: the launcher's
// only window, which ends the session (or hands it to the monitor), and the
// monitor's own dialog, which only reports the choice back. What differs
// between the two is data (ShutDownDialogLayout) and the two Yes handlers.
// Places and sizes are in twips; the view turns them into pixels at the
// system's DPI.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel {

class cAmbrelOptions;
class cExitWindows;
class cLogger;
class cOSInfo;
class cSystemInfo;

enum class ShutDownDialogVariant { Launcher, Monitor };

// A control's place (twips), whether it shows and its caption.
struct DialogPlace {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    std::string Caption;
};

struct ShutDownDialogLayout {
    std::string Caption;
    int ClientWidth = 0, ClientHeight = 0;
    DialogPlace Image1, lblDoYouWant, optShutdown[4], chkRunAmbrel, cmdYES, cmdNO, cmdHelp;
    int TextCount = 0;  // the text table runs from 0 to TextCount - 1
};
ShutDownDialogLayout LayoutOf(ShutDownDialogVariant variant);

// What the view measures for the form: the screen and the window's frame
// (the window's size less its client area), both in twips.
struct ScreenMetrics {
    int ScreenWidth = 0, ScreenHeight = 0, FrameWidth = 0, FrameHeight = 0;
};

class IShutDownDialogView {
public:
    virtual ~IShutDownDialogView() = default;
    virtual std::int32_t WindowHandle() = 0;
    virtual ScreenMetrics Metrics() = 0;
    virtual void Refresh() = 0;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    virtual void Close() = 0;
};

// What the launcher's dialog uses from the system.
struct LauncherPorts {
    IRegistryBackend& Registry;
    ISystemFacts& Facts;
    IUserInteraction& Ui;
    IProcessLauncher& Processes;
    ISessionControl& Session;
    IWindowMessages& Messages;
    AppIdentity App;
};

// The error report of the launcher's load: number, source, description.
std::string LauncherErrorReport(const std::vector<std::string>& texts);

class frmShutDownDialog {
public:
    // The launcher's dialog: it makes its own objects at load.
    frmShutDownDialog(LauncherPorts& ports, IShutDownDialogView& view);
    // The monitor's dialog: it uses the monitor's shared objects.
    frmShutDownDialog(const cOSInfo& osInfo, const cSystemInfo& systemInfo, cLogger& logger,
                      IShutDownDialogView& view);
    ~frmShutDownDialog();
    frmShutDownDialog(const frmShutDownDialog&) = delete;
    frmShutDownDialog& operator=(const frmShutDownDialog&) = delete;

    // Sets the option button and the check box from the launcher's command
    // line; true when the dialog is to act at once.
    using CommandLineReader = std::function<bool(int& option, int& runAmbrel)>;

    // Launcher: reads the command line through `readCommandLine`; false when
    // the program ends at once (acted at once, or an error was reported).
    // Monitor: the texts only.
    bool Form_Load(const CommandLineReader& readCommandLine = nullptr);
    void FormatDisplay();
    void cmdYES_Click();
    void cmdNO_Click();
    void cmdHelp_Click();

    ShutDownDialogVariant Variant() const { return m_variant; }

    // ---- the window's fields ----
    ShutDownDialogLayout Layout;
    int Left = 0, Top = 0;     // the window's place, when Positioned
    bool Positioned = false;   // false: the view places the window as it likes
    int optShutdown = 0;       // the chosen option button
    int chkRunAmbrel = 1;
    std::vector<std::string> Texts;
    bool Closed = false;

    // ---- the monitor's side ----
    bool ShowRunCheckBox = true;
    bool CenterOnScreen = false;
    std::int16_t SessionEndOutcome = -1;  // the chosen ending, -1 for none
    bool RunListChosen = false;

private:
    void FillTexts();
    void ChooseTexts(std::int16_t interfaceUsed);
    void LauncherYes();
    void Close();

    ShutDownDialogVariant m_variant;
    IShutDownDialogView& m_view;
    LauncherPorts* m_ports = nullptr;
    // The launcher's own objects, or the monitor's shared ones.
    std::shared_ptr<cOSInfo> m_ownOsInfo;
    std::unique_ptr<cSystemInfo> m_ownSystemInfo;
    std::unique_ptr<cAmbrelOptions> m_options;
    std::unique_ptr<cExitWindows> m_exitWindows;
    const cOSInfo* m_osInfo = nullptr;
    const cSystemInfo* m_systemInfo = nullptr;
    cLogger* m_logger = nullptr;
};

}  // namespace ambrel
