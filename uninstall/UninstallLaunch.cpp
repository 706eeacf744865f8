// uninstall/UninstallLaunch.cpp - the first uninstall stage: a temporary copy of the program
// started as the second stage, and the outcome that the second tells the first.
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

// What a told outcome begins with ("PIX5"), so that nothing else read from the channel passes
// for one.
const DWORD kOutcomeMark = 0x35584950;

struct SOutcomeMessage {
    DWORD mark;
    DWORD outcome;
};

// The second stage's end of the channel; NULL when there is none or it has been told.
HANDLE g_hChannel = NULL;

}  // namespace

bool StartSecondStage(const std::string& program, const std::string& commandLine, HANDLE hChannel)
{
    return StartProgram(program, commandLine, true, NULL, hChannel);
}

BOOL (WINAPI* g_pfnCreateCopyFolder)(LPCSTR, LPSECURITY_ATTRIBUTES) = ::CreateDirectoryA;
bool (*g_pfnStartSecondStage)(const std::string&, const std::string&, HANDLE) = StartSecondStage;

namespace {

// The folder for the copy, ending with a backslash: the person's temporary folder, unless the
// process is elevated or the code page cannot spell it; else the Windows folder's Temp, where
// standard users may add entries but not rename, delete or change what is not theirs, outside
// every profile. Empty when there is none that fits a path buffer.
std::string GetCopyParentFolder(bool elevated)
{
    WCHAR buffer[kMaxPathChars];
    DWORD length = elevated ? 0 : ::GetTempPathW(kMaxPathChars, buffer);
    std::string folder = length > 0 && length < kMaxPathChars ? AnsiPathFromWide(std::wstring(buffer, length)) : "";
    if (folder.empty()) {
        length = ::GetSystemWindowsDirectoryW(buffer, kMaxPathChars - 6);
        if (length > 0 && length < kMaxPathChars - 6) {
            ::lstrcpyW(buffer + length, L"\\Temp\\");
            folder = AnsiPathFromWide(buffer);
        }
    }
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

// A fresh folder in the Windows folder's Temp, ending with a backslash, that only administrators
// and the system may change: any unelevated program may add entries to that Temp, and would
// replace the copy before it starts with administrator rights. The folder is
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

// Waits for the outcome that the second stage tells. Only the second stage holds the writing end
// (this process closed its own): a stage that ends without telling closes the channel, and the
// read ends at once.
int AwaitOutcome(HANDLE hChannel)
{
    SOutcomeMessage message = {0, 0};
    DWORD received = 0;
    for (DWORD got = 0; received < sizeof message; received += got)
        if (!::ReadFile(hChannel, reinterpret_cast<char*>(&message) + received, sizeof message - received, &got,
                        NULL) ||
            got == 0)
            return kOutcomeUntold;
    const bool told = message.mark == kOutcomeMark &&
                      (message.outcome == kOutcomeRemoved || message.outcome == kOutcomeRefused);
    return told ? static_cast<int>(message.outcome) : kOutcomeUntold;
}

}  // namespace

int LaunchUninstallCopy(bool silent)
{
    // A path that does not fit counts as none: a cut path names another file, which the second
    // stage would delete.
    std::string programPath = GetOwnProgramPath();
    if (!FitsPath(programPath))
        programPath.clear();
    // Without elevation (XP, or UAC off for a standard user) the copy runs with the rights of
    // the programs that can reach the temporary folder anyway.
    const bool elevated = IsProcessElevated(::GetCurrentProcess());
    std::string copyFolder = GetCopyParentFolder(elevated);
    CHandle folderHold;
    if (!copyFolder.empty() && elevated)
        copyFolder = MakeGuardedFolder(copyFolder, &folderHold);
    const std::string tempPath = MakeTemporaryCopy(programPath, copyFolder);
    if (tempPath.empty())
        return kOutcomeNotStarted;
    // Until the copy runs nobody may write, rename or delete it; starting it only reads it.
    CHandle copyHold(::CreateFileA(tempPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (folderHold.IsValid() && !copyHold.IsValid())
        return kOutcomeNotStarted;
    // The channel: a pipe of which the second stage inherits the writing end as its standard
    // output. No other process holds either end, so no other can tell an outcome or hear it;
    // the command line stays as it is.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE hRead = NULL, hWrite = NULL;
    if (!::CreatePipe(&hRead, &hWrite, &inheritable, 0))
        return kOutcomeNotStarted;
    CHandle readEnd(hRead), writeEnd(hWrite);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string commandLine = BuildSecondStageCommandLine(tempPath, programPath, silent);
    // A scanner may still be reading the program it has just seen written.
    if (!RetryWhileHeld(tempPath.c_str(), [&] { return g_pfnStartSecondStage(tempPath, commandLine, writeEnd); }))
        return kOutcomeNotStarted;  // the caller tells the user
    writeEnd.Close();
    // Ending here skips the destructors of the process-wide objects on purpose: the second stage
    // deletes this program's file the moment the process has ended; the instance list copes with
    // the entry left behind.
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(AwaitOutcome(readEnd)));
    return kOutcomeUntold;
}

void TakeFirstStageChannel()
{
    // Only a standard output that the starting process handed over itself is a handle of this
    // process: one copied from the starter's own without inheritance names nothing here, or
    // something else.
    STARTUPINFOA startup = {};
    ::GetStartupInfoA(&startup);
    const HANDLE hOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!(startup.dwFlags & STARTF_USESTDHANDLES) || !hOutput || hOutput == INVALID_HANDLE_VALUE ||
        ::GetFileType(hOutput) != FILE_TYPE_PIPE)
        return;
    // Kept from every program that this stage might start, and from every other use here.
    ::SetHandleInformation(hOutput, HANDLE_FLAG_INHERIT, 0);
    ::SetStdHandle(STD_OUTPUT_HANDLE, NULL);
    g_hChannel = hOutput;
}

void TellFirstStage(int outcome)
{
    if (!g_hChannel)
        return;
    const SOutcomeMessage message = {kOutcomeMark, static_cast<DWORD>(outcome)};
    DWORD written = 0;
    ::WriteFile(g_hChannel, &message, sizeof message, &written, NULL);
    ::CloseHandle(g_hChannel);
    g_hChannel = NULL;
}
