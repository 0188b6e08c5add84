#include "support/ExampleCollection.h"

#include <filesystem>
#include <fstream>

#include "support/PeWriter.h"
#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"
#include "support/WineRegWriter.h"
#include "support/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

const char kWaveShell[] = "C:\\Program Files\\Waves\\WaveShell1-VST 14.0_x64.dll";

bool Put(const fs::path& path, const std::string& bytes, std::string* reason) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        if (reason) *reason = "cannot write " + path.string();
        return false;
    }
    return true;
}

// Real songs from public repositories, kept with the tests.
bool CopyCorpusSong(const fs::path& songs, const std::string& corpusName, const std::string& shownName,
                    std::string* reason) {
#ifdef QUORVEL_SOURCE_DIR
    const fs::path source = fs::path(QUORVEL_SOURCE_DIR) / "tests/data/corpus/songs" / corpusName;
    std::error_code error;
    fs::copy_file(source, songs / shownName, fs::copy_options::overwrite_existing, error);
    if (error && reason) *reason = "cannot copy " + source.string() + ": " + error.message();
    return !error;
#else
    (void)songs, (void)corpusName, (void)shownName, (void)reason;
    return true;
#endif
}

bool WriteSongs(const fs::path& songs, std::string* reason) {
    bool ok = true;

    SongXmlShape oldSchool;
    oldSchool.docVersion = 9;
    oldSchool.legacyPluginNames = true;
    oldSchool.songName = "Old School";
    oldSchool.artist = "DJ Tracker";
    oldSchool.bpm = 138;
    oldSchool.tpl = 6;
    oldSchool.plugins = {"Delay", "Reverb Pro", "Delay", "Waves L1 Ultramaximizer", "SuperSaw"};
    ok &= Put(songs / "Old School.xrns", WriteSongArchive(oldSchool), reason);

    SongXmlShape today;
    today.songName = "Night Drive";
    today.artist = "Synthwave Collective";
    today.bpm = 100;
    today.tpl = 12;
    today.plugins = {"Falcon", "Chamber", "Falcon", "Compressor", "Waves C4"};
    today.otherPlugins = {{"AU", "AUDelay"}, {"VST3", "Serum"}};
    ok &= Put(songs / "Night Drive.xrns", WriteSongArchive(today), reason);

    SongXmlShape pad;
    pad.instrument = true;
    pad.songName = "Ambient Pad";
    pad.plugins = {"SuperSaw", "Reverb Pro"};
    ok &= Put(songs / "Ambient Pad.xrni", WriteSongArchive(pad), reason);

    SongXmlShape sketch;
    sketch.docVersion = 4;
    sketch.legacyPluginNames = true;
    sketch.songName = "Sketch";
    sketch.artist = "";
    sketch.bpm = 90;
    sketch.tpl = 0;
    sketch.plugins = {"Delay"};
    ok &= Put(songs / "Sketch.xml", WriteSongXml(sketch), reason);

    RnsSongLayout classic;
    classic.songName = "Classic";
    classic.artist = "The Nineties";
    classic.bpm = 140;
    classic.tpl = 4;
    classic.trackDspReferences = {"Vst: Delay", "Vst: Chorus Deluxe"};
    classic.instrumentReferences = {"Vst: SuperSaw"};
    classic.patternBytes = 4096;
    ok &= Put(songs / "Classic.rns", WriteRnsSong(classic), reason);

    RnsSongLayout early;
    early.version = "RNS04";
    early.headerVersion = 0;
    early.songName = "Early Days";
    early.artist = "Anonymous";
    early.bpm = 125;
    early.tpl = 6;
    early.trackDspReferences = {"Vst: Reverb Pro"};
    ok &= Put(songs / "Early Days.rns", WriteRnsSong(early), reason);

    SongXmlShape remix;
    remix.songName = "Remix";
    remix.artist = "Collab";
    remix.plugins = {"Echo", "4klang", "Vintage32"};
    ok &= Put(songs / "Collabs" / "Remix.xrns", WriteSongArchive(remix), reason);

    ok &= CopyCorpusSong(songs, "logicomacorp__WaveSabre__Examples__Songs__Renoise__Noby-Lift Off.xrns",
                         "Noby - Lift Off.xrns", reason);
    ok &= CopyCorpusSong(songs, "gopher-atz__4klang__4klang_VSTi__LightRythm.xrns", "LightRythm.xrns", reason);

    // Broken files, each with its own error line.
    ok &= Put(songs / "Broken" / "Not An Archive.xrns", "This was never a zip file.\n", reason);
    ZipEntrySpec readme;
    readme.name = "readme.txt";
    readme.data = "no song in here";
    ok &= Put(songs / "Broken" / "Empty Archive.xrns", BuildZip({readme}), reason);
    ok &= Put(songs / "Broken" / "Cut Short.xml", WriteSongXml(sketch).substr(0, 200), reason);
    RnsSongLayout future = classic;
    future.version = "RNS019";
    ok &= Put(songs / "Broken" / "From The Future.rns", WriteRnsSong(future), reason);
    ok &= Put(songs / "notes.txt", "Songs to finish: Night Drive, Remix.\n", reason);
    return ok;
}

