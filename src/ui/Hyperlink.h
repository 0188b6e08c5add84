// "HyperlinkCtrl32": one line of text that looks and acts like a web link.
// It changes its look while the mouse is over it, shows a tooltip, clicks
// with the navigation sound and reports a click to its parent as WM_COMMAND.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

inline constexpr char kHyperlinkClassName[] = "HyperlinkCtrl32";

// Styles (low word of the window style).
inline constexpr DWORD HLS_LEFT = 0x0001;     // wins over centre and right
inline constexpr DWORD HLS_CENTER = 0x0002;
inline constexpr DWORD HLS_RIGHT = 0x0004;
inline constexpr DWORD HLS_TOP = 0x0010;      // wins over middle and bottom
inline constexpr DWORD HLS_VCENTER = 0x0020;
inline constexpr DWORD HLS_BOTTOM = 0x0040;
inline constexpr DWORD HLS_UNDERLINE = 0x0100;
inline constexpr DWORD HLS_NOUNDERLINE = 0x0200;
inline constexpr DWORD HLS_HOVERUNDERLINE = 0x0400;
inline constexpr DWORD HLS_CLICKSOUND = 0x1000;
inline constexpr DWORD HLS_AUTOSIZE = 0x2000;

// Messages.
inline constexpr UINT HLM_SETTIP = WM_USER + 256;         // lParam: text, or nullptr to remove
inline constexpr UINT HLM_GETTIP = WM_USER + 257;         // wParam: size, lParam: buffer
inline constexpr UINT HLM_GETTIPLENGTH = WM_USER + 258;
inline constexpr UINT HLM_SETTEXTCOLORS = WM_USER + 259;  // wParam: normal, lParam: hovered
inline constexpr UINT HLM_SETBACKCOLORS = WM_USER + 260;  // wParam: normal, lParam: hovered

struct HyperlinkData {
    std::string text;
    std::optional<std::string> tipText;
    HWND tipWindow = nullptr;
    COLORREF textColor = RGB(0, 0, 128);
    COLORREF hoverTextColor = RGB(128, 0, 0);
    COLORREF backColor = 0;
    COLORREF hoverBackColor = 0;
    int hovered = 0;  // the mouse is over the control, which holds the capture
};

// Shared by every hyperlink window. LinkFont is borrowed (the last font set),
// never deleted by the class.
extern HFONT LinkFont;
extern std::optional<std::string> NavigationSound;
extern int LinkCount;

int RegisterHyperlinkClass();
void UnregisterHyperlinkClass();
LRESULT CALLBACK HyperlinkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
