#include "report/Report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "settings/SettingsFile.h"

namespace {

const std::string kBlank3 = "\r\n\r\n\r\n";

std::string Header(const std::string& title) {
    std::string line = "--- " + title + " ";
    line.resize(80, '-');
    return line + "\r\n";
}

const std::string kSongs = Header("Processed songs and instruments:");
const std::string kMissing = kBlank3 + Header("Missing plugins:") + kBlank3;
const std::string kUnused = kBlank3 + Header("Unused plugins:") + kBlank3;
const std::string kInstalled = kBlank3 + Header("Installed plugins:") + kBlank3;
const std::string kErrors = kBlank3 + Header("Errors:") + kBlank3;
const std::string kNoErrors = kErrors + "No errors occured!\r\n\r\n\r\n";

void ExpectMessage(const ShownMessage& shown, const std::string& text, const char* caption, unsigned style,
                   void* owner) {
    EXPECT_EQ(shown.text + "|" + shown.caption, text + "|" + caption);
    EXPECT_EQ(shown.style, style);
    EXPECT_EQ(shown.owner, owner);
}

}  // namespace

class ReportTest : public CatalogueTest {
protected:
    TempFolder folder;
};

TEST_F(ReportTest, AWholeReportWithAnInventory) {
    InstallPlugins({"Reverb.dll", "delay.dll", "Chorus.dll"}, "C:\\VST");
    AddSong({"C:\\Songs\\Demo.xrns", "Someone", "Demo", 125, 6, {"Delay.dll", "Synth.dll", "delay.DLL"}});
    AddSong({"/s/one.xrns", nullptr, nullptr, 140, 0, {"zeta.dll", "Delay.dll", "Alpha.dll"}});
    AddSong({"/s/two.xml", "", "Two", 0, 6, {}});
    AppendErrorLine("Error: The file \"/s/bad.xrns\" is broken!");
    AppendErrorLine("XML error 4 in line 1, column 2: not well-formed (invalid token)");
    // The expected bytes, CRLF line ends and all, are kept as a file.
    const std::string expected = ReadFileBytes(SourcePath("tests/data/report/whole-report.txt"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(BuildReport(), expected);
    EXPECT_EQ(BuildExportBytes(ExportFormat::kText, false), expected);
}

TEST_F(ReportTest, WithoutAnInventoryOrWithoutSongs) {
    // Nothing at all: the songs header runs straight into the missing one.
    const std::string noInventory = kMissing + "Info not available!\r\n" + kUnused + "Info not available!\r\n" +
                                    kInstalled + "Info not available!\r\n" + kNoErrors;
    EXPECT_EQ(BuildReport(), kSongs + noInventory);
    // Plug-in rows without an inventory show names only.
    AddSong({"/s/a.xrns", "A", "B", 120, 4, {"x.dll", "x.dll"}});
    EXPECT_EQ(BuildReport(), kSongs + kBlank3 + "1 - /s/a.xrns\r\n\r\nArtist: A\r\nSongname: B\r\n" +
                                 "BPM: 120 - TPL: 4\r\n\r\n- x.dll\r\n" + noInventory);
    // An inventory but no processed files; then songs that use all of it.
    ResetCatalogue();
    InstallPlugins({"b.dll", "A.dll"});
    const std::string nothingMissingOrUnused =
        kMissing + "No missing plugins found!\r\n" + kUnused + "No unused plugins found!\r\n" + kInstalled;
    EXPECT_EQ(BuildReport(), kSongs + nothingMissingOrUnused + "- A.dll\r\n- b.dll\r\n" + kNoErrors);
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"a.dll", "B.DLL"}});
    EXPECT_NE(BuildReport().find(nothingMissingOrUnused), std::string::npos);
}

// The usual tempo lines are in whole-report.txt; here the extremes.
TEST_F(ReportTest, TempoLinesShowAnyNumbers) {
    AddSong({"/s/a.xrns", nullptr, nullptr, -1, -2147483647 - 1});
    EXPECT_NE(BuildReport().find("Songname: n/a\r\nBPM: -1 - TPL: -2147483648\r\n\r\nNo plugins used!\r\n"),
              std::string::npos);
}

TEST_F(ReportTest, PluginSectionsFollowTheSetsOrderWhateverTheReadingOrder) {
    InstallPlugins({"m.dll", "K.dll", "z.dll", "a.dll", "Q.dll"});
    AddSong({"/s/1.xrns", nullptr, nullptr, 0, 0, {"Y.dll", "m.dll"}});
    AddSong({"/s/2.xrns", nullptr, nullptr, 0, 0, {"b.dll", "Z.DLL", "C.dll"}});
    EXPECT_NE(BuildReport().find(kMissing + "- b.dll\r\n- C.dll\r\n- Y.dll\r\n" + kUnused +
                                 "- a.dll\r\n- K.dll\r\n- Q.dll\r\n" + kInstalled +
                                 "- a.dll\r\n- K.dll\r\n- m.dll\r\n- Q.dll\r\n- z.dll\r\n" + kErrors),
              std::string::npos);
}

