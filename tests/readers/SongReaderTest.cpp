#include "readers/SongReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "platform/Text.h"
#include "readers/XmlTree.h"
#include "support/ZipWriter.h"

namespace {

std::string Archive(const std::string& itemName, const std::string& xml) {
    ZipEntrySpec item;
    item.name = itemName;
    item.data = xml;
    return BuildZip({item});
}

std::string Song(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RenoiseSong doc_version=\"9\">" + body + "</RenoiseSong>";
}

// "name*count" for each plug-in row following the song row at index.
std::vector<std::string> PluginRows(size_t songIndex) {
    std::vector<std::string> rows;
    for (size_t i = songIndex + 1; i < SongList.size() && SongList[i]->plugin; ++i)
        rows.push_back(SongList[i]->plugin->name + "*" + std::to_string(SongList[i]->plugin->count));
    return rows;
}

class SongReaderTest : public CatalogueTest {
protected:
    // Reads one file written into the test's folder; returns its full path.
    std::string ReadFile(const std::string& name, const std::string& bytes) {
        const std::string path = temp.Write(name, bytes);
        KeepSongFileSeed(name, bytes);
        ReadSongFile(path.c_str(), nullptr);
        return path;
    }
    TempFolder temp;
};

}  // namespace

TEST_F(SongReaderTest, EachFailureAppendsExactlyItsLines) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;  // "%s" stands for the full path
    } cases[] = {
        {"notes.txt", "hello", {"Error: Unknown file type specified! \"%s\""}},
        {"empty.xml", "", {"Error: The file \"%s\" seems to be damaged!"}},
        {"broken.xml",
         "<?xml version=\"1.0\"?>\n<RenoiseSong>\n  <Tracks></Track>\n</RenoiseSong>",
         {"Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error",
          "Error: Expat error code #7; Line 3; Column 12; mismatched tag"}},
    };
    for (const Case& c : cases) {
        ClearErrorList();
        const std::string path = ReadFile(c.name, c.bytes);
        std::vector<std::string> expected;
        for (const std::string& line : c.lines) {
            const size_t at = line.find("%s");
            expected.push_back(at == std::string::npos ? line : line.substr(0, at) + path + line.substr(at + 2));
        }
        EXPECT_EQ(ErrorList, expected) << c.name;
        EXPECT_EQ(shown->LastStatus(), c.name) << "the name is shown before any check";
    }
    EXPECT_TRUE(SongList.empty());
    EXPECT_EQ(SongCounter, 0u);
}

// The document goes straight into the parser's own buffer, which is not
// zero-filled: what an extraction does not deliver must read as zero bytes,
// as in a fresh block, so that the parse reports the damage where it starts.
TEST_F(SongReaderTest, WhatAnExtractionDoesNotDeliverReadsAsZeroBytes) {
    const std::string document = Song("<SongName>Whole</SongName>");
    struct Case {
        const char* name;
        size_t delivered;  // bytes of the stored item's data in the archive
    } cases[] = {{"nothing.xrns", 0}, {"half.xrns", 40}, {"all-but-one.xrns", document.size() - 1},
                 {"whole-root.xrns", document.size() - std::string("</RenoiseSong>").size()}};
    for (const Case& c : cases) {
        ClearErrorList();
        ZipEntrySpec item;
        item.name = "Song.xml";
        item.data = document;  // the directory promises all of it
        item.method = kZipWriterStored;
        item.payload = document.substr(0, c.delivered);
        ReadFile(c.name, BuildZip({item}));
        // What the parse of a zero-filled block of the item's size says.
        std::string zeroFilled = document.substr(0, c.delivered);
        zeroFilled.resize(document.size(), '\0');
        XmlParserPtr parser(CreateXmlParser());
        ASSERT_EQ(ParseXmlBuffer(parser.get(), zeroFilled.data(), zeroFilled.size()), 0);
        const int code = GetExpatErrorCode(parser.get());
        const std::vector<std::string> expected = {
            "Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error",
            TextFormat("Error: Expat error code #%d; Line %d; Column %d; %s", code, GetExpatErrorLine(parser.get()),
                       GetExpatErrorColumn(parser.get()), GetExpatErrorText(code))};
        EXPECT_EQ(ErrorList, expected) << c.name;
    }
    EXPECT_TRUE(SongList.empty());
}

