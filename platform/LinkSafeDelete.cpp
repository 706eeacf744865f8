// platform/LinkSafeDelete.cpp - keeping deletions off links.
#include "platform/LinkSafeDelete.h"
#include <windows.h>
#include "platform/RebootDelete.h"
#include "text/PathText.h"

namespace {

// The absolute form, "/" as "\", "." and ".." resolved as the platform will resolve them when
// the path is used, so that the folders examined are the ones the deletion passes through.
bool GetFullForm(const std::string& path, std::string* pFull)
{
    char buffer[kMaxPathChars];
    char* pszName = NULL;
    const DWORD length = ::GetFullPathNameA(path.c_str(), kMaxPathChars, buffer, &pszName);
    if (length == 0 || length >= kMaxPathChars)
        return false;
    pFull->assign(buffer, length);
    return true;
}

// A trailing separator hides the reparse attribute under Wine; the folders listed have none.
bool IsLink(const std::string& folder)
{
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool CrossesLinkWithin(const std::string& path, bool countLastPart)
{
    std::string full;
    if (path.empty() || !GetFullForm(path, &full))
        return true;
    std::vector<std::string> folders = ListFoldersOnPath(full);
    if (!countLastPart && !folders.empty())
        folders.pop_back();
    for (const std::string& folder : folders)
        if (IsLink(folder))
            return true;
    return false;
}

}  // namespace

bool CrossesLink(const std::string& path)
{
    return CrossesLinkWithin(path, true);
}

bool CrossesLinkAbove(const std::string& path)
{
    return CrossesLinkWithin(path, false);
}

bool DeleteFileOffLinks(const std::string& path, ELeftover leftover)
{
    if (CrossesLinkAbove(path))
        return false;
    if (DeleteFileWaiting(path.c_str()))
        return true;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (leftover == ELeftover::kGoesAtRestart && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileAtReboot(path.c_str());
    return false;
}

bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover)
{
    if (CrossesLink(folder))
        return false;
    if (RemoveFolderWaiting(folder.c_str()))
        return true;
    if (leftover == ELeftover::kGoesAtRestart)
        RemoveFolderAtReboot(folder.c_str());  // only an existing folder that is no drive root
    return false;
}
