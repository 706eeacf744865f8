// install/FileOps.cpp - copying package files, the package manifest, folder counts, own folder.
#include "install/FileOps.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include "framework/Handles.h"
#include "framework/LinkSafeDelete.h"
#include "framework/PathText.h"
#include "install/InstallState.h"
#include "uninstall/InstallLog.h"
#include "uninstall/LogLine.h"
#include "uninstall/UninstallLaunch.h"

namespace {

const char kBackupSuffix[] = ".old";
constexpr DWORD kHiddenReadOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
// A file written in place keeps what it had beyond these (system, compression, a link...), while a
// new copy has only the source's attributes; such a destination is replaced instead.
constexpr DWORD kInPlaceAttributes = kHiddenReadOnly | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Lower-cased in the system code page, so that accented folder names compare like the file
// system sees them.
std::string FoldCase(const std::string& text)
{
    std::string folded(text);
    if (!folded.empty())
        ::CharLowerBuffA(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

// The absolute form ("/" as "\", "." and ".." resolved); the text itself when it has none.
std::string GetFullForm(const std::string& path)
{
    char buffer[kMaxPathChars];
    char* pszName = NULL;
    const DWORD length = ::GetFullPathNameA(path.c_str(), kMaxPathChars, buffer, &pszName);
    if (length == 0 || length >= kMaxPathChars)
        return path;
    return std::string(buffer, length);
}

// Two spellings of one folder must never copy a file over itself: a destination that refuses the
// write is deleted before the copy, which would destroy the only copy of the file.
bool IsSameFolder(const std::string& sourceFolder, const std::string& destFolder)
{
    if (FoldCase(sourceFolder) == FoldCase(destFolder))
        return true;
    return FoldCase(GetFullForm(sourceFolder)) == FoldCase(GetFullForm(destFolder));
}

// The two folders of a copy and whether they are one, worked out once for a whole run of copies:
// the comparison costs several platform calls, and a package has thousands of files.
struct SCopyFolders {
    std::string source;  // separator rule applied, so a name can be appended
    std::string dest;
    bool same;
    bool destBehindLink;  // a link on the way: nothing in it is deleted or moved aside
    bool destExists;      // once seen, the destination folder is not asked again
    bool expectNewFiles;  // the last destination file was missing: a fresh installation
    bool writeFailed;     // a file of the source could not be written to the destination
};

SCopyFolders PrepareCopyFolders(const char* pszSourceFolder, const char* pszDestFolder)
{
    SCopyFolders folders;
    folders.source = JoinFolderName(pszSourceFolder ? pszSourceFolder : "", "");
    folders.dest = JoinFolderName(pszDestFolder ? pszDestFolder : "", "");
    folders.same = IsSameFolder(folders.source, folders.dest);
    folders.destBehindLink = CrossesLink(folders.dest);
    folders.destExists = false;
    folders.expectNewFiles = false;
    folders.writeFailed = false;
    return folders;
}

// Moves an in-use destination aside; the running copy keeps working from the backup, which
// the next system start removes.
bool MoveAsideInUseFile(const std::string& destPath)
{
    const std::string backupPath = destPath + kBackupSuffix;
    if (!FitsPath(backupPath))
        return false;
    ::DeleteFileA(backupPath.c_str());  // a stale backup from an earlier run; may be in use too
    if (!::MoveFileA(destPath.c_str(), backupPath.c_str()))
        return false;
    DeleteFileAtReboot(backupPath.c_str());
    return true;
}

// A file that is also reachable under another name (a hard link) or is a link itself would
// have some other file rewritten through it; only a file with this one name is written in place.
bool HasOnlyThisName(const std::string& path)
{
    const DWORD kAnySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    CHandle file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kAnySharing, NULL, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, NULL));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.IsValid() || !::GetFileInformationByHandle(file, &info))
        return false;
    return info.nNumberOfLinks == 1 && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Writes the source over an existing destination in place, which spares deleting and creating
// the file; read-only and hidden would refuse the write, so they are cleared first. A link or a
// file with further attributes is deleted and copied anew, like one that refuses the write; one
// in use is moved aside when even the deletion fails; in a folder behind a link neither is done.
// While files keep turning out missing, a copy that refuses to overwrite answers for the missing
// file in one call, a lookup saved.
bool ReplaceDestination(const std::string& sourcePath, const std::string& destPath, SCopyFolders& folders)
{
    if (folders.expectNewFiles && ::CopyFileA(sourcePath.c_str(), destPath.c_str(), TRUE))
        return true;
    const DWORD attributes = ::GetFileAttributesA(destPath.c_str());
    folders.expectNewFiles = attributes == INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE) != FALSE;
    // A folder in the way is never renamed or scheduled for deletion; the copy cannot succeed.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    if (attributes & kHiddenReadOnly) {
        const DWORD cleared = attributes & ~kHiddenReadOnly;
        ::SetFileAttributesA(destPath.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    if (!(attributes & ~kInPlaceAttributes) && HasOnlyThisName(destPath) &&
        ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE))
        return true;
    if (folders.destBehindLink)
        return false;
    if (!::DeleteFileA(destPath.c_str()) && !MoveAsideInUseFile(destPath))
        return false;
    return ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE) != FALSE;
}