bool WriteVstFolder(const fs::path& vst, std::string* reason) {
    bool ok = true;
    auto plugin = [&](const fs::path& path, const std::vector<std::string>& exports) {
        ok &= Put(path, NativeDllBytes(exports), reason);
    };
    plugin(vst / "Delay.dll", {"VSTPluginMain"});
    plugin(vst / "Reverb Pro.dll", {"main"});
    plugin(vst / "Compressor.dll", {"VSTPluginMain", "main"});
    plugin(vst / "Chorus Deluxe.dll", {"VSTPluginMain"});
    plugin(vst / "Vocoder.dll", {"VSTPluginMain"});
    // The songs ask for SuperSaw.dll; only the 64-bit build is here, under another name.
    plugin(vst / "SuperSaw_x64.dll", {"VSTPluginMain"});
    plugin(vst / "Logicoma" / "Falcon.dll", {"VSTPluginMain"});
    plugin(vst / "Logicoma" / "Chamber.dll", {"VSTPluginMain"});
    plugin(vst / "Logicoma" / "Smasher.dll", {"VSTPluginMain"});
    plugin(vst / "Logicoma" / "Echo.dll", {"VSTPluginMain"});
    plugin(vst / "Helpers" / "libsupport.dll", {"DllMain", "SupportInit"});  // no VST entry point
    ok &= Put(vst / "x86" / "Vintage32.dll", BuildPeImage(PeDllSpec(kPeWriterI386, {"VSTPluginMain"})).bytes, reason);
    ok &= Put(vst / "readme.dll", "not a library\n", reason);
    plugin(vst / "Waves" / "WaveShell1-VST 14.0_x64.dll", {"VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState"});
    return ok;
}

bool WriteWinePrefix(const fs::path& prefix, std::string* reason) {
    const std::vector<WineClass> classes = {
        {WineClsid(1), "Waves L1 Ultramaximizer", kWaveShell, true, true},
        {WineClsid(2), "Waves C4", kWaveShell, true, true},
        {WineClsid(3), "Waves H-Delay", kWaveShell, true, true},
        {WineClsid(4), "Some Other Component", "C:\\windows\\system32\\other.dll", true, true},
    };
    if (!MakeWinePrefix(prefix.string(), WineSystemReg(classes))) {
        if (reason) *reason = "cannot make the Wine prefix " + prefix.string();
        return false;
    }
    return Put(WinePrefixFile(prefix.string(), kWaveShell),
               NativeDllBytes({"VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState"}), reason);
}

}  // namespace

bool WriteExampleCollection(const std::string& root, std::string* reason) {
    const fs::path base(root);
    std::error_code error;
    fs::create_directories(base, error);
    if (error) {
        if (reason) *reason = "cannot create " + root + ": " + error.message();
        return false;
    }
    return WriteSongs(base / "songs", reason) && WriteVstFolder(base / "vst", reason) &&
           WriteWinePrefix(base / "wineprefix", reason);
}
