#include "ui/Hyperlink.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>
#include <new>

#include "ui/Scoped.h"

HFONT LinkFont = nullptr;
std::optional<std::string> NavigationSound;
int LinkCount = 0;

static constexpr int kDataSlot = 0;

static HyperlinkData* LinkData(HWND window) {
    return reinterpret_cast<HyperlinkData*>(GetWindowLongPtrA(window, kDataSlot));
}

static DWORD LinkStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }

int RegisterHyperlinkClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = HyperlinkWindowProc;
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    windowClass.lpszClassName = kHyperlinkClassName;
    return RegisterClassExA(&windowClass) != 0;
}

void UnregisterHyperlinkClass() { UnregisterClassA(kHyperlinkClassName, GetModuleHandleA(nullptr)); }

// The current scheme's "Navigating" sound; absent on any failure, so that the
// next link created tries again.
static void LoadNavigationSound() {
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Explorer\\Navigating\\.Current", 0,
                      KEY_QUERY_VALUE, &key.key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) return;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return;
    // One byte more than the value: the registry does not promise a
    // terminated string.
    std::string raw(size + 1, '\0');
    if (RegQueryValueExA(key.key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(raw.data()), &size) !=
        ERROR_SUCCESS)
        return;
    const DWORD expandedSize = ExpandEnvironmentStringsA(raw.c_str(), nullptr, 0);
    if (expandedSize == 0) return;
    std::string expanded(expandedSize + 1, '\0');
    if (ExpandEnvironmentStringsA(raw.c_str(), expanded.data(), expandedSize + 1) == 0) return;
    expanded.resize(std::strlen(expanded.c_str()));
    if (!expanded.empty()) NavigationSound = std::move(expanded);
}

