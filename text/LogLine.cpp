// text/LogLine.cpp - the InstallLog line rule and operand rules, shared by every reader.
#include "text/LogLine.h"
#include <cstring>
#include "text/PathText.h"

namespace {

const char* const kUndoFilePrefixes[] = {kPrefixFileCopy, kPrefixFileOverwrite, kPrefixFileDel};

}  // namespace

void StripLineEnd(char* pszLine)
{
    if (!pszLine)
        return;
    size_t length = std::strlen(pszLine);
    // Unsigned compare: bytes of accented characters (0x80 and above) are text, not blanks.
    while (length > 1 && static_cast<unsigned char>(pszLine[length - 1]) <= 0x20)
        pszLine[--length] = '\0';
}

bool LineHasPrefix(const char* pszLine, const char* pszPrefix)
{
    if (!pszLine || !pszPrefix)
        return false;
    return std::strstr(pszLine, pszPrefix) == pszLine;
}

LogEntryKind ClassifyLogLine(const char* pszLine)
{
    if (LineHasPrefix(pszLine, kPrefixMadeDir))
        return LogEntryKind::MadeDir;
    if (LineHasPrefix(pszLine, kPrefixShellLink))
        return LogEntryKind::ShellLink;
    const LogEntryKind fileKinds[] = {LogEntryKind::FileCopy, LogEntryKind::FileOverwrite,
                                      LogEntryKind::FileDel};
    for (size_t i = 0; i < sizeof kUndoFilePrefixes / sizeof kUndoFilePrefixes[0]; ++i)
        if (LineHasPrefix(pszLine, kUndoFilePrefixes[i]))
            return fileKinds[i];
    return LogEntryKind::None;
}

bool ReadLogLine(FILE* pFile, char (&line)[kLogLineBytes])
{
    if (!pFile || !std::fgets(line, static_cast<int>(kLogLineBytes), pFile))
        return false;
    line[kLogLineBytes - 1] = '\0';
    StripLineEnd(line);
    return true;
}

std::string ExtractUndoFileName(const char* pszLine, const char* pszPrefix)
{
    if (!pszLine || !pszPrefix)
        return std::string();
    std::string line(pszLine);
    const size_t remark = line.find(" | ");
    if (remark != std::string::npos)
        line.resize(remark);
    // "File Del: | x" is cut inside its own prefix: there is no name, and nothing to read past.
    const size_t prefixLength = std::strlen(pszPrefix);
    if (line.size() < prefixLength)
        return std::string();
    std::string name = line.substr(prefixLength);
    const size_t arrow = name.find('>');
    if (arrow != std::string::npos) {
        name.erase(0, arrow + 1);
        name.erase(0, name.find_first_not_of(kOperandWhiteSpace));
    }
    return name;
}

bool SplitRenameOperand(const std::string& operand, std::string* pSource, std::string* pTarget)
{
    std::string source = operand;
    std::string target = operand;
    const size_t arrow = operand.find('>');
    if (arrow != std::string::npos) {
        source = operand.substr(0, arrow);
        source.erase(source.find_last_not_of(kOperandWhiteSpace) + 1);
        target = operand.substr(arrow + 1);
        target.erase(0, target.find_first_not_of(kOperandWhiteSpace));
    }
    if (pSource)
        *pSource = source;
    if (pTarget)
        *pTarget = target;
    return arrow != std::string::npos;
}

bool IsSafeFileOperand(const std::string& operand)
{
    if (operand.find_first_of("\\/:") != std::string::npos)
        return false;
    return operand.find_first_not_of(". \t") != std::string::npos;
}

bool HasShortcutExtension(const std::string& path)
{
    const size_t kExtensionChars = 4;
    return path.size() >= kExtensionChars &&
           LowerAscii(path.substr(path.size() - kExtensionChars)) == ".lnk";
}
