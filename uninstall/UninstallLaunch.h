// uninstall/UninstallLaunch.h - first uninstall stage and deletion at the next system start.
#pragma once
#include <windows.h>

// Copies the running program to a temporary file and starts it as the second stage; on success
// the process ends here. Returns only when the start failed.
void LaunchUninstallCopy();

// Arranges deletion of the file at the next system start.
void DeleteFileAtReboot(const char* pszPath);

// Second stage, when the uninstaller could not be deleted: the file goes at the next system start,
// and so does its installation folder (ending with a backslash) where the platform removes folders
// then. A folder that still holds other files stays.
void LeaveUninstallerToReboot(const char* pszUninstallerPath, const char* pszFolder);

// The platform's delayed-deletion call. Tests point it elsewhere to reach the "WININIT.INI" road,
// which the platform here never takes by itself.
extern BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD);
