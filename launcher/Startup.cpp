// launcher/Startup.cpp - setup's start-up routine: run mode, uninstall confirmation, closing the
// running copies of the capture application, hand-over to the installer or the uninstaller.
#include "launcher/Startup.h"
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "install/InstallState.h"
#include "launcher/InstallDriver.h"
#include "platform/AnsiPath.h"
#include "platform/FileOps.h"
#include "platform/HeldFiles.h"
#include "platform/InstanceManager.h"
#include "platform/LinkSafeDelete.h"
#include "platform/Process.h"
#include "platform/ProcessImage.h"
#include "platform/RebootDelete.h"
#include "platform/SystemLibrary.h"
#include "setup_resources/resource.h"
#include "text/PathText.h"
#include "text/ProductNames.h"
#include "text/RunMode.h"
#include "uninstall/UninstallLaunch.h"
#include "uninstall/UninstallSteps.h"

namespace {

// The first stage ends as soon as it has been told the outcome; one that has not ended by then
// is stuck, and the uninstaller it holds is left to the next system start.
const DWORD kFirstStageEndMs = 10000;
// What a running copy gets between the close request and its termination.
const DWORD kCloseWaitMs = 10;
// A terminated copy lets go of its files only once it has ended; the platform ends it soon after
// the call, and one that is still there after this long is left to the waits on the files.
const DWORD kTerminatedEndMs = 5000;
// The exit code, in every mode, when the program's own path cannot be spelled: nothing was done.
const int kOwnPathUnspellable = kOutcomeRefused;
// wParam of WM_CLOSE asking the capture application to close without saving.
const WPARAM CLOSE_WITHOUT_SAVING = 1001;

const UINT kConfirmUninstallStyle = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;  // 0x134
const UINT kCloseCopiesStyle = MB_YESNO | MB_ICONEXCLAMATION;                       // 0x34
const UINT kInstallAbortedStyle = MB_OK | MB_ICONINFORMATION;                       // 0x40
const UINT kUninstalledStyle = MB_OK | MB_ICONEXCLAMATION;                          // 0x30
const UINT kUninstallRefusedStyle = MB_OK | MB_ICONEXCLAMATION;                     // 0x30

// Image paths of other processes are read into this many bytes; longer ones are not believed.
const DWORD kImagePathChars = 1024;
const DWORD kCompareChunkBytes = 64 * 1024;
// The longest path the platform's wide services accept.
const DWORD kLongPathChars = 32768;

std::string GetFileNamePart(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool ReadChunk(HANDLE hFile, std::vector<char>& buffer, DWORD* pRead)
{
    return ::ReadFile(hFile, buffer.data(), static_cast<DWORD>(buffer.size()), pRead, NULL) != 0;
}

// Same bytes: a renamed copy of this program (the uninstaller, its temporary copy, a second
// installer) is as much a participant as this process. Any failure to read says "not the same".
bool HaveSameContent(const std::string& pathA, const std::string& pathB)
{
    CHandle a(::CreateFileA(pathA.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            NULL, OPEN_EXISTING, 0, NULL));
    CHandle b(::CreateFileA(pathB.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            NULL, OPEN_EXISTING, 0, NULL));
    if (!a.IsValid() || !b.IsValid())
        return false;
    LARGE_INTEGER sizeA, sizeB;
    if (!::GetFileSizeEx(a, &sizeA) || !::GetFileSizeEx(b, &sizeB) || sizeA.QuadPart != sizeB.QuadPart)
        return false;
    std::vector<char> chunkA(kCompareChunkBytes), chunkB(kCompareChunkBytes);
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadChunk(a, chunkA, &readA) || !ReadChunk(b, chunkB, &readB) || readA != readB)
            return false;
        if (readA == 0)
            return true;
        if (!std::equal(chunkA.begin(), chunkA.begin() + readA, chunkB.begin()))
            return false;
    }
}

// A listed id can be stale: its process ended without leaving the list, and the id may since
// belong to an unrelated program. Only the capture application (by its program file name) and
// copies of this program (by their content) count as participants.
bool IsParticipant(HANDLE hProcess, const std::string& ownPath)
{
    std::string imagePath;
    if (!ReadProcessImagePath(hProcess, kImagePathChars, &imagePath))
        return false;
    if (LowerAscii(GetFileNamePart(imagePath)) == LowerAscii(kCaptureAppFile))
        return true;
    if (ownPath.empty())
        return false;
    return LowerAscii(imagePath) == LowerAscii(ownPath) || HaveSameContent(imagePath, ownPath);
}

