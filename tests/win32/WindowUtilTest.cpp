#include "ui/WindowUtil.h"

#include <gtest/gtest.h>

#include <string>

#include "win32/Win32Support.h"

namespace {

HWND CreateOwnedPopup(HWND owner, int width, int height) {
    return CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, width, height, owner, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

TEST(WindowUtilTest, CentresOverTheOwnerWithoutClamping) {
    TestParent owner(200, 150, 300, 200, WS_POPUP | WS_VISIBLE);
    struct Case {
        int width, height;
        LONG left, top;
    };
    const Case cases[] = {
        {100, 50, 300, 225},   // inside: (300 - 100) / 2, (200 - 50) / 2
        {501, 100, 100, 200},  // wider: (300 - 501) / 2 = -100, truncated toward zero
        {300, 401, 200, 50},   // taller: (200 - 401) / 2 = -100
    };
    for (const Case& c : cases) {
        HWND popup = CreateOwnedPopup(owner.window, c.width, c.height);
        CenterOnParent(popup);
        RECT placed = {};
        GetWindowRect(popup, &placed);
        EXPECT_EQ(placed.left, c.left) << c.width << "x" << c.height;
        EXPECT_EQ(placed.top, c.top) << c.width << "x" << c.height;
        EXPECT_EQ(placed.right - placed.left, c.width);
        DestroyWindow(popup);
    }
}

TEST(WindowUtilTest, CentresOnTheDesktopWithoutOwner) {
    HWND popup = CreateOwnedPopup(nullptr, 120, 80);
    CenterOnParent(popup);
    RECT desktop = {};
    RECT placed = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(popup, &placed);
    EXPECT_EQ(placed.left, desktop.left + (desktop.right - desktop.left - 120) / 2);
    EXPECT_EQ(placed.top, desktop.top + (desktop.bottom - desktop.top - 80) / 2);
    DestroyWindow(popup);
}

TEST(WindowUtilTest, BitmapBannerFillsTheMarkedAreaOnEveryPaint) {
    TestParent parent(50, 50, 760, 200, WS_POPUP | WS_VISIBLE);
    HWND banner = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, 699, 81,
                                  parent.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    int paints = 0;
    parent.onPaint = [&](HWND) {
        ++paints;
        PaintBanner(banner, nullptr, nullptr, BannerMode::kBitmap);
    };
    InvalidateRect(parent.window, nullptr, TRUE);
    UpdateWindow(parent.window);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(banner));
    InvalidateRect(parent.window, nullptr, TRUE);
    UpdateWindow(parent.window);
    EXPECT_GE(paints, 2);
    HDC dc = GetDC(parent.window);
    // The picture's dark background, not the black of the marker control.
    const COLORREF corner = GetPixel(dc, 1, 1);
    int light = 0;
    for (int x = 0; x < 699; x += 3)
        for (int y = 0; y < 81; y += 3)
            if (GetRValue(GetPixel(dc, x, y)) > 200) ++light;
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

}  // namespace
