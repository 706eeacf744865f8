// tests/install_ops/AnsiPathTest.cpp - paths taken from the platform in UTF-16 and spelled in the
// system code page (1250 here), and the registry's path values read by that rule.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <cwchar>
#include "framework/UiText.h"
#include "install_ops/OpsTestHelpers.h"
#include "platform/AnsiPath.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

const char kTestKey[] = "Software\\PixOpsTest";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pixcap5.exe";
const char kOlderVendorKey[] = "SOFTWARE\\Corvanta\\Pixorama 5";
const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// "Загрузки": no letter of it is in code page 1250.
const wchar_t kCyrillic[] = L"\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438";
// "Āra": code page 1250 has no "Ā", but a best-fit conversion makes it "A".
const wchar_t kBestFit[] = L"\u0100ra";

std::wstring LongForm(const std::string& path)
{
    wchar_t longForm[MAX_PATH] = L"";
    const DWORD length = ::GetLongPathNameW(WideFromAnsi(path).c_str(), longForm, MAX_PATH);
    return std::wstring(longForm, length < MAX_PATH ? length : 0);
}

class AnsiPathTest : public ::testing::Test {
protected:
    // A folder of each test's own: the scratch folder's clean-up, by 8-bit names, cannot remove
    // what an earlier test made under a Cyrillic name.
    void SetUp() override
    {
        const char* pszTest = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_root = WideFromAnsi(pixtest::MakeScratchFolder(std::string("ansi-path-") + pszTest));
    }
    void TearDown() override { g_pfnGetShortPathNameW = ::GetShortPathNameW; }
    std::wstring MakeFolder(const std::wstring& name)
    {
        const std::wstring folder = m_root + L"\\" + name;
        EXPECT_TRUE(::CreateDirectoryW(folder.c_str(), NULL));
        return folder;
    }
    std::wstring m_root;
};

DWORD WINAPI NoShortName(LPCWSTR, LPWSTR, DWORD)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// As Windows answers for a name that has no short name (made while the volume made none): the
// long name itself, as for a name that needs no short form.
DWORD WINAPI LongNameForShort(LPCWSTR pszLong, LPWSTR pszShort, DWORD cchShort)
{
    const DWORD length = static_cast<DWORD>(std::wcslen(pszLong));
    if (length >= cchShort)
        return length + 1;
    std::wcscpy(pszShort, pszLong);
    return length;
}

}  // namespace

// Neither "?" nor a look-alike letter: the short name, which names the very same folder, and only
// for the part that needs it; the names around it, existing or to be made, stay as they are.
TEST_F(AnsiPathTest, ALetterTheCodePageLacksGivesTheShortNameOfThatPartAlone)
{
    const std::string root = AnsiPathFromWide(m_root);
    ASSERT_FALSE(root.empty());
    for (const wchar_t* name : {kCyrillic, kBestFit}) {
        const std::wstring folder = MakeFolder(name);
        const std::string spelled = AnsiPathFromWide(folder + L"\\");
        ASSERT_EQ(spelled.rfind(root + "\\", 0), 0u) << spelled;
        EXPECT_EQ(std::string::npos, spelled.find('?')) << spelled;
        EXPECT_EQ(std::string::npos, spelled.find("Ara")) << spelled;
        EXPECT_EQ(folder + L"\\", LongForm(spelled)) << spelled;
        EXPECT_EQ(folder + L"\\", LongPathForReaders(spelled)) << spelled;
        // The product's own names inside keep their long form, made or yet to be made.
        EXPECT_EQ(spelled + "Pixorama 5\\PixUnInst.exe", AnsiPathFromWide(folder + L"\\Pixorama 5\\PixUnInst.exe"));
    }
    // A part that needs a short name and does not exist has none.
    EXPECT_EQ("", AnsiPathFromWide(m_root + L"\\new\\" + kCyrillic));
    // A path that does not exist is read as it is.
    EXPECT_EQ(m_root + L"\\new", LongPathForReaders(root + "\\new"));
}

TEST_F(AnsiPathTest, OnAVolumeWithoutShortNamesSuchAPathIsRefused)
{
    const std::wstring folder = MakeFolder(kCyrillic);
    for (auto pfnShortName : {NoShortName, LongNameForShort}) {
        g_pfnGetShortPathNameW = pfnShortName;
        EXPECT_EQ("", AnsiPathFromWide(folder));
        EXPECT_EQ("", AnsiPathFromWide(folder + L"\\PixUnInst.exe"));
        EXPECT_EQ("C:\\B\xF5vebben", AnsiPathFromWide(L"C:\\B\u0151vebben"));
    }
}

