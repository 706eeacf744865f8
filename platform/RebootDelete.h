// platform/RebootDelete.h - deletion of a file, or removal of a folder, at the next system start,
// and the withdrawal of such a deletion where the installation writes the path again.
#pragma once
#include <windows.h>

// Arranges deletion of the file at the next system start, where MayLeaveToRestart allows it (on
// the NT family; the 9x family has no profiles or access lists to redirect with). True once the
// deletion is arranged, or was arranged already: a path is listed once. False where it is not
// allowed, or the process may not arrange it (on the NT family only administrators may, and
// WININIT.INI, the 9x family's road, is never read there).
bool DeleteFileAtReboot(const char* pszPath);

// Arranges removal of the folder at the next system start the same way, where the platform
// removes folders then (the delayed-deletion service; the start-up rename list of the 9x family
// deletes files only). A folder that is not empty by then, after the deletions arranged before
// it, stays. A drive's root and a missing folder are never arranged.
bool RemoveFolderAtReboot(const char* pszFolder);

// The installation writes the path (a file or a folder): a deletion at the next start that an
// earlier run left for it is withdrawn, so that the restart does not undo the installation.
// Other entries of the list stay as they are. The list is read once while it holds nothing.
void WithdrawRestartDeletion(const char* pszPath);
void WithdrawRestartDeletion(const wchar_t* pszPath);

// The platform's delayed-deletion call. Tests point it elsewhere to reach the "WININIT.INI" road.
extern BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD);
// Whether the system is of the NT family; tests point it elsewhere to play the 9x family.
extern bool (*g_pfnIsNtFamily)();
// Forgets what this process knows of the pending list, so that the next call reads it anew.
void ForgetPendingList();
