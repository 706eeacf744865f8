// tests/support/GuiDriver.cpp - acts on the windows of another process (or of another thread of
// this one) the way a person at the screen would.
#include "support/GuiDriver.h"
#include <algorithm>
#include <cstdio>

namespace pixtest {

namespace {

// Control id of the icon in Wine's message box template.
constexpr int kMessageBoxIconId = 0x0440;
// How long a box's icon may take to show on screen before it counts as unrecognised.
// Bounds the wait for a box's icon to be painted and uncovered; only a box whose icon is never
// recognised waits this long, and a loaded machine can take many seconds to paint one.
constexpr DWORD kIconSettleMs = 20000;
constexpr DWORD kSendTimeoutMs = 5000;

// Cross-process sends with a time-out, so that a hung target fails the test instead of hanging it.
LRESULT SendWithTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

bool SameText(const std::string& want, const std::string& have)
{
    return want.empty() || want == have;
}

bool IsExcluded(const WindowQuery& query, HWND hwnd)
{
    return std::find(query.exclude.begin(), query.exclude.end(), hwnd) != query.exclude.end();
}

struct EnumState {
    const WindowQuery* query;
    std::vector<WindowInfo>* found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam)
{
    EnumState* state = reinterpret_cast<EnumState*>(lParam);
    const WindowQuery& q = *state->query;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (q.processId != kAnyProcess && pid != q.processId)
        return TRUE;
    if (q.visibleOnly && !::IsWindowVisible(hwnd))
        return TRUE;
    if (IsExcluded(q, hwnd))
        return TRUE;
    WindowInfo info = DescribeWindow(hwnd);
    if (SameText(q.className, info.className) && SameText(q.caption, info.caption))
        state->found->push_back(info);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ListDescendants(HWND hParent)
{
    std::vector<HWND> children;
    ::EnumChildWindows(hParent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool IsButtonClass(const std::string& className)
{
    return _stricmp(className.c_str(), "Button") == 0;
}

int ReadButtonCheck(HWND hwnd, LONG style)
{
    const LONG kind = style & BS_TYPEMASK;
    const bool checkable = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE ||
                           kind == BS_AUTO3STATE || kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
    return checkable ? static_cast<int>(SendWithTimeout(hwnd, BM_GETCHECK, 0, 0)) : -1;
}

ControlInfo DescribeControl(HWND hDialog, HWND hwnd)
{
    ControlInfo c;
    c.hwnd = hwnd;
    c.id = static_cast<int>(::GetDlgCtrlID(hwnd)) & 0xFFFF;
    c.className = ReadClassName(hwnd);
    c.textW = ReadWindowTextW(hwnd);
    c.text = Utf8FromWide(c.textW);
    c.style = static_cast<LONG>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    c.visible = ::IsWindowVisible(hwnd) != FALSE;
    c.enabled = ::IsWindowEnabled(hwnd) != FALSE;
    c.checked = IsButtonClass(c.className) ? ReadButtonCheck(hwnd, c.style) : -1;
    ::GetWindowRect(hwnd, &c.rect);
    ::MapWindowPoints(HWND_DESKTOP, hDialog, reinterpret_cast<POINT*>(&c.rect), 2);
    return c;
}

}  // namespace

// ---- Text ------------------------------------------------------------------------------------

std::string Utf8FromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        NULL, 0, NULL, NULL);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, NULL, NULL);
    return out;
}

std::wstring WideFromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::wstring ReadWindowTextW(HWND hwnd)
{
    if (!::IsWindow(hwnd))
        return std::wstring();
    const LRESULT length = SendWithTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendWithTimeout(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(got, length))));
    return text;
}

std::string ReadWindowText(HWND hwnd) { return Utf8FromWide(ReadWindowTextW(hwnd)); }

