// One run over a collection that mixes sound songs with damaged files of every
// kind the readers know: every sound song is listed with its exact plug-ins,
// every damaged file gives exactly its lines, and nothing brings the run down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Process.h"
#include "inventory/FolderWalk.h"
#include "readers/SongReader.h"
#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"
#include "support/ZipWriter.h"

namespace {

// In expected lines "%s" stands for the file's full path, and kExpat for
// Expat's own line, whose numbers depend on Expat.
const char kExpat[] = "EXPAT";
const char kParse[] = "Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error";
const char kExtract[] = "Error: Could not extract \"%s\"!";
const char kNoSong[] = "Error: Song.xml inside \"%s\" not found!";
const char kDamaged[] = "Error: The file \"%s\" seems to be damaged!";
const char kUnsupported[] =
    "Error: %s: Unsupported RNS file (only Renoise 1.0 to Renoise 1.5.2 songs are supported)!";
const char kChunks[] = "Error: %s: Failed to parse the RNS file (chunks could not be found)!";

struct Sample {
    std::string name;  // inside the collection's flat folder
    std::string bytes;
    std::vector<std::string> lines;
    bool listed = false;               // a song row is expected
    std::vector<std::string> plugins;  // "name*count" of the listed row
};

Sample S(std::string name, std::string bytes, std::vector<std::string> lines, bool listed = false,
         std::vector<std::string> plugins = {}) {
    return Sample{std::move(name), std::move(bytes), std::move(lines), listed, std::move(plugins)};
}

std::string Song(const std::string& body, const std::string& root = "RenoiseSong") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + " doc_version=\"9\">" + body + "</" + root + ">";
}

ZipEntrySpec Item(const std::string& name, const std::string& data) {
    ZipEntrySpec item;
    item.name = name;
    item.data = data;
    return item;
}

std::string Zip(const ZipEntrySpec& item, const ZipBuildOptions& options = {}) { return BuildZip({item}, options); }

std::string GoodSong() { return Song("<SongName>Fine</SongName><PluginName>Vst: Delay</PluginName>"); }

