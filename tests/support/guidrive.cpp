// tests/support/guidrive.cpp - the GUI driver from a shell: for scripts and for looking at a
// running program by hand. Texts are printed as UTF-8.
#include "support/GuiDriver.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace pixtest;

namespace {

int PrintUsage()
{
    std::printf(
        "guidrive list [pid]                      top-level windows (all processes when no pid)\n"
        "guidrive wait pid|0 [class] [caption] [ms]  waits for a window, prints its handle\n"
        "guidrive dump hwnd                       caption and controls of a dialog\n"
        "guidrive msgbox pid|0 [ms]               waits for a message box and describes it\n"
        "guidrive press hwnd id                   clicks a button\n"
        "guidrive enter|escape|close hwnd         presses Enter, Escape or the close box\n"
        "guidrive settext hwnd id text            replaces an edit's or combo box's text\n"
        "guidrive shot hwnd|0 file.bmp            saves a window (0: the screen)\n");
    return 2;
}

HWND ParseWindow(const char* text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 0)));
}

DWORD ParseNumber(const char* text)
{
    return static_cast<DWORD>(std::strtoul(text, nullptr, 0));
}

void PrintWindow(const WindowInfo& w)
{
    std::printf("%#llx pid=%lu class=\"%s\" caption=\"%s\"%s%s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w.hwnd)),
                static_cast<unsigned long>(w.processId), w.className.c_str(), w.caption.c_str(),
                w.visible ? "" : " hidden", w.enabled ? "" : " disabled");
}

int ListWindows(int argc, char** argv)
{
    const DWORD pid = argc > 2 ? ParseNumber(argv[2]) : kAnyProcess;
    for (const WindowInfo& w : ListTopLevelWindows(pid, false))
        PrintWindow(w);
    return 0;
}

int WaitWindow(int argc, char** argv)
{
    if (argc < 3)
        return PrintUsage();
    const DWORD timeout = argc > 5 ? ParseNumber(argv[5]) : kDefaultWaitMs;
    HWND h = WaitForWindow(ParseNumber(argv[2]), argc > 3 ? argv[3] : nullptr, argc > 4 ? argv[4] : nullptr, timeout);
    if (!h)
        return 1;
    PrintWindow(DescribeWindow(h));
    return 0;
}

int DumpDialog(int argc, char** argv)
{
    if (argc < 3)
        return PrintUsage();
    const DialogInfo d = ReadDialog(ParseWindow(argv[2]));
    std::printf("class=\"%s\" caption=\"%s\"\n", d.className.c_str(), d.caption.c_str());
    for (const ControlInfo& c : d.controls)
        std::printf("  id=%d class=%s style=%#lx rect=(%ld,%ld,%ld,%ld)%s%s check=%d text=\"%s\"\n", c.id,
                    c.className.c_str(), static_cast<unsigned long>(c.style), c.rect.left, c.rect.top,
                    c.rect.right, c.rect.bottom, c.visible ? "" : " hidden", c.enabled ? "" : " disabled",
                    c.checked, c.text.c_str());
    return 0;
}

int DescribeMessageBox(int argc, char** argv)
{
    if (argc < 3)
        return PrintUsage();
    HWND h = WaitForMessageBox(ParseNumber(argv[2]), argc > 3 ? ParseNumber(argv[3]) : kDefaultWaitMs);
    MessageBoxInfo box;
    if (!h || !ReadMessageBox(h, &box))
        return 1;
    std::printf("hwnd=%#llx style=%#x icon=%s default=%d\ncaption=\"%s\"\ntext=\"%s\"\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)), box.Style(),
                BoxIconName(box.icon), box.defaultId, box.caption.c_str(), box.text.c_str());
    for (const BoxButton& b : box.buttons)
        std::printf("  button id=%d \"%s\"%s%s\n", b.id, b.text.c_str(), b.enabled ? "" : " disabled",
                    b.isDefault ? " default" : "");
    return 0;
}

int Act(int argc, char** argv)
{
    const char* verb = argv[1];
    HWND h = ParseWindow(argv[2]);
    bool ok = false;
    if (!std::strcmp(verb, "press") && argc > 3)
        ok = PressButton(h, static_cast<int>(ParseNumber(argv[3])));
    else if (!std::strcmp(verb, "enter"))
        ok = PressEnter(h);
    else if (!std::strcmp(verb, "escape"))
        ok = PressEscape(h);
    else if (!std::strcmp(verb, "close"))
        ok = PressCloseBox(h);
    else if (!std::strcmp(verb, "settext") && argc > 4)
        ok = SetControlText(h, static_cast<int>(ParseNumber(argv[3])), argv[4]);
    else if (!std::strcmp(verb, "shot") && argc > 3)
        ok = SaveScreenshot(h, argv[3]);
    else
        return PrintUsage();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return PrintUsage();
    const char* verb = argv[1];
    if (!std::strcmp(verb, "list"))
        return ListWindows(argc, argv);
    if (!std::strcmp(verb, "wait"))
        return WaitWindow(argc, argv);
    if (!std::strcmp(verb, "dump"))
        return DumpDialog(argc, argv);
    if (!std::strcmp(verb, "msgbox"))
        return DescribeMessageBox(argc, argv);
    if (argc < 3)
        return PrintUsage();
    return Act(argc, argv);
}
