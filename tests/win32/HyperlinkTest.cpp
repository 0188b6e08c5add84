#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/AboutDialog.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kDarkRed = RGB(128, 0, 0);

HWND CreateLink(HWND parent, const char* text, DWORD styles, int id = 77) {
    return CreateWindowExA(0, kHyperlinkClassName, text, WS_CHILD | WS_VISIBLE | styles, 10, 10, 50, 8, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

SIZE TextExtent(HWND window, HFONT font, const std::string& text) {
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return extent;
}

SIZE OuterSize(HWND window) {
    RECT outer = {};
    GetWindowRect(window, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

HyperlinkData* DataOf(HWND link) { return reinterpret_cast<HyperlinkData*>(GetWindowLongPtrA(link, 0)); }

// The link painted as it would be on screen, read back from a canvas.
struct Painted {
    Canvas canvas;
    explicit Painted(HWND link) : canvas(OuterSize(link).cx, OuterSize(link).cy, RGB(255, 0, 255)) {
        SendMessageA(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc), PRF_CLIENT);
    }
    // A row in which nearly every column has the text colour: the underline.
    bool HasUnderline(COLORREF color) const {
        for (int y = 0; y < canvas.height; ++y) {
            const RECT row = {0, y, canvas.width, y + 1};
            if (canvas.Count(color, row) >= canvas.width * 9 / 10) return true;
        }
        return false;
    }
};

TEST(HyperlinkTest, AboutLinksTakeTheSizeOfTheirTextInTheDialogFont) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                     AboutDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    for (int id : {IDC_LINK_AUTHOR, IDC_LINK_TRACKER, IDC_LINK_ARTIST}) {
        HWND link = GetDlgItem(dialog, id);
        const SIZE expected = TextExtent(link, dialogFont, WindowText(link));
        const SIZE actual = OuterSize(link);
        EXPECT_EQ(actual.cx, expected.cx) << WindowText(link);
        EXPECT_EQ(actual.cy, expected.cy) << WindowText(link);
    }
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LINK_AUTHOR)), "https://quorvel.example.org/");
    DestroyWindow(dialog);
}

TEST(HyperlinkTest, NewTextResizesAnAutosizeLink) {
    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(13);
    HWND link = CreateLink(parent.window, "short", HLS_ABOUT_LINK);
    SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    const std::string longer = "https://quorvel.example.org/a/much/longer/address";
    // SetWindowTextA reports whether the control took the text.
    EXPECT_TRUE(SetWindowTextA(link, longer.c_str()));
    const SIZE expected = TextExtent(link, font, longer);
    EXPECT_EQ(OuterSize(link).cx, expected.cx);
    EXPECT_EQ(OuterSize(link).cy, expected.cy);

    // Without autosize the window keeps the size it was given.
    HWND fixed = CreateLink(parent.window, "short", HLS_LEFT | HLS_TOP);
    SetWindowTextA(fixed, longer.c_str());
    EXPECT_EQ(OuterSize(fixed).cx, 50);
    DestroyWindow(link);
    DestroyWindow(fixed);
    DeleteObject(font);
}

TEST(HyperlinkTest, TextIsCopiedOutWithinTheCallersBuffer) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "https://www.renoise.com/", HLS_ABOUT_LINK);
    struct Case {
        WPARAM size;
        const char* expected;
        LRESULT result;
    };
    const Case cases[] = {
        {5, "http", 4},                            // cut to size - 1 characters
        {1, "", 0},                                // room for the terminator only
        {100, "https://www.renoise.com/", 24},     // the whole text
    };
    for (const Case& c : cases) {
        char buffer[100];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(SendMessageA(link, WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer)), c.result) << c.size;
        EXPECT_STREQ(buffer, c.expected) << c.size;
    }
    char untouched[4] = "abc";
    EXPECT_EQ(SendMessageA(link, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(untouched)), 0);
    EXPECT_STREQ(untouched, "abc");
    EXPECT_EQ(SendMessageA(link, WM_GETTEXTLENGTH, 0, 0), 24);
    DestroyWindow(link);
}

