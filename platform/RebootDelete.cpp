// platform/RebootDelete.cpp - deletion of a file, or removal of a folder, at the next system start.
#include "platform/RebootDelete.h"
#include <cstring>
#include <string>
#include <vector>
#include "text/PathText.h"

BOOL (WINAPI* g_pfnMoveFileExA)(LPCSTR, LPCSTR, DWORD) = ::MoveFileExA;

namespace {

// The size the 9x family's profile functions handle for one section.
const DWORD kRenameSectionBytes = 16384;
const char kRenameSection[] = "rename";
const char kRenameKeyPrefix[] = "NUL=";

std::string GetWininitPath()
{
    char buffer[kMaxPathChars];
    const UINT length = ::GetWindowsDirectoryA(buffer, kMaxPathChars);
    if (length == 0 || length >= kMaxPathChars)
        return std::string();
    const std::string path = JoinFolderName(std::string(buffer, length), "WININIT.INI");
    return FitsPath(path) ? path : std::string();
}

// The bytes of the lines before the closing NUL, found by walking them; the buffer size when
// there is no closing NUL in it.
size_t MeasureSection(const std::vector<char>& section)
{
    size_t position = 0;
    while (position < section.size() && section[position] != '\0') {
        const void* pEnd = std::memchr(section.data() + position, '\0', section.size() - position);
        if (!pEnd)
            return section.size();
        position = static_cast<const char*>(pEnd) - section.data() + 1;
    }
    return position;
}

// The 9x family's road: a "NUL=path" line in WININIT.INI's "rename" section. A section that
// does not fit the buffer with the new line is left as it is: writing back a cut read would
// drop the lines that did not fit.
void AppendRenameLine(const char* pszPath)
{
    const std::string iniPath = GetWininitPath();
    if (iniPath.empty())
        return;
    std::vector<char> section(kRenameSectionBytes, '\0');
    const DWORD read = ::GetPrivateProfileSectionA(kRenameSection, section.data(), kRenameSectionBytes,
                                                   iniPath.c_str());
    // A full buffer reads back as size - 2 whether the section fitted or was cut.
    if (read >= kRenameSectionBytes - 2)
        return;
    const size_t used = MeasureSection(section);
    const std::string line = std::string(kRenameKeyPrefix) + pszPath;
    // The new line, its NUL and the closing NUL.
    if (used + line.size() + 2 > kRenameSectionBytes)
        return;
    std::memcpy(section.data() + used, line.c_str(), line.size() + 1);
    section[used + line.size() + 1] = '\0';
    ::WritePrivateProfileSectionA(kRenameSection, section.data(), iniPath.c_str());
}

}  // namespace

void DeleteFileAtReboot(const char* pszPath)
{
    if (!pszPath || !*pszPath)
        return;
    // No version test: any refusal, the 9x family's missing service included, takes the INI road.
    if (g_pfnMoveFileExA(pszPath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return;
    AppendRenameLine(pszPath);
}

void RemoveFolderAtReboot(const char* pszFolder)
{
    std::string folder = pszFolder ? pszFolder : "";
    while (EndsWithSeparator(folder))
        folder.erase(folder.size() - 1);
    // A drive's root is never removed; without its backslash, "C:" would even name the drive's
    // current folder.
    if (GetParentFolder(folder.c_str()).empty())
        return;
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        g_pfnMoveFileExA(folder.c_str(), NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}
