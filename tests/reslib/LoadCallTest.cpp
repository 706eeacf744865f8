// tests/reslib/LoadCallTest.cpp - the library's load-time call, seen from the stand-in capture
// application (which exports PX5Callback) and from this program (which does not).
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>
#include <map>
#include <sstream>
#include <string>
#include "support/TestSupport.h"

namespace {

const DWORD kRunTimeoutMs = 30000;

std::string LibraryPath() { return pixtest::OutDir() + "\\PixRes5.dll"; }

// Runs the stand-in on a library file and returns its report as key -> value.
std::map<std::string, std::string> RunStandin(const std::string& folder,
                                              const std::string& libraryPath,
                                              const std::string& extra = "")
{
    const std::string report = folder + "\\report.txt";
    // Several runs share the folder: a run that reports nothing must not be read as the last one.
    ::DeleteFileA(report.c_str());
    const std::string command = "\"" + pixtest::OutDir() + "\\Pixcap5.exe\" -loadres \"" +
                                libraryPath + "\" \"" + report + "\"" + extra;
    DWORD exitCode = 0;
    const bool ran = pixtest::RunAndWait(command, kRunTimeoutMs, &exitCode);
    const DWORD error = ::GetLastError();  // of the start, when that is what failed
    EXPECT_TRUE(ran) << command << " (last error " << error << ")";
    std::map<std::string, std::string> values;
    std::istringstream lines(pixtest::ReadFileBytes(report));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    EXPECT_FALSE(values.empty()) << "no report from " << command;
    return values;
}

TEST(LoadCall, HostGetsItsOwnAndTheLibraryHandleAndUsesTheResources)
{
    const std::string folder = pixtest::MakeScratchFolder("reslib_load");
    auto r = RunStandin(folder, LibraryPath());
    ASSERT_NE(r["load"], "0x0") << "load error " << r["load-error"];
    EXPECT_EQ(r["callback-calls"], "1");
    EXPECT_EQ(r["callback-host"], r["host"]);
    EXPECT_EQ(r["callback-library"], r["load"]);
    EXPECT_EQ(r["string-101"], "Felvétel");
    EXPECT_EQ(r["string-57344"], "Pixorama");
    const std::string popups = "&Fájl|S&zerkesztés|&Nézet|&Felvétel|&Kép|";
    EXPECT_EQ(r["menu-99"].substr(0, popups.size()), popups);
    EXPECT_EQ(r["dialog-135"], "Gyorsbillentyűk felvételhez");
    // Unloading is a process detach: the host must not be called again.
    EXPECT_EQ(r["callback-calls-after-free"], "1");
    pixtest::RemoveTree(folder);
}

TEST(LoadCall, ZeroFromTheHostFailsTheLoadAndAnyOtherValueLetsItSucceed)
{
    const std::string folder = pixtest::MakeScratchFolder("reslib_result");
    auto refused = RunStandin(folder, LibraryPath(), " -callback-result 0");
    EXPECT_EQ(refused["load"], "0x0");
    EXPECT_EQ(refused["load-error"], std::to_string(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(refused["callback-calls"], "1");
    EXPECT_EQ(refused.count("string-101"), 0u);
    for (const char* value : {"2", "-1", "65536"}) {
        auto accepted = RunStandin(folder, LibraryPath(), std::string(" -callback-result ") + value);
        EXPECT_NE(accepted["load"], "0x0") << "host result " << value;
        EXPECT_EQ(accepted["callback-calls"], "1") << "host result " << value;
    }
    pixtest::RemoveTree(folder);
}

TEST(LoadCall, RenamedLibraryPassesNoLibraryHandle)
{
    const std::string folder = pixtest::MakeScratchFolder("reslib_renamed");
    const std::string other = folder + "\\Other.dll";
    ASSERT_TRUE(pixtest::CopyFileTo(LibraryPath(), other));
    auto r = RunStandin(folder, other);
    ASSERT_NE(r["load"], "0x0") << "load error " << r["load-error"];
    EXPECT_EQ(r["callback-calls"], "1");
    EXPECT_EQ(r["callback-host"], r["host"]);
    EXPECT_EQ(r["callback-library"], "0x0");
    EXPECT_EQ(r["string-101"], "Felvétel");
    pixtest::RemoveTree(folder);
}

TEST(LoadCall, ProgramWithoutTheExportStillLoadsTheLibrary)
{
    HMODULE hSelf = ::GetModuleHandleA(NULL);
    ASSERT_EQ(::GetProcAddress(hSelf, "PX5Callback"), nullptr) << "this test needs a host without it";
    HMODULE hLibrary = ::LoadLibraryA(LibraryPath().c_str());
    ASSERT_NE(hLibrary, nullptr) << ::GetLastError();
    wchar_t text[64] = L"";
    EXPECT_GT(::LoadStringW(hLibrary, 57344, text, 64), 0);
    EXPECT_STREQ(text, L"Pixorama");
    EXPECT_TRUE(::FreeLibrary(hLibrary));
}

// The loader's record of a module. Only the leading fields, whose layout Windows and Wine
// share, are used; Flags bit 0x40000 is what DisableThreadLibraryCalls sets.
struct LoaderEntry {
    LIST_ENTRY InLoadOrderLinks;
    LIST_ENTRY InMemoryOrderLinks;
    LIST_ENTRY InInitializationOrderLinks;
    void* DllBase;
    void* EntryPoint;
    ULONG SizeOfImage;
    UNICODE_STRING FullDllName;
    UNICODE_STRING BaseDllName;
    ULONG Flags;
};
const ULONG kNoThreadCalls = 0x00040000;
typedef NTSTATUS(NTAPI* FindEntryProc)(const void*, LoaderEntry**);
typedef BOOL(WINAPI* EntryProc)(HINSTANCE, DWORD, LPVOID);

EntryProc g_pfnRealEntry = nullptr;
LONG g_nCalls[4] = {};
LONG g_nFalseResults = 0;

// Stands in front of the library's entry and counts what the loader hands it.
BOOL WINAPI CountingEntry(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason < 4)
        ::InterlockedIncrement(&g_nCalls[dwReason]);
    const BOOL bResult = g_pfnRealEntry(hInstance, dwReason, pReserved);
    if (!bResult)
        ::InterlockedIncrement(&g_nFalseResults);
    return bResult;
}

DWORD WINAPI IdleThread(LPVOID) { return 0; }

void RunOneThread()
{
    HANDLE hThread = ::CreateThread(NULL, 0, IdleThread, NULL, 0, NULL);
    ASSERT_NE(hThread, nullptr);
    EXPECT_EQ(::WaitForSingleObject(hThread, 10000), WAIT_OBJECT_0);
    ::CloseHandle(hThread);
}

TEST(LoadCall, ThreadsStartedAfterTheLoadNeverReachTheEntry)
{
    auto pfnFind = reinterpret_cast<FindEntryProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "LdrFindEntryForAddress")));
    ASSERT_NE(pfnFind, nullptr);
    HMODULE hLibrary = ::LoadLibraryA(LibraryPath().c_str());
    ASSERT_NE(hLibrary, nullptr);
    LoaderEntry* pEntry = nullptr;
    ASSERT_EQ(pfnFind(hLibrary, &pEntry), 0);
    ASSERT_EQ(pEntry->DllBase, hLibrary);
    EXPECT_TRUE(pEntry->Flags & kNoThreadCalls);
    g_pfnRealEntry = reinterpret_cast<EntryProc>(pEntry->EntryPoint);
    pEntry->EntryPoint = reinterpret_cast<void*>(CountingEntry);

    RunOneThread();
    EXPECT_EQ(g_nCalls[DLL_THREAD_ATTACH], 0);
    EXPECT_EQ(g_nCalls[DLL_THREAD_DETACH], 0);

    // Control: with the switch taken back the same thread start does reach the entry, which
    // proves the counting works; the library still answers success and calls nobody.
    pEntry->Flags &= ~kNoThreadCalls;
    RunOneThread();
    EXPECT_EQ(g_nCalls[DLL_THREAD_ATTACH], 1);
    EXPECT_EQ(g_nCalls[DLL_THREAD_DETACH], 1);
    pEntry->Flags |= kNoThreadCalls;

    EXPECT_TRUE(::FreeLibrary(hLibrary));
    EXPECT_EQ(g_nCalls[DLL_PROCESS_DETACH], 1);
    EXPECT_EQ(g_nFalseResults, 0);
}

}  // namespace
