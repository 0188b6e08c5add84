#include "ui/WinFrontEnd.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <new>

#include "core/Results.h"
#include "settings/SettingsFile.h"
#include "ui/MainWindow.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"

MainWindowState MainWindow;

static constexpr size_t kExportNameSize = 260;

HWND ResultListWindow(ResultTab tab) {
    switch (tab) {
    case kTabSongs:
        return MainWindow.songList;
    case kTabMissing:
        return MainWindow.missingList;
    case kTabUnused:
        return MainWindow.unusedList;
    case kTabErrors:
        return MainWindow.errorList;
    }
    return nullptr;
}

static void SetStatusText(const char* text) {
    if (MainWindow.statusLine) SetWindowTextA(MainWindow.statusLine, text ? text : "");
}

static void RowAppended(ResultTab tab, size_t index) {
    HWND list = ResultListWindow(tab);
    if (!list) return;
    switch (tab) {
    case kTabSongs:
        // The owner-drawn list keeps no strings: the item data is the row.
        if (index < SongList.size())
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SongList[index].get()));
        break;
    case kTabMissing:
        if (index < MissingList.size())
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(MissingList[index].c_str()));
        break;
    case kTabUnused:
        if (index < UnusedList.size()) {
            // The item data is the line's index in the model: a pointer to
            // its folder text would move when the model grows.
            const LRESULT item =
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(UnusedList[index].text.c_str()));
            if (item >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(index));
        }
        break;
    case kTabErrors:
        if (index < ErrorList.size())
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ErrorList[index].c_str()));
        break;
    }
}

static void ListCleared(ResultTab tab) {
    if (HWND list = ResultListWindow(tab)) SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

static void EnableResultLists(BOOL enabled) {
    for (HWND list : {MainWindow.songList, MainWindow.missingList, MainWindow.unusedList, MainWindow.errorList})
        if (list) EnableWindow(list, enabled);
}

static void EnterBusy() {
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    EnableResultLists(FALSE);
    if (MainWindow.songList) SendMessageA(MainWindow.songList, WM_SETREDRAW, FALSE, 0);
}

static void LeaveBusy() {
    if (MainWindow.songList) {
        SendMessageA(MainWindow.songList, WM_SETREDRAW, TRUE, 0);
        // Turning redraw back on repaints nothing by itself.
        InvalidateRect(MainWindow.songList, nullptr, TRUE);
    }
    EnableResultLists(TRUE);
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
    // During the configuration's scan the main window is disabled under its
    // modal dialog; focusing a list there would pull the focus away from it.
    if (MainWindow.songList && IsWindowEnabled(MainWindow.window)) SetFocus(MainWindow.songList);
}

static void EnableExport(int enabled) {
    if (MainWindow.window) EnableWindow(GetDlgItem(MainWindow.window, IDC_EXPORT), enabled ? TRUE : FALSE);
}

static void SelectTab(ResultTab tab) {
    if (!MainWindow.tabs) return;
    SendMessageA(MainWindow.tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    OnTabSelected();
}

static int ShowMessage(void* owner, const char* text, const char* caption, unsigned style) {
    const int answer = MessageBoxA(static_cast<HWND>(owner), text, caption, style);
    // A question that could not be asked is not taken as a yes.
    return answer == IDOK ? kIdOk : kIdCancel;
}

static UINT_PTR CALLBACK SaveDialogHook(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) {
    // The hook's dialog is a child of the dialog's frame, which is what moves.
    // The frame may still change its size after the hook's initialisation, so
    // it is centred again once the dialog is complete.
    if (message == WM_INITDIALOG) CenterOnParent(GetParent(hookDialog));
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE)
        CenterOnParent(GetParent(hookDialog));
    return 0;
}

bool ChooseExportFile(HWND owner, std::string& path) {
    // The dialog is told of 260 bytes; the rest is room for a dialog that
    // writes its answer without looking at the size it was given.
    char name[2 * kExportNameSize] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFilter = "TXT Textfile (*.txt)\0*.txt\0";
    dialog.lpstrFile = name;
    dialog.nMaxFile = kExportNameSize;
    dialog.lpstrInitialDir = Settings.ExportFolder[0] ? Settings.ExportFolder : nullptr;
    dialog.lpstrTitle = "Export";
    dialog.lpstrDefExt = "txt";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK;
    dialog.lpfnHook = SaveDialogHook;
    if (!GetSaveFileNameA(&dialog)) return false;
    // A name the dialog could not fit would be another file once cut.
    if (!std::memchr(name, 0, kExportNameSize)) return false;
    try {
        path = name;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return !path.empty();
}

static bool ChooseExportFileSeam(void* owner, std::string& path) {
    return ChooseExportFile(static_cast<HWND>(owner), path);
}

static void QuitMainWindow() {
    // Ends the modal loop when it next gets control; the run's last steps
    // still find the window and its controls.
    if (MainWindow.window) EndDialog(MainWindow.window, 0);
}

static bool GetMainWindowRect(int32_t rect[4]) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!MainWindow.window || !GetWindowPlacement(MainWindow.window, &placement)) return false;
    rect[0] = placement.rcNormalPosition.left;
    rect[1] = placement.rcNormalPosition.top;
    rect[2] = placement.rcNormalPosition.right;
    rect[3] = placement.rcNormalPosition.bottom;
    return true;
}