std::vector<Sample> ZipSamples() {
    std::vector<Sample> s;
    const std::string good = Zip(Item("Song.xml", GoodSong()));
    s.push_back(S("zip-empty.xrns", "", {kExtract}));
    s.push_back(S("zip-empty.xrni", "", {kExtract}));
    s.push_back(S("zip-four-bytes.xrns", "PK\x05\x06", {kExtract}));
    s.push_back(S("zip-text.xrns", "This is not an archive, just some words.\n", {kExtract}));
    s.push_back(S("zip-cut-end-record.xrns", good.substr(0, good.size() - 10), {kExtract}));
    s.push_back(S("zip-cut-in-half.xrns", good.substr(0, good.size() / 2), {kExtract}));
    ZipBuildOptions longComment;
    longComment.comment = std::string(70000, 'c');
    s.push_back(S("zip-comment-too-long.xrns", Zip(Item("Song.xml", GoodSong()), longComment), {kExtract}));
    ZipBuildOptions disks;
    disks.thisDisk = 1;
    s.push_back(S("zip-multi-disk.xrns", Zip(Item("Song.xml", GoodSong()), disks), {kExtract}));
    ZipBuildOptions farDirectory;
    farDirectory.directoryOffset = 0x7FFFFFF0;
    s.push_back(S("zip-directory-outside.xrns", Zip(Item("Song.xml", GoodSong()), farDirectory), {kExtract}));
    // A directory offset of 0 makes the real directory look like one behind a
    // stub of that size: the item is then read from the wrong place.
    ZipBuildOptions zeroOffset;
    zeroOffset.directoryOffset = 0;
    s.push_back(S("zip-directory-offset-zero.xrns", Zip(Item("Song.xml", GoodSong()), zeroOffset), {kParse, kExpat}));
    ZipBuildOptions badRecord;
    badRecord.directoryOffset = 4;  // inside the local header: no directory record signature there
    badRecord.directorySize = 1;
    s.push_back(S("zip-bad-directory-record.xrns", Zip(Item("Song.xml", GoodSong()), badRecord), {kNoSong}));
    s.push_back(S("zip-no-song.xrns", Zip(Item("readme.txt", "hello")), {kNoSong}));
    s.push_back(S("zip-song-in-folder.xrns", Zip(Item("Songs/Song.xml", GoodSong())), {kNoSong}));
    s.push_back(S("zip-no-instrument.xrni", Zip(Item("Song.xml", GoodSong())), {"Error: Instrument.xml inside \"%s\" not found!"}));
    s.push_back(S("zip-no-entries.xrns", BuildZip({}), {kNoSong}));
    ZipEntrySpec method = Item("Song.xml", GoodSong());
    method.method = 12;  // bzip2
    s.push_back(S("zip-unsupported-method.xrns", Zip(method), {kNoSong}));
    s.push_back(S("zip-empty-item.xrns", Zip(Item("Song.xml", "")), {kDamaged}));
    ZipEntrySpec negative = Item("Song.xml", GoodSong());
    negative.uncompressedSize = 0x80000000u;
    s.push_back(S("zip-negative-size.xrns", Zip(negative), {kDamaged}));
    ZipEntrySpec claim = Item("Song.xml", "<?xml version=\"1.0\"?><RenoiseSong>");
    claim.uncompressedSize = 0x7FFFFFF0u;  // two gigabytes claimed by a file of a few bytes
    s.push_back(S("zip-claims-gigabytes.xrns", Zip(claim), {kParse, kExpat}));
    s.push_back(S("zip-wrong-root.xrns", Zip(Item("Song.xml", Song("", "RenoiseInstrument"))),
                 {"Error: The specified file \"%s\" is no valid Renoise song!"}));
    s.push_back(S("zip-wrong-root.xrni", Zip(Item("Instrument.xml", Song(""))),
                 {"Error: The specified file \"%s\" is no valid Renoise instrument!"}));
    s.push_back(S("zip-malformed.xrns", Zip(Item("Song.xml", Song("<Tracks></Track>"))), {kParse, kExpat}));
    ZipEntrySpec cut = Item("Song.xml", GoodSong());
    cut.payload = DeflateRaw(GoodSong()).substr(0, 30);
    s.push_back(S("zip-deflate-cut.xrns", Zip(cut), {kParse, kExpat}));
    ZipEntrySpec garbage = Item("Song.xml", GoodSong());
    garbage.payload = std::string(60, '\xff');
    s.push_back(S("zip-deflate-garbage.xrns", Zip(garbage), {kParse, kExpat}));
    ZipEntrySpec locked = Item("Song.xml", GoodSong());
    locked.password = "secret";
    s.push_back(S("zip-encrypted.xrns", Zip(locked), {kParse, kExpat}));
    ZipEntrySpec shortStored = Item("Song.xml", GoodSong());
    shortStored.method = kZipWriterStored;
    shortStored.uncompressedSize = static_cast<uint32_t>(GoodSong().size() + 500);
    s.push_back(S("zip-stored-short.xrns", Zip(shortStored), {kParse, kExpat}));
    s.push_back(S("zip-declared-utf16.xrns",
                 Zip(Item("Song.xml", "<?xml version=\"1.0\" encoding=\"utf-16\"?><RenoiseSong/>")), {kParse, kExpat}));
    // Sound, though unusual: read and listed.
    ZipEntrySpec badCrc = Item("Song.xml", GoodSong());
    badCrc.crc = 0x12345678;
    s.push_back(S("zip-wrong-crc.xrns", Zip(badCrc), {}, true, {"Delay.dll*1"}));
    ZipBuildOptions stub;
    stub.prefix = std::string(3000, 'M');
    s.push_back(S("zip-after-stub.xrns", Zip(Item("Song.xml", GoodSong()), stub), {}, true, {"Delay.dll*1"}));
    GzipSpec gzip;
    gzip.data = GoodSong();
    gzip.name = "Song.xml";
    s.push_back(S("zip-is-gzip.xrns", BuildGzip(gzip), {}, true, {"Delay.dll*1"}));
    return s;
}

