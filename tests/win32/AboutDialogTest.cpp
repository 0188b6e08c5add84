#include "ui/AboutDialog.h"

#include <gtest/gtest.h>

#include "ui/Hyperlink.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

namespace {

INT_PTR RunAbout(HWND owner) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

void PostKey(HWND dialog, WPARAM key) {
    HWND target = GetFocus();
    if (!target || !IsChild(dialog, target)) target = dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

TEST(AboutDialogTest, EscapeKeepsTheBoxOpenAndEnterClosesIt) {
    TestParent owner(100, 100, 600, 400);
    bool openAfterEscape = false;
    std::string artistTip;
    DialogDriver driver([&](HWND dialog, int tick) {
        if (tick == 1) {
            char tip[128] = {};
            SendDlgItemMessageA(dialog, IDC_LINK_ARTIST, HLM_GETTIP, sizeof tip, reinterpret_cast<LPARAM>(tip));
            artistTip = tip;
            PostKey(dialog, VK_ESCAPE);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        } else if (tick == 4) {
            openAfterEscape = IsWindowVisible(dialog) != FALSE;
            PostKey(dialog, VK_RETURN);
        }
    });
    EXPECT_EQ(RunAbout(owner.window), 1);
    EXPECT_FALSE(driver.timedOut);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(artistTip, "Visit website of the graphic artist Quorvel Team.");
}

TEST(AboutDialogTest, ClickingALinkLeavesTheBoxOpen) {
    TestParent owner(100, 100, 600, 400);
    bool openAfterClick = false;
    DialogDriver driver([&](HWND dialog, int tick) {
        HWND link = GetDlgItem(dialog, IDC_LINK_TRACKER);
        if (tick == 1) {
            PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
            PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        } else if (tick == 10) {
            openAfterClick = IsWindowVisible(dialog) != FALSE;
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(RunAbout(owner.window), 1);
    EXPECT_FALSE(driver.timedOut);
    EXPECT_TRUE(openAfterClick);
    EXPECT_TRUE(driver.otherDialogs.empty());
}

TEST(AboutDialogTest, OpensCentredOverItsOwnerWithTheBannerPainted) {
    TestParent owner(100, 100, 600, 400);
    RECT placed = {};
    bool bannerHidden = false;
    COLORREF corner = 0;
    int whitePixels = 0;
    DialogDriver driver([&](HWND dialog, int tick) {
        if (tick == 2) {
            GetWindowRect(dialog, &placed);
            UpdateWindow(dialog);
            bannerHidden = !IsWindowVisible(GetDlgItem(dialog, IDC_ABOUT_BANNER));
            RECT banner = {};
            GetClientRect(GetDlgItem(dialog, IDC_ABOUT_BANNER), &banner);
            HDC dc = GetDC(dialog);
            corner = GetPixel(dc, 2, 2);
            for (int y = 0; y < banner.bottom; ++y)
                for (int x = 0; x < banner.right; ++x)
                    if (GetPixel(dc, x, y) == RGB(255, 255, 255)) ++whitePixels;
            ReleaseDC(dialog, dc);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    ASSERT_EQ(RunAbout(owner.window), 1);
    RECT ownerRect = {};
    GetWindowRect(owner.window, &ownerRect);
    const LONG width = placed.right - placed.left;
    const LONG height = placed.bottom - placed.top;
    EXPECT_EQ(placed.left, ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2);
    EXPECT_EQ(placed.top, ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2);
    EXPECT_TRUE(bannerHidden);
    EXPECT_EQ(corner, RGB(0, 0, 0));
    EXPECT_GT(whitePixels, 20);  // the title and the credit line
}

}  // namespace
