// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDS_DESCRIPTION 1
#define IDM_ABOUT 16
#define IDD_ABOUT 100
#define IDS_ABOUT_MENU 101
#define IDD_SETTINGS 102
#define IDC_BLANK_CURSOR 129
#define IDB_BACKGROUND0 131
#define IDB_BACKGROUND1 132
#define IDB_BACKGROUND2 133
#define IDB_BACKGROUND3 134
#define IDB_SPRITE 135
#define IDB_SPRITE_MASK 136
#define IDI_MAIN 138
#define IDI_ABOUT 139
#define IDC_SPEED 1001
#define IDC_PREVIEW 1004