// One handle serves the check and the termination, opened before anything is posted: while it
// is open the id cannot pass to another process. A process that cannot be opened or checked
// gets neither the close request nor the termination. The person at the desktop may run the
// capture application under another account than the one setup was elevated with.
void CloseParticipant(DWORD processId, const std::string& ownPath)
{
    CHandle process(OpenAnyAccountProcess(PROCESS_TERMINATE | SYNCHRONIZE | ProcessImageAccess(), processId));
    if (!process.IsValid() || !IsParticipant(process, ownPath))
        return;
    HWND hMainWnd = FindMainWindow(processId);
    if (hMainWnd)
        ::PostMessageA(hMainWnd, WM_CLOSE, CLOSE_WITHOUT_SAVING, 0);
    ::Sleep(kCloseWaitMs);
    // No check whether it ended by itself: it is gone afterwards either way, and the steps that
    // follow touch the files it held only once it has.
    ::TerminateProcess(process, 0);
    ::WaitForSingleObject(process, kTerminatedEndMs);
}

// Visits the first otherCopies ids of one snapshot: copies that registered after this process
// stand behind its own id and are left alone.
void CloseRunningCopies(int otherCopies)
{
    std::vector<uint32_t> snapshot;
    if (!InstanceRegistry.ListInstances(snapshot))
        return;
    const DWORD ownId = ::GetCurrentProcessId();
    const std::string ownPath = GetOwnProgramPath();
    const size_t visits = std::min(snapshot.size(), static_cast<size_t>(otherCopies));
    for (size_t i = 0; i < visits; ++i) {
        if (snapshot[i] != ownId)
            CloseParticipant(snapshot[i], ownPath);
    }
}

int ShowLaunchBox(const std::wstring& caption, const std::wstring& text, UINT style)
{
    return ::MessageBoxW(NULL, text.c_str(), caption.c_str(), style);
}

bool ConfirmCloseCopies(const std::wstring& caption, int otherCopies)
{
    const std::wstring text = otherCopies == 1 ? LoadResStringW(IDS_ONE_COPY_RUNNING)
                                               : FormatResString(IDS_COPIES_RUNNING, otherCopies);
    if (ShowLaunchBox(caption, text, kCloseCopiesStyle) == IDYES)
        return true;
    ShowLaunchBox(caption, LoadResStringW(IDS_INSTALL_ABORTED), kInstallAbortedStyle);
    return false;
}

// The absolute long form of an existing file ("/" as "\", "." and ".." resolved, 8.3 names
// spelled out), so that one file started in different spellings compares equal; a folder name
// that the code page cannot spell by its short name (AnsiPathFromWide), which compares the same
// way for every spelling. Empty when the file is missing or the form does not fit.
std::string GetLongFullPath(const std::string& path)
{
    if (path.empty())
        return std::string();
    std::vector<wchar_t> full(kLongPathChars), longer(kLongPathChars);
    wchar_t* pszName = NULL;
    const DWORD fullLength = ::GetFullPathNameW(WideFromAnsi(path).c_str(), kLongPathChars, full.data(), &pszName);
    if (fullLength == 0 || fullLength >= kLongPathChars)
        return std::string();
    const DWORD longLength = ::GetLongPathNameW(full.data(), longer.data(), kLongPathChars);
    if (longLength == 0 || longLength >= kLongPathChars)
        return std::string();
    return AnsiPathFromWide(std::wstring(longer.data(), longLength));
}

// The second stage deletes the file its command line names and undoes the folder around it, so
// it acts only for the file that can have started it: an installed uninstaller of which this
// program is a byte copy. Any other word 2 (a mistyped or hostile command line) would delete an
// unrelated file and the files that its folder's log names. Both paths are in their long form.
bool IsUninstallerThatStartedUs(const std::string& uninstallerPath, const std::string& ownPath)
{
    return !uninstallerPath.empty() && !ownPath.empty() &&
           LowerAscii(GetFileNamePart(uninstallerPath)) == LowerAscii(kUninstallerFile) &&
           FoldCase(uninstallerPath) != FoldCase(ownPath) && HaveSameContent(uninstallerPath, ownPath);
}

// The user asked for the uninstallation, so a run that removes nothing says so: to the first
// stage, which ends with it, in a box of ours, and by this stage's own exit code, which is all a
// silent run shows.
[[noreturn]] void EndNothingRemoved()
{
    TellFirstStage(kOutcomeRefused);
    if (!SilentFlag)
        AppMessageBoxId(NULL, IDS_UNINSTALL_REFUSED, kUninstallRefusedStyle);
    std::exit(kOutcomeRefused);
}

// The recorded parent id outlives the parent: once it has ended, the id may belong to a later
// process. Only a process that began before this one and runs a copy of this program is the
// first stage.
bool IsFirstStage(HANDLE hProcess, const std::string& ownPath)
{
    const ULONGLONG parentCreated = GetProcessCreationTime(hProcess);
    const ULONGLONG ownCreated = GetProcessCreationTime(::GetCurrentProcess());
    if (parentCreated == 0 || ownCreated == 0 || parentCreated > ownCreated)
        return false;
    std::string imagePath;
    return ReadProcessImagePath(hProcess, kImagePathChars, &imagePath) && HaveSameContent(imagePath, ownPath);
}

