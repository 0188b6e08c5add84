#include "readers/RnsReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "core/Results.h"
#include "harness/Harness.h"
#include "support/RnsWriter.h"
#include "harness/Seeds.h"

namespace {

constexpr char kPath[] = "/songs/demo.rns";
const std::string kUnsupportedLine =
    "Error: /songs/demo.rns: Unsupported RNS file (only Renoise 1.0 to Renoise 1.5.2 songs are supported)!";
const std::string kChunksLine = "Error: /songs/demo.rns: Failed to parse the RNS file (chunks could not be found)!";

// The image sits at the very end of an exactly sized heap block, so that the
// address sanitizer reports any read past it.
std::unique_ptr<SongEntry> Read(const std::string& bytes) {
    KeepSeed("rns", bytes);
    std::unique_ptr<SongEntry> entry = NewSongEntry(kPath);
    HeapBuffer image = HeapAllocZeroed(bytes.size());
    if (!bytes.empty()) std::memcpy(image.get(), bytes.data(), bytes.size());
    ReadRnsSong(kPath, image.get(), bytes.size(), *entry);
    return entry;
}

// "name*count" per member, in set order.
std::vector<std::string> Members(const PluginSet& set) {
    std::vector<std::string> out;
    for (const auto& member : set.members) out.push_back(member.second.name + "*" + std::to_string(member.second.count));
    return out;
}

using Names = std::vector<std::string>;

RnsSongLayout WithReferences(Names trackDsp, Names instruments) {
    RnsSongLayout layout;
    layout.trackDspReferences = std::move(trackDsp);
    layout.instrumentReferences = std::move(instruments);
    return layout;
}

// Version, a player and a header chunk, so that a test adds the chunks it is about.
RnsWriter HeaderAndPlayer() {
    RnsWriter w;
    w.Version("RNS018").HeaderPrefixed("Demo", "Someone").EndMarker().Player(125, 6).EndMarker();
    return w;
}

// One track DSP chunk holding the given bytes, an empty instruments chunk, and a byte after the last marker.
std::string SongWithTrackDsp(const std::string& chunkBody) {
    RnsWriter w = HeaderAndPlayer();
    w.Tag("TrackDsp V00").Raw(chunkBody).EndMarker();
    w.Tag("Instruments V00").EndMarker().Zeros(1);
    return w.Bytes();
}

}  // namespace

class RnsReaderTest : public CatalogueTest {};

TEST_F(RnsReaderTest, AcceptsTheFifteenVersionTexts) {
    for (const char* version : {"RNS04", "RNS05", "RNS06", "RNS07", "RNS08", "RNS09", "RNS010", "RNS011", "RNS012",
                                "RNS013", "RNS014", "RNS015", "RNS016", "RNS017", "RNS018"}) {
        RnsSongLayout layout;
        layout.version = version;
        auto entry = Read(WriteRnsSong(layout));
        EXPECT_EQ(entry->songName.value_or("(absent)"), "Demo") << version;
    }
    EXPECT_TRUE(ErrorList.empty());
}

