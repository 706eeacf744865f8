// tests/install_ops/RegistryTest.cpp - registry strings, earlier-installation discovery, program-files folder, versions.
#include <gtest/gtest.h>
#include "install_ops/OpsTestHelpers.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"
#include "support/VersionStamp.h"

namespace {

const char kTestKey[] = "Software\\PixOpsTest";
const char kVendorKey[] = "SOFTWARE\\Corvanta\\Pixorama 5";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pixcap5.exe";
const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { opstest::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey); }
};

TEST_F(RegistryTest, WrittenStringReadsBackAsStringValueWithTerminator)
{
    const std::string key = std::string(kTestKey) + "\\Deeper\\Deepest";
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key.c_str(), "Name", "\xC9rt\xE9k 5"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key.c_str(), NULL, "default"));
    EXPECT_EQ("\xC9rt\xE9k 5", ReadRegistryString(HKEY_CURRENT_USER, key.c_str(), "Name"));
    EXPECT_EQ("default", ReadRegistryString(HKEY_CURRENT_USER, key.c_str(), ""));
    EXPECT_EQ("default", ReadRegistryString(HKEY_CURRENT_USER, key.c_str(), NULL));

    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hKey));
    DWORD type = 0;
    DWORD cbData = 0;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(hKey, "Name", NULL, &type, NULL, &cbData));
    ::RegCloseKey(hKey);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(8u, cbData);
}

TEST_F(RegistryTest, MissingKeyOrValueReadsEmpty)
{
    EXPECT_EQ("", ReadRegistryString(HKEY_CURRENT_USER, "Software\\PixOpsTest\\Nowhere", "Name"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "Other", "x"));
    EXPECT_EQ("", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Name"));
    EXPECT_FALSE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "Name", NULL));
}

// 260 bytes with the terminator is the largest value read; anything larger reads as empty,
// never as a cut text.
TEST_F(RegistryTest, StringOfTwoHundredSixtyBytesIsTheLargestRead)
{
    const std::string s258(258, 'a');
    const std::string s259(259, 'b');
    const std::string s260(260, 'c');
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "v258", s258.c_str()));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "v259", s259.c_str()));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "v260", s260.c_str()));
    EXPECT_EQ(s258, ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "v258"));
    EXPECT_EQ(s259, ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "v259"));
    EXPECT_EQ("", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "v260"));
}

// Values of other types are taken as text; the text ends at the first zero byte or at the end
// of the data, whichever comes first.
TEST_F(RegistryTest, OtherTypesReadAsTextUpToZeroOrEndOfData)
{
    const DWORD abc = 0x00434241;
    const DWORD abcd = 0x44434241;
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "dw3", REG_DWORD,
                                     std::string(reinterpret_cast<const char*>(&abc), 4)));
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "dw4", REG_DWORD,
                                     std::string(reinterpret_cast<const char*>(&abcd), 4)));
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "bin", REG_BINARY, std::string("ab\0cd", 5)));
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "bin260", REG_BINARY, std::string(260, 'x')));
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "bin261", REG_BINARY, std::string(261, 'y')));
    ASSERT_TRUE(opstest::SetRawValue(HKEY_CURRENT_USER, kTestKey, "bin0", REG_BINARY, std::string()));
    EXPECT_EQ("ABC", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "dw3"));
    EXPECT_EQ("ABCD", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "dw4"));
    EXPECT_EQ("ab", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "bin"));
    EXPECT_EQ(std::string(260, 'x'), ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "bin260"));
    EXPECT_EQ("", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "bin261"));
    EXPECT_EQ("", ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "bin0"));
}

class InstallDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveDiscoveryKeys(); }
    void TearDown() override { RemoveDiscoveryKeys(); }
    static void RemoveDiscoveryKeys()
    {
        opstest::DeleteKeyTree(HKEY_LOCAL_MACHINE, kVendorKey);
        opstest::DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta");
        opstest::DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    }
    static void SetAppPath(const char* pszProgram)
    {
        ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kAppPathsKey, NULL, pszProgram));
    }
    static void SetVendorPath(const char* pszFolder)
    {
        ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kVendorKey, "Path", pszFolder));
    }
};

TEST_F(InstallDiscoveryTest, NothingRecordedMeansNoEarlierInstallation)
{
    EXPECT_EQ("", FindPreviousInstallFolder());
}

TEST_F(InstallDiscoveryTest, AppPathsEntryGivesFolderOnlyWithExactProgramName)
{
    SetAppPath("C:\\Apps\\Pixorama 5\\Pixcap5.exe");
    EXPECT_EQ("C:\\Apps\\Pixorama 5", FindPreviousInstallFolder());
    SetAppPath("C:\\Apps\\Pixorama 5\\PIXCAP5.EXE");
    EXPECT_EQ("", FindPreviousInstallFolder());
    SetAppPath("C:\\Apps\\Pixcap5.exe.old\\Pixcap5.exe");
    EXPECT_EQ("C:\\Apps", FindPreviousInstallFolder());
    SetAppPath("C:\\Apps\\\\Pixcap5.exe");
    EXPECT_EQ("C:\\Apps", FindPreviousInstallFolder());
}

