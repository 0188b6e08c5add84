#include "ui/SongRows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "win32/Win32Support.h"

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

    const COLORREF navy = RGB(0, 0, 128), darkRed = RGB(128, 0, 0), darkGreen = RGB(0, 128, 0);
    {
        // No inventory: names in navy, no counts.
        auto canvas = paintList();
        for (int index : {1, 2}) {
            EXPECT_GT(canvas->Count(navy, lineOf(index, 0)), 0) << index;
            EXPECT_EQ(canvas->Count(darkRed, lineOf(index, 0)) + canvas->Count(darkGreen, lineOf(index, 0)), 0);
            EXPECT_EQ(canvas->Count(navy, lineOf(index, 0, -h - kCountWidth)), 0) << index;
        }
    }
    PluginSetAdd(InstalledPlugins, "Synth.dll", "C:\\VST");
    auto canvas = paintList();
    // Row 1 (Delay.dll) missing, with its count; row 2 (Synth.dll) installed.
    for (const auto& [index, shown, absent] : {std::tuple{1, darkRed, darkGreen}, std::tuple{2, darkGreen, darkRed}}) {
        EXPECT_GT(canvas->Count(shown, lineOf(index, 0)), 0) << index;
        EXPECT_EQ(canvas->Count(absent, lineOf(index, 0)), 0) << index;
        EXPECT_GT(canvas->Count(shown, lineOf(index, 0, -h - kCountWidth)), 0) << index;
    }
    // The song without plug-ins says so on its last line, in dark green.
    EXPECT_GT(canvas->Count(darkGreen, lineOf(3, 7)), 0);
    EXPECT_EQ(canvas->Count(darkGreen, lineOf(0, 6)), 0);

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
