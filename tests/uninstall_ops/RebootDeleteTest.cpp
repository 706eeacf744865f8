// tests/uninstall_ops/RebootDeleteTest.cpp - deletion at the next system start, both roads.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include <sddl.h>
#include <map>
#include "platform/FileOps.h"
#include "platform/LinkSafeDelete.h"
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

// Stands in for the 9x family, the only one that reads WININIT.INI.
bool PlayNineX()
{
    return false;
}

// Every test starts without WININIT.INI and leaves none behind; the seams are put back.
class DeleteFileAtRebootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedIni = pixtest::ReadFileBytes(WininitPath());
        m_hadIni = pixtest::FileExists(WininitPath());
        RemoveWininit();
        g_refused = RefusedCall();
        m_pfnSaved = g_pfnMoveFileExA;
        m_pfnSavedFamily = g_pfnIsNtFamily;
    }
    void TearDown() override
    {
        g_pfnMoveFileExA = m_pfnSaved;
        g_pfnIsNtFamily = m_pfnSavedFamily;
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
    bool (*m_pfnSavedFamily)() = nullptr;
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
    g_pfnIsNtFamily = PlayNineX;
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
    g_pfnIsNtFamily = PlayNineX;
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
    g_pfnIsNtFamily = PlayNineX;
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
    g_pfnIsNtFamily = PlayNineX;
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
    g_pfnIsNtFamily = PlayNineX;
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

namespace {

// The pending list written as raw pairs ("\??\path", new name or empty), each string with its NUL.
void WritePendingPairs(const std::wstring& pairs)
{
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &hKey));
    const std::wstring value = pairs + L'\0';
    ::RegSetValueExW(hKey, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() * sizeof(wchar_t)));
    ::RegCloseKey(hKey);
}

// One pair of the list: the path and its new name, empty for a deletion.
std::wstring Pair(const std::wstring& path, const std::wstring& newName)
{
    return path + L'\0' + newName + L'\0';
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

size_t CountText(const std::vector<BYTE>& data, const std::string& text)
{
    const std::wstring wide = Widen(text) + L'\0';
    const std::wstring value(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    size_t count = 0;
    for (size_t at = value.find(wide); at != std::wstring::npos; at = value.find(wide, at + 1))
        ++count;
    return count;
}

}  // namespace

// On the NT family the session manager deletes at the next start whatever the path names by
// then: nothing in a profile is listed, nothing is listed twice, and a process that may not list
// (refused, as a limited user is) says so instead of writing WININIT.INI, which no NT reads.
TEST_F(DeleteFileAtRebootTest, OnTheNtFamilyOnlyPathsThatNoUserCanRedirectAreListedOnce)
{
    const std::string folder = pixtest::MakeScratchFolder("reboot_rule");
    const std::string victim = folder + "\\uni1A2B.tmp";
    ASSERT_TRUE(pixtest::WriteFileBytes(victim, "copy"));
    char profile[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH));
    const std::string profileFolder = std::string(profile) + "\\pixreboot";
    const std::string profileFile = profileFolder + "\\Pixorama 5.lnk";
    ::CreateDirectoryA(profileFolder.c_str(), NULL);
    ASSERT_TRUE(pixtest::WriteFileBytes(profileFile, "link"));
    std::vector<BYTE> before;
    DWORD beforeType = 0;
    const bool existed = ReadPendingRenames(&before, &beforeType);
    ForgetPendingList();

    g_pfnMoveFileExA = RefuseMoveFileEx;
    EXPECT_FALSE(DeleteFileAtReboot(victim.c_str()));
    EXPECT_EQ(g_refused.count, 1);
    EXPECT_FALSE(pixtest::FileExists(WininitPath()));
    EXPECT_FALSE(DeleteFileAtReboot(profileFile.c_str()));
    EXPECT_FALSE(RemoveFolderAtReboot(profileFolder.c_str()));
    EXPECT_EQ(g_refused.count, 1) << "a profile's path was offered to the platform";

    g_pfnMoveFileExA = m_pfnSaved;
    EXPECT_TRUE(DeleteFileAtReboot(victim.c_str()));
    EXPECT_TRUE(DeleteFileAtReboot(victim.c_str()));
    EXPECT_TRUE(RemoveFolderAtReboot(folder.c_str()));
    EXPECT_FALSE(DeleteFileAtReboot(profileFile.c_str()));
    std::vector<BYTE> after;
    DWORD afterType = 0;
    ASSERT_TRUE(ReadPendingRenames(&after, &afterType));
    RestorePendingRenames(existed, before, beforeType);
    ForgetPendingList();
    EXPECT_EQ(CountText(after, "\\??\\" + victim), 1u);
    EXPECT_EQ(CountText(after, "\\??\\" + folder), 1u);
    EXPECT_FALSE(DataHoldsText(after, profileFolder));
    pixtest::RemoveTree(folder);
    pixtest::RemoveTree(profileFolder);
}

