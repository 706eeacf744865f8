// platform/FileOps.cpp - copying package files, the package manifest, folder counts, own folder.
#include "platform/FileOps.h"
#include <windows.h>
#include <cstring>
#include <vector>
#include "framework/Handles.h"
#include "platform/DeletionRules.h"
#include "platform/HeldFiles.h"
#include "platform/LinkSafeDelete.h"
#include "platform/Process.h"
#include "platform/RebootDelete.h"
#include "text/PathText.h"

namespace {

const char kBackupSuffix[] = ".old";
constexpr DWORD kHiddenReadOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
// A file written in place keeps what it had beyond these (system, compression, a link...), while a
// new copy has only the source's attributes; such a destination is replaced instead.
constexpr DWORD kInPlaceAttributes = kHiddenReadOnly | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
// Few reads and writes per file for most package files, with little memory.
constexpr DWORD kCopyChunkBytes = 256 * 1024;

// The absolute form; the text itself when it has none.
std::string FullFormOrText(const std::string& path)
{
    std::string full;
    return GetFullForm(path, &full) ? full : path;
}

// Two spellings of one folder must never copy a file over itself: a destination that refuses the
// write is deleted before the copy, which would destroy the only copy of the file.
bool IsSameFolder(const std::string& sourceFolder, const std::string& destFolder)
{
    if (FoldCase(sourceFolder) == FoldCase(destFolder))
        return true;
    return FoldCase(FullFormOrText(sourceFolder)) == FoldCase(FullFormOrText(destFolder));
}

using SCopyFolders = CFileCopier::SFolders;

// Ends a replacement for a reason that no wait can clear, so that it is not tried again.
bool Refuse()
{
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

// Moves an in-use destination aside; the running copy keeps working from the backup, which
// the next system start removes.
bool MoveAsideInUseFile(const std::string& destPath)
{
    const std::string backupPath = destPath + kBackupSuffix;
    if (!FitsPath(backupPath))
        return Refuse();
    ::DeleteFileA(backupPath.c_str());  // a stale backup from an earlier run; may be in use too
    if (!::MoveFileA(destPath.c_str(), backupPath.c_str()))
        return false;
    DeleteFileAtReboot(backupPath.c_str());
    return true;
}

enum class EInPlace { kWritten, kNotWritten, kSourceUnreadable };

// A file that is also reachable under another name (a hard link) or is a link itself would
// have some other file rewritten through it: only a file with this one name is written in place.
// The handle that is written through is the one asked, so the file cannot change in between.
bool MayWriteThrough(HANDLE hDest, DWORD* pAttributes)
{
    DWORD names = 0;
    return ReadNamesAndAttributes(hDest, &names, pAttributes) && names == 1 &&
           !(*pAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Copies the whole source over the start of the destination and cuts off what is left of the
// old content.
bool CopyContent(HANDLE hSource, HANDLE hDest, std::vector<char>& buffer)
{
    if (buffer.empty())
        buffer.resize(kCopyChunkBytes);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(hSource, buffer.data(), kCopyChunkBytes, &read, NULL))
            return false;
        if (read == 0)
            return ::SetEndOfFile(hDest) != FALSE;
        DWORD written = 0;
        if (!::WriteFile(hDest, buffer.data(), read, &written, NULL) || written != read)
            return false;
    }
}

// True when the written file already has the source's attributes. "Normal" only stands for no
// bit at all; some file systems set the archive bit on every write, so a source without it has
// its attributes written in any case.
bool KeepsSourceAttributes(DWORD destAttributes, DWORD sourceAttributes)
{
    return (sourceAttributes & FILE_ATTRIBUTE_ARCHIVE) &&
           (destAttributes & ~FILE_ATTRIBUTE_NORMAL) == (sourceAttributes & ~FILE_ATTRIBUTE_NORMAL);
}

// Writes the source over an existing destination through one handle and leaves it as a copy
// would: the source's content, last-write time and attributes. Cheaper than a copy over the
// file, which opens the destination twice. kNotWritten when the destination cannot be opened for
// writing (in use, read-only), has more names than this one, or the write broke off: the caller
// then replaces the file. An unreadable source is found before the destination is touched.
EInPlace WriteInPlace(const std::string& sourcePath, const std::string& destPath, DWORD sourceAttributes,
                      std::vector<char>& buffer)
{
    CHandle source(::CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, NULL));
    FILETIME lastWrite;
    if (!source.IsValid() || !::GetFileTime(source, NULL, NULL, &lastWrite))
        return EInPlace::kSourceUnreadable;
    CHandle dest(::CreateFileA(destPath.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, NULL,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, NULL));
    DWORD destAttributes = 0;
    if (!dest.IsValid() || !MayWriteThrough(dest, &destAttributes) || !CopyContent(source, dest, buffer))
        return EInPlace::kNotWritten;
    ::SetFileTime(dest, NULL, NULL, &lastWrite);
    dest.Close();
    if (!KeepsSourceAttributes(destAttributes, sourceAttributes))
        ::SetFileAttributesA(destPath.c_str(), sourceAttributes);
    return EInPlace::kWritten;
}

// One try at writing the source over the destination. An existing destination is written in place,
// which spares deleting and creating the file; read-only would refuse the write, so the protection
// bits are cleared first. A link or a file with further attributes is deleted and copied anew, like
// one that refuses the write; one in use is moved aside when even the deletion fails; in a folder
// behind a link neither is done. While files keep turning out missing, a copy that refuses to
// overwrite answers for the missing file in one call, a lookup saved.
bool ReplaceOnce(const std::string& sourcePath, const std::string& destPath, DWORD sourceAttributes,
                 SCopyFolders& folders)
{
    if (folders.expectNewFiles && ::CopyFileA(sourcePath.c_str(), destPath.c_str(), TRUE))
        return true;
    const DWORD attributes = ::GetFileAttributesA(destPath.c_str());
    folders.expectNewFiles = attributes == INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE) != FALSE;
    // A folder in the way is never renamed or scheduled for deletion; the copy cannot succeed.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refuse();
    if (attributes & kHiddenReadOnly) {
        const DWORD cleared = attributes & ~kHiddenReadOnly;
        ::SetFileAttributesA(destPath.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    if (!(attributes & ~kInPlaceAttributes)) {
        const EInPlace result = WriteInPlace(sourcePath, destPath, sourceAttributes, folders.buffer);
        if (result != EInPlace::kNotWritten)
            return result == EInPlace::kWritten;  // an unreadable source leaves the destination alone
    }
    if (folders.destBehindLink)
        return Refuse();
    if (!::DeleteFileA(destPath.c_str()) && !MoveAsideInUseFile(destPath))
        return false;
    return ::CopyFileA(sourcePath.c_str(), destPath.c_str(), FALSE) != FALSE;
}

// A file that another program holds for a moment (a scanner looking at the package or at the
// file just replaced) is waited for; a program that keeps running from it is moved aside at once.
bool ReplaceDestination(const std::string& sourcePath, const std::string& destPath, DWORD sourceAttributes,
                        SCopyFolders& folders)
{
    return RetryWhileHeld(destPath.c_str(), [&] { return ReplaceOnce(sourcePath, destPath, sourceAttributes, folders); });
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
        (folders.destBehindLink || !DeleteFileWaiting(destPath.c_str())))
        return 1;
    if (!fits || !ReplaceDestination(sourcePath, destPath, sourceAttributes, folders)) {
        folders.writeFailed = true;  // the package holds the file; the destination refused it
        return 0;
    }
    // An earlier uninstallation may have left this path to the next system start.
    WithdrawRestartDeletion(destPath.c_str());
    return 1;
}

// Only one level: the install steps create the destination's parents beforehand.
void CreateDestinationFolder(SCopyFolders& folders)
{
    if (folders.destExists)
        return;
    const char* pszDestFolder = folders.destAsGiven.c_str();
    if (!PathExists(pszDestFolder) && !::CreateDirectoryA(pszDestFolder, NULL))
        return;
    folders.destExists = true;
}

// A literal name answers with one attribute read what the search would: nothing there leaves
// the destination alone, a folder creates the destination and stops, a file is copied.
int CopyNamedFile(SCopyFolders& folders, const char* pszName)
{
    const std::string sourcePath = folders.source + pszName;
    if (!FitsPath(sourcePath))
        return 0;
    const DWORD attributes = ::GetFileAttributesA(sourcePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    CreateDestinationFolder(folders);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return CopyFileBetween(folders, pszName, NULL, attributes);
}

int CopyFoundFiles(SCopyFolders& folders, const char* pszPattern)
{
    if (IsLiteralName(pszPattern))
        return CopyNamedFile(folders, pszPattern);
    const std::string searchPath = folders.source + pszPattern;
    WIN32_FIND_DATAA data;
    CFindFile search;
    if (!search.First(searchPath, &data))
        return 0;
    CreateDestinationFolder(folders);
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

}  // namespace

CFileCopier::CFileCopier(const char* pszSourceFolder, const char* pszDestFolder)
{
    m_folders.destAsGiven = pszDestFolder ? pszDestFolder : "";
    m_folders.source = JoinFolderName(pszSourceFolder ? pszSourceFolder : "", "");
    m_folders.dest = JoinFolderName(m_folders.destAsGiven, "");
    m_folders.same = IsSameFolder(m_folders.source, m_folders.dest);
    m_folders.destBehindLink = CrossesLink(m_folders.dest);
    m_folders.destExists = false;
    m_folders.expectNewFiles = false;
    m_folders.writeFailed = false;
}

int CFileCopier::CopyFileAs(const char* pszName, const char* pszNewName)
{
    return pszName ? CopyFileBetween(m_folders, pszName, pszNewName, INVALID_FILE_ATTRIBUTES) : 0;
}

int CFileCopier::CopyMatching(const char* pszPattern)
{
    return pszPattern ? CopyFoundFiles(m_folders, pszPattern) : 0;
}

int CopyInstallFile(const char* pszName, const char* pszSourceFolder, const char* pszDestFolder,
                    const char* pszNewName)
{
    return CFileCopier(pszSourceFolder, pszDestFolder).CopyFileAs(pszName, pszNewName);
}

int CopyMatchingFiles(const char* pszPattern, const char* pszSourceFolder, const char* pszDestFolder)
{
    if (!pszPattern || !pszSourceFolder || !pszDestFolder)
        return 0;
    return CFileCopier(pszSourceFolder, pszDestFolder).CopyMatching(pszPattern);
}

int CountFolderEntries(const char* pszPattern, const char* pszFolder)
{
    if (!pszPattern || !pszFolder)
        return 0;
    // Callers pass folders held without a trailing backslash, so no separator rule here.
    const std::string searchPath = std::string(pszFolder) + "\\" + pszPattern;
    int count = 0;
    CFindFile::ForEach(searchPath, [&count](const WIN32_FIND_DATAA& data) {
        if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
            ++count;
        return true;
    });
    return count;
}

unsigned long MeasureFolderKilobytes(const std::string& folder)
{
    const ULONGLONG kBytesPerKilobyte = 1024;
    ULONGLONG bytes = 0;
    CFindFile::ForEach(folder + "\\*", [&bytes](const WIN32_FIND_DATAA& data) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            bytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        return true;
    });
    const ULONGLONG kilobytes = (bytes + kBytesPerKilobyte - 1) / kBytesPerKilobyte;
    return kilobytes > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kilobytes);
}

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string GetOwnFolder()
{
    // A path beyond the path buffer counts as none: the folders built on it would be cut.
    const std::string path = GetOwnProgramPath();
    if (!FitsPath(path))
        return std::string();
    const size_t backslash = FindLastPathChar(path, "\\");
    return backslash == std::string::npos ? std::string() : path.substr(0, backslash);
}