std::string ReadClassName(HWND hwnd)
{
    char name[256] = "";
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string ReadControlText(HWND hDialog, int id)
{
    HWND h = FindControl(hDialog, id);
    return h ? ReadWindowText(h) : std::string();
}

// ---- Finding windows ---------------------------------------------------------------------------

WindowInfo DescribeWindow(HWND hwnd)
{
    WindowInfo info;
    info.hwnd = hwnd;
    info.threadId = ::GetWindowThreadProcessId(hwnd, &info.processId);
    info.className = ReadClassName(hwnd);
    info.caption = ReadWindowText(hwnd);
    info.visible = ::IsWindowVisible(hwnd) != FALSE;
    info.enabled = ::IsWindowEnabled(hwnd) != FALSE;
    info.owner = ::GetWindow(hwnd, GW_OWNER);
    return info;
}

std::vector<WindowInfo> FindWindows(const WindowQuery& query)
{
    std::vector<WindowInfo> found;
    EnumState state = {&query, &found};
    ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    return found;
}

std::vector<WindowInfo> ListTopLevelWindows(DWORD processId, bool visibleOnly)
{
    WindowQuery query;
    query.processId = processId;
    query.visibleOnly = visibleOnly;
    return FindWindows(query);
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const std::vector<WindowInfo> found = FindWindows(query);
        if (!found.empty())
            return found.front().hwnd;
        if (::GetTickCount64() >= deadline)
            return NULL;
        ::Sleep(kPollMs);
    }
}

HWND WaitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs)
{
    WindowQuery query;
    query.processId = processId;
    query.className = className ? className : "";
    query.caption = caption ? caption : "";
    return WaitForWindow(query, timeoutMs);
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    WindowQuery query;
    query.processId = processId;
    query.className = kDialogClass;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        for (const WindowInfo& w : FindWindows(query)) {
            MessageBoxInfo box;
            if (ReadMessageBox(w.hwnd, &box))
                return w.hwnd;
        }
        if (::GetTickCount64() >= deadline)
            return NULL;
        ::Sleep(kPollMs);
    }
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::IsWindow(hwnd) && ::IsWindowVisible(hwnd)) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

bool WaitForWindowToCatchUp(HWND hwnd, DWORD timeoutMs)
{
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

bool WaitForProcessEnd(DWORD processId, DWORD timeoutMs, DWORD* pExitCode)
{
    // A process that is gone cannot be opened, and neither can an id that was never one; either
    // way there is no exit code to give, so it is no proof of an end. Hold the handle instead.
    HANDLE h = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!h)
        return false;
    const bool ended = ::WaitForSingleObject(h, timeoutMs) == WAIT_OBJECT_0;
    if (ended && pExitCode)
        ::GetExitCodeProcess(h, pExitCode);
    ::CloseHandle(h);
    return ended;
}

bool WaitForNoWindows(DWORD processId, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!ListTopLevelWindows(processId, true).empty()) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

// ---- Reading dialogs -----------------------------------------------------------------------

const ControlInfo* DialogInfo::Find(int id) const
{
    const ControlInfo* any = nullptr;
    for (const ControlInfo& c : controls) {
        if (c.id != id)
            continue;
        if (c.visible)
            return &c;
        if (!any)
            any = &c;
    }
    return any;
}

DialogInfo ReadDialog(HWND hDialog)
{
    DialogInfo d;
    d.hwnd = hDialog;
    d.className = ReadClassName(hDialog);
    d.caption = ReadWindowText(hDialog);
    for (HWND h : ListDescendants(hDialog))
        d.controls.push_back(DescribeControl(hDialog, h));
    return d;
}

HWND FindControl(HWND hDialog, int id)
{
    HWND any = NULL;
    for (HWND h : ListDescendants(hDialog)) {
        if ((static_cast<int>(::GetDlgCtrlID(h)) & 0xFFFF) != (id & 0xFFFF))
            continue;
        if (::IsWindowVisible(h))
            return h;
        if (!any)
            any = h;
    }
    return any;
}

int ReadCheck(HWND hDialog, int id)
{
    HWND h = FindControl(hDialog, id);
    if (!h)
        return -1;
    return ReadButtonCheck(h, static_cast<LONG>(::GetWindowLongPtrW(h, GWL_STYLE)));
}

// ---- Message boxes ------------------------------------------------------------------------------

namespace {

struct IconCandidate {
    BoxIcon icon;
    WORD resource;
};

const IconCandidate kBoxIcons[] = {
    {BoxIcon::Hand, 32513},         // IDI_HAND
    {BoxIcon::Question, 32514},     // IDI_QUESTION
    {BoxIcon::Exclamation, 32515},  // IDI_EXCLAMATION
    {BoxIcon::Asterisk, 32516},     // IDI_ASTERISK
};

bool IsBoxButtonId(int id)
{
    return (id >= IDOK && id <= IDNO) || id == IDHELP || id == IDTRYAGAIN || id == IDCONTINUE;
}

// A 32-bit top-down bitmap whose pixels can be read directly, one DWORD per pixel.
HBITMAP CreateTopDownDib(HDC hdc, int w, int h, void** pBits)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    return ::CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, pBits, NULL, 0);
}

