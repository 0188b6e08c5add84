#include "inventory/ForeignLibraries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "inventory/PeImage.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "settings/SettingsFile.h"
#include "support/PeWriter.h"

namespace {

std::string Dll(uint16_t machine, std::vector<std::string> exports, bool dll = true) {
    PeSpec shape = PeDllSpec(machine, exports);
    shape.dll = dll;
    return BuildPeImage(shape).bytes;
}

// "name kind folder" in the set's order.
std::vector<std::string> Foreign() {
    std::vector<std::string> out;
    for (const auto& [key, library] : ForeignLibraries)
        out.push_back(library.name + " " + MachineKindText(library.machine) + " " + library.folder);
    return out;
}

class ForeignLibrariesTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        SettingsSetPath(temp.Path("quorvel.cfg").c_str());
    }
    // Confirming the configuration with the test's VST folder.
    void Scan(int enabled = 1) {
        Settings.VstFolder1Enabled = enabled;
        CopyTextBounded(Settings.VstFolder1, sizeof Settings.VstFolder1, temp.Path("vst").c_str());
        ApplyConfiguration(nullptr, 1);
    }
    // What the next start finds in the file.
    void Restart() {
        ResetCatalogue();
        SettingsSetPath(temp.Path("quorvel.cfg").c_str());
        LoadSettings(nullptr);
    }
    TempFolder temp;
};

}  // namespace

TEST_F(ForeignLibrariesTest, AScanNotesPlugInsOfAnotherKindAndTheSettingsFileKeepsThem) {
    const uint16_t other = PeWriterNativeMachine() == kPeWriterI386 ? kPeWriterAmd64 : kPeWriterI386;
    temp.Write("vst/Native.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/x86/Old.dll", Dll(other, {"VSTPluginMain"}));
    temp.Write("vst/x86/OLD.dll.bak", Dll(other, {"main"}));          // not a *.dll
    temp.Write("vst/x86/Helper.dll", Dll(other, {"DllMain"}));        // no entry point
    temp.Write("vst/x86/Tool.dll", Dll(other, {"main"}, false));      // a program, not a library
    temp.Write("vst/x86/WaveShell-VST 9.dll", Dll(other, {"main"}));  // a shell stands for others
    temp.Write("vst/z-arm/Arm.dll", Dll(kPeWriterArm64, {"main"}));
    temp.Write("vst/z-arm/Old.dll", Dll(kPeWriterArm64, {"main"}));   // the first of a name stays
    temp.Write("vst/broken.dll", "MZ but nothing else");
    Scan();
    EXPECT_EQ(InstalledEntries(), std::vector<std::string>{"Native.dll @ " + temp.Path("vst") + " x1"});
    const std::string otherKind = MachineKindText(other);
    const std::vector<std::string> found = {"Arm.dll ARM64 " + temp.Path("vst/z-arm"),
                                            "Old.dll " + otherKind + " " + temp.Path("vst/x86")};
    EXPECT_EQ(Foreign(), found);

    // Stored behind the inventory at once, and kept by a save at close.
    Restart();
    EXPECT_EQ(Foreign(), found);
    const std::string stored = ReadFileBytes(temp.Path("quorvel.cfg"));
    SaveSettings(nullptr);
    EXPECT_EQ(ReadFileBytes(temp.Path("quorvel.cfg")).substr(kSettingsCountOffset), stored.substr(kSettingsCountOffset));
    // A reader that stops after the records sees the same inventory.
    PluginSet plugins;
    int32_t rect[4] = {};
    AppSettings settings{};
    EXPECT_EQ(SettingsParse(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), rect, settings, plugins), 1);
    EXPECT_EQ(plugins.count, 1u);
    // Damage behind the records costs only the damaged entry.
    ForeignLibrarySet cut;
    plugins = PluginSet{};
    SettingsParse(reinterpret_cast<const uint8_t*>(stored.data()), stored.size() - 3, rect, settings, plugins, &cut);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut.begin()->second.name, "Arm.dll");

    // Without any plug-in of this kind the libraries of the other are all the
    // scan found: the closing save keeps them beside the empty list.
    std::filesystem::remove(temp.Path("vst/Native.dll"));
    std::filesystem::remove(temp.Path("vst/z-arm/Arm.dll"));
    Scan();
    EXPECT_EQ(Foreign(), std::vector<std::string>{found[1]});
    SaveSettings(nullptr);
    Restart();
    EXPECT_TRUE(InstalledPlugins.members.empty());
    EXPECT_EQ(Foreign(), std::vector<std::string>{found[1]});
    // No folder at all: nothing of the old scan stays.
    Scan(0);
    SaveSettings(nullptr);
    EXPECT_EQ(ReadFileBytes(temp.Path("quorvel.cfg")).size(), kSettingsRecordsOffset);
}
