#include "maintenance/command_editor_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "maintenance/corvane_resource.h"
#include "maintenance/frmCommandMessageStyle.h"

namespace ambrel {

namespace {

const std::vector<int> kRunOption{IDC_OPTCOMMANDRUNOPTION0, IDC_OPTCOMMANDRUNOPTION1, IDC_OPTCOMMANDRUNOPTION2};
const std::vector<int> kRunFrequency{IDC_OPTRUNFREQUENCY0, IDC_OPTRUNFREQUENCY1, IDC_OPTRUNFREQUENCY2,
                                     IDC_OPTRUNFREQUENCY3};
const std::vector<int> kDefaultButton{IDC_OPTDEFAULTBUTTON0, IDC_OPTDEFAULTBUTTON1, IDC_OPTDEFAULTBUTTON2};
const int kActionLists[3] = {IDC_CBOACTION1, IDC_CBOACTION2, IDC_CBOACTION3};
const int kIconPictures[4] = {IDC_IMGICONSTYLE0, IDC_IMGICONSTYLE1, IDC_IMGICONSTYLE2, IDC_IMGICONSTYLE3};
// Every input of the editor: off in the read-only confirmation of a deletion.
const int kEditorInputs[] = {IDC_CBOSHOWMESSAGEWHEN, IDC_CHKSHOWMESSAGE, IDC_CMDEDITMESSAGE, IDC_CMDTEST,
                             IDC_OPTCOMMANDRUNOPTION0, IDC_OPTCOMMANDRUNOPTION1, IDC_OPTCOMMANDRUNOPTION2,
                             IDC_TXTRUNLIMIT, IDC_CMD_BROWSE, IDC_TXT_COMMAND, IDC_CHK_RUN, IDC_CBOWEEKDAY,
                             IDC_CBOMONTHDAY, IDC_CBOYEARMONTH, IDC_CBOYEARDAY, IDC_OPTRUNFREQUENCY0,
                             IDC_OPTRUNFREQUENCY1, IDC_OPTRUNFREQUENCY2, IDC_OPTRUNFREQUENCY3};

std::vector<dlg::ComboEntry> Entries(const char* const* texts, int count) {
    std::vector<dlg::ComboEntry> entries;
    for (int i = 0; i < count; ++i) entries.push_back({texts[i], 0});
    return entries;
}

std::vector<dlg::ComboEntry> Days() {
    std::vector<dlg::ComboEntry> days;
    for (int day = 1; day <= 31; ++day) days.push_back({std::to_string(day), 0});
    return days;
}

int IndexIn(const std::vector<int>& ids, int id) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == id) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------

class EditActionDialog final : public ModalDialogView, public IEditActionView {
public:
    EditActionDialog(EditorPorts& ports, frm_Ambrel_Maintenance& reporter, frmCommandMessageStyle& owner)
        : ModalDialogView(reporter, IDD_EDIT_ACTION), m_form(ports, owner, *this) {}
    void Load() { m_form.Form_Load(); }

