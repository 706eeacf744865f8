// uninstall/UninstallLaunch.h - the first uninstall stage.
#pragma once
#include <windows.h>
#include <string>

// Copies the running program to a temporary file and starts it as the second stage, with "-s"
// as its last word when silent; on success the process ends here. Returns only when the start
// failed. An elevated process puts the copy into a fresh folder of its own in the temporary
// folder, which only administrators and the system may change, and holds folder and copy so
// that neither can be renamed or replaced before the copy runs.
void LaunchUninstallCopy(bool silent);

// Test seams: the folder's creation and the copy's start as the platform does them. Tests see
// the descriptor that Wine, which keeps no descriptors of files, cannot show, and act between
// the copy and its start.
extern BOOL (WINAPI* g_pfnCreateCopyFolder)(LPCSTR, LPSECURITY_ATTRIBUTES);
extern bool (*g_pfnStartSecondStage)(const std::string& program, const std::string& commandLine);
