// platform/InstallLog.cpp - writing the InstallLog and undoing what it records.
#include "platform/InstallLog.h"
#include <windows.h>
#include <cstring>
#include <string>
#include "framework/Handles.h"
#include "platform/AnsiPath.h"
#include "platform/HeldFiles.h"
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

void DeleteLoggedShortcut(const char* pszPath, ELeftover leftover)
{
    // Only shortcut files: a tampered log must not turn this into a general file deleter.
    const std::string path(pszPath);
    if (!FitsPath(path) || !HasShortcutExtension(path))
        return;
    DeleteFileOffLinks(path, leftover);  // attributes untouched; failure ignored
}

// Removes the folder, then each parent, until a removal fails: only emptied folders go. The walk
// ends at a link too, so that nothing is removed in the folder that a link points at. Only the
// logged folder is ours to leave to the next system start; its parents were there before us.
void RemoveFolderAndEmptyParents(const char* pszFolder, ELeftover leftover)
{
    std::string folder(pszFolder);
    while (!folder.empty() && FitsPath(folder)) {
        if (!RemoveFolderOffLinks(folder, leftover))
            return;
        leftover = ELeftover::kStays;
        folder = GetParentFolder(folder.c_str());
    }
}

// A folder that ConfirmFolder passed, held open while its files are deleted.
struct SCheckedFolder {
    std::string path;
    CConfirmedFolder confirmed;
};

// attributes: what the search or an earlier read found, so that the file is not asked again.
// They are written only when a protection bit is set, since a write costs as much as the delete.
bool DeleteKnownFile(const SCheckedFolder& folder, const std::string& path, DWORD attributes, ELeftover leftover)
{
    if (attributes & kClearedAttributes) {
        const DWORD cleared = attributes & ~kClearedAttributes;
        ::SetFileAttributesA(path.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    return DeleteConfirmedWaiting(path, folder.confirmed, leftover);
}

// pszKept: a file of the folder that stays for a later step (NULL: none).
bool IsKept(const std::string& path, const char* pszKept)
{
    return pszKept && ::lstrcmpiA(path.c_str(), pszKept) == 0;
}

int DeleteNamedFile(const SCheckedFolder& folder, const char* pszName, ELeftover leftover, const char* pszKept)
{
    const std::string path = JoinFolderName(folder.path, pszName);
    if (!FitsPath(path) || IsKept(path, pszKept))
        return 0;
    // Most files carry no protection: the deletion is tried before anything is read. It never
    // takes a folder, which is passed over untouched.
    if (DeleteConfirmed(path, folder.confirmed, false))
        return 1;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return DeleteKnownFile(folder, path, attributes, leftover) ? 1 : 0;
}

int DeleteFilesInCheckedFolder(const SCheckedFolder& folder, const char* pszPattern, ELeftover leftover,
                                const char* pszKept = NULL)
{
    if (IsLiteralName(pszPattern))
        return DeleteNamedFile(folder, pszPattern, leftover, pszKept);
    int count = 0;
    const auto visit = [&folder, &count, leftover, pszKept](const std::string& name, const WIN32_FIND_DATAW& data) {
        // Folders, "." and ".." among them, are never changed, deleted or entered.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.empty())
            return true;
        const std::string path = JoinFolderName(folder.path, name);
        if (FitsPath(path) && !IsKept(path, pszKept) && DeleteKnownFile(folder, path, data.dwFileAttributes, leftover))
            ++count;
        return true;
    };
    CFoundEntries::ForEach(JoinFolderName(folder.path, pszPattern), visit);
    return count;
}

void UndoFileLine(const char* pszLine, const char* pszPrefix, const SCheckedFolder& folder, ELeftover leftover,
                  const char* pszKept)
{
    const std::string name = ExtractUndoFileName(pszLine, pszPrefix);
    if (IsSafeFileOperand(name))
        DeleteFilesInCheckedFolder(folder, name.c_str(), leftover, pszKept);
}

// False when the folder is reached through a link that is not trusted. A folder given without a
// separator is joined as the deletions join it, so that "" means the root of the current drive
// here as it does there.
bool CheckFolder(const std::string& folder, SCheckedFolder* pChecked)
{
    pChecked->path = folder;
    return ConfirmFolder(JoinFolderName(folder, ""), &pChecked->confirmed);
}

}  // namespace

void AppendLogLine(const char* pszLogPath, const char* pszText)
{
    if (!pszLogPath || !pszText)
        return;
    // Append access puts every write at the end; the file is closed again so that no handle
    // outlives the line. A reader that has the log open for a moment is waited for.
    CHandle log;
    const bool opened = RetryWhileHeld(pszLogPath, [pszLogPath, &log] {
        log.Attach(::CreateFileA(pszLogPath, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, NULL));
        return log.IsValid();
    });
    if (!opened)
        return;
    const std::string line = std::string(pszText) + "\r\n";  // the line end of a text-mode write
    DWORD written = 0;
    ::WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, NULL);
}

void UndoLinksAndFolders(const char* pszLogPath, ELeftover leftover)
{
    CLogFile log(pszLogPath);
    if (!log.Get())
        return;
    char line[kLogLineBytes];
    // Every shortcut goes before any folder, so that a group emptied by this pass is removed by the next.
    const size_t linkPrefixLength = std::strlen(kPrefixShellLink);
    while (ReadLogLine(log.Get(), line))
        if (LineHasPrefix(line, kPrefixShellLink))
            DeleteLoggedShortcut(line + linkPrefixLength, leftover);
    std::rewind(log.Get());
    const size_t dirPrefixLength = std::strlen(kPrefixMadeDir);
    while (ReadLogLine(log.Get(), line))
        if (LineHasPrefix(line, kPrefixMadeDir))
            RemoveFolderAndEmptyParents(line + dirPrefixLength, leftover);
}

void UndoFileEntries(const char* pszLogPath, const char* pszFolder, const char* pszOnlyPrefix, ELeftover leftover,
                     const char* pszKept)
{
    if (!pszFolder)
        return;
    const char* const allPrefixes[] = {kPrefixFileCopy, kPrefixFileOverwrite, kPrefixFileDel};
    const char* const onlyPrefix[] = {pszOnlyPrefix};
    const char* const* prefixes = pszOnlyPrefix ? onlyPrefix : allPrefixes;
    const size_t prefixCount = pszOnlyPrefix ? 1 : sizeof allPrefixes / sizeof allPrefixes[0];
    CLogFile log(pszLogPath);
    // The folder is examined once for the whole log: every entry deletes in it.
    SCheckedFolder folder;
    if (!log.Get() || !CheckFolder(pszFolder, &folder))
        return;
    // An entry that names the log itself finds it held by this reader: no wait would mend that.
    const CHeldHere reading(pszLogPath);
    char line[kLogLineBytes];
    while (ReadLogLine(log.Get(), line))
        for (size_t i = 0; i < prefixCount; ++i)
            if (LineHasPrefix(line, prefixes[i]))
                UndoFileLine(line, prefixes[i], folder, leftover, pszKept);
}

int DeleteMatchingFiles(const char* pszFolder, const char* pszPattern, ELeftover leftover)
{
    if (!pszFolder || !pszPattern)
        return 0;
    // Through a link the files of whatever folder it points at would go, with our rights.
    SCheckedFolder folder;
    if (!CheckFolder(pszFolder, &folder))
        return 0;
    return DeleteFilesInCheckedFolder(folder, pszPattern, leftover);
}
