// What the window tests share: a parent window that records commands and
// draws the song rows, a canvas to read painted pixels back, a driver for
// modal dialogs, and a scratch folder on disk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RecordedCommand {
    int id = 0;
    int code = 0;
    HWND control = nullptr;
};

// A visible top-level window of the given outer rectangle. Its procedure
// records WM_COMMAND and hands WM_MEASUREITEM / WM_DRAWITEM to the song rows;
// onPaint, when set, replaces its painting.
struct TestParent {
    HWND window = nullptr;
    std::vector<RecordedCommand> commands;
    std::function<void(HWND)> onPaint;
    TestParent(int x, int y, int width, int height, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ~TestParent();
    TestParent(const TestParent&) = delete;
    TestParent& operator=(const TestParent&) = delete;
};

// Handles what is waiting in this thread's queue.
void PumpMessages();

// A 32-bit top-down bitmap selected into a memory context; painting goes in
// through dc, pixels come out through At.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    Canvas(int w, int h, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    COLORREF At(int x, int y) const;
    // Pixels of exactly this colour inside the rectangle.
    int Count(COLORREF color, const RECT& area) const;
    int Count(COLORREF color) const;
    bool SameAs(const Canvas& other) const;
};

// A font drawn without smoothing, so that text pixels have exactly the
// colour they were drawn in.
HFONT CreateCrispFont(int height, int weight = FW_NORMAL);

// Drives the modal dialog that the code under test opens: every 50 ms the
// step function sees the first dialog window ("#32770") this thread has
// activated since the driver was made, and the number of the tick. Any
// further dialog (a message box) is recorded and answered with OK. After
// five seconds the dialog is cancelled and timedOut set, so no test hangs.
struct DialogDriver {
    std::function<void(HWND dialog, int tick)> step;
    HWND dialog = nullptr;
    bool timedOut = false;
    std::vector<std::string> otherDialogs;
    int tick = 0;
    explicit DialogDriver(std::function<void(HWND dialog, int tick)> stepFunction);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
};

// A fresh folder below the temporary folder, removed with its files.
struct ScratchFolder {
    std::string path;  // without a trailing backslash
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string AddFile(const std::string& name) const;
};

std::string WindowText(HWND window);
