#include "win32/MainWindowDriver.h"

#include <shlobj.h>

#include <cstring>
#include <memory>

#include "core/CommandLine.h"
#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "settings/SettingsFile.h"
#include "ui/MainWindow.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

namespace {

constexpr int kTickLimit = 300;  // 15 s

MainWindowScript* ActiveScript = nullptr;

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK CheckChild(HWND child, LPARAM flag) {
    const std::string name = ClassName(child);
    if (name != "Static" && name != "Button") {
        *reinterpret_cast<bool*>(flag) = false;
        return FALSE;
    }
    return TRUE;
}

// A message box holds its text in the static 0xFFFF and has nothing but
// statics and buttons; the system dialogs and ours have lists and fields.
bool IsMessageBox(HWND window) {
    if (!GetDlgItem(window, 0xFFFF)) return false;
    bool plain = true;
    EnumChildWindows(window, CheckChild, reinterpret_cast<LPARAM>(&plain));
    return plain;
}

LRESULT CALLBACK ScriptHook(int code, WPARAM wParam, LPARAM lParam) {
    MainWindowScript* script = ActiveScript;
    if (code == HCBT_ACTIVATE && script) {
        HWND window = reinterpret_cast<HWND>(wParam);
        const std::string name = ClassName(window);
        if (name == kMainWindowClass && !script->main) {
            script->main = window;
        } else if (name == "#32770") {
            if (IsMessageBox(window)) {
                bool known = false;
                for (const HWND seen : script->dialogs) known = known || seen == window;
                if (!known) {
                    script->dialogs.push_back(window);  // answered once only
                    script->boxes.push_back({WindowText(window), WindowText(GetDlgItem(window, 0xFFFF)),
                                             GetWindow(window, GW_OWNER)});
                    int answer = IDOK;
                    if (!script->answers.empty()) {
                        answer = script->answers.front();
                        script->answers.pop_front();
                    }
                    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(answer), 0);
                }
            } else {
                bool known = false;
                for (const HWND seen : script->dialogs) known = known || seen == window;
                if (!known) script->dialogs.push_back(window);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
    MainWindowScript* script = ActiveScript;
    if (!script || !script->main || !IsWindow(script->main)) return;
    if (++script->tick > kTickLimit) {
        if (script->timedOut) return;
        script->timedOut = true;
        for (const HWND dialog : script->dialogs)
            if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EndMenu();
        EndDialog(script->main, -2);
        return;
    }
    while (script->next < script->steps.size()) {
        MainWindowScript::Step& step = script->steps[script->next];
        if (step.condition) {
            if (!step.condition()) return;
            ++script->next;
            continue;
        }
        ++script->next;
        step.action();
        return;
    }
}

void ResetProgramState(const std::string& settingsPath) {
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

}  // namespace

MainWindowScript& MainWindowScript::Do(std::function<void()> action) {
    steps.push_back({std::move(action), nullptr});
    return *this;
}

MainWindowScript& MainWindowScript::WaitUntil(std::function<bool()> condition) {
    steps.push_back({nullptr, std::move(condition)});
    return *this;
}

MainWindowScript& MainWindowScript::Pause(int ticks) {
    auto remaining = std::make_shared<int>(ticks);
    return WaitUntil([remaining] { return --*remaining < 0; });
}

INT_PTR RunMainWindow(MainWindowScript& script, const std::string& settingsPath) {
    // The command line is part of the state the test prepared: keep it.
    const CommandLineRequest request = CommandLine;
    ResetProgramState(settingsPath);
    CommandLine = request;
    ActiveScript = &script;
    HHOOK hook = SetWindowsHookExA(WH_CBT, ScriptHook, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ScriptTick);
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    ActiveScript = nullptr;
    PumpMessages();
    ResetProgramState(std::string());
    return result;
}

HWND FindOpenDialog(const MainWindowScript& script, const char* caption) {
    for (auto it = script.dialogs.rbegin(); it != script.dialogs.rend(); ++it)
        if (IsWindow(*it) && IsWindowVisible(*it) && WindowText(*it) == caption) return *it;
    return nullptr;
}

HWND OpenPopupMenu() {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

void ClickTab(HWND main, int index) {
    HWND tabs = GetDlgItem(main, IDC_TABS);
    SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header = {};
    header.hwndFrom = tabs;
    header.idFrom = IDC_TABS;
    header.code = TCN_SELCHANGE;
    SendMessageA(main, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header));
}

void DropFiles(HWND main, const std::vector<std::string>& paths) {
    // DROPFILES, then each path with its zero, then one more zero.
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* names = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(names, path.c_str(), path.size() + 1);
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    // The receiver releases the memory with DragFinish.
    SendMessageA(GetDlgItem(main, IDC_TABS), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    const int count = ListCount(list);
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::strlen(text.c_str()));
        texts.push_back(text);
    }
    return texts;
}

int ListCount(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }

std::string SongXml(const char* name, const std::vector<std::string>& plugins) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RenoiseSong doc_version=\"10\">\n";
    xml += "  <GlobalSongData>\n";
    xml += "    <BeatsPerMin>125</BeatsPerMin>\n    <TicksPerLine>6</TicksPerLine>\n";
    xml += std::string("    <SongName>") + name + "</SongName>\n    <Artist>Tester</Artist>\n";
    xml += "  </GlobalSongData>\n  <Tracks>\n";
    for (const std::string& plugin : plugins) xml += "    <PluginName>Vst: " + plugin + "</PluginName>\n";
    xml += "  </Tracks>\n</RenoiseSong>\n";
    return xml;
}

void WriteTextFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadTextFile(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
