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
