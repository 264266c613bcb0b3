// Every numeric id of Tallisk, shared by tallisk.rc and the code.
// A control's or command's status-bar help is the string with the same id.
#ifndef TALLISK_RESOURCE_H
#define TALLISK_RESOURCE_H

// The main dialog template's size in dialog units: the layout measures the
// window from it, since a window larger than the screen is created smaller.
#define MAIN_DIALOG_WIDTH 204
#define MAIN_DIALOG_HEIGHT 219

// Main window controls (2000-2099); also the ids of their help strings.
#define IDC_NAME 2000
#define IDC_VARIABLES 2001
#define IDC_FUNCTION 2002
#define IDC_STATUSBAR 2061

// Help texts of the menu bar's popups (2500-2599), by popup position.
#define IDS_FILE_POPUP_HELP 2500
#define IDS_HELP_POPUP_HELP 2501

// Commands (2600-2799): menu items and the two buttons; also their help strings.
#define IDM_NEW 2600
#define IDM_LAUNCH 2601
#define IDM_SELECT_LAUNCH 2602
#define IDM_CREATE_LAUNCH 2603
#define IDM_CREATE_LAUNCH_AS 2604
#define IDM_OPEN 2605
#define IDM_EXIT 2620
#define IDM_MANUAL 2700
#define IDM_ABOUT 2701

// Tooltip texts (3000-3699): 1000 above the control they belong to.
#define IDS_TIP_NAME 3000
#define IDS_TIP_VARIABLES 3001
#define IDS_TIP_FUNCTION 3002
#define IDS_TIP_LAUNCH 3601
#define IDS_TIP_CREATE 3603

// File dialog filter list (5100-5199).
#define IDS_FILTER_HTML_NAME 5100
#define IDS_FILTER_HTML_PATTERN 5101
#define IDS_FILTER_ALL_NAME 5102
#define IDS_FILTER_ALL_PATTERN 5103

// Error messages (5200-5799).
#define IDS_ERROR_TITLE 5200
#define IDS_OPEN_FAILED 5220
#define IDS_WRITE_FAILED 5221
#define IDS_PAGE_NOT_READ 5230
#define IDS_PAGE_NOT_CALCULATOR 5231
#define IDS_PAGE_CHANGED 5232
#define IDS_PAGE_ZERO_BYTE 5233
#define IDS_PAGE_TOO_LONG 5234
#define IDS_PAGE_NO_MEMORY 5235
#define IDS_PAGE_TOO_LARGE 5236
#define IDS_CONF_READ_FAILED 5730
#define IDS_CONF_WRITE_FAILED 5731
#define IDS_START_FAILED 5740
#define IDS_OPEN_NOT_ANSWERING 5741
#define IDS_KEPT_READ_FAILED 5750
#define IDS_KEPT_DAMAGED 5751
#define IDS_KEPT_NOT_MOVED 5752
#define IDS_KEPT_WRITE_FAILED 5753

// Questions (5300-5399).
#define IDS_QUESTION_TITLE 5300
#define IDS_ASK_WRITE_TEXTS 5301
#define IDS_ASK_REPLACE_PAGE 5302

// Timers of the main window (5800-5899).
#define IDT_KEEP_TEXTS 5800

// Icon (5900).
#define IDI_TALLISK 5900

// About box controls (8000-8099); OK is IDOK (1), the icon static is -1.
#define IDC_LINK_BUTTON 8000
#define IDC_LINK_LABEL 8001
#define IDC_ABOUT_LINE1 8020
#define IDC_ABOUT_LINE2 8021

#endif
