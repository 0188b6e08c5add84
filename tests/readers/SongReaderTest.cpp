#include "readers/SongReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "platform/Text.h"
#include "readers/XmlTree.h"
#include "support/ZipWriter.h"

namespace {

std::string Song(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RenoiseSong doc_version=\"9\">" + body + "</RenoiseSong>";
}

// What the reader left: its error lines, then each song row as
// NAME|ARTIST|BPM|TPL ("-" for an absent text) and each plug-in row as NAME*COUNT.
std::vector<std::string> Lines() {
    std::vector<std::string> lines = ErrorList;
    for (const auto& entry : SongList)
        lines.push_back(entry->plugin ? entry->plugin->name + "*" + std::to_string(entry->plugin->count)
                                      : entry->songName.value_or("-") + "|" + entry->artist.value_or("-") + "|" +
                                            std::to_string(entry->bpm) + "|" + std::to_string(entry->tpl));
    return lines;
}

class SongReaderTest : public CatalogueTest {
protected:
    // Reads one file written into the test's folder.
    void ReadFile(const std::string& name, const std::string& bytes) {
        KeepSongFileSeed(name, bytes);
        ReadSongFile(temp.Write(name, bytes).c_str(), nullptr);
    }
    TempFolder temp;
};

}  // namespace

// Every file of the table, the real songs and instruments of the corpus among
// them, gives the lines its row lists; its name is shown before any check.
TEST_F(SongReaderTest, EveryCommittedFileGivesTheLinesItsTableLists) {
    const std::vector<std::vector<std::string>> rows = ReadTableRows("tests/data/xml/files.tsv");
    EXPECT_EQ(rows.size(), 20u);
    for (const std::vector<std::string>& row : rows) {
        const std::string path = SourcePath("tests/data/" + row[0]);
        ClearSongList();
        ClearErrorList();
        if (row[0].rfind("corpus/", 0) != 0) KeepSongFileSeed(path, ReadFileBytes(path));  // seeds: our inputs, not the corpus
        ReadSongFile(path.c_str(), nullptr);
        EXPECT_EQ(shown->LastStatus(), row[0].substr(row[0].rfind('/') + 1));
        std::vector<std::string> expected(row.begin() + 1, row.end());
        for (std::string& line : expected)
            if (line.find("%s") != std::string::npos) line.replace(line.find("%s"), 2, path);
        EXPECT_EQ(Lines(), expected) << row[0];
    }
}

// The document goes straight into the parser's own buffer, which is not
// zero-filled: what an extraction does not deliver must read as zero bytes,
// as in a fresh block, so that the parse reports the damage where it starts.
TEST_F(SongReaderTest, WhatAnExtractionDoesNotDeliverReadsAsZeroBytes) {
    const std::string document = Song("<SongName>Whole</SongName>");
    for (size_t delivered : {size_t{0}, size_t{40}, document.size() - 1, document.size() - 14}) {
        ClearErrorList();
        ZipEntrySpec item;
        item.name = "Song.xml";
        item.data = document;  // the directory promises all of it
        item.method = kZipWriterStored;
        item.payload = document.substr(0, delivered);
        ReadFile(std::to_string(delivered) + ".xrns", BuildZip({item}));
        // What the parse of a zero-filled block of the item's size says.
        std::string zeroFilled = document.substr(0, delivered);
        zeroFilled.resize(document.size(), '\0');
        XmlParserPtr parser(CreateXmlParser());
        ASSERT_EQ(ParseXmlBuffer(parser.get(), zeroFilled.data(), zeroFilled.size()), 0);
        const int code = GetExpatErrorCode(parser.get());
        const std::vector<std::string> expected = {
            "Error: Unable to parse xml memory buffer! Code #4; Internal Expat parser error",
            TextFormat("Error: Expat error code #%d; Line %d; Column %d; %s", code, GetExpatErrorLine(parser.get()),
                       GetExpatErrorColumn(parser.get()), GetExpatErrorText(code))};
        EXPECT_EQ(Lines(), expected) << delivered << " bytes delivered";
    }
}

// Without a parser to lend its buffer the item goes into a block of ours,
// and the parser is asked for again where the reader always asked for it.
TEST_F(SongReaderTest, ASongIsReadAlsoWhenTheFirstParserCannotBeHad) {
    ZipEntrySpec item;
    item.name = "Song.xml";
    item.data = Song("<SongName>Tune</SongName><PluginName>Vst: Delay</PluginName>");
    SetXmlAllocationFailure(1);
    ReadFile("song.xrns", BuildZip({item}));
    SetXmlAllocationFailure(0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Tune|-|0|0", "Delay.dll*1"}));
}

TEST_F(SongReaderTest, AMissingPathLeavesNoTrace) {
    ReadSongFile(temp.Path("gone.xrns").c_str(), nullptr);
    EXPECT_TRUE(shown->statusTexts.empty());
    EXPECT_TRUE(Lines().empty());
}

TEST(ParseSongNumber, ConvertsLikeTheTrackerWrote) {
    for (const std::vector<std::string>& row : ReadTableRows("tests/data/xml/song-numbers.tsv"))
        EXPECT_EQ(ParseSongNumber(row[0].c_str()), std::stoi(row[1])) << row[0];
    EXPECT_EQ(ParseSongNumber("\t\n\v\f\r -7"), -7);
}
