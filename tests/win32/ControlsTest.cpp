// The window's controls and helpers outside a session: the hyperlink control,
// centring over the owner, the help file's place and the song rows. The About
// box and the songs list themselves open in the main window's session.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "ui/Hyperlink.h"
#include "ui/SongRows.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr COLORREF kNavy = RGB(0, 0, 128), kDarkRed = RGB(128, 0, 0), kDarkGreen = RGB(0, 128, 0);

// A top-level window that records WM_COMMAND (wParam, lParam) and hands
// WM_MEASUREITEM / WM_DRAWITEM to the song rows.
struct TestParent {
    HWND window = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* parent = reinterpret_cast<TestParent*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COMMAND && parent) parent->commands.emplace_back(wParam, lParam);
        if (message == WM_MEASUREITEM) MeasureSongRow(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        if (message == WM_DRAWITEM) DrawSongRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    TestParent(int x, int y, int width, int height) {
        static const WNDCLASSA windowClass = {0, Proc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr,
                                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr, "QuorvelTest"};
        static const ATOM registered = RegisterClassA(&windowClass);
        window = CreateWindowExA(0, MAKEINTATOM(registered), "test", WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
    }
    ~TestParent() { DestroyWindow(window); }
};

// Drawn without smoothing, so that text pixels have exactly their colour.
static HFONT CreateCrispFont(int height) {
    return CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

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
    TestParent owner(200, 150, 300, 200);
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

// An owner-drawn songs list in a window that hands its items to the rows
// code, as the main window does: a first song with a long path and two
// plug-ins (Delay.dll marked missing), and one without.
TEST(SongRowsTest, WholeLinesSameCardForEveryActionColoursAndShortenedPath) {
    TestParent parent{20, 20, 980, 700};
    HFONT font = CreateCrispFont(13);
    HWND list = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWVARIABLE |
                                    LBS_NOSEL | LBS_NOINTEGRALHEIGHT,
                                0, 0, 940, 640, parent.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TEXTMETRICA metrics = {};
    HDC dc = GetDC(parent.window);
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(parent.window, dc);
    const int h = metrics.tmHeight;
    // The rows as a reading appends them.
    PluginSetAdd(MissingPlugins, "Delay.dll", nullptr);
    const std::string firstPath = "C:\\" + std::string(60, 'a') + "\\" + std::string(60, 'b') + "\\" +
                                  std::string(60, 'c') + "\\Demo.xrns";
    for (const std::string& path : {firstPath, std::string("C:\\Songs\\Quiet.xrns")}) {
        auto song = NewSongEntry(path.c_str());
        song->artist = "Someone";
        song->bpm = 125;
        song->tpl = 6;
        for (const char* name : {"Delay.dll", "Synth.dll", "Delay.dll"})
            if (path == firstPath) PluginSetAdd(*song->plugins, name, nullptr);
        AppendSongRows(std::move(song));
    }
    for (const auto& row : SongList) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.get()));
    // Columns left to right of a line of an item; a right edge <= 0 and a
    // left edge < 0 count from the item's right edge.
    auto lineOf = [&](int index, int line, LONG left = 0, LONG right = 0) {
        RECT area = {};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&area));
        area.top += line * h;
        area.bottom = area.top + h;
        area.left = left < 0 ? area.right + left : left;
        area.right = right <= 0 ? area.right + right : right;
        return area;
    };
    auto paintList = [&] {
        auto canvas = std::make_unique<Canvas>(940, 640, RGB(255, 0, 255));
        SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc), PRF_CLIENT);
        return canvas;
    };
    EXPECT_EQ(LineHeight, h);
    const int lines[] = {7, 1, 1, 8};  // song with plug-ins, two plug-ins, song without
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0), lines[index] * h) << index;
    const RECT item = lineOf(0, 0);
    std::vector<std::unique_ptr<Canvas>> canvases;
    for (UINT action : {ODA_DRAWENTIRE, ODA_SELECT, ODA_FOCUS}) {
        canvases.push_back(std::make_unique<Canvas>(item.right, 7 * h, RGB(255, 0, 255)));
        DRAWITEMSTRUCT draw = {ODT_LISTBOX, 0, 0, action, action == ODA_DRAWENTIRE ? 0u : ODS_SELECTED | ODS_FOCUS,
                               list, canvases.back()->dc, {0, 0, item.right, 7 * h},
                               reinterpret_cast<ULONG_PTR>(SongList[0].get())};
        DrawSongRow(&draw);
    }
    EXPECT_EQ(canvases[0]->Count(RGB(255, 0, 255)), 0);  // the whole item is painted
    GdiFlush();
    const size_t bytes = static_cast<size_t>(item.right) * static_cast<size_t>(7 * h) * 4;
    for (int i : {1, 2}) EXPECT_EQ(std::memcmp(canvases[0]->bits, canvases[i]->bits, bytes), 0) << i;

    {
        // No inventory: names in navy, no counts.
        auto canvas = paintList();
        for (int index : {1, 2}) {
            EXPECT_GT(canvas->Count(kNavy, lineOf(index, 0)), 0) << index;
            EXPECT_EQ(canvas->Count(kDarkRed, lineOf(index, 0)) + canvas->Count(kDarkGreen, lineOf(index, 0)), 0);
            EXPECT_EQ(canvas->Count(kNavy, lineOf(index, 0, -h - kCountWidth)), 0) << index;
        }
    }
    PluginSetAdd(InstalledPlugins, "Synth.dll", "C:\\VST");
    auto canvas = paintList();
    // Row 1 (Delay.dll) missing, with its count; row 2 (Synth.dll) installed.
    for (const auto& [index, shown, absent] :
         {std::tuple{1, kDarkRed, kDarkGreen}, std::tuple{2, kDarkGreen, kDarkRed}}) {
        EXPECT_GT(canvas->Count(shown, lineOf(index, 0)), 0) << index;
        EXPECT_EQ(canvas->Count(absent, lineOf(index, 0)), 0) << index;
        EXPECT_GT(canvas->Count(shown, lineOf(index, 0, -h - kCountWidth)), 0) << index;
    }
    // The song without plug-ins says so on its last line, in dark green.
    EXPECT_GT(canvas->Count(kDarkGreen, lineOf(3, 7)), 0);
    EXPECT_EQ(canvas->Count(kDarkGreen, lineOf(0, 6)), 0);

    const LONG pathStart = 2 * h + 32;
    const COLORREF black = RGB(0, 0, 0);
    // Nothing of the path beyond its 530 pixels, up to the ordinal's place.
    EXPECT_EQ(canvas->Count(black, lineOf(0, 1, pathStart + kPathWidth + 1, -h - 30)), 0);
    EXPECT_GT(canvas->Count(black, lineOf(0, 1, -h - 30, -h)), 0);
    EXPECT_GT(canvas->Count(black, lineOf(0, 1, pathStart, pathStart + kPathWidth)), 100);
    // The icon stands left of the path, from the first line down.
    const RECT icon = {h, h, h + 32, h + 32};
    EXPECT_LT(canvas->Count(GetSysColor(COLOR_WINDOW), icon), 32 * 32 - 100);
    DestroyWindow(list);
    ClearReadingResults();
    DeleteObject(font);
    PluginSetClear(InstalledPlugins);
}
