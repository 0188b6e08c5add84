#include "ui/ConfigDialog.h"

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

constexpr char kCaption[] = "Quorvel Configuration";
constexpr char kClasses[] = "Software\\Classes\\CLSID";

std::string TestLibrary(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder = self;
    return folder.substr(0, folder.find_last_of('\\')) + "\\testdlls\\" + name;
}

void SetDefaultValue(const std::string& key, const std::string& text) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
}

// Registered COM classes as a Waves installer leaves them; removed again
// at the end, since the prefix outlives the test.
struct WavesClasses {
    std::vector<std::string> keys;
    void Add(const char* id, const std::string& description, const std::string& library) {
        const std::string key = std::string(kClasses) + "\\" + id;
        SetDefaultValue(key, description);
        SetDefaultValue(key + "\\InprocServer32", library);
        keys.push_back(key);
    }
    ~WavesClasses() {
        for (const std::string& key : keys) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    }
};

struct SuggestedFolder {
    explicit SuggestedFolder(const std::string& path) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kVstRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExA(key, kVstRegistryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        RegCloseKey(key);
    }
    ~SuggestedFolder() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVstRegistryKey); }
};

std::vector<std::string> Names(const PluginSet& set) {
    std::vector<std::string> names;
    for (const auto& member : set.members) names.push_back(member.second.name);
    return names;
}

MainWindowScript& OpenConfiguration(MainWindowScript& script) {
    return script.Do([&script] { PostMessageA(script.main, WM_COMMAND, IDC_CONFIGURATION, 0); })
        .WaitUntil([&script] { return FindOpenDialog(script, kCaption) != nullptr; });
}

void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

TEST(ConfigDialogTest, OkScansTheFolderForPluginsAndWavesClasses) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    const std::string vst = folder.path + "\\VST";
    const std::string sub = vst + "\\Sub";
    const std::string waves = folder.path + "\\Waves";
    for (const std::string& path : {vst, sub, waves}) CreateDirectoryA(path.c_str(), nullptr);
    struct Copy {
        const char* library;
        std::string target;
    };
    const Copy copies[] = {
        {"vst_plugin_main.dll", vst + "\\Compressor.dll"},
        {"vst_main.dll", sub + "\\Synth Main.dll"},
        {"no_entry.dll", vst + "\\Helper.dll"},
        {"wave_shell.dll", vst + "\\WaveShell1-VST 9.2_x64.dll"},
        {"wave_shell.dll", sub + "\\My-WAVESHELL-VST.dll"},
        {"wave_shell.dll", waves + "\\WaveShell-VST3.dll"},
        {"register_only.dll", waves + "\\Registrar.dll"},
    };
    for (const Copy& copy : copies)
        ASSERT_TRUE(CopyFileA(TestLibrary(copy.library).c_str(), copy.target.c_str(), FALSE)) << copy.target;
    WriteTextFile(vst + "\\Readme.dll", "not a library");
    WavesClasses classes;
    classes.Add("{51A0C5E0-7E57-4000-8000-000000000001}", "Waves Q10 Stereo (test)", waves + "\\WaveShell-VST3.dll");
    classes.Add("{51A0C5E0-7E57-4000-8000-000000000002}", "Waves C1 comp (test)", waves + "\\WaveShell-VST3.dll");
    classes.Add("{51A0C5E0-7E57-4000-8000-000000000003}", "waves unverified (test)", waves + "\\Registrar.dll");
    const std::string song = folder.path + "\\Demo.xml";
    WriteTextFile(song, SongXml("Demo", {"Compressor"}));

    MainWindowScript script;
    std::vector<std::string> installed, stored;
    std::string compressorFolder, wavesFolder, status;
    int songRows = -1, errorLines = -1;
    bool exportEnabled = true;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
        DropFiles(script.main, {song, folder.path + "\\nothing.txt"});
        Settings.VstFolder1Enabled = 1;
        std::strcpy(Settings.VstFolder1, vst.c_str());
    });
    OpenConfiguration(script)
        .Do([&] { PostMessageA(FindOpenDialog(script, kCaption), WM_COMMAND, IDOK, 0); })
        .WaitUntil([&] { return FindOpenDialog(script, kCaption) == nullptr; })
        .Do([&] {
            installed = Names(InstalledPlugins);
            if (const PluginRecord* record = PluginSetFind(InstalledPlugins, "Compressor.dll"))
                compressorFolder = record->folder;
            if (const PluginRecord* record = PluginSetFind(InstalledPlugins, "Waves C1 comp (test)"))
                wavesFolder = record->folder;
            songRows = ListCount(GetDlgItem(script.main, IDC_SONG_LIST));
            errorLines = ListCount(GetDlgItem(script.main, IDC_ERROR_LIST));
            exportEnabled = IsWindowEnabled(GetDlgItem(script.main, IDC_EXPORT)) != FALSE;
            status = WindowText(GetDlgItem(script.main, IDC_STATUS));
            const std::string bytes = ReadTextFile(settings);
            int32_t rect[4] = {};
            AppSettings read = {};
            PluginSet inventory;
            SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, read, inventory);
            stored = Names(inventory);
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(script.boxes.empty());
    const std::vector<std::string> expected = {"Compressor.dll", "Synth Main.dll", "Waves C1 comp (test)",
                                               "Waves Q10 Stereo (test)"};
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(compressorFolder, vst);
    EXPECT_EQ(wavesFolder, waves);
    // The songs were judged against the old inventory: gone; the errors stay.
    EXPECT_EQ(songRows, 0);
    EXPECT_EQ(errorLines, 1);
    EXPECT_FALSE(exportEnabled);
    EXPECT_EQ(status,
              "Installed plugins: 4 - Collected plugins: 0 - Missing plugins: 0 - Unused plugins: 0 - Errors: 1");
}

