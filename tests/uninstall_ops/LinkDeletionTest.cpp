// tests/uninstall_ops/LinkDeletionTest.cpp - the undo operations and the standard shortcut removal
// meet folders that a user has turned into links (unix symbolic links, which Wine reports as
// reparse points): what lies behind a link stays whole, what lies beside it still goes.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <map>
#include <string>
#include <vector>
#include "support/TestSupport.h"
#include "platform/InstallLog.h"
#include "platform/LinkSafeDelete.h"
#include "text/PathText.h"
#include "uninstall/UninstallSteps.h"

using pixtest::FileExists;
using pixtest::FolderExists;
using pixtest::WriteFileBytes;

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kLinkedHive[] = "S-1-5-21-9-9-9-1101";
const char kGroupLinkHive[] = "S-1-5-21-9-9-9-1102";
const char kPlainHive[] = "S-1-5-21-9-9-9-1103";
const char kAdministrators[] = "S-1-5-32-544";

const DWORD kLinkAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// The links that the swapped owner look-up reports as the Administrators group's; every other
// link has the owner that the platform reports.
std::vector<std::string> g_adminsLinks;
bool (*g_pfnRealReadLinkOwner)(const std::string&, std::string*) = g_pfnReadLinkOwner;
PSECURITY_DESCRIPTOR (*g_pfnRealReadSecurity)(const std::string&) = g_pfnReadSecurity;

bool RefuseOwner(const std::string&, std::string*)
{
    return false;
}

// The security that the swapped look-up reports: none for the paths listed as unreadable, the
// person's full control over those listed as theirs, the platform's for every other path.
std::vector<std::string> g_unreadable;
std::vector<std::string> g_personsFolders;

bool IsListed(const std::vector<std::string>& paths, const std::string& path)
{
    for (const std::string& listed : paths)
        if (LowerAscii(listed) == LowerAscii(path))
            return true;
    return false;
}

PSECURITY_DESCRIPTOR ReadSwappedSecurity(const std::string& path)
{
    if (IsListed(g_unreadable, path))
        return NULL;
    PSECURITY_DESCRIPTOR pDescriptor = NULL;
    if (IsListed(g_personsFolders, path) &&
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;S-1-5-21-1-2-3-1001)",
                                                               SDDL_REVISION_1, &pDescriptor, NULL))
        return pDescriptor;
    return g_pfnRealReadSecurity(path);
}

bool ReadOwnerWithAdminsLinks(const std::string& link, std::string* pOwnerSid)
{
    for (const std::string& adminsLink : g_adminsLinks) {
        if (LowerAscii(link) == LowerAscii(adminsLink)) {
            *pOwnerSid = kAdministrators;
            return true;
        }
    }
    return g_pfnRealReadLinkOwner(link, pOwnerSid);
}

// Windows opens a link itself when asked to (FILE_OPEN_REPARSE_POINT) and shows it as one; Wine
// follows it even then. This look-up shows every entry that was opened and reached the canary
// tree ("theirs") as the junction Windows would have opened.
bool (*g_pfnRealEntryKind)(HANDLE, DWORD*, DWORD*) = g_pfnReadEntryKind;

bool FinalPathEndsWith(HANDLE hEntry, const std::wstring& last)
{
    wchar_t final[1024] = L"";
    ::GetFinalPathNameByHandleW(hEntry, final, 1024, 0);
    const std::wstring opened(final);
    return opened.size() > last.size() && opened.compare(opened.size() - last.size(), last.size(), last) == 0;
}

bool ReadKindAsWindowsShowsIt(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag)
{
    if (!FinalPathEndsWith(hEntry, L"\\theirs"))
        return g_pfnRealEntryKind(hEntry, pAttributes, pTag);
    *pAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    *pTag = IO_REPARSE_TAG_MOUNT_POINT;
    return true;
}

