// quorvel-bench-collection DIR: writes the benchmark collection into DIR.
//   DIR/songs/large   200 zipped songs whose Song.xml is 1 to 8 MB
//   DIR/songs/small   2,000 small zipped songs and instruments (a few damaged)
//   DIR/songs/legacy  50 binary songs of 1 to 20 MB
//   DIR/vst           10,000 DLL files in nested folders
//   DIR/MANIFEST      what was written, read by scripts/bench.sh
// Everything is derived from fixed seeds, so two runs write the same bytes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/PeWriter.h"
#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"
#include "support/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kLargeSongs = 200;
constexpr size_t kSmallFiles = 2000;
constexpr size_t kLegacySongs = 50;
constexpr size_t kLibraries = 10000;
constexpr size_t kMegabyte = size_t{1} << 20;

struct Random {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    size_t Below(size_t n) { return n ? Next() % n : 0; }
};

const char* const kVendors[] = {"Acme",    "Bluecat", "Crimson", "Dexter", "Echoic",  "Fathom", "Glimmer",
                                "Harbor",  "Ionic",   "Juniper", "Kestrel", "Lumen",  "Meridian", "Nimbus",
                                "Orchid",  "Pylon",   "Quasar",  "Rhombus", "Sable",  "Tundra", "Umber",
                                "Vortex",  "Willow",  "Xenon",   "Yarrow",  "Zephyr"};
const char* const kProducts[] = {"Delay",  "Reverb",   "Chorus",  "Flanger", "Phaser", "Compressor", "Limiter",
                                 "EQ",     "Saturator", "Synth",  "Sampler", "Drums",  "Bass",       "Pad",
                                 "Lead",   "Gate",     "Filter",  "Tremolo", "Vocoder", "Exciter",   "Imager",
                                 "Tape",   "Crusher",  "Shimmer", "Granular", "Organ", "Piano",      "Strings"};

// The plug-in names both sides use: the VST tree installs most of them, the
// songs reference them and some that no folder has (missing ones).
std::string PluginName(size_t i) {
    const size_t vendors = sizeof kVendors / sizeof *kVendors;
    const size_t products = sizeof kProducts / sizeof *kProducts;
    return std::string(kVendors[i % vendors]) + " " + kProducts[(i / vendors) % products] + " " +
           std::to_string(1 + i / (vendors * products));
}

struct Totals {
    size_t files = 0;
    uint64_t xmlBytes = 0;       // uncompressed documents of the readable archives
    uint64_t largestXml = 0;
    uint64_t rnsBytes = 0;
    size_t damaged = 0;
    size_t libraries = 0;
    size_t plugins = 0;          // native VST libraries
};

bool Put(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "quorvel-bench-collection: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> PickPlugins(Random& random, size_t count) {
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        const size_t pick = random.Below(10) == 0 ? 2000 + random.Below(200) : random.Below(1500);
        std::string name = PluginName(pick);
        if (random.Below(25) == 0) name = "Waves " + std::string(kProducts[random.Below(28)]);
        names.push_back(name);
    }
    return names;
}

// The sizes 0 .. count-1 in a fixed shuffled order: a real collection is
// not sorted by size (in ascending order every song would need a block
// larger than any freed before, which the C library maps afresh each time).
std::vector<size_t> ShuffledRanks(size_t count, uint32_t seed) {
    std::vector<size_t> ranks(count);
    for (size_t i = 0; i < count; ++i) ranks[i] = i;
    Random random{seed};
    for (size_t i = count; i > 1; --i) std::swap(ranks[i - 1], ranks[random.Below(i)]);
    return ranks;
}

// A document of about target bytes: the pattern count is measured, not guessed.
std::string SongOfSize(SongXmlShape shape, size_t target) {
    shape.patterns = 2;
    std::string document = WriteSongXml(shape);
    for (int round = 0; round < 3; ++round) {
        const double ratio = static_cast<double>(target) / static_cast<double>(document.size());
        if (ratio > 0.97 && ratio < 1.03) break;
        shape.patterns = std::max<size_t>(1, static_cast<size_t>(static_cast<double>(shape.patterns) * ratio + 0.5));
        document = WriteSongXml(shape);
    }
    return document;
}

