// platform/DeletionRules.h - the rules of a safe deletion, each in one place: which links may be
// followed, where a deletion may wait for the next system start, how a file is confirmed before
// it is deleted, and which failures are another program's passing hold. setup runs with
// administrator rights, while the folders it deletes in (shell folders, logged folders) may be
// ones that a standard user can change: rename, delete, or turn into a junction or symbolic link
// to a folder of their choosing.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Handles.h"

// What becomes of a file or folder of ours that is still held when the waiting is spent: the
// uninstallation leaves it to the next system start, where the rule below allows it.
enum class ELeftover { kStays, kGoesAtRestart };

// The absolute form, "/" as "\", "." and ".." resolved as the platform will resolve them when the
// path is used; false when the path has none that fits a path buffer.
bool GetFullForm(const std::string& path, std::string* pFull);

// Lower-cased in the system code page, so that accented names compare as the file system sees them.
std::string FoldCase(std::string text);

// The full form without a trailing separator, lower-cased ("C:", "C:\" and "." may all name one
// folder); the text itself, lower-cased, when it has no full form.
std::string FoldPath(const char* pszPath);

// True when the path itself or a folder on the way to it is a link that is not trusted, or when
// the path cannot be made absolute. Drive and share roots are not examined.
bool CrossesLink(const std::string& path);

// The same for the folders above the path's last part only: a file or folder that is a link
// itself does not count.
bool CrossesLinkAbove(const std::string& path);

// A folder that ConfirmFolder passed, held open: each entry deleted in it is opened by its name
// relative to this handle, so that a folder renamed away and replaced by a link after its check
// is still the one deleted in, and nothing is reached through the link.
class CConfirmedFolder {
public:
    CConfirmedFolder() {}
    // Whether deletions go by name relative to the held folder; where they cannot (the platform
    // lacks relative opens, or the folder could not be opened), each path is deleted as named.
    bool IsHeld() const { return m_folder.IsValid(); }
    CConfirmedFolder(const CConfirmedFolder&) = delete;
    CConfirmedFolder& operator=(const CConfirmedFolder&) = delete;
private:
    friend bool ConfirmFolder(const std::string& folder, CConfirmedFolder* pConfirmed);
    friend bool DeleteConfirmed(const std::string& path, const CConfirmedFolder& folder, bool isFolder);
    CHandle m_folder;
    std::string m_folded;  // the folder's full form, as FoldPath gives it
};

// Checks the folder as CrossesLink does, false when a link that is not trusted lies on the way;
// else holds it open in pConfirmed, opened folder by folder from what the path goes through last
// (its last trusted link, or its drive or share), each by its name within the one before and never
// through a link: false too when a folder on the way was swapped for a link since the check.
bool ConfirmFolder(const std::string& folder, CConfirmedFolder* pConfirmed);

// Test seam: the attributes and reparse tag of an entry opened as itself (a link not followed);
// false when they cannot be read. Wine follows its links even then and shows the target, so a
// test says where Windows would show a link.
extern bool (*g_pfnReadEntryKind)(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag);

// Test seam: the attributes and reparse tag of an entry opened as itself (a link not followed);
// false when they cannot be read. Wine follows its links even then and shows the target, so a
// test says where Windows would show a link.
extern bool (*g_pfnReadEntryKind)(HANDLE hEntry, DWORD* pAttributes, DWORD* pTag);

// Deletes the file (the folder when isFolder), which must be an entry of the confirmed folder,
// through a handle opened by its name relative to that folder, links not followed; with a folder
// not held, DeleteFileA or RemoveDirectoryA on the path. A folder that is a link itself is
// refused, and so is a path that names no entry of the confirmed folder. Leaves the platform's
// error, and the NT status for ReadLastNtStatus, on failure.
bool DeleteConfirmed(const std::string& path, const CConfirmedFolder& folder, bool isFolder);

