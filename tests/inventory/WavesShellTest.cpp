#include "inventory/WavesShell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "inventory/FolderWalk.h"
#include "inventory/VstProbe.h"
#include "platform/Registry.h"
#include "support/PeWriter.h"
#include "support/WineRegWriter.h"

namespace {

const char kAccessError[] = "Could not access registry for scanning available Waves plugins!";
const char kLoadError[] = "Error loading Waves plugin for verification!";
const char kShellFolder[] = "C:\\Program Files\\Waves\\WaveShells";
const std::vector<std::string> kWavesExports = {"DllRegisterServer", "DllGetClassObject", "MarkAuthorizationState"};

class WavesShellTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        WavesEnumerated = 0;
        prefix = temp.Path("prefix");
        RegistrySetWinePrefix(prefix.c_str());
    }
    void TearDown() override {
        WavesEnumerated = 0;
        RegistrySetWinePrefix("");
        CatalogueTest::TearDown();
    }
    // A prefix whose registry lists the classes, with a library for each
    // stored path that has exports listed in `libraries`.
    void MakePrefix(const std::vector<WineClass>& classes,
                    const std::vector<std::pair<std::string, std::vector<std::string>>>& libraries) {
        ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg(classes)));
        for (const auto& [stored, exports] : libraries) {
            const std::string file = WinePrefixFile(prefix, stored);
            temp.Write(file.substr(temp.path.size() + 1), NativeDllBytes(exports));
        }
    }
    // Where a library of the shell folder is found, as recorded.
    std::string ShellFolder() const { return prefix + "/dosdevices/c:/Program Files/Waves/WaveShells"; }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const ShownMessage& m : shown->messages) {
            EXPECT_EQ(m.caption, "Error");
            EXPECT_EQ(m.style, kMbOk | kMbIconStop);
            EXPECT_EQ(m.owner, owner);
            texts.push_back(m.text);
        }
        return texts;
    }
    void* owner = &prefix;
    TempFolder temp;
    std::string prefix;
};

std::string Shell(const char* file) { return std::string(kShellFolder) + "\\" + file; }

}  // namespace

TEST_F(WavesShellTest, RecordsEveryRegisteredWavesPluginByItsDescription) {
    const std::string delay = "H-Delay waves St\xC3\xA9r\xC3\xA9o \xF0\x9F\x8E\xB9";  // stored as \x escapes
    MakePrefix(
        {
            {"{A1}", "Waves C1 Compressor", Shell("WaveShell1-VST 9.2_x64.dll"), true, true},
            {"{A2}", "Ole Automation Helper", "C:\\windows\\system32\\missing.dll", true, true},  // never mapped
            {"{A3}", delay, Shell("waveshell1-vst 9.2_X64.DLL"), true, true},                     // lower case
            {"{A4}", "Waves Without Authorization", Shell("Helper.dll"), true, true},
            {"{A5}", "", "", false, true},                                                           // no description
            {"{A6}", "Waves C1 Compressor", Shell("WaveShell1-VST 9.2_x64.dll"), true, true},       // again
        },
        {{Shell("WaveShell1-VST 9.2_x64.dll"), kWavesExports}, {Shell("Helper.dll"), {"DllRegisterServer"}}});
    EnumerateWavesPlugins(owner);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(WavesEnumerated, 1);
    // The name is the description as stored: no ".dll" added; the folder has
    // no trailing separator.
    EXPECT_EQ(InstalledEntries(), (std::vector<std::string>{delay + " @ " + ShellFolder() + " x1",
                                                     "Waves C1 Compressor @ " + ShellFolder() + " x2"}));
    EXPECT_EQ(shown->statusTexts,
              (std::vector<std::string>{"Waves C1 Compressor", delay, "Waves C1 Compressor"}));
}