// The icon drawn by this process on a background colour, at the control's size.
std::vector<DWORD> RenderIcon(HICON hIcon, int w, int h, COLORREF background)
{
    HDC hScreen = ::GetDC(NULL);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    void* bits = nullptr;
    HBITMAP hbm = CreateTopDownDib(hMem, w, h, &bits);
    std::vector<DWORD> pixels;
    if (hbm && bits) {
        HGDIOBJ old = ::SelectObject(hMem, hbm);
        RECT all = {0, 0, w, h};
        HBRUSH brush = ::CreateSolidBrush(background);
        ::FillRect(hMem, &all, brush);
        ::DeleteObject(brush);
        ::DrawIconEx(hMem, 0, 0, hIcon, 0, 0, 0, NULL, DI_NORMAL | DI_DEFAULTSIZE);
        ::GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        pixels.assign(p, p + static_cast<size_t>(w) * h);
        ::SelectObject(hMem, old);
        ::DeleteObject(hbm);
    }
    ::DeleteDC(hMem);
    ::ReleaseDC(NULL, hScreen);
    return pixels;
}

// Icon handles are per process under Wine, so a box of another process is recognised by the
// picture its icon control shows: the standard icon that differs from it in fewest pixels.
BoxIcon RecogniseIconPicture(HWND hIconCtrl)
{
    RECT r;
    ::GetWindowRect(hIconCtrl, &r);
    const std::vector<DWORD> shown = GrabScreenPixels(r);
    if (shown.empty())
        return BoxIcon::Unknown;
    const COLORREF bg = RGB(GetBValue(shown[0]), GetGValue(shown[0]), GetRValue(shown[0]));
    BoxIcon best = BoxIcon::Unknown;
    size_t bestDiff = shown.size();
    for (const IconCandidate& c : kBoxIcons) {
        const std::vector<DWORD> drawn = RenderIcon(::LoadIconW(NULL, MAKEINTRESOURCEW(c.resource)), r.right - r.left,
                                                    r.bottom - r.top, bg);
        size_t diff = 0;
        for (size_t i = 0; i < shown.size() && i < drawn.size(); ++i)
            diff += ((shown[i] ^ drawn[i]) & 0x00FFFFFF) != 0;
        if (diff < bestDiff) {
            bestDiff = diff;
            best = c.icon;
        }
    }
    // A match leaves at most a few stray pixels (anti-aliasing of the screen's colour depth).
    return bestDiff * 20 <= shown.size() ? best : BoxIcon::Unknown;
}

