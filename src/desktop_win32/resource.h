// Resource and control ids of the Windows desktop program, shared by the resource script
// (q7310_upgrade.rc, compiled by windres) and the C++ code. Plain #defines, because the resource
// compiler reads only the preprocessor.
#pragma once

// Templates and resources.
#define IDD_ABOUTBOX 100
#define IDD_UPGRADE 102
#define IDD_COMM_PROGRESS 104
#define IDR_MAINFRAME 128
#define IDD_SETTING 130

// Main window.
#define IDC_BACKUP 1000
#define IDC_UPDATE 1001
#define IDC_RESTORE 1002
#define IDC_ARROW1 1003
#define IDC_ARROW2 1004
#define IDC_GUIDE 1005
#define IDC_CAUTION_TEXT 1016
#define IDC_CAUTION_TITLE 1017
#define IDC_BACKUP_NOTICE 1020

// Menu commands and the system menu's About item.
#define ID_OPTION_SETTING 32771
#define ID_FILE_EXIT 32772
#define ID_OPTION_RESTORE_FROM 32773
#define ID_OPTION_VERIFY 32774
#define ID_FILE_OPEN_FIRMWARE 32775
#define IDM_ABOUTBOX 0x0010

// The Verify button of the restore's COMPLETE box.
#define IDC_VERIFY 1040

// Progress dialog (the caution labels share the main window's ids).
#define IDC_COMM_CANCEL 3
#define IDC_COMM_MESSAGE 1006
#define IDC_COMM_PROGRESS 1018

// Port settings dialog (OK and Cancel are the standard ids 1 and 2).
#define IDC_PORT_NO 1008
#define IDC_BAUDRATE 1009
#define IDC_PORT_LABEL 1010
#define IDC_BAUD_LABEL 1011
#define IDC_BPS_LABEL 1012
#define IDC_DEVICE_LABEL 1013
#define IDC_DEVICE 1014
#define IDC_PORTS_HEADING 1015
#define IDC_PORTS_LIST 1019
#define IDC_PORTS_NOTE 1021

// About box.
#define IDC_ABOUT_TEXT 1030
#define IDC_ABOUT_BUILD 1031