static void CenterMainWindow() {
    if (MainWindow.window) CenterOnParent(MainWindow.window);
}

static void SetMainWindowRect(const int32_t rect[4]) {
    if (!MainWindow.window) return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(MainWindow.window, &placement)) return;
    // The window cannot be resized, so only the stored position is taken: a
    // rectangle of another size (or none, as a file made without a window
    // holds) would cut the dialog's controls off. A position on no screen
    // would leave the window out of reach: it is centred instead.
    const LONG width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    const LONG height = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
    const RECT stored = {rect[0], rect[1], rect[2], rect[3]};
    const RECT wanted = {rect[0], rect[1], rect[0] + width, rect[1] + height};
    if (stored.right <= stored.left || stored.bottom <= stored.top ||
        !MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL)) {
        CenterMainWindow();
        return;
    }
    placement.rcNormalPosition = wanted;
    placement.showCmd = SW_SHOWNORMAL;
    SetWindowPlacement(MainWindow.window, &placement);
}

void InstallWindowFrontEnd(HWND mainWindow) {
    MainWindow = MainWindowState{};
    MainWindow.window = mainWindow;
    MainWindow.tabs = GetDlgItem(mainWindow, IDC_TABS);
    MainWindow.songList = GetDlgItem(mainWindow, IDC_SONG_LIST);
    MainWindow.missingList = GetDlgItem(mainWindow, IDC_MISSING_LIST);
    MainWindow.unusedList = GetDlgItem(mainWindow, IDC_UNUSED_LIST);
    MainWindow.errorList = GetDlgItem(mainWindow, IDC_ERROR_LIST);
    MainWindow.statusLine = GetDlgItem(mainWindow, IDC_STATUS);

    FrontEnd frontEnd;
    frontEnd.setStatusText = SetStatusText;
    frontEnd.rowAppended = RowAppended;
    frontEnd.listCleared = ListCleared;
    frontEnd.enterBusy = EnterBusy;
    frontEnd.leaveBusy = LeaveBusy;
    frontEnd.enableExport = EnableExport;
    frontEnd.selectTab = SelectTab;
    frontEnd.messageBox = ShowMessage;
    frontEnd.chooseExportFile = ChooseExportFileSeam;
    frontEnd.quitMainWindow = QuitMainWindow;
    frontEnd.getWindowRect = GetMainWindowRect;
    frontEnd.setWindowRect = SetMainWindowRect;
    frontEnd.centerMainWindow = CenterMainWindow;
    FrontEndInstall(&frontEnd);
}

void RemoveWindowFrontEnd() {
    FrontEndInstall(nullptr);
    MainWindow = MainWindowState{};
}