bool WriteLargeSongs(const fs::path& folder, Totals& totals) {
    Random random{7};
    const std::vector<size_t> ranks = ShuffledRanks(kLargeSongs, 3);
    for (size_t i = 0; i < kLargeSongs; ++i) {
        SongXmlShape shape;
        shape.legacyPluginNames = i % 3 == 0;
        shape.docVersion = shape.legacyPluginNames ? 9 : 63;
        shape.songName = "Large Song " + std::to_string(i + 1);
        shape.artist = "Artist " + std::to_string(random.Below(40));
        shape.bpm = 80 + static_cast<int>(random.Below(100));
        shape.tpl = 2 + static_cast<int>(random.Below(12));
        shape.plugins = PickPlugins(random, 20 + random.Below(41));
        if (i % 5 == 0) shape.otherPlugins = {{"AU", "AUDelay"}, {"VST3", "Serum"}};
        shape.tracks = 16 + random.Below(33);
        shape.linesPerPattern = i % 2 ? 64 : 128;
        shape.seed = static_cast<uint32_t>(1000 + i);
        // From 1 MB to 8 MB.
        const size_t target = kMegabyte + (7 * kMegabyte * ranks[i]) / (kLargeSongs - 1);
        ZipEntrySpec item;
        item.name = "Song.xml";
        item.data = SongOfSize(shape, target);
        totals.xmlBytes += item.data.size();
        if (item.data.size() > totals.largestXml) totals.largestXml = item.data.size();
        char name[64];
        std::snprintf(name, sizeof name, "large-%03zu.xrns", i + 1);
        if (!Put(folder / name, BuildZip({item}))) return false;
        ++totals.files;
    }
    return true;
}

bool WriteSmallFiles(const fs::path& folder, Totals& totals) {
    Random random{11};
    for (size_t i = 0; i < kSmallFiles; ++i) {
        SongXmlShape shape;
        shape.instrument = i % 10 >= 7;  // three in ten are instruments
        shape.legacyPluginNames = i % 4 == 0;
        shape.docVersion = shape.legacyPluginNames ? 9 : 63;
        shape.songName = (shape.instrument ? "Instrument " : "Sketch ") + std::to_string(i + 1);
        shape.artist = "Artist " + std::to_string(random.Below(40));
        shape.bpm = 70 + static_cast<int>(random.Below(110));
        shape.tpl = 2 + static_cast<int>(random.Below(12));
        shape.plugins = PickPlugins(random, shape.instrument ? 1 + random.Below(4) : 2 + random.Below(12));
        shape.tracks = 2 + random.Below(8);
        shape.patterns = 1 + random.Below(6);
        shape.seed = static_cast<uint32_t>(5000 + i);
        char name[64];
        std::snprintf(name, sizeof name, "%s-%04zu.%s", shape.instrument ? "instrument" : "sketch", i + 1,
                      shape.instrument ? "xrni" : "xrns");
        std::string bytes = WriteSongArchive(shape);
        // One file in two hundred is damaged the way downloads are: cut short.
        if (i % 200 == 199) {
            bytes.resize(bytes.size() / 2);
            ++totals.damaged;
        } else {
            const std::string document = WriteSongXml(shape);
            totals.xmlBytes += document.size();
        }
        if (!Put(folder / name, bytes)) return false;
        ++totals.files;
    }
    return true;
}

std::vector<std::string> References(Random& random, size_t count) {
    std::vector<std::string> texts;
    for (const std::string& name : PickPlugins(random, count)) texts.push_back("Vst: " + name);
    return texts;
}