std::vector<Sample> XmlSamples() {
    std::vector<Sample> s;
    s.push_back(S("xml-empty.xml", "", {kDamaged}));
    s.push_back(S("xml-malformed.xml", Song("<a><b></a>"), {kParse, kExpat}));
    s.push_back(S("xml-text-after-root.xml", "<a/>junk", {kParse, kExpat}));
    s.push_back(S("xml-only-declaration.xml", "<?xml version=\"1.0\"?>", {kParse, kExpat}));
    s.push_back(S("xml-binary.xml", std::string("\x01\x02\x03\xfe\xff\x00\x10", 7), {kParse, kExpat}));
    s.push_back(S("xml-zero-inside.xml", std::string("<a>x\0y</a>", 10), {kParse, kExpat}));
    s.push_back(S("xml-bad-utf8.xml", Song("<SongName>\xff\xfe</SongName>"), {kParse, kExpat}));
    s.push_back(S("xml-unknown-encoding.xml", "<?xml version=\"1.0\" encoding=\"x-no-such\"?><a/>", {kParse, kExpat}));
    s.push_back(S("xml-billion-laughs.xml",
                 "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">"
                 "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                 "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                 "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">"
                 "<!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\"><!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">]>"
                 "<l>&i;</l>",
                 {kParse, kExpat}));
    s.push_back(S("xml-external-entity.xml",
                 "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r><SongName>&x;</SongName></r>",
                 {}, true, {}));
    std::string deep;
    const size_t levels = 1000000;
    deep.reserve(levels * 7 + 64);
    for (size_t i = 0; i < levels; ++i) deep += "<a>";
    deep += "<PluginName>Vst: Deep</PluginName>";
    for (size_t i = 0; i < levels; ++i) deep += "</a>";
    s.push_back(S("xml-million-levels.xml", deep, {}, true, {"Deep.dll*1"}));
    s.push_back(S("xml-million-levels-unclosed.xml", deep.substr(0, levels * 3 + 10), {kParse, kExpat}));
    s.push_back(S("xml-\xff\xfe-not-utf8-name.xml", Song("<PluginName>Vst: Odd</PluginName>"), {}, true,
                 {"Odd.dll*1"}));
    return s;
}

std::vector<Sample> RnsSamples() {
    std::vector<Sample> s;
    RnsSongLayout layout;
    layout.trackDspReferences = {"Vst: Delay", "Vst: delay"};
    layout.instrumentReferences = {"Vst: Waves Q10"};
    const std::string good = WriteRnsSong(layout);
    s.push_back(S("rns-empty.rns", "", {kDamaged}));
    s.push_back(S("rns-future.rns", "RNS019" + good.substr(6), {kUnsupported}, true));
    s.push_back(S("rns-lower-case.rns", "rns018" + good.substr(6), {kUnsupported}, true));
    s.push_back(S("rns-no-zero.rns", "RNS018ABCDEFGH" + good.substr(14), {kUnsupported}, true));
    s.push_back(S("rns-text.rns", "hello", {kUnsupported}, true));
    s.push_back(S("rns-only-version.rns", std::string("RNS018\0", 7), {kChunks}, true));
    s.push_back(S("rns-cut-in-half.rns", good.substr(0, good.size() / 2), {kChunks}, true));
    RnsWriter noInstruments;
    noInstruments.Version("RNS018").HeaderPrefixed("a", "b").EndMarker().Player(120, 6).EndMarker()
        .Tag("TrackDsp V00").Reference("Vst: Delay").Zeros(1).EndMarker().Zeros(4);
    s.push_back(S("rns-no-instruments.rns", noInstruments.Bytes(), {kChunks}, true));
    RnsWriter noMarker;
    noMarker.Version("RNS018").HeaderPrefixed("a", "b").Player(120, 6).Tag("TrackDsp V00").Tag("Instruments V00")
        .Zeros(64);
    s.push_back(S("rns-no-end-marker.rns", noMarker.Bytes(), {kChunks}, true));
    RnsWriter padded;
    padded.Version("RNS018").Tag("Header V01", '\0').U32(1).Raw("a").U32(1).Raw("b").EndMarker()
        .Tag("Player V00", '\0').Zeros(20).EndMarker().Tag("TrackDsp V00", '\0').EndMarker()
        .Tag("Instruments V00", '\0').EndMarker().Zeros(4);
    s.push_back(S("rns-zero-padded-tags.rns", padded.Bytes(), {kChunks}, true));
    RnsWriter hugeName;
    hugeName.Version("RNS018").Tag("Player V00").Zeros(20).EndMarker().Tag("TrackDsp V00").EndMarker()
        .Tag("Instruments V00").EndMarker().Tag("Header V01").U32(0xFFFFFFF0u).Raw("x").Zeros(4);
    s.push_back(S("rns-name-claims-gigabytes.rns", hugeName.Bytes(), {kChunks}, true));
    RnsWriter playerAtEnd;
    playerAtEnd.Version("RNS018").HeaderPrefixed("a", "b").EndMarker().Tag("TrackDsp V00").EndMarker()
        .Tag("Instruments V00").EndMarker().Zeros(2).Tag("Player V00").Zeros(3);
    s.push_back(S("rns-player-past-end.rns", playerAtEnd.Bytes(), {kChunks}, true));
    RnsWriter oddLengths;
    oddLengths.Version("RNS018").HeaderPrefixed("a", "b").EndMarker().Player(120, 6).EndMarker()
        .Tag("TrackDsp V00").Reference(0, "Vst: Zero").Reference(-1, "Vst: Negative").Reference(256, "Vst: Long")
        .Zeros(1).EndMarker().Tag("Instruments V00").Zeros(1).EndMarker().Zeros(4);
    s.push_back(S("rns-odd-reference-lengths.rns", oddLengths.Bytes(), {}, true, {}));
    s.push_back(S("rns-good.rns", good, {}, true, {"Delay.dll*2", "Waves Q10*1"}));
    return s;
}

