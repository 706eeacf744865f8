// uninstall/LogLine.h - InstallLog line format; free of <windows.h>.
#pragma once
#include <cstddef>
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

// Strips trailing bytes 0x00..0x20 (compared unsigned), never the first byte, in place.
void StripLineEnd(char* pszLine);

// True when the first occurrence of the prefix in the line is at its start.
bool LineHasPrefix(const char* pszLine, const char* pszPrefix);

// The entry kind of a stripped line.
LogEntryKind ClassifyLogLine(const char* pszLine);
