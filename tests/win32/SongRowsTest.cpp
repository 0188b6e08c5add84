#include "ui/SongRows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "win32/Win32Support.h"

namespace {

std::unique_ptr<SongEntry> SongRow(uint32_t ordinal, const std::string& path, std::vector<const char*> plugins) {
    auto song = std::make_unique<SongEntry>();
    song->ordinal = ordinal;
    song->path = path;
    song->artist = "Someone";
    song->bpm = 125;
    song->tpl = 6;
    song->plugins = std::make_unique<PluginSet>();
    for (const char* name : plugins) PluginSetAdd(*song->plugins, name, nullptr);
    return song;
}

std::unique_ptr<SongEntry> PluginRow(const SongEntry& song, const char* name, uint32_t missing) {
    auto row = std::make_unique<SongEntry>();
    row->plugin = PluginSetFind(*song.plugins, name);
    row->missing = missing;
    return row;
}

// An owner-drawn songs list in a window that hands its items to the rows
// code, as the main window does.
class SongRowsTest : public ::testing::Test {
protected:
    TestParent parent{20, 20, 980, 700};
    HFONT font = CreateCrispFont(13);
    HWND list = nullptr;
    std::vector<std::unique_ptr<SongEntry>> rows;
    int h = 0;

    void SetUp() override {
        PluginSetClear(InstalledPlugins);
        list = CreateWindowExA(0, "ListBox", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | LBS_OWNERDRAWVARIABLE | LBS_NOSEL |
                                   LBS_NOINTEGRALHEIGHT,
                               0, 0, 940, 640, parent.window, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        HDC dc = GetDC(parent.window);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        ReleaseDC(parent.window, dc);
        h = metrics.tmHeight;
    }
    void TearDown() override {
        DestroyWindow(list);
        DeleteObject(font);
        PluginSetClear(InstalledPlugins);
    }
    void Add(std::unique_ptr<SongEntry> row) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.get()));
        rows.push_back(std::move(row));
    }
    // A song with two plug-ins (one of them missing) and one with none.
    void AddTwoSongs(const std::string& firstPath = "C:\\Songs\\Demo.xrns") {
        auto song = SongRow(1, firstPath, {"Delay.dll", "Synth.dll", "Delay.dll"});
        auto delay = PluginRow(*song, "Delay.dll", 1);
        auto synth = PluginRow(*song, "Synth.dll", 0);
        Add(std::move(song));
        Add(std::move(delay));
        Add(std::move(synth));
        Add(SongRow(2, "C:\\Songs\\Quiet.xrns", {}));
    }
    RECT ItemRect(int index) const {
        RECT area = {};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&area));
        return area;
    }
    RECT Line(int index, int line) const {
        RECT area = ItemRect(index);
        area.top += line * h;
        area.bottom = area.top + h;
        return area;
    }
    std::unique_ptr<Canvas> PaintList() const {
        RECT client = {};
        GetClientRect(list, &client);
        auto canvas = std::make_unique<Canvas>(client.right, client.bottom, RGB(255, 0, 255));
        SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc), PRF_CLIENT);
        return canvas;
    }
};

TEST_F(SongRowsTest, RowsAreWholeLinesOfTheDefaultFont) {
    AddTwoSongs();
    EXPECT_EQ(LineHeight, h);
    struct Case {
        int index;
        int lines;
    };
    const Case cases[] = {{0, 7}, {1, 1}, {2, 1}, {3, 8}};  // song with plug-ins, two plug-ins, song without
    for (const Case& c : cases)
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(c.index), 0), c.lines * h) << c.index;
}