// sourceAttributes: what a search or an earlier read already knows of the source file, or
// INVALID_FILE_ATTRIBUTES to have it read here.
int CopyFileBetween(SCopyFolders& folders, const char* pszName, const char* pszNewName,
                    DWORD sourceAttributes)
{
    const bool hasNewName = pszNewName && *pszNewName;
    if (folders.same && (!hasNewName || FoldCase(pszNewName) == FoldCase(pszName)))
        return 1;

    const std::string sourcePath = folders.source + pszName;
    if (!FitsPath(sourcePath))
        return 0;
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES)
        sourceAttributes = ::GetFileAttributesA(sourcePath.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES || (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    const std::string destPath = folders.dest + (hasNewName ? pszNewName : pszName);
    const bool fits = FitsPath(destPath);
    // Renaming within one folder: an existing target that cannot go stays as it is.
    if (fits && folders.same && PathExists(destPath) &&
        (folders.destBehindLink || !::DeleteFileA(destPath.c_str())))
        return 1;
    if (!fits || !ReplaceDestination(sourcePath, destPath, folders)) {
        folders.writeFailed = true;  // the package holds the file; the destination refused it
        return 0;
    }
    return 1;
}

// Only one level: the install steps create the destination's parents beforehand.
void CreateDestinationFolder(SCopyFolders& folders, const char* pszDestFolder)
{
    if (folders.destExists)
        return;
    if (!PathExists(pszDestFolder) && !::CreateDirectoryA(pszDestFolder, NULL))
        return;
    folders.destExists = true;
}

// A literal name answers with one attribute read what the search would: nothing there leaves
// the destination alone, a folder creates the destination and stops, a file is copied.
int CopyNamedFile(SCopyFolders& folders, const char* pszName, const char* pszSourceFolder,
                  const char* pszDestFolder)
{
    const std::string sourcePath = JoinFolderName(pszSourceFolder, pszName);
    if (!FitsPath(sourcePath))
        return 0;
    const DWORD attributes = ::GetFileAttributesA(sourcePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    CreateDestinationFolder(folders, pszDestFolder);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return CopyFileBetween(folders, pszName, NULL, attributes);
}

int CopyFoundFiles(SCopyFolders& folders, const char* pszPattern, const char* pszSourceFolder,
                   const char* pszDestFolder)
{
    if (IsLiteralName(pszPattern))
        return CopyNamedFile(folders, pszPattern, pszSourceFolder, pszDestFolder);
    const std::string searchPath = JoinFolderName(pszSourceFolder, pszPattern);
    WIN32_FIND_DATAA data;
    CFindFile search;
    if (!search.First(searchPath, &data))
        return 0;
    CreateDestinationFolder(folders, pszDestFolder);
    int copied = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            break;
        if (!CopyFileBetween(folders, data.cFileName, NULL, data.dwFileAttributes))
            break;
        ++copied;
    } while (search.Next(&data));
    return copied;
}

// "name" copies every match; "source > target" copies one file under a new name. The manifest
// names files directly inside the source and the destination folder: an operand with a path,
// a drive or a dots-only name would reach outside them and is skipped.
void CopyManifestOperand(SCopyFolders& folders, const char* pszOperand)
{
    const char* pszSourceFolder = InstallChoices.sourceFolder.c_str();
    const char* pszDestFolder = InstallChoices.destinationFolder.c_str();
    std::string source;
    std::string target;
    if (!SplitRenameOperand(pszOperand, &source, &target)) {
        if (IsSafeFileOperand(source))
            CopyFoundFiles(folders, source.c_str(), pszSourceFolder, pszDestFolder);
        return;
    }
    if (IsSafeFileOperand(source) && IsSafeFileOperand(target))
        CopyFileBetween(folders, source.c_str(), target.c_str(), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

int CopyInstallFile(const char* pszName, const char* pszSourceFolder, const char* pszDestFolder,
                    const char* pszNewName)
{
    if (!pszName)
        return 0;
    SCopyFolders folders = PrepareCopyFolders(pszSourceFolder, pszDestFolder);
    return CopyFileBetween(folders, pszName, pszNewName, INVALID_FILE_ATTRIBUTES);
}

int CopyMatchingFiles(const char* pszPattern, const char* pszSourceFolder, const char* pszDestFolder)
{
    if (!pszPattern || !pszSourceFolder || !pszDestFolder)
        return 0;
    SCopyFolders folders = PrepareCopyFolders(pszSourceFolder, pszDestFolder);
    return CopyFoundFiles(folders, pszPattern, pszSourceFolder, pszDestFolder);
}

bool RunPackageManifest(const char* pszManifestPath)
{
    if (!pszManifestPath)
        return false;
    FILE* pFile = std::fopen(pszManifestPath, "r");
    if (!pFile)
        return false;
    SCopyFolders folders = PrepareCopyFolders(InstallChoices.sourceFolder.c_str(),
                                                    InstallChoices.destinationFolder.c_str());
    const size_t prefixLength = std::strlen(kPrefixFileCopy);
    char line[kLogLineBytes];
    while (ReadLogLine(pFile, line)) {
        // The whole rest of the line is the operand: " | " remarks are an undo-side notion.
        if (LineHasPrefix(line, kPrefixFileCopy))
            CopyManifestOperand(folders, line + prefixLength);  // a failed line stops none of the next
    }
    std::fclose(pFile);
    return !folders.writeFailed;
}

int CountFolderEntries(const char* pszPattern, const char* pszFolder)
{
    if (!pszPattern || !pszFolder)
        return 0;
    // Callers pass folders held without a trailing backslash, so no separator rule here.
    const std::string searchPath = std::string(pszFolder) + "\\" + pszPattern;
    WIN32_FIND_DATAA data;
    CFindFile search;
    if (!search.First(searchPath, &data))
        return 0;
    int count = 0;
    do {
        if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
            ++count;
    } while (search.Next(&data));
    return count;
}

std::string GetOwnFolder()
{
    char buffer[kMaxPathChars];
    const DWORD length = ::GetModuleFileNameA(NULL, buffer, kMaxPathChars);
    // A full buffer means a cut path, which would name another folder.
    if (length == 0 || length >= kMaxPathChars)
        return std::string();
    const std::string path(buffer, length);
    const size_t backslash = path.rfind('\\');
    return backslash == std::string::npos ? std::string() : path.substr(0, backslash);
}
