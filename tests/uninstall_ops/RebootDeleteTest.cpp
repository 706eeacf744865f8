// tests/uninstall_ops/RebootDeleteTest.cpp - deletion at the next system start, both roads.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "platform/RebootDelete.h"
#include "support/TestSupport.h"

namespace {

const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";
const DWORD kSectionBytes = 16384;

struct RefusedCall {
    int count = 0;
    std::string path;
    bool newNameWasNull = false;
    DWORD flags = 0;
};
RefusedCall g_refused;

// Stands in for a platform without delayed deletion.
BOOL WINAPI RefuseMoveFileEx(LPCSTR pszExisting, LPCSTR pszNew, DWORD flags)
{
    ++g_refused.count;
    g_refused.path = pszExisting ? pszExisting : "";
    g_refused.newNameWasNull = pszNew == NULL;
    g_refused.flags = flags;
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

std::string WininitPath()
{
    char folder[MAX_PATH] = "";
    ::GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\WININIT.INI";
}

// The "rename" section as "line\0line\0" (without the closing NUL), read with room to spare.
std::string ReadRenameSection()
{
    std::vector<char> buffer(4 * kSectionBytes, '\0');
    const DWORD length = ::GetPrivateProfileSectionA("rename", buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     WininitPath().c_str());
    return std::string(buffer.data(), length);
}

void WriteRenameSection(const std::string& lines)
{
    const std::string section = lines + std::string(1, '\0');
    ASSERT_TRUE(::WritePrivateProfileSectionA("rename", section.c_str(), WininitPath().c_str()));
}

// count lines of "NUL=C:\fill\000..." padded to lineChars characters each.
std::string MakeFillerLines(int count, size_t lineChars)
{
    std::string lines;
    for (int i = 0; i < count; ++i) {
        std::string line = "NUL=C:\\fill\\" + std::to_string(100000 + i);
        line.resize(lineChars, 'f');
        lines += line + std::string(1, '\0');
    }
    return lines;
}

// Every test starts without WININIT.INI and leaves none behind; the seam is put back.
class DeleteFileAtRebootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedIni = pixtest::ReadFileBytes(WininitPath());
        m_hadIni = pixtest::FileExists(WininitPath());
        RemoveWininit();
        g_refused = RefusedCall();
        m_pfnSaved = g_pfnMoveFileExA;
    }
    void TearDown() override
    {
        g_pfnMoveFileExA = m_pfnSaved;
        RemoveWininit();
        if (m_hadIni)
            pixtest::WriteFileBytes(WininitPath(), m_savedIni);
    }
    static void RemoveWininit()
    {
        // Drops the platform's cached copy of the file before it goes.
        ::WritePrivateProfileStringA(NULL, NULL, NULL, WininitPath().c_str());
        ::DeleteFileA(WininitPath().c_str());
    }

    BOOL (WINAPI* m_pfnSaved)(LPCSTR, LPCSTR, DWORD) = nullptr;
    std::string m_savedIni;
    bool m_hadIni = false;
};

// The value Wine keeps for delayed renames and deletions, as raw bytes; absent gives false.
bool ReadPendingRenames(std::vector<BYTE>* pData, DWORD* pType)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(hKey, kPendingValue, NULL, pType, NULL, &size);
    if (status == ERROR_SUCCESS) {
        pData->assign(size, 0);
        status = ::RegQueryValueExW(hKey, kPendingValue, NULL, pType, pData->data(), &size);
    }
    ::RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
}

void RestorePendingRenames(bool existed, const std::vector<BYTE>& data, DWORD type)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return;
    if (existed)
        ::RegSetValueExW(hKey, kPendingValue, 0, type, data.data(), static_cast<DWORD>(data.size()));
    else
        ::RegDeleteValueW(hKey, kPendingValue);
    ::RegCloseKey(hKey);
}

bool DataHoldsText(const std::vector<BYTE>& data, const std::string& text)
{
    const std::wstring wide(text.begin(), text.end());
    const std::wstring value(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return value.find(wide) != std::wstring::npos;
}

}  // namespace

