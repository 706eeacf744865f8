// standin/HostCallback.cpp - the stand-in's export that PixRes5.dll calls while it is loaded.
#include <type_traits>
#include "resource_library/HostContract.h"
#include "standin/ResourceLibraryUse.h"

namespace {

int g_nCallbackResult = 1;
HostCallbackRecord g_record = {0, NULL, NULL};

}  // namespace

// The library calls through a PX5CallbackProc; the declaration must keep that exact shape, or
// the i686 stack and the export name no longer match what the library expects.
extern "C" __declspec(dllexport) int __cdecl PX5Callback(HMODULE hHost, HMODULE hLibrary)
{
    ++g_record.nCalls;
    g_record.hHost = hHost;
    g_record.hLibrary = hLibrary;
    return g_nCallbackResult;
}
static_assert(std::is_same<decltype(&PX5Callback), PX5CallbackProc>::value,
              "PX5Callback must match the library's contract");

void SetHostCallbackResult(int nResult) { g_nCallbackResult = nResult; }

HostCallbackRecord GetHostCallbackRecord() { return g_record; }
