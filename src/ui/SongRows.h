// The owner-drawn songs list: a song row is a card of several lines with the
// program's icon, a plug-in row one coloured line. Item data is the row's
// SongEntry.
#pragma once

#include <windows.h>

#include <cstdint>

// The character height of the main window's default font at the last
// measurement; every row is a whole number of these.
extern int32_t LineHeight;

inline constexpr COLORREF kRowTextColor = RGB(0, 0, 0);
inline constexpr COLORREF kNoPluginsColor = RGB(0, 128, 0);
inline constexpr COLORREF kNoInventoryColor = RGB(0, 0, 128);
inline constexpr COLORREF kMissingColor = RGB(128, 0, 0);
inline constexpr COLORREF kInstalledColor = RGB(0, 128, 0);

inline constexpr int kPathWidth = 530;   // pixels of a song row's path
inline constexpr int kCountWidth = 220;  // pixels of a plug-in row's count column

void MeasureSongRow(HWND mainWindow, MEASUREITEMSTRUCT* item);
void DrawSongRow(const DRAWITEMSTRUCT* item);