static void AutoSize(HWND window, const HyperlinkData& data) {
    if (!(LinkStyle(window) & HLS_AUTOSIZE)) return;
    ScopedWindowDC dc(window);
    if (!dc.dc) return;
    ScopedSelect font(dc.dc, FontOrDefault(LinkFont));
    SIZE extent = {};
    if (!GetTextExtentPoint32A(dc.dc, data.text.c_str(), static_cast<int>(data.text.size()), &extent)) return;
    RECT outer = {};
    GetWindowRect(window, &outer);
    if (outer.right - outer.left == extent.cx && outer.bottom - outer.top == extent.cy) return;
    SetWindowPos(window, nullptr, 0, 0, extent.cx, extent.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static bool Underlined(DWORD style, bool hovered) {
    if (style & HLS_HOVERUNDERLINE) return hovered;
    const bool always = (style & HLS_UNDERLINE) != 0;
    const bool never = (style & HLS_NOUNDERLINE) != 0;
    if (always && never) return hovered;
    if (always) return true;
    if (never) return false;
    return !hovered;
}

static UINT DrawFlags(DWORD style) {
    UINT flags = DT_SINGLELINE | DT_NOPREFIX;
    if (!(style & HLS_LEFT)) {
        if (style & HLS_CENTER) {
            flags |= DT_CENTER;
        } else if (style & HLS_RIGHT) {
            flags |= DT_RIGHT;
        }
    }
    if (!(style & HLS_TOP)) {
        if (style & HLS_VCENTER) {
            flags |= DT_VCENTER;
        } else if (style & HLS_BOTTOM) {
            flags |= DT_BOTTOM;
        }
    }
    return flags;
}

// Paints off-screen and copies the result in one piece, so the link does not
// flicker while its look changes under the mouse.
static void PaintLink(HWND window, const HyperlinkData& data, HDC target) {
    RECT client = {};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    const DWORD style = LinkStyle(window);
    LOGFONTA description = {};
    GetObjectA(FontOrDefault(LinkFont), sizeof description, &description);

    ScopedMemoryDC memory(target);
    ScopedBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!memory.dc || !bitmap) return;
    ScopedSelect selectedBitmap(memory.dc, bitmap.handle);
    SetMapMode(memory.dc, MM_TEXT);
    SetTextAlign(memory.dc, TA_TOP | TA_LEFT);

    const bool hovered = data.hovered != 0;
    const COLORREF back = hovered ? data.hoverBackColor : data.backColor;
    COLORREF textColor = hovered ? data.hoverTextColor : data.textColor;
    if (style & WS_DISABLED) textColor = GetSysColor(COLOR_GRAYTEXT);
    {
        ScopedBrush brush(CreateSolidBrush(back));
        if (brush) FillRect(memory.dc, &client, brush.handle);
    }
    description.lfUnderline = Underlined(style, hovered) ? TRUE : FALSE;
    ScopedFont font(CreateFontIndirectA(&description));
    ScopedSelect selectedFont(memory.dc, font.handle);
    SetBkColor(memory.dc, back);
    SetTextColor(memory.dc, textColor);
    RECT textArea = client;
    DrawTextA(memory.dc, data.text.c_str(), static_cast<int>(data.text.size()), &textArea, DrawFlags(style));
    BitBlt(target, 0, 0, client.right, client.bottom, memory.dc, 0, 0, SRCCOPY);
}

static TOOLINFOA ToolOf(HWND window, const char* text) {
    TOOLINFOA tool = {};
    // The version-2 size is understood by every common-controls version.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    tool.hinst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    GetClientRect(window, &tool.rect);
    tool.lpszText = const_cast<char*>(text);
    return tool;
}

static void SetTip(HWND window, HyperlinkData& data, const char* text) {
    if (!text) {
        if (data.tipWindow) {
            TOOLINFOA tool = ToolOf(window, nullptr);
            SendMessageA(data.tipWindow, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            // The tooltip belongs to this link alone; forgetting it without
            // destroying it left one hidden window behind per removal.
            DestroyWindow(data.tipWindow);
            data.tipWindow = nullptr;
        }
        data.tipText.reset();
        return;
    }
    if (data.tipWindow) {
        data.tipText = std::string(text);
        TOOLINFOA tool = ToolOf(window, data.tipText->c_str());
        SendMessageA(data.tipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    HWND tip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
    if (!tip) return;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    data.tipWindow = tip;
    data.tipText = std::string(text);
    TOOLINFOA tool = ToolOf(window, data.tipText->c_str());
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// Copies at most size - 1 characters and the terminator; the copied length.
static LRESULT CopyOut(const std::string& text, WPARAM size, LPARAM buffer) {
    char* target = reinterpret_cast<char*>(buffer);
    if (!target || size == 0) return 0;
    const size_t count = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(target, text.data(), count);
    target[count] = '\0';
    return static_cast<LRESULT>(count);
}

static LRESULT OnCreate(HWND window, const CREATESTRUCTA* create) {
    HyperlinkData* data = new (std::nothrow) HyperlinkData;
    if (!data) return FALSE;
    data->backColor = GetSysColor(COLOR_BTNFACE);
    data->hoverBackColor = GetSysColor(COLOR_BTNFACE);
    SetWindowLongPtrA(window, kDataSlot, reinterpret_cast<LONG_PTR>(data));
    LinkFont = reinterpret_cast<HFONT>(SendMessageA(create->hwndParent, WM_GETFONT, 0, 0));
    if (!NavigationSound) LoadNavigationSound();
    const char* text = IS_INTRESOURCE(create->lpszName) ? "" : create->lpszName;
    if (!SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))) {
        SetWindowLongPtrA(window, kDataSlot, 0);
        delete data;
        return FALSE;
    }
    ++LinkCount;
    return TRUE;
}

static void OnDestroy(HWND window) {
    HyperlinkData* data = LinkData(window);
    if (!data) return;
    SetTip(window, *data, nullptr);
    SetWindowLongPtrA(window, kDataSlot, 0);
    delete data;
    if (--LinkCount == 0) NavigationSound.reset();
}

static void OnMouseMove(HWND window, HyperlinkData& data, LPARAM lParam) {
    if (!data.hovered) {
        if (GetCapture() != window) {
            data.hovered = 1;
            SetCapture(window);
            // Without this the hover look waited for some other repaint.
            InvalidateRect(window, nullptr, FALSE);
        }
        return;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (!PtInRect(&client, point)) {
        data.hovered = 0;
        ReleaseCapture();
    }
}

static LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    HyperlinkData* data = LinkData(window);
    if (!data) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        OnDestroy(window);
        return 0;
    case WM_SETTEXT:
        data->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        AutoSize(window, *data);
        InvalidateRect(window, nullptr, FALSE);
        // TRUE, as SetWindowTextA's callers expect of a text that was set.
        return TRUE;
    case WM_GETTEXT:
        return CopyOut(data->text, wParam, lParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(data->text.size());
    case WM_SETFONT:
        LinkFont = reinterpret_cast<HFONT>(wParam);
        AutoSize(window, *data);
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(LinkFont);
    case WM_SIZE:
        AutoSize(window, *data);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        ScopedPaint paint(window);
        if (paint.dc) PaintLink(window, *data, paint.dc);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintLink(window, *data, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTINGCHANGE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_MOUSEMOVE:
        OnMouseMove(window, *data, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        data->hovered = 0;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        if ((LinkStyle(window) & HLS_CLICKSOUND) && NavigationSound)
            PlaySoundA(NavigationSound->c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT);
        return 0;
    case WM_LBUTTONUP:
        SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), 0),
                     reinterpret_cast<LPARAM>(window));
        return 0;
    case HLM_SETTIP:
        SetTip(window, *data, reinterpret_cast<const char*>(lParam));
        return 0;
    case HLM_GETTIP:
        return data->tipText ? CopyOut(*data->tipText, wParam, lParam) : CopyOut(std::string(), wParam, lParam);
    case HLM_GETTIPLENGTH:
        return data->tipText ? static_cast<LRESULT>(data->tipText->size()) : 0;
    case HLM_SETTEXTCOLORS:
        data->textColor = static_cast<COLORREF>(wParam);
        data->hoverTextColor = static_cast<COLORREF>(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case HLM_SETBACKCOLORS:
        data->backColor = static_cast<COLORREF>(wParam);
        data->hoverBackColor = static_cast<COLORREF>(lParam);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK HyperlinkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Texts are copied on the way in; running out of memory must not unwind
    // through the window manager.
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
