// resource_library/LibraryEntry.cpp - load-time entry of PixRes5.dll: announces the library
// to the program that loads it.
// Built without the C runtime (the library's only import is kernel32), so nothing here may
// need static constructors, the heap or compiler helper functions.
#include "resource_library/HostContract.h"

extern "C" BOOL WINAPI DllEntry(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason != DLL_PROCESS_ATTACH)
        return TRUE;
    // Nothing here needs threads, so spare every new thread a trip through this entry.
    ::DisableThreadLibraryCalls(hInstance);
    HMODULE hHost = ::GetModuleHandleA(NULL);
    // By name, not hInstance: a renamed copy deliberately hands the host NULL.
    HMODULE hLibrary = ::GetModuleHandleA(PX5_LIBRARY_NAME);
    PX5CallbackProc pfnCallback =
        reinterpret_cast<PX5CallbackProc>(::GetProcAddress(hHost, PX5_CALLBACK_NAME));
    if (pfnCallback == NULL)
        return TRUE;
    return pfnCallback(hHost, hLibrary) != 0;
}
