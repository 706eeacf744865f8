// tests/install_ops/OpsTestHelpers.h - registry clean-up, delayed-deletion records and held files for the engine tests.
#pragma once
#include <windows.h>
#include <string>

namespace opstest {

// Deletes a key with everything below it; a missing key is no failure.
void DeleteKeyTree(HKEY hRoot, const std::string& key);

// Sets a value of any type, creating the key; false when the platform refuses.
bool SetRawValue(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD type, const std::string& bytes);

// Every path the platform has recorded for deletion or renaming at the next start, lower-cased,
// each line ending in '\n'.
std::string ReadPendingDeletions();

// True when the path (any letter case, with or without the "\??\" prefix) is recorded for
// deletion at the next start.
bool IsPendingDeletion(const std::string& path);

// Opens the file so that nobody else may read, write or delete it; INVALID_HANDLE_VALUE on failure.
HANDLE HoldFileExclusively(const std::string& path);

std::string Lower(std::string text);
DWORD GetAttributes(const std::string& path);

}  // namespace opstest