TEST_F(RnsReaderTest, RejectedVersionLeavesASongRowWithOnlyItsPath) {
    struct Case {
        std::string version;  // the first bytes of the image, as written
        const char* why;
    } cases[] = {
        {"RNS18", "versions from ten on keep the zero"},
        {"rns018", "letter case counts"},
        {"RNS019", "unknown version"},
        {"RNS0180", "longer text"},
        {"RNS04ABCD", "no zero within the first nine bytes"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        RnsSongLayout layout;
        layout.version = c.version;
        layout.trackDspReferences = {"Vst: Delay"};
        auto entry = Read(WriteRnsSong(layout));
        EXPECT_EQ(ErrorList, std::vector<std::string>{kUnsupportedLine}) << c.why;
        AppendSongRows(std::move(entry));
        ASSERT_EQ(SongList.size(), 1u) << c.why;
        EXPECT_EQ(SongList[0]->path, kPath);
        EXPECT_FALSE(SongList[0]->songName || SongList[0]->artist) << c.why;
        EXPECT_EQ(SongList[0]->bpm, 0);
        EXPECT_EQ(UsedPlugins.count, 0u) << c.why;
    }
}

TEST_F(RnsReaderTest, ShortImagesEndTheVersionTextAtTheirLastByte) {
    Read("RNS0");  // no accepted text
    Read("RNS04");  // accepted, but too short to hold a tag
    Read("");
    EXPECT_EQ(ErrorList, (std::vector<std::string>{kUnsupportedLine, kChunksLine, kUnsupportedLine}));
}

TEST_F(RnsReaderTest, ReadsEveryTagVersionAndLayout) {
    struct Case {
        int header, player;
        bool marker;
        int trackDsp, instruments;
    } cases[] = {{0, 0, false, 0, 0}, {1, 1, true, 1, 1}, {2, 0, true, 2, 2}, {1, 1, false, 3, 3}, {2, 1, true, 3, 4}};
    for (const Case& c : cases) {
        ResetCatalogue();
        RnsSongLayout layout = WithReferences({"Vst: Delay"}, {"Vst: Synth"});
        layout.headerVersion = c.header;
        layout.playerVersion = c.player;
        layout.globalMarker = c.marker;
        layout.trackDspVersion = c.trackDsp;
        layout.instrumentsVersion = c.instruments;
        layout.bpm = 140;
        layout.tpl = 4;
        auto entry = Read(WriteRnsSong(layout));
        const std::string row = "header " + std::to_string(c.header) + " track " + std::to_string(c.trackDsp);
        EXPECT_TRUE(ErrorList.empty()) << row;
        EXPECT_EQ(entry->songName.value_or("(absent)"), "Demo") << row;
        EXPECT_EQ(entry->artist.value_or("(absent)"), "Someone") << row;
        EXPECT_EQ(entry->bpm, 140) << row;
        EXPECT_EQ(entry->tpl, 4) << row;
        EXPECT_EQ(Members(*entry->plugins), (Names{"Delay.dll*1", "Synth.dll*1"})) << row;
        EXPECT_EQ(Members(MissingPlugins), (Names{"Delay.dll*1", "Synth.dll*1"})) << row;
    }
}

// Tags, end markers and references are found sixteen offsets at a time by
// their first two bytes: at every alignment, among near-misses that begin
// like them, and with the last end marker on the last offset it may take.
TEST_F(RnsReaderTest, FindsEverythingAtEveryAlignmentUpToTheLastOffset) {
    const std::string decoys = "HeaderPlayerTrackDspInstruments Vs Vst:x >> >>>  Chunk End  <<x HHPPTTII";
    for (size_t pad = 0; pad < 34; ++pad) {
        for (size_t trailing : {0, 1}) {
            ResetCatalogue();
            RnsWriter w;
            w.Version("RNS018").Zeros(pad).HeaderPrefixed("Demo", "Someone").EndMarker().Player(125, 6).EndMarker();
            w.Tag("TrackDsp V03").Raw(decoys).Reference("Vst: Delay").Raw(decoys).Zeros(1).EndMarker();
            w.Tag("Instruments V04").Reference("Vst: Synth").Zeros(1).EndMarker().Zeros(trailing);
            auto entry = Read(w.Bytes());
            const std::string row = "pad " + std::to_string(pad) + ", trailing " + std::to_string(trailing);
            if (trailing == 0) {  // the marker would end on the image's last byte: not seen
                EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine}) << row;
                continue;
            }
            EXPECT_TRUE(ErrorList.empty()) << row;
            EXPECT_EQ(entry->songName.value_or("(absent)"), "Demo") << row;
            EXPECT_EQ(entry->bpm, 125) << row;
            EXPECT_EQ(Members(*entry->plugins), (Names{"Delay.dll*1", "Synth.dll*1"})) << row;
        }
    }
}

TEST_F(RnsReaderTest, HeaderTexts) {
    struct Case {
        int headerVersion;
        std::string name;
        const char* expected;
    } cases[] = {
        {0, "Twenty characters!!!", "Twenty characters!!!"},  // fills the field, no zero
        {0, std::string(20, '\0'), ""},                       // present, empty
        {0, "Short", "Short"},
        {1, "", ""},                                           // N = 0
        {2, std::string("Ab\0cd", 5), "Ab"},                  // a zero ends the text
    };
    for (const Case& c : cases) {
        RnsSongLayout layout;
        layout.headerVersion = c.headerVersion;
        layout.songName = c.name;
        auto entry = Read(WriteRnsSong(layout));
        ASSERT_TRUE(entry->songName.has_value()) << c.expected;
        EXPECT_EQ(*entry->songName, c.expected);
        EXPECT_EQ(entry->artist.value_or("(absent)"), "Someone") << c.expected;
    }
    EXPECT_TRUE(ErrorList.empty());
}

