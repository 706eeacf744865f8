// bench/BaselineOps.cpp - the platform's limit for the installation benchmarks: copies or deletes
// the files of a list with nothing around the plain calls (CopyFileA, DeleteFileA in a loop).
//   BaselineOps copy   list source-folder target-folder   (target created when missing)
//   BaselineOps delete list folder                        (folder removed at the end)
//   BaselineOps copyx|overx|deletex ...  the same files with the calls setup makes around each one (a
//     search per file, full-path and case folding of both folders, attribute reads, clearing and
//     deleting an existing target), each kind of call timed apart and appended to phases.txt in
//     the current folder, so that the gap between setup and the plain loops can be laid out.
// list: "source|target" per line, as bench/make_package.py writes it.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SPair {
    std::string source;
    std::string target;
};

// Read before the timed part would begin in a real installer too: setup reads its manifest.
std::vector<SPair> ReadList(const char* pszPath)
{
    std::vector<SPair> pairs;
    FILE* pFile = std::fopen(pszPath, "r");
    if (!pFile)
        return pairs;
    char line[1024];
    while (std::fgets(line, sizeof line, pFile)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* pBar = std::strchr(line, '|');
        if (pBar)
            pairs.push_back({std::string(line, pBar - line), std::string(pBar + 1)});
    }
    std::fclose(pFile);
    return pairs;
}

int CopyAll(const std::vector<SPair>& pairs, const std::string& from, const std::string& to)
{
    ::CreateDirectoryA(to.c_str(), NULL);
    int failed = 0;
    for (const SPair& p : pairs)
        if (!::CopyFileA((from + "\\" + p.source).c_str(), (to + "\\" + p.target).c_str(), FALSE))
            ++failed;
    return failed;
}

double g_frequency = 0;

double NowMs()
{
    LARGE_INTEGER c;
    if (!g_frequency) {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        g_frequency = static_cast<double>(f.QuadPart);
    }
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / g_frequency;
}

enum EPhase { kSearch, kFolderText, kAttributes, kClearTarget, kCopyOrDelete, kPhaseCount };
const char* const kPhaseNames[kPhaseCount] = {"search", "fullpath_and_case", "attributes", "clear_target", "copy_or_delete"};

struct CPhases {
    double ms[kPhaseCount] = {};
    double mark = NowMs();
    void Lap(EPhase phase) { const double now = NowMs(); ms[phase] += now - mark; mark = now; }
    void Append(const char* pszMode) const
    {
        FILE* pFile = std::fopen("phases.txt", "a");
        if (!pFile)
            return;
        for (int i = 0; i < kPhaseCount; ++i)
            std::fprintf(pFile, "%s_%s %.1f\n", pszMode, kPhaseNames[i], ms[i]);
        std::fclose(pFile);
    }
};

void SearchOnce(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE h = ::FindFirstFileA(path.c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        ::FindNextFileA(h, &data);
        ::FindClose(h);
    }
}

void FoldFolder(const std::string& folder)
{
    char full[MAX_PATH];
    ::GetFullPathNameA(folder.c_str(), MAX_PATH, full, NULL);
    std::string a = folder, b = full;
    ::CharLowerBuffA(&a[0], static_cast<DWORD>(a.size()));
    ::CharLowerBuffA(&b[0], static_cast<DWORD>(b.size()));
}

int CopyLikeSetup(const std::vector<SPair>& pairs, const std::string& from, const std::string& to, const char* pszLabel)
{
    ::CreateDirectoryA(to.c_str(), NULL);
    CPhases phases;
    int failed = 0;
    for (const SPair& p : pairs) {
        const std::string source = from + "\\" + p.source;
        const std::string target = to + "\\" + p.target;
        SearchOnce(source);
        phases.Lap(kSearch);
        FoldFolder(from);
        FoldFolder(to);
        phases.Lap(kFolderText);
        ::GetFileAttributesA(source.c_str());
        ::GetFileAttributesA(source.c_str());
        const DWORD attributes = ::GetFileAttributesA(target.c_str());
        phases.Lap(kAttributes);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            ::SetFileAttributesA(target.c_str(), attributes & ~3u);
            ::DeleteFileA(target.c_str());
        }
        phases.Lap(kClearTarget);
        if (!::CopyFileA(source.c_str(), target.c_str(), FALSE))
            ++failed;
        phases.Lap(kCopyOrDelete);
    }
    phases.Append(pszLabel);
    return failed;
}

int DeleteLikeSetup(const std::vector<SPair>& pairs, const std::string& folder)
{
    CPhases phases;
    int failed = 0;
    for (const SPair& p : pairs) {
        const std::string target = folder + "\\" + p.target;
        WIN32_FIND_DATAA data;
        HANDLE h = ::FindFirstFileA(target.c_str(), &data);
        phases.Lap(kSearch);
        const DWORD attributes = ::GetFileAttributesA(target.c_str());
        phases.Lap(kAttributes);
        ::SetFileAttributesA(target.c_str(), attributes & ~3u);
        phases.Lap(kClearTarget);
        if (!::DeleteFileA(target.c_str()))
            ++failed;
        phases.Lap(kCopyOrDelete);
        if (h != INVALID_HANDLE_VALUE) {
            ::FindNextFileA(h, &data);
            ::FindClose(h);
        }
        phases.Lap(kSearch);
    }
    ::RemoveDirectoryA(folder.c_str());
    phases.Append("deletex");
    return failed;
}

int DeleteAll(const std::vector<SPair>& pairs, const std::string& folder)
{
    int failed = 0;
    for (const SPair& p : pairs)
        if (!::DeleteFileA((folder + "\\" + p.target).c_str()))
            ++failed;
    ::RemoveDirectoryA(folder.c_str());
    return failed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: BaselineOps copy list from to | delete list folder\n");
        return 2;
    }
    const std::vector<SPair> pairs = ReadList(argv[2]);
    if (pairs.empty())
        return 2;
    int failed = 0;
    if (std::strcmp(argv[1], "copy") == 0 && argc >= 5)
        failed = CopyAll(pairs, argv[3], argv[4]);
    else if (std::strcmp(argv[1], "delete") == 0)
        failed = DeleteAll(pairs, argv[3]);
    else if ((std::strcmp(argv[1], "copyx") == 0 || std::strcmp(argv[1], "overx") == 0) && argc >= 5)
        failed = CopyLikeSetup(pairs, argv[3], argv[4], argv[1]);
    else if (std::strcmp(argv[1], "deletex") == 0)
        failed = DeleteLikeSetup(pairs, argv[3]);
    else
        return 2;
    if (failed)
        std::fprintf(stderr, "%d operations failed\n", failed);
    return failed ? 1 : 0;
}