    void Refresh() override {
        if (!m_hwnd) return;
        m_refreshing = true;
        SetWindowTextA(m_hwnd, m_form.Caption.c_str());
        dlg::Text(m_hwnd, IDC_TXTUSERDEFINEDACTION, m_form.txtUserDefinedAction);
        ShowTest(IDC_ACTIONTEST, m_form.Test);
        m_refreshing = false;
    }
    std::string ShowOpen(const OpenFileRequest& request) override { return m_dialog.ShowOpen(request); }
    void ShowHelp(const std::string& file, unsigned long context) override { ShowHelpTopic(file, context); }
    void Close() override { End(); }

private:
    void OnInit() override {
        SendDlgItemMessageA(m_hwnd, IDC_TXTUSERDEFINEDACTION, EM_LIMITTEXT, kMaxCommandLine + 1, 0);
        dlg::TypedTextOnly(m_hwnd, IDC_TXTUSERDEFINEDACTION);
        m_tips.Add(m_hwnd, IDC_TXTUSERDEFINEDACTION, "Action to take");
        m_tips.Add(m_hwnd, IDC_ACTIONBROWSE, "Select a program or file");
        m_tips.Add(m_hwnd, IDC_ACTIONTEST, "Test user-defined action");
        m_tips.Add(m_hwnd, IDOK, "Accept and exit");
        m_tips.Add(m_hwnd, IDCANCEL, "Exit without saving");
        m_tips.Add(m_hwnd, IDC_ACTIONHELP, "Show help");
        Refresh();
    }
    void OnCommand(int id, int code) override {
        if (code != BN_CLICKED) return;
        m_form.txtUserDefinedAction = dlg::Text(m_hwnd, IDC_TXTUSERDEFINEDACTION);
        switch (id) {
            case IDC_ACTIONBROWSE: m_form.cmdBrowse_Click(); break;
            case IDC_ACTIONTEST:
                m_form.cmdTest_Click();
                SetForegroundWindow(m_hwnd);
                break;
            case IDOK: m_form.cmdOK_Click(); break;
            case IDCANCEL: m_form.cmdCancel_Click(); break;
            case IDC_ACTIONHELP: m_form.cmdHelp_Click(); break;
            default: break;
        }
    }
    void OnClose() override { m_form.cmdCancel_Click(); }
    void OnHelp() override { m_form.cmdHelp_Click(); }

    frmEditAction m_form;
};

// ---------------------------------------------------------------------------

class MessageStyleDialog final : public ModalDialogView, public IMessageStyleView {
public:
    MessageStyleDialog(EditorPorts& ports, frm_Ambrel_Maintenance& reporter, Frm_add_command& editor)
        : ModalDialogView(reporter, IDD_MESSAGE_STYLE), m_ports(ports), m_reporter(reporter), m_form(ports, editor, *this) {}
    void Load() { m_form.Form_Load(); }

    void Refresh() override {
        if (!m_hwnd) return;
        m_refreshing = true;
        dlg::ListIndex(m_hwnd, IDC_CBOBUTTONS, m_form.cboButtons_ListIndex);
        dlg::ListIndex(m_hwnd, IDC_CBOICONSTYLE, m_form.cboIconStyle_ListIndex);
        dlg::Option(m_hwnd, kDefaultButton, m_form.optDefaultButton);
        for (int i = 0; i < 3; ++i) dlg::ListIndex(m_hwnd, kActionLists[i], m_form.cboAction_ListIndex[i]);
        for (int i = 0; i < 4; ++i) dlg::Show(m_hwnd, kIconPictures[i], m_form.imgIconStyle_Visible[i]);
        dlg::Text(m_hwnd, IDC_TXTMESSAGE, m_form.txtMessage);
        m_refreshing = false;
    }
    void ShowHelp(const std::string& file, unsigned long context) override { ShowHelpTopic(file, context); }
    void ShowEditAction() override {
        EditActionDialog action(m_ports, m_reporter, m_form);
        action.Load();
        action.Run(m_hwnd);
    }
    void Close() override { End(); }

private:
    void OnInit() override {
        dlg::ComboItems(m_hwnd, IDC_CBOBUTTONS, Entries(kButtonSets, 6));
        dlg::ComboItems(m_hwnd, IDC_CBOICONSTYLE, Entries(kIconStyles, 5));
        for (int list : kActionLists) dlg::ComboItems(m_hwnd, list, Entries(kActionItems, 6));
        const LPCSTR icons[4] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
        for (int i = 0; i < 4; ++i)
            SendDlgItemMessageA(m_hwnd, kIconPictures[i], STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconA(nullptr, icons[i])), 0);
        SendDlgItemMessageA(m_hwnd, IDC_TXTMESSAGE, EM_LIMITTEXT, kMaxMessageText + 1, 0);
        m_tips.Add(m_hwnd, IDC_TXTMESSAGE, "The message text to be displayed");
        m_tips.Add(m_hwnd, IDC_STYLETEST, "Test this message");
        m_tips.Add(m_hwnd, IDC_STYLEACCEPT, "Accept and exit");
        m_tips.Add(m_hwnd, IDCANCEL, "Exit without saving");
        m_tips.Add(m_hwnd, IDC_STYLEHELP, "Show help");
        Refresh();
    }
    void ReadControls() {
        m_form.cboButtons_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOBUTTONS);
        m_form.cboIconStyle_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOICONSTYLE);
        m_form.optDefaultButton = dlg::Option(m_hwnd, kDefaultButton);
        for (int i = 0; i < 3; ++i) m_form.cboAction_ListIndex[i] = dlg::ListIndex(m_hwnd, kActionLists[i]);
        m_form.txtMessage = dlg::Text(m_hwnd, IDC_TXTMESSAGE);
    }
    void OnCommand(int id, int code) override {
        if (code == CBN_SELCHANGE && id == IDC_CBOICONSTYLE) {
            ReadControls();
            m_form.cboIconStyle_Click();
            return;
        }
        if (code != BN_CLICKED) return;
        ReadControls();
        switch (id) {
            case IDC_STYLETEST: m_form.cmdTest_Click(); break;
            case IDC_STYLEACCEPT: m_form.cmdAccept_Click(); break;
            case IDCANCEL: m_form.cmdCancel_Click(); break;
            case IDC_CMDEDITACTION1: m_form.cmdEditAction_Click(1); break;
            case IDC_CMDEDITACTION2: m_form.cmdEditAction_Click(2); break;
            case IDC_CMDEDITACTION3: m_form.cmdEditAction_Click(3); break;
            case IDC_STYLEHELP: m_form.cmdHelp_Click(); break;
            default: break;
        }
    }
    void OnClose() override { m_form.cmdCancel_Click(); }
    void OnHelp() override { m_form.cmdHelp_Click(); }

    EditorPorts& m_ports;
    frm_Ambrel_Maintenance& m_reporter;
    frmCommandMessageStyle m_form;
};

