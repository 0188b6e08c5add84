// The main window's side of the run seam: the handles the window layer keeps
// and the table through which the core shows status, rows, tabs and
// messages in them.
#pragma once

#include <windows.h>

#include <string>

#include "core/FrontEnd.h"

// Set by InitMainWindow, valid until the window is destroyed.
struct MainWindowState {
    HWND window = nullptr;
    HWND tabs = nullptr;
    HWND songList = nullptr;
    HWND missingList = nullptr;
    HWND unusedList = nullptr;
    HWND errorList = nullptr;
    HWND statusLine = nullptr;
    HMENU menu = nullptr;         // menu 2001 as loaded
    HMENU contextMenu = nullptr;  // its first submenu
    WNDPROC previousTabProc = nullptr;
};

extern MainWindowState MainWindow;

// Keeps the control handles of the main window and installs the table.
void InstallWindowFrontEnd(HWND mainWindow);
// Forgets the handles and installs an empty table, so that nothing reaches
// a window that is gone.
void RemoveWindowFrontEnd();

// The list box that mirrors a result list.
HWND ResultListWindow(ResultTab tab);

// The save dialog of an interactive export; true with the chosen path.
bool ChooseExportFile(HWND owner, std::string& path);
