// resource_library/resource.h - ids of the capture application's resources in PixRes5.dll.
// make_art.py reads the "#define NAME number" lines of this file, so keep them in that form.
#pragma once

// Shared by the main frame's menu, accelerators, toolbar, bitmap and icon.
#define IDR_MAINFRAME               99
#define IDR_CAPTUREBAR              100
#define IDR_PREVIEW_MENU            2002
#define IDR_TOOLS_MENU              2042
#define IDR_TRAY_MENU               2059
#define IDR_ZOOM_MENU               2060
#define IDR_DRAWBAR                 2039
#define IDR_THUMB_MENU              16102
#define IDR_ZOOMBAR                 16138
#define IDR_NAVBAR                  16960
#define IDR_CAPTURE_KEYS            30997
#define IDW_SHUTTER                 2003

#define IDD_ABOUTBOX                100
#define IDD_OPTIONS                 105
#define IDD_HOTKEYS                 135
#define IDD_SAVE_OPTIONS            138
#define IDD_RESIZE                  2041
#define IDD_TIMER                   2056
#define IDD_WATERMARK               2061
#define IDD_PRINT_OPTIONS           16134
#define IDD_COLOR_DEPTH             16150
#define IDD_WELCOME                 30723

// Control ids, per dialog.
#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif
#define IDC_ABOUT_VERSION           1000
#define IDC_ABOUT_COPYRIGHT         1001
#define IDC_ABOUT_ICON              1002

#define IDC_OPT_FORMAT              1010
#define IDC_OPT_FOLDER              1011
#define IDC_OPT_BROWSE              1012
#define IDC_OPT_HIDE_WINDOW         1013
#define IDC_OPT_SOUND               1014
#define IDC_OPT_TRAY                1015
#define IDC_OPT_AFTER               1016

#define IDC_HOTKEY_SCREEN           1020
#define IDC_HOTKEY_WINDOW           1021
#define IDC_HOTKEY_REGION           1022
#define IDC_HOTKEY_SCROLL           1023
#define IDC_HOTKEY_MENU             1024
#define IDC_HOTKEY_RESET            1025

#define IDC_SAVE_FORMAT             1030
#define IDC_SAVE_QUALITY            1031
#define IDC_SAVE_QUALITY_TEXT       1032
#define IDC_SAVE_COLORS             1033
#define IDC_SAVE_NAME_PATTERN       1034

#define IDC_RESIZE_WIDTH            1040
#define IDC_RESIZE_HEIGHT           1041
#define IDC_RESIZE_KEEP_RATIO       1042
#define IDC_RESIZE_PERCENT          1043

#define IDC_TIMER_DELAY             1050
#define IDC_TIMER_SPIN              1051
#define IDC_TIMER_MODE              1052
#define IDC_TIMER_BEEP              1053

#define IDC_MARK_TEXT               1060
#define IDC_MARK_POSITION           1061
#define IDC_MARK_OPACITY            1062

#define IDC_PRINT_FIT               1070
#define IDC_PRINT_SCALE             1071
#define IDC_PRINT_CENTER            1072
#define IDC_PRINT_TITLE             1073
#define IDC_PRINT_SCALE_ON          1074

#define IDC_DEPTH_LIST              1080

#define IDC_WELCOME_TEXT            1090
#define IDC_WELCOME_SHOW            1091
#define IDC_WELCOME_PICTURE         1092

// Commands shared with the framework's standard ids.
#define ID_FILE_NEW                 57600
#define ID_FILE_OPEN                57601
#define ID_FILE_CLOSE               57602
#define ID_FILE_SAVE                57603
#define ID_FILE_SAVE_AS             57604
#define ID_FILE_PRINT               57607
#define ID_FILE_PRINT_PREVIEW       57609
#define ID_EDIT_CLEAR               57632
#define ID_EDIT_COPY                57634
#define ID_EDIT_CUT                 57635
#define ID_EDIT_PASTE               57637
#define ID_EDIT_SELECT_ALL          57642
#define ID_EDIT_UNDO                57643
#define ID_APP_ABOUT                57664
#define ID_APP_EXIT                 57665
#define ID_HELP_INDEX               57666
#define ID_VIEW_TOOLBAR             59392
#define ID_VIEW_STATUS_BAR          59393

