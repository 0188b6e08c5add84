// The main window (dialog 1001): entry to every command, the four result
// lists on a tab control, the drop target and the closing steps.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kMainWindowClass[] = "quorvel";
inline constexpr char kMainWindowTitle[] = "Quorvel - " QUORVEL_VERSION;
inline constexpr char kOpenFolderPrompt[] = "Select a folder containing your Renoise songs or instruments.";
inline constexpr char kSearchAddressPrefix[] = "https://www.google.com/search?hl=en&q=";

// The class "quorvel": the system dialog class with this module's icon, so
// that dialog 1001 carries it. 0 when the class cannot be copied or registered.
int RegisterMainWindowClass(HINSTANCE instance);
void UnregisterMainWindowClass(HINSTANCE instance);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void InitMainWindow(HWND dialog);
void OnCommand(HWND dialog, int id, int code, HWND control);
void OnTabSelected();
void ShowContextMenu(HWND window, int x, int y);
void ResetResults();
void CloseMainWindow(HWND dialog);
void RunOpenFiles(HWND dialog);
void RunOpenFolder(HWND dialog);

// The web search address for a line of the missing list: the extension
// removed, blanks as "+", and every byte that would change the query's
// meaning percent-encoded.
std::string BuildSearchAddress(const char* line);
void SearchWebForPlugin(const char* line);

// How addresses and folders reach the shell ("open" or "explore"); tests put
// a recorder here.
using ShellOpener = void (*)(const char* verb, const char* target);
extern ShellOpener ShellOpen;

// The drop handler that replaces the tab control's window procedure.
LRESULT CALLBACK TabDropProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam);