TEST_F(RnsReaderTest, PlayerMarkerMovesTempoAndTicks) {
    struct Case {
        std::string afterTag;  // bytes from offset 20 of the player chunk
        int32_t bpm, tpl;
    } cases[] = {
        // marker and its zero (17), 12 unread, BPM, TPL
        {std::string(kRnsPlayerMarker, 17) + std::string(12, 'u') + LittleEndian32(140) + LittleEndian32(3), 140, 3},
        // no marker: 12 unread, BPM, TPL
        {std::string(12, 'u') + LittleEndian32(90) + LittleEndian32(8), 90, 8},
        // the marker without its zero is no marker: BPM is read from "ta00"
        {"GlobalSongData00X" + std::string(12, 'u') + LittleEndian32(1) + LittleEndian32(2), 0x30306174, 0x75757558},
    };
    for (const Case& c : cases) {
        RnsWriter w;
        w.Version("RNS018").HeaderPrefixed("Demo", "Someone").Tag("Player V01").Raw(c.afterTag).EndMarker();
        w.Tag("TrackDsp V00").EndMarker().Tag("Instruments V00").EndMarker().Zeros(1);
        auto entry = Read(w.Bytes());
        EXPECT_EQ(entry->bpm, c.bpm);
        EXPECT_EQ(entry->tpl, c.tpl);
    }
    EXPECT_TRUE(ErrorList.empty());
}

TEST_F(RnsReaderTest, MissingChunkOrEndMarkerGivesTheChunksLine) {
    const std::string header = RnsWriter().HeaderPrefixed("Demo", "Someone").Bytes();
    const std::string player = RnsWriter().Player(125, 6).Bytes();
    const std::string trackDsp = RnsWriter().Tag("TrackDsp V01").Reference("Vst: Delay").Zeros(1).Bytes();
    const std::string instruments = RnsWriter().Tag("Instruments V01").Zeros(4).Bytes();
    const std::string marker = RnsWriter().EndMarker().Bytes();
    struct Case {
        std::string body;  // everything after the version text
        const char* why;
    } cases[] = {
        {header + player + trackDsp + marker + std::string(4, '\0'), "no instruments chunk"},
        {header + player + trackDsp + marker + instruments + std::string(4, '\0'), "no marker after the instruments tag"},
        {header + player + instruments + marker + trackDsp + std::string(4, '\0'), "no marker after the track DSP tag"},
        {player + trackDsp + marker + instruments + marker + "x", "no header"},
        {header + trackDsp + marker + instruments + marker + "x", "no player"},
        {header + player + trackDsp + marker + instruments + marker, "the last marker ends the image"},
        {header + player + trackDsp + marker + RnsWriter().Tag("Instruments V01").Bytes(), "a tag ends the image"},
        {header + player + trackDsp + marker + RnsWriter().Tag("Instruments V01", '\0').Bytes() + marker + "x",
         "tag padded with zeros"},
        {header + player + trackDsp + marker + instruments + std::string(kRnsEndMarker) + " x",
         "marker without its zero"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        auto entry = Read(RnsWriter().Version("RNS018").Raw(c.body).Bytes());
        EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine}) << c.why;
        EXPECT_FALSE(entry->songName.has_value()) << c.why;
        EXPECT_EQ(entry->bpm, 0) << c.why;
        EXPECT_EQ(UsedPlugins.count, 0u) << c.why;
    }
}

TEST_F(RnsReaderTest, ScanEndsAtTheTagCompletingTheFourKindsAndKeepsTheLastOfEach) {
    const std::string marker = RnsWriter().EndMarker().Bytes();
    {  // a header after the completing tag is never seen; one before it replaces the first
        RnsWriter w;
        w.Version("RNS018").HeaderPrefixed("First", "A").HeaderPrefixed("Second", "B").Player(1, 1);
        w.Tag("TrackDsp V00").EndMarker().Tag("Instruments V00").EndMarker().HeaderPrefixed("Third", "C").Zeros(1);
        EXPECT_EQ(Read(w.Bytes())->songName.value_or("(absent)"), "Second");
    }
    {  // two chunks before one marker share it, so the instruments' references count twice
        RnsWriter w = HeaderAndPlayer();
        w.Tag("TrackDsp V00").Reference("Vst: A").Tag("Instruments V00").Reference("Vst: B").Zeros(1).EndMarker().Zeros(1);
        auto entry = Read(w.Bytes());
        EXPECT_EQ(Members(*entry->plugins), (Names{"A.dll*1", "B.dll*2"}));
    }
    {  // a track DSP tag without a marker after it keeps the length of the earlier one: 60 bytes from its tag
        RnsWriter w;
        w.Version("RNS018").Tag("Instruments V00").Tag("TrackDsp V00").Zeros(40).EndMarker();
        w.Tag("TrackDsp V01").Reference("Vst: Near").Zeros(30).Reference("Vst: Far");
        w.HeaderPrefixed("Demo", "Someone").Player(1, 1).Zeros(1);
        auto entry = Read(w.Bytes());
        EXPECT_TRUE(ErrorList.empty());
        EXPECT_EQ(Members(*entry->plugins), (Names{"Near.dll*1"}));
    }
    {  // ... and when that length reaches past the image, nothing of the chunk is read
        RnsWriter w;
        w.Version("RNS018").Tag("Instruments V00").Tag("TrackDsp V00").Zeros(1000).EndMarker();
        w.Tag("TrackDsp V01").Reference("Vst: Near").HeaderPrefixed("Demo", "Someone").Player(1, 1).Zeros(1);
        auto entry = Read(w.Bytes());
        EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine});
        EXPECT_EQ(entry->songName.value_or("(absent)"), "Demo");
        EXPECT_EQ(entry->plugins->count, 0u);
    }
}

