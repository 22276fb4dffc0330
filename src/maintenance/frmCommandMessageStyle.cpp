#include "maintenance/frmCommandMessageStyle.h"
#include "shared/HelpContexts.h"

#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

const char* const kButtonSets[6] = {"Ok only",          "OK - Cancel", "Abort - Retry - Ignore",
                                    "Yes - No - Cancel", "Yes - No",    "Retry - Cancel"};
const char* const kIconStyles[5] = {"No Icon", "Critical", "Question", "Exclamation", "Information"};
const char* const kActionItems[6] = {"Continue normally", "Skip following program", "Don't run anymore programs",
                                     "Cancel shutdown",   "Rerun previous program", "User defined"};

namespace {

const int kIconValues[5] = {0, 16, 32, 48, 64};

}  // namespace

MessageStyleParts SplitMessageStyle(std::int16_t style) {
    MessageStyleParts parts;
    int rest = style;
    if (rest >= 512) {
        parts.DefaultButton = 2;
        rest -= 512;
    } else if (rest >= 256) {
        parts.DefaultButton = 1;
        rest -= 256;
    }
    for (int icon = 4; icon >= 1; --icon) {
        if (rest >= kIconValues[icon]) {
            parts.Icon = icon;
            rest -= kIconValues[icon];
            break;
        }
    }
    parts.Buttons = rest >= 0 && rest <= 5 ? rest : -1;
    return parts;
}

std::int16_t ComposeMessageStyle(const MessageStyleParts& parts) {
    int style = parts.DefaultButton == 2 ? 512 : parts.DefaultButton == 1 ? 256 : 0;
    if (parts.Icon >= 1 && parts.Icon <= 4) style += kIconValues[parts.Icon];
    if (parts.Buttons >= 0 && parts.Buttons <= 5) style += parts.Buttons;
    return static_cast<std::int16_t>(style);
}

// ---------------------------------------------------------------------------
// The message style dialog

frmCommandMessageStyle::frmCommandMessageStyle(EditorPorts& ports, Frm_add_command& editor, IMessageStyleView& view)
    : m_ports(ports), m_editor(editor), m_view(view) {}

void frmCommandMessageStyle::Form_Load() {
    m_settings = m_editor.GetEditedSettings();
    m_strings = m_editor.GetEditedStrings();
    txtMessage = m_strings.MessageText;
    MessageStyleParts parts = SplitMessageStyle(m_settings.MessageStyle);
    optDefaultButton = parts.DefaultButton;
    cboIconStyle_ListIndex = parts.Icon;
    cboButtons_ListIndex = parts.Buttons;
    // A style written by something else keeps what no list can show.
    m_buttonsAsStored = parts.Buttons < 0 ? m_settings.MessageStyle - ComposeMessageStyle(parts) : 0;
    const std::int16_t actions[3] = {m_settings.Action1, m_settings.Action2, m_settings.Action3};
    for (int i = 0; i < 3; ++i) cboAction_ListIndex[i] = actions[i] >= 1 && actions[i] <= 6 ? actions[i] - 1 : -1;
    cboIconStyle_Click();
}

void frmCommandMessageStyle::cboIconStyle_Click() {
    for (int i = 0; i < 4; ++i) imgIconStyle_Visible[i] = cboIconStyle_ListIndex == i + 1;
    m_view.Refresh();
}

std::int16_t frmCommandMessageStyle::ComposedStyle() const {
    std::int16_t style = ComposeMessageStyle({cboButtons_ListIndex, cboIconStyle_ListIndex, optDefaultButton});
    return static_cast<std::int16_t>(style + (cboButtons_ListIndex < 0 ? m_buttonsAsStored : 0));
}

void frmCommandMessageStyle::cmdTest_Click() {
    // The same box the monitor shows when the command runs.
    std::int16_t button = ShowCommandMessage(m_ports.Ui, kMonitorTitle, txtMessage, ComposedStyle());
    std::string action;
    if (button >= 1 && button <= 3) {
        int chosen = cboAction_ListIndex[button - 1];
        if (chosen >= 0 && chosen <= 5) action = kActionItems[chosen];
    }
    m_ports.Ui.MsgBox("Option selected:  \r\n\r\n" + action, kMbOkOnly, m_ports.App.Title);
}

