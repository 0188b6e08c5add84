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

// Paths here contain "/", which the window's switch syntax cannot carry, so
// the request is filled the way the Linux program fills it.
void Request(std::optional<std::string> folder, std::optional<std::string> file,
             std::optional<std::string> exportPath = std::nullopt, int subfolderMode = 2, bool overwrite = false,
             bool quit = false) {
    CommandLine = CommandLineRequest{};
    CommandLine.folderText = std::move(folder);
    CommandLine.fileText = std::move(file);
    CommandLine.exportPath = std::move(exportPath);
    CommandLine.subfolderMode = subfolderMode;
    CommandLine.overwrite = overwrite ? 1 : 0;
    CommandLine.quitAfterExport = quit ? 1 : 0;
    CommandLine.pending = (CommandLine.folderText || CommandLine.fileText) ? 1 : 0;
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

TEST_F(ProcessingRunTest, ADropReadsMatchingFilesAndReportsTheRestThenShowsTheErrors) {
    const std::string a = temp.Write("a.xrns", SongArchive("A", {"Delay"}));
    const std::string text = temp.Write("notes.txt", "x");
    const std::string b = temp.Write("B.XRNS", SongArchive("B"));
    const std::string folder = temp.MakeFolder("Folder");
    RunDroppedFiles({a, text, "", b, folder});
    ASSERT_EQ(SongList.size(), 3u);
    EXPECT_EQ(SongList[0]->path, a);
    EXPECT_EQ(SongList[2]->path, b);
    EXPECT_EQ(SongList[2]->ordinal, 2u);
    EXPECT_EQ(ErrorList,
              (std::vector<std::string>{
                  "Error: The specified file \"" + text + "\" is no valid Renoise song or instrument!",
                  "Error: The specified file \"" + folder + "\" is no valid Renoise song or instrument!"}));
    EXPECT_EQ(shown->busyEntered, 1);
    EXPECT_EQ(shown->busyLeft, 1);
    EXPECT_EQ(shown->exportEnabled, 1);
    EXPECT_EQ(shown->selectedTabs, std::vector<ResultTab>{kTabErrors});
    EXPECT_EQ(shown->LastStatus(),
              "Installed VST plugins: n/a - Collected VST plugins: 1 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 2");
}

TEST_F(ProcessingRunTest, ARunWithoutNewErrorsShowsTheSongsAndTheSameFileTwiceCountsTwice) {
    AppendErrorLine("Error: from before");
    const std::string a = temp.Write("a.xrns", SongArchive("A", {"Delay"}));
    RunDroppedFiles({a});
    RunDroppedFiles({a});
    ASSERT_EQ(SongList.size(), 4u);
    EXPECT_EQ(SongList[2]->ordinal, 2u);
    EXPECT_EQ(PluginSetFind(UsedPlugins, "Delay.dll")->count, 2u);
    EXPECT_EQ(shown->selectedTabs, (std::vector<ResultTab>{kTabSongs, kTabSongs}));
}

TEST_F(ProcessingRunTest, ACommandLineFolderThatDoesNotExistStopsAtItsMessage) {
    Request(temp.Path("missing"), std::nullopt, temp.Path("r.txt"), 2, false, true);
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kMissingInput);
    ASSERT_EQ(shown->messages.size(), 1u);
    EXPECT_EQ(shown->messages[0].text, "The specified folder \"" + temp.Path("missing") + "\" does not exist!");
    EXPECT_EQ(shown->messages[0].caption, "Error");
    EXPECT_EQ(shown->messages[0].owner, nullptr);
    EXPECT_TRUE(shown->statusTexts.empty());  // no refresh, no tab change
    EXPECT_TRUE(shown->selectedTabs.empty());
    EXPECT_EQ(shown->quitRequests, 0);
    EXPECT_FALSE(PathExists(temp.Path("r.txt").c_str()));
    EXPECT_EQ(CommandLine.pending, 0);
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kNothing);  // consumed
}

TEST_F(ProcessingRunTest, ACommandLineFileInTheCurrentFolderIsRead) {
    temp.Write("here.xrns", SongArchive("Here"));
    temp.Write("sub/here.xrns", SongArchive("Deeper"));
    SetCurrentFolder(temp.path.c_str());
    ParseCommandLine("/f:here.xrns");
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kRead);
    ASSERT_EQ(SongList.size(), 1u);
    EXPECT_EQ(SongList[0]->path, temp.Path("here.xrns"));
    // With /s+ every file of that name below the file's folder is read.
    Request(std::nullopt, temp.Path("here.xrns"), std::nullopt, 1);
    RunCommandLine(nullptr);
    EXPECT_EQ(SongList.size(), 3u);
    EXPECT_EQ(SongList.back()->path, temp.Path("sub/here.xrns"));
}

TEST_F(ProcessingRunTest, ACommandLineFolderWithAMaskAndSubfolderModes) {
    temp.Write("top.xrns", SongArchive("Top"));
    temp.Write("top.rns", "RNS019");
    temp.Write("deep/low.xrns", SongArchive("Low"));
    Settings.ScanSubfolders = 0;
    Request(temp.path, "*.xrns");
    RunCommandLine(nullptr);
    EXPECT_EQ(SongList.size(), 1u);  // the settings say: no subfolders
    Settings.ScanSubfolders = 1;
    Request(temp.path, "*.xrns");
    RunCommandLine(nullptr);
    EXPECT_EQ(SongList.size(), 3u);
    Request(temp.path, std::nullopt, std::nullopt, 0);
    RunCommandLine(nullptr);
    EXPECT_EQ(SongList.size(), 5u);  // all kinds of the top folder only
}

TEST_F(ProcessingRunTest, TheCommandLineExportAsksBeforeOverwritingAndQuitsOnlyWhenWritten) {
    temp.Write("songs/a.xrns", SongArchive("A"));
    const std::string report = temp.Write("report.txt", "old report");
    shown->messageAnswer = kIdCancel;
    Request(temp.Path("songs"), std::nullopt, report, 2, false, true);
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kExportFailed);
    ASSERT_EQ(shown->messages.size(), 1u);
    EXPECT_EQ(shown->messages[0].caption, "Warning");
    EXPECT_EQ(shown->messages[0].text, "The specified export file \"" + report + "\" already exists!\n\nOverwrite it?");
    EXPECT_EQ(ReadFileBytes(report), "old report");
    EXPECT_EQ(shown->quitRequests, 0);

    Request(temp.Path("songs"), std::nullopt, report, 2, true, true);
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kRead);
    EXPECT_EQ(shown->messages.size(), 1u);  // no question with /o
    EXPECT_EQ(ReadFileBytes(report).rfind("--- Processed songs and instruments: ", 0), 0u);
    EXPECT_EQ(shown->quitRequests, 1);
    EXPECT_EQ(Settings.ExportFolder[0], '\0');
}

TEST_F(ProcessingRunTest, AnExportWithoutAFolderOrFileStartsNothing) {
    ParseCommandLine("/e:r.txt");
    SetCurrentFolder(temp.path.c_str());
    EXPECT_EQ(RunCommandLine(nullptr), CommandLineOutcome::kNothing);
    EXPECT_FALSE(PathExists(temp.Path("r.txt").c_str()));
    EXPECT_TRUE(shown->statusTexts.empty());
}
