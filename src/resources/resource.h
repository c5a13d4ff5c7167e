// Resource and command ids shared by telvia.rc and the code.
// Plain #defines only: this header is included by the resource compiler and by portable code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// String table
#define IDS_APP_TITLE 103      // product name, window title, registry key
#define IDS_ABOUT_LINE2 104    // second text line of the About box
#define IDS_VERSION 105        // version text
#define IDS_WINDOW_CLASS 109   // window class name, also the single-instance key
#define IDS_ABOUT_LINE1 1010   // first text line of the About box

// Icon, menus, accelerators, dialogs, bitmap
#define IDI_TELVIA 107
#define IDR_MAIN_MENU 109
#define IDR_ACCELERATORS 109
#define IDR_CHANNELS_MENU 131
#define IDD_CHANNEL_LIST 129
#define IDD_CHANNEL_FORM 130
#define IDD_ABOUT 132
#define IDB_LOGO 133

// Main menu, accelerator and internal commands
#define IDM_PLAY_PAUSE 101
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_CONNECT_CURRENT 32771   // internal: connect to the current channel
#define IDM_FULL_SCREEN 32772
#define IDM_SIZE_50 32774
#define IDM_SIZE_100 32775
#define IDM_SIZE_200 32776
#define IDM_SIZE_FIT 32777
#define IDM_CHANNELS_PLACEHOLDER 32780  // the only item of the channels menu template
#define IDM_USER_MANUAL 32782
#define IDM_EDIT_CHANNELS 32783
#define IDM_STOP 32789
#define IDM_NEXT_CHANNEL 32795
#define IDM_PREVIOUS_CHANNEL 32796
#define IDM_SELECT_CHANNEL 32797
#define IDM_SOUND_UP 32800
#define IDM_SOUND_DOWN 32801
#define IDM_SAVE_CHANNELS 32804
#define IDM_RECONNECT 32807
#define IDM_LOAD_CHANNELS 32808
#define IDM_HOME_PAGE 32812
#define IDM_TEST_CLIPBOARD 32813
#define IDM_INFORMATION 32820
#define IDM_LOAD_WAITING_LISTS 32830  // internal: open the Load dialog for lists from outside

// Items of the channels pop-up: item k has id IDM_CHANNEL_FIRST + k
#define IDM_CHANNEL_FIRST 1024
#define IDM_CHANNEL_LAST 1423

// Dialog 129: channel list (edit, save and load)
#define IDC_CHANNEL_LIST 1000
#define IDC_LIST_PLAY 101
#define IDC_LIST_ADD 3
#define IDC_LIST_EDIT 4      // "Select all" in the save and load dialogs
#define IDC_LIST_DELETE 5    // "Unselect all" in the save and load dialogs
#define IDC_LIST_VISIT 32812

// Dialog 130: add / edit channel form
#define IDC_FORM_NAME 1005
#define IDC_FORM_NOTE 1006
#define IDC_FORM_ADDRESS 1007
#define IDC_FORM_ON 1008
#define IDC_FORM_HOME_PAGE 1012
#define IDC_FORM_COUNTRY 1013
#define IDC_FORM_COUNTRY_LABEL 1014
#define IDC_FORM_NAME_LABEL 1015
#define IDC_FORM_NOTE_LABEL 1016
#define IDC_FORM_ADDRESS_LABEL 1017
#define IDC_FORM_HOME_PAGE_LABEL 1018

// Dialog 132: About box
#define IDC_ABOUT_PRODUCT 1009
#define IDC_ABOUT_LINE1 1010
#define IDC_ABOUT_LINE2 104
#define IDC_ABOUT_LOGO 1011
