// One run over a collection that mixes sound songs with damaged files of every
// kind the readers know: every sound song is listed with its exact plug-ins,
// every damaged file gives exactly its lines, and nothing brings the run down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Process.h"
#include "harness/Seeds.h"
#include "inventory/FolderWalk.h"
#include "readers/SongReader.h"

namespace {

const char kParse[] = "Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error";
const char kExpat[] = "EXPAT";  // Expat's own line, whose numbers depend on Expat

struct Sample {
    std::string name;  // inside the collection's flat folder
    std::vector<std::string> lines;
    bool listed = false;               // a song row is expected
    std::vector<std::string> plugins;  // "name*count" of the listed row
    std::string song;                  // "name|artist|bpm|tpl" of the listed row; empty: not checked
};

std::vector<Sample> CommittedSamples() {
    std::vector<Sample> samples;
    std::istringstream manifest(ReadFileBytes(SourcePath("tests/data/damaged/expected.txt")));
    for (std::string line; std::getline(manifest, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] != ' ') {
            const size_t blank = line.find(' ');
            samples.push_back(Sample{line.substr(0, blank), {}, blank != std::string::npos, {}, {}});
        } else if (line.rfind("  uses ", 0) == 0) {
            samples.back().plugins.push_back(line.substr(7));
        } else if (line.rfind("  song ", 0) == 0) {
            samples.back().song = line.substr(7);
        } else {
            samples.back().lines.push_back(line.substr(2));
        }
    }
    return samples;
}

std::string GoodSong() { return ReadFileBytes(SourcePath("tests/data/damaged/sound-bare.xml")); }

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
        samples = CommittedSamples();
        std::filesystem::copy(SourcePath("tests/data/damaged"), temp.MakeFolder("flat"));
        std::filesystem::remove(temp.Path("flat/expected.txt"));
        for (const Sample& sample : samples)
            KeepSongFileSeed(sample.name, ReadFileBytes(temp.Path("flat/" + sample.name)));
        // Too big to commit, or named in a way a checkout may not keep.
        std::string deep;
        const size_t levels = 1000000;
        deep.reserve(levels * 7 + 64);
        for (size_t i = 0; i < levels; ++i) deep += "<a>";
        deep += "<PluginName>Vst: Deep</PluginName>";
        for (size_t i = 0; i < levels; ++i) deep += "</a>";
        temp.Write("flat/xml-million-levels.xml", deep);
        samples.push_back(Sample{"xml-million-levels.xml", {}, true, {"Deep.dll*1"}, {}});
        temp.Write("flat/xml-million-levels-unclosed.xml", deep.substr(0, levels * 3 + 10));
        samples.push_back(Sample{"xml-million-levels-unclosed.xml", {kParse, kExpat}, false, {}, {}});
        temp.Write("flat/xml-\xff\xfe-not-utf8-name.xml", GoodSong());
        samples.push_back(Sample{"xml-\xff\xfe-not-utf8-name.xml", {}, true, {"Delay.dll*1"}, {}});
        std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return WalkOrder(a.name, b.name); });
    }
    std::vector<Sample> samples;
    TempFolder temp;
};

}  // namespace

TEST_F(DamagedCollectionTest, EverySampleGivesExactlyItsLinesAndEverySoundSongIsListed) {
    ASSERT_GE(samples.size(), 60u);
    WalkFolder(temp.Path("flat").c_str(), SongFilePattern, 0, ReadSongFile, nullptr);

    size_t line = 0, row = 0, listed = 0;
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
        EXPECT_EQ(SongList[row]->ordinal, ++listed) << sample.name << ": files that are not listed take no number";
        EXPECT_EQ(PluginRows(row), sample.plugins) << sample.name;
        if (!sample.song.empty()) {
            const SongEntry& song = *SongList[row];
            EXPECT_EQ(song.songName.value_or("(absent)") + "|" + song.artist.value_or("(absent)") + "|" +
                          std::to_string(song.bpm) + "|" + std::to_string(song.tpl),
                      sample.song)
                << sample.name;
        }
        row += 1 + sample.plugins.size();
    }
    EXPECT_EQ(line, ErrorList.size()) << "lines nobody expected";
    EXPECT_EQ(row, SongList.size()) << "rows nobody expected";
}

TEST_F(DamagedCollectionTest, FoldersThatLoopOrHoldTwentyThousandFilesAndSpecialFiles) {
    namespace fs = std::filesystem;
    // 20,000 files in one folder; every hundredth a song.
    const std::string many = temp.MakeFolder("tree/many");
    const std::string song = GoodSong();
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
    const std::string claim = ReadFileBytes(SourcePath("tests/data/damaged/zip-claims-gigabytes.xrns"));
    for (const char* name : {"a.xrns", "b.xrns", "c.xrns", "d.xrns", "e.xrns"}) claims.Write(name, claim);
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
