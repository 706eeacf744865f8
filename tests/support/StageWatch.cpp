// tests/support/StageWatch.cpp - follows a program and the child it hands over to.
#include "support/StageWatch.h"
#include <string>
#include <vector>
#include "support/TestSupport.h"

namespace stagewatch {

BOOL (WINAPI* g_pfnQueryImageName)(HANDLE, DWORD, LPSTR, PDWORD) = ::QueryFullProcessImageNameA;

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

namespace {

ULONGLONG GetCreationTime(HANDLE hProcess)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(hProcess, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The whole path of a process's program file; empty when it cannot be read.
std::string ImagePath(HANDLE hProcess)
{
    char image[2 * MAX_PATH];
    DWORD size = sizeof image;
    if (!g_pfnQueryImageName(hProcess, 0, image, &size))
        return "";
    return std::string(image, size);
}

// A program of the platform: in the Windows folder or below it, except in its Temp, where the
// uninstaller's second stage runs when elevated.
bool IsPlatformProgram(const std::string& image)
{
    char windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || image.size() <= length ||
        _strnicmp(image.c_str(), windows, length) != 0 || image[length] != '\\')
        return false;
    const std::string temp = std::string(windows, length) + "\\Temp\\";
    return _strnicmp(image.c_str(), temp.c_str(), temp.size()) != 0;
}

// A process of the program's own making: begun no earlier than the program, and not one of the
// platform's programs, which Wine starts as children of whichever process first needs them (the
// desktop's explorer.exe, services.exe). A process whose program file cannot be read yet is none
// of ours so far: taken for the child, a platform program that ends early would pass for a
// second stage that has ended.
bool IsHandedOverChild(DWORD processId, ULONGLONG parentCreated)
{
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!h)
        return false;
    const ULONGLONG created = GetCreationTime(h);
    const std::string image = ImagePath(h);
    const bool ours = created != 0 && created >= parentCreated && !image.empty() && !IsPlatformProgram(image);
    ::CloseHandle(h);
    return ours;
}

}  // namespace

DWORD FindChildProcess(HANDLE hParent, DWORD parentId)
{
    const ULONGLONG parentCreated = GetCreationTime(hParent);
    if (parentCreated == 0)
        return 0;
    return pixtest::FindProcess([parentId, parentCreated](DWORD id, DWORD recordedParent, const char*) {
        return recordedParent == parentId && id != parentId && IsHandedOverChild(id, parentCreated);
    });
}

CChildHold::~CChildHold()
{
    if (m_hChild)
        ::CloseHandle(m_hChild);
}

bool CChildHold::Look()
{
    if (m_hChild)
        return true;
    const DWORD childId = FindChildProcess(m_hParent, m_parentId);
    if (childId)
        m_hChild = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, childId);
    if (m_hChild)
        m_childId = childId;
    return m_hChild != NULL;
}

HANDLE CChildHold::Release()
{
    HANDLE h = m_hChild;
    m_hChild = NULL;
    return h;
}

std::string ProgramName(HANDLE hProcess)
{
    const std::string image = ImagePath(hProcess);
    return image.substr(image.rfind('\\') + 1);
}

std::string DescribeProcess(DWORD processId)
{
    std::string text = "id " + std::to_string(processId);
    pixtest::FindProcess([processId, &text](DWORD id, DWORD, const char* pszExeFile) {
        if (id == processId)
            text += std::string(" ") + pszExeFile;
        return id == processId;
    });
    return text;
}

namespace {

// How often a running parent is looked at for the child it has started.
constexpr DWORD kLookEveryMs = 20;

// Waits with a bound; a process that outlives it is ended so that the next run starts clean.
bool WaitOrKill(HANDLE hProcess, DWORD timeoutMs, DWORD* pExitCode)
{
    if (::WaitForSingleObject(hProcess, timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(hProcess, 0xDEAD);
        ::WaitForSingleObject(hProcess, 5000);
        return false;
    }
    ::GetExitCodeProcess(hProcess, pExitCode);
    return true;
}

}  // namespace

SStageRun RunTwoStages(const std::string& commandLine, const char* pszFolder, DWORD timeoutMs)
{
    SStageRun run;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const double start = NowMs();
    if (!::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, pszFolder, &si, &pi))
        return run;
    run.started = true;
    ::CloseHandle(pi.hThread);
    CChildHold child(pi.hProcess, pi.dwProcessId);
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::WaitForSingleObject(pi.hProcess, kLookEveryMs) == WAIT_TIMEOUT && ::GetTickCount64() < deadline)
        child.Look();
    run.firstEnded = WaitOrKill(pi.hProcess, 0, &run.firstExitCode);
    run.firstEndMs = NowMs() - start;
    child.Look();  // a child started in the last moments of its parent
    ::CloseHandle(pi.hProcess);
    HANDLE hChild = child.Handle();
    if (!hChild)
        return run;
    run.childFound = true;
    run.childName = ProgramName(hChild);
    run.childEnded = WaitOrKill(hChild, timeoutMs, &run.childExitCode);
    run.childEndMs = NowMs() - start;
    return run;
}

}  // namespace stagewatch
