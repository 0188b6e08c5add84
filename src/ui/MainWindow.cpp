#include "ui/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "inventory/FolderWalk.h"
#include "readers/SongReader.h"
#include "report/Report.h"
#include "settings/SettingsFile.h"
#include "ui/AboutDialog.h"
#include "ui/ConfigDialog.h"
#include "ui/Pickers.h"
#include "ui/SongRows.h"
#include "ui/WinFrontEnd.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"

static void ShellOpenWithSystem(const char* verb, const char* target) {
    const bool explore = std::strcmp(verb, "explore") == 0;
    ShellExecuteA(nullptr, verb, target, nullptr, nullptr, explore ? SW_SHOW : SW_SHOWNORMAL);
}

ShellOpener ShellOpen = ShellOpenWithSystem;

static constexpr const char* kTabTexts[] = {
    "Show songs and instruments",
    "Show missing plugins",
    "Show unused plugins",
    "Show errors",
};

int RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExA(nullptr, MAKEINTRESOURCEA(0x8002), &windowClass)) return 0;  // WC_DIALOG
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUORVEL));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&windowClass) ? 1 : 0;
}

void UnregisterMainWindowClass(HINSTANCE instance) { UnregisterClassA(kMainWindowClass, instance); }

static void HandleDrop(HDROP drop) {
    std::vector<std::string> paths;
    try {
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        paths.reserve(count);
        for (UINT i = 0; i < count; ++i) {
            char path[MAX_PATH] = {};
            // A path cut to the buffer would name some other file or folder:
            // one that does not fit is skipped like an empty one.
            if (DragQueryFileA(drop, i, nullptr, 0) >= sizeof path) {
                paths.emplace_back();
                continue;
            }
            DragQueryFileA(drop, i, path, sizeof path);
            paths.emplace_back(path);
        }
    } catch (const std::bad_alloc&) {
        DragFinish(drop);
        return;
    }
    RunDroppedFiles(paths);
    DragFinish(drop);
}

LRESULT CALLBACK TabDropProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) HandleDrop(reinterpret_cast<HDROP>(wParam));
    if (!MainWindow.previousTabProc) return DefWindowProcA(tabs, message, wParam, lParam);
    return CallWindowProcA(MainWindow.previousTabProc, tabs, message, wParam, lParam);
}

static void PlaceResultLists() {
    WINDOWPLACEMENT tabPlacement = {};
    tabPlacement.length = sizeof tabPlacement;
    if (!GetWindowPlacement(MainWindow.tabs, &tabPlacement)) return;
    RECT area = tabPlacement.rcNormalPosition;
    SendMessageA(MainWindow.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // The lists lie on the tab control, which comes before them in the
    // template; directly above it in the z-order, they are what the tab
    // control (clipping its siblings) leaves alone when it repaints.
    HWND above = GetWindow(MainWindow.tabs, GW_HWNDPREV);
    for (HWND list : {MainWindow.errorList, MainWindow.unusedList, MainWindow.missingList, MainWindow.songList})
        SetWindowPos(list, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (HWND list : {MainWindow.songList, MainWindow.missingList, MainWindow.unusedList, MainWindow.errorList}) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(list, &placement)) continue;
        placement.rcNormalPosition = area;
        placement.showCmd = list == MainWindow.songList ? SW_SHOW : SW_HIDE;
        SetWindowPlacement(list, &placement);
    }
}

void InitMainWindow(HWND dialog) {
    InstallWindowFrontEnd(dialog);
    SetWindowTextA(dialog, kMainWindowTitle);
    MainWindow.menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
    MainWindow.contextMenu = MainWindow.menu ? GetSubMenu(MainWindow.menu, 0) : nullptr;

    LoadSettings(dialog);

    for (int i = 0; i < 4; ++i) {
        char text[32] = {};
        std::strcpy(text, kTabTexts[i]);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendMessageA(MainWindow.tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    PlaceResultLists();
    EnableWindow(GetDlgItem(dialog, IDC_EXPORT), FALSE);

    MainWindow.previousTabProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainWindow.tabs, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabDropProc)));
    DragAcceptFiles(MainWindow.tabs, TRUE);
}