TEST_F(SongRowsTest, PluginRowsAreColouredByInventoryAndMissingMark) {
    AddTwoSongs();
    const COLORREF navy = RGB(0, 0, 128), darkRed = RGB(128, 0, 0), darkGreen = RGB(0, 128, 0);
    {
        // No inventory: names in navy, no counts.
        auto canvas = PaintList();
        for (int index : {1, 2}) {
            EXPECT_GT(canvas->Count(navy, Line(index, 0)), 0) << index;
            EXPECT_EQ(canvas->Count(darkRed, Line(index, 0)) + canvas->Count(darkGreen, Line(index, 0)), 0);
            RECT countColumn = Line(index, 0);
            countColumn.left = countColumn.right - h - kCountWidth;
            EXPECT_EQ(canvas->Count(navy, countColumn), 0) << index;
        }
    }
    PluginSetAdd(InstalledPlugins, "Synth.dll", "C:\\VST");
    InvalidateRect(list, nullptr, TRUE);
    auto canvas = PaintList();
    EXPECT_GT(canvas->Count(darkRed, Line(1, 0)), 0);
    EXPECT_EQ(canvas->Count(darkGreen, Line(1, 0)), 0);
    EXPECT_GT(canvas->Count(darkGreen, Line(2, 0)), 0);
    EXPECT_EQ(canvas->Count(darkRed, Line(2, 0)), 0);
    RECT countColumn = Line(2, 0);
    countColumn.left = countColumn.right - h - kCountWidth;
    EXPECT_GT(canvas->Count(darkGreen, countColumn), 0);
    // The song without plug-ins says so on its last line, in dark green.
    EXPECT_GT(canvas->Count(darkGreen, Line(3, 7)), 0);
    EXPECT_EQ(canvas->Count(darkGreen, Line(0, 6)), 0);
}

TEST_F(SongRowsTest, LongPathIsShortenedAndOrdinalStaysAtTheRightMargin) {
    AddTwoSongs("C:\\" + std::string(60, 'a') + "\\" + std::string(60, 'b') + "\\" + std::string(60, 'c') +
                "\\Demo.xrns");
    auto canvas = PaintList();
    const RECT item = ItemRect(0);
    RECT pathLine = Line(0, 1);
    const LONG pathStart = 2 * h + 32;
    // Nothing of the path beyond its 530 pixels, up to the ordinal's place.
    RECT gap = pathLine;
    gap.left = pathStart + kPathWidth + 1;
    gap.right = item.right - h - 30;
    EXPECT_EQ(canvas->Count(RGB(0, 0, 0), gap), 0);
    RECT ordinal = pathLine;
    ordinal.left = item.right - h - 30;
    ordinal.right = item.right - h;
    EXPECT_GT(canvas->Count(RGB(0, 0, 0), ordinal), 0);
    RECT path = pathLine;
    path.left = pathStart;
    path.right = pathStart + kPathWidth;
    EXPECT_GT(canvas->Count(RGB(0, 0, 0), path), 100);
    // The icon stands left of the path, from the first line down.
    RECT icon = {item.left + h, item.top + h, item.left + h + 32, item.top + h + 32};
    EXPECT_LT(canvas->Count(GetSysColor(COLOR_WINDOW), icon), 32 * 32 - 100);
}

TEST_F(SongRowsTest, EveryDrawActionPaintsTheSameCard) {
    AddTwoSongs();
    const RECT item = ItemRect(0);
    std::vector<std::unique_ptr<Canvas>> canvases;
    for (UINT action : {ODA_DRAWENTIRE, ODA_SELECT, ODA_FOCUS}) {
        auto canvas = std::make_unique<Canvas>(item.right, item.bottom - item.top, RGB(255, 0, 255));
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_LISTBOX;
        draw.itemID = 0;
        draw.itemAction = action;
        draw.itemState = action == ODA_DRAWENTIRE ? 0 : ODS_SELECTED | ODS_FOCUS;
        draw.hwndItem = list;
        draw.hDC = canvas->dc;
        draw.rcItem = {0, 0, item.right, item.bottom - item.top};
        draw.itemData = reinterpret_cast<ULONG_PTR>(rows[0].get());
        DrawSongRow(&draw);
        canvases.push_back(std::move(canvas));
    }
    EXPECT_EQ(canvases[0]->Count(RGB(255, 0, 255)), 0);  // the whole item is painted
    EXPECT_TRUE(canvases[0]->SameAs(*canvases[1]));
    EXPECT_TRUE(canvases[0]->SameAs(*canvases[2]));
}

}  // namespace