BoxIcon RecogniseBoxIcon(HWND hBox)
{
    HWND hIconCtrl = ::GetDlgItem(hBox, kMessageBoxIconId);
    if (!hIconCtrl || !::IsWindowVisible(hIconCtrl))
        return BoxIcon::None;
    const HICON shown = reinterpret_cast<HICON>(SendWithTimeout(hIconCtrl, STM_GETICON, 0, 0));
    if (!shown)
        return BoxIcon::None;
    for (const IconCandidate& c : kBoxIcons)
        if (::LoadIconW(NULL, MAKEINTRESOURCEW(c.resource)) == shown)
            return c.icon;
    // On a loaded machine a box that has just appeared may not be painted yet, or may still lie
    // under a window that is going away: look again for a while before calling it unknown.
    const DWORD start = ::GetTickCount();
    for (;;) {
        const BoxIcon icon = RecogniseIconPicture(hIconCtrl);
        if (icon != BoxIcon::Unknown || ::GetTickCount() - start > kIconSettleMs)
            return icon;
        // Painted now by the box's own thread, instead of whenever that thread gets to it.
        ::RedrawWindow(hIconCtrl, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        ::Sleep(kPollMs);
    }
}

std::vector<BoxButton> ReadBoxButtons(HWND hBox)
{
    std::vector<std::pair<LONG, BoxButton>> byPosition;
    const LRESULT defId = SendWithTimeout(hBox, DM_GETDEFID, 0, 0);
    for (HWND h = ::GetWindow(hBox, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(h);
        if (!IsButtonClass(ReadClassName(h)) || !IsBoxButtonId(id) || !::IsWindowVisible(h))
            continue;
        BoxButton b;
        b.id = id;
        b.text = ReadWindowText(h);
        b.enabled = ::IsWindowEnabled(h) != FALSE;
        const LONG style = static_cast<LONG>(::GetWindowLongPtrW(h, GWL_STYLE));
        b.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ||
                      (HIWORD(defId) == DC_HASDEFID && LOWORD(defId) == id);
        RECT r;
        ::GetWindowRect(h, &r);
        byPosition.push_back({r.left, b});
    }
    std::stable_sort(byPosition.begin(), byPosition.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<BoxButton> buttons;
    for (const auto& p : byPosition)
        buttons.push_back(p.second);
    return buttons;
}

UINT TypeFromButtons(const MessageBoxInfo& box)
{
    const bool ok = box.HasButton(IDOK), cancel = box.HasButton(IDCANCEL);
    const bool yes = box.HasButton(IDYES), no = box.HasButton(IDNO);
    if (box.HasButton(IDABORT))
        return MB_ABORTRETRYIGNORE;
    if (box.HasButton(IDTRYAGAIN))
        return MB_CANCELTRYCONTINUE;
    if (yes && no)
        return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (box.HasButton(IDRETRY))
        return MB_RETRYCANCEL;
    return (ok && cancel) ? MB_OKCANCEL : MB_OK;
}

}  // namespace

bool MessageBoxInfo::HasButton(int id) const
{
    for (const BoxButton& b : buttons)
        if (b.id == id)
            return true;
    return false;
}

UINT MessageBoxInfo::Style() const
{
    static const UINT kIconBits[] = {0, MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK, 0};
    UINT style = TypeFromButtons(*this) | kIconBits[static_cast<int>(icon)];
    if (HasButton(IDHELP))
        style |= MB_HELP;
    // The default button counts among the answer buttons only; Help is never the default.
    UINT index = 0;
    for (const BoxButton& b : buttons) {
        if (b.id == IDHELP)
            continue;
        if (b.id == defaultId)
            style |= index * MB_DEFBUTTON2;
        ++index;
    }
    return style;
}

const char* BoxIconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Hand: return "hand";
    case BoxIcon::Question: return "question";
    case BoxIcon::Exclamation: return "exclamation";
    case BoxIcon::Asterisk: return "asterisk";
    case BoxIcon::Unknown: break;
    }
    return "unknown";
}

bool ReadMessageBox(HWND hwnd, MessageBoxInfo* pInfo)
{
    if (!::IsWindow(hwnd) || ReadClassName(hwnd) != kDialogClass)
        return false;
    HWND hText = ::GetDlgItem(hwnd, kMessageBoxTextId);
    if (!hText || _stricmp(ReadClassName(hText).c_str(), "Static") != 0)
        return false;
    MessageBoxInfo box;
    box.hwnd = hwnd;
    box.buttons = ReadBoxButtons(hwnd);
    if (box.buttons.empty() || !::GetDlgItem(hwnd, kMessageBoxIconId))
        return false;
    box.caption = ReadWindowText(hwnd);
    box.text = ReadWindowText(hText);
    box.icon = RecogniseBoxIcon(hwnd);
    for (const BoxButton& b : box.buttons)
        if (b.isDefault && !box.defaultId)
            box.defaultId = b.id;
    *pInfo = box;
    return true;
}

// ---- Acting ----------------------------------------------------------------------------------

bool PressButton(HWND hDialog, int id)
{
    HWND h = FindControl(hDialog, id);
    if (!h || !::IsWindowVisible(h) || !::IsWindowEnabled(h))
        return false;
    return ::PostMessageW(h, BM_CLICK, 0, 0) != FALSE;
}

bool SendCommand(HWND hDialog, int id)
{
    HWND h = FindControl(hDialog, id);
    return ::PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h)) != FALSE;
}