void frmCommandMessageStyle::cmdAccept_Click() {
    if (Trim(txtMessage).empty()) {
        m_ports.Ui.MsgBox("No message to display was entered", kMbCritical | kMbOkOnly, m_ports.App.Title);
        return;
    }
    if (txtMessage.size() > kMaxMessageText) {
        m_ports.Ui.MsgBox("The message is too long: it can hold no more than " + std::to_string(kMaxMessageText) +
                              " characters.",
                          kMbCritical | kMbOkOnly, m_ports.App.Title);
        return;
    }
    m_settings.MessageStyle = ComposedStyle();
    std::int16_t* actions[3] = {&m_settings.Action1, &m_settings.Action2, &m_settings.Action3};
    for (int i = 0; i < 3; ++i) *actions[i] = static_cast<std::int16_t>(cboAction_ListIndex[i] + 1);
    m_strings.MessageText = txtMessage;
    m_editor.SetEditedSettings(m_settings);
    m_editor.SetEditedStrings(m_strings);
    Closed = true;
    m_view.Close();
}

void frmCommandMessageStyle::cmdCancel_Click() {
    Closed = true;
    m_view.Close();
}

void frmCommandMessageStyle::cmdEditAction_Click(int button) {
    EditActionButton = static_cast<std::int16_t>(button);
    m_view.ShowEditAction();
}

void frmCommandMessageStyle::cmdHelp_Click() {
    m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, kHelpMessageStyle);
}

std::string frmCommandMessageStyle::EditActionText() const {
    switch (EditActionButton) {
        case 1: return m_strings.UserAction1;
        case 2: return m_strings.UserAction2;
        case 3: return m_strings.UserAction3;
        default: return std::string();
    }
}

void frmCommandMessageStyle::EditActionText(const std::string& text) {
    switch (EditActionButton) {
        case 1: m_strings.UserAction1 = text; break;
        case 2: m_strings.UserAction2 = text; break;
        case 3: m_strings.UserAction3 = text; break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// The user defined action of one button

frmEditAction::frmEditAction(EditorPorts& ports, frmCommandMessageStyle& owner, IEditActionView& view)
    : m_ports(ports), m_owner(owner), m_view(view) {}

void frmEditAction::Form_Load() {
    Caption = "Edit User Defined Action" + std::to_string(m_owner.EditActionButton);
    txtUserDefinedAction = m_owner.EditActionText();
    m_view.Refresh();
}

void frmEditAction::cmdBrowse_Click() {
    std::string chosen = m_view.ShowOpen(BrowseRequest(m_ports.App));
    if (!chosen.empty()) txtUserDefinedAction = BrowsedCommandLine(chosen);
    m_view.Refresh();
}

void frmEditAction::cmdTest_Click() {
    // Returns once the program has ended (or the wait was stopped); what it
    // did is not reported.
    Test.Press([this] { m_view.Refresh(); }, [this](const std::function<bool()>& stopWaiting) {
        try {
            std::string message;
            TestRunCommand(m_ports, txtUserDefinedAction, 1, message, stopWaiting);
        } catch (...) {
        }
    });
}

void frmEditAction::cmdOK_Click() {
    if (Test.Running()) return;
    if (!IsTypedText(txtUserDefinedAction)) {
        txtUserDefinedAction = WithoutControlCharacters(txtUserDefinedAction);
        m_view.Refresh();
        m_ports.Ui.MsgBox(ControlCharactersRemovedText("action"), kMbCritical, m_ports.App.Title);
        return;
    }
    if (txtUserDefinedAction.size() > kMaxCommandLine) {
        m_ports.Ui.MsgBox(CommandLineTooLongText(), kMbCritical, m_ports.App.Title);
        return;
    }
    m_owner.EditActionText(txtUserDefinedAction);
    Close();
}

void frmEditAction::cmdCancel_Click() {
    if (!Test.Running()) Close();
}

void frmEditAction::cmdHelp_Click() {
    m_view.ShowHelp(m_ports.App.ProgramDirectory + "\\" + kHelpFileName, kHelpMessageStyle);
}

void frmEditAction::Close() {
    Closed = true;
    m_view.Close();
}

}  // namespace ambrel
