// platform/HeldFiles.cpp - waiting out another program's passing hold on a file or folder.
#include "platform/HeldFiles.h"
#include <cstring>
#include <string>
#include "framework/Handles.h"
#include "platform/RebootDelete.h"
#include "text/PathText.h"

void (WINAPI* g_pfnHeldWaitSleep)(DWORD) = ::Sleep;
DWORD g_heldWaitSpentMs = 0;

namespace {

// Paths that stayed held through a whole wait, lower-cased full paths, each between line breaks;
// few, so a text will do.
std::string g_heldPaths;
// The file that this process holds open itself, in the same form, or empty.
std::string g_heldHere;

// The absolute form without a trailing separator, lower-cased: "C:", "C:\" and "." may all name
// the folder that a wait has already been spent on.
std::string FoldPath(const char* pszPath)
{
    char buffer[kMaxPathChars];
    char* pszName = NULL;
    const DWORD length = pszPath ? ::GetFullPathNameA(pszPath, kMaxPathChars, buffer, &pszName) : 0;
    std::string folded = (length == 0 || length >= kMaxPathChars) ? std::string(pszPath ? pszPath : "")
                                                                    : std::string(buffer, length);
    while (folded.size() > 1 && EndsWithSeparator(folded))
        folded.erase(folded.size() - 1);
    if (!folded.empty())
        ::CharLowerBuffA(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

// Our own current folder (the second stage makes it the drive's root) is held by this process
// itself, and a drive's root is never removed: no wait mends either.
bool IsOwnFolderOrRoot(const char* pszFolder)
{
    const std::string folder = FoldPath(pszFolder);
    if (folder.size() <= 2 || GetParentFolder(folder.c_str()).empty())
        return true;
    char current[kMaxPathChars];
    const DWORD length = ::GetCurrentDirectoryA(kMaxPathChars, current);
    return length != 0 && length < kMaxPathChars && FoldPath(current) == folder;
}

bool WasHeldBefore(const char* pszPath)
{
    const std::string folded = FoldPath(pszPath);
    return folded == g_heldHere || g_heldPaths.find("\n" + folded + "\n") != std::string::npos;
}

// A file whose deletion waits for another program's last handle keeps its name until then, but
// refuses to be opened or even asked for its attributes.
bool IsGoing(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_ACCESS_DENIED;
}

// A folder that is not empty only because its last files are going: anything else in it (a
// user's file, a file we could not delete) stays, and waiting would not change that.
bool HoldsOnlyGoingEntries(const char* pszFolder)
{
    const std::string folder = JoinFolderName(pszFolder, "");
    bool onlyGoing = true;
    // A folder that cannot be listed shows nothing going.
    const bool listed = CFindFile::ForEach(folder + "*", [&folder, &onlyGoing](const WIN32_FIND_DATAA& data) {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
            return true;
        onlyGoing = IsGoing(folder + data.cFileName);
        return onlyGoing;
    });
    return listed && onlyGoing;
}

// A deletion that waited may find the item gone: whoever held it let go after deleting it too,
// or its pending deletion completed. Gone is what was asked for.
bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

template <typename Remove>
bool RemoveWaiting(const char* pszPath, Remove remove)
{
    bool first = true;
    return RetryWhileHeld(pszPath, [pszPath, remove, &first] {
        if (remove(pszPath))
            return true;
        const bool gone = !first && IsGone(::GetLastError());
        first = false;
        return gone;
    });
}

}  // namespace

bool IsPassingHold(DWORD error, const char* pszPath)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:  // open in another program without the sharing we need
    case ERROR_LOCK_VIOLATION:     // part of it locked by another program
        return true;
    case ERROR_ACCESS_DENIED: {
        // Also what a file being deleted and a running program's image answer. A missing file
        // was refused by its folder, a read-only one refuses for good, and a folder asked to be
        // deleted as a file always refuses: none of them clears.
        if (!pszPath)
            return false;
        const DWORD attributes = ::GetFileAttributesA(pszPath);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return ::GetLastError() == ERROR_ACCESS_DENIED;
        return !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    }
    case ERROR_DIR_NOT_EMPTY:
        return pszPath && HoldsOnlyGoingEntries(pszPath);
    default:
        return false;  // not found, invalid name, no room: no wait mends them
    }
}

CHeldWait::CHeldWait(const char* pszPath) : m_pszPath(pszPath), m_waitedMs(0), m_bHeldBefore(false)
{
}

bool CHeldWait::Wait()
{
    // Asked at the first failure only: a step that succeeds at once costs nothing more.
    if (m_waitedMs == 0)
        m_bHeldBefore = WasHeldBefore(m_pszPath);
    if (m_bHeldBefore || g_heldWaitSpentMs >= kHeldRunBudgetMs)
        return false;
    if (m_waitedMs >= kHeldRetryMs) {
        g_heldPaths += (g_heldPaths.empty() ? "\n" : "") + FoldPath(m_pszPath) + "\n";
        m_bHeldBefore = true;
        return false;
    }
    g_pfnHeldWaitSleep(kHeldRetryPeriodMs);
    m_waitedMs += kHeldRetryPeriodMs;
    g_heldWaitSpentMs += kHeldRetryPeriodMs;
    return true;
}

CHeldHere::CHeldHere(const char* pszPath) : m_previous(g_heldHere)
{
    g_heldHere = FoldPath(pszPath);
}

CHeldHere::~CHeldHere()
{
    g_heldHere = m_previous;
}

void ForgetHeldPaths()
{
    g_heldPaths.clear();
}

bool DeleteFileWaiting(const char* pszPath, ELeftover leftover)
{
    if (RemoveWaiting(pszPath, ::DeleteFileA))
        return true;
    const DWORD attributes = ::GetFileAttributesA(pszPath);
    if (leftover == ELeftover::kGoesAtRestart && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileAtReboot(pszPath);
    return false;
}

bool RemoveFolderWaiting(const char* pszFolder, ELeftover leftover)
{
    const bool removed = (pszFolder && IsOwnFolderOrRoot(pszFolder)) ? ::RemoveDirectoryA(pszFolder) != FALSE
                                                                     : RemoveWaiting(pszFolder, ::RemoveDirectoryA);
    if (!removed && leftover == ELeftover::kGoesAtRestart)
        RemoveFolderAtReboot(pszFolder);  // only an existing folder that is no drive root
    return removed;
}