// Every entry below the folder with the content of each file: a canary tree's whole state.
void ListTree(const std::string& folder, std::map<std::string, std::string>& out)
{
    pixtest::ForEachEntryBelow(folder, [&out](const std::string& path, bool isFolder) {
        out[path] = isFolder ? "<folder>" : pixtest::ReadFileBytes(path);
    });
}

std::map<std::string, std::string> TakeTree(const std::string& folder)
{
    std::map<std::string, std::string> tree;
    ListTree(folder, tree);
    return tree;
}

void SetShellFolder(const char* pszHive, const char* pszName, const std::string& folder)
{
    HKEY hKey;
    const std::string key = std::string(pszHive) + "\\" + kShellFolders;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyA(HKEY_USERS, key.c_str(), &hKey));
    ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() + 1));
    ::RegCloseKey(hKey);
}

// A canary tree ("theirs") with a shortcut, a program group holding one, an empty folder and a
// plain file, and "link", a link to it; "hollowlink" points at an empty folder of its own.
class LinkDeletion : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_base = pixtest::MakeScratchFolder("links");
        m_theirs = m_base + "\\theirs";
        m_link = m_base + "\\link";
        for (const char* pszFolder : {"\\theirs", "\\theirs\\Pixorama 5", "\\theirs\\hollow", "\\hollow"})
            ASSERT_TRUE(::CreateDirectoryA((m_base + pszFolder).c_str(), NULL)) << pszFolder;
        for (const char* pszFile : {"\\canary.txt", "\\Pixorama 5.lnk", "\\Pixorama 5\\Pixorama 5.lnk"})
            ASSERT_TRUE(WriteFileBytes(m_theirs + pszFile, std::string("canary ") + pszFile));
        Link(m_link, m_theirs);
        Link(m_base + "\\hollowlink", m_base + "\\hollow");
        m_before = TakeTree(m_theirs);
    }
    void TearDown() override
    {
        g_pfnReadLinkOwner = g_pfnRealReadLinkOwner;
        g_pfnReadSecurity = g_pfnRealReadSecurity;
        g_pfnReadEntryKind = g_pfnRealEntryKind;
        g_unreadable.clear();
        g_personsFolders.clear();
        for (const char* pszHive : {kLinkedHive, kGroupLinkHive, kPlainHive})
            ::RegDeleteTreeA(HKEY_USERS, pszHive);
        // A link whose folder a faulty run removed is no longer seen by Wine; each goes by name.
        for (const std::string& link : m_links)
            pixtest::RemoveLink(link);
        pixtest::RemoveTree(m_base);
    }

    void Link(const std::string& link, const std::string& target)
    {
        m_links.push_back(link);
        ASSERT_EQ("", pixtest::MakeFolderLink(link, target));
    }

    // The canary tree, the empty folder behind "hollowlink" and both links are as they were.
    void ExpectAllBehindLinksKept()
    {
        EXPECT_EQ(m_before, TakeTree(m_theirs));
        EXPECT_TRUE(FolderExists(m_base + "\\hollow"));
        EXPECT_TRUE(pixtest::IsLink(m_link));
        EXPECT_TRUE(pixtest::IsLink(m_base + "\\hollowlink"));
    }

    std::string WriteLog(const std::string& text)
    {
        const std::string log = m_base + "\\PixUnInst.log";
        EXPECT_TRUE(WriteFileBytes(log, text));
        return log;
    }

    std::string m_base;
    std::string m_theirs;
    std::string m_link;
    std::map<std::string, std::string> m_before;
    std::vector<std::string> m_links;
};

}  // namespace

