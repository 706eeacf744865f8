// uninstall/UninstallLaunch.cpp - placeholder: filled in by its own change.
#include "uninstall/UninstallLaunch.h"
BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD) = ::MoveFileExA;
void LaunchUninstallCopy() {}
void DeleteFileAtReboot(const char*) {}
