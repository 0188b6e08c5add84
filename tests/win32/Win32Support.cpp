#include "win32/Win32Support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "core/CommandLine.h"
#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "settings/SettingsFile.h"
#include "ui/MainWindow.h"
#include "ui/resource.h"

static void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Canvas::Canvas(int w, int h, COLORREF fill) : width(w), height(h) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top-down
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    ReleaseDC(nullptr, screen);
    bits = static_cast<const uint32_t*>(pixels);
    SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    const RECT all = {0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    DeleteDC(dc);
    DeleteObject(bitmap);
}

COLORREF Canvas::At(int x, int y) const {
    GdiFlush();
    const uint32_t pixel = bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int Canvas::Count(COLORREF color, const RECT& area) const {
    int count = 0;
    for (LONG y = area.top > 0 ? area.top : 0; y < area.bottom && y < height; ++y)
        for (LONG x = area.left > 0 ? area.left : 0; x < area.right && x < width; ++x)
            count += At(x, y) == color ? 1 : 0;
    return count;
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool SizedToText(HWND window, HFONT font) {
    const std::string text = WindowText(window);
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    RECT outer = {};
    GetWindowRect(window, &outer);
    return outer.right - outer.left == extent.cx && outer.bottom - outer.top == extent.cy;
}

std::string StatusLine(int installed, int collected, int missing, int unused, int errors) {
    auto n = [](int count) { return std::to_string(count); };
    return "Installed plugins: " + n(installed) + " - Collected plugins: " + n(collected) + " - Missing plugins: " +
           n(missing) + " - Unused plugins: " + n(unused) + " - Errors: " + n(errors);
}

bool CentredOver(HWND window, HWND owner) {
    RECT placed = {}, over = {};
    GetWindowRect(window, &placed);
    GetWindowRect(owner ? owner : GetDesktopWindow(), &over);
    return placed.left == over.left + (over.right - over.left - (placed.right - placed.left)) / 2 &&
           placed.top == over.top + (over.bottom - over.top - (placed.bottom - placed.top)) / 2;
}

static std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A message box holds its text in the static 0xFFFF and has nothing but
// statics and buttons; the system dialogs and ours have lists and fields.
static bool IsMessageBox(HWND window) {
    bool plain = GetDlgItem(window, 0xFFFF) != nullptr;
    for (HWND child = GetWindow(window, GW_CHILD); plain && child; child = GetWindow(child, GW_HWNDNEXT))
        plain = ClassOf(child) == "Static" || ClassOf(child) == "Button";
    return plain;
}

static Script* ActiveScript = nullptr;

static LRESULT CALLBACK ScriptHook(int code, WPARAM wParam, LPARAM lParam) {
    Script* script = ActiveScript;
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code != HCBT_ACTIVATE || !script) return CallNextHookEx(nullptr, code, wParam, lParam);
    auto& dialogs = script->dialogs;
    if (ClassOf(window) == kMainWindowClass && !script->main) script->main = window;
    if (ClassOf(window) != "#32770" || std::find(dialogs.begin(), dialogs.end(), window) != dialogs.end())
        return CallNextHookEx(nullptr, code, wParam, lParam);
    dialogs.push_back(window);
    if (IsMessageBox(window)) {  // answered once only, in turn, and with OK once the answers run out
        HWND owner = GetWindow(window, GW_OWNER);
        script->boxes.push_back({WindowText(window), WindowText(GetDlgItem(window, 0xFFFF)), owner});
        script->answers.push_back(IDOK);
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(script->answers.front()), 0);
        script->answers.pop_front();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = ActiveScript;
    if (!script || script->timedOut) return;
    if (++script->tick > 300) {
        script->timedOut = true;
        for (const HWND dialog : script->dialogs)
            if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EndMenu();
        if (IsWindow(script->main)) EndDialog(script->main, -2);
        return;
    }
    while (script->next < script->steps.size()) {
        Script::Step& step = script->steps[script->next];
        if (step.condition && !step.condition()) return;
        ++script->next;
        if (step.action) return step.action();
    }
}

std::string Script::Text(int id) const { return WindowText(Item(id)); }
int Script::Tab() const { return static_cast<int>(SendMessageA(Item(IDC_TABS), TCM_GETCURSEL, 0, 0)); }

HWND Script::Dialog(const char* caption) const {
    for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it)
        if (IsWindow(*it) && IsWindowVisible(*it) && (!caption || WindowText(*it) == caption)) return *it;
    return nullptr;
}

static void ResetProgramState(const std::string& settingsPath) {
    FrontEndInstall(nullptr);
    ClearReadingResults();
    MissingList.clear();
    UnusedList.clear();
    PluginSetClear(InstalledPlugins);
    DiscardCommandLine();
    CommandLine = CommandLineRequest{};
    SettingsReset();
    SettingsSetPath(settingsPath.c_str());
}

INT_PTR RunMainWindow(Script& script, const std::string& settingsPath) {
    const CommandLineRequest request = CommandLine;
    ResetProgramState(settingsPath);
    CommandLine = request;
    auto shown = [&script] { return IsWindowVisible(script.main) != FALSE; };
    if (!script.steps.empty()) script.steps.insert(script.steps.begin(), {nullptr, shown});
    ActiveScript = &script;
    HHOOK hook = SetWindowsHookExA(WH_CBT, ScriptHook, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ScriptTick);
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    ActiveScript = nullptr;
    PumpMessages();
    EXPECT_FALSE(script.timedOut) << "stopped at step " << script.next << " of " << script.steps.size();
    EXPECT_EQ(script.next, script.steps.size()) << "the script did not reach its end";
    ResetProgramState(std::string());
    return result;
}

HWND OpenPopupMenu() {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

UINT PopupItemState(UINT id) {
    HWND menu = OpenPopupMenu();
    return menu ? GetMenuState(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)), id, MF_BYCOMMAND) : 0;
}

void AskContextMenu(HWND main, int id, bool atPoint) {
    RECT area = {};
    GetWindowRect(GetDlgItem(main, id), &area);
    const LPARAM where = atPoint ? MAKELPARAM(area.left + 20, area.top + 20) : MAKELPARAM(-1, -1);
    PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(main, id)), where);
}

void ClickTab(HWND main, int index) {
    HWND tabs = GetDlgItem(main, IDC_TABS);
    SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header = {tabs, IDC_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(main, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header));
}

void DropFiles(HWND main, const std::vector<std::string>& paths) {
    // DROPFILES, then each path with its zero, then one more zero.
    std::string names;
    for (const std::string& path : paths) names.append(path).push_back('\0');
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() + 1);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(header + 1, names.data(), names.size());
    GlobalUnlock(memory);
    // The receiver releases the memory with DragFinish.
    SendMessageA(GetDlgItem(main, IDC_TABS), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts(static_cast<size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < texts.size(); ++i) {
        char text[1024] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        texts[i] = text;
    }
    return texts;
}

std::string BesideSelf(const std::string& name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}
