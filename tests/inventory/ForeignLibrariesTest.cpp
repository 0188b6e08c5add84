#include "inventory/ForeignLibraries.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "settings/SettingsFile.h"
#include "support/PeWriter.h"

namespace {

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

// Which libraries a scan notes, the scan table (ScanTest) checks.
TEST_F(ForeignLibrariesTest, TheSettingsFileKeepsWhatAScanFoundOfAnotherKind) {
    temp.Write("vst/Native.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/x86/Old.dll", ReadTestData("inventory/pe/i386.dll"));
    temp.Write("vst/z-arm/Arm.dll", ReadTestData("inventory/pe/arm64.dll"));
    // What the scan finds, the block of scans.txt with these files checks; it
    // is stored behind the inventory at once, and kept by a save at close.
    Scan();
    const std::vector<std::string> found = {"Arm.dll ARM64 " + temp.Path("vst/z-arm"),
                                            "Old.dll 32-bit " + temp.Path("vst/x86")};
    Restart();
    EXPECT_EQ(Foreign(), found);
    const std::string stored = ReadFileBytes(temp.Path("quorvel.cfg"));
    SaveSettings(nullptr);
    EXPECT_EQ(ReadFileBytes(temp.Path("quorvel.cfg")).substr(kSettingsCountOffset), stored.substr(kSettingsCountOffset));
    // How a reader that stops after the records, and damage among the
    // libraries, parse a file like this, the settings table (parsed.tsv) checks.

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
