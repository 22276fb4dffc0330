#pragma once
// The message a command shows and what each of its buttons does: the message
// style dialog, and the dialog of one button's user defined action. Both work
// on copies and hand them on only when the user accepts.

#include <cstdint>
#include <string>

#include "maintenance/Frm_add_command.h"
#include "shared/CommandRecords.h"

namespace ambrel {

// What the message style dialog needs of its window.
class IMessageStyleView {
public:
    virtual ~IMessageStyleView() = default;
    virtual void Refresh() = 0;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    // Opens the user defined action dialog modally over this one.
    virtual void ShowEditAction() = 0;
    virtual void Close() = 0;
};

// The lists of the dialog, in order.
extern const char* const kButtonSets[6];
extern const char* const kIconStyles[5];
extern const char* const kActionItems[6];

// A message style split into the dialog's three choices, and put together again.
struct MessageStyleParts {
    int Buttons = 0;        // cboButtons position; -1 when the rest is no button set
    int Icon = 0;           // cboIconStyle position
    int DefaultButton = 0;  // optDefaultButton index
};
MessageStyleParts SplitMessageStyle(std::int16_t style);
std::int16_t ComposeMessageStyle(const MessageStyleParts& parts);

class frmCommandMessageStyle {
public:
    frmCommandMessageStyle(EditorPorts& ports, Frm_add_command& editor, IMessageStyleView& view);

    void Form_Load();
    void cboIconStyle_Click();
    void cmdTest_Click();
    void cmdAccept_Click();
    void cmdCancel_Click();
    void cmdEditAction_Click(int button);  // 1 to 3
    void cmdHelp_Click();

    // The button whose user defined action is being edited, and that action.
    std::int16_t EditActionButton = 0;
    std::string EditActionText() const;
    void EditActionText(const std::string& text);

    // ---- the window's fields ----
    int cboButtons_ListIndex = 0;
    int cboIconStyle_ListIndex = 0;
    int optDefaultButton = 0;
    int cboAction_ListIndex[3] = {-1, -1, -1};  // cboAction1 to cboAction3; -1: no choice
    bool imgIconStyle_Visible[4] = {false, false, false, false};
    std::string txtMessage;
    bool Closed = false;

    EditorPorts& Ports() { return m_ports; }

private:
    std::int16_t ComposedStyle() const;

    EditorPorts& m_ports;
    Frm_add_command& m_editor;
    IMessageStyleView& m_view;
    CommandSettings m_settings;
    CommandStrings m_strings;
    int m_buttonsAsStored = 0;  // what the style held beyond the known button sets
};

// What the user defined action dialog needs of its window.
class IEditActionView {
public:
    virtual ~IEditActionView() = default;
    virtual void Refresh() = 0;
    virtual std::string ShowOpen(const OpenFileRequest& request) = 0;
    virtual void ShowHelp(const std::string& helpFile, unsigned long context) = 0;
    virtual void Close() = 0;
};

class frmEditAction {
public:
    frmEditAction(EditorPorts& ports, frmCommandMessageStyle& owner, IEditActionView& view);

    void Form_Load();
    void cmdBrowse_Click();
    void cmdTest_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    std::string Caption = "Edit User Defined Action";
    std::string txtUserDefinedAction;
    bool Closed = false;
    CommandTest Test;

private:
    void Close();

    EditorPorts& m_ports;
    frmCommandMessageStyle& m_owner;
    IEditActionView& m_view;
};

}  // namespace ambrel
