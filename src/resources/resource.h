#pragma once
// Resource identifiers of Stats.rc, shared with the code.
#define IDD_CABRILLO 101
#define IDD_SETUP 105
#define IDD_OBLAST 106
#define IDD_DXCC 108
#define IDI_KORVAN 110

// Setup panel (105)
#define IDC_SETUP_CW 1003
#define IDC_SETUP_SSB 1005
#define IDC_SETUP_VIEW_KDA 1014
#define IDC_SETUP_VIEW_DXCC 1106
#define IDC_SETUP_ON_TOP 1107
#define IDC_SETUP_CHOICE_LABEL 1123
#define IDC_SETUP_VIEW_LABEL 1124