std::vector<Sample> SoundSamples() {
    std::vector<Sample> s;
    SongXmlShape old;
    old.docVersion = 9;
    old.legacyPluginNames = true;
    old.plugins = {"Delay", "Reverb", "Delay"};
    s.push_back(S("sound-old.xrns", WriteSongArchive(old), {}, true, {"Delay.dll*2", "Reverb.dll*1"}));
    SongXmlShape today;
    today.plugins = {"Falcon", "Chamber", "Waves C4"};
    today.otherPlugins = {{"AU", "Delay"}};
    s.push_back(S("sound-today.xrns", WriteSongArchive(today), {}, true, {"Chamber.dll*1", "Falcon.dll*1", "Waves C4*1"}));
    SongXmlShape pad;
    pad.instrument = true;
    pad.plugins = {"Pad"};
    s.push_back(S("sound-instrument.xrni", WriteSongArchive(pad), {}, true, {"Pad.dll*1"}));
    s.push_back(S("sound-bare.xml", GoodSong(), {}, true, {"Delay.dll*1"}));
    return s;
}

// The walk's order within one folder: letters folded, then plain bytes.
bool WalkOrder(const std::string& a, const std::string& b) {
    auto fold = [](std::string t) {
        for (char& c : t)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return t;
    };
    const std::string fa = fold(a), fb = fold(b);
    return fa != fb ? fa < fb : a < b;
}

std::string Fill(const std::string& line, const std::string& path) {
    const size_t at = line.find("%s");
    return at == std::string::npos ? line : line.substr(0, at) + path + line.substr(at + 2);
}

std::vector<std::string> PluginRows(size_t songIndex) {
    std::vector<std::string> rows;
    for (size_t i = songIndex + 1; i < SongList.size() && SongList[i]->plugin; ++i)
        rows.push_back(SongList[i]->plugin->name + "*" + std::to_string(SongList[i]->plugin->count));
    return rows;
}

class DamagedCollectionTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        for (auto* group : {ZipSamples, XmlSamples, RnsSamples, SoundSamples})
            for (Sample& sample : group()) samples.push_back(std::move(sample));
        std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return WalkOrder(a.name, b.name); });
        for (const Sample& sample : samples) temp.Write("flat/" + sample.name, sample.bytes);
    }
    std::vector<Sample> samples;
    TempFolder temp;
};

}  // namespace

TEST_F(DamagedCollectionTest, EverySampleGivesExactlyItsLinesAndEverySoundSongIsListed) {
    ASSERT_GE(samples.size(), 60u);
    WalkFolder(temp.Path("flat").c_str(), SongFilePattern, 0, ReadSongFile, nullptr);

    size_t line = 0, row = 0;
    for (const Sample& sample : samples) {
        const std::string path = temp.Path("flat/" + sample.name);
        for (const std::string& expected : sample.lines) {
            ASSERT_LT(line, ErrorList.size()) << sample.name << " is missing its lines";
            if (expected == kExpat)
                EXPECT_EQ(ErrorList[line].rfind("Error: Expat error code #", 0), 0u) << sample.name << ": " << ErrorList[line];
            else
                EXPECT_EQ(ErrorList[line], Fill(expected, path)) << sample.name;
            ++line;
        }
        if (!sample.listed) continue;
        ASSERT_LT(row, SongList.size()) << sample.name << " is not listed";
        EXPECT_EQ(SongList[row]->path, path);
        EXPECT_EQ(PluginRows(row), sample.plugins) << sample.name;
        row += 1 + sample.plugins.size();
    }
    EXPECT_EQ(line, ErrorList.size()) << "lines nobody expected";
    EXPECT_EQ(row, SongList.size()) << "rows nobody expected";
}

