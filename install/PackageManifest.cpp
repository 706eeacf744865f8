// install/PackageManifest.cpp - the package manifest's copy lines.
#include "install/PackageManifest.h"
#include <cstdio>
#include <cstring>
#include <string>
#include "install/InstallState.h"
#include "platform/FileOps.h"
#include "text/LogLine.h"

namespace {

// "name" copies every match; "source > target" copies one file under a new name. The manifest
// names files directly inside the source and the destination folder: an operand with a path,
// a drive or a dots-only name would reach outside them and is skipped.
void CopyManifestOperand(CFileCopier& copier, const char* pszOperand)
{
    std::string source;
    std::string target;
    if (!SplitRenameOperand(pszOperand, &source, &target)) {
        if (IsSafeFileOperand(source))
            copier.CopyMatching(source.c_str());
        return;
    }
    if (IsSafeFileOperand(source) && IsSafeFileOperand(target))
        copier.CopyFileAs(source.c_str(), target.c_str());
}

}  // namespace

bool RunPackageManifest(const char* pszManifestPath)
{
    if (!pszManifestPath)
        return false;
    FILE* pFile = std::fopen(pszManifestPath, "r");
    if (!pFile)
        return false;
    CFileCopier copier(InstallChoices.sourceFolder.c_str(), InstallChoices.destinationFolder.c_str());
    const size_t prefixLength = std::strlen(kPrefixFileCopy);
    char line[kLogLineBytes];
    while (ReadLogLine(pFile, line)) {
        // The whole rest of the line is the operand: " | " remarks are an undo-side notion.
        if (LineHasPrefix(line, kPrefixFileCopy))
            CopyManifestOperand(copier, line + prefixLength);  // a failed line stops none of the next
    }
    std::fclose(pFile);
    return !copier.WriteFailed();
}
