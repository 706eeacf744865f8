// text/GroupName.cpp - program group name rule; free of <windows.h>.
#include "text/GroupName.h"

void NormaliseGroupName(std::string& name)
{
    // The wizard's combo box and an earlier log may both use "/"; folders are made with "\".
    for (char& c : name)
        if (c == '/')
            c = '\\';
    static const char kTrimmed[] = " \t\r\n\\";
    const size_t last = name.find_last_not_of(kTrimmed);
    if (last == std::string::npos) {
        name.clear();
        return;
    }
    name.erase(last + 1);
    name.erase(0, name.find_first_not_of(kTrimmed));
}

bool IsSafeGroupName(const std::string& name)
{
    if (name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (!part.empty() && part.find_first_not_of(". ") == std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}
