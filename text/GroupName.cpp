// text/GroupName.cpp - program group name rule; free of <windows.h>.
#include "text/GroupName.h"
#include "text/PathText.h"
#include <cstring>

void NormaliseGroupName(std::string& name)
{
    // The wizard's combo box and an earlier log may both use "/"; folders are made with "\".
    for (char& c : name)
        if (c == '/')
            c = '\\';
    static const char kTrimmed[] = " \t\r\n\\";
    // From the end a character at a time: the "\" byte may end a two-byte character.
    for (size_t last = LastCharStart(name); last != std::string::npos && name[last] != '\0' &&
                                            std::strchr(kTrimmed, name[last]);
         last = LastCharStart(name))
        name.erase(last);
    name.erase(0, name.find_first_not_of(kTrimmed));
}

bool IsSafeGroupName(const std::string& name)
{
    if (name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = FindPathChar(name, "\\/", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (!part.empty() && part.find_first_not_of(". ") == std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}
