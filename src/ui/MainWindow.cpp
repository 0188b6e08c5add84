// The window's frame only: banner, song rows, About, Help and closing. The
// runs, the tabs, the context menu and the settings come with the run logic.
#include "ui/MainWindow.h"

#include "ui/AboutDialog.h"
#include "ui/SongRows.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, "Quorvel - " QUORVEL_VERSION);
        CenterOnParent(dialog);
        return TRUE;
    case WM_PAINT:
        PaintBanner(GetDlgItem(dialog, IDC_BANNER), nullptr, nullptr, BannerMode::kBitmap);
        return TRUE;
    case WM_MEASUREITEM:
        MeasureSongRow(dialog, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        DrawSongRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_ABOUT:
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialogProc, 0);
            break;
        case IDM_HELP:
            OpenHelp();
            break;
        default:
            break;
        }
        return TRUE;
    default:
        return FALSE;
    }
}
