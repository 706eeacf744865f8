// tests/uninstall_ops/LaunchProbe.cpp - stands in for the installed uninstaller: started
// normally it launches its own uninstall copy; as that copy ("-delself") it records what it got.
#include <windows.h>
#include <sddl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "platform/AnsiPath.h"
#include "platform/ObjectSecurity.h"
#include "platform/Process.h"
#include "uninstall/UninstallLaunch.h"

namespace {

const DWORD kWindowWaitMs = 30000;
const TOKEN_INFORMATION_CLASS kTokenElevationClass = static_cast<TOKEN_INFORMATION_CLASS>(20);

std::string Environment(const char* pszName)
{
    const char* pszValue = std::getenv(pszName);
    return pszValue ? pszValue : "";
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    const std::string partPath = path + ".part";
    FILE* pFile = std::fopen(partPath.c_str(), "wb");
    if (!pFile)
        return false;
    std::fwrite(text.data(), 1, text.size(), pFile);
    std::fclose(pFile);
    return ::MoveFileA(partPath.c_str(), path.c_str()) != 0;
}

// XP's tokens do not know the elevation question.
BOOL WINAPI ReadTokenAsOnXp(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass, LPVOID pInfo, DWORD size, PDWORD pNeeded)
{
    if (infoClass == kTokenElevationClass) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ::GetTokenInformation(hToken, infoClass, pInfo, size, pNeeded);
}

// The descriptor in the platform's string form; "none" without one.
std::string DescribeDescriptor(PSECURITY_DESCRIPTOR pDescriptor)
{
    char* pszText = NULL;
    if (!pDescriptor || !::ConvertSecurityDescriptorToStringSecurityDescriptorA(
                            pDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &pszText, NULL))
        return "none";
    const std::string text = pszText;
    ::LocalFree(pszText);
    return text;
}

BOOL WINAPI CreateRecordedFolder(LPCSTR pszPath, LPSECURITY_ATTRIBUTES pSecurity)
{
    const PSECURITY_DESCRIPTOR pDescriptor = pSecurity ? pSecurity->lpSecurityDescriptor : NULL;
    WriteWholeFile(Environment("PIX_PROBE_RECORD") + ".folder", std::string(pszPath) + "\n" + DescribeDescriptor(pDescriptor));
    return ::CreateDirectoryA(pszPath, pSecurity);
}

// Between the copy and its start: the test gets the copy's path and tries to replace it, from
// another process, before the start goes on.
bool StartAfterTheTestsTurn(const std::string& program, const std::string& commandLine, HANDLE hChannel)
{
    const std::string name = Environment("PIX_PROBE_WINDOW");
    WriteWholeFile(Environment("PIX_PROBE_RECORD") + ".window", program);
    HANDLE hOpen = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + ".open").c_str());
    HANDLE hDone = ::OpenEventA(SYNCHRONIZE, FALSE, (name + ".done").c_str());
    if (hOpen && hDone) {
        ::SetEvent(hOpen);
        ::WaitForSingleObject(hDone, kWindowWaitMs);
    }
    if (hOpen)
        ::CloseHandle(hOpen);
    if (hDone)
        ::CloseHandle(hDone);
    return StartSecondStage(program, commandLine, hChannel);
}

// A volume without short names, which Wine never has.
DWORD WINAPI NoShortName(LPCWSTR, LPWSTR, DWORD)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

void InstallSeams()
{
    if (!Environment("PIX_PROBE_NO_SHORT_NAMES").empty())
        g_pfnGetShortPathNameW = NoShortName;
    if (!Environment("PIX_PROBE_AS_XP").empty())
        g_pfnGetTokenInformation = ReadTokenAsOnXp;
    if (!Environment("PIX_PROBE_WINDOW").empty())
        g_pfnStartSecondStage = StartAfterTheTestsTurn;
    g_pfnCreateCopyFolder = CreateRecordedFolder;
}

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

// What the copy tells its first stage once it has recorded itself (PIX_PROBE_OUTCOME): a number
// is told as the outcome; "untold" ends without telling; "garbled" writes what no second stage
// writes. With PIX_PROBE_TELL_AFTER it tells only once that event of the test is set.
void TellAsAsked()
{
    const std::string after = Environment("PIX_PROBE_TELL_AFTER");
    if (!after.empty()) {
        HANDLE hAfter = ::OpenEventA(SYNCHRONIZE, FALSE, after.c_str());
        if (hAfter) {
            ::WaitForSingleObject(hAfter, kWindowWaitMs);
            ::CloseHandle(hAfter);
        }
    }
    const std::string outcome = Environment("PIX_PROBE_OUTCOME");
    if (outcome == "untold")
        return;
    if (outcome == "garbled") {
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), "12345678", 8, &written, NULL);
        return;
    }
    TellFirstStage(std::atoi(outcome.c_str()));
}

int RecordSecondStage(int argc, char** argv)
{
    const bool garbled = Environment("PIX_PROBE_OUTCOME") == "garbled";
    if (!garbled)
        TakeFirstStageChannel();
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
    if (!::MoveFileA(partPath.c_str(), pszRecord))
        return 2;
    TellAsAsked();
    return 0;
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
    InstallSeams();
    LaunchUninstallCopy(silent);
    return kLaunchReturnedExitCode;
}