// The first stage runs from the uninstaller's file until its process has ended, so the second
// waits for that end, once it has told the outcome, instead of guessing a time. The handle can
// wait and read, nothing more. A parent that is gone already, or is not the first stage, is not
// waited for.
void WaitForFirstStageEnd(const std::string& ownPath)
{
    const DWORD parentId = FindParentProcessId();
    if (parentId == 0 || ownPath.empty())
        return;
    CHandle parent(::OpenProcess(SYNCHRONIZE | ProcessImageAccess(), FALSE, parentId));
    if (parent.IsValid() && IsFirstStage(parent, ownPath))
        ::WaitForSingleObject(parent, kFirstStageEndMs);
}

// An elevated first stage put this copy into a folder of its own, which goes after the copy.
void LeaveCopyFolderToReboot(const std::string& ownPath)
{
    const std::string folder = GetParentFolder(ownPath.c_str());
    const std::string prefix = LowerAscii(kUninstallCopyFolderPrefix);
    if (LowerAscii(GetFileNamePart(folder)).compare(0, prefix.size(), prefix) == 0)
        RemoveFolderAtReboot(folder.c_str());
}

// The temporary copy of the uninstaller. Everything but the uninstaller's own file is removed
// while the first stage waits; it is told the outcome and ends, and the uninstaller and its
// folder go after it. Ends the process by the normal exit, so that the process-wide objects are
// destroyed and this process leaves the instance list.
[[noreturn]] void RunSecondStage(const std::vector<std::string>& words)
{
    TakeFirstStageChannel();
    const std::string ownPath = GetLongFullPath(GetOwnProgramPath());
    const std::string uninstallerPath = GetLongFullPath(words[2]);
    const std::string installFolder = GetDriveAndFolder(uninstallerPath);
    if (!IsUninstallerThatStartedUs(uninstallerPath, ownPath) || !EndsWithSeparator(installFolder))
        // Not scheduled for deletion: a hostile line must not make a copy of setup delete itself.
        EndNothingRemoved();
    if (FitsPath(ownPath)) {
        DeleteFileAtReboot(ownPath.c_str());
        LeaveCopyFolderToReboot(ownPath);
    }
    // An installation folder behind a link would keep its files and lose its registry entries.
    // This copy is the uninstaller's own all the same, and goes with the next system start.
    if (CrossesLink(installFolder))
        EndNothingRemoved();
    RunUninstallSteps(installFolder.c_str(), uninstallerPath.c_str());
    TellFirstStage(kOutcomeRemoved);
    WaitForFirstStageEnd(ownPath);
    RemoveUninstallerAndFolder(uninstallerPath.c_str(), installFolder.c_str());
    if (!SilentFlag)
        AppMessageBoxId(NULL, IDS_UNINSTALLED, kUninstalledStyle);
    std::exit(0);
}

// Every step finds its files beside the program or names the program itself: with no path
// that names its folder, the run would go on with another folder's files, so nothing starts.
int ReportUnspellableOwnPath()
{
    if (!SilentFlag)
        ShowLaunchBox(LoadResStringW(IDS_CAPTION, kCaptionChars), LoadResStringW(IDS_UNSPELLABLE_FOLDER),
                      MB_OK | MB_ICONSTOP);
    return kOwnPathUnspellable;
}

}  // namespace

int CSetupApp::RunStartup()
{
    UseCodePageForPathTexts();
    const std::vector<std::string> words = SplitCommandLine(::GetCommandLineA());
    SilentFlag = IsSilentCommandLine(words);
    // Only the wizard and the boxes of an interactive run are dialogs; a silent run shows at most
    // a message box, which needs no common controls, and starts sooner without them.
    if (!SilentFlag)
        InitCommonControlsFromSystem();
    const std::string ownPath = GetOwnProgramPath();
    if (ownPath.empty())
        return ReportUnspellableOwnPath();
    const RunMode mode = DecideRunMode(words, ownPath);
    if (mode == RunMode::UninstallStage2)
        RunSecondStage(words);

    const std::wstring caption = LoadResStringW(IDS_CAPTION, kCaptionChars);
    const std::wstring confirmation = LoadResStringW(IDS_CONFIRM_UNINSTALL);
    if (mode == RunMode::UninstallStage1 && !SilentFlag &&
        ShowLaunchBox(caption, confirmation, kConfirmUninstallStyle) != IDYES)
        return 0;

    // This process is listed too; an unavailable registry counts 0, so nothing is closed.
    const int otherCopies = static_cast<int>(InstanceRegistry.CountInstances()) - 1;
    if (otherCopies > 0) {
        if (mode == RunMode::Install && !HasCloseWithoutAskingSwitch(words) &&
            !ConfirmCloseCopies(caption, otherCopies))
            return 1;
        CloseRunningCopies(otherCopies);
    }

    if (mode == RunMode::Install)
        return RunInstaller();
    // Comes back only when the copy could not be started; otherwise the process ends with the
    // removal's outcome.
    const int notStarted = LaunchUninstallCopy(SilentFlag);
    if (!SilentFlag)
        ShowLaunchBox(caption, LoadResStringW(IDS_UNINSTALL_REFUSED), kUninstallRefusedStyle);
    return notStarted;
}
