#include "ui/ConfigDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

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

// One run of the window: the registry's suggestion, which Cancel keeps; the
// switches and "..." of the folder rows, OK with no folder on; then a scan.
TEST(ConfigDialogTest, SuggestionSwitchesBrowsingAndTheScanForPluginsAndWavesClasses) {
    ScratchFolder folder;
    const std::string settings = folder.In("quorvel.cfg"), suggested = folder.In("Suggested VST");
    const std::string vst = folder.In("VST"), sub = vst + "\\Sub", waves = folder.In("Waves");
    for (const std::string& path : {vst, sub, waves}) CreateDirectoryA(path.c_str(), nullptr);
    const std::pair<const char*, std::string> copies[] = {
        {"vst_plugin_main.dll", vst + "\\Compressor.dll"},
        {"vst_main.dll", sub + "\\Synth Main.dll"},
        {"no_entry.dll", vst + "\\Helper.dll"},
        {"wave_shell.dll", vst + "\\WaveShell1-VST 9.2_x64.dll"},
        {"wave_shell.dll", sub + "\\My-WAVESHELL-VST.dll"},
        {"wave_shell.dll", waves + "\\WaveShell-VST3.dll"},
        {"register_only.dll", waves + "\\Registrar.dll"},
    };
    for (const auto& [library, target] : copies)
        ASSERT_TRUE(CopyFileA(BesideSelf(std::string("testdlls\\") + library).c_str(), target.c_str(), FALSE));
    WriteTextFile(vst + "\\Readme.dll", "not a library");
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
    WriteTextFile(folder.In("Demo.xml"), SongXml({"Compressor"}));
    SetMachineValue(kVstRegistryKey, suggested, kVstRegistryValue);

    Script script;
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
        std::strcpy(Settings.VstFolder2, folder.path.c_str());
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
            DropFiles(script.main, {folder.In("Demo.xml"), folder.In("nothing.txt")});
            Settings.VstFolder1Enabled = 1;
            std::strcpy(Settings.VstFolder1, vst.c_str());
        });
    const std::vector<std::string> expected = {"Compressor.dll", "Synth Main.dll", "Waves C1 comp (test)",
                                               "Waves Q10 Stereo (test)"};
    OpenConfiguration(script).Answer(kCaption, IDOK).Do([&] {
        EXPECT_EQ(Names(InstalledPlugins), expected);
        const PluginRecord* compressor = PluginSetFind(InstalledPlugins, "Compressor.dll");
        const PluginRecord* c1 = PluginSetFind(InstalledPlugins, "Waves C1 comp (test)");
        EXPECT_EQ(compressor ? compressor->folder : "", vst);
        EXPECT_EQ(c1 ? c1->folder : "", waves);
        // The songs were judged against the old inventory: gone; the errors stay.
        EXPECT_EQ(script.Count(IDC_SONG_LIST), 0);
        EXPECT_EQ(script.Count(IDC_ERROR_LIST), 1);
        EXPECT_FALSE(IsWindowEnabled(script.Item(IDC_EXPORT)));
        EXPECT_EQ(script.Text(IDC_STATUS), StatusLine(4, 0, 0, 0, 1));
    });
    EXPECT_EQ(RunMainWindow(script.Close(), settings), 0);
    EXPECT_TRUE(script.boxes.empty());
    for (const std::string& key : keys) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    // The scan and the close stored the inventory and the settings.
    const std::string bytes = ReadTextFile(settings);
    int32_t rect[4] = {};
    AppSettings stored = {};
    PluginSet inventory;
    SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, stored, inventory);
    EXPECT_EQ(Names(inventory), expected);
    EXPECT_EQ(stored.VstFolder1, vst);
    EXPECT_EQ(stored.VstFolder1Enabled, 1u);
    EXPECT_EQ(stored.VstFolder2Enabled, 0u);
    EXPECT_EQ(stored.ScanSubfolders, 0u);
}
