// tests/support/TestSupport.h - helpers shared by the tests that run under Wine.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace pixtest {

// The build's product folder (setup.exe, Pixcap5.exe, ...) and the source tree, as Windows paths.
std::string OutDir();
std::string SourceDir();
std::string WindowsPathFromUnix(const std::string& unixPath);

// A new, empty folder under C:\pixtest for one test; any earlier folder of that name is removed.
std::string MakeScratchFolder(const std::string& name);
// Removes the folder and everything in it; a link inside (or the folder itself, when it is one)
// is removed by itself, never entered.
void RemoveTree(const std::string& path);

// Calls visit for every file and folder below the folder, a folder before what it holds.
void ForEachEntryBelow(const std::string& folder,
                       const std::function<void(const std::string& path, bool isFolder)>& visit);

// True when the platform reports the path as a reparse point (a junction or symbolic link).
bool IsLink(const std::string& path);
// Makes the new folder link point at the existing folder target. Wine's CreateSymbolicLinkW
// makes nothing, so under Wine the link is a unix symbolic link made with /bin/ln through the Z:
// drive, which Wine reports as a reparse point; elsewhere it is a directory symbolic link.
// Empty on success, else what went wrong.
std::string MakeFolderLink(const std::string& link, const std::string& target);
// Removes the link itself, never what it points at: Wine's RemoveDirectoryA and DeleteFileA act
// on the target of a unix link. Empty on success, else what went wrong.
std::string RemoveLink(const std::string& link);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Of the names (folder + "\" + name), those that exist as files, in the order given: one
// comparison then shows every file that is there, or missing, at once.
std::vector<std::string> ExistingFiles(const std::string& folder, const std::vector<std::string>& names);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);

// Starts a program; the caller owns the returned process handle (NULL on failure).
HANDLE StartProcess(const std::string& commandLine, DWORD* pProcessId = nullptr);

// Starts a program as if hParent had started it (the platform records hParent's process as its
// parent); the caller owns the returned process handle (NULL on failure).
HANDLE StartProcessAsChildOf(HANDLE hParent, const std::string& commandLine, DWORD* pProcessId = nullptr);
// A token of this process in which every account and group but Everyone and INTERACTIVE only
// denies: the person at the desktop under another account than the elevated one, whom Wine's
// one account cannot otherwise play. NULL on failure; the caller closes it.
HANDLE MakeOtherDesktopUserToken();
// Starts the command line under the token; NULL on failure.
HANDLE StartProcessAsUser(HANDLE hToken, const std::string& commandLine, DWORD* pProcessId = nullptr);
// The binary SID of its text form ("S-1-5-21-..."); empty when the text is none.
std::vector<BYTE> SidFromText(const char* pszSid);
// The id of the first running process for which match(its id, the id of the process that started
// it, its program file name) holds; 0 when none does.
DWORD FindProcess(const std::function<bool(DWORD id, DWORD parentId, const char* pszExeFile)>& match);
// The first running process whose program file has that name (letter case ignored) and, when
// it is found, the id of the process that started it; 0 when none runs.
DWORD FindProcessNamed(const std::string& exeName, DWORD* pParentId = nullptr);

// Runs a program to its end; false on a start failure or time-out (the process is then killed).
bool RunAndWait(const std::string& commandLine, DWORD timeoutMs, DWORD* pExitCode);

// Waits for a process to end; false on time-out.
bool WaitForExit(HANDLE hProcess, DWORD timeoutMs, DWORD* pExitCode = nullptr);

// Windows XP SP3's kernel32, as far as the program looks functions up in it: what a test puts in
// place of the program's kernel32 look-up (g_pfnFindKernelExport) to run the roads of XP.
FARPROC FindKernelExportAsOnXp(const char* pszName);

}  // namespace pixtest
