// platform/Registry.cpp - registry strings, earlier-installation discovery, program-files folder, file versions.
#include "platform/Registry.h"
#include <shlobj.h>
#include <cstring>
#include <vector>
#include "framework/Handles.h"
#include "framework/UiText.h"
#include "platform/AnsiPath.h"
#include "platform/DesktopShell.h"
#include "platform/SystemLibrary.h"
#include "text/PathText.h"
#include "text/ProductNames.h"

UINT (WINAPI* g_pfnGetWindowsDirectoryA)(LPSTR, UINT) = ::GetWindowsDirectoryA;
HRESULT (WINAPI* g_pfnSHGetFolderPathW)(HWND, int, HANDLE, DWORD, LPWSTR) = ::SHGetFolderPathW;

namespace {

// A value read is at most 259 characters and its terminator; a larger one reads as empty.
constexpr DWORD kValueBytes = 260;
constexpr UINT kWindowsFolderBytes = 260;

const char kProgramFilesFolderName[] = "Program Files";
const char kFallbackProgramFiles[] = "C:\\Program Files";

// Only a backslash that is a character of its own: on a double-byte code page the byte may end one.
void DropTrailingBackslash(std::string& folder)
{
    const size_t last = LastCharStart(folder);
    if (last != std::string::npos && folder[last] == '\\')
        folder.erase(last);
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

// The value of an open key as ReadRegistryString reads it.
std::string ReadValueAsText(HKEY hKey, const char* pszValue)
{
    BYTE buffer[kValueBytes];
    DWORD cbData = kValueBytes;
    DWORD type = REG_NONE;
    if (::RegQueryValueExA(hKey, pszValue, NULL, &type, buffer, &cbData) != ERROR_SUCCESS)
        return std::string();
    // Values of other types, or strings stored without a terminator, end at the data's end.
    if (cbData > kValueBytes)
        cbData = kValueBytes;
    const char* pszText = reinterpret_cast<const char*>(buffer);
    const void* pZero = std::memchr(pszText, '\0', cbData);
    const size_t length = pZero ? static_cast<size_t>(static_cast<const char*>(pZero) - pszText) : cbData;
    return std::string(pszText, length);
}

// Where the system keeps the common folders, for when the registry lacks the value.
int CommonFolderId(ShellFolder folder)
{
    switch (folder) {
    case ShellFolder::Programs:
        return CSIDL_COMMON_PROGRAMS;
    case ShellFolder::Desktop:
        return CSIDL_COMMON_DESKTOPDIRECTORY;
    case ShellFolder::Startup:
    default:
        return CSIDL_COMMON_STARTUP;
    }
}

std::string FindCommonFolder(ShellFolder folder)
{
    WCHAR path[MAX_PATH];
    if (FAILED(g_pfnSHGetFolderPathW(NULL, CommonFolderId(folder), NULL, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    const std::string spelled = AnsiPathFromWide(path);
    return FitsPath(spelled) ? spelled : std::string();
}

}  // namespace

std::string ReadRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue)
{
    CRegKey key;
    if (key.Open(hRoot, pszKey, KEY_READ) != ERROR_SUCCESS)
        return std::string();
    return ReadValueAsText(key, pszValue);
}

std::string ReadPathValue(HKEY hKey, const char* pszValue, bool* pUnspellable)
{
    WCHAR buffer[kValueBytes + 1];
    DWORD cbData = kValueBytes * sizeof(WCHAR);
    DWORD type = REG_NONE;
    const std::wstring name = WideFromAnsi(pszValue ? pszValue : "");
    if (::RegQueryValueExW(hKey, name.c_str(), NULL, &type, reinterpret_cast<BYTE*>(buffer), &cbData) != ERROR_SUCCESS)
        return std::string();
    // A path stored in another type has no UTF-16 form to keep: it is read as it always was.
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ReadValueAsText(hKey, pszValue);
    buffer[cbData / sizeof(WCHAR)] = L'\0';
    const std::string path = AnsiPathFromWide(buffer);
    if (pUnspellable && path.empty() && buffer[0] != L'\0')
        *pUnspellable = true;
    return FitsPath(path) ? path : std::string();
}

std::string ReadRegistryPath(HKEY hRoot, const char* pszKey, const char* pszValue, bool* pUnspellable)
{
    CRegKey key;
    if (key.Open(hRoot, pszKey, KEY_READ) != ERROR_SUCCESS)
        return std::string();
    return ReadPathValue(key, pszValue, pUnspellable);
}

bool WriteRegistryString(HKEY hRoot, const char* pszKey, const char* pszValue, const char* pszText)
{
    // The registry keeps strings in UTF-16: converted here, the text is stored as the 8-bit call
    // would store it.
    return pszText && WriteRegistryText(hRoot, pszKey, pszValue, WideFromAnsi(pszText));
}

bool WriteRegistryText(HKEY hRoot, const char* pszKey, const char* pszValue, const std::wstring& text)
{
    CRegKey key;
    if (key.Create(hRoot, pszKey) != ERROR_SUCCESS)
        return false;
    const std::wstring name = WideFromAnsi(pszValue ? pszValue : "");
    const DWORD cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), cbData)
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
    if (allUsers) {
        const std::string path = ReadRegistryPath(HKEY_LOCAL_MACHINE, kShellFoldersKey, pszValue);
        // The i686 build on 64-bit Windows reads the 32-bit view, where the common values are
        // only a copy that may be missing; the shell still knows the folders.
        return path.empty() ? FindCommonFolder(folder) : path;
    }
    // "Only for me" is for the person at the desktop, whom setup may not run as.
    const std::string hive = FindDesktopUserHive();
    if (hive.empty())
        return ReadRegistryPath(HKEY_CURRENT_USER, kShellFoldersKey, pszValue);
    return ReadRegistryPath(HKEY_USERS, (hive + "\\" + kShellFoldersKey).c_str(), pszValue);
}

std::string FindPreviousInstallFolder(bool* pUnspellable)
{
    bool unspellable = false;
    std::string folder = ReadRegistryPath(HKEY_LOCAL_MACHINE, kOlderProductKey, kInstallFolderValue, &unspellable);
    if (folder.empty() && !unspellable) {
        const std::string program = ReadRegistryPath(HKEY_LOCAL_MACHINE, kAppPathsKey, "", &unspellable);
        const size_t pos = program.find(AppendName("", kCaptureAppFile));
        if (pos != std::string::npos)
            folder = program.substr(0, pos);
    }
    if (pUnspellable)
        *pUnspellable = unspellable;
    DropTrailingBackslash(folder);
    return folder;
}

std::string GetProgramFilesFolder()
{
    std::string folder = ReadRegistryPath(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kProgramFilesValue);
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
