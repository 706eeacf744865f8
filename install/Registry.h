// install/Registry.h - registry strings, earlier-installation discovery, program-files folder, file versions.
#pragma once
#include <windows.h>
#include <string>

// The shell folders (programs, desktop, start-up), per user and common, as string values.
constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A string value (any type read as text) of root\key; value NULL or "" is the default value.
// Empty text when the key or value cannot be read or does not fit 260 bytes.
std::string ReadRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue);

// Writes a REG_SZ value, creating missing keys; pszValue NULL is the default value.
bool WriteRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue, const char* pszText);

// Writes a REG_DWORD value, creating missing keys.
bool WriteRegistryDword(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD value);

// Folder of an earlier installation without a trailing backslash, or the empty text.
std::string FindPreviousInstallFolder();

// The program-files folder without a trailing backslash. With neither the registry value nor
// the Windows folder available it is "C:\Program Files".
std::string GetProgramFilesFolder();

// Fills VersionRecord with the file version of the file (all 0 when it cannot be read).
void GetFileVersion(const char* pszPath);

// The platform's Windows-folder call. Tests point it elsewhere to reach a failure or another
// drive letter, which the platform here never produces by itself.
extern UINT (WINAPI* g_pfnGetWindowsDirectoryA)(LPSTR, UINT);