TEST_F(InstallDiscoveryTest, VendorPathWinsAndLosesOneTrailingBackslash)
{
    SetAppPath("C:\\Apps\\Pixorama 5\\Pixcap5.exe");
    SetVendorPath("D:\\Old Pix\\");
    EXPECT_EQ("D:\\Old Pix", FindPreviousInstallFolder());
    SetVendorPath("D:\\Old Pix\\\\");
    EXPECT_EQ("D:\\Old Pix\\", FindPreviousInstallFolder());
    SetVendorPath("\\");
    EXPECT_EQ("", FindPreviousInstallFolder());
    // An empty vendor value counts as none: the App Paths entry decides.
    SetVendorPath("");
    EXPECT_EQ("C:\\Apps\\Pixorama 5", FindPreviousInstallFolder());
}

// The Windows folder as a test wants it; nullptr stands for a platform that cannot tell.
const char* g_pszFakeWindowsFolder = nullptr;
UINT g_fakeLength = 0;

UINT WINAPI FakeGetWindowsDirectoryA(LPSTR pszBuffer, UINT cchBuffer)
{
    if (!g_pszFakeWindowsFolder)
        return g_fakeLength;
    const UINT length = static_cast<UINT>(strlen(g_pszFakeWindowsFolder));
    if (length >= cchBuffer)
        return length + 1;
    memcpy(pszBuffer, g_pszFakeWindowsFolder, length + 1);
    return length;
}

class ProgramFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = ReadRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir");
        ASSERT_FALSE(m_saved.empty()) << "the prefix names its program-files folder";
    }
    void TearDown() override
    {
        g_pfnGetWindowsDirectoryA = ::GetWindowsDirectoryA;
        WriteRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", m_saved.c_str());
    }
    static void RemoveProgramFilesValue()
    {
        HKEY hKey = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_SET_VALUE, &hKey));
        ::RegDeleteValueA(hKey, "ProgramFilesDir");
        ::RegCloseKey(hKey);
    }
    static std::string WithWindowsFolder(const char* pszFolder, UINT failLength = 0)
    {
        g_pszFakeWindowsFolder = pszFolder;
        g_fakeLength = failLength;
        g_pfnGetWindowsDirectoryA = FakeGetWindowsDirectoryA;
        return GetProgramFilesFolder();
    }
    std::string m_saved;
};

TEST_F(ProgramFilesTest, RegistryValueWinsWithoutTrailingBackslash)
{
    ASSERT_TRUE(WriteRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", "E:\\Programok\\"));
    EXPECT_EQ("E:\\Programok", WithWindowsFolder("D:\\WINNT"));
}

TEST_F(ProgramFilesTest, WithoutRegistryValueTheWindowsDriveIsUsed)
{
    RemoveProgramFilesValue();
    EXPECT_EQ("D:\\Program Files", WithWindowsFolder("D:\\WINNT"));
    EXPECT_EQ("E:\\Program Files", WithWindowsFolder("E:\\"));
    EXPECT_EQ("F:\\Program Files", WithWindowsFolder("F:\\Windows\\System"));
    EXPECT_EQ("G:Program Files", WithWindowsFolder("G:"));

    g_pfnGetWindowsDirectoryA = ::GetWindowsDirectoryA;
    char windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 2u);
    EXPECT_EQ(std::string(windows, 3) + "Program Files", GetProgramFilesFolder());
}

TEST_F(ProgramFilesTest, UnknownWindowsFolderFallsBackToDriveC)
{
    RemoveProgramFilesValue();
    EXPECT_EQ("C:\\Program Files", WithWindowsFolder(nullptr, 0));
    // A length beyond the buffer means nothing was written; it must not be read as a folder.
    EXPECT_EQ("C:\\Program Files", WithWindowsFolder(nullptr, 300));
}

class FileVersionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = pixtest::MakeScratchFolder("ops_version");
        m_program = m_folder + "\\Pixcap5.exe";
        // The stand-in's product version stays as built (5.20.0.0): only the file version counts.
        ASSERT_TRUE(pixtest::CopyFileTo(pixtest::OutDir() + "\\Pixcap5.exe", m_program));
        ASSERT_TRUE(pixtest::StampFileVersion(m_program, 5, 10, 3, 1));
    }
    void TearDown() override { pixtest::RemoveTree(m_folder); }
    static void ExpectVersion(const FileVersion& v, unsigned major, unsigned minor, unsigned third,
                              unsigned fourth)
    {
        EXPECT_EQ(major, v.major);
        EXPECT_EQ(minor, v.minor);
        EXPECT_EQ(third, v.third);
        EXPECT_EQ(fourth, v.fourth);
    }
    std::string m_folder;
    std::string m_program;
};

TEST_F(FileVersionTest, FileVersionIsReadNotProductVersion)
{
    ExpectVersion(GetFileVersion(m_program.c_str()), 5, 10, 3, 1);
    ASSERT_TRUE(pixtest::StampFileVersion(m_program, 65535, 0, 65534, 1));
    ExpectVersion(GetFileVersion(m_program.c_str()), 65535, 0, 65534, 1);
}

TEST_F(FileVersionTest, AFileWithoutAVersionOrNoFileGivesZeros)
{
    const std::string text = m_folder + "\\readme.txt";
    ASSERT_TRUE(pixtest::WriteFileBytes(text, "no version here"));
    ExpectVersion(GetFileVersion(text.c_str()), 0, 0, 0, 0);
    ExpectVersion(GetFileVersion((m_folder + "\\missing.exe").c_str()), 0, 0, 0, 0);
    ExpectVersion(GetFileVersion(nullptr), 0, 0, 0, 0);
}

}  // namespace
