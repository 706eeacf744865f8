// tests/install_ops/ShellLinkTest.cpp - shortcut files read back through the shell, and their InstallLog lines.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include "framework/Handles.h"
#include "install/InstallState.h"
#include "install/InstallSteps.h"
#include "framework/UiText.h"
#include "install_ops/OpsTestHelpers.h"
#include "platform/AnsiPath.h"
#include "support/TestSupport.h"

namespace {

using pixtest::FileExists;
using pixtest::ReadFileBytes;
using pixtest::WriteFileBytes;

struct LinkContents {
    std::string path;
    std::string arguments;
    std::string workingFolder;
};

// Loads a saved shortcut the way the shell does and reads back what it holds.
bool ReadLink(const std::string& linkPath, LinkContents* pContents)
{
    CComPtr<IShellLinkA> pLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&pLink))))
        return false;
    CComPtr<IPersistFile> pFile;
    if (FAILED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))))
        return false;
    WCHAR wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (FAILED(pFile->Load(wide, STGM_READ)))
        return false;
    char text[MAX_PATH] = "";
    WIN32_FIND_DATAA data;
    pLink->GetPath(text, MAX_PATH, &data, SLGP_RAWPATH);
    pContents->path = text;
    text[0] = '\0';
    pLink->GetArguments(text, MAX_PATH);
    pContents->arguments = text;
    text[0] = '\0';
    pLink->GetWorkingDirectory(text, MAX_PATH);
    pContents->workingFolder = text;
    return true;
}

// The show command as stored in the file's header (offset 60): the loader here does not give
// it back through GetShowCmd.
int StoredShowCmd(const std::string& linkPath)
{
    const std::string bytes = ReadFileBytes(linkPath);
    if (bytes.size() < 64)
        return -1;
    return static_cast<unsigned char>(bytes[60]) | static_cast<unsigned char>(bytes[61]) << 8;
}

// The log is written in text mode; line ends are the platform's business, not the content's.
std::string ReadTextWithoutCr(const std::string& path)
{
    std::string text;
    for (char c : ReadFileBytes(path))
        if (c != '\r')
            text += c;
    return text;
}

class ShellLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = pixtest::MakeScratchFolder("ops_links");
        m_dest = m_root + "\\Pixorama 5";
        m_group = m_root + "\\Group";
        ::CreateDirectoryA(m_dest.c_str(), NULL);
        ::CreateDirectoryA(m_group.c_str(), NULL);
        m_target = m_dest + "\\Pixcap5.exe";
        ASSERT_TRUE(WriteFileBytes(m_target, "MZ"));
        InstallChoices.destinationFolder = m_dest;
        m_log = m_dest + "\\PixUnInst.log";
    }
    void TearDown() override
    {
        InstallChoices.destinationFolder.clear();
        pixtest::RemoveTree(m_root);
    }
    std::string m_root;
    std::string m_dest;
    std::string m_group;
    std::string m_target;
    std::string m_log;
};

TEST_F(ShellLinkTest, QuotedAndUnquotedTargetsGiveTheSameLinkAndAreLogged)
{
    const std::string plain = m_group + "\\Pixorama 5.lnk";
    const std::string quoted = m_group + "\\Quoted.lnk";
    ASSERT_TRUE(WriteFileBytes(m_log, "File Copy: Pixcap5.exe\n"));
    EXPECT_TRUE(SUCCEEDED(CreateShellLink(m_target.c_str(), plain.c_str(), "", 1, NULL, NULL)));
    EXPECT_TRUE(SUCCEEDED(CreateShellLink(("\"" + m_target + "\"").c_str(), quoted.c_str(), "", 1, NULL, NULL)));

    LinkContents first;
    LinkContents second;
    ASSERT_TRUE(ReadLink(plain, &first));
    ASSERT_TRUE(ReadLink(quoted, &second));
    EXPECT_EQ(opstest::Lower(m_target), opstest::Lower(first.path));
    EXPECT_EQ(first.path, second.path);
    EXPECT_EQ(SW_SHOWNORMAL, StoredShowCmd(plain));
    EXPECT_EQ("", first.arguments);
    EXPECT_EQ("", first.workingFolder);
    EXPECT_EQ("File Copy: Pixcap5.exe\nShell Link: " + plain + "\nShell Link: " + quoted + "\n",
              ReadTextWithoutCr(m_log));
}

TEST_F(ShellLinkTest, FailedSaveWritesNoLogLine)
{
    const std::string nowhere = m_root + "\\Missing Group\\Pixorama 5.lnk";
    EXPECT_TRUE(FAILED(CreateShellLink(m_target.c_str(), nowhere.c_str(), "", 1, NULL, NULL)));
    EXPECT_FALSE(FileExists(nowhere));
    EXPECT_FALSE(FileExists(m_log));

    // A link path that does not fit a path buffer is refused, not saved under a cut name.
    const std::string tooLong = m_group + "\\" + std::string(260 - m_group.size() - 5, 'l') + ".lnk";
    ASSERT_EQ(260u, tooLong.size());
    EXPECT_TRUE(FAILED(CreateShellLink(m_target.c_str(), tooLong.c_str(), "", 1, NULL, NULL)));
    EXPECT_FALSE(FileExists(m_log));
}

TEST_F(ShellLinkTest, ArgumentsWorkingFolderAndShowCommandWhenGiven)
{
    const std::string link = m_group + "\\Uninstall.lnk";
    EXPECT_TRUE(SUCCEEDED(CreateShellLink(m_target.c_str(), link.c_str(), "Pixorama", SW_SHOWMAXIMIZED,
                                          "-install /S", m_dest.c_str())));
    LinkContents contents;
    ASSERT_TRUE(ReadLink(link, &contents));
    EXPECT_EQ("-install /S", contents.arguments);
    EXPECT_EQ(opstest::Lower(m_dest), opstest::Lower(contents.workingFolder));
    EXPECT_EQ(SW_SHOWMAXIMIZED, StoredShowCmd(link));
}

DWORD WINAPI NoShortName(LPCWSTR, LPWSTR, DWORD)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// Code page 1250 has no Cyrillic letters: the file gets its name all the same, and the log the
// short name that finds it again; without a short name the link could never be removed, so it
// is not left behind.
TEST_F(ShellLinkTest, ANameTheCodePageLacksIsLoggedByItsShortNameOrNotKept)
{
    const std::wstring link = WideFromAnsi(m_group) + L"\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438.lnk";
    EXPECT_TRUE(SUCCEEDED(CreateShellLink(m_target.c_str(), link.c_str(), "", 1, NULL, NULL)));
    const std::string logged = ReadTextWithoutCr(m_log);
    const std::string prefix = "Shell Link: ";
    ASSERT_EQ(0u, logged.rfind(prefix, 0)) << logged;
    wchar_t longForm[MAX_PATH] = L"";
    ::GetLongPathNameW(WideFromAnsi(logged.substr(prefix.size(), logged.size() - prefix.size() - 1)).c_str(),
                       longForm, MAX_PATH);
    EXPECT_EQ(link, longForm);
    EXPECT_TRUE(::DeleteFileW(link.c_str()));

    g_pfnGetShortPathNameW = NoShortName;
    EXPECT_TRUE(FAILED(CreateShellLink(m_target.c_str(), link.c_str(), "", 1, NULL, NULL)));
    g_pfnGetShortPathNameW = ::GetShortPathNameW;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(link.c_str()));
    EXPECT_EQ(logged, ReadTextWithoutCr(m_log));
}

}  // namespace
