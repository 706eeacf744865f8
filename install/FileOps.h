// install/FileOps.h - copying package files, the package manifest, folder counts, own folder.
#pragma once
#include <string>

// Copies one file from the source folder to the destination folder, under pszNewName when given.
// An in-use destination is moved aside to ".old" and left to DeleteFileAtReboot. In a destination
// folder that is a link, or is reached through one, nothing is deleted or moved aside: a file
// that would need it is not copied.
// Non-zero on success.
int CopyInstallFile(const char* pszName, const char* pszSourceFolder, const char* pszDestFolder,
                    const char* pszNewName);

// Copies every file matching the pattern; creates the destination folder (one level) when needed.
// Returns the number of files copied; stops at a folder or at the first failed copy.
int CopyMatchingFiles(const char* pszPattern, const char* pszSourceFolder, const char* pszDestFolder);

// Carries out the "File Copy: " lines of the package manifest, from the source to the destination
// folder. False when the manifest cannot be read or a file that it names and the package holds
// could not be written to the destination (every line is still tried); a line naming a file that
// the package lacks is no failure here.
bool RunPackageManifest(const char* pszManifestPath);

// Number of entries matching folder + "\" + pattern, "." and ".." not counted.
int CountFolderEntries(const char* pszPattern, const char* pszFolder);

// Folder of the running program file, without a trailing backslash.
std::string GetOwnFolder();
