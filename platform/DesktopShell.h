// platform/DesktopShell.h - the person at the desktop, as the desktop's shell knows them: whose
// the shell is, and starting programs and opening pages on their behalf, not with setup's rights.
#pragma once
#include <windows.h>
#include <string>

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

// Test seam: the route through the desktop shell, as the platform takes it. False when there is
// no desktop shell to ask; tests choose the other route by answering false.
extern bool (*g_pfnStartThroughDesktopShell)(const std::wstring& file, const std::wstring& folder);
