// platform/InstallLog.cpp - writing the InstallLog and undoing what it records.
#include "platform/InstallLog.h"
#include <windows.h>
#include <cstring>
#include <string>
#include "platform/AnsiPath.h"
#include "platform/LinkSafeDelete.h"
#include "text/PathText.h"

namespace {

// Clearing read-only and hidden lets DeleteFileA remove files the user or the package protected.
const DWORD kClearedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

// Closes the log at scope end so that every early return leaves no handle open.
class CLogFile {
public:
    explicit CLogFile(const char* pszPath) : m_pFile(pszPath ? std::fopen(pszPath, "rt") : NULL) {}
    ~CLogFile() { if (m_pFile) std::fclose(m_pFile); }
    FILE* Get() const { return m_pFile; }
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;
private:
    FILE* m_pFile;
};

void DeleteLoggedShortcut(const char* pszPath)
{
    // Only shortcut files: a tampered log must not turn this into a general file deleter.
    const std::string path(pszPath);
    if (!FitsPath(path) || !HasShortcutExtension(path))
        return;
    DeleteFileOffLinks(path);  // attributes untouched; failure ignored
}

// Removes the folder, then each parent, until a removal fails: only emptied folders go. The walk
// ends at a link too, so that nothing is removed in the folder that a link points at.
void RemoveFolderAndEmptyParents(const char* pszFolder)
{
    std::string folder(pszFolder);
    while (!folder.empty() && FitsPath(folder)) {
        if (!RemoveFolderOffLinks(folder))
            return;
        folder = GetParentFolder(folder.c_str());
    }
}

// attributes: what the search or an earlier read found, so that the file is not asked again.
// They are written only when a protection bit is set, since a write costs as much as the delete.
bool DeleteKnownFile(const std::string& path, DWORD attributes)
{
    if (attributes & kClearedAttributes) {
        const DWORD cleared = attributes & ~kClearedAttributes;
        ::SetFileAttributesA(path.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    return ::DeleteFileA(path.c_str()) != FALSE;
}

int DeleteNamedFile(const std::string& folder, const char* pszName)
{
    const std::string path = JoinFolderName(folder, pszName);
    if (!FitsPath(path))
        return 0;
    // Most files carry no protection: the deletion is tried before anything is read. It never
    // takes a folder, which is passed over untouched.
    if (::DeleteFileA(path.c_str()))
        return 1;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & kClearedAttributes))
        return 0;
    return DeleteKnownFile(path, attributes) ? 1 : 0;
}

int DeleteFilesInCheckedFolder(const std::string& folder, const char* pszPattern)
{
    if (IsLiteralName(pszPattern))
        return DeleteNamedFile(folder, pszPattern);
    int count = 0;
    CFoundEntries::ForEach(JoinFolderName(folder, pszPattern), [&folder, &count](const std::string& name,
                                                                                 const WIN32_FIND_DATAW& data) {
        // Folders, "." and ".." among them, are never changed, deleted or entered.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.empty())
            return true;
        const std::string path = JoinFolderName(folder, name);
        if (FitsPath(path) && DeleteKnownFile(path, data.dwFileAttributes))
            ++count;
        return true;
    });
    return count;
}

// folder: already known to be reached through no link.
void UndoFileLine(const char* pszLine, const char* pszPrefix, const std::string& folder)
{
    const std::string name = ExtractUndoFileName(pszLine, pszPrefix);
    if (IsSafeFileOperand(name))
        DeleteFilesInCheckedFolder(folder, name.c_str());
}

// A folder given without a separator is joined as the deletions join it, so that "" means the
// root of the current drive here as it does there.
bool FolderCrossesLink(const std::string& folder)
{
    return CrossesLink(JoinFolderName(folder, ""));
}

}  // namespace

void AppendLogLine(const char* pszLogPath, const char* pszText)
{
    if (!pszLogPath || !pszText)
        return;
    // Text mode writes CR LF; the file is closed again so that no handle outlives the line.
    FILE* pFile = std::fopen(pszLogPath, "at");
    if (!pFile)
        return;
    std::fputs(pszText, pFile);
    std::fputs("\n", pFile);
    std::fclose(pFile);
}

void UndoLinksAndFolders(const char* pszLogPath)
{
    CLogFile log(pszLogPath);
    if (!log.Get())
        return;
    char line[kLogLineBytes];
    // Every shortcut goes before any folder, so that a group emptied by this pass is removed by the next.
    const size_t linkPrefixLength = std::strlen(kPrefixShellLink);
    while (ReadLogLine(log.Get(), line))
        if (LineHasPrefix(line, kPrefixShellLink))
            DeleteLoggedShortcut(line + linkPrefixLength);
    std::rewind(log.Get());
    const size_t dirPrefixLength = std::strlen(kPrefixMadeDir);
    while (ReadLogLine(log.Get(), line))
        if (LineHasPrefix(line, kPrefixMadeDir))
            RemoveFolderAndEmptyParents(line + dirPrefixLength);
}

void UndoFileEntries(const char* pszLogPath, const char* pszFolder, const char* pszOnlyPrefix)
{
    if (!pszFolder)
        return;
    const char* const allPrefixes[] = {kPrefixFileCopy, kPrefixFileOverwrite, kPrefixFileDel};
    const char* const onlyPrefix[] = {pszOnlyPrefix};
    const char* const* prefixes = pszOnlyPrefix ? onlyPrefix : allPrefixes;
    const size_t prefixCount = pszOnlyPrefix ? 1 : sizeof allPrefixes / sizeof allPrefixes[0];
    CLogFile log(pszLogPath);
    // The folder is examined once for the whole log: every entry deletes in it.
    const std::string folder(pszFolder);
    if (!log.Get() || FolderCrossesLink(folder))
        return;
    char line[kLogLineBytes];
    while (ReadLogLine(log.Get(), line))
        for (size_t i = 0; i < prefixCount; ++i)
            if (LineHasPrefix(line, prefixes[i]))
                UndoFileLine(line, prefixes[i], folder);
}

int DeleteMatchingFiles(const char* pszFolder, const char* pszPattern)
{
    if (!pszFolder || !pszPattern)
        return 0;
    const std::string folder(pszFolder);
    // Through a link the files of whatever folder it points at would go, with our rights.
    if (FolderCrossesLink(folder))
        return 0;
    return DeleteFilesInCheckedFolder(folder, pszPattern);
}
