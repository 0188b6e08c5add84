#include "inventory/VstProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "inventory/FolderWalk.h"
#include "inventory/WavesShell.h"
#include "platform/Registry.h"
#include "support/PeWriter.h"

namespace {

const char kAccessError[] = "Could not access registry for scanning available Waves plugins!";

class VstProbeTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        WavesEnumerated = 0;
        RegistrySetWinePrefix("");  // every Waves enumeration fails at once, with its message
    }
    void TearDown() override {
        WavesEnumerated = 0;
        CatalogueTest::TearDown();
    }
    // The inventory scan of one folder, as the configuration dialog runs it.
    void Scan(const std::string& folder) { WalkFolder(folder.c_str(), "*.dll", 1, ProbeVstPlugin, owner); }
    void* owner = &temp;
    TempFolder temp;
};

}  // namespace

TEST_F(VstProbeTest, EitherEntryNameMakesAPluginAndTheFirstFolderOfANameIsKept) {
    temp.Write("vst/Synth.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/Old Delay.dll", NativeDllBytes({"main", "DllMain"}));
    temp.Write("vst/Sub/Both.DLL", NativeDllBytes({"main", "VSTPluginMain"}));
    temp.Write("vst/xyz.dll", NativeDllBytes({"DllRegisterServer", "Main", "vstpluginmain"}));
    temp.Write("vst/readme.dll", "This is a text file, not a library.\r\n");
    temp.Write("vst/Legacy32.dll", BuildPeImage(PeDllSpec(kPeWriterI386, {"VSTPluginMain"})).bytes);
    temp.Write("vst/Synth.dll.txt", NativeDllBytes({"VSTPluginMain"}));
    // A WaveShell without either entry name starts no Waves enumeration.
    temp.Write("vst/WaveShell-Helper.dll", NativeDllBytes({"DllRegisterServer"}));
    temp.Write("vst/WaveShell-Text.dll", "not a library");
    Scan(temp.Path("vst"));
    const std::string vst = temp.Path("vst");
    EXPECT_EQ(InstalledEntries(), (std::vector<std::string>{"Both.DLL @ " + vst + "/Sub x1", "Old Delay.dll @ " + vst + " x1",
                                                     "Synth.dll @ " + vst + " x1"}));
    // Only what was added is shown, in the order of the walk.
    EXPECT_EQ(shown->statusTexts, (std::vector<std::string>{"Old Delay.dll", "Synth.dll", "Both.DLL"}));
    EXPECT_TRUE(shown->messages.empty());
    EXPECT_EQ(WavesEnumerated, 0);

    temp.Write("second/deep/synth.dll", NativeDllBytes({"main"}));
    Scan(temp.Path("second"));
    EXPECT_EQ(InstalledEntries()[2], "Synth.dll @ " + vst + " x2");
}

TEST_F(VstProbeTest, AWaveShellStartsTheWavesEnumerationOnceAndIsNotRecorded) {
    temp.Write("vst/a/My-WAVESHELL-VST.dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/b/WaveShell2-VST 9.2_x64.dll", NativeDllBytes({"main"}));
    temp.Write("vst/c/Plain.dll", NativeDllBytes({"main"}));
    Scan(temp.Path("vst"));
    // Without a registry the enumeration shows its message, which is how a
    // start is seen; WavesEnumerated is set even so, so that the second
    // WaveShell starts nothing, and the scan goes on.
    ASSERT_EQ(shown->messages.size(), 1u);
    EXPECT_EQ(shown->messages[0].text, kAccessError);
    EXPECT_EQ(shown->messages[0].caption, "Error");
    EXPECT_EQ(shown->messages[0].owner, owner);
    EXPECT_EQ(WavesEnumerated, 1);
    EXPECT_EQ(InstalledEntries(), std::vector<std::string>{"Plain.dll @ " + temp.Path("vst/c") + " x1"});
    EXPECT_EQ(shown->statusTexts, std::vector<std::string>{"Plain.dll"});
}
