#include "win32/Win32Support.h"

#include <cstring>

#include "ui/SongRows.h"

static constexpr char kParentClass[] = "QuorvelTestParent";

static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TestParent* parent = reinterpret_cast<TestParent*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (parent)
            parent->commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    case WM_MEASUREITEM:
        MeasureSongRow(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        DrawSongRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_PAINT:
        if (parent && parent->onPaint) {
            parent->onPaint(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TestParent::TestParent(int x, int y, int width, int height, DWORD style) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kParentClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    // The list box asks for item heights while it is created, so the record
    // must be reachable before CreateWindow returns.
    window = CreateWindowExA(0, kParentClass, "test", style & ~WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (style & WS_VISIBLE) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        UpdateWindow(window);
    }
}

TestParent::~TestParent() {
    if (IsWindow(window)) DestroyWindow(window);
    PumpMessages();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Canvas::Canvas(int w, int h, COLORREF fill) : width(w), height(h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    ReleaseDC(nullptr, screen);
    bits = static_cast<const uint32_t*>(pixels);
    previous = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

Canvas::~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
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
            if (At(x, y) == color) ++count;
    return count;
}

int Canvas::Count(COLORREF color) const {
    const RECT all = {0, 0, width, height};
    return Count(color, all);
}

bool Canvas::SameAs(const Canvas& other) const {
    GdiFlush();
    return width == other.width && height == other.height &&
           std::memcmp(bits, other.bits, static_cast<size_t>(width) * static_cast<size_t>(height) * 4) == 0;
}

HFONT CreateCrispFont(int height, int weight) {
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

static DialogDriver* ActiveDriver = nullptr;

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

static std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

static LRESULT CALLBACK DriverHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && ActiveDriver) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (ClassOf(window) == "#32770" && window != ActiveDriver->dialog) {
            if (!ActiveDriver->dialog) {
                ActiveDriver->dialog = window;
            } else if (IsWindow(ActiveDriver->dialog) && GetDlgItem(window, 0xFFFF)) {
                ActiveDriver->otherDialogs.push_back(WindowText(GetDlgItem(window, 0xFFFF)));
                PostMessageA(window, WM_COMMAND, IDOK, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* driver = ActiveDriver;
    if (!driver || !driver->dialog || !IsWindow(driver->dialog)) return;
    ++driver->tick;
    if (driver->tick > 100) {
        driver->timedOut = true;
        PostMessageA(driver->dialog, WM_COMMAND, IDCANCEL, 0);
        EndDialog(driver->dialog, -2);
        return;
    }
    driver->step(driver->dialog, driver->tick);
}

DialogDriver::DialogDriver(std::function<void(HWND dialog, int tick)> stepFunction) : step(std::move(stepFunction)) {
    ActiveDriver = this;
    hook = SetWindowsHookExA(WH_CBT, DriverHook, nullptr, GetCurrentThreadId());
    timer = SetTimer(nullptr, 0, 50, DriverTick);
}

DialogDriver::~DialogDriver() {
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    ActiveDriver = nullptr;
    PumpMessages();
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    for (;;) {
        path = std::string(temp) + "quorvel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
        if (CreateDirectoryA(path.c_str(), nullptr)) break;
    }
}

// Removes the folder with everything in it, subfolders included.
static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

ScratchFolder::~ScratchFolder() { RemoveTree(path); }

std::string ScratchFolder::AddFile(const std::string& name) const {
    const std::string full = path + "\\" + name;
    HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, "x", 1, &written, nullptr);
        CloseHandle(file);
    }
    return full;
}
