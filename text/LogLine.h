// text/LogLine.h - InstallLog line format; free of <windows.h>.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// A line is read into this many bytes; a longer line arrives as several pieces.
constexpr size_t kLogLineBytes = 512;

enum class LogEntryKind { None, MadeDir, ShellLink, FileCopy, FileOverwrite, FileDel };

// The exact prefixes, each ending in one blank.
constexpr const char* kPrefixMadeDir = "Made Dir: ";
constexpr const char* kPrefixShellLink = "Shell Link: ";
constexpr const char* kPrefixFileCopy = "File Copy: ";
constexpr const char* kPrefixFileOverwrite = "File Overwrite: ";
constexpr const char* kPrefixFileDel = "File Del: ";

// White space removed around the ">" of a renaming operand.
constexpr const char* kOperandWhiteSpace = " \t\r\n\v\f";

// Reads the next line (or piece of a longer line) into the buffer, stripped by the line rule.
// False at the end of the file.
bool ReadLogLine(FILE* pFile, char (&line)[kLogLineBytes]);

// Strips trailing bytes 0x00..0x20 (compared unsigned), never the first byte, in place.
void StripLineEnd(char* pszLine);

// True when the first occurrence of the prefix in the line is at its start.
bool LineHasPrefix(const char* pszLine, const char* pszPrefix);

// The entry kind of a stripped line.
LogEntryKind ClassifyLogLine(const char* pszLine);

// The installation-folder name that undoing a file entry acts on: the line is cut at its first
// " | ", the text after the prefix is taken, and of a renaming operand only the target (after the
// first ">", leading white space removed) is kept. Empty when the cut leaves nothing after the
// prefix. The caller has checked LineHasPrefix.
std::string ExtractUndoFileName(const char* pszLine, const char* pszPrefix);

// Splits "source > target": source without trailing, target without leading white space.
// False (and the whole operand as both names) when there is no ">".
bool SplitRenameOperand(const std::string& operand, std::string* pSource, std::string* pTarget);

// A file operand must name something directly inside the folder it is joined to: no "\", "/"
// or ":" (no other folder, drive or stream), and not a name made only of dots and blanks, which
// the platform resolves to the folder itself or its parent. Empty operands are refused as well.
bool IsSafeFileOperand(const std::string& operand);

// True when the path ends in ".lnk", in any letter case: "Shell Link: " entries delete nothing else.
bool HasShortcutExtension(const std::string& path);
