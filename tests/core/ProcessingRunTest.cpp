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
    struct Case {
        std::optional<std::string> folder, file;
        int subfolderMode;
        uint32_t scanSubfolders;
        size_t rows;
        const char* why;
    } cases[] = {
        {std::nullopt, "here.xrns", 2, 0, 1, "a file in the current folder, by its name only"},
        {std::nullopt, temp.Path("here.xrns"), 1, 0, 2, "with /s+ every file of that name below its folder"},
        {temp.path, "*.xrns", 2, 0, 1, "a mask; the settings say: no subfolders"},
        {temp.path, "*.xrns", 2, 1, 2, "a mask; the settings say: subfolders"},
        {temp.path, std::nullopt, 0, 1, 2, "every kind, /s- over the settings"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        Settings.ScanSubfolders = c.scanSubfolders;
        // Paths here contain "/", which the window's switch syntax cannot
        // carry, so the request is filled the way the Linux program fills it.
        CommandLine = CommandLineRequest{};
        CommandLine.folderText = c.folder;
        CommandLine.fileText = c.file;
        CommandLine.subfolderMode = c.subfolderMode;
        CommandLine.pending = 1;
        EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kRead) << c.why;
        EXPECT_EQ(SongList.size(), c.rows) << c.why;
    }
    EXPECT_EQ(SongList[0]->path, temp.Path("here.rns"));
}
