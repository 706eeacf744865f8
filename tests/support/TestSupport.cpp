// tests/support/TestSupport.cpp - helpers shared by the tests that run under Wine.
#include "support/TestSupport.h"
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

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string full = path + "\\" + name;
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