TEST_F(RnsReaderTest, ReferenceLengthsAndLimits) {
    const std::string long250 = "Vst: " + std::string(245, 'x');
    struct Case {
        std::string chunkBody;  // between the track DSP tag and its end marker
        Names expected;
    } cases[] = {
        {RnsWriter().Reference("Vst: Delay").Zeros(1).Bytes(), {"Delay.dll*1"}},
        {RnsWriter().Reference("Vst: ").Zeros(1).Bytes(), {".dll*1"}},
        {RnsWriter().Reference(0, "Vst: Delay").Zeros(1).Bytes(), {}},
        {RnsWriter().Reference(-1, "Vst: Delay").Zeros(1).Bytes(), {}},
        {RnsWriter().Reference(256, long250 + "123456").Zeros(1).Bytes(), {}},
        {RnsWriter().Reference(255, long250 + "12345").Zeros(1).Bytes(), {std::string(245, 'x') + "12345.dll*1"}},
        {RnsWriter().Reference(3, "Vst: Delay").Zeros(1).Bytes(), {}},  // shorter than the prefix
        {RnsWriter().Reference(7, "Vst: Delay").Zeros(1).Bytes(), {"De.dll*1"}},
        {RnsWriter().Reference(10, std::string("Vst: De\0ay", 10)).Zeros(1).Bytes(), {"De.dll*1"}},
        {RnsWriter().Reference("Vst: Delay").Bytes(), {}},  // reaches the chunk's last byte
        {RnsWriter().Reference("Vst: RVerb (wAvEs)").Zeros(1).Bytes(), {"RVerb (wAvEs)*1"}},
        {RnsWriter().Reference("Vst: A").Reference("Vst: B").Zeros(1).Bytes(), {"A.dll*1", "B.dll*1"}},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        auto entry = Read(SongWithTrackDsp(c.chunkBody));
        EXPECT_TRUE(ErrorList.empty());
        EXPECT_EQ(Members(*entry->plugins), c.expected) << c.chunkBody.substr(4, 20);
    }
}

TEST_F(RnsReaderTest, SamePluginInBothChunksCountsTwiceWithTheTrackDspSpelling) {
    PluginSetAdd(InstalledPlugins, "synth.DLL", "/vst");
    auto entry = Read(WriteRnsSong(WithReferences({"Vst: Delay", "Vst: Synth"}, {"Vst: DELAY"})));
    EXPECT_EQ(Members(*entry->plugins), (Names{"Delay.dll*2", "Synth.dll*1"}));
    EXPECT_EQ(Members(UsedPlugins), (Names{"Delay.dll*2", "Synth.dll*1"}));
    EXPECT_EQ(Members(MissingPlugins), (Names{"Delay.dll*2"}));
}

TEST_F(RnsReaderTest, RecordPluginReferenceFormsTheNameCutTo259Bytes) {
    const std::string x(300, 'x');
    struct Case {
        std::string text;
        std::optional<std::string> expected;  // nullopt: nothing recorded
    } cases[] = {
        {"Vst: Delay", "Delay.dll"},
        {"Vst: ", ".dll"},
        {"Waves", ""},  // the prefix is dropped unexamined, but still counts for the Waves test
        {"xxxx:Q10 (WAVES)", "Q10 (WAVES)"},
        {"Vst", std::nullopt},
        {"", std::nullopt},
        {"Vst: " + x.substr(0, 255), x.substr(0, 255) + ".dll"},
        {"Vst: " + x.substr(0, 257), x.substr(0, 257) + ".d"},
        {"Vst: " + x, x.substr(0, 259)},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        auto entry = NewSongEntry(kPath);
        RecordPluginReference(c.text.c_str(), *entry);
        const Names expected = c.expected ? Names{*c.expected + "*1"} : Names{};
        EXPECT_EQ(Members(*entry->plugins), expected) << c.text.size();
        EXPECT_EQ(Members(UsedPlugins), expected);
        EXPECT_EQ(Members(MissingPlugins), expected);
    }
}

