// bench/InstanceListBench.cpp - the cost of registering and removing one process in the instance
// list while 999 others are listed, against the same pair on a list holding only this process.
//   InstanceListBench [pairs]   prints "name microseconds-per-pair" lines (median of 5 batches)
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/InstanceManager.h"

namespace {

// A name of its own, so that no real installer or capture application sees the benchmark's list.
const char kBenchInstanceName[] = "Corvanta.Pixorama.bench";
const uint32_t kOtherIds = 999;
// Ids that no process has: the notifications then find no window, as for stale entries.
const uint32_t kFirstFakeId = 0x40000000;
const uint32_t kProbeId = 0x7FFFFFF0;
const int kBatches = 5;

double NowUs()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

// Rewrites the list behind the manager's back, as another participant would have filled it.
bool FillList(uint32_t count)
{
    const std::string name = std::string("COXInstanceManager_FileMap_") + kBenchInstanceName;
    HANDLE hMap = ::OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str());
    if (!hMap)
        return false;
    SInstanceList* pList = static_cast<SInstanceList*>(::MapViewOfFile(hMap, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SInstanceList)));
    if (pList) {
        pList->dwProcessId[0] = ::GetCurrentProcessId();
        for (uint32_t i = 1; i < count; ++i)
            pList->dwProcessId[i] = kFirstFakeId + 4 * i;
        pList->dwCount = count;
        ::UnmapViewOfFile(pList);
    }
    ::CloseHandle(hMap);
    return pList != NULL;
}

double MedianPairUs(COXInstanceManager& manager, int pairs)
{
    std::vector<double> batches;
    for (int b = 0; b < kBatches; ++b) {
        const double start = NowUs();
        for (int i = 0; i < pairs; ++i) {
            if (!manager.AddProcess(kProbeId) || !manager.RemoveProcess(kProbeId)) {
                std::printf("pair failed\n");
                return -1;
            }
        }
        batches.push_back((NowUs() - start) / pairs);
    }
    std::sort(batches.begin(), batches.end());
    return batches[batches.size() / 2];
}

BOOL CALLBACK CountWindow(HWND, LPARAM param)
{
    ++*reinterpret_cast<int*>(param);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 20;
    COXInstanceManager manager(kBenchInstanceName, 1024);
    int windows = 0;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&windows));
    std::printf("top_level_windows %d\n", windows);
    if (!FillList(1))
        return 1;
    std::printf("pair_with_1_listed_us %.1f\n", MedianPairUs(manager, pairs * 10));
    if (!FillList(kOtherIds))
        return 1;
    std::printf("pair_with_999_listed_us %.1f\n", MedianPairUs(manager, pairs));
    std::printf("count_after %u\n", manager.CountInstances());
    // Cost of one window search, the step repeated once per listed id.
    const double start = NowUs();
    for (int i = 0; i < 1000; ++i)
        FindMainWindow(kFirstFakeId);
    std::printf("find_main_window_us %.2f\n", (NowUs() - start) / 1000);
    FillList(1);
    return 0;
}