TEST_F(LinkDeletion, FilesAreNotDeletedInALinkedFolderOrBehindOne)
{
    EXPECT_EQ(0, DeleteMatchingFiles(m_link.c_str(), "*.*"));
    EXPECT_EQ(0, DeleteMatchingFiles((m_link + "\\").c_str(), "canary.txt"));
    EXPECT_EQ(0, DeleteMatchingFiles((m_link + "\\Pixorama 5").c_str(), "*.lnk"));
    EXPECT_EQ(0, DeleteMatchingFiles((m_base + "\\hollow\\..\\link").c_str(), "*"));
    UndoFileEntries(WriteLog("File Copy: *\r\nFile Del: canary.txt\r\n").c_str(), m_link.c_str(), NULL);
    ExpectAllBehindLinksKept();

    // Beside the links the same operations still delete.
    ASSERT_TRUE(WriteFileBytes(m_base + "\\hollow\\mine.txt", "x"));
    EXPECT_EQ(1, DeleteMatchingFiles((m_base + "\\hollow").c_str(), "*.*"));
}

TEST_F(LinkDeletion, LoggedShortcutsAndFoldersBehindALinkStay)
{
    ASSERT_TRUE(::CreateDirectoryA((m_base + "\\Programs").c_str(), NULL));
    ASSERT_TRUE(::CreateDirectoryA((m_base + "\\Programs\\Group").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(m_base + "\\Programs\\Group\\Pixorama 5.lnk", "ours"));
    ASSERT_TRUE(WriteFileBytes(m_base + "\\Programs\\Other.lnk", "keeps Programs"));
    const std::string log = WriteLog(
        "Shell Link: " + m_link + "\\Pixorama 5.lnk\r\n"
        "Shell Link: " + m_link + "\\Pixorama 5\\Pixorama 5.lnk\r\n"
        "Made Dir: " + m_link + "\\hollow\r\n"
        "Made Dir: " + m_link + "\r\n"
        // Wine removes the empty folder a link points at when asked to remove the link.
        "Made Dir: " + m_base + "\\hollowlink\r\n"
        "Made Dir: " + m_base + "\\hollowlink\\\r\n"
        "Shell Link: " + m_base + "\\Programs\\Group\\Pixorama 5.lnk\r\n"
        "Made Dir: " + m_base + "\\Programs\\Group\r\n");
    UndoLinksAndFolders(log.c_str());
    ExpectAllBehindLinksKept();
    EXPECT_FALSE(FolderExists(m_base + "\\Programs\\Group"));
    EXPECT_TRUE(FileExists(m_base + "\\Programs\\Other.lnk"));
}

// Each profile's shell folders are the user's own values: one points them at a link, another
// makes the program group itself a link; a third, plain profile is cleaned as always.
TEST_F(LinkDeletion, StandardShortcutsOfAProfileBehindLinksStay)
{
    SetShellFolder(kLinkedHive, "Programs", m_link);
    SetShellFolder(kLinkedHive, "Desktop", m_link);
    SetShellFolder(kLinkedHive, "Startup", m_link + "\\");
    const std::string programs2 = m_base + "\\Programs2";
    ASSERT_TRUE(::CreateDirectoryA(programs2.c_str(), NULL));
    Link(programs2 + "\\Pixorama 5", m_theirs + "\\Pixorama 5");
    SetShellFolder(kGroupLinkHive, "Programs", programs2);
    const std::string plain = m_base + "\\Plain";
    for (const char* pszFolder : {"", "\\Pixorama 5"})
        ASSERT_TRUE(::CreateDirectoryA((plain + pszFolder).c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(plain + "\\Pixorama 5.lnk", "desktop"));
    ASSERT_TRUE(WriteFileBytes(plain + "\\Pixorama 5\\Pixorama 5.lnk", "group"));
    SetShellFolder(kPlainHive, "Programs", plain);
    SetShellFolder(kPlainHive, "Desktop", plain);

    RemoveStandardShortcuts();
    ExpectAllBehindLinksKept();
    EXPECT_TRUE(pixtest::IsLink(programs2 + "\\Pixorama 5"));
    EXPECT_FALSE(FileExists(plain + "\\Pixorama 5.lnk"));
    EXPECT_FALSE(FolderExists(plain + "\\Pixorama 5"));
}

// The tags that Windows puts on reparse points, as FindFirstFile reports them: only a name
// surrogate sends the names below it elsewhere.
TEST(LinkRule, OnlyANameSurrogateTagMakesAReparsePointALink)
{
    const struct {
        DWORD tag;
        bool link;
    } cases[] = {
        {IO_REPARSE_TAG_MOUNT_POINT, true},  // junctions and mounted volumes
        {IO_REPARSE_TAG_SYMLINK, true},
        {0xA000001D, true},  // a WSL symbolic link
        {IO_REPARSE_TAG_GLOBAL_REPARSE, true},
        {IO_REPARSE_TAG_DEDUP, false},
        {IO_REPARSE_TAG_WOF, false},
        {IO_REPARSE_TAG_WCI, false},
        {IO_REPARSE_TAG_WCI_1, false},
        {IO_REPARSE_TAG_HSM, false},
        {IO_REPARSE_TAG_APPEXECLINK, false},
        {0x9000001C, false},  // projected file system
        {0x80000021, false},  // OneDrive
        {kReparseTagUnread, true},
        {IO_REPARSE_TAG_RESERVED_ONE, true},
        {2, true},  // what Wine reports for its unix symbolic links
        {0x00001234, true},  // no Microsoft tag: nothing says what it does
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.link, IsLinkEntry(kLinkAttributes, c.tag)) << std::hex << c.tag;
        EXPECT_EQ(c.link, IsLinkEntry(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE, c.tag)) << std::hex << c.tag;
        // Without the attribute the field holds no tag.
        EXPECT_FALSE(IsLinkEntry(FILE_ATTRIBUTE_DIRECTORY, c.tag)) << std::hex << c.tag;
    }
    // OneDrive's Files On-Demand: the cloud tag and each of its sixteen variants.
    for (DWORD variant = 0; variant < 16; ++variant) {
        const DWORD tag = IO_REPARSE_TAG_CLOUD | (variant << 12);
        EXPECT_FALSE(IsLinkEntry(kLinkAttributes, tag)) << std::hex << tag;
    }
    EXPECT_FALSE(IsLinkEntry(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, 0));
}

TEST(LinkRule, OnlyAnAdministratorsOrTheSystemsLinkIsTrusted)
{
    for (const char* pszSid : {kAdministrators, "S-1-5-18",
                               "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
        EXPECT_TRUE(IsTrustedLinkOwner(pszSid)) << pszSid;
    for (const char* pszSid : {"S-1-5-21-0-0-0-1000", "S-1-5-21-1-2-3-500", "S-1-5-32-545", "S-1-5-11", "S-1-1-0",
                               "S-1-5-19", "S-1-5-32-5440", "S-1-5-32-544-1", "s-1-5-32-544", "S-1-5-32-54", ""})
        EXPECT_FALSE(IsTrustedLinkOwner(pszSid)) << pszSid;
}

// An administrator's link is followed as a folder is; the link itself still stays, even where
// what it points at is empty, and a user's link to the same folder is still refused.
TEST_F(LinkDeletion, AnAdministratorsLinkIsFollowedButNotRemoved)
{
    const std::string userLink = m_base + "\\userlink";
    Link(userLink, m_theirs);
    // Wine reports the running user as the owner of every link it shows (a unix symbolic link),
    // which is what keeps its links untrusted in the tests above.
    std::string owner;
    ASSERT_TRUE(g_pfnReadLinkOwner(userLink, &owner));
    EXPECT_EQ(0u, owner.find("S-1-5-21-")) << owner;
    EXPECT_FALSE(IsTrustedLinkOwner(owner)) << owner;

    g_adminsLinks = {m_link, m_base + "\\hollowlink"};
    g_pfnReadLinkOwner = ReadOwnerWithAdminsLinks;
    EXPECT_FALSE(CrossesLink(m_link + "\\canary.txt"));
    EXPECT_TRUE(CrossesLink(userLink + "\\canary.txt"));
    EXPECT_EQ(0, DeleteMatchingFiles(userLink.c_str(), "*.*"));

    EXPECT_EQ(1, DeleteMatchingFiles((m_link + "\\Pixorama 5").c_str(), "*.lnk"));
    UndoFileEntries(WriteLog("File Del: canary.txt\r\n").c_str(), m_link.c_str(), NULL);
    EXPECT_FALSE(FileExists(m_theirs + "\\canary.txt"));
    UndoLinksAndFolders(WriteLog("Made Dir: " + m_link + "\\Pixorama 5\r\n"
                                 "Made Dir: " + m_link + "\\hollow\r\n"
                                 "Made Dir: " + m_base + "\\hollowlink\r\n").c_str());
    EXPECT_FALSE(FolderExists(m_theirs + "\\Pixorama 5"));
    EXPECT_FALSE(FolderExists(m_theirs + "\\hollow"));
    EXPECT_TRUE(FileExists(m_theirs + "\\Pixorama 5.lnk"));
    EXPECT_TRUE(FolderExists(m_base + "\\hollow"));
    EXPECT_FALSE(RemoveFolderOffLinks(m_base + "\\hollowlink\\"));
    EXPECT_TRUE(FolderExists(m_base + "\\hollow"));
    EXPECT_TRUE(pixtest::IsLink(m_link));
    EXPECT_TRUE(pixtest::IsLink(m_base + "\\hollowlink"));
    EXPECT_TRUE(pixtest::IsLink(userLink));
}

// The uninstall steps in an installation folder behind a link: kept whole behind a user's link,
// removed whole behind an administrator's (the link to it stays).
TEST_F(LinkDeletion, AnInstallationBehindAnAdministratorsLinkIsRemovedWhole)
{
    const std::string installed = m_theirs + "\\inst";
    ASSERT_TRUE(::CreateDirectoryA(installed.c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(installed + "\\PixUnInst.log", "File Copy: Pixcap5.exe\r\nFile Copy: readme.txt\r\n"));
    for (const char* pszFile : {"\\Pixcap5.exe", "\\readme.txt"})
        ASSERT_TRUE(WriteFileBytes(installed + pszFile, "installed"));
    const std::map<std::string, std::string> installedTree = TakeTree(m_theirs);
    const std::string folder = m_link + "\\inst\\";

    RunUninstallSteps(folder.c_str());
    EXPECT_EQ(installedTree, TakeTree(m_theirs));

    g_adminsLinks = {m_link};
    g_pfnReadLinkOwner = ReadOwnerWithAdminsLinks;
    RunUninstallSteps(folder.c_str());
    EXPECT_FALSE(FolderExists(installed));
    ExpectAllBehindLinksKept();
}

// An administrator's link is followed only where no standard user can have made or swapped it:
// not where its owner or its access list cannot be read, not where a folder above it (or the link
// itself) lets a person change it, whoever owns it, and never in a profile.
TEST_F(LinkDeletion, AnAdministratorsLinkIsRefusedWhereAPersonCouldHaveSwappedIt)
{
    char profile[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH));
    const std::string profileLink = std::string(profile) + "\\pixlink";
    pixtest::RemoveLink(profileLink);
    Link(profileLink, m_theirs);
    g_adminsLinks = {m_link, profileLink};
    g_pfnReadLinkOwner = ReadOwnerWithAdminsLinks;
    g_pfnReadSecurity = ReadSwappedSecurity;
    ASSERT_FALSE(CrossesLink(m_link + "\\canary.txt")) << "trusted as the other tests have it";

    EXPECT_TRUE(CrossesLink(profileLink + "\\canary.txt"));
    EXPECT_FALSE(DeleteFileOffLinks(profileLink + "\\canary.txt"));
    g_pfnReadLinkOwner = RefuseOwner;
    EXPECT_TRUE(CrossesLink(m_link + "\\canary.txt")) << "an owner that cannot be read";
    g_pfnReadLinkOwner = ReadOwnerWithAdminsLinks;
    g_unreadable = {m_link};
    EXPECT_TRUE(CrossesLink(m_link + "\\canary.txt")) << "an access list that cannot be read";
    g_unreadable.clear();
    g_personsFolders = {m_link};
    EXPECT_TRUE(CrossesLink(m_link + "\\canary.txt")) << "the person may change the link";
    g_personsFolders = {m_base};
    EXPECT_TRUE(CrossesLink(m_link + "\\canary.txt")) << "the person may change the link's folder";
    EXPECT_EQ(0, DeleteMatchingFiles(m_link.c_str(), "*.*"));
    UndoFileEntries(WriteLog("File Del: canary.txt\r\n").c_str(), m_link.c_str(), NULL);
    ExpectAllBehindLinksKept();
}

// A folder checked and then swapped for a link (the person renames it away and puts a link in its
// place): its entries are opened relative to the folder held since the check, so nothing behind
// the link goes, and nothing of another folder either. (Windows then deletes in the folder renamed
// away; Wine deletes by the name the folder had and finds another file there, so it deletes
// nothing.)
TEST_F(LinkDeletion, AFolderSwappedForALinkAfterItsCheckIsNotDeletedIn)
{
    g_pfnReadEntryKind = ReadKindAsWindowsShowsIt;
    const std::string folder = m_base + "\\swapped";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL));
    ASSERT_TRUE(::CreateDirectoryA((folder + "\\hollow").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(folder + "\\canary.txt", "ours"));
    CConfirmedFolder confirmed;
    ASSERT_TRUE(ConfirmFolder(folder, &confirmed));
    ASSERT_TRUE(confirmed.IsHeld());
    ASSERT_TRUE(::MoveFileA(folder.c_str(), (folder + "-away").c_str()));
    Link(folder, m_theirs);

    DeleteConfirmed(folder + "\\canary.txt", confirmed, false);
    DeleteConfirmed(folder + "\\hollow", confirmed, true);
    EXPECT_FALSE(DeleteConfirmed(m_theirs + "\\canary.txt", confirmed, false)) << "an entry of another folder";
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME), ::GetLastError());
    CConfirmedFolder base;
    ASSERT_TRUE(ConfirmFolder(m_base, &base));
    EXPECT_FALSE(DeleteConfirmed(folder, base, true)) << "a link is no folder of ours";
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME), ::GetLastError());
    ExpectAllBehindLinksKept();
}