// An installation that writes a path an earlier uninstallation left to the next start takes that
// deletion back, and only that one: another program's deletion and a rename of the same path
// (which is no deletion) stay, in their order. Without anything pending nothing is written.
TEST_F(DeleteFileAtRebootTest, WritingAPathWithdrawsOnlyItsOwnPendingDeletion)
{
    const std::string source = pixtest::MakeScratchFolder("reboot_source");
    const std::string dest = pixtest::MakeScratchFolder("reboot_dest");
    ASSERT_TRUE(pixtest::WriteFileBytes(source + "\\Pixcap5.exe", "new"));
    ASSERT_TRUE(pixtest::WriteFileBytes(dest + "\\Pixcap5.exe", "old"));
    const std::wstring ours = L"\\??\\" + Widen(dest) + L"\\PIXCAP5.EXE";
    const std::wstring others = Pair(L"\\??\\C:\\other\\keep.dll", L"") +
                                Pair(ours, L"!\\??\\C:\\other\\renamed.exe") + Pair(L"\\??\\C:\\other\\two.dll", L"");
    std::vector<BYTE> before;
    DWORD beforeType = 0;
    const bool existed = ReadPendingRenames(&before, &beforeType);
    WritePendingPairs(Pair(L"\\??\\C:\\other\\keep.dll", L"") + Pair(ours, L"") +
                      Pair(ours, L"!\\??\\C:\\other\\renamed.exe") + Pair(L"\\??\\C:\\other\\two.dll", L""));
    ForgetPendingList();

    EXPECT_EQ(CopyInstallFile("Pixcap5.exe", source.c_str(), dest.c_str(), NULL), 1);
    std::vector<BYTE> after;
    DWORD afterType = 0;
    const bool listed = ReadPendingRenames(&after, &afterType);
    const std::wstring afterText(reinterpret_cast<const wchar_t*>(after.data()), after.size() / sizeof(wchar_t));

    ForgetPendingList();
    RestorePendingRenames(false, before, beforeType);
    WithdrawRestartDeletion((dest + "\\Pixcap5.exe").c_str());
    std::vector<BYTE> none;
    const bool created = ReadPendingRenames(&none, &afterType);
    RestorePendingRenames(existed, before, beforeType);
    ForgetPendingList();

    ASSERT_TRUE(listed);
    EXPECT_EQ(afterText, others + L'\0');
    EXPECT_FALSE(created);
    pixtest::RemoveTree(source);
    pixtest::RemoveTree(dest);
}

