// The numbers of the program's resources and of its windows' controls. The .rc file includes
// this too, so it holds nothing but #define lines.
#pragma once

// Dialog templates, each in an English and a Japanese version.
#define IDD_TRANSFER 102
#define IDD_PROGRESS 129
#define IDD_START 131

#define IDI_PROGRAM 132
#define IDB_BANNER 134

// The start dialog (the End button is IDCANCEL).
#define IDC_MODE_BUTTON 1015
#define IDC_UPDATE_BUTTON 1016
#define IDC_STATUS 1024

// The transfer window (the Close button is IDCANCEL).
#define IDC_UPDATE_VOICE 1000
#define IDC_GET 1001
#define IDC_DELETE 1004
#define IDC_LIST 1010
#define IDC_SELECT_ALL 1013
#define IDC_LIST_LABEL 1018
#define IDC_PATH 1019
#define IDC_MEM_PATH 1020
#define IDC_SELECT 1021
#define IDC_SELECT_MEM 1022
#define IDC_VOICE_LABEL 1023
#define IDC_SELECT_ALL_LABEL 1025
#define IDC_HEADER 1026
#define IDC_PATH_LABEL 1027
#define IDC_MEM_PATH_LABEL 1028
#define IDC_FORMAT 1030

// The progress dialog (Cancel is IDCANCEL).
#define IDC_PROGRESS_BAR 1005
#define IDC_PROGRESS_MESSAGE 1006

// The tray icon's one menu command.
#define IDM_EXIT 32772
