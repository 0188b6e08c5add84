// The parts of the About box: the hyperlink control, centring over the owner
// and the help file's place. The box itself opens in the main window's session.
#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "ui/WindowUtil.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr COLORREF kNavy = RGB(0, 0, 128);
static constexpr COLORREF kDarkRed = RGB(128, 0, 0);

static HWND CreateLink(HWND parent, const char* text, DWORD styles) {
    return CreateWindowExA(0, kHyperlinkClassName, text, WS_CHILD | WS_VISIBLE | styles, 10, 10, 50, 8, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(77)), GetModuleHandleA(nullptr), nullptr);
}

static HyperlinkData* DataOf(HWND link) { return reinterpret_cast<HyperlinkData*>(GetWindowLongPtrA(link, 0)); }

// A row in which nearly every column has the colour: the underline.
static bool HasUnderline(const Canvas& canvas, COLORREF color) {
    for (int y = 0; y < canvas.height; ++y)
        if (canvas.Count(color, {0, y, canvas.width, y + 1}) >= canvas.width * 9 / 10) return true;
    return false;
}

TEST(HyperlinkTest, TextTipClickAndLooksThatFollowStyleAndHover) {
    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(16);
    HWND link = CreateLink(parent.window, "https://www.renoise.com/", HLS_ABOUT_LINK);
    // The text is cut to the buffer, with its zero.
    char buffer[64] = {};
    EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_STREQ(buffer, "http");
    EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_STREQ(buffer, "http");  // no room: nothing written
    EXPECT_EQ(SendMessageA(link, WM_GETTEXTLENGTH, 0, 0), 24);
    // A new text resizes an autosize link; without autosize the window keeps
    // its size.
    SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_TRUE(SetWindowTextA(link, "https://quorvel.example.org/a/much/longer/address"));
    EXPECT_TRUE(SizedToText(link, font));
    HWND fixed = CreateLink(parent.window, "short", HLS_LEFT | HLS_TOP);
    SetWindowTextA(fixed, "https://quorvel.example.org/a/much/longer/address");
    RECT outer = {};
    GetWindowRect(fixed, &outer);
    EXPECT_EQ(outer.right - outer.left, 50);
    DestroyWindow(fixed);
    // A second tip replaces the first in the same tooltip window; removing it
    // leaves no hidden tooltip window behind.
    SendMessageA(link, HLM_SETTIP, 0, reinterpret_cast<LPARAM>("Visit Quorvel website."));
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, 6, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Visit");
    HWND tip = DataOf(link)->tipWindow;
    ASSERT_TRUE(IsWindow(tip));
    SendMessageA(link, HLM_SETTIP, 0, reinterpret_cast<LPARAM>("Other"));
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Other");
    EXPECT_EQ(DataOf(link)->tipWindow, tip);
    SendMessageA(link, HLM_SETTIP, 0, 0);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 0);
    EXPECT_FALSE(IsWindow(tip));
    // Pressing takes the focus; releasing reports the click.
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(GetFocus(), link);
    EXPECT_TRUE(parent.commands.empty());
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(parent.commands, (std::vector<std::pair<WPARAM, LPARAM>>{{77, reinterpret_cast<LPARAM>(link)}}));
    DestroyWindow(link);
    // How each style looks, at rest, hovered and disabled.
    // Style bits, then whether the link is underlined at rest and hovered.
    const std::tuple<DWORD, bool, bool> cases[] = {
        {0, true, false},
        {HLS_UNDERLINE, true, true},
        {HLS_NOUNDERLINE, false, false},
        {HLS_UNDERLINE | HLS_NOUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE | HLS_UNDERLINE, false, true},
    };
    for (const auto& [underlineBits, normalUnderlined, hoveredUnderlined] : cases) {
        SCOPED_TRACE(underlineBits);
        link = CreateLink(parent.window, "Quorvel", HLS_LEFT | HLS_TOP | HLS_AUTOSIZE | underlineBits);
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        GetWindowRect(link, &outer);
        // The link painted as it would be on screen, read back.
        auto paint = [&](COLORREF shown, COLORREF absent, bool underlined) {
            Canvas canvas(outer.right - outer.left, outer.bottom - outer.top, RGB(255, 0, 255));
            SendMessageA(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc), PRF_CLIENT);
            EXPECT_GT(canvas.Count(shown), 0);
            EXPECT_EQ(canvas.Count(absent), 0);
            EXPECT_EQ(canvas.At(canvas.width - 1, 0), GetSysColor(COLOR_BTNFACE));
            EXPECT_EQ(HasUnderline(canvas, shown), underlined);
        };
        paint(kNavy, kDarkRed, normalUnderlined);
        UpdateWindow(link);
        ASSERT_FALSE(GetUpdateRect(link, nullptr, FALSE));
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(GetCapture(), link);
        // Entering the hover state repaints.
        EXPECT_TRUE(GetUpdateRect(link, nullptr, FALSE));
        paint(kDarkRed, kNavy, hoveredUnderlined);
        // Leaving the client area gives up the capture and the hover look.
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5000, 2));
        EXPECT_NE(GetCapture(), link);
        EXPECT_EQ(DataOf(link)->hovered, 0);
        EnableWindow(link, FALSE);
        paint(GetSysColor(COLOR_GRAYTEXT), kNavy, normalUnderlined);
        DestroyWindow(link);
    }
    DeleteObject(font);
}

// Without an owner the desktop is the parent: the main window's first start.
// A popup wider or taller than its owner overhangs on both sides (the offset
// truncated toward zero), unclamped.
TEST(WindowUtilTest, CentresOverTheOwnerWithoutClamping) {
    TestParent owner(200, 150, 300, 200, WS_POPUP | WS_VISIBLE);
    for (const SIZE size : {SIZE{100, 50}, SIZE{501, 100}, SIZE{300, 401}}) {
        HWND popup = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, size.cx, size.cy, owner.window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        CenterOnParent(popup);
        EXPECT_TRUE(CentredOver(popup, owner.window)) << size.cx << "x" << size.cy;
        DestroyWindow(popup);
    }
}

TEST(WindowUtilTest, HelpFileLiesBesideTheExecutable) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Quorvel\\quorvel.exe"), "C:\\Program Files\\Quorvel\\quorvel.html");
    // A folder as long as a whole path buffer still yields the whole name.
    const std::string deep = "C:\\" + std::string(250, 'd');
    EXPECT_EQ(HelpFilePath((deep + "\\q.exe").c_str()), deep + "\\quorvel.html");
}
