// text/PathText.cpp - path text rules shared by installer and uninstaller.
#include "text/PathText.h"
#include <cstring>

namespace {

LeadBytePredicate s_pfnIsLeadByte = nullptr;

// A lead byte at the very end has no second byte and stands alone.
size_t CharBytesAt(const std::string& text, size_t pos)
{
    return (s_pfnIsLeadByte && pos + 1 < text.size() && s_pfnIsLeadByte(static_cast<unsigned char>(text[pos]))) ? 2 : 1;
}

bool IsOneOf(char c, const char* pszChars)
{
    return c != '\0' && std::strchr(pszChars, c) != nullptr;
}

}  // namespace

void SetPathLeadBytes(LeadBytePredicate pfnIsLeadByte)
{
    s_pfnIsLeadByte = pfnIsLeadByte;
}

size_t FindPathChar(const std::string& text, const char* pszChars, size_t from)
{
    for (size_t pos = from; pos < text.size(); pos += CharBytesAt(text, pos))
        if (IsOneOf(text[pos], pszChars))
            return pos;
    return std::string::npos;
}

size_t FindLastPathChar(const std::string& text, const char* pszChars)
{
    size_t last = std::string::npos;
    for (size_t pos = 0; pos < text.size(); pos += CharBytesAt(text, pos))
        if (IsOneOf(text[pos], pszChars))
            last = pos;
    return last;
}

size_t LastCharStart(const std::string& text)
{
    size_t last = std::string::npos;
    for (size_t pos = 0; pos < text.size(); pos += CharBytesAt(text, pos))
        last = pos;
    return last;
}

std::string GetParentFolder(const char* pszPath)
{
    if (!pszPath)
        return std::string();
    std::string path(pszPath);
    if (!path.empty() && LastCharStart(path) == path.size() - 1 && path.back() == '\\')
        path.pop_back();
    const size_t pos = FindLastPathChar(path, "\\");
    if (pos == std::string::npos || pos == 0)
        return std::string();
    return path.substr(0, pos);
}

bool EndsWithSeparator(const std::string& folder)
{
    const size_t last = LastCharStart(folder);
    return last != std::string::npos && IsOneOf(folder[last], "\\/");
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
    if (!pszName || !*pszName)
        return false;
    const std::string name(pszName);
    if (FindPathChar(name, "*?<>\"\\/:") != std::string::npos)
        return false;
    const char last = name[LastCharStart(name)];
    return last != '.' && last != ' ';
}

std::string LowerAscii(std::string text)
{
    for (size_t pos = 0; pos < text.size(); pos += CharBytesAt(text, pos))
        if (text[pos] >= 'A' && text[pos] <= 'Z')
            text[pos] = static_cast<char>(text[pos] - 'A' + 'a');
    return text;
}

namespace {

const char kSeparators[] = "\\/";

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The end of the path part that begins at pos: its next separator, or the text's end.
size_t EndOfPart(const std::string& path, size_t pos)
{
    const size_t end = FindPathChar(path, kSeparators, pos);
    return end == std::string::npos ? path.size() : end;
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
            pos = EndOfPart(path, pos);
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
        const size_t end = EndOfPart(fullPath, pos);
        if (end > pos)
            folders.push_back(fullPath.substr(0, end));
        pos = end + 1;
    }
    return folders;
}
