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
// service session), or where it does not answer within g_desktopShellBoundMs, it is started as
// this process would: CreateProcess for a program, the "open" verb for a document, both in the
// folder given. folder: the working folder (none: the current directory). False when neither
// route started it.
bool StartAsDesktopUser(const std::string& file, const std::string& folder, DesktopStart kind);

// The process id of the desktop shell's window, the person at the desktop's process; 0 when
// there is no desktop shell or it does not answer within g_desktopShellBoundMs of this call.
DWORD FindDesktopShellProcessId();

// Begins that look-up now, on a thread of its own, for the next FindDesktopShellProcessId (and
// so FindDesktopUserHive) to take over: asking the shell takes a moment, which the caller's other
// work can fill.
void StartFindingDesktopShell();

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

// Test seam: the route through the desktop shell, as the platform takes it, on a thread of its
// own. False when there is no desktop shell to ask; tests choose the other route by answering
// false, and stand for a hung shell by not returning.
extern bool (*g_pfnStartThroughDesktopShell)(const std::wstring& file, const std::wstring& folder);

// How long one errand to the desktop shell's process (finding it, or starting through it) is
// waited for; past it, the errand is abandoned and the desktop shell counts as absent. Tests
// shorten it.
extern DWORD g_desktopShellBoundMs;