TEST_F(DeleteFileAtRebootTest, ThePlatformsDelayedDeletionComesFirst)
{
    const std::string folder = pixtest::MakeScratchFolder("reboot_delayed");
    const std::string victim = folder + "\\uni1A2B.tmp";
    ASSERT_TRUE(pixtest::WriteFileBytes(victim, "copy"));
    std::vector<BYTE> before;
    DWORD beforeType = 0;
    const bool existed = ReadPendingRenames(&before, &beforeType);

    DeleteFileAtReboot(victim.c_str());

    std::vector<BYTE> after;
    DWORD afterType = 0;
    ASSERT_TRUE(ReadPendingRenames(&after, &afterType));
    RestorePendingRenames(existed, before, beforeType);
    EXPECT_EQ(afterType, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_TRUE(DataHoldsText(after, victim));
    EXPECT_FALSE(existed && DataHoldsText(before, victim));
    EXPECT_TRUE(pixtest::FileExists(victim));
    EXPECT_FALSE(pixtest::FileExists(WininitPath()));
    pixtest::RemoveTree(folder);
}

TEST_F(DeleteFileAtRebootTest, ARefusalCreatesTheRenameSection)
{
    g_pfnMoveFileExA = RefuseMoveFileEx;
    DeleteFileAtReboot("C:\\TEMP\\uni1A2B.tmp");
    EXPECT_EQ(g_refused.count, 1);
    EXPECT_EQ(g_refused.path, "C:\\TEMP\\uni1A2B.tmp");
    EXPECT_TRUE(g_refused.newNameWasNull);
    EXPECT_EQ(g_refused.flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(ReadRenameSection(), std::string("NUL=C:\\TEMP\\uni1A2B.tmp\0", 24));
}

TEST_F(DeleteFileAtRebootTest, LinesAccumulateInOrderAfterExistingOnes)
{
    WriteRenameSection(std::string("C:\\new.dll=C:\\new.tmp\0NUL=C:\\x\\old.dll\0", 39));
    g_pfnMoveFileExA = RefuseMoveFileEx;
    DeleteFileAtReboot("C:\\Program Files\\Pixorama 5\\Pixcap5.exe.old");
    DeleteFileAtReboot("C:\\TEMP\\uni1A2B.tmp");
    EXPECT_EQ(ReadRenameSection(), std::string("C:\\new.dll=C:\\new.tmp\0NUL=C:\\x\\old.dll\0"
                                               "NUL=C:\\Program Files\\Pixorama 5\\Pixcap5.exe.old\0"
                                               "NUL=C:\\TEMP\\uni1A2B.tmp\0", 39 + 48 + 24));
}

TEST_F(DeleteFileAtRebootTest, ANearlyFullSectionTakesOnlyALineThatFits)
{
    // 163 lines of 100 bytes leave 84 bytes: "NUL=" + 78 characters + two NULs fill them exactly.
    const std::string filler = MakeFillerLines(163, 99);
    WriteRenameSection(filler);
    ASSERT_EQ(ReadRenameSection(), filler);
    g_pfnMoveFileExA = RefuseMoveFileEx;

    const std::string tooLong = "C:\\" + std::string(76, 'L');
    DeleteFileAtReboot(tooLong.c_str());
    EXPECT_EQ(ReadRenameSection(), filler);

    const std::string fits = "C:\\" + std::string(75, 'F');
    DeleteFileAtReboot(fits.c_str());
    EXPECT_EQ(ReadRenameSection(), filler + "NUL=" + fits + std::string(1, '\0'));
}

TEST_F(DeleteFileAtRebootTest, AnOverfullSectionLosesNoLine)
{
    // More than the buffer holds: writing back what was read would drop the lines at the end.
    const std::string filler = MakeFillerLines(200, 99);
    WriteRenameSection(filler);
    ASSERT_EQ(ReadRenameSection(), filler);
    g_pfnMoveFileExA = RefuseMoveFileEx;
    DeleteFileAtReboot("C:\\TEMP\\uni1A2B.tmp");
    EXPECT_EQ(ReadRenameSection(), filler);
}

// A folder goes through the delayed deletion only: the 9x start-up rename list deletes files,
// so on that road nothing is listed for a folder. A trailing backslash is not passed on; a folder
// that is gone already, or a drive's root, is not offered at all.
TEST_F(DeleteFileAtRebootTest, AFolderIsRemovedAtTheNextStartOnlyWhereThePlatformCan)
{
    const std::string folder = pixtest::MakeScratchFolder("reboot_folder");
    g_pfnMoveFileExA = RefuseMoveFileEx;
    RemoveFolderAtReboot((folder + "\\").c_str());
    EXPECT_EQ(g_refused.count, 1);
    EXPECT_EQ(g_refused.path, folder);
    EXPECT_TRUE(g_refused.newNameWasNull);
    EXPECT_EQ(g_refused.flags, static_cast<DWORD>(MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(ReadRenameSection(), "");

    pixtest::RemoveTree(folder);
    g_refused = RefusedCall();
    RemoveFolderAtReboot((folder + "\\").c_str());
    EXPECT_EQ(g_refused.count, 0);
    // An uninstaller installed at a drive's root leaves the root in place.
    for (const char* pszRoot : {"C:\\", "C:", "\\"}) {
        RemoveFolderAtReboot(pszRoot);
        EXPECT_EQ(g_refused.count, 0) << pszRoot;
    }
}
