// platform/Process.cpp - this program's own file, starting other programs, and what the platform
// tells of a process.
#include "platform/Process.h"
#include <windows.h>
#include <tlhelp32.h>
#include <vector>
#include "framework/Handles.h"
#include "platform/AnsiPath.h"

namespace {

// The longest path the platform's wide services accept.
const DWORD kLongPathChars = 32768;

}  // namespace

std::string GetOwnProgramPath()
{
    std::vector<wchar_t> path(kLongPathChars);
    const DWORD n = ::GetModuleFileNameW(NULL, path.data(), kLongPathChars);
    return (n == 0 || n >= kLongPathChars) ? std::string() : AnsiPathFromWide(std::wstring(path.data(), n));
}

bool StartProgram(const std::string& program, const std::string& commandLine, bool inheritHandles,
                  const char* pszFolder, HANDLE hStandardOutput)
{
    // The platform may write into the command line, so it gets a copy of its own.
    std::vector<char> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (hStandardOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = hStandardOutput;
    }
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(program.c_str(), writableLine.data(), NULL, NULL, inheritHandles ? TRUE : FALSE, 0,
                          NULL, pszFolder, &startup, &process))
        return false;
    CHandle thread(process.hThread);
    CHandle child(process.hProcess);
    return true;
}

// The id of the process that started this one; 0 when the platform does not tell.
DWORD FindParentProcessId()
{
    CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return 0;
    const DWORD ownId = ::GetCurrentProcessId();
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == ownId)
            return entry.th32ParentProcessID;
    return 0;
}

ULONGLONG GetProcessCreationTime(HANDLE hProcess)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(hProcess, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}