// ---------------------------------------------------------------------------

class AddCommandDialog final : public ModalDialogView, public IAddCommandView {
public:
    AddCommandDialog(EditorPorts& ports, frm_Ambrel_Maintenance& owner)
        : ModalDialogView(owner, IDD_ADD_COMMAND), m_ports(ports), m_owner(owner), m_form(ports, owner, *this) {}
    void Load() { m_form.Form_Load(); }

    void Refresh() override {
        if (!m_hwnd) return;
        const Frm_add_command& f = m_form;
        m_refreshing = true;
        dlg::Text(m_hwnd, IDC_LBL_COMMAND, f.lbl_command);
        dlg::Text(m_hwnd, IDC_TXT_COMMAND, f.Txt_command);
        dlg::Check(m_hwnd, IDC_CHK_RUN, f.Chk_run);
        dlg::Text(m_hwnd, IDC_CHK_RUN, f.Chk_run_Caption);
        dlg::Show(m_hwnd, IDC_IMG_RUN, f.Img_run_Visible);
        dlg::Show(m_hwnd, IDC_IMG_DONT_RUN, f.Img_dont_run_Visible);
        dlg::Option(m_hwnd, kRunOption, f.optCommandRunOption);
        dlg::Check(m_hwnd, IDC_CHKSHOWMESSAGE, f.chkShowMessage);
        dlg::ListIndex(m_hwnd, IDC_CBOSHOWMESSAGEWHEN, f.cboShowMessageWhen_ListIndex);
        dlg::Option(m_hwnd, kRunFrequency, f.optRunFrequency);
        dlg::ListIndex(m_hwnd, IDC_CBOWEEKDAY, f.cboWeekDay_ListIndex);
        dlg::ListIndex(m_hwnd, IDC_CBOMONTHDAY, f.cboMonthDay_ListIndex);
        dlg::ListIndex(m_hwnd, IDC_CBOYEARMONTH, f.cboYearMonth_ListIndex);
        dlg::ListIndex(m_hwnd, IDC_CBOYEARDAY, f.cboYearDay_ListIndex);
        dlg::Text(m_hwnd, IDC_TXTRUNLIMIT, f.txtRunLimit);
        for (int id : kEditorInputs) dlg::Enable(m_hwnd, id, f.Inputs_Enabled);
        if (f.Inputs_Enabled) {
            dlg::Enable(m_hwnd, IDC_CBOWEEKDAY, f.cboWeekDay_Enabled);
            dlg::Enable(m_hwnd, IDC_CBOMONTHDAY, f.cboMonthDay_Enabled);
            dlg::Enable(m_hwnd, IDC_CBOYEARMONTH, f.cboYearMonth_Enabled);
            dlg::Enable(m_hwnd, IDC_CBOYEARDAY, f.cboYearDay_Enabled);
        }
        ShowTest(IDC_CMDTEST, f.Test);
        m_refreshing = false;
    }
    std::string ShowOpen(const OpenFileRequest& request) override { return m_dialog.ShowOpen(request); }
    void ShowHelp(const std::string& file, unsigned long context) override { ShowHelpTopic(file, context); }
    void ShowMessageStyle() override {
        MessageStyleDialog style(m_ports, m_owner, m_form);
        style.Load();
        style.Run(m_hwnd);
    }
    void Close() override { End(); }

private:
    void OnInit() override {
        static const char* const kWhen[2] = {"Before command runs", "After command runs"};
        static const char* const kWeekDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
        static const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                                "July",    "August",   "September", "October", "November", "December"};
        dlg::ComboItems(m_hwnd, IDC_CBOSHOWMESSAGEWHEN, Entries(kWhen, 2));
        dlg::ComboItems(m_hwnd, IDC_CBOWEEKDAY, Entries(kWeekDays, 7));
        dlg::ComboItems(m_hwnd, IDC_CBOMONTHDAY, Days());
        dlg::ComboItems(m_hwnd, IDC_CBOYEARMONTH, Entries(kMonths, 12));
        dlg::ComboItems(m_hwnd, IDC_CBOYEARDAY, Days());
        SendDlgItemMessageA(m_hwnd, IDC_TXT_COMMAND, EM_LIMITTEXT, kMaxCommandLine + 1, 0);
        dlg::TypedTextOnly(m_hwnd, IDC_TXT_COMMAND);
        SendDlgItemMessageA(m_hwnd, IDC_TXTRUNLIMIT, EM_LIMITTEXT, 8, 0);
        const std::pair<int, const char*> tips[] = {
            {IDC_TXT_COMMAND, "Command line to be executed"},
            {IDC_CMD_BROWSE, "Select program or file to be executed"},
            {IDC_CHK_RUN, "Toggles whether to run or not run this command"},
            {IDC_OPTCOMMANDRUNOPTION0, "Run this command in a normal sized window"},
            {IDC_OPTCOMMANDRUNOPTION1, "Run this command minimized on the taskbar"},
            {IDC_OPTCOMMANDRUNOPTION2, "Run this command in a maximized window"},
            {IDC_CHKSHOWMESSAGE, "Display a message when running this command"},
            {IDC_CBOSHOWMESSAGEWHEN, "Show the message before or after command line runs"},
            {IDC_CMDEDITMESSAGE, "Define message box to display"},
            {IDC_TXTRUNLIMIT, "Enter a value from 0 to 100"},
            {IDC_CMDTEST, "Test this command line"},
            {IDOK, "Accept and exit"},
            {IDCANCEL, "Exit without saving"},
            {IDC_CMDHELP, "Show help"},
        };
        for (const auto& [id, text] : tips) m_tips.Add(m_hwnd, id, text);
        Refresh();
        if (!m_form.Inputs_Enabled) {
            SetFocus(GetDlgItem(m_hwnd, IDOK));
            m_focusSet = true;
        }
    }
    void ReadControls() {
        Frm_add_command& f = m_form;
        f.Txt_command = dlg::Text(m_hwnd, IDC_TXT_COMMAND);
        f.Chk_run = dlg::Check(m_hwnd, IDC_CHK_RUN);
        f.optCommandRunOption = dlg::Option(m_hwnd, kRunOption);
        f.chkShowMessage = dlg::Check(m_hwnd, IDC_CHKSHOWMESSAGE);
        f.cboShowMessageWhen_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOSHOWMESSAGEWHEN);
        f.optRunFrequency = dlg::Option(m_hwnd, kRunFrequency);
        f.cboWeekDay_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOWEEKDAY);
        f.cboMonthDay_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOMONTHDAY);
        f.cboYearMonth_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOYEARMONTH);
        f.cboYearDay_ListIndex = dlg::ListIndex(m_hwnd, IDC_CBOYEARDAY);
        f.txtRunLimit = dlg::Text(m_hwnd, IDC_TXTRUNLIMIT);
    }
    void OnCommand(int id, int code) override {
        Frm_add_command& f = m_form;
        if (code == EN_SETFOCUS && id == IDC_TXT_COMMAND) {
            SendDlgItemMessageA(m_hwnd, IDC_TXT_COMMAND, EM_SETSEL, 0, -1);
            return;
        }
        if (code == EN_KILLFOCUS && id == IDC_TXTRUNLIMIT) {
            ReadControls();
            f.txtRunLimit_LostFocus();
            return;
        }
        if (code != BN_CLICKED) return;
        ReadControls();
        if (int frequency = IndexIn(kRunFrequency, id); frequency >= 0) {
            f.optRunFrequency_Click(frequency);
            return;
        }
        switch (id) {
            case IDC_CHK_RUN: f.Chk_run_Click(); break;
            case IDC_CMD_BROWSE: f.cmd_browse_Click(); break;
            case IDC_CMDEDITMESSAGE: f.cmdEditMessage_Click(); break;
            case IDC_CMDHELP: f.CmdHelp_Click(); break;
            case IDC_CMDTEST: f.cmdTest_Click(); break;
            case IDOK: f.Cmd_ok_Click(); break;
            case IDCANCEL: f.Cmd_cancel_Click(); break;
            default: break;
        }
    }
    void OnClose() override { m_form.Form_QueryUnload(); }
    void OnHelp() override { m_form.CmdHelp_Click(); }

    EditorPorts& m_ports;
    frm_Ambrel_Maintenance& m_owner;
    Frm_add_command m_form;
};

}  // namespace

