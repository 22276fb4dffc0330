#include "shutdown_dialog/frmShutDownDialog.h"
#include "shared/HelpContexts.h"

#include <cmath>

#include "shared/OwnWindowHandle.h"
#include "shared/cAmbrelOptions.h"
#include "shared/cExitWindows.h"
#include "shared/cLogger.h"
#include "shared/cOSInfo.h"
#include "shared/cSystemInfo.h"
#include "shared/errors.h"

namespace ambrel {

namespace {

constexpr int kRowPitch = 360;       // one option row
constexpr int kCheckBoxRow = 595;    // the run check box's row
constexpr std::uint32_t kWmAmbrelClose = 0x0400 + 401;
const char* const kHandOverMarker = "FromTelvix ";
// How long the running monitor is given to close before the hand-over.
constexpr std::uint32_t kMonitorCloseTimeoutMs = 15000;

DialogPlace Place(int left, int top, int width, int height, const std::string& caption = "") {
    return {left, top, width, height, true, caption};
}

}  // namespace

ShutDownDialogLayout LayoutOf(ShutDownDialogVariant variant) {
    ShutDownDialogLayout l;
    l.Image1 = Place(240, 240, 480, 480);
    l.lblDoYouWant = Place(960, 240, 3975, 255, "Are you sure you want to:");
    l.optShutdown[0] = Place(960, 720, 2415, 255, "&Shut down the computer?");
    l.optShutdown[1] = Place(960, 1080, 2415, 255, "&Restart the computer?");
    l.optShutdown[2] = Place(960, 1440, 4095, 255, "Restart the computer in &MS-DOS mode?");
    l.optShutdown[3] = Place(960, 1800, 4095, 255, "&Close all programs and log on as a different user?");
    if (variant == ShutDownDialogVariant::Launcher) {
        l.Caption = "Ambrel Launcher - Shut Down Windows";
        l.ClientWidth = 5355;
        l.ClientHeight = 3345;
        l.chkRunAmbrel = Place(960, 2280, 4335, 255, "Ru&n Ambrel Launcher before Windows shuts down");
        l.cmdYES = Place(1485, 2850, 1140, 315, "&Yes");
        l.cmdNO = Place(2760, 2850, 1140, 315, "&No");
        l.cmdHelp = Place(4080, 2850, 1140, 315, "&Help");
        l.TextCount = 26;
    } else {
        l.Caption = "Ambrel - Shut Down Windows";
        l.ClientWidth = 5475;
        l.ClientHeight = 3420;
        l.chkRunAmbrel = Place(960, 2400, 3495, 255, "Run Ambrel");
        l.cmdYES = Place(2685, 2955, 1140, 315, "&Yes");
        l.cmdNO = Place(3960, 2955, 1140, 315, "&No");
        l.cmdHelp = Place(0, 0, 0, 0);
        l.cmdHelp.Visible = false;
        l.TextCount = 15;
    }
    return l;
}

std::string LauncherErrorReport(const std::vector<std::string>& texts) {
    const ErrorInfo& e = Err();
    auto text = [&](std::size_t i) { return i < texts.size() ? texts[i] : std::string(); };
    return text(23) + "\t" + std::to_string(e.Number) + "\r\n" + text(24) + "\t" + e.Source + "\r\n" +
           e.Description + "\r\n\r\n" + text(25);
}

frmShutDownDialog::frmShutDownDialog(LauncherPorts& ports, IShutDownDialogView& view)
    : Layout(LayoutOf(ShutDownDialogVariant::Launcher)),
      m_variant(ShutDownDialogVariant::Launcher),
      m_view(view),
      m_ports(&ports) {}

frmShutDownDialog::frmShutDownDialog(const cOSInfo& osInfo, const cSystemInfo& systemInfo, cLogger& logger,
                                     IShutDownDialogView& view)
    : Layout(LayoutOf(ShutDownDialogVariant::Monitor)),
      m_variant(ShutDownDialogVariant::Monitor),
      m_view(view),
      m_osInfo(&osInfo),
      m_systemInfo(&systemInfo),
      m_logger(&logger) {}

frmShutDownDialog::~frmShutDownDialog() = default;

void frmShutDownDialog::FillTexts() {
    Texts.assign(static_cast<std::size_t>(Layout.TextCount), std::string());
    const std::pair<int, const char*> table[] = {
        {0, "Are you sure you want to:"},
        {1, "&Shut down the computer?"},
        {2, "&Restart the computer?"},
        {3, "Restart the computer in &MS-DOS mode?"},
        {4, "&Close all programs and log on as a different user?"},
        {6, "What do you want the computer to do?"},
        {7, "&Shut down"},
        {8, "&Restart"},
        {9, "Restart in &MS-DOS mode"},
        {10, "&Log off current user"},
        {11, "Yes"},
        {12, "No"},
        {13, "OK"},
        {14, "Cancel"},
        {23, "Error number: "},
        {24, "Location:     "},
        {25, "If this persists, please call support."},
    };
    for (const auto& [index, text] : table)
        if (index < Layout.TextCount) Texts[static_cast<std::size_t>(index)] = text;
}

void frmShutDownDialog::ChooseTexts(std::int16_t interfaceUsed) {
    const bool newLook = interfaceUsed == 2;  // Windows 98 and NT 4
    Layout.lblDoYouWant.Caption = Texts[newLook ? 6 : 0];
    for (int i = 0; i < 4; ++i) Layout.optShutdown[i].Caption = Texts[static_cast<std::size_t>((newLook ? 7 : 1) + i)];
    Layout.cmdYES.Caption = Texts[newLook ? 13 : 11];
    Layout.cmdNO.Caption = Texts[newLook ? 14 : 12];
}

bool frmShutDownDialog::Form_Load(const CommandLineReader& readCommandLine) {
    if (m_variant == ShutDownDialogVariant::Monitor) {
        try {
            FillTexts();
            ChooseTexts(m_osInfo->interfaceUsed());
            m_view.Refresh();
            return true;
        } catch (...) {
            CatchCurrentError("Ambrel");
            m_logger->WriteError("", true);
            Close();
            return false;
        }
    }
    LauncherPorts& p = *m_ports;
    try {
        FillTexts();
        const bool atOnce = readCommandLine && readCommandLine(optShutdown, chkRunAmbrel);

        m_ownOsInfo = std::make_shared<cOSInfo>(p.Facts);
        m_ownSystemInfo = std::make_unique<cSystemInfo>(p.Registry, p.Facts);
        m_exitWindows = std::make_unique<cExitWindows>(p.Session, p.Facts, p.App);
        m_options = std::make_unique<cAmbrelOptions>(p.Registry, p.App);
        m_exitWindows->OsInfoClass(m_ownOsInfo);
        m_osInfo = m_ownOsInfo.get();
        m_systemInfo = m_ownSystemInfo.get();
        m_options->GetOptions(false);  // without stored options every option reads false
        OwnWindowHandle(static_cast<WindowHandle>(static_cast<std::uint32_t>(m_view.WindowHandle())));
        ChooseTexts(m_osInfo->interfaceUsed());
        if (atOnce) {
            LauncherYes();
            return false;
        }
        FormatDisplay();
        m_view.Refresh();
        return true;
    } catch (...) {
        CatchCurrentError(p.App.Title);
        p.Ui.MsgBox(LauncherErrorReport(Texts), kMbCritical | kMbOkOnly, p.App.Title);
        Close();
        return false;
    }
}

void frmShutDownDialog::FormatDisplay() {
    ShutDownDialogLayout& l = Layout;
    int rows = 4;
    auto up = [](std::initializer_list<DialogPlace*> places, int by) {
        for (DialogPlace* place : places) place->Top -= by;
    };
    if (!m_osInfo->canRestartInDosMode()) {
        rows = 3;
        l.optShutdown[2].Visible = false;
        up({&l.optShutdown[3], &l.chkRunAmbrel, &l.cmdYES, &l.cmdNO, &l.cmdHelp}, kRowPitch);
    }
    if (!m_systemInfo->MultiUsers()) {
        --rows;
        l.optShutdown[3].Visible = false;
        up({&l.chkRunAmbrel, &l.cmdYES, &l.cmdNO, &l.cmdHelp}, kRowPitch);
    }
    const bool hideCheckBox =
        m_variant == ShutDownDialogVariant::Launcher ? !m_options->AllowUsersToDisable() : !ShowRunCheckBox;
    if (hideCheckBox) {
        l.chkRunAmbrel.Visible = false;
        up({&l.cmdYES, &l.cmdNO, &l.cmdHelp}, kCheckBoxRow);
        l.ClientHeight -= kCheckBoxRow;
    }
    if (rows < 4) l.ClientHeight -= (4 - rows) * kRowPitch;
    if (m_variant == ShutDownDialogVariant::Monitor && CenterOnScreen) {
        ScreenMetrics m = m_view.Metrics();
        Left = static_cast<int>(std::lround(m.ScreenWidth / 2.0 - (l.ClientWidth + m.FrameWidth) / 2.0));
        Top = static_cast<int>(std::lround(m.ScreenHeight / 2.0 - (l.ClientHeight + m.FrameHeight) / 2.0));
        Positioned = true;
    }
    m_view.Refresh();
}

void frmShutDownDialog::cmdYES_Click() {
    if (m_variant == ShutDownDialogVariant::Launcher) {
        LauncherYes();
        return;
    }
    static const std::int16_t kOutcomes[4] = {1, 2, 99, 0};
    SessionEndOutcome = optShutdown >= 0 && optShutdown <= 3 ? kOutcomes[optShutdown] : -1;
    RunListChosen = chkRunAmbrel == 1;
    Close();
}

void frmShutDownDialog::LauncherYes() {
    LauncherPorts& p = *m_ports;
    std::string monitor;
    try {
        switch (optShutdown) {
            case 0: m_exitWindows->SetShutdownComputer(); break;
            case 1: m_exitWindows->SetRestartComputer(); break;
            case 2: m_exitWindows->SetRestartInMsDOSMode(); break;
            case 3: m_exitWindows->SetLogoffComputer(); break;
            default: break;
        }
        if (chkRunAmbrel == 1) {
            // The running monitor goes before the one that runs the list
            // starts, or both would answer the end of the session.
            if (const std::int32_t running = p.Messages.FindMonitor(m_options->AmbrelHandle())) {
                p.Messages.Post(running, kWmAmbrelClose, 0, 0);
                if (!p.Messages.WaitGone(running, kMonitorCloseTimeoutMs)) {
                    p.Ui.MsgBox("The running Ambrel did not close, so its work was not started and Windows was not "
                                "shut down.",
                                kMbCritical | kMbOkOnly, "Shutdown Windows");
                    Close();
                    return;
                }
            }
            monitor = p.App.ProgramDirectory + "\\Ambrel.exe";
            std::uint32_t id = 0;
            long error = 0;
            if (!p.Processes.StartProgram(monitor, kHandOverMarker + std::to_string(m_exitWindows->GetFlagsValue()), 1,
                                          id, error))
                RaiseError(error ? error : kErrFileNotFound, p.App.Title);
        } else {
            m_exitWindows->ForceLogoff(m_options->ForceLogoff());
            m_exitWindows->PowerOff(m_options->PowerOff());
            m_exitWindows->exitWindows(-1);
            if (!m_exitWindows->Refusal().empty())
                p.Ui.MsgBox(m_exitWindows->Refusal(), kMbCritical | kMbOkOnly, "Shutdown Windows");
        }
    } catch (...) {
        p.Ui.MsgBox("Couldn't run " + monitor, kMbCritical | kMbOkOnly, "Shutdown Windows");
    }
    Close();
}

void frmShutDownDialog::cmdNO_Click() {
    if (m_variant == ShutDownDialogVariant::Monitor) SessionEndOutcome = -1;
    Close();
}

void frmShutDownDialog::cmdHelp_Click() {
    if (m_variant != ShutDownDialogVariant::Launcher) return;
    m_view.ShowHelp(m_ports->App.ProgramDirectory + "\\" + kHelpFileName, kHelpShutDownDialog);
}

void frmShutDownDialog::Close() {
    if (Closed) return;
    Closed = true;
    m_view.Close();
}

}  // namespace ambrel
