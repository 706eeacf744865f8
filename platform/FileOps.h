// platform/FileOps.h - copying files between folders, folder counts, own folder.
#pragma once
#include <string>
#include <vector>

// One run of copies from a source folder into a destination folder. What every copy of the run
// shares is worked out once, since that costs several platform calls and a package has
// thousands of files. An in-use destination is moved aside to ".old" and left to
// DeleteFileAtReboot. In a destination folder that is a link, or is reached through one, nothing
// is deleted or moved aside: a file that would need it is not copied.
class CFileCopier {
public:
    CFileCopier(const char* pszSourceFolder, const char* pszDestFolder);

    // One file, under pszNewName when given. Non-zero on success.
    int CopyFileAs(const char* pszName, const char* pszNewName);
    // Every file matching the pattern; creates the destination folder (one level) when needed.
    // Returns the number of files copied; stops at a folder or at the first failed copy.
    int CopyMatching(const char* pszPattern);
    // A file of the source could not be written to the destination, in any copy of the run.
    bool WriteFailed() const { return m_folders.writeFailed; }

    struct SFolders {
        std::string destAsGiven;
        std::string source;   // separator rule applied, so a name can be appended
        std::string dest;
        bool same;            // two spellings of one folder
        bool destBehindLink;  // a link on the way: nothing in it is deleted or moved aside
        bool destExists;      // once seen, the destination folder is not asked again
        bool expectNewFiles;  // the last destination file was missing: a fresh installation
        bool writeFailed;     // a file of the source could not be written to the destination
        std::vector<char> buffer;  // for in-place writes, allocated at the first one
    };

private:
    SFolders m_folders;
};

// One copy run of one file (CFileCopier::CopyFileAs).
int CopyInstallFile(const char* pszName, const char* pszSourceFolder, const char* pszDestFolder,
                    const char* pszNewName);

// One copy run of one pattern (CFileCopier::CopyMatching); 0 when any argument is missing.
int CopyMatchingFiles(const char* pszPattern, const char* pszSourceFolder, const char* pszDestFolder);

// Number of entries matching folder + "\" + pattern, "." and ".." not counted.
int CountFolderEntries(const char* pszPattern, const char* pszFolder);

// True when a file or folder of that name exists.
bool PathExists(const std::string& path);

// The sizes of the folder's files (not of its subfolders) in kilobytes, rounded up; the largest
// DWORD when they exceed it.
unsigned long MeasureFolderKilobytes(const std::string& folder);

// Folder of the running program file, without a trailing backslash.
std::string GetOwnFolder();
