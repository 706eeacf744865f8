// uninstall/UninstallLaunch.cpp - the first uninstall stage: a temporary copy of the program
// started as the second stage.
#include "uninstall/UninstallLaunch.h"
#include <windows.h>
#include <string>
#include "framework/Handles.h"
#include "platform/AnsiPath.h"
#include "platform/HeldFiles.h"
#include "platform/ObjectSecurity.h"
#include "platform/Process.h"
#include "text/CommandQuote.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

namespace {

// Names tried for the copy's folder before giving up; another program may have taken some.
const DWORD kCopyFolderAttempts = 16;
// What the user's own programs may do in the copy's folder: read and run, never change.
const DWORD kUserCopyAccess = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// The second stage inherits the handles, the environment and the current directory.
bool StartWithInheritance(const std::string& program, const std::string& commandLine)
{
    return StartProgram(program, commandLine, true);
}

}  // namespace

BOOL (WINAPI* g_pfnCreateCopyFolder)(LPCSTR, LPSECURITY_ATTRIBUTES) = ::CreateDirectoryA;
bool (*g_pfnStartSecondStage)(const std::string&, const std::string&) = StartWithInheritance;

namespace {

// The folder for temporary files, ending with a backslash; empty when the platform gives none
// that the code page can spell and that fits a path buffer.
std::string GetTempFolder()
{
    WCHAR buffer[kMaxPathChars];
    const DWORD length = ::GetTempPathW(kMaxPathChars, buffer);
    if (length == 0 || length >= kMaxPathChars)
        return std::string();
    const std::string folder = AnsiPathFromWide(std::wstring(buffer, length));
    return FitsPath(folder) ? folder : std::string();
}

// Eight lower-case hex digits.
std::string FormatHex(DWORD value)
{
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[i] = "0123456789abcdef"[value & 0xF];
    return text;
}

// A fresh folder in the temporary folder, ending with a backslash, that only administrators and
// the system may change: any unelevated program of the user may write to the temporary folder
// itself, and would replace the copy before it starts with administrator rights. The folder is
// held open without deletion sharing, so that it cannot be renamed away and another put in its
// place. Empty on failure.
std::string MakeGuardedFolder(const std::string& tempFolder, CHandle* pHold)
{
    CSecurityAttributes security;
    if (!security.Build({{Trustee::System, FILE_ALL_ACCESS},
                         {Trustee::Administrators, FILE_ALL_ACCESS},
                         {Trustee::TokenUser, kUserCopyAccess}},
                        true))
        return std::string();
    const DWORD seed = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < kCopyFolderAttempts; ++attempt) {
        const std::string folder = tempFolder + kUninstallCopyFolderPrefix + FormatHex(seed + attempt);
        if (!FitsPath(folder + "\\uniFFFF.tmp"))
            return std::string();
        if (g_pfnCreateCopyFolder(folder.c_str(), security.Get())) {
            pHold->Attach(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
            return pHold->IsValid() ? folder + "\\" : std::string();
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
    return std::string();
}

// Copies the running program into a new "uni" temporary file in the folder; empty on any
// failure.
std::string MakeTemporaryCopy(const std::string& programPath, const std::string& tempFolder)
{
    if (tempFolder.empty() || programPath.empty())
        return std::string();
    char tempPath[kMaxPathChars] = "";
    if (!::GetTempFileNameA(tempFolder.c_str(), "uni", 0, tempPath))
        return std::string();
    // A scanner looks at the new temporary file the moment it appears.
    if (!RetryWhileHeld(tempPath, [&] { return ::CopyFileA(programPath.c_str(), tempPath, FALSE) != FALSE; }))
        return std::string();  // the empty temporary file stays behind, as after a failed start
    return tempPath;
}

}  // namespace

void LaunchUninstallCopy(bool silent)
{
    // A path that does not fit counts as none: a cut path names another file, which the second
    // stage would delete.
    std::string programPath = GetOwnProgramPath();
    if (!FitsPath(programPath))
        programPath.clear();
    // Without elevation (XP, or UAC off for a standard user) the copy runs with the rights of
    // the programs that can reach the temporary folder anyway.
    std::string copyFolder = GetTempFolder();
    CHandle folderHold;
    if (!copyFolder.empty() && IsProcessElevated(::GetCurrentProcess()))
        copyFolder = MakeGuardedFolder(copyFolder, &folderHold);
    const std::string tempPath = MakeTemporaryCopy(programPath, copyFolder);
    if (tempPath.empty())
        return;
    // Until the copy runs nobody may write, rename or delete it; starting it only reads it.
    CHandle copyHold(::CreateFileA(tempPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (folderHold.IsValid() && !copyHold.IsValid())
        return;
    const std::string commandLine = BuildSecondStageCommandLine(tempPath, programPath, silent);
    // A scanner may still be reading the program it has just seen written.
    if (!RetryWhileHeld(tempPath.c_str(), [&] { return g_pfnStartSecondStage(tempPath, commandLine); }))
        return;  // the caller tells the user
    // Ending here skips the destructors of the process-wide objects on purpose: nothing of this
    // process's shutdown may run once the copy is on its way; the instance list copes with the
    // entry left behind.
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