// The application's own commands.
#define ID_CAPTURE_SCREEN           32771
#define ID_CAPTURE_WINDOW           32772
#define ID_CAPTURE_REGION           32773
#define ID_CAPTURE_SCROLL           32774
#define ID_CAPTURE_MENU             32775
#define ID_CAPTURE_TIMED            32776
#define ID_CAPTURE_HOTKEYS          32777
#define ID_CAPTURE_CANCEL           32778
#define ID_CAPTURE_ACCEPT           32779
#define ID_IMAGE_RESIZE             32780
#define ID_IMAGE_ROTATE_LEFT        32781
#define ID_IMAGE_ROTATE_RIGHT       32782
#define ID_IMAGE_FLIP               32783
#define ID_IMAGE_COLORS             32784
#define ID_IMAGE_WATERMARK          32785
#define ID_VIEW_ZOOM_IN             32790
#define ID_VIEW_ZOOM_OUT            32791
#define ID_VIEW_ZOOM_100            32792
#define ID_VIEW_ZOOM_FIT            32793
#define ID_VIEW_THUMBNAILS          32794
#define ID_TOOL_SELECT              32800
#define ID_TOOL_PEN                 32801
#define ID_TOOL_LINE                32802
#define ID_TOOL_RECT                32803
#define ID_TOOL_ELLIPSE             32804
#define ID_TOOL_TEXT                32805
#define ID_TOOL_ARROW               32806
#define ID_TOOL_HIGHLIGHT           32807
#define ID_TRAY_OPEN                32810
#define ID_OPTIONS                  32811
#define ID_THUMB_OPEN               32820
#define ID_THUMB_DELETE             32821
#define ID_THUMB_RENAME             32822
#define ID_THUMB_COPY_PATH          32823
#define ID_NAV_FIRST                32830
#define ID_NAV_PREV                 32831
#define ID_NAV_NEXT                 32832
#define ID_NAV_LAST                 32833

// Texts without a command of their own.
#define IDS_CAPTURE                 101
#define IDS_FULL_SCREEN             102
#define IDS_ACTIVE_WINDOW           103
#define IDS_REGION                  104
#define IDS_SCROLLING_WINDOW        105
#define IDS_MENU_CAPTURE            106
#define IDS_TIMED_CAPTURE           107
#define IDS_COPIED                  108
#define IDS_CAPTURE_FAILED          109
#define IDS_SAVE_FAILED             110
#define IDS_CONFIRM_DELETE          111
#define IDS_PRESS_HOTKEY            112
#define IDS_IMAGE_SIZE              113
#define IDS_ZOOM                    114
#define IDS_HOTKEY_TAKEN            115
#define IDS_TRAY_TIP                116
#define IDS_SECONDS_LEFT            117
#define IDS_UNTITLED                118
#define IDS_FILTER                  119
#define IDS_SCROLL_HINT             2003
#define IDS_DRAW_HINT               2039
#define IDS_THUMB_EMPTY             16102
#define IDS_PRINT_PAGE              16134
#define IDS_WELCOME_TIP1            30723
#define IDS_WELCOME_TIP2            30724
#define IDS_WELCOME_TIP3            30725
#define IDS_APP_TITLE               57344
#define IDS_IDLE                    57345
#define IDS_SIZE_WINDOW             61184
#define IDS_MOVE_WINDOW             61185
#define IDS_MINIMIZE                61186
#define IDS_MAXIMIZE                61187
#define IDS_NEXT_WINDOW             61188
#define IDS_PREVIOUS_WINDOW         61189
#define IDS_CLOSE_WINDOW            61190
#define IDS_RESTORE                 61202
#define IDS_TASK_LIST               61203
#define IDS_PREVIEW_CLOSE           61888
