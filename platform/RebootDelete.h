// platform/RebootDelete.h - deletion of a file, or removal of a folder, at the next system start.
#pragma once
#include <windows.h>

// Arranges deletion of the file at the next system start.
void DeleteFileAtReboot(const char* pszPath);

// Arranges removal of the folder at the next system start where the platform removes folders
// then (the delayed-deletion service; the start-up rename list of the 9x family deletes files
// only). A folder that is not empty by then, after the deletions arranged before it, stays.
void RemoveFolderAtReboot(const char* pszFolder);

// The platform's delayed-deletion call. Tests point it elsewhere to reach the "WININIT.INI" road,
// which the platform here never takes by itself.
extern BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD);
