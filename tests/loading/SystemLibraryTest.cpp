// tests/loading/SystemLibraryTest.cpp - loading from the system folder only, and the restricted
// library search, on the road of current Windows and on the road of XP (kernel32 without
// SetDefaultDllDirectories), against recording copies planted where a plain search looks.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <string>
#include "platform/SystemLibrary.h"
#include "support/TestSupport.h"

namespace {

// The build puts one copy beside the test programs; each test puts the other in its current folder.
const wchar_t kBesideProgram[] = L"pixplanted.dll";
const wchar_t kInCurrentFolder[] = L"pixplanted-cwd.dll";
const char kCurrentFolderName[] = "pixplanted-cwd.dll";

std::wstring LowerWide(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

std::wstring ModulePath(HMODULE hModule)
{
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(hModule, path, MAX_PATH);
    return LowerWide(std::wstring(path, n < MAX_PATH ? n : 0));
}

std::wstring SystemFolder()
{
    wchar_t path[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
    return LowerWide(std::wstring(path, n < MAX_PATH ? n : 0));
}

class CPlantedLibraries : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedFind = g_pfnFindKernelExport;
        const std::string folder = pixtest::MakeScratchFolder("planted-cwd");
        ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\pixplanted.dll",
                                        folder + "\\" + kCurrentFolderName));
        m_record = pixtest::MakeScratchFolder("planted-record") + "\\loads.txt";
        ::SetEnvironmentVariableA("PIXPLANTED_RECORD", m_record.c_str());
        ::GetCurrentDirectoryA(MAX_PATH, m_savedFolder);
        ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
    }
    void TearDown() override
    {
        g_pfnFindKernelExport = m_savedFind;
        ::SetCurrentDirectoryA(m_savedFolder);
        ::SetEnvironmentVariableA("PIXPLANTED_RECORD", NULL);
    }
    // The paths of the planted copies that were loaded, one a line.
    std::string PlantedLoads() const { return pixtest::ReadFileBytes(m_record); }

    FARPROC (*m_savedFind)(const char*) = nullptr;
    char m_savedFolder[MAX_PATH] = {};
    std::string m_record;
};

// Parameter: the road of XP.
class CPlantedLibrariesOnBothRoads : public CPlantedLibraries, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        CPlantedLibraries::SetUp();
        if (GetParam())
            g_pfnFindKernelExport = pixtest::FindKernelExportAsOnXp;
    }
};

// Ends the process with a bit for each planted copy that a plain search loaded after the
// restriction: 1 the program's folder, 2 the current folder.
[[noreturn]] void RestrictThenSearchPlainly(const std::string& record)
{
    RestrictLibrarySearch();
    ::LoadLibraryW(kBesideProgram);
    ::LoadLibraryW(kInCurrentFolder);
    const std::string loads = pixtest::ReadFileBytes(record);
    std::fprintf(stderr, "loaded: %s\n", loads.c_str());
    std::exit((loads.find("pixplanted.dll") != std::string::npos ? 1 : 0)
              | (loads.find(kCurrentFolderName) != std::string::npos ? 2 : 0));
}

}  // namespace

// Without this, none of the tests below could see a fault.
TEST_F(CPlantedLibraries, PlainSearchFindsBothPlantedCopies)
{
    EXPECT_EQ(::LoadLibraryW(kBesideProgram), nullptr);
    EXPECT_EQ(::LoadLibraryW(kInCurrentFolder), nullptr);
    const std::string loads = PlantedLoads();
    EXPECT_NE(loads.find("pixplanted.dll"), std::string::npos) << loads;
    EXPECT_NE(loads.find(kCurrentFolderName), std::string::npos) << loads;
}

TEST_P(CPlantedLibrariesOnBothRoads, SystemLoadTakesTheSystemFolderCopyAndNothingElse)
{
    CLibrary version(LoadSystemLibrary(L"version.dll"));
    ASSERT_TRUE(version.IsLoaded());
    EXPECT_EQ(ModulePath(version), SystemFolder() + L"\\version.dll");
    EXPECT_NE(version.Export<FARPROC>("GetFileVersionInfoSizeA"), nullptr);

    CLibrary beside(LoadSystemLibrary(kBesideProgram));
    CLibrary current(LoadSystemLibrary(kInCurrentFolder));
    EXPECT_FALSE(beside.IsLoaded());
    EXPECT_FALSE(current.IsLoaded());
    EXPECT_EQ(PlantedLoads(), "");
}

// In a process of its own: the restriction cannot be undone. XP's loader keeps searching the
// program's folder first; only the current folder can be taken out there.
TEST_P(CPlantedLibrariesOnBothRoads, RestrictedSearchSkipsTheProgramFolderAndTheCurrentFolder)
{
    if (GetParam())
        EXPECT_EXIT(RestrictThenSearchPlainly(m_record), [](int code) { return (code & 2) == 0; }, "");
    else
        EXPECT_EXIT(RestrictThenSearchPlainly(m_record), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Roads, CPlantedLibrariesOnBothRoads, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AsOnXp" : "Current");
                         });
