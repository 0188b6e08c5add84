#include "ui/WindowUtil.h"

#include <gtest/gtest.h>

#include <string>

#include "win32/Win32Support.h"

TEST(WindowUtilTest, CentresOverTheOwnerOrTheDesktopWithoutClamping) {
    TestParent owner(200, 150, 300, 200, WS_POPUP | WS_VISIBLE);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const struct {
        HWND owner;
        int width, height;
        LONG left, top;
    } cases[] = {
        {owner.window, 100, 50, 300, 225},   // inside: (300 - 100) / 2, (200 - 50) / 2
        {owner.window, 501, 100, 100, 200},  // wider: (300 - 501) / 2 = -100, truncated toward zero
        {owner.window, 300, 401, 200, 50},   // taller: (200 - 401) / 2 = -100
        {nullptr, 120, 80, (desktop.right - 120) / 2, (desktop.bottom - 80) / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        HWND popup = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, c.width, c.height, c.owner, nullptr,
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

TEST(WindowUtilTest, BitmapBannerFillsTheMarkedAreaOnEveryPaint) {
    TestParent parent(50, 50, 760, 200, WS_POPUP | WS_VISIBLE);
    HWND banner = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, 699, 81,
                                  parent.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    int paints = 0;
    parent.onPaint = [&] {
        ++paints;
        PaintBanner(banner, nullptr, nullptr, BannerMode::kBitmap);
    };
    for (int i = 0; i < 2; ++i) {
        InvalidateRect(parent.window, nullptr, TRUE);
        UpdateWindow(parent.window);
        PumpMessages();
    }
    EXPECT_FALSE(IsWindowVisible(banner));
    EXPECT_GE(paints, 2);
    HDC dc = GetDC(parent.window);
    // The picture's dark background, not the black of the marker control.
    const COLORREF corner = GetPixel(dc, 1, 1);
    int light = 0;
    for (int x = 0; x < 699; x += 3)
        for (int y = 0; y < 81; y += 3) light += GetRValue(GetPixel(dc, x, y)) > 200 ? 1 : 0;
    ReleaseDC(parent.window, dc);
    EXPECT_NE(corner, RGB(0, 0, 0));
    EXPECT_LT(GetRValue(corner), 60);
    EXPECT_LT(GetBValue(corner), 80);
    EXPECT_GT(light, 20);  // the word
}

TEST(WindowUtilTest, HelpFileLiesBesideTheExecutable) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Quorvel\\quorvel.exe"), "C:\\Program Files\\Quorvel\\quorvel.html");
    // A folder as long as a whole path buffer still yields the whole name.
    const std::string deep = "C:\\" + std::string(250, 'd');
    EXPECT_EQ(HelpFilePath((deep + "\\q.exe").c_str()), deep + "\\quorvel.html");
}
