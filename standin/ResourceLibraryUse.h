// standin/ResourceLibraryUse.h - how the stand-in loads and uses PixRes5.dll.
#pragma once
#include <windows.h>

// Loads the resource library when the command line asks for it and shows that its resources
// are used. Returns true when the command line asked for it (the caller then ends).
//
//   -loadres <library path> <report path> [-callback-result <n>]
//
// The report is a UTF-8 text of "key=value" lines, written after the load:
//   host=0x...              GetModuleHandleA(NULL) of the stand-in
//   load=0x...              what LoadLibraryA returned (0x0 when the load failed)
//   load-error=<n>          GetLastError of a failed load, else 0
//   callback-calls=<n>      how often PX5Callback ran
//   callback-host=0x...     its first argument (last call)
//   callback-library=0x...  its second argument (last call)
//   string-101=, string-57344=   the strings loaded from the library
//   menu-99=<pop-up texts joined by "|">
//   dialog-135=<caption of the dialog created from the library's template>
//   callback-calls-after-free=<n>   counted again after FreeLibrary
// The lines from string-101 on are left out when the load failed.
bool StandinUseResourceLibrary(const char* pszCommandLine);

// The stand-in's PX5Callback (HostCallback.cpp) returns this value; 1 until set.
void SetHostCallbackResult(int nResult);

struct HostCallbackRecord {
    LONG nCalls;
    HMODULE hHost;
    HMODULE hLibrary;
};
HostCallbackRecord GetHostCallbackRecord();