TEST_F(RnsReaderTest, FieldsReachingPastTheImageGiveTheChunksLine) {
    // Header last: player, track DSP and instruments chunks come first with their markers.
    RnsWriter beforeHeader;
    beforeHeader.Version("RNS018").Player(125, 6).Tag("TrackDsp V00").EndMarker().Tag("Instruments V00").EndMarker();
    RnsWriter beforePlayer;
    beforePlayer.Version("RNS018").HeaderPrefixed("Demo", "Someone").Tag("TrackDsp V00").EndMarker();
    beforePlayer.Tag("Instruments V00").EndMarker();
    struct Case {
        std::string image;
        const char* name;  // read before the end was reached; nullptr: absent
        const char* artist;
        int32_t bpm;
        const char* why;
    } cases[] = {
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V00").Raw("Name").Bytes(), nullptr, nullptr, 0, "V00 name"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V00").Raw(std::string("Name", 5)).Zeros(15).Raw("Art").Bytes(),
         "Name", nullptr, 0, "V00 artist"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V01").Zeros(2).Bytes(), nullptr, nullptr, 0, "N"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V01").U32(5).Raw("Nam").Bytes(), nullptr, nullptr, 0,
         "name text"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V02").U32(0xFFFFFFFF).Raw("x").Bytes(), nullptr, nullptr, 0,
         "N wrapping around"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V01").U32(4).Raw("Name").Zeros(3).Bytes(), "Name", nullptr, 0,
         "M"},
        {beforeHeader.Bytes() + RnsWriter().Tag("Header V01").U32(4).Raw("Name").U32(100).Raw("Art").Bytes(), "Name",
         nullptr, 0, "artist text"},
        {beforePlayer.Bytes() + RnsWriter().Tag("Player V00").Zeros(14).Bytes(), "Demo", "Someone", 0, "BPM"},
        {beforePlayer.Bytes() + RnsWriter().Tag("Player V00").Zeros(12).I32(140).Zeros(1).Bytes(), "Demo", "Someone",
         140, "TPL"},
        {beforePlayer.Bytes() + RnsWriter().Tag("Player V01").Raw(std::string(kRnsPlayerMarker, 17)).Zeros(15).Bytes(),
         "Demo", "Someone", 0, "BPM after the marker"},
        {beforePlayer.Bytes() + RnsWriter().Tag("Player V01").Raw("GlobalSong").Bytes(), "Demo", "Someone", 0,
         "cut marker"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        auto entry = Read(c.image);
        EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine}) << c.why;
        EXPECT_EQ(entry->songName.value_or("(absent)"), c.name ? c.name : "(absent)") << c.why;
        EXPECT_EQ(entry->artist.value_or("(absent)"), c.artist ? c.artist : "(absent)") << c.why;
        EXPECT_EQ(entry->bpm, c.bpm) << c.why;
        EXPECT_EQ(entry->tpl, 0) << c.why;
    }
}

TEST_F(RnsReaderTest, ScanVstReferencesStaysInsideTheImage) {
    const std::string image = RnsWriter().Reference("Vst: Delay").Zeros(2).Bytes();  // 16 bytes
    HeapBuffer block = HeapAllocZeroed(image.size());
    std::memcpy(block.get(), image.data(), image.size());
    struct Case {
        size_t start, length;
        bool chunksLine;
        uint32_t recorded;
        const char* why;
    } cases[] = {
        {4, 12, false, 1, "the length field before the chunk's start is read"},
        {4, 10, false, 0, "the text reaches the chunk's end"},
        {4, 13, true, 0, "range past the image"},
        {17, 0, true, 0, "start past the image"},
        {1, SIZE_MAX, true, 0, "length wrapping around"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        auto entry = NewSongEntry(kPath);
        ScanVstReferences(kPath, block.get(), image.size(), c.start, c.length, *entry);
        EXPECT_EQ(ErrorList.size(), c.chunksLine ? 1u : 0u) << c.why;
        EXPECT_EQ(entry->plugins->count, c.recorded) << c.why;
    }
    // A length field that would lie before the image itself.
    const std::string bare = "Vst: Delay  ";
    ResetCatalogue();
    auto entry = NewSongEntry(kPath);
    ScanVstReferences(kPath, bare.data(), bare.size(), 0, bare.size(), *entry);
    EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine});
    EXPECT_EQ(entry->plugins->count, 0u);
}