// Without a parser to lend its buffer the item goes into a block of ours,
// and the parser is asked for again where the reader always asked for it.
TEST_F(SongReaderTest, ASongIsReadAlsoWhenTheFirstParserCannotBeHad) {
    SetXmlAllocationFailure(1);
    ReadFile("song.xrns", Archive("Song.xml", Song("<SongName>Tune</SongName><PluginName>Vst: Delay</PluginName>")));
    SetXmlAllocationFailure(0);
    EXPECT_TRUE(ErrorList.empty());
    ASSERT_EQ(SongList.size(), 2u);
    EXPECT_EQ(SongList[0]->songName, "Tune");
    EXPECT_EQ(PluginRows(0), (std::vector<std::string>{"Delay.dll*1"}));
}

TEST_F(SongReaderTest, AMissingPathLeavesNoTrace) {
    ReadSongFile(temp.Path("gone.xrns").c_str(), nullptr);
    EXPECT_TRUE(shown->statusTexts.empty());
    EXPECT_TRUE(ErrorList.empty());
    EXPECT_TRUE(SongList.empty());
}

TEST(ParseSongNumber, ConvertsLikeTheTrackerWrote) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"125", 125},         {"140.5", 140},      {" \t\n+7", 7},       {"-12", -12},
        {"word", 0},          {"", 0},             {"4294967295", -1},   {"4294967296", -1},
        {"-4294967296", -1},  {"2147483648", INT32_MIN}, {"99999999999999999999999", -1}, {"12abc", 12},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseSongNumber(c.text), c.value) << c.text;
}

// Every real song and instrument of the corpus gives the plug-ins and the
// number of devices that its table lists.
class CorpusTest : public CatalogueTest {};

TEST_F(CorpusTest, EveryFileGivesThePluginsItsTableLists) {
    std::ifstream table(SourcePath("tests/data/corpus/devices.tsv"));
    ASSERT_TRUE(table) << "devices.tsv";
    std::string line;
    std::getline(table, line);  // the header
    int files = 0;
    while (std::getline(table, line)) {
        std::vector<std::string> cells;
        std::stringstream split(line);
        for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
        while (cells.size() < 5) cells.emplace_back();
        const std::string path = SourcePath("tests/data/corpus/" + cells[0]);
        std::map<std::string, bool> expected;  // derived name -> seen
        std::stringstream plugins(cells[4]);
        for (std::string plugin; std::getline(plugins, plugin, ';');) {
            while (!plugin.empty() && plugin[0] == ' ') plugin.erase(0, 1);
            const size_t bar = plugin.find('|');
            const std::string type = plugin.substr(0, bar);
            const std::string identifier = plugin.substr(bar + 1, plugin.find('|', bar + 1) - bar - 1);
            if (type == "VST")
                expected[FindTextNoCase(identifier.c_str(), "Waves") ? identifier : identifier + ".dll"] = false;
        }

        ClearSongList();
        ClearErrorList();
        ReadSongFile(path.c_str(), nullptr);
        ++files;
        if (cells[2] == "utf-16") {
            // Declared as UTF-16, stored as 8-bit text: Expat refuses it.
            ASSERT_EQ(ErrorList.size(), 2u) << cells[0];
            EXPECT_EQ(ErrorList[0], "Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error");
            EXPECT_EQ(ErrorList[1].rfind("Error: Expat error code #", 0), 0u);
            EXPECT_TRUE(SongList.empty());
            continue;
        }
        ASSERT_TRUE(ErrorList.empty()) << cells[0] << ": " << ErrorList[0];
        ASSERT_FALSE(SongList.empty()) << cells[0];
        uint32_t instances = 0;
        for (const auto& member : SongList[0]->plugins->members) {
            ASSERT_TRUE(expected.count(member.second.name)) << cells[0] << " lists " << member.second.name;
            expected[member.second.name] = true;
            instances += member.second.count;
        }
        for (const auto& [name, seen] : expected) EXPECT_TRUE(seen) << cells[0] << " misses " << name;
        EXPECT_EQ(std::to_string(instances), cells[3]) << cells[0];
    }
    EXPECT_EQ(files, 17);
}