bool WriteLegacySongs(const fs::path& folder, Totals& totals) {
    Random random{13};
    const std::vector<size_t> ranks = ShuffledRanks(kLegacySongs, 5);
    for (size_t i = 0; i < kLegacySongs; ++i) {
        RnsSongLayout layout;
        const int version = 4 + static_cast<int>(i % 15);
        layout.version = "RNS0" + std::to_string(version);
        layout.headerVersion = i % 3 == 0 ? 0 : 1 + static_cast<int>(i % 2);
        layout.songName = "Legacy Song " + std::to_string(i + 1);
        layout.artist = "Artist " + std::to_string(random.Below(40));
        layout.bpm = 80 + static_cast<int32_t>(random.Below(100));
        layout.tpl = 2 + static_cast<int32_t>(random.Below(12));
        layout.trackDspReferences = References(random, 10 + random.Below(21));
        layout.instrumentReferences = References(random, 10 + random.Below(21));
        // From 1 MB to 20 MB: patterns, effects, samples.
        const size_t target = kMegabyte + (19 * kMegabyte * ranks[i]) / (kLegacySongs - 1);
        layout.patternBytes = target / 4;
        layout.trackDspBytes = target / 8;
        layout.sampleBytes = target - layout.patternBytes - layout.trackDspBytes;
        layout.seed = static_cast<uint32_t>(9000 + i);
        const std::string bytes = WriteRnsSong(layout);
        totals.rnsBytes += bytes.size();
        char name[64];
        std::snprintf(name, sizeof name, "legacy-%02zu.rns", i + 1);
        if (!Put(folder / name, bytes)) return false;
        ++totals.files;
    }
    return true;
}

// Vendor folders, some with category subfolders and some deeper still, as
// installers leave them. A tenth are not VST plug-ins of this machine's kind:
// helper libraries, 32-bit plug-ins, and files that only carry the name.
bool WriteLibraries(const fs::path& folder, Totals& totals) {
    Random random{17};
    const size_t vendors = sizeof kVendors / sizeof *kVendors;
    for (size_t i = 0; i < kLibraries; ++i) {
        const size_t vendor = i % vendors;
        fs::path where = folder / kVendors[vendor];
        if (vendor % 3 != 0) where /= std::string("Category ") + std::to_string(random.Below(4));
        if (vendor % 7 == 1) where /= std::string("x64 ") + std::to_string(random.Below(3));
        std::string name = PluginName(i < 1500 ? i : i + 700);
        if (i >= 3000) name += " v" + std::to_string(i);  // most installed plug-ins no song uses
        const size_t kind = i % 10;
        std::string bytes;
        if (kind == 3) {
            switch (i / 10 % 3) {
                case 0: bytes = NativeDllBytes({"CreateHelper", "DestroyHelper"}); break;
                case 1: bytes = BuildPeImage(kPeWriterI386, {"VSTPluginMain", "main"}); break;
                default: bytes = "not a library, only a name\r\n"; break;
            }
        } else {
            const std::vector<std::string> exports =
                kind < 5 ? std::vector<std::string>{"VSTPluginMain", "main", "GetPluginFactory"}
                         : kind < 8 ? std::vector<std::string>{"VSTPluginMain"} : std::vector<std::string>{"main"};
            bytes = NativeDllBytes(exports);
            ++totals.plugins;
        }
        if (!Put(where / (name + ".dll"), bytes)) return false;
        ++totals.libraries;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !std::strcmp(argv[1], "--help")) {
        std::fputs("Usage: quorvel-bench-collection DIR\nWrites the benchmark collection into DIR.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    const fs::path root = argv[1];
    std::error_code error;
    fs::remove_all(root, error);
    Totals totals;
    if (!WriteLargeSongs(root / "songs" / "large", totals) || !WriteSmallFiles(root / "songs" / "small", totals) ||
        !WriteLegacySongs(root / "songs" / "legacy", totals) || !WriteLibraries(root / "vst", totals))
        return 1;
    std::ofstream manifest(root / "MANIFEST", std::ios::trunc);
    manifest << "song_files " << totals.files << "\n"
             << "damaged_files " << totals.damaged << "\n"
             << "xml_bytes " << totals.xmlBytes << "\n"
             << "largest_xml_bytes " << totals.largestXml << "\n"
             << "rns_bytes " << totals.rnsBytes << "\n"
             << "libraries " << totals.libraries << "\n"
             << "native_plugins " << totals.plugins << "\n";
    manifest.close();
    return manifest ? 0 : 1;
}
