// tests/support/TestSupport.cpp - helpers shared by the tests that run under Wine.
#include "support/TestSupport.h"
#include <sddl.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cstring>

namespace pixtest {

std::string WindowsPathFromUnix(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string OutDir() { return WindowsPathFromUnix(PIX_OUT_DIR_UNIX); }
std::string SourceDir() { return WindowsPathFromUnix(PIX_SOURCE_DIR_UNIX); }

namespace {

// Wine's own service naming the unix file behind a Windows path; absent elsewhere. The text is
// allocated on the process heap.
typedef char*(CDECL* PFN_WINE_GET_UNIX_FILE_NAME)(LPCWSTR);

PFN_WINE_GET_UNIX_FILE_NAME WineUnixNameService()
{
    return reinterpret_cast<PFN_WINE_GET_UNIX_FILE_NAME>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

std::string UnixName(PFN_WINE_GET_UNIX_FILE_NAME pfn, const std::string& path)
{
    wchar_t wide[MAX_PATH];
    if (!::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return std::string();
    char* pszUnix = pfn(wide);
    if (!pszUnix)
        return std::string();
    const std::string unix = pszUnix;
    ::HeapFree(::GetProcessHeap(), 0, pszUnix);
    return unix;
}

// Wine starts a unix program through its own path on the Z: drive.
std::string RunUnixTool(const std::string& tool, const std::string& args)
{
    std::string line = tool + " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(WindowsPathFromUnix(tool).c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return "cannot start " + tool + ": error " + std::to_string(::GetLastError());
    // Wine runs a unix program to its end inside CreateProcess and hands out no handles of its
    // own: what it leaves in pi are stale values, whose closing would close whatever handle of
    // this process now has that number (the console's output once, and the test's output with it).
    return std::string();
}

// Waits until the path is (or is no longer) reported as a link; the tool may still be at work.
bool WaitForLinkState(const std::string& path, bool present)
{
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    while (IsLink(path) != present) {
        if (::GetTickCount64() > deadline)
            return false;
        ::Sleep(20);
    }
    return true;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

}  // namespace

bool IsLink(const std::string& path)
{
    // A trailing separator hides the reparse attribute under Wine.
    std::string bare = path;
    while (bare.size() > 3 && (bare.back() == '\\' || bare.back() == '/'))
        bare.pop_back();
    const DWORD a = ::GetFileAttributesA(bare.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string MakeFolderLink(const std::string& link, const std::string& target)
{
    if (!FolderExists(target))
        return "the link target " + target + " is no folder";
    if (PFN_WINE_GET_UNIX_FILE_NAME pfn = WineUnixNameService()) {
        const std::string unixLink = UnixName(pfn, link), unixTarget = UnixName(pfn, target);
        if (unixLink.empty() || unixTarget.empty())
            return "no unix name for " + link + " or " + target;
        const std::string failure = RunUnixTool("/bin/ln", "-s " + Quoted(unixTarget) + " " + Quoted(unixLink));
        if (!failure.empty())
            return failure;
    } else if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2)) {
        return "CreateSymbolicLinkA failed: error " + std::to_string(::GetLastError());
    }
    if (!WaitForLinkState(link, true))
        return "waited 10 s for " + link + " to be reported as a reparse point; its attributes are " +
               std::to_string(::GetFileAttributesA(link.c_str()));
    return std::string();
}

std::string RemoveLink(const std::string& link)
{
    if (PFN_WINE_GET_UNIX_FILE_NAME pfn = WineUnixNameService()) {
        const std::string unixLink = UnixName(pfn, link);
        if (unixLink.empty())
            return "no unix name for " + link;
        const std::string failure = RunUnixTool("/bin/rm", "-f " + Quoted(unixLink));
        if (!failure.empty())
            return failure;
    } else if (!::RemoveDirectoryA(link.c_str()) && !::DeleteFileA(link.c_str())) {
        return "cannot remove the link " + link + ": error " + std::to_string(::GetLastError());
    }
    if (!WaitForLinkState(link, false))
        return "waited 10 s for the link " + link + " to go; it is still there";
    return std::string();
}

void ForEachEntryBelow(const std::string& folder,
                       const std::function<void(const std::string& path, bool isFolder)>& visit)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        visit(path, isFolder);
        if (isFolder)
            ForEachEntryBelow(path, visit);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
}

void RemoveTree(const std::string& path)
{
    // Entering a link would empty the folder it points at.
    if (IsLink(path)) {
        RemoveLink(path);
        return;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveLink(full);
                continue;
            }
            ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileA(full.c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(path.c_str());
}

std::string MakeScratchFolder(const std::string& name)
{
    ::CreateDirectoryA("C:\\pixtest", NULL);
    const std::string path = "C:\\pixtest\\" + name;
    RemoveTree(path);
    ::CreateDirectoryA(path.c_str(), NULL);
    return path;
}

bool FileExists(const std::string& path)
{
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ExistingFiles(const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<std::string> existing;
    for (const std::string& name : names)
        if (FileExists(folder + "\\" + name))
            existing.push_back(name);
    return existing;
}

bool FolderExists(const std::string& path)
{
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

bool CopyFileTo(const std::string& from, const std::string& to)
{
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

HANDLE StartProcess(const std::string& commandLine, DWORD* pProcessId)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    ::CloseHandle(pi.hThread);
    if (pProcessId)
        *pProcessId = pi.dwProcessId;
    return pi.hProcess;
}

HANDLE StartProcessAsChildOf(HANDLE hParent, const std::string& commandLine, DWORD* pProcessId)
{
    SIZE_T bytes = 0;
    ::InitializeProcThreadAttributeList(NULL, 1, 0, &bytes);
    std::vector<char> buffer(bytes);
    const LPPROC_THREAD_ATTRIBUTE_LIST pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.data());
    if (!::InitializeProcThreadAttributeList(pList, 1, 0, &bytes))
        return NULL;
    HANDLE hProcess = NULL;
    if (::UpdateProcThreadAttribute(pList, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &hParent, sizeof hParent,
                                    NULL, NULL)) {
        STARTUPINFOEXA si = {};
        si.StartupInfo.cb = sizeof si;
        si.lpAttributeList = pList;
        PROCESS_INFORMATION pi = {};
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        if (::CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, EXTENDED_STARTUPINFO_PRESENT, NULL, NULL,
                             &si.StartupInfo, &pi)) {
            ::CloseHandle(pi.hThread);
            hProcess = pi.hProcess;
            if (pProcessId)
                *pProcessId = pi.dwProcessId;
        }
    }
    ::DeleteProcThreadAttributeList(pList);
    return hProcess;
}

HANDLE MakeOtherDesktopUserToken()
{
    HANDLE hOwn = NULL;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &hOwn))
        return NULL;
    std::vector<BYTE> userBytes(1024), groupBytes(8192);
    DWORD needed = 0;
    HANDLE hRestricted = NULL;
    if (::GetTokenInformation(hOwn, TokenUser, userBytes.data(), static_cast<DWORD>(userBytes.size()), &needed) &&
        ::GetTokenInformation(hOwn, TokenGroups, groupBytes.data(), static_cast<DWORD>(groupBytes.size()), &needed)) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        std::vector<SID_AND_ATTRIBUTES> disabled(1, reinterpret_cast<TOKEN_USER*>(userBytes.data())->User);
        const TOKEN_GROUPS* pGroups = reinterpret_cast<TOKEN_GROUPS*>(groupBytes.data());
        for (DWORD i = 0; i < pGroups->GroupCount; ++i) {
            PSID pSid = pGroups->Groups[i].Sid;
            const SID_IDENTIFIER_AUTHORITY* pAuthority = ::GetSidIdentifierAuthority(pSid);
            const bool everyone = std::memcmp(pAuthority, &world, sizeof world) == 0;
            const bool interactive = std::memcmp(pAuthority, &nt, sizeof nt) == 0 &&
                                     *::GetSidSubAuthorityCount(pSid) == 1 &&
                                     *::GetSidSubAuthority(pSid, 0) == SECURITY_INTERACTIVE_RID;
            const bool logonSession = (pGroups->Groups[i].Attributes & SE_GROUP_LOGON_ID) != 0;
            if (!everyone && !interactive && !logonSession)
                disabled.push_back(SID_AND_ATTRIBUTES{pSid, 0});
        }
        ::CreateRestrictedToken(hOwn, 0, static_cast<DWORD>(disabled.size()), disabled.data(), 0, NULL, 0, NULL,
                                &hRestricted);
    }
    ::CloseHandle(hOwn);
    return hRestricted;
}

std::vector<BYTE> SidFromText(const char* pszSid)
{
    PSID pSid = NULL;
    if (!::ConvertStringSidToSidA(pszSid, &pSid))
        return std::vector<BYTE>();
    const std::vector<BYTE> sid(static_cast<BYTE*>(pSid), static_cast<BYTE*>(pSid) + ::GetLengthSid(pSid));
    ::LocalFree(pSid);
    return sid;
}

DWORD FindProcess(const std::function<bool(DWORD id, DWORD parentId, const char* pszExeFile)>& match)
{
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = ::Process32First(hSnapshot, &entry); more && !found; more = ::Process32Next(hSnapshot, &entry))
        if (match(entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile))
            found = entry.th32ProcessID;
    ::CloseHandle(hSnapshot);
    return found;
}

DWORD FindProcessNamed(const std::string& exeName, DWORD* pParentId)
{
    return FindProcess([&](DWORD, DWORD parentId, const char* pszExeFile) {
        if (::lstrcmpiA(pszExeFile, exeName.c_str()) != 0)
            return false;
        if (pParentId)
            *pParentId = parentId;
        return true;
    });
}

HANDLE StartProcessAsUser(HANDLE hToken, const std::string& commandLine, DWORD* pProcessId)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!::CreateProcessAsUserA(hToken, NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    ::CloseHandle(pi.hThread);
    if (pProcessId)
        *pProcessId = pi.dwProcessId;
    return pi.hProcess;
}

bool WaitForExit(HANDLE hProcess, DWORD timeoutMs, DWORD* pExitCode)
{
    if (::WaitForSingleObject(hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (pExitCode)
        ::GetExitCodeProcess(hProcess, pExitCode);
    return true;
}

bool RunAndWait(const std::string& commandLine, DWORD timeoutMs, DWORD* pExitCode)
{
    HANDLE h = StartProcess(commandLine);
    if (!h)
        return false;
    const bool ended = WaitForExit(h, timeoutMs, pExitCode);
    if (!ended)
        ::TerminateProcess(h, 255);
    ::CloseHandle(h);
    return ended;
}

FARPROC FindKernelExportAsOnXp(const char* pszName)
{
    for (const char* pszNewer : { "SetDefaultDllDirectories", "QueryFullProcessImageNameA" })
        if (std::strcmp(pszName, pszNewer) == 0)
            return NULL;
    return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), pszName);
}

}  // namespace pixtest
