#include "ui/AboutDialog.h"

#include <gtest/gtest.h>

#include "ui/Hyperlink.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

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
