// The configuration dialog (dialog 1201): the two VST folders with their
// switches and the subfolder option. Its OK is the only inventory scan.
#pragma once

#include <windows.h>

inline constexpr char kVstFolderPrompt[] = "Select a VST folder.";
// Where the suggested first folder is read (HKEY_LOCAL_MACHINE).
inline constexpr char kVstRegistryKey[] = "Software\\VST";
inline constexpr char kVstRegistryValue[] = "VSTPluginsPath";

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
