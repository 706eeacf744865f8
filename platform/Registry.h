// platform/Registry.h - registry strings, earlier-installation discovery, program-files folder, file versions.
#pragma once
#include <windows.h>
#include <string>
#include "text/VersionText.h"

// A string value (any type read as text) of root\key; value NULL or "" is the default value.
// Empty text when the key or value cannot be read or does not fit 260 bytes.
std::string ReadRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue);

// A path value of an open key (or of root\key): a string value is taken in UTF-16 and spelled by
// AnsiPathFromWide, so a folder name that the code page cannot spell reads as its short name; a
// value of another type reads as ReadRegistryString reads it. Empty when it cannot be read, cannot
// be spelled (then *pUnspellable, when given, is set) or does not fit 260 bytes.
std::string ReadPathValue(HKEY hKey, const char* pszValue, bool* pUnspellable = nullptr);
std::string ReadRegistryPath(HKEY hRoot, const char* pszKey, const char* pszValue, bool* pUnspellable = nullptr);

// Writes a REG_SZ value, creating missing keys; pszValue NULL is the default value.
bool WriteRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue, const char* pszText);

// Writes a REG_SZ value in UTF-16, creating missing keys; pszValue NULL is the default value. For
// what people and other programs read, which may hold letters that the code page lacks.
bool WriteRegistryText(HKEY hRoot, const char* pszKey, const char* pszValue, const std::wstring& text);

// Writes a REG_DWORD value, creating missing keys.
bool WriteRegistryDword(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD value);

// The shell folders that shortcuts go into.
enum class ShellFolder { Programs, Desktop, Startup };

// The value that names the folder under kShellFoldersKey: "Common Programs" and the like for
// all users (under HKLM), "Programs" and the like for one user.
const char* ShellFolderValueName(ShellFolder folder, bool allUsers);

// The folder for all users (HKLM) or for one user, the person at the desktop (HKCU, or their
// hive under HKEY_USERS when setup runs under another account), as ReadRegistryPath reads it; a
// common folder missing there is asked of the shell. Empty when it cannot be read.
std::string ReadShellFolder(ShellFolder folder, bool allUsers);

// Folder of an earlier installation without a trailing backslash, or the empty text. Empty too,
// with *pUnspellable set (when given), when the earlier installation is recorded in a folder that
// the code page cannot spell, not even by short names (AnsiPathFromWide): there is one, but it
// can be neither named nor taken for none.
std::string FindPreviousInstallFolder(bool* pUnspellable = nullptr);

// The program-files folder without a trailing backslash. With neither the registry value nor
// the Windows folder available it is "C:\Program Files".
std::string GetProgramFilesFolder();

// The file version of the file (all 0 when it cannot be read).
FileVersion GetFileVersion(const char* pszPath);

// The platform's Windows-folder call. Tests point it elsewhere to reach a failure or another
// drive letter, which the platform here never produces by itself.
extern UINT (WINAPI* g_pfnGetWindowsDirectoryA)(LPSTR, UINT);

// The shell's folder call, which answers for a common folder whose registry value is missing.
// Tests point it elsewhere to tell its answer from the registry's.
extern HRESULT (WINAPI* g_pfnSHGetFolderPathW)(HWND, int, HANDLE, DWORD, LPWSTR);
