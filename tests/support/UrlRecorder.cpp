// tests/support/UrlRecorder.cpp - registered as the test prefix's http/https handler: appends
// the address it is asked to open to C:\opened-urls.txt instead of opening anything.
#include <windows.h>
#include <cstdio>
#include <string>
#include <string_view>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR pszCmdLine, int)
{
    std::string_view line(pszCmdLine ? pszCmdLine : "");
    FILE* f = std::fopen("C:\\opened-urls.txt", "ab");
    if (!f)
        return 1;
    // The handler command is "recorder" "%1": strip the quotes around the address.
    std::string url(line);
    if (url.size() >= 2 && url.front() == '"' && url.back() == '"')
        url = url.substr(1, url.size() - 2);
    std::fprintf(f, "%s\r\n", url.c_str());
    std::fclose(f);
    return 0;
}
