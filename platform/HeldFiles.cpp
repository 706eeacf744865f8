// platform/HeldFiles.cpp - waiting out another program's passing hold on a file or folder.
#include "platform/HeldFiles.h"
#include <string>
#include "platform/RebootDelete.h"
#include "text/PathText.h"

void (WINAPI* g_pfnHeldWaitSleep)(DWORD) = ::Sleep;
DWORD g_heldWaitSpentMs = 0;

namespace {

// Paths that stayed held through a whole wait, in FoldPath's form, each between line breaks;
// few, so a text will do.
std::string g_heldPaths;
// The file that this process holds open itself, in the same form, or empty.
std::string g_heldHere;

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

// A deletion that waited may find the item gone: whoever held it let go after deleting it too,
// or its pending deletion completed. Gone is what was asked for.
bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool RemoveWaiting(const std::string& path, const CConfirmedFolder& folder, bool isFolder)
{
    bool first = true;
    return RetryWhileHeld(path.c_str(), [&path, &folder, isFolder, &first] {
        if (DeleteConfirmed(path, folder, isFolder))
            return true;
        const bool gone = !first && IsGone(::GetLastError());
        first = false;
        return gone;
    });
}

}  // namespace

CHeldWait::CHeldWait(const char* pszPath) : m_pszPath(pszPath), m_waitedMs(0), m_bHeldBefore(false)
{
    // Looks the status call up before the step runs, so that the look-up cannot touch what the
    // step's failure leaves.
    ReadLastNtStatus();
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

bool DeleteConfirmedWaiting(const std::string& path, const CConfirmedFolder& folder, ELeftover leftover)
{
    if (RemoveWaiting(path, folder, false))
        return true;
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (leftover == ELeftover::kGoesAtRestart && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileAtReboot(path.c_str());
    ::SetLastError(error);
    return false;
}

bool DeleteFileWaiting(const char* pszPath, ELeftover leftover)
{
    const CConfirmedFolder unheld;
    return DeleteConfirmedWaiting(pszPath ? pszPath : "", unheld, leftover);
}

bool RemoveConfirmedWaiting(const std::string& folder, const CConfirmedFolder& parent, ELeftover leftover)
{
    const bool removed = IsOwnFolderOrRoot(folder.c_str()) ? DeleteConfirmed(folder, parent, true)
                                                           : RemoveWaiting(folder, parent, true);
    if (!removed && leftover == ELeftover::kGoesAtRestart)
        RemoveFolderAtReboot(folder.c_str());  // only an existing folder that is no drive root
    return removed;
}

bool RemoveFolderWaiting(const char* pszFolder, ELeftover leftover)
{
    const CConfirmedFolder unheld;
    return RemoveConfirmedWaiting(pszFolder ? pszFolder : "", unheld, leftover);
}
