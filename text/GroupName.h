// text/GroupName.h - program group name rule; free of <windows.h>.
#pragma once
#include <string>

// Every "/" becomes "\"; then " \t\r\n\\" characters are removed from the end, then from the start.
void NormaliseGroupName(std::string& name);

// A normalised name stays inside the programs folder: no part is "." or ".." (or only dots and
// blanks, which the platform reads the same way) and no part names a drive or stream (":").
// The empty name, the programs folder itself, is allowed.
bool IsSafeGroupName(const std::string& name);