TEST(ConfigDialogTest, RegistrySuggestsTheFirstFolderWhichCancelKeeps) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    const std::string suggested = folder.path + "\\Suggested VST";
    SuggestedFolder registry(suggested);
    MainWindowScript script;
    std::string field1, field2;
    bool checked1 = false, checked2 = true, row1Enabled = false, row2Enabled = false;
    OpenConfiguration(script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }))
        .Do([&] {
            HWND dialog = FindOpenDialog(script, kCaption);
            field1 = WindowText(GetDlgItem(dialog, IDC_VST1_PATH));
            field2 = WindowText(GetDlgItem(dialog, IDC_VST2_PATH));
            checked1 = IsDlgButtonChecked(dialog, IDC_VST1_ENABLED) == BST_CHECKED;
            checked2 = IsDlgButtonChecked(dialog, IDC_VST2_ENABLED) == BST_CHECKED;
            row1Enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_PATH)) && IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_BROWSE));
            row2Enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_VST2_PATH)) && IsWindowEnabled(GetDlgItem(dialog, IDC_VST2_BROWSE));
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        })
        .WaitUntil([&] { return FindOpenDialog(script, kCaption) == nullptr; })
        .Do([&] { PostMessageA(script.main, WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunMainWindow(script, settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_EQ(field1, suggested);
    EXPECT_TRUE(checked1);
    EXPECT_TRUE(row1Enabled);
    EXPECT_EQ(field2, "");
    EXPECT_FALSE(checked2);
    EXPECT_TRUE(row2Enabled);
    // Cancel undid nothing, and the close stored it.
    const std::string bytes = ReadTextFile(settings);
    int32_t rect[4] = {};
    AppSettings stored = {};
    PluginSet inventory;
    SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, stored, inventory);
    EXPECT_EQ(stored.VstFolder1Enabled, 1u);
    EXPECT_EQ(std::string(stored.VstFolder1), suggested);
    EXPECT_TRUE(inventory.members.empty());
}

TEST(ConfigDialogTest, SwitchesShowAndHideFoldersAndOkDropsEmptyRows) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    MainWindowScript script;
    std::vector<std::string> fields;
    std::vector<bool> enabledFlags;
    std::string keptPath, browsed, browsedStored;
    uint32_t scanSubfolders = 9, row2Enabled = 9;
    size_t installedAfter = 99;
    HWND dialog = nullptr;
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
        PluginSetAdd(InstalledPlugins, "Old.dll", "C:\\Old");
        Settings.ScanSubfolders = 1;
        Settings.VstFolder1Enabled = 1;
        std::strcpy(Settings.VstFolder1, "C:\\Plugins");
        Settings.VstFolder2Enabled = 1;  // on, but no folder chosen
        std::strcpy(Settings.VstFolder2, folder.path.c_str());
        Settings.VstFolder2[0] = '\0';
    });
    OpenConfiguration(script)
        .Do([&] {
            dialog = FindOpenDialog(script, kCaption);
            fields.push_back(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)));
            Click(dialog, IDC_VST1_ENABLED);  // off: empty and disabled, the path kept
            fields.push_back(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)));
            enabledFlags.push_back(IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_BROWSE)) != FALSE);
            enabledFlags.push_back(Settings.VstFolder1Enabled != 0);
            keptPath = Settings.VstFolder1;
            Click(dialog, IDC_VST1_ENABLED);  // on again: the path is back
            fields.push_back(WindowText(GetDlgItem(dialog, IDC_VST1_PATH)));
            enabledFlags.push_back(IsWindowEnabled(GetDlgItem(dialog, IDC_VST1_BROWSE)) != FALSE);
            Click(dialog, IDC_VST1_ENABLED);
            Click(dialog, IDC_SCAN_SUBFOLDERS);
            // "..." of row 2, with the folder browser confirmed.
            std::strcpy(Settings.VstFolder2, folder.path.c_str());
            PostMessageA(dialog, WM_COMMAND, IDC_VST2_BROWSE, 0);
        })
        .WaitUntil([&] { return script.dialogs.size() >= 2 && IsWindowVisible(script.dialogs.back()); })
        .Pause(4)
        .Do([&] { PostMessageA(script.dialogs.back(), WM_COMMAND, IDOK, 0); })
        .WaitUntil([&] { return !IsWindow(script.dialogs.back()); })
        .Do([&] {
            // What the picker chose is the setting and the field alike.
            browsed = WindowText(GetDlgItem(dialog, IDC_VST2_PATH));
            browsedStored = Settings.VstFolder2;
            Settings.VstFolder2[0] = '\0';
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        })
        .WaitUntil([&] { return FindOpenDialog(script, kCaption) == nullptr; })
        .Do([&] {
            scanSubfolders = Settings.ScanSubfolders;
            row2Enabled = Settings.VstFolder2Enabled;
            installedAfter = InstalledPlugins.members.size();
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_EQ(fields, (std::vector<std::string>{"C:\\Plugins", "", "C:\\Plugins"}));
    EXPECT_EQ(enabledFlags, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(keptPath, "C:\\Plugins");
    EXPECT_FALSE(browsed.empty());
    EXPECT_EQ(browsed, browsedStored);
    EXPECT_EQ(scanSubfolders, 0u);
    EXPECT_EQ(row2Enabled, 0u);  // on without a folder: turned off
    EXPECT_EQ(installedAfter, 0u);  // no folder on: the inventory is emptied
}

}  // namespace
