#include "settings/Configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "inventory/WavesShell.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "settings/SettingsFile.h"
#include "support/PeWriter.h"
#include "support/WinePrefix.h"

namespace {

const char kShell[] = "C:\\Waves\\WaveShell-VST.dll";
const std::vector<std::string> kShellExports = {"VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState"};
// What both folders give: delay.DLL counts to Delay.dll, and the shell's two plug-ins come from the registry.
const std::vector<std::string> kBothFolders = {"Chorus.dll x1", "Delay.dll x2", "Reverb.dll x1", "Waves C4 x1",
                                               "Waves L1 x1"};

class ConfigurationTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        SettingsSetPath(temp.Path("quorvel.cfg").c_str());
        temp.Write("vst1/Delay.dll", NativeDllBytes({"VSTPluginMain"}));
        temp.Write("vst1/sub/Reverb.dll", NativeDllBytes({"main"}));
        temp.Write("vst1/helper.dll", NativeDllBytes({"Other"}));
        temp.Write("vst1/WaveShell-VST.dll", NativeDllBytes(kShellExports));
        temp.Write("vst2/delay.DLL", NativeDllBytes({"main"}));
        temp.Write("vst2/Chorus.dll", NativeDllBytes({"main"}));
        const std::string prefix = temp.Path("prefix");
        // Two plug-ins of the shell, Waves C4 and Waves L1.
        ASSERT_TRUE(MakeWinePrefix(prefix, ReadTestData("inventory/prefix/two-shell-plugins.reg")));
        const std::string shell = WinePrefixFile(prefix, kShell);
        temp.Write(shell.substr(temp.path.size() + 1), NativeDllBytes(kShellExports));
        RegistrySetWinePrefix(prefix.c_str());
    }
    void TearDown() override {
        RegistrySetWinePrefix("");
        WavesEnumerated = 0;
        CatalogueTest::TearDown();
    }
    void UseFolders(bool first, bool second) {
        CopyTextBounded(Settings.VstFolder1, sizeof Settings.VstFolder1, temp.Path("vst1").c_str());
        CopyTextBounded(Settings.VstFolder2, sizeof Settings.VstFolder2, temp.Path("vst2").c_str());
        Settings.VstFolder1Enabled = first ? 1 : 0;
        Settings.VstFolder2Enabled = second ? 1 : 0;
    }
    std::vector<std::string> Installed() const {
        std::vector<std::string> names;
        for (const auto& member : InstalledPlugins.members)
            names.push_back(member.second.name + " x" + std::to_string(member.second.count));
        return names;
    }
    TempFolder temp;
};

}  // namespace

TEST_F(ConfigurationTest, ConfirmingScansTheFoldersOnAndStoresTheInventory) {
    UseFolders(true, true);
    EXPECT_EQ(ApplyConfiguration(nullptr, 0), 1);
    EXPECT_EQ(Settings.ScanSubfolders, 0u);
    EXPECT_EQ(Installed(), kBothFolders);
    EXPECT_EQ(PluginSetFind(InstalledPlugins, "delay.dll")->folder, temp.Path("vst1"));
    EXPECT_EQ(shown->busyEntered, 1);
    EXPECT_EQ(shown->busyLeft, 1);
    EXPECT_TRUE(shown->messages.empty());
    // What was stored loads back as the same inventory.
    PluginSetClear(InstalledPlugins);
    LoadSettings(nullptr);
    EXPECT_EQ(InstalledPlugins.count, 5u);

    // Only the inventory was stored; the folders reach the file at the next close.
    EXPECT_EQ(Settings.VstFolder1Enabled, 0u);

    // A second confirmation with the same folders gives the same inventory, Waves included.
    UseFolders(true, true);
    ApplyConfiguration(nullptr, 1);
    EXPECT_EQ(Installed(), kBothFolders);

    // A row without a folder is turned off; a folder that no longer exists gives nothing.
    Settings.VstFolder2[0] = '\0';
    ApplyConfiguration(nullptr, 1);
    EXPECT_EQ(Settings.VstFolder1Enabled, 1u);
    EXPECT_EQ(Settings.VstFolder2Enabled, 0u);
    EXPECT_EQ(Installed(), (std::vector<std::string>{"Delay.dll x1", "Reverb.dll x1", "Waves C4 x1", "Waves L1 x1"}));

    CopyTextBounded(Settings.VstFolder1, sizeof Settings.VstFolder1, temp.Path("deleted").c_str());
    CopyTextBounded(Settings.VstFolder2, sizeof Settings.VstFolder2, temp.Path("deleted").c_str());
    Settings.VstFolder2Enabled = 1;
    std::string start;
    GetCurrentFolder(start);
    ASSERT_TRUE(SetCurrentFolder(temp.Path("vst2").c_str()));  // libraries in the current folder
    ApplyConfiguration(nullptr, 1);
    SetCurrentFolder(start.c_str());
    EXPECT_EQ(InstalledPlugins.count, 0u);
}

TEST_F(ConfigurationTest, ConfirmingClearsTheSongResultsButKeepsTheErrors) {
    AddSong({"/songs/a.xrns", nullptr, nullptr, 125, 6, {"Delay"}});
    AppendErrorLine("Error: kept");
    ASSERT_EQ(SongList.size(), 2u);
    UseFolders(false, false);
    PluginSetAdd(InstalledPlugins, "Old.dll", "/old");
    ApplyConfiguration(nullptr, 1);
    EXPECT_TRUE(SongList.empty());
    EXPECT_EQ(SongCounter, 0u);
    EXPECT_EQ(UsedPlugins.count, 0u);
    EXPECT_EQ(MissingPlugins.count, 0u);
    EXPECT_EQ(InstalledPlugins.count, 0u);  // both rows off: no scan, no inventory
    EXPECT_EQ(ErrorList.size(), 1u);
    EXPECT_EQ(shown->exportEnabled, 0);
    EXPECT_EQ(shown->busyEntered, 0);
}
