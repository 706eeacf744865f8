// bench/BaselineOps.cpp - the platform's limit for the installation benchmarks: copies or deletes
// the files of a list with nothing around the plain calls (CopyFileA, DeleteFileA in a loop).
//   BaselineOps copy   list source-folder target-folder   (target created when missing)
//   BaselineOps delete list folder                        (folder removed at the end)
//   BaselineOps start                                     (ends at once: the cost of a process start)
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
    if (argc == 2 && std::strcmp(argv[1], "start") == 0)
        return 0;
    if (argc < 4) {
        std::fprintf(stderr, "usage: BaselineOps copy list from to | delete list folder | start\n");
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
    else
        return 2;
    if (failed)
        std::fprintf(stderr, "%d operations failed\n", failed);
    return failed ? 1 : 0;
}
