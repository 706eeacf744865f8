// platform/LinkSafeDelete.h - keeping deletions off links. setup runs with administrator rights,
// while the folders it deletes in (shell folders, logged folders) may be ones that other users can
// turn into a junction or symbolic link to a folder of their choosing.
#pragma once
#include <string>
#include "platform/HeldFiles.h"

// True when the path itself or a folder on the way to it is a link (any reparse point: junction,
// symbolic link, mount point), or when the path cannot be made absolute. Drive and share roots are
// not examined.
bool CrossesLink(const std::string& path);

// The same for the folders above the path's last part only: a file or folder that is a link
// itself does not count.
bool CrossesLinkAbove(const std::string& path);

// DeleteFileA, waiting out a passing hold, unless the file's folder is reached through a link. A
// file still held after the wait is left to the next system start when leftover says so.
bool DeleteFileOffLinks(const std::string& path, ELeftover leftover = ELeftover::kStays);

// RemoveDirectoryA the same way, unless the folder is a link or reached through one. A link
// itself is never removed either: Wine removes the folder it points at instead. A folder left to
// the next system start goes then only if it is empty by then.
bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover = ELeftover::kStays);