TEST_F(WavesShellTest, TheBuffersBoundDescriptionAndLibraryPath) {
    // A description of 259 bytes fits its 260-byte buffer, a longer one reads
    // as empty; a library path of 520 bytes or more cannot be read whole.
    const std::string longest = "Waves " + std::string(253, 'x');
    const std::string longPath = Shell((std::string(520, 'p') + ".dll").c_str());
    MakePrefix({{"{B1}", longest, Shell("WaveShell.dll"), true, true},
                {"{B2}", longest + "y", Shell("WaveShell.dll"), true, true},
                {"{B3}", "Waves Long Path", longPath, true, true}},
               {{Shell("WaveShell.dll"), kWavesExports}});
    EnumerateWavesPlugins(owner);
    EXPECT_EQ(Messages(), std::vector<std::string>{kLoadError});
    EXPECT_EQ(InstalledEntries(), std::vector<std::string>{longest + " @ " + ShellFolder() + " x1"});
    EXPECT_EQ(WavesEnumerated, 0);
}

TEST_F(WavesShellTest, AnErrorEndsTheEnumerationKeepsTheRecordsAndLetsTheNextShellRetry) {
    MakePrefix({{"{C1}", "Waves One", Shell("WaveShell.dll"), true, true},
                {"{C2}", "Waves Gone", Shell("Removed.dll"), true, true},
                {"{C3}", "Waves Three", Shell("WaveShell.dll"), true, true}},
               {{Shell("WaveShell.dll"), kWavesExports}});
    temp.Write("vst/a/WaveShell-VST 1.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/b/WaveShell-VST 2.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/c/Reverb.dll", NativeDllBytes({"VSTPluginMain"}));
    WalkFolder(temp.Path("vst").c_str(), "*.dll", 1, ProbeVstPlugin, owner);
    EXPECT_EQ(Messages(), (std::vector<std::string>{kLoadError, kLoadError}));
    EXPECT_EQ(WavesEnumerated, 0);
    EXPECT_EQ(InstalledEntries(), (std::vector<std::string>{"Reverb.dll @ " + temp.Path("vst/c") + " x1",
                                                     "Waves One @ " + ShellFolder() + " x2"}));
    EXPECT_EQ(shown->statusTexts, (std::vector<std::string>{"Waves One", "Waves One", "Reverb.dll"}));
}

TEST_F(WavesShellTest, AClassKeyWithoutServerKeyIsARegistryError) {
    MakePrefix({{"{D1}", "Waves One", Shell("WaveShell.dll"), true, true},
                {"{D2}", "Waves Unserved", "", true, false},
                {"{D3}", "Waves Three", Shell("WaveShell.dll"), true, true}},
               {{Shell("WaveShell.dll"), kWavesExports}});
    EnumerateWavesPlugins(owner);
    EXPECT_EQ(Messages(), std::vector<std::string>{kAccessError});
    EXPECT_EQ(WavesEnumerated, 0);
    EXPECT_EQ(InstalledEntries(), std::vector<std::string>{"Waves One @ " + ShellFolder() + " x1"});
}

TEST_F(WavesShellTest, APrefixWithoutAClassListIsARegistryError) {
    ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg({})));
    EnumerateWavesPlugins(owner);
    EXPECT_EQ(Messages(), std::vector<std::string>{kAccessError});
    EXPECT_EQ(WavesEnumerated, 1);
}

TEST_F(WavesShellTest, TwoShellsEnumerateOnceAndASecondScanRecordsTheSameAgain) {
    MakePrefix({{"{E1}", "Waves SSL Channel", Shell("WaveShell.dll"), true, true}},
               {{Shell("WaveShell.dll"), kWavesExports}});
    temp.Write("vst/WaveShell1-VST.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/WaveShell2-VST.dll", NativeDllBytes({"VSTPluginMain"}));
    for (int scan = 0; scan < 2; ++scan) {
        // What the configuration dialog does before each scan.
        PluginSetClear(InstalledPlugins);
        WavesEnumerated = 0;
        shown->statusTexts.clear();
        WalkFolder(temp.Path("vst").c_str(), "*.dll", 1, ProbeVstPlugin, owner);
        EXPECT_EQ(InstalledEntries(), std::vector<std::string>{"Waves SSL Channel @ " + ShellFolder() + " x1"}) << scan;
        EXPECT_EQ(shown->statusTexts, std::vector<std::string>{"Waves SSL Channel"}) << scan;
        EXPECT_EQ(WavesEnumerated, 1);
    }
    EXPECT_TRUE(Messages().empty());
}
