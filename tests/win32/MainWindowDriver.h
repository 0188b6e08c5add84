// Runs the real main window (dialog 1001) modally and drives it as a user
// would: a script of actions and waits, run on a timer that keeps ticking
// inside every nested modal loop (message boxes, the system dialogs, the
// configuration dialog, the context menu). Message boxes are recorded and
// answered; the state of the program is reset before and after each run.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct SeenMessageBox {
    std::string caption;
    std::string text;
    HWND owner = nullptr;
};

struct MainWindowScript {
    // Each tick runs at most one action; a wait holds the script until its
    // condition is true. An action runs after the script has moved past it,
    // so a modal loop it opens keeps the script going.
    MainWindowScript& Do(std::function<void()> action);
    MainWindowScript& WaitUntil(std::function<bool()> condition);
    // A number of ticks (50 ms each) with nothing done.
    MainWindowScript& Pause(int ticks);
    // Answers for the message boxes in the order they appear; IDOK after.
    std::deque<int> answers;

    // Filled while the window runs.
    HWND main = nullptr;
    std::vector<SeenMessageBox> boxes;
    std::vector<HWND> dialogs;  // other "#32770" windows, in order of activation
    bool timedOut = false;
    int tick = 0;

    struct Step {
        std::function<void()> action;
        std::function<bool()> condition;
    };
    std::vector<Step> steps;
    size_t next = 0;
};

// Resets the catalogue, the settings (the file's place set to settingsPath),
// the command line and the front end; runs the window until it ends or 15 s
// have passed; resets again. Returns the dialog's result.
INT_PTR RunMainWindow(MainWindowScript& script, const std::string& settingsPath);

// The newest visible dialog with this caption (nullptr when none is open).
HWND FindOpenDialog(const MainWindowScript& script, const char* caption);
// The open popup menu, if any.
HWND OpenPopupMenu();

// Sends what a click on a tab does: select it and notify the parent.
void ClickTab(HWND main, int index);
// A real HDROP with these paths, sent to the tab control as WM_DROPFILES.
void DropFiles(HWND main, const std::vector<std::string>& paths);
// The texts of a string list box.
std::vector<std::string> ListTexts(HWND list);
int ListCount(HWND list);

// The song and instrument texts the tests read.
std::string SongXml(const char* name, const std::vector<std::string>& plugins);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
