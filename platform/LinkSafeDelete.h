// platform/LinkSafeDelete.h - keeping deletions off links. setup runs with administrator rights,
// while the folders it deletes in (shell folders, logged folders) may be ones that other users can
// turn into a junction or symbolic link to a folder of their choosing.
#pragma once
#include <windows.h>
#include <string>
#include "platform/HeldFiles.h"

// True when the path itself or a folder on the way to it is a link that is not trusted, or when
// the path cannot be made absolute. Drive and share roots are not examined.
bool CrossesLink(const std::string& path);

// The same for the folders above the path's last part only: a file or folder that is a link
// itself does not count.
bool CrossesLinkAbove(const std::string& path);

// DeleteFileA, waiting out a passing hold, unless the file's folder is reached through a link. A
// file still held after the wait is left to the next system start when leftover says so.
bool DeleteFileOffLinks(const std::string& path, ELeftover leftover = ELeftover::kStays);

// RemoveDirectoryA the same way, unless the folder is a link or reached through one. A link
// itself is never removed, trusted or not: Wine removes the folder it points at instead, and
// Windows removes a junction whatever its target still holds. A folder left to the next system
// start goes then only if it is empty by then.
bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover = ELeftover::kStays);

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
bool IsTrustedLinkOwner(const std::string& ownerSid);

// Test seam: the owner of the link itself (not of what it points at) as a SID text; false when it
// cannot be read. Wine reports the running user for every unix symbolic link, so no link made
// here is trusted unless a test says so through this.
extern bool (*g_pfnReadLinkOwner)(const std::string& link, std::string* pOwnerSid);

// Asks Windows to refuse the process every junction and symbolic link that no administrator made
// (RedirectionGuard, Windows 10 22H2 and 11). Best effort, and harmless where the system lacks
// it; our own check above applies either way. Needs kernel32 alone, so that it can run before the
// C runtime starts.
void TurnOnRedirectionGuard();