static void ShowOnly(HWND shown) {
    for (HWND list : {MainWindow.songList, MainWindow.missingList, MainWindow.unusedList, MainWindow.errorList})
        if (list != shown) ShowWindow(list, SW_HIDE);
    ShowWindow(shown, SW_SHOW);
    SetFocus(shown);
}

void OnTabSelected() {
    const LRESULT index = SendMessageA(MainWindow.tabs, TCM_GETCURSEL, 0, 0);
    switch (index) {
    case kTabSongs:
        ShowOnly(MainWindow.songList);
        break;
    case kTabMissing:
        RebuildMissingList();
        ShowOnly(MainWindow.missingList);
        break;
    case kTabUnused:
        RebuildUnusedList();
        ShowOnly(MainWindow.unusedList);
        break;
    case kTabErrors:
        ShowOnly(MainWindow.errorList);
        break;
    default:
        break;  // no tab selected
    }
}

static bool IsResultList(HWND window) {
    return window && (window == MainWindow.songList || window == MainWindow.missingList ||
                      window == MainWindow.unusedList || window == MainWindow.errorList);
}

void ShowContextMenu(HWND window, int x, int y) {
    if (!MainWindow.contextMenu || !IsResultList(window)) return;
    // The keyboard's request carries (-1, -1) instead of a point.
    if (x == -1 && y == -1) return;
    POINT point = {x, y};
    RECT client = {};
    if (!ScreenToClient(window, &point) || !GetClientRect(window, &client) || !PtInRect(&client, point)) return;
    const UINT state = MF_BYCOMMAND | (SongList.empty() ? MF_GRAYED : MF_ENABLED);
    EnableMenuItem(MainWindow.contextMenu, IDM_RESET, state);
    EnableMenuItem(MainWindow.contextMenu, IDM_EXPORT, state);
    TrackPopupMenuEx(MainWindow.contextMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, MainWindow.window, nullptr);
}

void ResetResults() {
    FrontEndEnableExport(0);
    ClearReadingResults();
    FrontEndSelectTab(kTabSongs);
    UpdateStatusLine();
}

std::string BuildSearchAddress(const char* line) {
    std::string text(line ? line : "");
    // As PathRemoveExtensionA: from the last "." to the end, unless a blank
    // or a backslash follows that ".".
    size_t dot = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.')
            dot = i;
        else if (text[i] == ' ' || text[i] == '\\')
            dot = std::string::npos;
    }
    if (dot != std::string::npos) text.resize(dot);

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string address(kSearchAddressPrefix);
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (byte == ' ') {
            address += '+';
        } else if (unreserved) {
            address += c;
        } else {
            // "&", "#", "+", "%" and the like would end or change the query;
            // control and non-ASCII bytes are not allowed in an address.
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 0x0F];
        }
    }
    return address;
}

void SearchWebForPlugin(const char* line) {
    try {
        const std::string address = BuildSearchAddress(line);
        ShellOpen("open", address.c_str());
    } catch (const std::bad_alloc&) {
    }
}

// The selected line's text; empty when no line is selected.
static std::string SelectedLineText(HWND list) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected < 0) return std::string();
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length <= 0) return std::string();
    // Sized by the list itself: a plug-in name from a song has no length limit.
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

static void SearchSelectedMissingLine(HWND list) {
    try {
        SearchWebForPlugin(SelectedLineText(list).c_str());
    } catch (const std::bad_alloc&) {
    }
}

static void ExploreSelectedUnusedLine(HWND list) {
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected < 0) return;
    const LRESULT index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (index < 0 || static_cast<size_t>(index) >= UnusedList.size()) return;
    const std::string& folder = UnusedList[static_cast<size_t>(index)].folder;
    if (!folder.empty()) ShellOpen("explore", folder.c_str());
}