// ---------------------------------------------------------------------------

void ModalDialogView::Run(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_template), owner, Proc,
                    reinterpret_cast<LPARAM>(this));
    m_hwnd = nullptr;
}

void ModalDialogView::ShowTest(int button, const CommandTest& test) {
    dlg::Text(m_hwnd, button, test.Caption());
    dlg::Enable(m_hwnd, IDOK, !test.Running());
    dlg::Enable(m_hwnd, IDCANCEL, !test.Running());
}

void ModalDialogView::ShowHelpTopic(const std::string& file, unsigned long context) {
    m_dialog.ShowHelpTopic(file, context);
}

void ModalDialogView::End() {
    if (m_ended || !m_hwnd) return;
    m_ended = true;
    EndDialog(m_hwnd, 0);
}

INT_PTR CALLBACK ModalDialogView::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalDialogView* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialogView*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        self->m_dialog.Owner(hwnd);
        self->m_tips.Create(hwnd);
        self->Guarded([self] { self->OnInit(); });
        // The first control takes the focus unless OnInit chose another.
        return self->m_focusSet ? FALSE : TRUE;
    }
    self = reinterpret_cast<ModalDialogView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self || self->m_ended) return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (!self->m_refreshing)
                self->Guarded([self, wParam] { self->OnCommand(LOWORD(wParam), HIWORD(wParam)); });
            return TRUE;
        case WM_CLOSE:
            self->Guarded([self] { self->OnClose(); });
            return TRUE;
        case WM_HELP:
            self->Guarded([self] { self->OnHelp(); });
            return TRUE;
        default: return FALSE;
    }
}

void Win32CommandEditor::Show(frm_Ambrel_Maintenance& owner) {
    AddCommandDialog editor(m_ports, owner);
    editor.Load();
    editor.Run(m_owner);
}

}  // namespace ambrel
