#include "ui/AboutDialog.h"

#include <shellapi.h>

#include "ui/Hyperlink.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"

static const char* LinkAddress(int id) {
    switch (id) {
    case IDC_LINK_AUTHOR:
        return QUORVEL_AUTHOR_URL;
    case IDC_LINK_TRACKER:
        return QUORVEL_TRACKER_URL;
    default:
        return QUORVEL_ARTIST_URL;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_LINK_AUTHOR, HLM_SETTIP, 0, reinterpret_cast<LPARAM>(kAuthorTip));
        SendDlgItemMessageA(dialog, IDC_LINK_TRACKER, HLM_SETTIP, 0, reinterpret_cast<LPARAM>(kTrackerTip));
        SendDlgItemMessageA(dialog, IDC_LINK_ARTIST, HLM_SETTIP, 0, reinterpret_cast<LPARAM>(kArtistTip));
        CenterOnParent(dialog);
        return TRUE;
    case WM_PAINT:
        PaintBanner(GetDlgItem(dialog, IDC_ABOUT_BANNER), kAboutTitle, kAboutCredit, BannerMode::kText);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, 1);
            break;
        case IDC_LINK_AUTHOR:
        case IDC_LINK_TRACKER:
        case IDC_LINK_ARTIST:
            ShellExecuteA(nullptr, "open", LinkAddress(LOWORD(wParam)), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        default:
            // Escape (IDCANCEL) and the close command leave the box open.
            break;
        }
        return TRUE;
    default:
        return FALSE;
    }
}
