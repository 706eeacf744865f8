// text/PathText.cpp - path text rules shared by installer and uninstaller.
#include "text/PathText.h"
#include <cstring>

std::string GetParentFolder(const char* pszPath)
{
    if (!pszPath)
        return std::string();
    std::string path(pszPath);
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    const size_t pos = path.rfind('\\');
    if (pos == std::string::npos || pos == 0)
        return std::string();
    return path.substr(0, pos);
}

bool EndsWithSeparator(const std::string& folder)
{
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
}

std::string JoinFolderName(const std::string& folder, const std::string& name)
{
    std::string joined(folder);
    if (!EndsWithSeparator(joined))
        joined += '\\';
    joined += name;
    return joined;
}

std::string AppendName(const std::string& folder, const std::string& name)
{
    return folder + '\\' + name;
}

bool IsLiteralName(const char* pszName)
{
    if (!pszName || !*pszName || std::strpbrk(pszName, "*?<>\"\\/:") != NULL)
        return false;
    const char last = pszName[std::strlen(pszName) - 1];
    return last != '.' && last != ' ';
}

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Where the parts below the root begin: after "X:\", after "\\server\share\" (which "\\?\X:\"
// also fits), after a lone leading separator, else at 0.
size_t SkipRoot(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':')
        return (path.size() > 2 && IsSeparator(path[2])) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t pos = 2;
        for (int part = 0; part < 2 && pos < path.size(); ++part) {
            while (pos < path.size() && !IsSeparator(path[pos]))
                ++pos;
            if (pos < path.size())
                ++pos;
        }
        return pos;
    }
    return (!path.empty() && IsSeparator(path[0])) ? 1 : 0;
}

}  // namespace

std::vector<std::string> ListFoldersOnPath(const std::string& fullPath)
{
    std::vector<std::string> folders;
    size_t pos = SkipRoot(fullPath);
    while (pos < fullPath.size()) {
        size_t end = pos;
        while (end < fullPath.size() && !IsSeparator(fullPath[end]))
            ++end;
        if (end > pos)
            folders.push_back(fullPath.substr(0, end));
        pos = end + 1;
    }
    return folders;
}
