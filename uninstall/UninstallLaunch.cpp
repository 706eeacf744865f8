// uninstall/UninstallLaunch.cpp - the first uninstall stage: a temporary copy of the program
// started as the second stage.
#include "uninstall/UninstallLaunch.h"
#include <windows.h>
#include <string>
#include "platform/HeldFiles.h"
#include "platform/AnsiPath.h"
#include "platform/Process.h"
#include "text/CommandQuote.h"
#include "text/PathText.h"

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

// Copies the running program into a new "uni" temporary file; empty on any failure.
std::string MakeTemporaryCopy(const std::string& programPath)
{
    const std::string tempFolder = GetTempFolder();
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
    const std::string tempPath = MakeTemporaryCopy(programPath);
    if (tempPath.empty())
        return;
    const std::string commandLine = BuildSecondStageCommandLine(tempPath, programPath, silent);
    // The second stage inherits the handles, the environment and the current directory.
    // A scanner may still be reading the program it has just seen written.
    if (!RetryWhileHeld(tempPath.c_str(), [&] { return StartProgram(tempPath, commandLine, true); }))
        return;  // the caller tells the user
    // Ending here skips the destructors of the process-wide objects on purpose: nothing of this
    // process's shutdown may run once the copy is on its way; the instance list copes with the
    // entry left behind.
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

