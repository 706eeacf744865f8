// platform/LinkSafeDelete.h - deletions that keep off links, by the rules of DeletionRules.h,
// waiting out a passing hold as HeldFiles.h does.
#pragma once
#include <string>
#include "platform/DeletionRules.h"
#include "platform/HeldFiles.h"

// DeleteFileA, waiting out a passing hold, unless the file's folder is reached through a link.
// Where the platform offers it (Vista and later) the file is opened without following links, its
// handle's final path confirmed to lie in the folder that was checked, and the file deleted
// through that handle, so that no folder swapped in after the check is deleted in. A file still
// held after the wait is left to the next system start when leftover says so and the rule allows.
bool DeleteFileOffLinks(const std::string& path, ELeftover leftover = ELeftover::kStays);

// RemoveDirectoryA the same way, unless the folder is a link or reached through one. A link
// itself is never removed, trusted or not: Wine removes the folder it points at instead, and
// Windows removes a junction whatever its target still holds. A folder left to the next system
// start goes then only if it is empty by then.
bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover = ELeftover::kStays);
