// platform/LinkSafeDelete.cpp - deletions that keep off links.
#include "platform/LinkSafeDelete.h"
#include "text/PathText.h"

namespace {

// The folder that a file of the path lies in: the text before its last part.
std::string FolderAbove(const std::string& path)
{
    std::string full;
    if (!GetFullForm(path, &full))
        return std::string();
    while (full.size() > 3 && EndsWithSeparator(full))
        full.erase(full.size() - 1);
    const size_t separator = FindLastPathChar(full, "\\/");
    return separator == std::string::npos ? std::string() : full.substr(0, separator + 1);
}

}  // namespace

bool DeleteFileOffLinks(const std::string& path, ELeftover leftover)
{
    CConfirmedFolder confirmed;
    return ConfirmFolder(FolderAbove(path), &confirmed) && DeleteConfirmedWaiting(path, confirmed, leftover);
}

bool RemoveFolderOffLinks(const std::string& folder, ELeftover leftover)
{
    CConfirmedFolder confirmed;
    return !IsLinkItself(folder) && ConfirmFolder(FolderAbove(folder), &confirmed) &&
           RemoveConfirmedWaiting(folder, confirmed, leftover);
}
