#include "readers/SongReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "readers/XmlTree.h"

namespace {

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

class SongReaderTest : public CatalogueTest {};

}  // namespace

// Every file of the table, the real songs and instruments of the corpus among
// them, gives the lines its row lists; its name is shown before any check.
TEST_F(SongReaderTest, EveryCommittedFileGivesTheLinesItsTableLists) {
    for (const std::vector<std::string>& row : ReadTableRows("xml/files.tsv")) {
        const std::string path = SourcePath("tests/data/" + row[0]);
        ClearSongList();
        ClearErrorList();
        // Our own inputs are fuzz seeds (the real songs never were).
        if (row[0].rfind("corpus/", 0) != 0) KeepSongFileSeed(path, ReadFileBytes(path));
        ReadSongFile(path.c_str(), nullptr);
        EXPECT_EQ(shown->LastStatus(), row[0].substr(row[0].rfind('/') + 1));
        std::vector<std::string> expected(row.begin() + 1, row.end());
        for (std::string& line : expected)
            if (line.find("%s") != std::string::npos) line.replace(line.find("%s"), 2, path);
        EXPECT_EQ(Lines(), expected) << row[0];
    }
}

// Without a parser to lend its buffer the item goes into a block of ours,
// and the parser is asked for again where the reader always asked for it.
TEST_F(SongReaderTest, ASongIsReadAlsoWhenTheFirstParserCannotBeHad) {
    SetXmlAllocationFailure(1);
    ReadSongFile(SourcePath("tests/data/corpus/songs/gopher-atz__4klang__4klang_VSTi__baghdad.xrns").c_str(), nullptr);
    SetXmlAllocationFailure(0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Outlined|By Melw|220|3", "4klang.dll*1"}));
}

TEST(ParseSongNumber, ConvertsLikeTheTrackerWrote) {
    for (const std::vector<std::string>& row : ReadTableRows("xml/song-numbers.tsv"))
        EXPECT_EQ(ParseSongNumber(row[0].c_str()), std::stoi(row[1])) << row[0];
    EXPECT_EQ(ParseSongNumber("\t\n\v\f\r -7"), -7);
}
