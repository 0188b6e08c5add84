// What the window tests share: a parent window that records commands and
// draws the song rows, a canvas to read painted pixels back, a script that
// drives modal windows as a user would, and files on disk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "harness/TempFolder.h"
#include "support/SongXmlWriter.h"

// A 32-bit top-down bitmap selected into a memory context.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    const uint32_t* bits = nullptr;
    int width = 0, height = 0;
    Canvas(int w, int h, COLORREF fill);
    ~Canvas();
    COLORREF At(int x, int y) const;
    // Pixels of exactly this colour inside the area.
    int Count(COLORREF color, const RECT& area = {0, 0, 1 << 15, 1 << 15}) const;
};

struct SeenBox {
    std::string caption, text;
    HWND owner = nullptr;
};

// A script of actions and waits, run every 50 ms on a thread timer that keeps
// ticking inside every nested modal loop (message boxes, the system dialogs,
// menus). Message boxes are recorded and answered.
struct Script {
    // Each tick runs at most one action; a wait holds the script until its
    // condition is true. An action runs after the script has moved past it,
    // so a modal loop it opens keeps the script going.
    Script& Do(std::function<void()> action) { steps.push_back({std::move(action), nullptr}); return *this; }
    Script& WaitUntil(std::function<bool()> until) { steps.push_back({nullptr, std::move(until)}); return *this; }
    Script& Pause(int ticks) { return WaitUntil([ticks]() mutable { return --ticks < 0; }); }
    // Posts the command to the main window, or closes it.
    Script& Command(WPARAM id) { return Do([this, id] { PostMessageA(main, WM_COMMAND, id, 0); }); }
    Script& Close() { return Do([this] { PostMessageA(main, WM_CLOSE, 0, 0); }); }
    // Waits until a dialog with this caption is open.
    Script& Await(const char* caption) { return WaitUntil([this, caption] { return Dialog(caption) != nullptr; }); }
    // Posts the command to the newest dialog with this caption once it is
    // open, and waits until it has gone.
    Script& Answer(const char* caption, WPARAM id) {
        return Await(caption)
            .Do([this, caption, id] { PostMessageA(Dialog(caption), WM_COMMAND, id, 0); })
            .WaitUntil([this, caption] { return Dialog(caption) == nullptr; });
    }

    std::deque<int> answers;  // for the message boxes in turn; IDOK after
    HWND main = nullptr;
    std::vector<SeenBox> boxes;
    std::vector<HWND> dialogs;  // other "#32770" windows, in order of activation
    bool timedOut = false;
    int tick = 0;
    struct Step {
        std::function<void()> action;  // run once the condition holds
        std::function<bool()> condition;
    };
    std::vector<Step> steps;
    size_t next = 0;

    HWND Item(int id) const { return GetDlgItem(main, id); }
    std::string Text(int id) const;
    int Count(int id) const { return static_cast<int>(SendMessageA(Item(id), LB_GETCOUNT, 0, 0)); }  // list lines
    int Tab() const;
    // The newest visible dialog with this caption (any caption: nullptr).
    HWND Dialog(const char* caption = nullptr) const;
};

// The real main window (dialog 1001) run under the script, started once the
// window shows (a script without steps leaves the window to the command
// line); after 300 ticks everything is cancelled, and the test fails when the
// script timed out or did not reach its end. The program's state is reset
// before and after, the command line kept, and the settings file placed at
// settingsPath. Returns the dialog's result.
INT_PTR RunMainWindow(Script& script, const std::string& settingsPath);

inline constexpr int kFileNameField = 0x047C;  // cmb13 of the Explorer-style dialogs

HWND OpenPopupMenu();
// The state of an item of the open popup menu; 0 when no menu is open.
UINT PopupItemState(UINT id);
// Asks for the control's context menu at a point inside it, or (not at a
// point) as the keyboard asks for it.
void AskContextMenu(HWND main, int id, bool atPoint = true);
// What a click on a tab does: select it and notify the parent.
void ClickTab(HWND main, int index);
// A real HDROP with these paths, sent to the tab control as WM_DROPFILES.
void DropFiles(HWND main, const std::vector<std::string>& paths);
std::vector<std::string> ListTexts(HWND list);
inline void PressKey(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}
std::string WindowText(HWND window);
// Whether the window's outer size is that of its text in the font.
bool SizedToText(HWND window, HFONT font);
// Whether the window stands where CenterOnParent puts it over the owner (or
// the desktop).
bool CentredOver(HWND window, HWND owner);
// The status line's summary with an inventory.
std::string StatusLine(int installed, int collected, int missing, int unused, int errors);

// A file beside the test program.
std::string BesideSelf(const std::string& name);
// A song naming these VST plug-ins.
inline std::string SongXml(std::vector<std::string> plugins) {
    SongXmlShape shape;
    shape.plugins = std::move(plugins);
    return WriteSongXml(shape);
}
inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
