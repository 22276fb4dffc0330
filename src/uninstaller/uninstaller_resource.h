#pragma once
// Dialog and control numbers of the uninstaller's window (Pellorin.rc).

#define IDD_UNINSTALL 500
#define IDC_LABEL1 5001
#define IDC_TXTMESSAGE 5002
#define IDC_TXTMESSAGE2 5003
#define IDC_LABEL2_0 5010
#define IDC_LABEL2_4 5014
#define IDC_CMDOK 5020
#define IDC_CMDHELP 5021