TEST_F(ReportTest, LongTextsAreWrittenWholeAndNoTextBringsANul) {
    const std::string longPath = "/s/" + std::string(2000, 'p') + ".xrns";
    const std::string longArtist(1000, 'a');
    const std::string longError = "Error: " + std::string(3000, 'e');
    AddSong({longPath.c_str(), longArtist.c_str()});
    SongList.back()->songName = std::string("cut\0here", 8);  // a text ends at its first zero
    AppendErrorLine(longError);
    AppendErrorLine("");  // an empty line stays a line
    const std::string report = BuildReport();
    EXPECT_NE(report.find("1 - " + longPath + "\r\n\r\nArtist: " + longArtist + "\r\nSongname: cut\r\n"),
              std::string::npos);
    EXPECT_NE(report.find(kErrors + longError + "\r\n\r\n\r\n\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
    EXPECT_EQ(report.find('\0'), std::string::npos);
}

TEST_F(ReportTest, InteractiveExportWritesTheTextReportAndRemembersItsFolder) {
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"x.dll"}});
    const std::string target = folder.MakeFolder("reports") + "/out.txt";
    folder.Write("reports/out.txt", std::string(100000, 'o'));  // replaced and cut
    shown->exportChoice = target;
    CommandLine.format = ExportFormat::kJson;  // a leftover of no command-line run
    EXPECT_EQ(ExportReport(nullptr), 1);
    EXPECT_EQ(ReadFileBytes(target), BuildReport());
    EXPECT_STREQ(Settings.ExportFolder, folder.Path("reports").c_str());
    EXPECT_TRUE(shown->messages.empty());

    // A folder longer than the field is not cut into another folder's name.
    shown->exportChoice = folder.MakeFolder(std::string(200, 'd') + "/" + std::string(100, 'e')) + "/out.txt";
    EXPECT_EQ(ExportReport(nullptr), 1);
    EXPECT_STREQ(Settings.ExportFolder, "");

    // Cancelling the dialog changes nothing.
    std::strcpy(Settings.ExportFolder, "/kept");
    shown->exportChoice.clear();
    EXPECT_EQ(ExportReport(nullptr), 0);
    EXPECT_STREQ(Settings.ExportFolder, "/kept");
    EXPECT_TRUE(shown->messages.empty());
}

TEST_F(ReportTest, CommandLineExportAsksBeforeReplacingAFileAndWritesTheAskedForFormat) {
    struct Case {
        const char* what;
        bool exists;
        int overwrite;
        int answer;
        ExportFormat format;
        int hints;
        bool written;
        int quitAfter;
    } cases[] = {
        {"new file", false, 0, kIdCancel, ExportFormat::kText, 0, true, 1},
        {"existing, OK", true, 0, kIdOk, ExportFormat::kJson, 0, true, 1},
        {"existing, Cancel", true, 0, kIdCancel, ExportFormat::kText, 0, false, 0},
        {"existing, /o", true, 1, kIdCancel, ExportFormat::kCsv, 0, true, 1},
        {"with hints", false, 0, kIdOk, ExportFormat::kText, 1, true, 1},
    };
    AddSong({"/s/a.xrns"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shown = &InstallRecorder();
        shown->messageAnswer = c.answer;
        const std::string target = folder.Path("cli.txt");
        std::filesystem::remove(target);
        if (c.exists) folder.Write("cli.txt", "previous");
        CommandLine.pending = 1;
        CommandLine.exportPath = target;
        CommandLine.overwrite = c.overwrite;
        CommandLine.quitAfterExport = 1;
        CommandLine.format = c.format;
        CommandLine.hints = c.hints;
        std::strcpy(Settings.ExportFolder, "/last");
        EXPECT_EQ(ExportReport(&shown), c.written ? 1 : 0);
        EXPECT_EQ(ReadFileBytes(target), c.written ? BuildExportBytes(c.format, c.hints)
                                                   : std::string(c.exists ? "previous" : ""));
        EXPECT_EQ(CommandLine.quitAfterExport, c.quitAfter);
        EXPECT_STREQ(Settings.ExportFolder, c.written ? "" : "/last");
        ASSERT_EQ(shown->messages.size(), c.exists && !c.overwrite ? 1u : 0u);
        if (!shown->messages.empty()) {
            ExpectMessage(shown->messages[0],
                          "The specified export file \"" + target + "\" already exists!\n\nOverwrite it?", "Warning",
                          kMbOkCancel | kMbIconWarning, nullptr);
        }
    }
    EXPECT_NE(BuildExportBytes(ExportFormat::kText, true), BuildReport());
}

TEST_F(ReportTest, FilesThatCannotBeCreatedOrWrittenAreReported) {
    int window = 0;
    for (const bool fromDialog : {true, false}) {
        SCOPED_TRACE(fromDialog ? "dialog" : "command line");
        shown = &InstallRecorder();
        const std::string target = folder.Path("missing-folder/out.txt");
        CommandLine.pending = fromDialog ? 0 : 1;
        CommandLine.exportPath = target;
        shown->exportChoice = target;
        std::strcpy(Settings.ExportFolder, "/last");
        EXPECT_EQ(ExportReport(&window), 0);
        ASSERT_EQ(shown->messages.size(), 1u);
        ExpectMessage(shown->messages[0], "Could not open file for writing!", "Error", kMbOk | kMbIconStop, &window);
        // The folder is set (or cleared) before the message, as after a success.
        EXPECT_STREQ(Settings.ExportFolder, fromDialog ? folder.Path("missing-folder").c_str() : "");
        EXPECT_FALSE(std::filesystem::exists(target));
    }
    shown = &InstallRecorder();
    CommandLine.pending = 0;
    shown->exportChoice = "/dev/full";  // opens, and every write finds the disk full
    EXPECT_EQ(ExportReport(&window), 0);
    ASSERT_EQ(shown->messages.size(), 1u);
    ExpectMessage(shown->messages[0], "Could not write file!", "Error", kMbOk | kMbIconStop, &window);
}
