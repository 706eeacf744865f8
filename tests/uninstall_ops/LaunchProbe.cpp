// tests/uninstall_ops/LaunchProbe.cpp - stands in for the installed uninstaller: started
// normally it launches its own uninstall copy; as that copy ("-delself") it records what it got.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "uninstall/UninstallLaunch.h"

namespace {

// Exit code of a first stage whose launch came back.
const int kLaunchReturnedExitCode = 3;

// Signals the event through the handle value the first stage left in the environment; this
// works only when the handle was inherited.
bool SignalInheritedEvent()
{
    const char* pszValue = std::getenv("PIX_PROBE_HANDLE");
    if (!pszValue)
        return false;
    const HANDLE hEvent = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(std::strtoll(pszValue, NULL, 16)));
    return ::SetEvent(hEvent) != 0;
}

int RecordSecondStage(int argc, char** argv)
{
    const char* pszRecord = std::getenv("PIX_PROBE_RECORD");
    if (!pszRecord)
        return 2;
    const std::string partPath = std::string(pszRecord) + ".part";
    FILE* pFile = std::fopen(partPath.c_str(), "wb");
    if (!pFile)
        return 2;
    char module[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, module, MAX_PATH);
    char folder[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    std::fprintf(pFile, "pid=%lu\ninherited=%d\ncmdline=%s\nmodule=%s\ncwd=%s\n",
                 static_cast<unsigned long>(::GetCurrentProcessId()), SignalInheritedEvent() ? 1 : 0,
                 ::GetCommandLineA(), module, folder);
    for (int i = 0; i < argc; ++i)
        std::fprintf(pFile, "arg=%s\n", argv[i]);
    std::fclose(pFile);
    // The test reads the record only once it is complete.
    return ::MoveFileA(partPath.c_str(), pszRecord) ? 0 : 2;
}

// An inheritable handle to the test's named event, its value left in the environment.
void OfferInheritableEvent()
{
    const char* pszName = std::getenv("PIX_PROBE_EVENT");
    if (!pszName)
        return;
    const HANDLE hEvent = ::OpenEventA(EVENT_MODIFY_STATE, TRUE, pszName);
    if (!hEvent)
        return;
    char value[32];
    std::snprintf(value, sizeof value, "%llx", static_cast<unsigned long long>(reinterpret_cast<INT_PTR>(hEvent)));
    ::SetEnvironmentVariableA("PIX_PROBE_HANDLE", value);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "-delself") == 0)
        return RecordSecondStage(argc, argv);
    const bool silent = argc >= 2 && std::strcmp(argv[argc - 1], "-s") == 0;
    OfferInheritableEvent();
    LaunchUninstallCopy(silent);
    return kLaunchReturnedExitCode;
}
