// tests/loading/PlantingTest.cpp - setup.exe, its second uninstall stage and the download with a
// recording library planted beside them under the name of a library that they use.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>
#include "download/PrivateFolder.h"
#include "framework/UiText.h"
#include "support/StageWatch.h"
#include "support/E2eSupport.h"
#include "support/TestSupport.h"

using namespace e2e;

namespace {

const DWORD kStagesTimeoutMs = 60000;
const char kPlantedName[] = "comctl32.dll";
// Wine takes its own copy of a library even when another lies beside the program; told to prefer
// a native copy, it searches as Windows does for a library outside its always-from-system list.
// Told in the prefix's registry: Wine reads WINEDLLOVERRIDES from the environment it was started
// with, not from the one that a Windows process hands to its children. Only comctl32 is asked for:
// Wine's own user32 imports version.dll, so a native-first version would load a planted copy into
// any program that shows a window, before its first instruction.
const char kWineOverridesKey[] = "Software\\Wine\\DllOverrides";
const char kOverriddenLibrary[] = "comctl32";

std::string TemporaryFolder()
{
    char path[MAX_PATH];
    const DWORD n = ::GetTempPathA(MAX_PATH, path);
    std::string folder(path, n < MAX_PATH ? n : 0);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string WindowsTempFolder()
{
    char path[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0) + "\\Temp";
}

// What both temporary folders hold: the download unpacks into one of them and must leave it as
// it found it.
std::vector<std::string> TemporaryEntries()
{
    std::vector<std::string> entries;
    for (const std::string& folder : { WindowsTempFolder(), TemporaryFolder() }) {
        WIN32_FIND_DATAA found;
        HANDLE hFind = ::FindFirstFileA((folder + "\\*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE)
            continue;
        do {
            entries.push_back(folder + "\\" + found.cFileName);
        } while (::FindNextFileA(hFind, &found));
        ::FindClose(hFind);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The download under test: the build's, or the one PIX_DOWNLOAD names (the signed download of
// the release check, scripts/check-release.sh).
std::string DownloadUnderTest()
{
    char named[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableA("PIX_DOWNLOAD", named, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return named;
    const std::string folder = pixtest::OutDir() + "\\download";
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((folder + "\\Pixorama5-*-setup.exe").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return std::string();
    ::FindClose(hFind);
    return folder + "\\" + found.cFileName;
}

void RemoveNativeFirst()
{
    HKEY hKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kWineOverridesKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return;
    ::RegDeleteValueA(hKey, kOverriddenLibrary);
    ::RegCloseKey(hKey);
}

class CPlantingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeInstallation();
        m_package = CopyPackage("planted-pkg");
        m_temp = TemporaryFolder();
        ASSERT_FALSE(m_temp.empty());
        m_record = pixtest::MakeScratchFolder("planted-record") + "\\loads.txt";
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kWineOverridesKey, kOverriddenLibrary, "native,builtin"));
        // Every process started from here on inherits it.
        ::SetEnvironmentVariableA("PIXPLANTED_RECORD", m_record.c_str());
    }
    void TearDown() override
    {
        RemoveNativeFirst();
        ::SetEnvironmentVariableA("PIXPLANTED_RECORD", NULL);
        ::DeleteFileA((m_temp + "\\" + kPlantedName).c_str());
        ::DeleteFileA((WindowsTempFolder() + "\\" + kPlantedName).c_str());
        WipeInstallation();
    }

    static bool Plant(const std::string& folder)
    {
        return pixtest::CopyFileTo(pixtest::OutDir() + "\\tests\\pixplanted.dll", folder + "\\" + kPlantedName);
    }
    // The paths of the planted copies that some process loaded, one a line.
    std::string PlantedLoads() const { return pixtest::ReadFileBytes(m_record); }

    std::string m_package;
    std::string m_temp;
    std::string m_record;
};

}  // namespace

TEST_F(CPlantingTest, InstallerLoadsNothingFromItsOwnFolder)
{
    ASSERT_TRUE(Plant(m_package));
    DWORD code = 99;
    ASSERT_TRUE(RunProgram(m_package + "\\setup.exe", "-s", &code));
    EXPECT_EQ(PlantedLoads(), "");
    EXPECT_EQ(code, 0u);
    // The installation ran to its end: it read the package version and copied the files.
    EXPECT_TRUE(pixtest::FileExists(DefaultInstallFolder() + "\\Pixcap5.exe"));
}

TEST_F(CPlantingTest, SecondUninstallStageLoadsNothingFromTheTemporaryFolder)
{
    DWORD code = 99;
    ASSERT_TRUE(RunProgram(m_package + "\\setup.exe", "-s", &code));
    ASSERT_TRUE(pixtest::FileExists(DefaultInstallFolder() + "\\PixUnInst.exe"));
    // Unelevated the copy runs from the person's temporary folder, elevated from a folder of its
    // own in the Windows folder's Temp, where anyone may put a file beside that folder.
    ASSERT_TRUE(Plant(m_temp));
    ASSERT_TRUE(Plant(WindowsTempFolder()));

    const stagewatch::SStageRun run = stagewatch::RunTwoStages(
        "\"" + DefaultInstallFolder() + "\\PixUnInst.exe\" -s", NULL, kStagesTimeoutMs);
    ASSERT_TRUE(run.firstEnded) << "the first stage did not end within " << kStagesTimeoutMs << " ms";
    ASSERT_TRUE(run.childFound) << "no second stage was running when the first ended";
    ASSERT_TRUE(run.childEnded) << "the second stage did not end within " << kStagesTimeoutMs << " ms";
    EXPECT_EQ(PlantedLoads(), "");
    EXPECT_EQ(run.firstExitCode, 0u);
    EXPECT_EQ(run.childExitCode, 0u);
    EXPECT_FALSE(pixtest::FolderExists(DefaultInstallFolder()));
}

// Downloaded into a folder whose name has a blank, beside a planted library and a settings file.
TEST_F(CPlantingTest, DownloadInstallsSilentlyFromItsOwnFolderAndLeavesNoUnpackedFiles)
{
    const std::string download = DownloadUnderTest();
    ASSERT_FALSE(download.empty()) << "no download built";
    const std::string folder = pixtest::MakeScratchFolder("my downloads");
    const std::string copy = folder + "\\Pixorama5-setup.exe";
    ASSERT_TRUE(pixtest::CopyFileTo(download, copy));
    const std::string settings = "[Capture]\r\nFrom=beside the download\r\n";
    ASSERT_TRUE(pixtest::WriteFileBytes(folder + "\\Pixcap5.ini", settings));
    ASSERT_TRUE(Plant(folder));
    const std::vector<std::string> tempBefore = TemporaryEntries();

    DWORD code = 99;
    ASSERT_TRUE(RunProgram(copy, "-s", &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(PlantedLoads(), "");
    EXPECT_TRUE(pixtest::FileExists(DefaultInstallFolder() + "\\Pixcap5.exe"));
    EXPECT_EQ(pixtest::ReadFileBytes(DefaultInstallFolder() + "\\Pixcap5.ini"), settings);
    EXPECT_EQ(TemporaryEntries(), tempBefore);
    std::vector<std::string> besideDownload = ListFiles(folder);
    std::sort(besideDownload.begin(), besideDownload.end());
    EXPECT_EQ(besideDownload, (std::vector<std::string>{ "Pixcap5.ini", "Pixorama5-setup.exe", kPlantedName }));

    // The installed uninstaller is a byte copy of the download's setup.exe (signed, when the
    // download is): it removes the installation as setup.exe run directly does.
    const stagewatch::SStageRun run = stagewatch::RunTwoStages(
        "\"" + DefaultInstallFolder() + "\\PixUnInst.exe\" -s", NULL, kStagesTimeoutMs);
    ASSERT_TRUE(run.childEnded) << "the second stage did not end within " << kStagesTimeoutMs << " ms (first stage "
                                << (!run.started ? "not started, error " + std::to_string(::GetLastError())
                                    : run.firstEnded ? "ended with " + std::to_string(run.firstExitCode) : "did not end")
                                << ", second stage " << (run.childFound ? "followed" : "never seen") << ")";
    // The first stage's 0 says that the second has removed the installation.
    EXPECT_EQ(run.firstExitCode, 0u);
    EXPECT_EQ(run.childExitCode, 0u);
    EXPECT_FALSE(pixtest::FolderExists(DefaultInstallFolder()));
}

TEST_F(CPlantingTest, DamagedDownloadEndsWithOneAndInstallsNothing)
{
    const std::string download = DownloadUnderTest();
    ASSERT_FALSE(download.empty()) << "no download built";
    std::string bytes = pixtest::ReadFileBytes(download);
    ASSERT_GT(bytes.size(), 4096u);
    // The last quarter of the file is the cabinet's compressed data; its checksums catch the change.
    bytes[bytes.size() * 3 / 4] ^= 0x5A;
    const std::string damaged = pixtest::MakeScratchFolder("damaged") + "\\Pixorama5-setup.exe";
    ASSERT_TRUE(pixtest::WriteFileBytes(damaged, bytes));
    const std::vector<std::string> tempBefore = TemporaryEntries();

    DWORD code = 99;
    ASSERT_TRUE(RunProgram(damaged, "-s", &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(pixtest::FolderExists(DefaultInstallFolder()));
    EXPECT_EQ(TemporaryEntries(), tempBefore);
}

// What the download asks for when it makes its folder: an access list protected from what the
// Windows folder's Temp would pass down, full control for the system and the administrators,
// passed on to what is made inside, and nothing for anyone else. Wine does not keep an access list
// given to CreateDirectoryW (it reports its default one afterwards), so the list is read where it
// is handed over.
namespace {

std::vector<std::string> g_requestedGrants;
bool g_requestedProtected = false;

std::string GrantOf(ACCESS_ALLOWED_ACE* pAce)
{
    if (pAce->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || pAce->Mask != FILE_ALL_ACCESS ||
        pAce->Header.AceFlags != (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE))
        return "another kind of entry";
    if (::IsWellKnownSid(&pAce->SidStart, WinLocalSystemSid))
        return "SYSTEM";
    if (::IsWellKnownSid(&pAce->SidStart, WinBuiltinAdministratorsSid))
        return "Administrators";
    return "someone else";
}

BOOL WINAPI RecordFolderRequest(LPCWSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes)
{
    g_requestedGrants.clear();
    g_requestedProtected = false;
    PSECURITY_DESCRIPTOR pDescriptor = pAttributes ? pAttributes->lpSecurityDescriptor : NULL;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL pDacl = NULL;
    if (pDescriptor && ::GetSecurityDescriptorControl(pDescriptor, &control, &revision) &&
        ::GetSecurityDescriptorDacl(pDescriptor, &present, &pDacl, &defaulted) && present && pDacl) {
        g_requestedProtected = (control & SE_DACL_PROTECTED) != 0;
        for (DWORD i = 0; i < pDacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* pAce = NULL;
            if (::GetAce(pDacl, i, reinterpret_cast<void**>(&pAce)))
                g_requestedGrants.push_back(GrantOf(pAce));
        }
    }
    return ::CreateDirectoryW(pszPath, pAttributes);
}

}  // namespace

TEST(CDownloadFolder, OnlySystemAndAdministratorsMayWriteThere)
{
    g_pfnCreateDirectoryW = RecordFolderRequest;
    CPrivateFolder folder;
    const bool created = folder.Create();
    g_pfnCreateDirectoryW = ::CreateDirectoryW;
    ASSERT_TRUE(created);
    EXPECT_TRUE(g_requestedProtected);
    EXPECT_EQ(g_requestedGrants, (std::vector<std::string>{ "SYSTEM", "Administrators" }));
    // Under the Windows folder's Temp, where other users cannot rename or remove it.
    char windows[MAX_PATH];
    const UINT n = ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::wstring temp = WideFromAnsi(std::string(windows, n) + "\\Temp\\");
    EXPECT_EQ(folder.Path().substr(0, temp.size()), temp);

    const std::wstring path = folder.Path();
    ASSERT_TRUE(pixtest::WriteFileBytes(AnsiFromWide(path) + "\\setup.exe", "unpacked"));
    folder.Remove();
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
