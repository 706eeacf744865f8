// setup_resources/resource.h - ids of the installer's resources (read by C++ and by windres).
#pragma once

// Strings, by number (the texts are in strings.rc).
#define IDS_ONE_COPY_RUNNING        1
#define IDS_CAPTION                 2
#define IDS_INSTALL_ABORTED         3
#define IDS_COPIES_RUNNING          4
#define IDS_CONFIRM_UNINSTALL       6
#define IDS_AGREEMENT_TITLE         7
#define IDS_FINISH                  8
#define IDS_INSTALLED_OK            9
#define IDS_PRESS_FINISH            10
#define IDS_CONFIRM_CANCEL          11
#define IDS_BROWSE_TITLE            12
#define IDS_INVALID_FOLDER          13
#define IDS_OLD_GENERATION_FOLDER   14
#define IDS_PRODUCT_NAME            15
#define IDS_DOWNGRADE_QUESTION      16
#define IDS_REINSTALL_QUESTION      17
#define IDS_DAMAGED_PACKAGE         18
#define IDS_FOLDER_HOLDS_OLD        19
#define IDS_UNINSTALLED             20
#define IDS_YES                     21
#define IDS_NO                      22
#define IDS_UNINSTALL_REFUSED       23
#define IDS_INSTALL_FILES_FAILED    30
#define IDS_INSTALL_KEYS_FAILED     31
#define IDS_INSTALL_TRY_AGAIN       32
#define IDS_UNSPELLABLE_FOLDER      24
#define IDS_HELP_LINK               101
#define IDS_README_LINK             102
#define IDS_UNINSTALL_LINK          104
#define IDS_APP_TITLE               57344

// Bitmap (the side picture at 100 %) and icon.
#define IDB_WIZARD                  101
#define IDI_SETUP                   128

// Dialog templates.
#define IDD_WIZARD_FRAME            103
#define IDD_AGREEMENT_PAGE          104
#define IDD_WELCOME_PAGE            105
#define IDD_INSTALL_TYPE_PAGE       106
#define IDD_PROGRAM_GROUP_PAGE      107
#define IDD_READY_PAGE              108

// Frame (103); Back, Next and Cancel are 3, 1 and 2.
#define IDC_BACK                    3
#define IDC_PICTURE                 1002
// Welcome page (105).
#define IDC_VERSION_TEXT            1003
// Agreement page (104).
#define IDC_AGREEMENT_TEXT          1000
// Install type page (106).
#define IDC_CURRENT_USER            1001
#define IDC_ALL_USERS               1002
#define IDC_BROWSE                  1005
#define IDC_FOLDER_NOTE             1006
#define IDC_DEST_FOLDER             1013
// Program group page (107).
#define IDC_GROUP_COMBO             1007
#define IDC_START_WITH_WINDOWS      1008
#define IDC_DESKTOP_ICON            1009
// Ready page (108).
#define IDC_PROGRESS_TEXT           1009
#define IDC_READY_LINE1             1010
#define IDC_READY_LINE2             1011
#define IDC_RUN_AFTER_INSTALL       1012
