#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/AboutDialog.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr COLORREF kNavy = RGB(0, 0, 128);
static constexpr COLORREF kDarkRed = RGB(128, 0, 0);

static HWND CreateLink(HWND parent, const char* text, DWORD styles, int id = 77) {
    return CreateWindowExA(0, kHyperlinkClassName, text, WS_CHILD | WS_VISIBLE | styles, 10, 10, 50, 8, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

// Whether the window's outer size is that of its text in the font.
static bool SizedToText(HWND window, HFONT font) {
    const std::string text = WindowText(window);
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    RECT outer = {};
    GetWindowRect(window, &outer);
    return outer.right - outer.left == extent.cx && outer.bottom - outer.top == extent.cy;
}

static HyperlinkData* DataOf(HWND link) { return reinterpret_cast<HyperlinkData*>(GetWindowLongPtrA(link, 0)); }

TEST(HyperlinkTest, AutosizeLinksTakeTheSizeOfTheirText) {
    HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    for (int id : {IDC_LINK_AUTHOR, IDC_LINK_TRACKER, IDC_LINK_ARTIST})
        EXPECT_TRUE(SizedToText(GetDlgItem(dialog, id), dialogFont)) << id;
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LINK_AUTHOR)), "https://quorvel.example.org/");
    DestroyWindow(dialog);

    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(13);
    HWND link = CreateLink(parent.window, "short", HLS_ABOUT_LINK);
    SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // SetWindowTextA reports whether the control took the text.
    EXPECT_TRUE(SetWindowTextA(link, "https://quorvel.example.org/a/much/longer/address"));
    EXPECT_TRUE(SizedToText(link, font));
    // Without autosize the window keeps the size it was given.
    HWND fixed = CreateLink(parent.window, "short", HLS_LEFT | HLS_TOP);
    SetWindowTextA(fixed, "https://quorvel.example.org/a/much/longer/address");
    RECT outer = {};
    GetWindowRect(fixed, &outer);
    EXPECT_EQ(outer.right - outer.left, 50);
    DestroyWindow(link);
    DestroyWindow(fixed);
    DeleteObject(font);
}

TEST(HyperlinkTest, TextAndTooltipAreCopiedOutWithinTheCallersBuffer) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "https://www.renoise.com/", HLS_ABOUT_LINK);
    const struct {
        WPARAM size;
        const char* expected;
    } cases[] = {{5, "http"}, {1, ""}, {100, "https://www.renoise.com/"}};
    for (const auto& c : cases) {
        char buffer[100];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(SendMessageA(link, WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer)),
                  static_cast<LRESULT>(std::strlen(c.expected)));
        EXPECT_STREQ(buffer, c.expected) << c.size;
    }
    char buffer[64] = "abc";
    EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(SendMessageA(link, WM_GETTEXTLENGTH, 0, 0), 24);

    // Removing a tooltip that was never set changes nothing.
    SendMessageA(link, HLM_SETTIP, 0, 0);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 0);
    SendMessageA(link, HLM_SETTIP, 0, reinterpret_cast<LPARAM>("Visit Quorvel website."));
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 22);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, 6, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Visit");
    HWND tip = DataOf(link)->tipWindow;
    ASSERT_TRUE(IsWindow(tip));
    // A second text replaces the first in the same tooltip window.
    SendMessageA(link, HLM_SETTIP, 0, reinterpret_cast<LPARAM>("Other"));
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Other");
    EXPECT_EQ(DataOf(link)->tipWindow, tip);
    // Removing it leaves no hidden tooltip window behind.
    SendMessageA(link, HLM_SETTIP, 0, 0);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 0);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_FALSE(IsWindow(tip));
    DestroyWindow(link);
}

// A row in which nearly every column has the colour: the underline.
static bool HasUnderline(const Canvas& canvas, COLORREF color) {
    for (int y = 0; y < canvas.height; ++y)
        if (canvas.Count(color, {0, y, canvas.width, y + 1}) >= canvas.width * 9 / 10) return true;
    return false;
}

TEST(HyperlinkTest, LooksAndUnderliningFollowStyleAndHover) {
    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(16);
    const struct {
        DWORD underlineBits;
        bool normalUnderlined;
        bool hoveredUnderlined;
    } cases[] = {
        {0, true, false},
        {HLS_UNDERLINE, true, true},
        {HLS_NOUNDERLINE, false, false},
        {HLS_UNDERLINE | HLS_NOUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE | HLS_UNDERLINE, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.underlineBits);
        HWND link = CreateLink(parent.window, "Quorvel", HLS_LEFT | HLS_TOP | HLS_AUTOSIZE | c.underlineBits);
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        RECT outer = {};
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
        paint(kNavy, kDarkRed, c.normalUnderlined);
        UpdateWindow(link);
        ASSERT_FALSE(GetUpdateRect(link, nullptr, FALSE));
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(GetCapture(), link);
        // Entering the hover state repaints.
        EXPECT_TRUE(GetUpdateRect(link, nullptr, FALSE));
        paint(kDarkRed, kNavy, c.hoveredUnderlined);
        // Leaving the client area gives up the capture and the hover look.
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5000, 2));
        EXPECT_NE(GetCapture(), link);
        EXPECT_EQ(DataOf(link)->hovered, 0);
        EnableWindow(link, FALSE);
        paint(GetSysColor(COLOR_GRAYTEXT), kNavy, c.normalUnderlined);
        DestroyWindow(link);
    }
    DeleteObject(font);
}

TEST(HyperlinkTest, ReleaseReportsTheClickToTheParent) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "Quorvel", HLS_ABOUT_LINK, 1234);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(GetFocus(), link);
    EXPECT_TRUE(parent.commands.empty());
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ASSERT_EQ(parent.commands.size(), 1u);
    EXPECT_EQ(parent.commands[0].first, MAKEWPARAM(1234, 0));
    EXPECT_EQ(parent.commands[0].second, reinterpret_cast<LPARAM>(link));
    EXPECT_EQ(SendMessageA(link, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    DestroyWindow(link);
}
