// install/FileOps.cpp - copying package files, the package manifest, folder counts, own folder.
#include "install/FileOps.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include "framework/Handles.h"
#include "framework/PathText.h"
#include "install/InstallState.h"
#include "uninstall/InstallLog.h"
#include "uninstall/LogLine.h"
#include "uninstall/UninstallLaunch.h"

namespace {

const char kBackupSuffix[] = ".old";
constexpr DWORD kHiddenReadOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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

// Two spellings of one folder must never copy a file over itself: the destination is deleted
// before the copy, which would destroy the only copy of the file.
bool IsSameFolder(const std::string& sourceFolder, const std::string& destFolder)
{
    if (FoldCase(sourceFolder) == FoldCase(destFolder))
        return true;
    return FoldCase(GetFullForm(sourceFolder)) == FoldCase(GetFullForm(destFolder));
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

// Clears read-only and hidden so that the deletion is allowed; an undeletable file is moved aside.
bool ClearDestination(const std::string& destPath)
{
    const DWORD attributes = ::GetFileAttributesA(destPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    // A folder in the way is never renamed or scheduled for deletion; the copy cannot succeed.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    ::SetFileAttributesA(destPath.c_str(), attributes & ~kHiddenReadOnly);
    if (::DeleteFileA(destPath.c_str()))
        return true;
    return MoveAsideInUseFile(destPath);
}

}  // namespace

int CopyInstallFile(const char* pszName, const char* pszSourceFolder, const char* pszDestFolder,
                    const char* pszNewName)
{
    if (!pszName)
        return 0;
    const bool hasNewName = pszNewName && *pszNewName;
    const std::string sourceFolder = JoinFolderName(pszSourceFolder ? pszSourceFolder : "", "");
    const std::string destFolder = JoinFolderName(pszDestFolder ? pszDestFolder : "", "");
    const bool sameFolder = IsSameFolder(sourceFolder, destFolder);
    if (sameFolder && (!hasNewName || FoldCase(pszNewName) == FoldCase(pszName)))
        return 1;

    const std::string sourcePath = sourceFolder + pszName;
    if (!FitsPath(sourcePath) || !PathExists(sourcePath) || IsFolder(sourcePath))
        return 0;
    const std::string destPath = destFolder + (hasNewName ? pszNewName : pszName);
    if (!FitsPath(destPath))
        return 0;

    // Renaming within one folder: an existing target that cannot go stays as it is.
    if (sameFolder && PathExists(destPath) && !::DeleteFileA(destPath.c_str()))
        return 1;
    if (!ClearDestination(destPath))
        return 0;
    return ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE) ? 1 : 0;
}

int CopyMatchingFiles(const char* pszPattern, const char* pszSourceFolder, const char* pszDestFolder)
{
    if (!pszPattern || !pszSourceFolder || !pszDestFolder)
        return 0;
    const std::string searchPath = JoinFolderName(pszSourceFolder, pszPattern);
    WIN32_FIND_DATAA data;
    CFindFile search;
    if (!search.First(searchPath, &data))
        return 0;
    // Only one level: the install steps create the destination's parents beforehand.
    if (!PathExists(pszDestFolder))
        ::CreateDirectoryA(pszDestFolder, NULL);
    int copied = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            break;
        if (!CopyInstallFile(data.cFileName, pszSourceFolder, pszDestFolder, NULL))
            break;
        ++copied;
    } while (search.Next(&data));
    return copied;
}

namespace {

// "name" copies every match; "source > target" copies one file under a new name. The manifest
// names files directly inside the source and the destination folder: an operand with a path,
// a drive or a dots-only name would reach outside them and is skipped.
void CopyManifestOperand(const char* pszOperand)
{
    const char* pszSourceFolder = InstallChoices.sourceFolder.c_str();
    const char* pszDestFolder = InstallChoices.destinationFolder.c_str();
    std::string source;
    std::string target;
    if (!SplitRenameOperand(pszOperand, &source, &target)) {
        if (IsSafeFileOperand(source))
            CopyMatchingFiles(source.c_str(), pszSourceFolder, pszDestFolder);
        return;
    }
    if (IsSafeFileOperand(source) && IsSafeFileOperand(target))
        CopyInstallFile(source.c_str(), pszSourceFolder, pszDestFolder, target.c_str());
}

}  // namespace

void RunPackageManifest(const char* pszManifestPath)
{
    if (!pszManifestPath)
        return;
    FILE* pFile = std::fopen(pszManifestPath, "r");
    if (!pFile)
        return;
    const size_t prefixLength = std::strlen(kPrefixFileCopy);
    char line[kLogLineBytes];
    while (ReadLogLine(pFile, line)) {
        // The whole rest of the line is the operand: " | " remarks are an undo-side notion.
        if (LineHasPrefix(line, kPrefixFileCopy))
            CopyManifestOperand(line + prefixLength);  // results ignored: the next line follows
    }
    std::fclose(pFile);
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