TEST_F(DamagedCollectionTest, FoldersThatLoopOrHoldTwentyThousandFilesAndSpecialFiles) {
    namespace fs = std::filesystem;
    // 20,000 files in one folder; every hundredth a song.
    const std::string many = temp.MakeFolder("tree/many");
    SongXmlShape shape;
    shape.plugins = {"Delay"};
    const std::string song = WriteSongXml(shape);
    for (int i = 0; i < 20000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, i % 100 ? "junk-%05d.txt" : "song-%05d.xml", i);
        temp.Write("tree/many/" + std::string(name), i % 100 ? "x" : song);
    }
    fs::create_directory_symlink(temp.Path("tree"), temp.Path("tree/many/loop"));
    fs::create_directory_symlink(temp.Path("tree/many"), temp.Path("tree/sideways"));
    fs::create_symlink(temp.Path("tree/gone.xml"), temp.Path("tree/dangling.xml"));
    fs::create_symlink("/dev/zero", temp.Path("tree/device.xml"));
    ASSERT_EQ(mkfifo(temp.Path("tree/pipe.rns").c_str(), 0600), 0);
    temp.Write("tree/song.xrns/inside.xml", song);  // a folder named like a song is walked, not read

    WalkFolder(temp.Path("tree").c_str(), SongFilePattern, 1, ReadSongFile, nullptr);
    EXPECT_TRUE(ErrorList.empty()) << ErrorList[0];
    // 200 songs under many/, the same 200 again through the sideways link, and one in song.xrns/.
    EXPECT_EQ(SongCounter, 401u);
    EXPECT_EQ(PluginSetFind(UsedPlugins, "Delay.dll")->count, 401u);
}

TEST_F(DamagedCollectionTest, ClaimedGigabytesCostOnlyRealBytes) {
    // Five small archives that each claim two gigabytes, read by the real program.
    TempFolder claims;
    for (int i = 0; i < 5; ++i) {
        ZipEntrySpec claim = Item("Song.xml", "<?xml version=\"1.0\"?><RenoiseSong><SongName>x</SongName>");
        claim.uncompressedSize = 0x7FFFFFF0u;
        claims.Write("claim" + std::to_string(i) + ".xrns", Zip(claim));
    }
    const auto result = RunProcess(CliPath(), {"-c", claims.Path("q.cfg"), "--repeat", "2", claims.path});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Error: Unable to parse xml memory buffer!"), std::string::npos);
    // The program's own peak (a child's rusage would count the forking test's
    // memory too). Under AddressSanitizer the shadow of a claimed block is
    // written whole, an eighth of its size, so only the plain build can tell.
    const size_t at = result.err.rfind(" - peak ");
    ASSERT_NE(at, std::string::npos) << result.err;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(std::stol(result.err.substr(at + 8)), 64 * 1024) << "peak resident memory in kB";
#endif
}

TEST_F(DamagedCollectionTest, UnreadableFilesAndFoldersAreReportedOrSkipped) {
    // Root reads every file whatever its mode, so the program runs as nobody then.
    const int nobody = RunningAsRoot() ? 65534 : -1;
    TempFolder locked;
    for (const char* name : {"locked.xrns", "locked.xml", "locked.rns"}) {
        locked.Write(name, "x");
        chmod(locked.Path(name).c_str(), 0);
    }
    locked.Write("closed/inside.xml", GoodSong());
    chmod(locked.Path("closed").c_str(), 0);
    locked.Write("open.xml", GoodSong());
    chmod(locked.path.c_str(), 0755);
    const auto result = RunProcess(CliPath(), {"-q", "-c", "/nonexistent/q.cfg", locked.path}, "/",
                                   {"HOME=/nonexistent"}, "", nobody);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const std::string& line :
         {"Error: The file \"" + locked.Path("locked.rns") + "\" could not be opened!",
          "Error: The file \"" + locked.Path("locked.xml") + "\" could not be opened!",
          "Error: Could not extract \"" + locked.Path("locked.xrns") + "\"!"})
        EXPECT_NE(result.out.find(line + "\r\n"), std::string::npos) << line;
    EXPECT_NE(result.out.find("1 - " + locked.Path("open.xml")), std::string::npos);
    EXPECT_EQ(result.out.find("inside.xml"), std::string::npos);
}
