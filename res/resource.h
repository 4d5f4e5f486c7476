/* Resource ids of the program, shared by the resource script and the code. */
#pragma once

/* Strings */
#define IDS_MAIN_CLASS 1
#define IDS_WINDOW_TITLE 2
#define IDS_TIP_SELECT_FILES 3
#define IDS_TIP_SCOUR 4
#define IDS_TIP_ABOUT 5
#define IDS_TIP_QUIT 6
#define IDS_SELECTOR_CLASS 7
#define IDS_TIP_OK 8
#define IDS_TIP_CANCEL 9
#define IDS_TIP_KEEP_ALL 10
#define IDS_TIP_REMOVE_ALL 11

/* Background and icon */
#define IDB_BACKGROUND 101
#define IDI_SCOURWELL 102

/* Button frames and faces */
#define IDB_WIDE_FRAME_FOCUSED 115
#define IDB_WIDE_FRAME 116
#define IDB_SCOUR_DISABLED 117
#define IDB_SCOUR 118
#define IDB_SCOUR_PUSHED 119
#define IDB_SELECT_FILES_DISABLED 120
#define IDB_SELECT_FILES 121
#define IDB_SELECT_FILES_PUSHED 122
#define IDB_QUIT_PUSHED 123
#define IDB_ABOUT_DISABLED 124
#define IDB_ABOUT 125
#define IDB_ABOUT_PUSHED 126
#define IDB_NARROW_FRAME_FOCUSED 127
#define IDB_NARROW_FRAME 128
#define IDB_QUIT_DISABLED 129
#define IDB_QUIT 130

/* Dialogs and data */
#define IDD_ABOUT 131
#define IDR_PALETTE 133
#define IDD_COLOURS 134

/* Main window buttons */
#define IDC_SELECT_FILES 1000
#define IDC_SCOUR 1001
#define IDC_ABOUT 1002
#define IDC_QUIT 1003
/* The progress line under the buttons during a run */
#define IDC_PROGRESS 1004

/* Colour dialog controls */
#define IDC_REMOVE_ALL 3
#define IDC_KEEP_ALL 4
#define IDC_PALETTE 1002
#define IDC_COLOURS_OK 1003
#define IDC_COLOURS_CANCEL 1004

/* About box */
#define IDC_ABOUT_OK 1000