TEST(HyperlinkTest, TooltipTextIsSetReadAndRemoved) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "link", HLS_ABOUT_LINK);
    // Removing a tooltip that was never set changes nothing.
    SendMessageA(link, HLM_SETTIP, 0, 0);
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 0);

    SendMessageA(link, HLM_SETTIP, 0, reinterpret_cast<LPARAM>("Visit Quorvel website."));
    EXPECT_EQ(SendMessageA(link, HLM_GETTIPLENGTH, 0, 0), 22);
    char buffer[64] = {};
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

TEST(HyperlinkTest, LooksAndUnderliningFollowStyleAndHover) {
    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(16);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    struct Case {
        DWORD underlineBits;
        bool normalUnderlined;
        bool hoveredUnderlined;
    };
    const Case cases[] = {
        {0, true, false},
        {HLS_UNDERLINE, true, true},
        {HLS_NOUNDERLINE, false, false},
        {HLS_UNDERLINE | HLS_NOUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE, false, true},
        {HLS_HOVERUNDERLINE | HLS_UNDERLINE, false, true},
    };
    for (const Case& c : cases) {
        HWND link = CreateLink(parent.window, "Quorvel", HLS_LEFT | HLS_TOP | HLS_AUTOSIZE | c.underlineBits);
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        {
            Painted normal(link);
            EXPECT_GT(normal.canvas.Count(kNavy), 0) << c.underlineBits;
            EXPECT_EQ(normal.canvas.Count(kDarkRed), 0) << c.underlineBits;
            EXPECT_EQ(normal.canvas.At(normal.canvas.width - 1, 0), face) << c.underlineBits;
            EXPECT_EQ(normal.HasUnderline(kNavy), c.normalUnderlined) << c.underlineBits;
        }
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(GetCapture(), link);
        {
            Painted hovered(link);
            EXPECT_GT(hovered.canvas.Count(kDarkRed), 0) << c.underlineBits;
            EXPECT_EQ(hovered.canvas.Count(kNavy), 0) << c.underlineBits;
            EXPECT_EQ(hovered.HasUnderline(kDarkRed), c.hoveredUnderlined) << c.underlineBits;
        }
        // Leaving the client area gives up the capture and the hover look.
        SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5000, 2));
        EXPECT_NE(GetCapture(), link);
        EXPECT_EQ(DataOf(link)->hovered, 0);
        EnableWindow(link, FALSE);
        {
            Painted disabled(link);
            EXPECT_GT(disabled.canvas.Count(GetSysColor(COLOR_GRAYTEXT)), 0) << c.underlineBits;
            EXPECT_EQ(disabled.canvas.Count(kNavy), 0) << c.underlineBits;
        }
        DestroyWindow(link);
    }
    DeleteObject(font);
}

TEST(HyperlinkTest, EnteringTheHoverStateRepaints) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "Quorvel", HLS_ABOUT_LINK);
    UpdateWindow(parent.window);
    UpdateWindow(link);
    RECT pending = {};
    ASSERT_FALSE(GetUpdateRect(link, &pending, FALSE));
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_TRUE(GetUpdateRect(link, &pending, FALSE));
    ReleaseCapture();
    DestroyWindow(link);
}

TEST(HyperlinkTest, ReleaseReportsTheClickToTheParent) {
    TestParent parent(50, 50, 400, 200);
    HWND link = CreateLink(parent.window, "Quorvel", HLS_ABOUT_LINK, 1234);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(GetFocus(), link);
    EXPECT_TRUE(parent.commands.empty());
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ASSERT_EQ(parent.commands.size(), 1u);
    EXPECT_EQ(parent.commands[0].id, 1234);
    EXPECT_EQ(parent.commands[0].code, 0);
    EXPECT_EQ(parent.commands[0].control, link);
    EXPECT_EQ(SendMessageA(link, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    DestroyWindow(link);
}

}  // namespace
