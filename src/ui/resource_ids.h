/* Resource and control identifiers of Kelvane.exe, shared by the resource script and the code.
   Plain C macros: the resource compiler reads this file too. */
#ifndef KV_UI_RESOURCE_IDS_H
#define KV_UI_RESOURCE_IDS_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Dialog templates */
#define IDD_ABOUTBOX 100
#define IDD_KELVANE_DIALOG 102

/* Icons: application (no keyboard), keyboard attached, keyboard busy */
#define IDR_MAINFRAME 128
#define IDI_KEYBOARD_ATTACHED 141
#define IDI_KEYBOARD_BUSY 142

/* Menus: notification-area menu, file menu */
#define IDR_TRAY_MENU 140
#define IDR_FILE_MENU 144

/* System menu item appended at start-up */
#define IDM_ABOUTBOX 0x0010

/* Menu commands */
#define ID_TRAY_OPEN 32771
#define ID_TRAY_ABOUT 32773
#define ID_TRAY_EXIT 32774
#define ID_FILE_IMPORT 32776
#define ID_FILE_EXPORT 32777
#define ID_MENU_EXIT 32779
#define ID_MENU_UPDATE 32780
#define ID_MENU_RELOAD_LIGHTING 32784

/* Main window controls */
#define IDC_G1 1000
#define IDC_G2 1001
#define IDC_G3 1002
#define IDC_G4 1003
#define IDC_G5 1004
#define IDC_FUNC_PROFILES 1005
#define IDC_APPLY 1006
#define IDC_FUNC_MACRO 1007
#define IDC_TORVEL_LINK 1121
#define IDC_HELP_BUTTON 1122
#define IDC_MINIMIZE 1123
#define IDC_CLOSE_BUTTON 1124
#define IDC_LOCK_CAPS 1125
#define IDC_LOCK_NUM 1126
#define IDC_LOCK_SCROLL 1127
#define IDC_LOCK_AB 1128
#define IDC_FLIP_0 1129
#define IDC_FLIP_1 1130
#define IDC_FLIP_2 1131
#define IDC_LEFT_ARROW 1132
#define IDC_RIGHT_ARROW 1133
#define IDC_TORVEL_VER 1134
#define IDC_PROFILE1 1135
#define IDC_PROFILE2 1136
#define IDC_PROFILE3 1137
#define IDC_FUNC_DEFAULT 1138
#define IDC_MENU_BUTTON 1139
#define IDC_G6 1140
#define IDC_G7 1141
#define IDC_G8 1142
#define IDC_G9 1143
#define IDC_REPORT1 1147
#define IDC_REPORT2 1168
#define IDC_REPORT3 1169
#define IDC_REPORT4 1170
#define IDC_BUSY_INDICATOR 1177
#define IDC_USB_STATIC 1204
#define IDC_NETWORK 1219
#define IDC_FACEBOOK 1220
#define IDC_TWITTER 1221

/* About box controls */
#define IDC_ABOUT_LINK 1124
#define IDC_ABOUT_COPYRIGHT 1205
#define IDC_ABOUT_INTRO 1206
#define IDC_ABOUT_VERSION 1207

#endif
