// platform/Registry.cpp - registry strings, earlier-installation discovery, program-files folder, file versions.
#include "platform/Registry.h"
#include <cstring>
#include <vector>
#include "framework/Handles.h"
#include "platform/DesktopShell.h"
#include "platform/SystemLibrary.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

UINT (WINAPI* g_pfnGetWindowsDirectoryA)(LPSTR, UINT) = ::GetWindowsDirectoryA;

namespace {

// A value read is at most 259 characters and its terminator; a larger one reads as empty.
constexpr DWORD kValueBytes = 260;
constexpr UINT kWindowsFolderBytes = 260;

const char kProgramFilesFolderName[] = "Program Files";
const char kFallbackProgramFiles[] = "C:\\Program Files";

void DropTrailingBackslash(std::string& folder)
{
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
}

// The drive's root of the Windows folder, or the empty text when the platform cannot tell.
std::string GetWindowsDriveRoot()
{
    char buffer[kWindowsFolderBytes];
    const UINT length = g_pfnGetWindowsDirectoryA(buffer, kWindowsFolderBytes);
    // 0 is a failure; a length of the buffer or more asks for a larger buffer, never filled.
    if (length == 0 || length >= kWindowsFolderBytes)
        return std::string();
    std::string folder(buffer, length);
    const size_t backslash = folder.find('\\');
    if (backslash != std::string::npos)
        folder.erase(backslash + 1);
    return folder;
}

typedef DWORD (WINAPI* GetFileVersionInfoSizeAProc)(LPCSTR, LPDWORD);
typedef BOOL (WINAPI* GetFileVersionInfoAProc)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL (WINAPI* VerQueryValueAProc)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// The version library is not one that Windows always takes from the system folder, so it is
// loaded from there at each use instead of being imported. A missing library reads as no version.
bool ReadFixedFileInfo(const char* pszPath, VS_FIXEDFILEINFO* pInfo)
{
    CLibrary version(LoadSystemLibrary(L"version.dll"));
    GetFileVersionInfoSizeAProc pfnSize = version.Export<GetFileVersionInfoSizeAProc>("GetFileVersionInfoSizeA");
    GetFileVersionInfoAProc pfnRead = version.Export<GetFileVersionInfoAProc>("GetFileVersionInfoA");
    VerQueryValueAProc pfnQuery = version.Export<VerQueryValueAProc>("VerQueryValueA");
    if (!pfnSize || !pfnRead || !pfnQuery)
        return false;
    DWORD handle = 0;
    const DWORD size = pfnSize(pszPath, &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!pfnRead(pszPath, 0, size, block.data()))
        return false;
    void* pValue = NULL;
    UINT cbValue = 0;
    if (!pfnQuery(block.data(), "\\", &pValue, &cbValue) || !pValue || cbValue < sizeof(VS_FIXEDFILEINFO))
        return false;
    std::memcpy(pInfo, pValue, sizeof(VS_FIXEDFILEINFO));
    return true;
}

}  // namespace

std::string ReadRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue)
{
    CRegKey key;
    if (key.Open(hRoot, pszKey, KEY_READ) != ERROR_SUCCESS)
        return std::string();
    BYTE buffer[kValueBytes];
    DWORD cbData = kValueBytes;
    DWORD type = REG_NONE;
    if (::RegQueryValueExA(key, pszValue, NULL, &type, buffer, &cbData) != ERROR_SUCCESS)
        return std::string();
    // Values of other types, or strings stored without a terminator, end at the data's end.
    if (cbData > kValueBytes)
        cbData = kValueBytes;
    const char* pszText = reinterpret_cast<const char*>(buffer);
    const void* pZero = std::memchr(pszText, '\0', cbData);
    const size_t length = pZero ? static_cast<size_t>(static_cast<const char*>(pZero) - pszText) : cbData;
    return std::string(pszText, length);
}

bool WriteRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue, const char* pszText)
{
    if (!pszText)
        return false;
    CRegKey key;
    if (key.Create(hRoot, pszKey) != ERROR_SUCCESS)
        return false;
    const DWORD cbData = static_cast<DWORD>(std::strlen(pszText) + 1);
    return ::RegSetValueExA(key, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszText), cbData)
           == ERROR_SUCCESS;
}

bool WriteRegistryDword(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD value)
{
    CRegKey key;
    if (key.Create(hRoot, pszKey) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExA(key, pszValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value)
           == ERROR_SUCCESS;
}

const char* ShellFolderValueName(ShellFolder folder, bool allUsers)
{
    switch (folder) {
    case ShellFolder::Programs:
        return allUsers ? "Common Programs" : "Programs";
    case ShellFolder::Desktop:
        return allUsers ? "Common Desktop" : "Desktop";
    case ShellFolder::Startup:
    default:
        return allUsers ? "Common Startup" : "Startup";
    }
}

std::string ReadShellFolder(ShellFolder folder, bool allUsers)
{
    const char* pszValue = ShellFolderValueName(folder, allUsers);
    if (allUsers)
        return ReadRegistryString(HKEY_LOCAL_MACHINE, kShellFoldersKey, pszValue);
    // "Only for me" is for the person at the desktop, whom setup may not run as.
    const std::string hive = FindDesktopUserHive();
    if (hive.empty())
        return ReadRegistryString(HKEY_CURRENT_USER, kShellFoldersKey, pszValue);
    return ReadRegistryString(HKEY_USERS, (hive + "\\" + kShellFoldersKey).c_str(), pszValue);
}

std::string FindPreviousInstallFolder()
{
    std::string folder = ReadRegistryString(HKEY_LOCAL_MACHINE, kOlderProductKey, kInstallFolderValue);
    if (folder.empty()) {
        const std::string program = ReadRegistryString(HKEY_LOCAL_MACHINE, kAppPathsKey, "");
        const size_t pos = program.find(AppendName("", kCaptureAppFile));
        if (pos != std::string::npos)
            folder = program.substr(0, pos);
    }
    DropTrailingBackslash(folder);
    return folder;
}

std::string GetProgramFilesFolder()
{
    std::string folder = ReadRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kProgramFilesValue);
    if (folder.empty()) {
        const std::string root = GetWindowsDriveRoot();
        // Without even a Windows folder the usual place is still the best guess; an empty or
        // relative folder would send the installation into the current directory.
        folder = root.empty() ? std::string(kFallbackProgramFiles) : root + kProgramFilesFolderName;
    }
    DropTrailingBackslash(folder);
    return folder;
}

FileVersion GetFileVersion(const char* pszPath)
{
    FileVersion version;
    VS_FIXEDFILEINFO info;
    if (!pszPath || !ReadFixedFileInfo(pszPath, &info))
        return version;
    version.major = HIWORD(info.dwFileVersionMS);
    version.minor = LOWORD(info.dwFileVersionMS);
    version.third = HIWORD(info.dwFileVersionLS);
    version.fourth = LOWORD(info.dwFileVersionLS);
    return version;
}
