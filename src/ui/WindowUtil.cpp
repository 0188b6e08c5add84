#include "ui/WindowUtil.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "ui/Scoped.h"
#include "ui/resource.h"

void CenterOnParent(HWND window) {
    HWND parent = GetParent(window);
    if (!parent) parent = GetDesktopWindow();
    RECT outer = {};
    RECT parentOuter = {};
    if (!GetWindowRect(window, &outer) || !GetWindowRect(parent, &parentOuter)) return;
    const LONG width = outer.right - outer.left;
    const LONG height = outer.bottom - outer.top;
    // Truncating toward zero: a window larger than its parent gets a negative
    // offset and overhangs on both sides; it is not clamped.
    const LONG left = parentOuter.left + (parentOuter.right - parentOuter.left - width) / 2;
    const LONG top = parentOuter.top + (parentOuter.bottom - parentOuter.top - height) / 2;
    SetWindowPos(window, HWND_TOP, left, top, 0, 0, SWP_NOSIZE);
}

static void PaintBannerBitmap(HDC dc, const RECT& area) {
    ScopedBitmap bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BANNER)));
    if (!bitmap) return;
    BITMAP size = {};
    if (!GetObjectA(bitmap.handle, sizeof size, &size)) return;
    ScopedMemoryDC source(dc);
    if (!source.dc) return;
    SetMapMode(source.dc, GetMapMode(dc));
    ScopedSelect selected(source.dc, bitmap.handle);
    // Averaging instead of dropping rows keeps the thin strokes of the
    // picture visible when the banner is drawn smaller than 699 x 81.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, source.dc, 0, 0, size.bmWidth,
               size.bmHeight, SRCCOPY);
}

static void PaintBannerText(HWND parent, HDC dc, RECT area, const char* title, const char* subtitle) {
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    ScopedFont bold(CreateFontVariant(dialogFont, FW_BOLD, false));
    ScopedFont normal(CreateFontVariant(dialogFont, FW_NORMAL, false));
    area.left += 17;
    area.top += 10;
    {
        ScopedSelect font(dc, bold.handle);
        DrawTextA(dc, title ? title : "", -1, &area, DT_SINGLELINE);
    }
    area.top += 15;
    ScopedSelect font(dc, normal.handle);
    DrawTextA(dc, subtitle ? subtitle : "", -1, &area, DT_SINGLELINE);
}

void PaintBanner(HWND banner, const char* title, const char* subtitle, BannerMode mode) {
    RECT area = {};
    GetClientRect(banner, &area);
    if (IsWindowVisible(banner)) ShowWindow(banner, SW_HIDE);
    HWND parent = GetParent(banner);
    ScopedPaint paint(parent);
    if (!paint.dc) return;
    if (mode == BannerMode::kBitmap) {
        PaintBannerBitmap(paint.dc, area);
    } else {
        PaintBannerText(parent, paint.dc, area, title, subtitle);
    }
}

std::string HelpFilePath(const char* executablePath) {
    std::string folder(executablePath ? executablePath : "");
    const size_t slash = folder.find_last_of('\\');
    folder.resize(slash == std::string::npos ? 0 : slash);
    return folder + "\\quorvel.html";
}

void OpenHelp() {
    // A deep install folder can make the executable's path as long as the
    // buffer; such a path comes back cut off, so it is not opened at all.
    char executable[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, executable, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return;
    const std::string help = HelpFilePath(executable);
    ShellExecuteA(nullptr, "open", help.c_str(), nullptr, nullptr, SW_SHOW);
}
