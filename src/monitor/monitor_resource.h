#pragma once
// Dialog and control numbers of the monitor's dialogs (ambrel.rc).

#define IDD_SHUT_WARNING 300
#define IDC_WARNLABEL2 3001
#define IDC_WARNLABEL1 3002
#define IDC_LBLSECONDS 3003
#define IDC_WARNLABEL4 3004
