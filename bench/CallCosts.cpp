// bench/CallCosts.cpp - where the time of a reinstallation goes, per file: the platform calls that
// a copy over an installed file can be made of, and setup's own copy, each over the files of the
// benchmark list in one process, best of several passes (so that a loaded machine shows less).
//   CallCosts list source-folder scratch-folder passes
// Prints "name milliseconds files" per measurement. The scratch folder is filled first and
// removed at the end.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "platform/FileOps.h"
#include "platform/InstallLog.h"
#include "text/LogLine.h"
#include "support/StageWatch.h"

namespace {

// Files that keep their name: setup copies renamed ones the same way.
std::vector<std::string> ReadNames(const char* pszList)
{
    std::vector<std::string> names;
    FILE* pFile = std::fopen(pszList, "r");
    if (!pFile)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pFile)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* pBar = std::strchr(line, '|');
        if (pBar && std::strcmp(pBar + 1, std::string(line, pBar - line).c_str()) == 0)
            names.push_back(pBar + 1);
    }
    std::fclose(pFile);
    return names;
}

struct SRun {
    std::vector<std::string> names;
    std::string source;
    std::string scratch;
    std::string From(const std::string& name) const { return source + "\\" + name; }
    std::string To(const std::string& name) const { return scratch + "\\" + name; }
};

void CopyOverPlain(const SRun& r, const std::string& name)
{
    ::CopyFileA(r.From(name).c_str(), r.To(name).c_str(), FALSE);
}

void CopyOverLikeSetup(const SRun& r, const std::string& name)
{
    CopyInstallFile(name.c_str(), r.source.c_str(), r.scratch.c_str(), NULL);
}

void ReadAttributes(const SRun& r, const std::string& name)
{
    ::GetFileAttributesA(r.To(name).c_str());
}

// What an open of its own for the hard-link and reparse-point check costs.
void OpenForLinkCheck(const SRun& r, const std::string& name)
{
    HANDLE h = ::CreateFileA(r.To(name).c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION info;
    if (h != INVALID_HANDLE_VALUE) {
        ::GetFileInformationByHandle(h, &info);
        ::CloseHandle(h);
    }
}

void DeletePlain(const SRun& r, const std::string& name)
{
    ::DeleteFileA(r.To(name).c_str());
}

void DeleteLikeSetup(const SRun& r, const std::string& name)
{
    DeleteMatchingFiles(r.scratch.c_str(), name.c_str());
}

// The whole uninstallation's deletion of the files, as one pass: the folder is checked once and
// each logged name deleted in it. Timed through a per-name call like the others, it runs on the
// first name only.
void DeleteByLog(const SRun& r, const std::string& name)
{
    if (name != r.names.front())
        return;
    const std::string log = r.scratch + ".log";
    FILE* pLog = std::fopen(log.c_str(), "w");
    if (!pLog)
        return;
    for (const std::string& each : r.names)
        std::fprintf(pLog, "%s%s\n", kPrefixFileCopy, each.c_str());
    std::fclose(pLog);
    UndoFileEntries(log.c_str(), r.scratch.c_str(), NULL, ELeftover::kStays, NULL);
    ::DeleteFileA(log.c_str());
}

typedef void (*CallProc)(const SRun&, const std::string&);

double TimeOnePass(const SRun& r, CallProc pfnCall)
{
    const double start = stagewatch::NowMs();
    for (const std::string& name : r.names)
        pfnCall(r, name);
    return stagewatch::NowMs() - start;
}

void Fill(const SRun& r)
{
    ::CreateDirectoryA(r.scratch.c_str(), NULL);
    for (const std::string& name : r.names)
        CopyOverPlain(r, name);
}

void Report(const SRun& r, const char* pszName, double ms)
{
    std::printf("%s %.1f %u\n", pszName, ms, static_cast<unsigned>(r.names.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: CallCosts list source-folder scratch-folder passes\n");
        return 2;
    }
    SRun r;
    r.names = ReadNames(argv[1]);
    r.source = argv[2];
    r.scratch = argv[3];
    const int passes = std::atoi(argv[4]);
    if (r.names.empty() || passes < 1)
        return 2;
    Fill(r);
    const struct { const char* pszName; CallProc pfnCall; } kOverExisting[] = {
        {"copy_over_plain", CopyOverPlain},
        {"copy_over_setup", CopyOverLikeSetup},
        {"attribute_read", ReadAttributes},
        {"open_for_link_check", OpenForLinkCheck},
    };
    for (const auto& m : kOverExisting) {
        double best = 1e300;
        for (int pass = 0; pass < passes; ++pass) {
            const double ms = TimeOnePass(r, m.pfnCall);
            best = ms < best ? ms : best;
        }
        Report(r, m.pszName, best);
    }
    // A deletion can be timed once per filling only.
    const struct { const char* pszName; CallProc pfnCall; } kDeletions[] = {
        {"delete_plain", DeletePlain},
        {"delete_setup", DeleteLikeSetup},
        {"delete_by_log", DeleteByLog},
    };
    for (const auto& m : kDeletions) {
        double best = 1e300;
        for (int pass = 0; pass < passes; ++pass) {
            Fill(r);
            const double ms = TimeOnePass(r, m.pfnCall);
            best = ms < best ? ms : best;
        }
        Report(r, m.pszName, best);
    }
    ::RemoveDirectoryA(r.scratch.c_str());
    return 0;
}
