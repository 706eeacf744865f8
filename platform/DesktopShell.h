// platform/DesktopShell.h - the person at the desktop, as the desktop's shell knows them: whose
// the shell is, and starting programs and opening pages on their behalf, not with setup's rights.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// What is started: a program is run with no arguments, a document or web page is opened with
// the handler registered for it.
enum class DesktopStart { Program, Document };

// Starts the program or opens the document as the person at the desktop: through the desktop
// shell's own process, which runs with that person's unelevated rights, so that a program
// started at the end of an elevated installation is not elevated and does not run under the
// account that setup was elevated with. Where there is no desktop shell (no Explorer running, a
// service session), it is started as this process would: CreateProcess for a program (in the
// current directory), the "open" verb for a document. folder: the program's working folder.
// False when neither route started it.
bool StartAsDesktopUser(const std::string& file, const std::string& folder, DesktopStart kind);

// The process id of the desktop shell's window, the person at the desktop's process; 0 when
// there is no desktop shell.
DWORD FindDesktopShellProcessId();

// The key under HKEY_USERS that holds the person at the desktop's own registry, when the desktop
// shell runs under another account than this process (setup elevated with an administrator's
// name and password): their SID in text form. Empty when both are one account (the usual
// elevation, or none), when there is no desktop shell, or when that person's hive cannot be
// opened: HKEY_CURRENT_USER is then the person's.
std::string FindDesktopUserHive();

// Test seam: the account of the desktop shell's process, as the platform reads it; false when
// there is no desktop shell or its account cannot be read. Tests answer for a person at the
// desktop other than Wine's one account.
extern bool (*g_pfnReadDesktopUserSid)(std::vector<BYTE>* pSid);

// Test seam: the route through the desktop shell, as the platform takes it. False when there is
// no desktop shell to ask; tests choose the other route by answering false.
extern bool (*g_pfnStartThroughDesktopShell)(const std::wstring& file, const std::wstring& folder);
