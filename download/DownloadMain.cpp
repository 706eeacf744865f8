// download/DownloadMain.cpp - the one program people download: unpacks the package beside setup,
// runs setup with the command line it was given, and hands setup's exit code on.
#include <windows.h>
#include <string>
#include "download/AppendedCabinet.h"
#include "download/PrivateFolder.h"
#include "framework/UiText.h"
#include "platform/SystemLibrary.h"
#include "setup_resources/resource.h"
#include "text/ProductNames.h"
#include "text/RunMode.h"

extern "C" int WinMainCRTStartup(void);

namespace {

const wchar_t kSetupFile[] = L"setup.exe";
// The code setup ends with when its package is damaged; a download whose package cannot be
// unpacked is no different to the tool that started it.
const int kDamagedPackageExitCode = 1;

std::wstring OwnProgramPath()
{
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(NULL, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    return path;
}

// What follows the program's own path on its command line, as it was given. The program path
// knows no backslash rules: quotes only group it.
const wchar_t* SkipProgramWord(const wchar_t* p)
{
    bool quoted = false;
    for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
        if (*p == L'"')
            quoted = !quoted;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// Starts setup from the folder, waits for it and returns its exit code; -1 when it did not start.
int RunSetupAndWait(const std::wstring& folder)
{
    const std::wstring setupPath = folder + L"\\" + kSetupFile;
    std::wstring commandLine = L"\"" + setupPath + L"\"";
    const wchar_t* pszArguments = SkipProgramWord(::GetCommandLineW());
    if (*pszArguments)
        commandLine += std::wstring(L" ") + pszArguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!::CreateProcessW(setupPath.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                          folder.c_str(), &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(kDamagedPackageExitCode);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// A silent run is unattended: a box would hold the deployment tool that waits for the code.
int ReportDamagedDownload()
{
    if (!IsSilentCommandLine(SplitCommandLine(::GetCommandLineA())))
        AppMessageBoxId(NULL, IDS_DAMAGED_PACKAGE, MB_OK | MB_ICONSTOP);
    return kDamagedPackageExitCode;
}

int RunDownload()
{
    const std::wstring ownPath = OwnProgramPath();
    CPrivateFolder folder;
    if (ownPath.empty() || !folder.Create())
        return ReportDamagedDownload();
    if (!UnpackAppendedCabinet(ownPath, folder.Path()))
        return ReportDamagedDownload();
    // Setup finds the settings file that lies beside the download through this.
    ::SetEnvironmentVariableW(WideFromAnsi(kPackagePathVariable).c_str(), ownPath.c_str());
    const int code = RunSetupAndWait(folder.Path());
    return code == -1 ? ReportDamagedDownload() : code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunDownload();
}

// The download is linked with this as its entry point: the library search is restricted before
// the C runtime starts, as in setup.exe, since it runs elevated from a downloads folder too.
extern "C" __attribute__((force_align_arg_pointer)) int DownloadEntry(void)
{
    RestrictLibrarySearch();
    return WinMainCRTStartup();
}
