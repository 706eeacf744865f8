// platform/Process.cpp - this program's own file, and starting other programs.
#include "platform/Process.h"
#include <windows.h>
#include <vector>
#include "framework/Handles.h"

namespace {

// The longest path the platform's wide services accept.
const DWORD kLongPathChars = 32768;

}  // namespace

std::string GetOwnProgramPath()
{
    std::vector<char> path(kLongPathChars);
    const DWORD n = ::GetModuleFileNameA(NULL, path.data(), kLongPathChars);
    return (n == 0 || n >= kLongPathChars) ? std::string() : std::string(path.data(), n);
}

bool StartProgram(const std::string& program, const std::string& commandLine, bool inheritHandles)
{
    // The platform may write into the command line, so it gets a copy of its own.
    std::vector<char> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(program.c_str(), writableLine.data(), NULL, NULL, inheritHandles ? TRUE : FALSE, 0,
                          NULL, NULL, &startup, &process))
        return false;
    CHandle thread(process.hThread);
    CHandle child(process.hProcess);
    return true;
}
