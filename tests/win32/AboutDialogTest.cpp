// The About box and its parts: the hyperlink control, centring over the
// owner and the help file's place.
#include "ui/AboutDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/Hyperlink.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr COLORREF kNavy = RGB(0, 0, 128);
static constexpr COLORREF kDarkRed = RGB(128, 0, 0);

static HWND CreateLink(HWND parent, const char* text, DWORD styles) {
    return CreateWindowExA(0, kHyperlinkClassName, text, WS_CHILD | WS_VISIBLE | styles, 10, 10, 50, 8, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(77)), GetModuleHandleA(nullptr), nullptr);
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

static void PostKey(HWND dialog, WPARAM key) {
    HWND target = GetFocus();
    PressKey(target && IsChild(dialog, target) ? target : dialog, key);
}

TEST(AboutDialogTest, OpensCentredAndClosesOnlyWithEnter) {
    TestParent owner(100, 100, 600, 400);
    Script script;
    script.WaitUntil([&] { return script.Dialog() != nullptr; }).Pause(1).Do([&] {
        HWND dialog = script.Dialog();
        RECT placed = {}, banner = {};
        GetWindowRect(dialog, &placed);
        EXPECT_EQ(placed.left, 100 + (600 - (placed.right - placed.left)) / 2);
        EXPECT_EQ(placed.top, 100 + (400 - (placed.bottom - placed.top)) / 2);
        // The links take the size of their text in the dialog's font.
        const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
        for (int id : {IDC_LINK_AUTHOR, IDC_LINK_TRACKER, IDC_LINK_ARTIST})
            EXPECT_TRUE(SizedToText(GetDlgItem(dialog, id), dialogFont)) << id;
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_LINK_AUTHOR)), "https://quorvel.example.org/");
        char tip[128] = {};
        SendDlgItemMessageA(dialog, IDC_LINK_ARTIST, HLM_GETTIP, sizeof tip, reinterpret_cast<LPARAM>(tip));
        EXPECT_STREQ(tip, "Visit website of the graphic artist Quorvel Team.");
        // The banner: black, with the title and the credit line in white.
        UpdateWindow(dialog);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_ABOUT_BANNER)));
        GetClientRect(GetDlgItem(dialog, IDC_ABOUT_BANNER), &banner);
        HDC dc = GetDC(dialog);
        EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 0, 0));
        int white = 0;
        for (int y = 0; y < banner.bottom; ++y)
            for (int x = 0; x < banner.right; ++x) white += GetPixel(dc, x, y) == RGB(255, 255, 255) ? 1 : 0;
        ReleaseDC(dialog, dc);
        EXPECT_GT(white, 20);
        PostKey(dialog, VK_ESCAPE);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        HWND link = GetDlgItem(dialog, IDC_LINK_TRACKER);
        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    });
    // Neither Escape, the close command nor a link's click end the box.
    script.Pause(9).Do([&] {
        ASSERT_NE(script.Dialog(), nullptr);
        PostKey(script.Dialog(), VK_RETURN);
    });
    INT_PTR result = 0;
    RunScript(script, [&] {
        result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner.window,
                                 AboutDialogProc, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(script.boxes.empty());
}

TEST(HyperlinkTest, TextTipAndClick) {
    TestParent parent(50, 50, 400, 200);
    HFONT font = CreateCrispFont(13);
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
    // A new text resizes an autosize link (SetWindowTextA reports whether the
    // control took it); without autosize the window keeps its size.
    SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_TRUE(SetWindowTextA(link, "https://quorvel.example.org/a/much/longer/address"));
    EXPECT_TRUE(SizedToText(link, font));
    HWND fixed = CreateLink(parent.window, "short", HLS_LEFT | HLS_TOP);
    SetWindowTextA(fixed, "https://quorvel.example.org/a/much/longer/address");
    RECT outer = {};
    GetWindowRect(fixed, &outer);
    EXPECT_EQ(outer.right - outer.left, 50);
    DestroyWindow(fixed);

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
    EXPECT_EQ(SendMessageA(link, HLM_GETTIP, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_FALSE(IsWindow(tip));
    // Pressing takes the focus; releasing reports the click.
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(GetFocus(), link);
    EXPECT_TRUE(parent.commands.empty());
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(parent.commands, (std::vector<std::pair<WPARAM, LPARAM>>{{77, reinterpret_cast<LPARAM>(link)}}));
    EXPECT_EQ(SendMessageA(link, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    DestroyWindow(link);
    DeleteObject(font);
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

// Without an owner the desktop is the parent: the main window's first start.
TEST(WindowUtilTest, CentresOverTheOwnerWithoutClamping) {
    TestParent owner(200, 150, 300, 200, WS_POPUP | WS_VISIBLE);
    const struct {
        int width, height;
        LONG left, top;
    } cases[] = {
        {100, 50, 300, 225},   // inside: (300 - 100) / 2, (200 - 50) / 2
        {501, 100, 100, 200},  // wider: (300 - 501) / 2 = -100, truncated toward zero
        {300, 401, 200, 50},   // taller: (200 - 401) / 2 = -100
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        HWND popup = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, c.width, c.height, owner.window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        CenterOnParent(popup);
        RECT placed = {};
        GetWindowRect(popup, &placed);
        EXPECT_EQ(placed.left, c.left);
        EXPECT_EQ(placed.top, c.top);
        EXPECT_EQ(placed.right - placed.left, c.width);
        DestroyWindow(popup);
    }
}

TEST(WindowUtilTest, HelpFileLiesBesideTheExecutable) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Quorvel\\quorvel.exe"), "C:\\Program Files\\Quorvel\\quorvel.html");
    // A folder as long as a whole path buffer still yields the whole name.
    const std::string deep = "C:\\" + std::string(250, 'd');
    EXPECT_EQ(HelpFilePath((deep + "\\q.exe").c_str()), deep + "\\quorvel.html");
}
