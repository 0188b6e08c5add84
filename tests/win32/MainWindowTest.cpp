#include "ui/MainWindow.h"

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/MainWindowDriver.h"
#include "win32/Win32Support.h"

namespace {

constexpr int kFileNameField = 0x047C;  // cmb13 of the Explorer-style dialog

constexpr char kEmptySummary[] =
    "Installed VST plugins: n/a - Collected VST plugins: 0 - Missing plugins: n/a - Unused plugins: n/a - Errors: 0";

std::string TabText(HWND tabs, int index) {
    char text[64] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

// Where CenterOnParent puts a window of this size on the desktop.
POINT CentredOnScreen(const RECT& window) {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    return {desktop.left + (desktop.right - desktop.left - width) / 2,
            desktop.top + (desktop.bottom - desktop.top - height) / 2};
}

// A settings file as the program writes it: rectangle, an empty block
// (ScanSubfolders off), no inventory.
std::string SettingsImage(LONG left, LONG top, LONG right, LONG bottom) {
    std::string bytes(kSettingsRecordsOffset, '\0');
    const LONG rect[4] = {left, top, right, bottom};
    std::memcpy(bytes.data(), rect, sizeof rect);
    return bytes;
}

HWND Item(HWND main, int id) { return GetDlgItem(main, id); }

// A folder with songs for the runs: one that uses Delay.dll and Synth.dll,
// one without plug-ins, and a text file.
struct SongFolder {
    ScratchFolder folder;
    std::string settings = folder.path + "\\quorvel.cfg";
    std::string withPlugins = folder.path + "\\First Song.xml";
    std::string withoutPlugins = folder.path + "\\Second.xml";
    std::string notes = folder.path + "\\notes.txt";
    SongFolder() {
        WriteTextFile(withPlugins, SongXml("First", {"Delay", "Synth"}));
        WriteTextFile(withoutPlugins, SongXml("Second", {}));
        WriteTextFile(notes, "not a song");
    }
};

TEST(MainWindowTest, FirstStartIsCentredWithoutExportAndSavesOnClose) {
    SongFolder songs;
    MainWindowScript script;
    RECT placed = {};
    std::string title, status;
    std::vector<std::string> tabTexts;
    bool exportEnabled = true, songsShown = false, othersHidden = false, listsOnTheTab = false;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
        HWND main = script.main;
        GetWindowRect(main, &placed);
        title = WindowText(main);
        status = WindowText(Item(main, IDC_STATUS));
        exportEnabled = IsWindowEnabled(Item(main, IDC_EXPORT)) != FALSE;
        for (int i = 0; i < 4; ++i) tabTexts.push_back(TabText(Item(main, IDC_TABS), i));
        songsShown = IsWindowVisible(Item(main, IDC_SONG_LIST)) != FALSE;
        othersHidden = !IsWindowVisible(Item(main, IDC_MISSING_LIST)) && !IsWindowVisible(Item(main, IDC_UNUSED_LIST)) &&
                       !IsWindowVisible(Item(main, IDC_ERROR_LIST));
        // Every list lies inside the tab control, below its strip of tabs.
        RECT tab = {}, list = {};
        GetWindowRect(Item(main, IDC_TABS), &tab);
        listsOnTheTab = true;
        for (int id : {IDC_SONG_LIST, IDC_MISSING_LIST, IDC_UNUSED_LIST, IDC_ERROR_LIST}) {
            GetWindowRect(Item(main, id), &list);
            listsOnTheTab = listsOnTheTab && list.left > tab.left && list.right < tab.right &&
                            list.top > tab.top + 10 && list.bottom < tab.bottom;
            // ... and above it, so that the tab control does not paint over them.
            HWND below = Item(main, id);
            while (below && below != Item(main, IDC_TABS)) below = GetWindow(below, GW_HWNDNEXT);
            listsOnTheTab = listsOnTheTab && below != nullptr;
        }
        PostMessageA(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(script.boxes.empty());
    const POINT centre = CentredOnScreen(placed);
    EXPECT_EQ(placed.left, centre.x);
    EXPECT_EQ(placed.top, centre.y);
    EXPECT_EQ(title, "Quorvel - 1.1");
    EXPECT_EQ(status, kEmptySummary);
    EXPECT_FALSE(exportEnabled);
    EXPECT_EQ(tabTexts, (std::vector<std::string>{"Show songs and instruments", "Show missing plugins",
                                                  "Show unused plugins", "Show errors"}));
    EXPECT_TRUE(songsShown);
    EXPECT_TRUE(othersHidden);
    EXPECT_TRUE(listsOnTheTab);
    // The close wrote the settings: head and an empty inventory.
    EXPECT_EQ(ReadTextFile(songs.settings).size(), kSettingsRecordsOffset);
}

TEST(MainWindowTest, StoredPositionIsUsedOnlyWhereTheWindowCanBeSeen) {
    struct Case {
        const char* what;
        std::string file;
        bool centred;
        const char* message;
    };
    const Case cases[] = {
        {"saved by the window", SettingsImage(40, 30, 40 + 700, 30 + 520), false, nullptr},
        {"another size: the position counts", SettingsImage(40, 30, 140, 80), false, nullptr},
        {"no rectangle (a file made without a window)", SettingsImage(0, 0, 0, 0), true, nullptr},
        {"on no screen", SettingsImage(9000, 9000, 9700, 9520), true, nullptr},
        {"damaged (empty) file", std::string(), true, "Damaged config file, please reconfigure your settings!"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        const std::string settings = folder.path + "\\quorvel.cfg";
        WriteTextFile(settings, c.file);
        MainWindowScript script;
        RECT placed = {}, client = {}, units = {0, 0, 467, 310};
        std::string status;
        script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
            GetWindowRect(script.main, &placed);
            GetClientRect(script.main, &client);
            MapDialogRect(script.main, &units);
            status = WindowText(Item(script.main, IDC_STATUS));
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(RunMainWindow(script, settings), 0) << c.what;
        EXPECT_FALSE(script.timedOut) << c.what;
        if (c.centred) {
            const POINT centre = CentredOnScreen(placed);
            EXPECT_EQ(placed.left, centre.x) << c.what;
            EXPECT_EQ(placed.top, centre.y) << c.what;
        } else {
            EXPECT_EQ(placed.left, 40) << c.what;
            EXPECT_EQ(placed.top, 30) << c.what;
        }
        // The dialog keeps the size of its template.
        EXPECT_EQ(client.right, units.right) << c.what;
        EXPECT_EQ(client.bottom, units.bottom) << c.what;
        EXPECT_EQ(status, kEmptySummary) << c.what;
        if (c.message) {
            ASSERT_EQ(script.boxes.size(), 1u) << c.what;
            EXPECT_EQ(script.boxes[0].caption, "Error");
            EXPECT_EQ(script.boxes[0].text, c.message);
        } else {
            EXPECT_TRUE(script.boxes.empty()) << c.what;
        }
    }
}

TEST(MainWindowTest, DropsReadSongsAndListWhatIsNoSong) {
    SongFolder songs;
    const std::string subfolder = songs.folder.path + "\\Folder";
    CreateDirectoryA(subfolder.c_str(), nullptr);
    MainWindowScript script;
    int songRows = -1, tabAfterMixedDrop = -1, tabAfterSongDrop = -1;
    std::vector<std::string> errors;
    bool exportEnabled = false;
    std::string status;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            // A path longer than the drop buffer is skipped, not read cut short
            // (which would name another file, here: an error line).
            const std::string tooLong = songs.folder.path + "\\" + std::string(300, 'a') + ".xml";
            DropFiles(script.main, {songs.withPlugins, tooLong, songs.notes, subfolder, songs.withoutPlugins});
        })
        .Do([&] {
            HWND main = script.main;
            songRows = ListCount(Item(main, IDC_SONG_LIST));
            errors = ListTexts(Item(main, IDC_ERROR_LIST));
            tabAfterMixedDrop = static_cast<int>(SendMessageA(Item(main, IDC_TABS), TCM_GETCURSEL, 0, 0));
            exportEnabled = IsWindowEnabled(Item(main, IDC_EXPORT)) != FALSE;
            DropFiles(main, {songs.withoutPlugins});
            tabAfterSongDrop = static_cast<int>(SendMessageA(Item(main, IDC_TABS), TCM_GETCURSEL, 0, 0));
            status = WindowText(Item(main, IDC_STATUS));
            PostMessageA(main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(script.boxes.empty());
    // The first song with its two plug-in rows, the second alone.
    EXPECT_EQ(songRows, 4);
    const std::string noSong = "Error: The specified file \"%s\" is no valid Renoise song or instrument!";
    auto line = [&](const std::string& path) {
        std::string text = noSong;
        text.replace(text.find("%s"), 2, path);
        return text;
    };
    EXPECT_EQ(errors, (std::vector<std::string>{line(songs.notes), line(subfolder)}));
    EXPECT_EQ(tabAfterMixedDrop, 3);
    EXPECT_TRUE(exportEnabled);
    // A drop without new errors shows the songs, older errors or not.
    EXPECT_EQ(tabAfterSongDrop, 0);
    EXPECT_EQ(status,
              "Installed VST plugins: n/a - Collected VST plugins: 2 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 2");
}

// Installed: Delay.dll and Unused.dll in the folder; the song uses Delay and Synth.
TEST(MainWindowTest, TabsRebuildTheMissingAndUnusedListsEachTime) {
    SongFolder songs;
    MainWindowScript script;
    std::vector<std::string> missing, unused, unusedAgain;
    std::vector<bool> shown;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
            PluginSetAdd(InstalledPlugins, "Unused.dll", "C:\\VST\\More");
            DropFiles(script.main, {songs.withPlugins});
            ClickTab(script.main, 1);
            missing = ListTexts(Item(script.main, IDC_MISSING_LIST));
            shown.push_back(IsWindowVisible(Item(script.main, IDC_MISSING_LIST)) &&
                            !IsWindowVisible(Item(script.main, IDC_SONG_LIST)));
            ClickTab(script.main, 2);
            unused = ListTexts(Item(script.main, IDC_UNUSED_LIST));
            ClickTab(script.main, 3);
            shown.push_back(IsWindowVisible(Item(script.main, IDC_ERROR_LIST)) &&
                            !IsWindowVisible(Item(script.main, IDC_UNUSED_LIST)));
            ClickTab(script.main, 2);
            unusedAgain = ListTexts(Item(script.main, IDC_UNUSED_LIST));
            ClickTab(script.main, 0);
            shown.push_back(IsWindowVisible(Item(script.main, IDC_SONG_LIST)) &&
                            GetFocus() == Item(script.main, IDC_SONG_LIST));
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_EQ(missing, std::vector<std::string>{"Synth.dll"});
    EXPECT_EQ(unused, std::vector<std::string>{"Unused.dll"});
    EXPECT_EQ(unusedAgain, unused);
    EXPECT_EQ(shown, (std::vector<bool>{true, true, true}));
}

TEST(MainWindowTest, ResetEmptiesTheResultsButKeepsTheInventory) {
    SongFolder songs;
    MainWindowScript script;
    int songRows = -1, errorLines = -1, tab = -1;
    bool exportEnabled = true;
    std::string status;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
            DropFiles(script.main, {songs.withPlugins, songs.notes});
            PostMessageA(script.main, WM_COMMAND, IDM_RESET, 0);
        })
        .Do([&] {
            HWND main = script.main;
            songRows = ListCount(Item(main, IDC_SONG_LIST));
            errorLines = ListCount(Item(main, IDC_ERROR_LIST));
            tab = static_cast<int>(SendMessageA(Item(main, IDC_TABS), TCM_GETCURSEL, 0, 0));
            exportEnabled = IsWindowEnabled(Item(main, IDC_EXPORT)) != FALSE;
            status = WindowText(Item(main, IDC_STATUS));
            PostMessageA(main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_EQ(songRows, 0);
    EXPECT_EQ(errorLines, 0);
    EXPECT_EQ(tab, 0);
    EXPECT_FALSE(exportEnabled);
    EXPECT_EQ(status,
              "Installed plugins: 1 - Collected plugins: 0 - Missing plugins: 0 - Unused plugins: 0 - Errors: 0");
}

// The menu's item states while it is open; nothing when no menu opened.
struct MenuStates {
    bool opened = false;
    UINT reset = 0;
    UINT exportItem = 0;
    UINT about = 0;
};

TEST(MainWindowTest, ContextMenuOpensOnlyOverAListAndJudgesResetAndExport) {
    SongFolder songs;
    MainWindowScript script;
    std::vector<MenuStates> seen;
    auto requestAt = [&](int id, int dx, int dy) {
        return [&script, id, dx, dy] {
            RECT area = {};
            GetWindowRect(GetDlgItem(script.main, id), &area);
            PostMessageA(script.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(script.main, id)),
                         MAKELPARAM(area.left + dx, area.top + dy));
        };
    };
    auto record = [&] {
        MenuStates states;
        if (HWND menu = OpenPopupMenu()) {
            HMENU items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
            states.opened = true;
            states.reset = GetMenuState(items, IDM_RESET, MF_BYCOMMAND) & MF_GRAYED;
            states.exportItem = GetMenuState(items, IDM_EXPORT, MF_BYCOMMAND) & MF_GRAYED;
            states.about = GetMenuState(items, IDM_ABOUT, MF_BYCOMMAND) & MF_GRAYED;
            EndMenu();
        }
        seen.push_back(states);
    };
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do(requestAt(IDC_SONG_LIST, 20, 20))  // an empty songs list
        .Pause(2)
        .Do(record)
        .Do(requestAt(IDC_BANNER, 20, 20))  // the banner: no menu
        .Pause(2)
        .Do(record)
        .Do([&] {
            // The keyboard's request has no point.
            PostMessageA(script.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Item(script.main, IDC_SONG_LIST)),
                         MAKELPARAM(-1, -1));
        })
        .Pause(2)
        .Do(record)
        .Do([&] { DropFiles(script.main, {songs.notes}); })  // only an error line
        .Do(requestAt(IDC_ERROR_LIST, 20, 20))
        .Pause(2)
        .Do(record)
        .Do([&] { DropFiles(script.main, {songs.withPlugins}); })
        .Do(requestAt(IDC_SONG_LIST, 20, 20))
        .Pause(2)
        .Do(record)
        .Do([&] { PostMessageA(script.main, WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_TRUE(seen[0].opened);
    EXPECT_TRUE(seen[0].reset && seen[0].exportItem);
    EXPECT_FALSE(seen[0].about);
    EXPECT_FALSE(seen[1].opened);
    EXPECT_FALSE(seen[2].opened);
    EXPECT_TRUE(seen[3].opened);
    EXPECT_TRUE(seen[3].reset && seen[3].exportItem);
    EXPECT_TRUE(seen[4].opened);
    EXPECT_FALSE(seen[4].reset || seen[4].exportItem);
}

TEST(MainWindowTest, EnterAndEscapeLeaveTheWindowOpen) {
    SongFolder songs;
    MainWindowScript script;
    bool open = false;
    auto press = [&](WPARAM key) {
        return [&script, key] {
            HWND target = GetFocus();
            if (!target) target = script.main;
            PostMessageA(target, WM_KEYDOWN, key, 1);
            PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        };
    };
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do(press(VK_RETURN))
        .Do(press(VK_ESCAPE))
        .Do([&] {
            PostMessageA(script.main, WM_COMMAND, IDOK, 0);
            PostMessageA(script.main, WM_COMMAND, IDCANCEL, 0);
        })
        .Pause(3)
        .Do([&] {
            open = IsWindowVisible(script.main) != FALSE;
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(open);
}

std::vector<std::pair<std::string, std::string>> Opened;
void RecordOpen(const char* verb, const char* target) { Opened.emplace_back(verb, target); }

TEST(MainWindowTest, DoubleClicksSearchForMissingAndExploreUnusedPlugins) {
    SongFolder songs;
    MainWindowScript script;
    const std::string longName = songs.folder.path + "\\Long.xml";
    WriteTextFile(longName, SongXml("Long", {std::string(400, 'A')}));
    Opened.clear();
    const ShellOpener previous = ShellOpen;
    ShellOpen = RecordOpen;
    auto doubleClick = [&](int id, int line) {
        HWND list = Item(script.main, id);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        SendMessageA(script.main, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    };
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            // Without an inventory each list holds the one hint line.
            ClickTab(script.main, 1);
            doubleClick(IDC_MISSING_LIST, 0);
            ClickTab(script.main, 2);
            doubleClick(IDC_UNUSED_LIST, 0);  // no folder: nothing opens
            PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
            PluginSetAdd(InstalledPlugins, "Unused One.dll", "C:\\VST\\More");
            DropFiles(script.main, {songs.withPlugins});
            ClickTab(script.main, 1);
            doubleClick(IDC_MISSING_LIST, 0);
            doubleClick(IDC_MISSING_LIST, -1);  // no line selected
            ClickTab(script.main, 2);
            doubleClick(IDC_UNUSED_LIST, 0);
            doubleClick(IDC_UNUSED_LIST, -1);
            // The longest name a song can give (the reader keeps 259 bytes),
            // read whole from the list.
            DropFiles(script.main, {longName});
            ClickTab(script.main, 1);
            doubleClick(IDC_MISSING_LIST, 0);
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    ShellOpen = previous;
    const std::string search = "https://www.google.com/search?hl=en&q=";
    EXPECT_EQ(Opened, (std::vector<std::pair<std::string, std::string>>{
                          {"open", search + "Please+configure+your+plugin+folders+first"},
                          {"open", search + "Synth"},
                          {"open", search},
                          {"explore", "C:\\VST\\More"},
                          {"open", search + std::string(259, 'A')},  // before "Synth.dll" in set order
                      }));
}

TEST(MainWindowTest, SearchAddressDropsTheExtensionAndEncodesTheQuery) {
    const std::string search = "https://www.google.com/search?hl=en&q=";
    const struct {
        const char* line;
        const char* query;
    } cases[] = {
        {"Delay.dll", "Delay"},
        {"My Synth.dll", "My+Synth"},
        {"Waves Q10 Stereo", "Waves+Q10+Stereo"},
        {"v1.5 beta", "v1.5+beta"},              // a "." followed by a blank starts no extension
        {"Dir\\Name.x\\y", "Dir%5CName.x%5Cy"},  // nor one followed by a backslash
        {"A&B=C#D%E+F?.dll", "A%26B%3DC%23D%25E%2BF%3F"},
        {"Tab\there", "Tab%09here"},
        {"Caf\xC3\xA9.dll", "Caf%C3%A9"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildSearchAddress(c.line), search + c.query) << c.line;
}

// What the box does with its keys is the about dialog's own test; here: the
// menu opens it over the window, and OK ends it.
TEST(MainWindowTest, AboutFromTheMenuOpensTheBox) {
    SongFolder songs;
    MainWindowScript script;
    bool closedAfterOk = false;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] { PostMessageA(script.main, WM_COMMAND, IDM_ABOUT, 0); })
        .WaitUntil([&] { return FindOpenDialog(script, "About Quorvel") != nullptr; })
        .Do([&] { PostMessageA(FindOpenDialog(script, "About Quorvel"), WM_COMMAND, IDOK, 0); })
        .Pause(2)
        .Do([&] {
            closedAfterOk = FindOpenDialog(script, "About Quorvel") == nullptr;
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(closedAfterOk);
}

TEST(MainWindowTest, OpenCommandsReadWhatThePickersChoose) {
    SongFolder songs;
    const std::string nested = songs.folder.path + "\\Nested";
    CreateDirectoryA(nested.c_str(), nullptr);
    WriteTextFile(nested + "\\Deep.xml", SongXml("Deep", {}));
    MainWindowScript script;
    int rowsAfterFiles = -1, rowsAfterFolder = -1, tabAfterCancel = -1;
    std::string filesFolder, statusAfterCancel;
    HWND picker = nullptr;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            std::strcpy(Settings.OpenFilesFolder, songs.folder.path.c_str());
            PostMessageA(script.main, WM_COMMAND, IDC_OPEN_FILES, 0);
        })
        .WaitUntil([&] { return (picker = FindOpenDialog(script, "Open Renoise song or instrument")) != nullptr; })
        .Pause(2)
        .Do([&] {
            SetDlgItemTextA(picker, kFileNameField, "\"First Song.xml\" \"notes.txt\"");
            PostMessageA(picker, WM_COMMAND, IDOK, 0);
        })
        .WaitUntil([&] { return !IsWindow(picker); })
        .Do([&] {
            rowsAfterFiles = ListCount(Item(script.main, IDC_SONG_LIST));
            filesFolder = Settings.OpenFilesFolder;
            // Open Folder, cancelled while the errors tab is in front. (The
            // inventory comes after the songs: both plug-ins stay missing.)
            DropFiles(script.main, {songs.notes});
            PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
            PostMessageA(script.main, WM_COMMAND, IDM_OPEN_FOLDER, 0);
        })
        .WaitUntil([&] { return script.dialogs.size() >= 2 && IsWindowVisible(script.dialogs.back()); })
        .Pause(2)
        .Do([&] { PostMessageA(script.dialogs.back(), WM_COMMAND, IDCANCEL, 0); })
        .WaitUntil([&] { return !IsWindow(script.dialogs.back()); })
        .Do([&] {
            tabAfterCancel = static_cast<int>(SendMessageA(Item(script.main, IDC_TABS), TCM_GETCURSEL, 0, 0));
            statusAfterCancel = WindowText(Item(script.main, IDC_STATUS));
            // Open Folder confirmed on the remembered folder, subfolders included.
            std::strcpy(Settings.OpenFolderPath, songs.folder.path.c_str());
            Settings.ScanSubfolders = 1;
            PostMessageA(script.main, WM_COMMAND, IDC_OPEN_FOLDER, 0);
        })
        .WaitUntil([&] { return script.dialogs.size() >= 3 && IsWindowVisible(script.dialogs.back()); })
        .Pause(4)
        .Do([&] {
            // Wine's browser may still move its selection while it fills its
            // tree: the user points at the folder again before confirming.
            SendMessageA(script.dialogs.back(), BFFM_SETSELECTIONA, TRUE,
                         reinterpret_cast<LPARAM>(songs.folder.path.c_str()));
        })
        .Pause(2)
        .Do([&] { PostMessageA(script.dialogs.back(), WM_COMMAND, IDOK, 0); })
        .WaitUntil([&] { return !IsWindow(script.dialogs.back()); })
        .Do([&] {
            rowsAfterFolder = ListCount(Item(script.main, IDC_SONG_LIST));
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, songs.settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(rowsAfterFiles, 3);  // the song and its two plug-ins; notes.txt is skipped
    EXPECT_EQ(_stricmp(filesFolder.c_str(), songs.folder.path.c_str()), 0) << filesFolder;
    EXPECT_EQ(tabAfterCancel, 0);
    EXPECT_EQ(statusAfterCancel,
              "Installed plugins: 1 - Collected plugins: 2 - Missing plugins: 2 - Unused plugins: 1 - Errors: 1");
    // Added to what was listed: First Song (3 rows), Second, Nested\Deep.
    EXPECT_EQ(rowsAfterFolder, 3 + 3 + 1 + 1);
}

}  // namespace