TEST_F(AnsiPathTest, RegistryPathValuesAreReadInUtf16ByTheSameRule)
{
    const std::wstring folder = MakeFolder(kCyrillic);
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL));
    const std::wstring missing = folder + L"\\" + kCyrillic;
    const DWORD number = 0x00434241;  // "ABC"
    ::RegSetValueExW(hKey, L"Missing", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(missing.c_str()),
                     static_cast<DWORD>((missing.size() + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(hKey, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(hKey);
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, kTestKey, "Folder", folder));

    EXPECT_EQ(folder, LongForm(ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Folder")));
    EXPECT_EQ("", ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Missing"));
    EXPECT_EQ("ABC", ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Number"));
    EXPECT_EQ("", ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Nothing"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "Long", std::string(259, 'x').c_str()));
    EXPECT_EQ(std::string(259, 'x'), ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Long"));
    ASSERT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "Long", std::string(260, 'x').c_str()));
    EXPECT_EQ("", ReadRegistryPath(HKEY_CURRENT_USER, kTestKey, "Long"));
    opstest::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
}

// An earlier installation recorded in such a folder on a volume without short names can be
// neither named nor taken for none; a value that is merely too long to read is none.
TEST_F(AnsiPathTest, AnEarlierInstallationThatCannotBeNamedIsToldFromNone)
{
    const std::wstring folder = MakeFolder(kCyrillic);
    opstest::DeleteKeyTree(HKEY_LOCAL_MACHINE, kOlderVendorKey);
    ASSERT_TRUE(WriteRegistryText(HKEY_LOCAL_MACHINE, kAppPathsKey, NULL, folder + L"\\Pixcap5.exe"));
    bool unspellable = true;
    EXPECT_EQ(folder, LongForm(FindPreviousInstallFolder(&unspellable)));
    EXPECT_FALSE(unspellable);
    g_pfnGetShortPathNameW = NoShortName;
    EXPECT_EQ("", FindPreviousInstallFolder(&unspellable));
    EXPECT_TRUE(unspellable);
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x') + L"\\Pixcap5.exe";
    ASSERT_TRUE(WriteRegistryText(HKEY_LOCAL_MACHINE, kAppPathsKey, NULL, tooLong));
    EXPECT_EQ("", FindPreviousInstallFolder(&unspellable));
    EXPECT_FALSE(unspellable);
    opstest::DeleteKeyTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
}

namespace {

const char kSeamDesktop[] = "C:\\pixtest\\shell-common-desktop";
int g_askedFolder = -1;

HRESULT WINAPI FakeSHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath)
{
    g_askedFolder = csidl;
    ::MultiByteToWideChar(CP_ACP, 0, kSeamDesktop, -1, pszPath, MAX_PATH);
    return S_OK;
}

// Takes a common shell-folder value away for one test and puts it back; the shell's answer is
// the fake's, so that it cannot be mistaken for the registry's.
class MissingShellFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = ReadRegistryString(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Desktop");
        ASSERT_FALSE(m_saved.empty());
        HKEY hKey = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFoldersKey, 0, KEY_SET_VALUE, &hKey));
        ::RegDeleteValueA(hKey, "Common Desktop");
        ::RegCloseKey(hKey);
        g_pfnSHGetFolderPathW = FakeSHGetFolderPathW;
        g_askedFolder = -1;
    }
    void TearDown() override
    {
        g_pfnSHGetFolderPathW = ::SHGetFolderPathW;
        WriteRegistryString(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Desktop", m_saved.c_str());
    }
    std::string m_saved;
};

}  // namespace

// As the i686 build reads the 32-bit view of 64-bit Windows, which may lack the common values.
TEST_F(MissingShellFolderTest, AMissingCommonValueIsAskedOfTheShell)
{
    EXPECT_EQ(kSeamDesktop, ReadShellFolder(ShellFolder::Desktop, true));
    EXPECT_EQ(CSIDL_COMMON_DESKTOPDIRECTORY, g_askedFolder);
    g_askedFolder = -1;
    EXPECT_NE(kSeamDesktop, ReadShellFolder(ShellFolder::Programs, true));
    EXPECT_EQ(-1, g_askedFolder) << "a value that is there is not asked of the shell";
}