// A folder swapped for a link between its check and its opening: the folder is opened step by
// step, each step within the one before and as itself, never through a link, so the check that
// passed is no way in. The swap is made while the step before it is looked at. Windows opens the
// link itself and shows it as one (FILE_OPEN_REPARSE_POINT); Wine follows it and shows the target,
// so the look-up says for Windows what it sees there.
TEST_F(LinkDeletion, AFolderSwappedForALinkBetweenItsCheckAndItsOpeningIsNotDeletedIn)
{
    static std::string s_swapped, s_target;
    const std::string outer = m_base + "\\outer";
    s_swapped = outer + "\\swapped";
    s_target = m_theirs;
    ASSERT_TRUE(::CreateDirectoryA(outer.c_str(), NULL));
    ASSERT_TRUE(::CreateDirectoryA(s_swapped.c_str(), NULL));
    m_links.push_back(s_swapped);
    g_pfnReadEntryKind = [](HANDLE hEntry, DWORD* pAttributes, DWORD* pTag) {
        if (FinalPathEndsWith(hEntry, L"\\outer") && !pixtest::IsLink(s_swapped) &&
            ::RemoveDirectoryA(s_swapped.c_str()))
            pixtest::MakeFolderLink(s_swapped, s_target);
        return ReadKindAsWindowsShowsIt(hEntry, pAttributes, pTag);
    };
    EXPECT_EQ(0, DeleteMatchingFiles(s_swapped.c_str(), "canary.txt"));
    ASSERT_TRUE(pixtest::IsLink(s_swapped)) << "the swap took place";
    ExpectAllBehindLinksKept();
}
