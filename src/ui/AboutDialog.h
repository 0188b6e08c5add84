// The About box (dialog 1101): banner, three links, OK.
#pragma once

#include <windows.h>

inline constexpr char kAboutTitle[] = "Quorvel - " QUORVEL_VERSION;
inline constexpr char kAboutCredit[] = "Plug-in inventory for tracker songs";
inline constexpr char kAuthorTip[] = "Visit Quorvel website.";
inline constexpr char kTrackerTip[] = "Visit Renoise website.";
inline constexpr char kArtistTip[] = "Visit website of the graphic artist Quorvel Team.";

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
