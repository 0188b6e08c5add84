#include "ui/MainWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "settings/SettingsFile.h"
#include "ui/ConfigDialog.h"
#include "ui/Hyperlink.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

// A settings file as the program writes it: rectangle, an empty block, no
// inventory.
static std::string SettingsImage(LONG left, LONG top, LONG right, LONG bottom) {
    std::string bytes(kSettingsRecordsOffset, '\0');
    const LONG rect[4] = {left, top, right, bottom};
    std::memcpy(bytes.data(), rect, sizeof rect);
    return bytes;
}

// What every start shows, wherever the window stands.
static void CheckFreshWindow(const Script& script) {
    EXPECT_EQ(WindowText(script.main), "Quorvel - 1.1");
    EXPECT_EQ(script.Text(IDC_STATUS), "Installed VST plugins: n/a - Collected VST plugins: 0 - Missing plugins: n/a - "
                                       "Unused plugins: n/a - Errors: 0");
    EXPECT_FALSE(IsWindowEnabled(script.Item(IDC_EXPORT)));
    // The dialog keeps the size of its template.
    RECT client = {}, units = {0, 0, 467, 310};
    GetClientRect(script.main, &client);
    MapDialogRect(script.main, &units);
    EXPECT_TRUE(client.right == units.right && client.bottom == units.bottom);
    const char* tabs[] = {"Show songs and instruments", "Show missing plugins", "Show unused plugins", "Show errors"};
    const int lists[] = {IDC_SONG_LIST, IDC_MISSING_LIST, IDC_UNUSED_LIST, IDC_ERROR_LIST};
    RECT tab = {}, list = {};
    GetWindowRect(script.Item(IDC_TABS), &tab);
    for (int i = 0; i < 4; ++i) {
        char text[64] = {};
        TCITEMA item = {TCIF_TEXT, 0, 0, text, sizeof text, 0, 0};
        SendMessageA(script.Item(IDC_TABS), TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, tabs[i]);
        const int id = lists[i];
        EXPECT_EQ(IsWindowVisible(script.Item(id)) != FALSE, id == IDC_SONG_LIST) << id;
        // Inside the tab control, below its strip of tabs...
        GetWindowRect(script.Item(id), &list);
        EXPECT_TRUE(list.left > tab.left && list.right < tab.right && list.top > tab.top + 10 &&
                    list.bottom < tab.bottom)
            << id;
        // ... and above it, so that the tab control does not paint over it.
        HWND below = script.Item(id);
        while (below && below != script.Item(IDC_TABS)) below = GetWindow(below, GW_HWNDNEXT);
        EXPECT_NE(below, nullptr) << id;
    }
    // The banner's picture on every paint, not the black of its marker: a
    // dark background and the light word.
    RECT banner = {};
    GetWindowRect(script.Item(IDC_BANNER), &banner);
    MapWindowPoints(nullptr, script.main, reinterpret_cast<POINT*>(&banner), 2);
    RedrawWindow(script.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_FALSE(IsWindowVisible(script.Item(IDC_BANNER)));
    HDC dc = GetDC(script.main);
    const COLORREF corner = GetPixel(dc, banner.left + 1, banner.top + 1);
    int light = 0;
    for (LONG x = banner.left; x < banner.right; x += 3)
        for (LONG y = banner.top; y < banner.bottom; y += 3) light += GetRValue(GetPixel(dc, x, y)) > 200 ? 1 : 0;
    ReleaseDC(script.main, dc);
    EXPECT_TRUE(corner != RGB(0, 0, 0) && GetRValue(corner) < 60 && GetBValue(corner) < 80) << corner;
    EXPECT_GT(light, 20);
}

TEST(MainWindowTest, StartsWhereItCanBeSeenStaysOnEnterAndEscapeAndStoresItsPlaceOnClose) {
    const struct {
        const char* what;
        std::optional<std::string> file;
        bool centred;
    } cases[] = {
        {"first start", std::nullopt, true},
        {"saved by the window", SettingsImage(40, 30, 40 + 700, 30 + 520), false},
        {"another size: the position counts", SettingsImage(40, 30, 140, 80), false},
        {"no rectangle (a file made without a window)", SettingsImage(0, 0, 0, 0), true},
        {"on no screen", SettingsImage(9000, 9000, 9700, 9520), true},
        {"damaged (empty) file", std::string(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string settings = folder.Path("quorvel.cfg");
        if (c.file) folder.Write("quorvel.cfg", *c.file);
        Script script;
        RECT placed = {};
        script.Do([&] {
            GetWindowRect(script.main, &placed);
            EXPECT_TRUE(c.centred ? CentredOver(script.main, nullptr) : placed.left == 40 && placed.top == 30);
            CheckFreshWindow(script);
            PressKey(GetFocus() ? GetFocus() : script.main, VK_RETURN);
            PressKey(GetFocus() ? GetFocus() : script.main, VK_ESCAPE);
        });
        script.Command(IDOK).Command(IDCANCEL).Pause(3).Do([&] { EXPECT_TRUE(IsWindowVisible(script.main)); });
        EXPECT_EQ(RunMainWindow(script.Close(), settings), 0);
        std::string seen;
        for (const SeenBox& box : script.boxes) seen += box.caption + ": " + box.text + "\n";
        const bool damaged = c.file && c.file->empty();
        EXPECT_EQ(seen, damaged ? "Error: Damaged config file, please reconfigure your settings!\n" : "");
        // The close wrote the place and an empty inventory.
        const std::string stored = ReadFileBytes(settings);
        EXPECT_EQ(stored.size(), kSettingsRecordsOffset);
        const std::string place = SettingsImage(placed.left, placed.top, placed.right, placed.bottom);
        EXPECT_EQ(stored.substr(0, 16), place.substr(0, 16));
    }
}

static constexpr char kCaption[] = "Quorvel Configuration";

// Sets a default value (or, with a value name, that value) below HKLM. The
// keys are removed by the caller: the prefix outlives the test.
static void SetMachineValue(const std::string& key, const std::string& text, const char* name = nullptr) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

static std::vector<std::string> Names(const PluginSet& set) {
    std::vector<std::string> names;
    for (const auto& member : set.members) names.push_back(member.second.name);
    return names;
}

static Script& OpenConfiguration(Script& script) { return script.Command(IDC_CONFIGURATION).Await(kCaption); }

static std::vector<std::pair<std::string, std::string>> Opened;
static void RecordOpen(const char* verb, const char* target) { Opened.emplace_back(verb, target); }

TEST(MainWindowTest, SearchAddressDropsTheExtensionAndEncodesTheQuery) {
    const std::pair<const char*, const char*> cases[] = {
        {"Delay.dll", "Delay"}, {"My Synth.dll", "My+Synth"}, {"Tab\there", "Tab%09here"}, {"", ""},
        {"v1.5 beta", "v1.5+beta"},              // a "." followed by a blank starts no extension
        {"Dir\\Name.x\\y", "Dir%5CName.x%5Cy"},  // nor one followed by a backslash
        {"A&B=C#D%E+F?~_-.dll", "A%26B%3DC%23D%25E%2BF%3F~_-"}, {"Caf\xC3\xA9.dll", "Caf%C3%A9"},
    };
    for (const auto& [line, query] : cases)
        EXPECT_EQ(BuildSearchAddress(line), std::string(kSearchAddressPrefix) + query) << line;
}

// One session: drops, the tabs, the context menu, double-clicks on the
// missing and unused lines, Reset and About; then, from an empty list, the
// open commands through the pickers, the export and the configuration. The
// inventory, once it comes: Delay.dll and Unused.dll; the first song uses
// Delay and Synth.
TEST(MainWindowTest, DropsTabsMenusDoubleClicksResetAboutPickersExportAndConfiguration) {
    // The settings file's place, a song that uses Delay.dll and Synth.dll, one
    // without plug-ins, and a text file.
    TempFolder folder;
    const std::string settings = folder.Path("quorvel.cfg"), notes = folder.Write("notes.txt", "not a song");
    const std::string withPlugins = folder.Write("First Song.xml", SongXml({"Delay", "Synth"}));
    const std::string withoutPlugins = folder.Write("Second.xml", SongXml({}));
    // For the configuration: plug-in folders with the test libraries, the
    // registry's suggestion and a song judged by the inventory before the scan.
    TempFolder vstRoot;
    const std::string suggested = vstRoot.Path("Suggested VST");
    const std::string vst = vstRoot.MakeFolder("VST"), sub = vstRoot.MakeFolder("VST\\Sub");
    const std::string waves = vstRoot.MakeFolder("Waves"), subfolder = folder.MakeFolder("Folder");
    const std::pair<const char*, std::string> copies[] = {
        {"vst_plugin_main.dll", vst + "\\Compressor.dll"}, {"vst_main.dll", sub + "\\Synth Main.dll"},
        {"no_entry.dll", vst + "\\Helper.dll"},            {"wave_shell.dll", vst + "\\WaveShell1-VST 9.2_x64.dll"},
        {"wave_shell.dll", sub + "\\My-WAVESHELL-VST.dll"}, {"wave_shell.dll", waves + "\\WaveShell-VST3.dll"},
        {"register_only.dll", waves + "\\Registrar.dll"},
    };
    for (const auto& [library, target] : copies)
        ASSERT_TRUE(CopyFileA(BesideSelf(std::string("testdlls\\") + library).c_str(), target.c_str(), FALSE));
    vstRoot.Write("VST\\Readme.dll", "not a library");
    // Registered COM classes as a Waves installer leaves them.
    const std::pair<const char*, std::string> classes[] = {
        {"Waves Q10 Stereo (test)", waves + "\\WaveShell-VST3.dll"},
        {"Waves C1 comp (test)", waves + "\\WaveShell-VST3.dll"},
        {"waves unverified (test)", waves + "\\Registrar.dll"},
    };
    std::vector<std::string> keys = {kVstRegistryKey};
    for (const auto& [description, library] : classes) {
        keys.push_back("Software\\Classes\\CLSID\\{51A0C5E0-7E57-4000-8000-00000000000");
        keys.back().append(1, static_cast<char>('0' + keys.size())).append("}");
        SetMachineValue(keys.back(), description);
        SetMachineValue(keys.back() + "\\InprocServer32", library);
    }
    vstRoot.Write("Demo.xml", SongXml({"Compressor"}));
    SetMachineValue(kVstRegistryKey, suggested, kVstRegistryValue);

    folder.Write("Nested\\Deep.xml", SongXml({}));
    const std::string longName = folder.Write("Long.xml", SongXml({std::string(400, 'A')}));
    Opened.clear();
    const ShellOpener previous = ShellOpen;
    ShellOpen = RecordOpen;
    Script script;
    // Asks for the menu at a point of the control (none: the keyboard's
    // request), then records whether it opened and with which items grayed.
    std::vector<std::string> menus;
    auto menuAt = [&](int id, bool point) {
        script.Do([&script, id, point] { AskContextMenu(script.main, id, point); }).Pause(2).Do([&menus] {
            std::string states = OpenPopupMenu() ? "open" : "closed";
            for (UINT item : {IDM_RESET, IDM_EXPORT, IDM_ABOUT})
                if (OpenPopupMenu()) states += PopupItemState(item) & MF_GRAYED ? " grayed" : " enabled";
            EndMenu();
            menus.push_back(states);
        });
    };
    auto doubleClick = [&](int tab, int id, int line) {
        ClickTab(script.main, tab);
        SendMessageA(script.Item(id), LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        SendMessageA(script.main, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(script.Item(id)));
    };
    auto shows = [&](int id) {
        for (int other : {IDC_SONG_LIST, IDC_MISSING_LIST, IDC_UNUSED_LIST, IDC_ERROR_LIST})
            if ((IsWindowVisible(script.Item(other)) != FALSE) != (other == id)) return false;
        return GetFocus() == script.Item(id);
    };
    menuAt(IDC_SONG_LIST, true);  // an empty songs list
    menuAt(IDC_BANNER, true);
    menuAt(IDC_SONG_LIST, false);
    script.Do([&] {
        // Without an inventory each list holds the one hint line; the unused
        // one names no folder, so nothing opens.
        doubleClick(1, IDC_MISSING_LIST, 0);
        doubleClick(2, IDC_UNUSED_LIST, 0);
        DropFiles(script.main, {notes});
    });
    menuAt(IDC_ERROR_LIST, true);  // only an error line
    script.Do([&] {
        // A path longer than the drop buffer is skipped, not read cut short
        // (which would name another file, here: an error line).
        const std::string tooLong = folder.Path(std::string(300, 'a') + ".xml");
        PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
        PluginSetAdd(InstalledPlugins, "Unused.dll", "C:\\VST\\More");
        DropFiles(script.main, {withPlugins, tooLong, subfolder, withoutPlugins});
    });
    script.Do([&] {
        // The first song with its two plug-in rows, the second alone.
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 4);
        std::vector<std::string> errors;
        for (const std::string& path : {notes, subfolder})
            errors.push_back(std::string("Error: The specified file \"") + path +
                             "\" is no valid Renoise song or instrument!");
        EXPECT_EQ(ListTexts(script.Item(IDC_ERROR_LIST)), errors);
        EXPECT_EQ(script.Tab(), 3);
        EXPECT_TRUE(IsWindowEnabled(script.Item(IDC_EXPORT)));
        // A drop without new errors shows the songs, older errors or not.
        DropFiles(script.main, {withoutPlugins});
        EXPECT_EQ(script.Tab(), 0);
        EXPECT_EQ(script.Text(IDC_STATUS), StatusLine(2, 2, 1, 1, 2));
        // Each tab shows its list alone; the missing and unused ones are
        // built anew on every visit.
        ClickTab(script.main, 1);
        EXPECT_EQ(ListTexts(script.Item(IDC_MISSING_LIST)), std::vector<std::string>{"Synth.dll"});
        EXPECT_TRUE(shows(IDC_MISSING_LIST));
        ClickTab(script.main, 2);
        ClickTab(script.main, 3);
        EXPECT_TRUE(shows(IDC_ERROR_LIST));
        ClickTab(script.main, 2);
        EXPECT_EQ(ListTexts(script.Item(IDC_UNUSED_LIST)), std::vector<std::string>{"Unused.dll"});
        ClickTab(script.main, 0);
        EXPECT_TRUE(shows(IDC_SONG_LIST));
        doubleClick(1, IDC_MISSING_LIST, 0);
        doubleClick(1, IDC_MISSING_LIST, -1);  // no line selected
        doubleClick(2, IDC_UNUSED_LIST, 0);
        doubleClick(2, IDC_UNUSED_LIST, -1);
        // The longest name a song can give (the reader keeps 259 bytes), read
        // whole from the list.
        DropFiles(script.main, {longName});
        doubleClick(1, IDC_MISSING_LIST, 0);
    });
    menuAt(IDC_SONG_LIST, true);
    script.Command(IDM_RESET).Do([&] {
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 0);
        EXPECT_EQ(script.Count(IDC_ERROR_LIST), 0);
        EXPECT_EQ(script.Tab(), 0);
        EXPECT_FALSE(IsWindowEnabled(script.Item(IDC_EXPORT)));
        EXPECT_EQ(script.Text(IDC_STATUS), StatusLine(2, 0, 0, 0, 0));
    });
    // The About box: centred over the window, links sized to their text, the
    // banner black with white text; only Enter ends it.
    script.Command(IDM_ABOUT).Await("About Quorvel").Pause(1).Do([&] {
        HWND about = script.Dialog("About Quorvel");
        EXPECT_TRUE(CentredOver(about, script.main));
        RECT banner = {};
        const HFONT font = reinterpret_cast<HFONT>(SendMessageA(about, WM_GETFONT, 0, 0));
        for (int id : {IDC_LINK_AUTHOR, IDC_LINK_TRACKER, IDC_LINK_ARTIST})
            EXPECT_TRUE(SizedToText(GetDlgItem(about, id), font)) << id;
        EXPECT_EQ(WindowText(GetDlgItem(about, IDC_LINK_AUTHOR)), "https://quorvel.example.org/");
        char tip[128] = {};
        SendDlgItemMessageA(about, IDC_LINK_ARTIST, HLM_GETTIP, sizeof tip, reinterpret_cast<LPARAM>(tip));
        EXPECT_STREQ(tip, "Visit website of the graphic artist Quorvel Team.");
        UpdateWindow(about);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(about, IDC_ABOUT_BANNER)));
        GetClientRect(GetDlgItem(about, IDC_ABOUT_BANNER), &banner);
        Canvas canvas(banner.right, banner.bottom, RGB(255, 0, 255));
        HDC dc = GetDC(about);
        BitBlt(canvas.dc, 0, 0, banner.right, banner.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(about, dc);
        EXPECT_EQ(canvas.At(2, 2), RGB(0, 0, 0));
        EXPECT_GT(canvas.Count(RGB(255, 255, 255)), 20);
        PressKey(GetFocus() ? GetFocus() : about, VK_ESCAPE);
        PostMessageA(about, WM_CLOSE, 0, 0);
        HWND link = GetDlgItem(about, IDC_LINK_TRACKER);
        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    });
    // Neither Escape, the close command nor a link's click end the box.
    script.Pause(9).Do([&] {
        ASSERT_NE(script.Dialog("About Quorvel"), nullptr);
        PressKey(GetFocus() ? GetFocus() : script.Dialog(), VK_RETURN);
    });
    script.WaitUntil([&] { return script.Dialog("About Quorvel") == nullptr; });
    // Waits until a picker is open, and lets it settle.
    auto opened = [&](int settle) -> Script& {
        return script.WaitUntil([&] { return script.Dialog() != nullptr; }).Pause(settle);
    };
    auto gone = [&] { return script.Dialog() == nullptr; };
    script.Do([&] {
        PluginSetClear(InstalledPlugins);
        std::strcpy(Settings.OpenFilesFolder, folder.path.c_str());
        PostMessageA(script.main, WM_COMMAND, IDC_OPEN_FILES, 0);
    });
    opened(2).Do([&] {
        HWND picker = script.Dialog("Open Renoise song or instrument");
        SetDlgItemTextA(picker, kFileNameField, "\"First Song.xml\" \"notes.txt\" \"Second.xml\"");
        PostMessageA(picker, WM_COMMAND, IDOK, 0);
    });
    script.WaitUntil(gone).Do([&] {
        // The first song and its two plug-ins, then the second; notes.txt is skipped.
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 3 + 1);
        EXPECT_EQ(_stricmp(Settings.OpenFilesFolder, folder.path.c_str()), 0) << Settings.OpenFilesFolder;
        // Open Folder, cancelled while the errors tab is in front. (The
        // inventory comes after the songs: both plug-ins stay missing.)
        DropFiles(script.main, {notes});
        PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
        PostMessageA(script.main, WM_COMMAND, IDM_OPEN_FOLDER, 0);
    });
    opened(2).Do([&] { PostMessageA(script.Dialog(), WM_COMMAND, IDCANCEL, 0); }).WaitUntil(gone);
    script.Do([&] {
        EXPECT_EQ(script.Tab(), 0);
        EXPECT_EQ(script.Text(IDC_STATUS), StatusLine(1, 2, 2, 1, 1));
        // Open Folder confirmed on the remembered folder, subfolders included.
        std::strcpy(Settings.OpenFolderPath, folder.path.c_str());
        Settings.ScanSubfolders = 1;
        PostMessageA(script.main, WM_COMMAND, IDC_OPEN_FOLDER, 0);
    });
    // Wine's browser may still move its selection while it fills its tree:
    // the user points at the folder again before confirming.
    opened(4).Do([&] {
        SendMessageA(script.Dialog(), BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.path.c_str()));
    });
    script.Pause(2).Do([&] { PostMessageA(script.Dialog(), WM_COMMAND, IDOK, 0); }).WaitUntil(gone);
    // Added to what was listed: First Song (3 rows), Long (2), Second, Nested\Deep.
    script.Do([&] {
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 4 + 3 + 2 + 1 + 1);
        std::strcpy(Settings.ExportFolder, "C:\\windows");
    });
    // The export: a cancel keeps the folder, a chosen name gets the
    // extension, and replacing a file asks first (the system's question).
    auto exportAs = [&](const std::string& name) {
        script.Command(IDC_EXPORT).Await("Export").Pause(2).Do([&, name] {
            HWND dialog = script.Dialog("Export");
            EXPECT_TRUE(CentredOver(dialog, script.main));
            SetDlgItemTextA(dialog, kFileNameField, name.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        script.WaitUntil([&] { return script.Dialog("Export") == nullptr; });
    };
    const std::string report = folder.Path("report.txt");
    std::string firstReport;
    script.Command(IDM_EXPORT).Answer("Export", IDCANCEL).Do([&] {
        EXPECT_STREQ(Settings.ExportFolder, "C:\\windows");
    });
    exportAs(folder.Path("report"));
    script.Do([&] {
        firstReport = ReadFileBytes(report);
        EXPECT_NE(firstReport.find("1 - " + withPlugins + "\r\n"), std::string::npos);
        folder.Write("report.txt", "changed");
        script.answers.push_back(IDYES);
    });
    exportAs(report);
    script.Do([&] { EXPECT_EQ(Settings.ExportFolder, folder.path); });
    // The configuration: the registry's suggestion, which Cancel keeps; the
    // switches and "..." of the folder rows, OK with no folder on; then a scan.
    OpenConfiguration(script).Do([&] {
        HWND dialog = script.Dialog(kCaption);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)), suggested);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_VST2_PATH)), "");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_VST1_ENABLED), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_VST2_ENABLED), BST_UNCHECKED);
        for (int id : {IDC_VST1_PATH, IDC_VST1_BROWSE, IDC_VST2_PATH, IDC_VST2_BROWSE})
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    });
    // Cancel undid nothing.
    script.Answer(kCaption, IDCANCEL).Do([&] {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVstRegistryKey);
        EXPECT_EQ(Settings.VstFolder1Enabled, 1u);
        EXPECT_EQ(Settings.VstFolder1, suggested);
        PluginSetAdd(InstalledPlugins, "Old.dll", "C:\\Old");
        Settings.ScanSubfolders = 1;
        std::strcpy(Settings.VstFolder1, "C:\\Plugins");
        Settings.VstFolder2Enabled = 1;  // on, but no folder chosen
    });
    OpenConfiguration(script).Do([&] {
        HWND dialog = script.Dialog(kCaption);
        auto click = [dialog](int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); };
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)), "C:\\Plugins");
        click(IDC_VST1_ENABLED);  // off: empty and disabled, the path kept
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)), "");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_BROWSE)));
        EXPECT_EQ(Settings.VstFolder1Enabled, 0u);
        EXPECT_STREQ(Settings.VstFolder1, "C:\\Plugins");
        click(IDC_VST1_ENABLED);  // on again: the path is back
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)), "C:\\Plugins");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_BROWSE)));
        click(IDC_VST1_ENABLED);
        click(IDC_SCAN_SUBFOLDERS);
        // "..." of row 2, with the folder browser confirmed.
        std::strcpy(Settings.VstFolder2, vstRoot.path.c_str());
        PostMessageA(dialog, WM_COMMAND, IDC_VST2_BROWSE, 0);
    });
    script.WaitUntil([&] { return script.Dialog() != script.Dialog(kCaption); })
        .Pause(4)
        .Do([&] { PostMessageA(script.Dialog(), WM_COMMAND, IDOK, 0); })
        .WaitUntil([&] { return script.Dialog() == script.Dialog(kCaption); })
        .Do([&] {
            // What the picker chose is the setting and the field alike.
            const std::string browsed = WindowText(GetDlgItem(script.Dialog(kCaption), IDC_VST2_PATH));
            EXPECT_FALSE(browsed.empty());
            EXPECT_EQ(browsed, Settings.VstFolder2);
            Settings.VstFolder2[0] = '\0';
        })
        .Answer(kCaption, IDOK)
        .Do([&] {
            EXPECT_EQ(Settings.ScanSubfolders, 0u);
            EXPECT_EQ(Settings.VstFolder2Enabled, 0u);  // on without a folder: turned off
            EXPECT_TRUE(InstalledPlugins.members.empty());  // no folder on: the inventory is emptied
            DropFiles(script.main, {vstRoot.Path("Demo.xml"), vstRoot.Path("nothing.txt")});
            Settings.VstFolder1Enabled = 1;
            std::strcpy(Settings.VstFolder1, vst.c_str());
        });
    const std::vector<std::string> expected = {"Compressor.dll", "Synth Main.dll", "Waves C1 comp (test)",
                                               "Waves Q10 Stereo (test)"};
    std::string block;  // the settings as the close finds them
    OpenConfiguration(script).Answer(kCaption, IDOK).Do([&] {
        EXPECT_EQ(Names(InstalledPlugins), expected);
        const PluginRecord* compressor = PluginSetFind(InstalledPlugins, "Compressor.dll");
        const PluginRecord* c1 = PluginSetFind(InstalledPlugins, "Waves C1 comp (test)");
        EXPECT_EQ(compressor ? compressor->folder : "", vst);
        EXPECT_EQ(c1 ? c1->folder : "", waves);
        // The songs were judged against the old inventory: gone; the errors stay.
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 0);
        EXPECT_EQ(script.Count(IDC_ERROR_LIST), 2);
        EXPECT_FALSE(IsWindowEnabled(script.Item(IDC_EXPORT)));
        EXPECT_EQ(script.Text(IDC_STATUS), StatusLine(4, 0, 0, 0, 2));
        block.assign(reinterpret_cast<const char*>(&Settings), sizeof Settings);
    });
    EXPECT_EQ(RunMainWindow(script.Close(), settings), 0);
    ShellOpen = previous;
    for (const std::string& key : keys) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    // The scan and the close stored the inventory and the settings.
    const std::string bytes = ReadFileBytes(settings);
    EXPECT_EQ(bytes.substr(kSettingsBlockOffset, kSettingsBlockSize), block);
    int32_t rect[4] = {};
    AppSettings stored = {};
    PluginSet inventory;
    SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, stored, inventory);
    EXPECT_EQ(Names(inventory), expected);
    EXPECT_EQ(menus, (std::vector<std::string>{"open grayed grayed enabled", "closed", "closed",
                                               "open grayed grayed enabled", "open enabled enabled enabled"}));
    const std::string search = kSearchAddressPrefix;
    EXPECT_EQ(Opened, (std::vector<std::pair<std::string, std::string>>{
                          {"open", search + "Please+configure+your+plugin+folders+first"},
                          {"open", search + "Synth"},
                          {"open", search},
                          {"explore", "C:\\VST\\More"},
                          {"open", search + std::string(259, 'A')},  // before "Synth.dll" in set order
                      }));
    // Only the system's own question, with the dialog's title as caption.
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].caption, "Export");
    EXPECT_NE(script.boxes[0].text.find("replace"), std::string::npos) << script.boxes[0].text;
    EXPECT_EQ(ReadFileBytes(report), firstReport);
}
