// text/ProductNames.h - every name by which the product and the programs around it find each
// other: files, logs, registry keys and values, shared object and window names. Each is spelled
// here once; two names that happen to read alike are still two names. Free of <windows.h>.
// Inline, so that the program holds one copy of each name, not one per file that uses it.
#pragma once

// Parts that longer names are built from, so that these too are spelled once.
#define PIX_CAPTURE_APP_FILE "Pixcap5.exe"
#define PIX_MAKER_KEY_NAME "Corvanta"
#define PIX_PRODUCT_KEY_NAME "Pixorama v.5"
#define PIX_OLDER_PRODUCT_KEY_NAME "Pixorama 5"
#define PIX_UNINSTALL_ENTRY_NAME "Pixorama 5"
#define PIX_CURRENT_VERSION_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

// Files of the package and of an installation.
inline constexpr char kCaptureAppFile[] = PIX_CAPTURE_APP_FILE;
inline constexpr char kUninstallerFile[] = "PixUnInst.exe";
// An elevated first uninstall stage puts its temporary copy into a folder of its own, named this
// and a number; the second stage knows its folder by it.
inline constexpr char kUninstallCopyFolderPrefix[] = "PixUnInst-";
// The installer is any program whose lower-cased path contains this.
inline constexpr char kInstallerFileMark[] = "setup.exe";
// The program file of the generation before this one: its folder is no place for this one.
inline constexpr char kOldGenerationAppFile[] = "Pixcap.exe";
// The package manifest beside setup.exe, and the InstallLog it becomes in the installation.
inline constexpr char kInstallLogFile[] = "PixUnInst.log";
// The InstallLog of installers before this one.
inline constexpr char kOldInstallLogFile[] = "install.log";
inline constexpr char kHomePageFile[] = "HomePage.url";
inline constexpr char kAgreementFile[] = "agreement.txt";
inline constexpr char kHelpFile[] = "Pixcap5Man.chm";
inline constexpr char kReadmeFile[] = "readme.txt";
// Settings that may lie beside the self-extracting package and come along into the installation.
inline constexpr char kSettingsFile[] = "Pixcap5.ini";

// Folders and shortcuts.
// Appended to the program-files folder, and to a picked folder that holds other files.
inline constexpr char kDefaultFolderName[] = "Pixorama 5";
// The shortcut and the group of earlier installers, removed from every profile by name.
inline constexpr char kFixedShortcutFile[] = "Pixorama 5.lnk";
inline constexpr char kFixedGroupFolder[] = "Pixorama 5";

// The environment variable in which the self-extracting package names its own full path.
inline constexpr char kPackagePathVariable[] = "sfxname";

// Registry keys under HKEY_LOCAL_MACHINE (per user: under each hive of HKEY_USERS).
inline constexpr char kMakerKeyName[] = PIX_MAKER_KEY_NAME;
// What every installation of this generation writes (and the uninstaller removes).
inline constexpr char kProductKeyName[] = PIX_PRODUCT_KEY_NAME;
inline constexpr char kProductKey[] = "SOFTWARE\\" PIX_MAKER_KEY_NAME "\\" PIX_PRODUCT_KEY_NAME;
// Not the key above: only older installers left this one, and discovery still reads it.
inline constexpr char kOlderProductKey[] = "SOFTWARE\\" PIX_MAKER_KEY_NAME "\\" PIX_OLDER_PRODUCT_KEY_NAME;
inline constexpr char kCurrentVersionKey[] = PIX_CURRENT_VERSION_KEY;
inline constexpr char kAppPathsRoot[] = PIX_CURRENT_VERSION_KEY "\\App Paths";
inline constexpr char kAppPathsKey[] = PIX_CURRENT_VERSION_KEY "\\App Paths\\" PIX_CAPTURE_APP_FILE;
inline constexpr char kUninstallRoot[] = PIX_CURRENT_VERSION_KEY "\\Uninstall";
inline constexpr char kUninstallEntryName[] = PIX_UNINSTALL_ENTRY_NAME;
inline constexpr char kUninstallKey[] = PIX_CURRENT_VERSION_KEY "\\Uninstall\\" PIX_UNINSTALL_ENTRY_NAME;
// Under HKEY_CLASSES_ROOT: the application's document type.
inline constexpr char kDocumentTypeKey[] = "PX5.Document";
// The shell folders (programs, desktop, start-up), per user (HKCU, each user hive) and common (HKLM).
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// Per-user choices of the program that opens each file extension.
inline constexpr char kFileExtsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// Registry values.
inline constexpr char kAllUsersValue[] = "AllUsers";
inline constexpr char kAllUsersCommon[] = "B";
inline constexpr char kAllUsersCurrentUser[] = "A";
inline constexpr char kInstallFolderValue[] = "Path";
inline constexpr char kProgramFilesValue[] = "ProgramFilesDir";
// Where an image extension kept its association from before the application took it over.
inline constexpr char kSavedAssociationValue[] = "PixcapOld";
// The maker as the uninstall entry names it.
inline constexpr char kPublisherName[] = "Corvanta Technology LLC";

// The cross-process instance list that setup shares with the capture application.
inline constexpr char kInstanceRegistryName[] = "Corvanta.Pixorama.v4";

// Titles of top-level windows that belong to a process without being its main window.
inline constexpr char kDdeServerWindowTitle[] = "DDE Server Window";
inline constexpr char kOleMainThreadWindowTitle[] = "OleMainThreadWndName";

#undef PIX_CAPTURE_APP_FILE
#undef PIX_MAKER_KEY_NAME
#undef PIX_PRODUCT_KEY_NAME
#undef PIX_OLDER_PRODUCT_KEY_NAME
#undef PIX_UNINSTALL_ENTRY_NAME
#undef PIX_CURRENT_VERSION_KEY
