// tests/loading/PlantedLibrary.cpp - a library planted where setup must never load one from.
// Loaded, it appends its own path to the file that PIXPLANTED_RECORD names (inherited by every
// process a test starts) and refuses the load, so none of it ever stands in for the library
// whose name it was given. It needs kernel32 alone: no runtime runs before its entry.
#include <windows.h>

namespace {

void RecordLoad(HINSTANCE hInstance)
{
    WCHAR recordPath[MAX_PATH];
    const DWORD recordChars = ::GetEnvironmentVariableW(L"PIXPLANTED_RECORD", recordPath, MAX_PATH);
    if (recordChars == 0 || recordChars >= MAX_PATH)
        return;
    WCHAR ownPath[MAX_PATH];
    const DWORD ownChars = ::GetModuleFileNameW(hInstance, ownPath, MAX_PATH);
    char line[3 * MAX_PATH + 2];
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, ownPath, static_cast<int>(ownChars), line, 3 * MAX_PATH,
                                      NULL, NULL);
    line[bytes++] = '\r';
    line[bytes++] = '\n';
    // Appends: the installer and both uninstall stages may each load a copy.
    HANDLE hRecord = ::CreateFileW(recordPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_ALWAYS, 0, NULL);
    if (hRecord == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(hRecord, line, static_cast<DWORD>(bytes), &written, NULL);
    ::CloseHandle(hRecord);
}

}  // namespace

extern "C" BOOL WINAPI PlantedEntry(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    RecordLoad(hInstance);
    return FALSE;
}
