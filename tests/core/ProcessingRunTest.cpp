#include "core/ProcessingRun.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "platform/Files.h"
#include "settings/SettingsFile.h"
#include "support/SongXmlWriter.h"

namespace {

std::string SongArchive(const std::string& name, std::vector<std::string> plugins = {}) {
    SongXmlShape shape;
    shape.songName = name;
    shape.plugins = std::move(plugins);
    return WriteSongArchive(shape);
}

class ProcessingRunTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        GetCurrentFolder(startFolder);
    }
    void TearDown() override {
        SetCurrentFolder(startFolder.c_str());
        CatalogueTest::TearDown();
    }
    std::string startFolder;
    TempFolder temp;
};

}  // namespace

TEST_F(ProcessingRunTest, ADropReadsMatchingFilesAndReportsTheRestThenShowsTheirTab) {
    const std::string a = temp.Write("a.xrns", SongArchive("A", {"Delay"}));
    const std::string text = temp.Write("notes.txt", "x");
    const std::string b = temp.Write("B.XRNS", SongArchive("B"));
    const std::string folder = temp.MakeFolder("Folder");
    RunDroppedFiles({a, text, "", b, folder});
    ASSERT_EQ(SongList.size(), 3u);
    EXPECT_EQ(SongList[0]->path + " " + SongList[2]->path + " " + std::to_string(SongList[2]->ordinal), a + " " + b + " 2");
    EXPECT_EQ(ErrorList,
              (std::vector<std::string>{
                  "Error: The specified file \"" + text + "\" is no valid Renoise song or instrument!",
                  "Error: The specified file \"" + folder + "\" is no valid Renoise song or instrument!"}));
    EXPECT_EQ(std::make_pair(shown->busyEntered, shown->busyLeft), std::make_pair(1, 1));
    EXPECT_EQ(shown->exportEnabled, 1);
    EXPECT_EQ(shown->LastStatus(),
              "Installed VST plugins: n/a - Collected VST plugins: 1 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 2");
    // A run that adds no error line shows the songs; the same file read again counts again.
    RunDroppedFiles({a});
    EXPECT_EQ(SongList[SongList.size() - 2]->ordinal, 3u);  // the song row before its plug-in row
    EXPECT_EQ(PluginSetFind(UsedPlugins, "Delay.dll")->count, 2u);
    EXPECT_EQ(shown->selectedTabs, (std::vector<ResultTab>{kTabErrors, kTabSongs}));
}

TEST_F(ProcessingRunTest, WhatACommandLineRunWalks) {
    temp.Write("here.xrns", SongArchive("Here"));
    temp.Write("here.rns", "RNS019");
    temp.Write("sub/here.xrns", SongArchive("Deeper"));
    SetCurrentFolder(temp.path.c_str());
    ParseCommandLine("/e:r.txt");  // no folder, no file: nothing starts
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kNothing);
    EXPECT_FALSE(PathExists(temp.Path("r.txt").c_str()));
    const auto text = [this](const std::string& field) {
        return field == "-" ? std::nullopt : std::optional(field[0] == '@' ? temp.path + field.substr(1) : field);
    };
    for (const auto& row : ReadTableRows("misc/command-line-walks.tsv")) {
        ASSERT_EQ(row.size(), 6u);
        SCOPED_TRACE(row[5]);
        ResetCatalogue();
        Settings.ScanSubfolders = static_cast<uint32_t>(std::stoul(row[3]));
        // Paths here contain "/", which the window's switch syntax cannot
        // carry, so the request is filled the way the Linux program fills it.
        CommandLine = CommandLineRequest{};
        CommandLine.folderText = text(row[0]);
        CommandLine.fileText = text(row[1]);
        CommandLine.subfolderMode = std::stoi(row[2]);
        CommandLine.pending = 1;
        EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kRead);
        EXPECT_EQ(SongList.size(), std::stoul(row[4]));
        EXPECT_FALSE(CommandLine.folderText || CommandLine.fileText);  // the request is used up
    }
    EXPECT_EQ(SongList[0]->path, temp.Path("here.rns"));
}