// The number of names an open file has (its hard links) and its attributes; false when they
// cannot be read. Asks the file alone: GetFileInformationByHandle asks the volume too, which costs
// many times more (under Wine, a call to another process for every file).
bool ReadNamesAndAttributes(HANDLE hFile, DWORD* pNames, DWORD* pAttributes);

// The path's last part is a link, trusted or not; in its full form, where neither a trailing
// separator nor ".." hides it.
bool IsLinkItself(const std::string& path);

// The tag to pass where the entry's own tag could not be read.
const DWORD kReparseTagUnread = 0;

// Whether an entry with these attributes, and the reparse tag that FindFirstFile reports for it
// in dwReserved0, redirects the names below it: a junction, mount point or symbolic link (a name
// surrogate). A cloud placeholder, a deduplicated or compressed file and the like are reparse
// points that keep their place, and are ordinary folders and files. A tag that is no Microsoft
// tag (unread, or a value Wine puts there for its unix symbolic links) counts as a link.
bool IsLinkEntry(DWORD attributes, DWORD reparseTag);

// Whether a link owned by this account (a SID in its text form) may be followed: one that only an
// administrator or the system can have made, that is Administrators, SYSTEM or TrustedInstaller.
// Its owner is not enough: a link is followed only where, besides, it lies outside every profile
// and no standard user can change it or a folder above it (MayOnlyAdministratorsChange).
bool IsTrustedLinkOwner(const std::string& ownerSid);

// Test seam: the owner of the link itself (not of what it points at) as a SID text; false when it
// cannot be read. Wine reports the running user for every unix symbolic link, so no link made
// here is trusted unless a test says so through this.
extern bool (*g_pfnReadLinkOwner)(const std::string& link, std::string* pOwnerSid);

// True when the full path lies in a person's profile (below the profiles folder, or the running
// account's own profile wherever it lies).
bool IsInProfile(const std::string& fullPath);

// Whether no one but Administrators, SYSTEM and TrustedInstaller (and the running account, while
// it is an administrator's) can redirect the path: for every folder on it (the path itself too
// when isFolder), no one else may rename or delete it (DELETE on it, delete-child on its parent),
// change its rights (owner, WRITE_DAC, WRITE_OWNER) or make it a link (write-data or
// write-attributes, which set a reparse point on an empty folder). The last two do not count on a
// folder that holds the next folder of the path: that folder, which they cannot remove, keeps it
// from being empty. A folder whose owner or access list cannot be read counts as changeable.
bool MayOnlyAdministratorsChange(const std::string& fullPath, bool isFolder);

// Test seam: the security descriptor (owner and access list) of the file or folder itself, a
// link not followed; LocalAlloc'ed, NULL when it cannot be read.
extern PSECURITY_DESCRIPTOR (*g_pfnReadSecurity)(const std::string& path);

// Whether a deletion of the path may wait for the next system start: the session manager deletes
// whatever the path names by then, following links made in between, so only a path outside every
// profile that no standard user can redirect qualifies.
bool MayLeaveToRestart(const char* pszPath, bool isFolder);

// Whether the failure that a step on the path ended with can clear while we wait: another program
// has the file now (a sharing or lock violation, a running program's image), or it is already
// being deleted, or a folder is not empty only because its last files are still going. A refusal
// of the access list is no hold: it is reported at once. status: the NT status that the failing
// call left (ReadLastNtStatus), kStatusUnread where it is not known.
const LONG kStatusUnread = 0;
bool IsPassingHold(DWORD error, const char* pszPath, LONG status = kStatusUnread);

// The NT status that the thread's last failing platform call left; kStatusUnread where the
// platform cannot tell it.
LONG ReadLastNtStatus();

// Asks Windows to refuse the process every junction and symbolic link that no administrator made
// (RedirectionGuard, Windows 10 22H2 and 11). Best effort, and harmless where the system lacks
// it; our own check above applies either way. Needs kernel32 alone, so that it can run before the
// C runtime starts.
void TurnOnRedirectionGuard();
