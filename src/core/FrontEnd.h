// The run seam: everything the portable code asks of the window (or of the
// Linux program that stands in for it). A front end installs one table of
// function pointers; a missing entry does nothing. Tests install a recorder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum ResultTab : int {
    kTabSongs = 0,
    kTabMissing = 1,
    kTabUnused = 2,
    kTabErrors = 3,
};

// Message box styles and answers, with the values the window system uses so
// that the window can pass them through unchanged.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconStop = 0x10;     // MB_ICONHAND / MB_ICONERROR
inline constexpr unsigned kMbIconWarning = 0x30;  // MB_ICONWARNING
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct FrontEnd {
    // StatusLine: the summary, or the file or plug-in at hand while busy.
    void (*setStatusText)(const char* text) = nullptr;
    // A list of the model gained a row at index (SongList, ErrorList, and the
    // rebuilt MissingList / UnusedList), or was emptied.
    void (*rowAppended)(ResultTab tab, size_t index) = nullptr;
    void (*listCleared)(ResultTab tab) = nullptr;
    // Busy state of a run or scan: wait cursor, result lists disabled, redraw
    // of the songs list suspended; and its end (arrow, lists enabled, focus).
    void (*enterBusy)() = nullptr;
    void (*leaveBusy)() = nullptr;
    void (*enableExport)(int enabled) = nullptr;
    // Selects a tab and performs the tab-selection handling.
    void (*selectTab)(ResultTab tab) = nullptr;
    // A modal message; returns kIdOk or kIdCancel.
    int (*messageBox)(void* owner, const char* text, const char* caption, unsigned style) = nullptr;
    // The save dialog of an interactive export: true and a full path when the
    // user chose a file.
    bool (*chooseExportFile)(void* owner, std::string& path) = nullptr;
    // Ends the main window without its closing steps (the quit after a
    // command-line export).
    void (*quitMainWindow)() = nullptr;
    // The main window's normal rectangle (left, top, right, bottom), for the
    // settings file; and centring it when there is no usable settings file.
    bool (*getWindowRect)(int32_t rect[4]) = nullptr;
    void (*setWindowRect)(const int32_t rect[4]) = nullptr;
    void (*centerMainWindow)() = nullptr;
};

// Installs the table (copied); nullptr installs an empty one.
void FrontEndInstall(const FrontEnd* frontEnd);

void FrontEndSetStatus(const char* text);
void FrontEndRowAppended(ResultTab tab, size_t index);
void FrontEndListCleared(ResultTab tab);
void FrontEndEnterBusy();
void FrontEndLeaveBusy();
void FrontEndEnableExport(int enabled);
void FrontEndSelectTab(ResultTab tab);
// Without a front end a message counts as answered with OK.
int FrontEndMessageBox(void* owner, const char* text, const char* caption, unsigned style);
// Every error the program reports: caption "Error", an OK button, the stop icon.
void FrontEndShowError(void* owner, const char* text);
bool FrontEndChooseExportFile(void* owner, std::string& path);
void FrontEndQuitMainWindow();
bool FrontEndGetWindowRect(int32_t rect[4]);
void FrontEndSetWindowRect(const int32_t rect[4]);
void FrontEndCenterMainWindow();
