// platform/RebootDelete.h - deletion of a file at the next system start.
#pragma once
#include <windows.h>

// Arranges deletion of the file at the next system start.
void DeleteFileAtReboot(const char* pszPath);

// The platform's delayed-deletion call. Tests point it elsewhere to reach the "WININIT.INI" road,
// which the platform here never takes by itself.
extern BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD);