// Each chunk tag searches forward for its end marker. Without a marker, and
// with near-markers everywhere, searching from every tag anew would take hours.
TEST_F(RnsReaderTest, ManyTagsWithoutAnEndMarkerAreScannedInLinearTime) {
    RnsWriter w;
    w.Version("RNS018");
    const std::string unit = RnsWriter().Tag("TrackDsp V00").Raw(">>>  Chunk End  <<").Raw("x").Bytes();
    while (w.Size() < 8 * 1024 * 1024) w.Raw(unit);
    const auto started = std::chrono::steady_clock::now();
    Read(w.Bytes());
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine});
    EXPECT_LT(seconds, 20.0);
}

TEST_F(RnsReaderTest, LoadFileIntoMemory) {
    TempFolder folder;
    const std::string song = WriteRnsSong(RnsSongLayout{});
    struct Case {
        std::string path;
        const char* lineStart;  // nullptr: loaded
        const char* lineEnd;
    } cases[] = {
        {folder.Write("song.rns", song), nullptr, nullptr},
        {folder.Path("missing.rns"), "Error: The file \"", "\" could not be opened!"},
        {folder.MakeFolder("folder.rns"), "Error: The file \"", "\" could not be opened!"},
        {folder.Write("empty.rns", ""), "Error: The file \"", "\" seems to be damaged!"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        HeapBuffer buffer = HeapAllocZeroed(4);
        size_t size = 99;
        const int loaded = LoadFileIntoMemory(c.path.c_str(), buffer, &size);
        if (!c.lineStart) {
            EXPECT_EQ(loaded, 1);
            ASSERT_EQ(size, song.size());
            EXPECT_EQ(std::string(buffer.get(), size), song);
            EXPECT_TRUE(ErrorList.empty());
            EXPECT_EQ(LoadFileIntoMemory(c.path.c_str(), buffer, nullptr), 1);
            continue;
        }
        EXPECT_EQ(loaded, 0) << c.path;
        EXPECT_EQ(buffer, nullptr) << c.path;
        EXPECT_EQ(size, 0u) << c.path;
        EXPECT_EQ(ErrorList, std::vector<std::string>{c.lineStart + c.path + c.lineEnd});
    }
}

#if !defined(_WIN32)
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_UNDER_ASAN 1
#endif
#endif

#if !defined(QUORVEL_UNDER_ASAN)
// Runs in the death test's child: limits the address space to what is in use
// plus 1 GiB, loads the file and exits 0 when exactly the memory line came.
[[noreturn]] static void LoadUnderBoundedAddressSpace(const std::string& path, const std::string& expected) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{1} << 30);
    const rlimit bounded{limit, limit};
    setrlimit(RLIMIT_AS, &bounded);
    HeapBuffer buffer;
    size_t size = 7;
    const int loaded = LoadFileIntoMemory(path.c_str(), buffer, &size);
    const bool right = loaded == 0 && !buffer && size == 0 && ErrorList.size() == 1 && ErrorList[0] == expected;
    std::_Exit(right ? 0 : 1);
}
#endif

// A file of 4 GiB + 1 must be taken at its full size, not as the 1 byte of
// its low 32 bits. The child's address space is limited so that the block
// cannot be had: the memory line proves that the full size was asked for.
TEST_F(RnsReaderTest, FileBeyondFourGigabytesIsNotCutTo32Bits) {
#if defined(QUORVEL_UNDER_ASAN)
    GTEST_SKIP() << "the sanitizer's shadow memory needs an unlimited address space";
#else
    TempFolder folder;
    const std::string path = folder.Write("huge.rns", "RNS018");
    std::error_code error;
    std::filesystem::resize_file(path, (uint64_t{1} << 32) + 1, error);  // sparse: no disk space used
    if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
    const std::string expected = "Error: Could not allocate enough memory for \"" + path + "\"!";
    EXPECT_EXIT(LoadUnderBoundedAddressSpace(path, expected), ::testing::ExitedWithCode(0), "");
#endif
}
#endif
