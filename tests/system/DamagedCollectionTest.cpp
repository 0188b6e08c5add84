// One run over a collection that mixes sound songs with damaged files of every
// kind the readers know: every sound song is listed with its exact plug-ins,
// every damaged file gives exactly its lines, and nothing brings the run down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Process.h"
#include "harness/Seeds.h"
#include "inventory/FolderWalk.h"
#include "platform/Text.h"
#include "readers/SongReader.h"

namespace {

std::string GoodSong() { return ReadTestData("damaged/sound-bare.xml"); }

// What reading one file gave, in the form of tests/data/damaged/expected.txt.
struct Described {
    std::string folder;
    std::string text;
    size_t listed = 0;
};

void ReadAndDescribe(const char* path, void* context) {
    Described& described = *static_cast<Described*>(context);
    const size_t lines = ErrorList.size(), rows = SongList.size();
    ReadSongFile(path, nullptr);
    std::string text = PathFileName(path);
    const std::string full = described.folder + "/" + text;
    if (SongList.size() > rows)
        text += SongList[rows]->ordinal == ++described.listed ? " listed" : " listed as " + std::to_string(SongList[rows]->ordinal);
    for (size_t i = lines; i < ErrorList.size(); ++i) {
        std::string line = ErrorList[i];
        if (line.rfind("Error: Expat error code #", 0) == 0) line = "EXPAT";  // its numbers depend on Expat
        for (size_t at; (at = line.find(full)) != std::string::npos;) line.replace(at, full.size(), "%s");
        text += "\n  " + line;
    }
    for (size_t i = rows; i < SongList.size(); ++i) {
        const SongEntry& row = *SongList[i];
        if (row.plugin)
            text += "\n  uses " + row.plugin->name + "*" + std::to_string(row.plugin->count);
        else
            text += "\n  song " + row.songName.value_or("(absent)") + "|" + row.artist.value_or("(absent)") + "|" +
                    std::to_string(row.bpm) + "|" + std::to_string(row.tpl) + (row.path == full ? "" : " at " + row.path);
    }
    described.text += text + "\n";
}

class DamagedCollectionTest : public CatalogueTest {
protected:
    TempFolder temp;
};

}  // namespace

TEST_F(DamagedCollectionTest, EverySampleGivesExactlyItsLinesAndEverySoundSongIsListed) {
    const std::string flat = temp.MakeFolder("flat");
    for (const auto& entry : std::filesystem::directory_iterator(SourcePath("tests/data/damaged"))) {
        const std::string name = entry.path().filename().string();
        if (name == "expected.txt") continue;
        std::filesystem::copy(entry.path(), flat + "/" + name);
        KeepSongFileSeed(name, ReadFileBytes(entry.path().string()));
    }
    // Too big to commit, or named in a way a checkout may not keep.
    std::string deep;
    const size_t levels = 1000000;
    deep.reserve(levels * 7 + 64);
    for (size_t i = 0; i < levels; ++i) deep += "<a>";
    deep += "<PluginName>Vst: Deep</PluginName>";
    for (size_t i = 0; i < levels; ++i) deep += "</a>";
    temp.Write("flat/xml-million-levels.xml", deep);
    temp.Write("flat/xml-million-levels-unclosed.xml", deep.substr(0, levels * 3 + 10));
    temp.Write("flat/xml-\xff\xfe-not-utf8-name.xml", GoodSong());

    Described described{flat, "", 0};
    WalkFolder(flat.c_str(), SongFilePattern, 0, ReadAndDescribe, &described);
    std::string expected;  // its lines hold no tab, so each is a row of one field
    for (const auto& row : ReadTableRows("damaged/expected.txt")) expected += Unescape(row[0]) + "\n";
    EXPECT_EQ(described.text, expected);
    EXPECT_EQ(SongCounter, described.listed) << "files that are not listed take no number";
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
    // A path that is not there leaves no line.
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
    const std::string claim = ReadTestData("damaged/zip-claims-gigabytes.xrns");
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
