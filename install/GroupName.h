// install/GroupName.h - program group name rule; free of <windows.h>.
#pragma once
#include <string>

// Every "/" becomes "\"; then " \t\r\n\\" characters are removed from the end, then from the start.
void NormaliseGroupName(std::string& name);