bool PressKey(HWND hwnd, UINT virtualKey)
{
    // Keys go to the focused control of the window's thread, as the keyboard would send them;
    // the dialog's own message loop turns Enter and Escape into its default and cancel commands.
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    HWND target = hwnd;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, NULL), &gti) && gti.hwndFocus &&
        (gti.hwndFocus == hwnd || ::IsChild(hwnd, gti.hwndFocus)))
        target = gti.hwndFocus;
    const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (static_cast<LPARAM>(3) << 30);
    return ::PostMessageW(target, WM_KEYDOWN, virtualKey, down) &&
           ::PostMessageW(target, WM_KEYUP, virtualKey, up);
}

bool PressEnter(HWND hwnd) { return PressKey(hwnd, VK_RETURN); }
bool PressEscape(HWND hwnd) { return PressKey(hwnd, VK_ESCAPE); }

bool SetControlText(HWND hDialog, int id, const std::string& utf8)
{
    HWND h = FindControl(hDialog, id);
    if (!h)
        return false;
    if (_stricmp(ReadClassName(h).c_str(), "ComboBox") == 0) {
        h = ::FindWindowExW(h, NULL, L"Edit", NULL);
        if (!h)
            return false;  // a drop-down list takes no typing: SelectComboItem
    }
    // WM_SETTEXT would not tell a combo box's owner; replacing the selection is what typing
    // does, and it notifies the owner in every kind of edit field.
    const std::wstring text = WideFromUtf8(utf8);
    SendWithTimeout(h, EM_SETSEL, 0, -1);
    SendWithTimeout(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return ReadWindowTextW(h) == text;
}

bool SelectComboItem(HWND hDialog, int id, const std::string& utf8)
{
    HWND h = FindControl(hDialog, id);
    if (!h)
        return false;
    const std::wstring text = WideFromUtf8(utf8);
    const LRESULT index = SendWithTimeout(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR || SendWithTimeout(h, CB_SETCURSEL, index, 0) != index)
        return false;
    // CB_SETCURSEL is silent; a choice made with the mouse tells the owner.
    return ::PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(h)) != FALSE;
}

bool SetCheck(HWND hDialog, int id, bool checked, DWORD timeoutMs)
{
    const int want = checked ? BST_CHECKED : BST_UNCHECKED;
    // One click at a time, each awaited until the box shows it: a read answered before a queued
    // click would otherwise call for another, and the extra click would turn the box back.
    // A three-state box needs two clicks from indeterminate.
    for (int clicks = 0;; ++clicks) {
        const int state = ReadCheck(hDialog, id);
        if (state == want)
            return true;
        if (state < 0 || clicks == 3 || !PressButton(hDialog, id))
            return false;
        const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
        while (ReadCheck(hDialog, id) == state) {
            if (::GetTickCount64() >= deadline)
                return false;
            ::Sleep(kPollMs);
        }
    }
}

bool PressCloseBox(HWND hwnd)
{
    return ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
}

// ---- Pictures ---------------------------------------------------------------------------------

// A 32-bit top-down copy of what the screen shows in a rectangle.
std::vector<DWORD> GrabScreenPixels(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> pixels;
    if (w <= 0 || h <= 0)
        return pixels;
    HDC hScreen = ::GetDC(NULL);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    void* bits = nullptr;
    HBITMAP hbm = CreateTopDownDib(hMem, w, h, &bits);
    if (hbm && bits) {
        HGDIOBJ old = ::SelectObject(hMem, hbm);
        ::BitBlt(hMem, 0, 0, w, h, hScreen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        pixels.assign(p, p + static_cast<size_t>(w) * h);
        ::SelectObject(hMem, old);
    }
    if (hbm)
        ::DeleteObject(hbm);
    ::DeleteDC(hMem);
    ::ReleaseDC(NULL, hScreen);
    return pixels;
}

bool SaveScreenshot(HWND hwnd, const std::string& path)
{
    RECT r = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd && !::GetWindowRect(hwnd, &r))
        return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const std::vector<DWORD> pixels = GrabScreenPixels(r);
    if (pixels.empty())
        return false;
    const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;  // bottom-up, the form every viewer reads
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = rowBytes * static_cast<DWORD>(h);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string row(rowBytes, '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const DWORD p = pixels[static_cast<size_t>(y) * w + x];
            row[x * 3] = static_cast<char>(p & 0xFF);
            row[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        bytes += row;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace pixtest
