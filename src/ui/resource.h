// Resource ids of the program: each dialog has its own block of control ids.
#pragma once

#define IDI_QUORVEL 100
#define IDB_BANNER 101

// Main window.
#define IDD_MAIN 1001
#define IDC_OPEN_FILES 1002
#define IDC_OPEN_FOLDER 1003
#define IDC_EXPORT 1004
#define IDC_CONFIGURATION 1005
#define IDC_SONG_LIST 1007
#define IDC_BANNER 1008
#define IDC_STATUS 1009
#define IDC_UNUSED_LIST 1010
#define IDC_TABS 1011
#define IDC_MISSING_LIST 1012
#define IDC_ERROR_LIST 1013

// About box.
#define IDD_ABOUT 1101
#define IDC_LINK_AUTHOR 1102
#define IDC_LINK_TRACKER 1103
#define IDC_LINK_ARTIST 1104
#define IDC_ABOUT_BANNER 1105

// The About box's web addresses, which are also the texts of its links.
#define QUORVEL_AUTHOR_URL "https://quorvel.example.org/"
#define QUORVEL_TRACKER_URL "https://www.renoise.com/"
#define QUORVEL_ARTIST_URL "https://quorvel.example.org/art/"

// Configuration dialog.
#define IDD_CONFIG 1201
#define IDC_SCAN_SUBFOLDERS 1202
#define IDC_VST1_PATH 1203
#define IDC_VST2_PATH 1204
#define IDC_VST1_BROWSE 1205
#define IDC_VST2_BROWSE 1206
#define IDC_CONFIG_HELP 1207
#define IDC_VST1_ENABLED 1208
#define IDC_VST2_ENABLED 1209
#define IDC_OPTIONS_GROUP 4003

// Context menu of the result lists.
#define IDR_CONTEXT_MENU 2001
#define IDM_RESET 2002
#define IDM_OPEN_FILES 2003
#define IDM_OPEN_FOLDER 2004
#define IDM_EXPORT 2005
#define IDM_HELP 2006
#define IDM_CONFIGURATION 2007
#define IDM_ABOUT 2008

// The hyperlink control's styles as the About box uses them: left, top,
// underlined on hover only, click sound, autosize.
#define HLS_ABOUT_LINK 0x3411
