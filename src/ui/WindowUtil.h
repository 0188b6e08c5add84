// Routines shared by the dialogs: centring over the parent, the black header
// banner, and the help file.
#pragma once

#include <windows.h>

#include <string>

enum class BannerMode {
    kBitmap,  // bitmap 101 stretched over the banner area (main window)
    kText,    // black with a bold title and a second line (About box)
};

// Moves the window, keeping its size, to the middle of its parent (the owner
// of a top-level window), or of the desktop when it has none.
void CenterOnParent(HWND window);

// Paints the banner area of the control's parent. The control only marks the
// place (its parent's top-left corner); it is hidden at the first paint.
void PaintBanner(HWND banner, const char* title, const char* subtitle, BannerMode mode);

// The help file beside the given executable path.
std::string HelpFilePath(const char* executablePath);
void OpenHelp();