void RunOpenFiles(HWND dialog) {
    const ProcessingRun run = RunStart();
    if (PickFiles(dialog, kSongFilter, kOpenSongsTitle, Settings.OpenFilesFolder, 1)) {
        RunEnterBusy();
        ForEachPickedFile(SongFilePattern, ReadSongFile, nullptr);
        RunLeaveBusy();
    }
    RunEnd(run);
}

void RunOpenFolder(HWND dialog) {
    const ProcessingRun run = RunStart();
    if (PickFolder(dialog, Settings.OpenFolderPath, kOpenFolderPrompt, 1)) {
        RunEnterBusy();
        WalkFolder(Settings.OpenFolderPath, SongFilePattern, Settings.ScanSubfolders ? 1 : 0, ReadSongFile, nullptr);
        RunLeaveBusy();
    }
    RunEnd(run);
}

void OnCommand(HWND dialog, int id, int code, HWND control) {
    switch (id) {
    case IDC_OPEN_FILES:
    case IDM_OPEN_FILES:
        RunOpenFiles(dialog);
        break;
    case IDC_OPEN_FOLDER:
    case IDM_OPEN_FOLDER:
        RunOpenFolder(dialog);
        break;
    case IDC_EXPORT:
    case IDM_EXPORT:
        ExportReport(dialog);
        break;
    case IDC_CONFIGURATION:
    case IDM_CONFIGURATION:
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIG), dialog, ConfigDialogProc, 0);
        UpdateStatusLine();
        break;
    case IDC_UNUSED_LIST:
        if (code == LBN_DBLCLK) ExploreSelectedUnusedLine(control);
        break;
    case IDC_MISSING_LIST:
        if (code == LBN_DBLCLK) SearchSelectedMissingLine(control);
        break;
    case IDM_RESET:
        ResetResults();
        break;
    case IDM_HELP:
        OpenHelp();
        break;
    case IDM_ABOUT:
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialogProc, 0);
        break;
    default:
        // Enter and Escape arrive as IDOK and IDCANCEL: the window stays.
        break;
    }
}

void CloseMainWindow(HWND dialog) {
    SaveSettings(dialog);
    if (MainWindow.menu) DestroyMenu(MainWindow.menu);
    MainWindow.menu = nullptr;
    MainWindow.contextMenu = nullptr;
    ClearSongList();
    PluginSetClear(UsedPlugins);
    PluginSetClear(MissingPlugins);
    PluginSetClear(InstalledPlugins);
    EndDialog(dialog, 0);
}

// Not one of the closing steps: whichever way the dialog ended, nothing may
// reach its windows any more, and the tab control gets its own procedure
// back before it is destroyed after its parent.
static void ForgetMainWindow() {
    if (MainWindow.tabs && MainWindow.previousTabProc)
        SetWindowLongPtrA(MainWindow.tabs, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainWindow.previousTabProc));
    if (MainWindow.menu) DestroyMenu(MainWindow.menu);
    RemoveWindowFrontEnd();
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitMainWindow(dialog);
        return TRUE;
    case WM_PAINT:
        PaintBanner(GetDlgItem(dialog, IDC_BANNER), nullptr, nullptr, BannerMode::kBitmap);
        // RunCommandLine starts once: a paint during its message boxes finds
        // it under way.
        if (CommandLine.pending) RunCommandLine(dialog);
        return TRUE;
    case WM_CLOSE:
        CloseMainWindow(dialog);
        return TRUE;
    case WM_MEASUREITEM:
        MeasureSongRow(dialog, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        DrawSongRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == TCN_SELCHANGE && header->hwndFrom == MainWindow.tabs) OnTabSelected();
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_CONTEXTMENU:
        ShowContextMenu(reinterpret_cast<HWND>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DESTROY:
        ForgetMainWindow();
        return FALSE;
    default:
        return FALSE;
    }
}