namespace {

const std::string kTi = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const std::string kPerson = "S-1-5-21-1-2-3-1001";

// Descriptors as Windows 10 gives them to a fresh system (icacls shows the same rights): the
// system drive's root, where authenticated users may add folders and change what they add;
// Program Files, where users read and run; the Windows temporary folder, where users may add
// entries but neither list nor delete them; a profile, the person's own.
const std::map<std::string, std::string> kDefaultDescriptors = {
    {"C:\\", "O:" + kTi + "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)"},
    {"C:\\Program Files", "O:" + kTi + "D:PAI(A;;FA;;;" + kTi + ")(A;CIIO;GA;;;" + kTi + ")(A;;0x1301bf;;;SY)"
                          "(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
                          "(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)"},
    {"C:\\Program Files\\Pixorama 5", "O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)"
                                      "(A;OICIIOID;GA;;;CO)(A;CIID;FA;;;" + kTi + ")"},
    {"C:\\Windows", "O:" + kTi + "D:PAI(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
                    "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;;FA;;;" + kTi + ")(A;CIIO;GA;;;" + kTi + ")"},
    {"C:\\Windows\\Temp", "O:SYD:PAI(A;CI;0x100026;;;BU)(A;OICI;0x100001;;;S-1-5-32-568)(A;OICIIO;FA;;;CO)"
                          "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
    // The elevated uninstaller's copy folder: made with a protected list of its own.
    {"C:\\Windows\\Temp\\PixUnInst-1", "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"},
    // A folder made at the drive's root, inheriting what authenticated users may change there.
    {"C:\\Pixo", "O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
                 "(A;OICIIOID;SDGXGWGR;;;AU)"},
    {"C:\\Users", "O:SYD:PAI(A;OICIIO;GA;;;SY)(A;;FA;;;SY)(A;OICIIO;GA;;;BA)(A;;FA;;;BA)(A;;0x1200a9;;;BU)"
                  "(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;WD)(A;OICIIO;GXGR;;;WD)"},
    {"C:\\Users\\alice", "O:" + kPerson + "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + kPerson + ")"},
    // The program group that an elevated setup made for the person: owned by Administrators,
    // yet the person has full control through inheritance.
    {"C:\\Users\\alice\\Programs", "O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + kPerson + ")"},
    // A group made by an elevated setup: owned by Administrators, changed at will by the person.
    {"C:\\Program Files\\Group", "O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + kPerson + ")"},
    // Protected for administrators alone, but in a folder whose users may delete any entry.
    {"C:\\Shared", "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;0x1200e9;;;BU)"},
    {"C:\\Shared\\Locked", "O:BAD:P(A;OICI;FA;;;BA)"},
    // ProgramData: users may add entries and write attributes in it, but not in its Start menu.
    {"C:\\ProgramData", "O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
                          "(A;CI;0x100116;;;BU)"},
    {"C:\\ProgramData\\Start Menu", "O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"},
    // An administrators-only list whose owner is the person, who may rewrite it at will.
    {"C:\\Owned", "O:" + kPerson + "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"},
    // No access list at all (a NULL one): everyone may do everything. Built by hand below, as
    // Wine reads "D:NO_ACCESS_CONTROL" as an empty list.
    {"C:\\Open", ""},
};

PSECURITY_DESCRIPTOR ReadDefaultDescriptor(const std::string& path)
{
    const auto found = kDefaultDescriptors.find(path);
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (found != kDefaultDescriptors.end() && found->second.empty()) {
        static BYTE s_admins[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof s_admins;
        pDescriptor = ::LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
        ::InitializeSecurityDescriptor(pDescriptor, SECURITY_DESCRIPTOR_REVISION);
        ::CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, s_admins, &sidSize);
        ::SetSecurityDescriptorOwner(pDescriptor, s_admins, FALSE);
        ::SetSecurityDescriptorDacl(pDescriptor, TRUE, NULL, FALSE);
        return pDescriptor;
    }
    if (found == kDefaultDescriptors.end() ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorA(found->second.c_str(), SDDL_REVISION_1,
                                                                &pDescriptor, NULL))
        return NULL;
    return pDescriptor;
}

}  // namespace

// Who may redirect a path, decided from the owners and access lists of its folders (Wine shows
// none of another account, so the decision is tested here with the descriptors of Windows).
TEST(RestartRule, OnlyFoldersThatNoStandardUserCanChangeQualify)
{
    PSECURITY_DESCRIPTOR (*pfnSaved)(const std::string&) = g_pfnReadSecurity;
    g_pfnReadSecurity = ReadDefaultDescriptor;
    const struct {
        const char* pszPath;
        bool isFolder;
        bool qualifies;
    } kCases[] = {
        {"C:\\Program Files\\Pixorama 5\\Pixcap5.exe", false, true},
        {"C:\\Program Files\\Pixorama 5", true, true},
        {"C:\\Windows\\Temp\\PixUnInst-1\\uni1A2B.tmp", false, true},
        {"C:\\Windows\\Temp\\PixUnInst-1", true, true},
        {"C:\\readme.txt", false, true},
        {"C:\\ProgramData\\Start Menu\\Pixorama 5.lnk", false, true},
        // The file's own folder counts: users may write data and attributes in ProgramData.
        {"C:\\ProgramData\\Pixorama 5.ini", false, false},
        // Users add files to the Windows temporary folder: the file's own folder counts.
        {"C:\\Windows\\Temp\\uni1A2B.tmp", false, false},
        {"C:\\Pixo\\PixUnInst.exe", false, false},
        {"C:\\Program Files\\Group\\Pixorama 5.lnk", false, false},
        {"C:\\Users\\alice\\Programs\\Pixorama 5.lnk", false, false},
        {"C:\\Users\\alice\\Programs", true, false},
        {"C:\\Shared\\Locked\\a.dll", false, false},
        {"C:\\Owned\\a.dll", false, false},
        {"C:\\Open\\a.dll", false, false},
        // A folder whose descriptor cannot be read.
        {"C:\\Program Files\\Unread\\a.dll", false, false},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.qualifies, MayOnlyAdministratorsChange(c.pszPath, c.isFolder)) << c.pszPath;
    g_pfnReadSecurity = pfnSaved;
}
