// platform/InstallLog.h - writing the InstallLog and undoing what it records.
#pragma once
#include "text/LogLine.h"

// Opens the log for appending in text mode (creating it), writes the text and a newline, closes it.
// Nothing is reported when the file cannot be opened.
void AppendLogLine(const char* pszLogPath, const char* pszText);

// Deletes the shortcuts of the "Shell Link: " entries (".lnk" files only), then removes the
// "Made Dir: " folders and their emptied parents. Nothing is deleted or removed through a link:
// the walk upwards ends at one.
void UndoLinksAndFolders(const char* pszLogPath);

// Deletes, in the folder, the files named by the file entries; pszOnlyPrefix NULL means all three
// kinds. An operand that would reach outside the folder (IsSafeFileOperand) is skipped, and so is
// the whole log when the folder is reached through a link.
void UndoFileEntries(const char* pszLogPath, const char* pszFolder, const char* pszOnlyPrefix);

// Deletes the files (not folders) matching the pattern in the folder, read-only and hidden ones
// too; returns how many. A search path beyond the path buffer, or a folder that is a link or is
// reached through one, deletes nothing.
int DeleteMatchingFiles(const char* pszFolder, const char* pszPattern);
