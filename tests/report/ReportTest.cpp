#include "report/Report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "settings/SettingsFile.h"

namespace {

const std::string kCrLf = "\r\n";
const std::string kBlank3 = "\r\n\r\n\r\n";

std::string Header(const std::string& title, size_t dashes) {
    std::string line = "--- " + title + " " + std::string(dashes, '-');
    EXPECT_EQ(line.size(), 80u) << title;
    return line + kCrLf;
}

const std::string kSongs = Header("Processed songs and instruments:", 43);
const std::string kMissing = kBlank3 + Header("Missing plugins:", 59) + kBlank3;
const std::string kUnused = kBlank3 + Header("Unused plugins:", 60) + kBlank3;
const std::string kInstalled = kBlank3 + Header("Installed plugins:", 57) + kBlank3;
const std::string kErrors = kBlank3 + Header("Errors:", 68) + kBlank3;

struct SongInput {
    const char* path;
    const char* artist;  // nullptr: absent
    const char* name;
    int32_t bpm;
    int32_t tpl;
    std::vector<const char*> references;  // in reading order, repeats count
};

// Adds a song the way the readers do: each reference to the used set, the
// song's own set and, when not installed, the missing set.
void AddSong(const SongInput& input) {
    auto song = NewSongEntry(input.path);
    if (input.artist) song->artist = input.artist;
    if (input.name) song->songName = input.name;
    song->bpm = input.bpm;
    song->tpl = input.tpl;
    for (const char* name : input.references) {
        PluginSetAdd(UsedPlugins, name, nullptr);
        PluginSetAdd(*song->plugins, name, nullptr);
        if (IsNotInstalled(name)) PluginSetAdd(MissingPlugins, name, nullptr);
    }
    AppendSongRows(std::move(song));
}

void Install(std::initializer_list<const char*> names) {
    for (const char* name : names) PluginSetAdd(InstalledPlugins, name, "C:\\VST");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(kCrLf, start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void ExpectMessage(const ShownMessage& shown, const std::string& text, const char* caption, unsigned style,
                   void* owner) {
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.caption, caption);
    EXPECT_EQ(shown.style, style);
    EXPECT_EQ(shown.owner, owner);
}

}  // namespace

class ReportTest : public CatalogueTest {
protected:
    TempFolder folder;
};

TEST_F(ReportTest, OneSongWithAnInstalledAndAMissingPluginHasTheDocumentedLayout) {
    Install({"Delay.dll", "Reverb.dll"});
    AddSong({"C:\\Songs\\Demo.xrns", "Someone", "Demo", 125, 6, {"Delay.dll", "Synth.dll", "delay.DLL"}});
    const std::vector<std::string> lines = Lines(BuildReport());
    ASSERT_GE(lines.size(), 20u);
    EXPECT_EQ(lines[0] + kCrLf, kSongs);
    for (int i : {1, 2, 3, 5, 9, 12, 13, 14, 16, 17, 18}) EXPECT_EQ(lines[i], "") << "line " << i + 1;
    EXPECT_EQ(lines[4], "1 - C:\\Songs\\Demo.xrns");
    EXPECT_EQ(lines[6], "Artist: Someone");
    EXPECT_EQ(lines[7], "Songname: Demo");
    EXPECT_EQ(lines[8], "BPM: 125 - TPL: 6");
    EXPECT_EQ(lines[10], "- Delay.dll - Instances used: 2");
    EXPECT_EQ(lines[11], "- Synth.dll - Instances used: 1 - Plugin not found!");
    EXPECT_EQ(lines[15] + kCrLf, Header("Missing plugins:", 59));
    EXPECT_EQ(lines[19], "- Synth.dll");
}

TEST_F(ReportTest, AWholeReportWithAnInventory) {
    Install({"Reverb.dll", "delay.dll", "Chorus.dll"});
    AddSong({"/s/one.xrns", nullptr, nullptr, 140, 0, {"zeta.dll", "Delay.dll", "Alpha.dll"}});
    AddSong({"/s/two.xml", "", "Two", 0, 6, {}});
    AppendErrorLine("Error: The file \"/s/bad.xrns\" is broken!");
    AppendErrorLine("XML error 4 in line 1, column 2: not well-formed (invalid token)");
    const std::string expected = kSongs +
                                 kBlank3 + "1 - /s/one.xrns\r\n\r\n"
                                 "Artist: n/a\r\n"
                                 "Songname: n/a\r\n"
                                 "BPM: 140 - TPL: n/a\r\n\r\n"
                                 "- Alpha.dll - Instances used: 1 - Plugin not found!\r\n"
                                 "- Delay.dll - Instances used: 1\r\n"
                                 "- zeta.dll - Instances used: 1 - Plugin not found!\r\n" +
                                 kBlank3 + "2 - /s/two.xml\r\n\r\n"
                                 "Artist: \r\n"
                                 "Songname: Two\r\n"
                                 "BPM: n/a - TPL: n/a\r\n\r\n"
                                 "No plugins used!\r\n" +
                                 kMissing + "- Alpha.dll\r\n- zeta.dll\r\n" +
                                 kUnused + "- Chorus.dll\r\n- Reverb.dll\r\n" +
                                 kInstalled + "- Chorus.dll\r\n- delay.dll\r\n- Reverb.dll\r\n" +
                                 kErrors +
                                 "Error: The file \"/s/bad.xrns\" is broken!\r\n"
                                 "XML error 4 in line 1, column 2: not well-formed (invalid token)\r\n"
                                 "\r\n\r\n";
    EXPECT_EQ(BuildReport(), expected);
}

TEST_F(ReportTest, WithoutAnInventoryPluginRowsShowNamesAndTheSectionsSayInfoNotAvailable) {
    AddSong({"/s/a.xrns", "A", "B", 120, 4, {"x.dll", "x.dll"}});
    const std::string expected = kSongs + kBlank3 + "1 - /s/a.xrns\r\n\r\nArtist: A\r\nSongname: B\r\n" +
                                 "BPM: 120 - TPL: 4\r\n\r\n- x.dll\r\n" +
                                 kMissing + "Info not available!\r\n" +
                                 kUnused + "Info not available!\r\n" +
                                 kInstalled + "Info not available!\r\n" +
                                 kErrors + "No errors occured!\r\n\r\n\r\n";
    EXPECT_EQ(BuildReport(), expected);
}

TEST_F(ReportTest, EmptyModels) {
    // Nothing at all: the songs header runs straight into the missing one.
    EXPECT_EQ(BuildReport(), kSongs + kMissing + "Info not available!\r\n" + kUnused + "Info not available!\r\n" +
                                 kInstalled + "Info not available!\r\n" + kErrors + "No errors occured!\r\n\r\n\r\n");
    // An inventory but no processed files.
    Install({"b.dll", "A.dll"});
    EXPECT_EQ(BuildReport(), kSongs + kMissing + "No missing plugins found!\r\n" + kUnused +
                                 "No unused plugins found!\r\n" + kInstalled + "- A.dll\r\n- b.dll\r\n" + kErrors +
                                 "No errors occured!\r\n\r\n\r\n");
    // Songs that use only installed plug-ins, all of them.
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"a.dll", "B.DLL"}});
    const std::string report = BuildReport();
    EXPECT_NE(report.find(kMissing + "No missing plugins found!\r\n" + kUnused + "No unused plugins found!\r\n"),
              std::string::npos);
}

TEST_F(ReportTest, TempoLines) {
    struct Case {
        int32_t bpm, tpl;
        const char* line;
    };
    const Case cases[] = {
        {0, 6, "BPM: n/a - TPL: n/a"},
        {0, 0, "BPM: n/a - TPL: n/a"},
        {140, 0, "BPM: 140 - TPL: n/a"},
        {125, 12, "BPM: 125 - TPL: 12"},
        {-1, -2147483647 - 1, "BPM: -1 - TPL: -2147483648"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        AddSong({"/s/a.xrns", nullptr, nullptr, c.bpm, c.tpl, {}});
        const auto lines = Lines(BuildReport());
        ASSERT_GE(lines.size(), 11u);
        EXPECT_EQ(lines[8], c.line) << c.bpm << " " << c.tpl;
        EXPECT_EQ(lines[9], "");
        EXPECT_EQ(lines[10], "No plugins used!");
    }
}

TEST_F(ReportTest, PluginSectionsFollowTheSetsOrderWhateverTheReadingOrder) {
    Install({"m.dll", "K.dll", "z.dll", "a.dll", "Q.dll"});
    AddSong({"/s/1.xrns", nullptr, nullptr, 0, 0, {"Y.dll", "m.dll"}});
    AddSong({"/s/2.xrns", nullptr, nullptr, 0, 0, {"b.dll", "Z.DLL", "C.dll"}});
    const std::string report = BuildReport();
    EXPECT_NE(report.find(kMissing + "- b.dll\r\n- C.dll\r\n- Y.dll\r\n" + kUnused +
                          "- a.dll\r\n- K.dll\r\n- Q.dll\r\n" + kInstalled +
                          "- a.dll\r\n- K.dll\r\n- m.dll\r\n- Q.dll\r\n- z.dll\r\n" + kErrors),
              std::string::npos);
}

TEST_F(ReportTest, LongTextsAreWrittenWholeAndTheEndIsTwoBlankLinesWithoutNul) {
    const std::string longPath = "/s/" + std::string(2000, 'p') + ".xrns";
    const std::string longArtist(1000, 'a');
    const std::string longError = "Error: " + std::string(3000, 'e');
    AddSong({longPath.c_str(), longArtist.c_str(), nullptr, 0, 0, {}});
    AppendErrorLine(longError);
    AppendErrorLine("");  // an empty line stays a line
    const std::string report = BuildReport();
    EXPECT_NE(report.find("1 - " + longPath + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("Artist: " + longArtist + "\r\n"), std::string::npos);
    EXPECT_NE(report.find(kErrors + longError + "\r\n\r\n\r\n\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
    EXPECT_EQ(report.find('\0'), std::string::npos);
}

TEST_F(ReportTest, InteractiveExportWritesTheReportAndRemembersItsFolder) {
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"x.dll"}});
    const std::string target = folder.MakeFolder("reports") + "/out.txt";
    folder.Write("reports/out.txt", std::string(100000, 'o'));  // replaced and cut
    shown->exportChoice = target;
    EXPECT_EQ(ExportReport(nullptr), 1);
    EXPECT_EQ(ReadFileBytes(target), BuildReport());
    EXPECT_STREQ(Settings.ExportFolder, folder.Path("reports").c_str());
    EXPECT_TRUE(shown->messages.empty());

    // A folder longer than the field is not cut into another folder's name.
    const std::string deep = folder.MakeFolder(std::string(200, 'd') + "/" + std::string(100, 'e'));
    shown->exportChoice = deep + "/out.txt";
    EXPECT_EQ(ExportReport(nullptr), 1);
    EXPECT_STREQ(Settings.ExportFolder, "");

    // Cancelling the dialog changes nothing.
    std::strcpy(Settings.ExportFolder, "/kept");
    shown->exportChoice.clear();
    EXPECT_EQ(ExportReport(nullptr), 0);
    EXPECT_STREQ(Settings.ExportFolder, "/kept");
    EXPECT_TRUE(shown->messages.empty());
}

TEST_F(ReportTest, CommandLineExportAsksBeforeReplacingAFile) {
    struct Case {
        const char* what;
        bool exists;
        int overwrite;
        int answer;
        bool written;
        size_t questions;
        int quitAfter;
    };
    const Case cases[] = {
        {"new file", false, 0, kIdCancel, true, 0, 1},
        {"existing, OK", true, 0, kIdOk, true, 1, 1},
        {"existing, Cancel", true, 0, kIdCancel, false, 1, 0},
        {"existing, /o", true, 1, kIdCancel, true, 0, 1},
    };
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {}});
    const std::string report = BuildReport();
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
        std::strcpy(Settings.ExportFolder, "/last");
        EXPECT_EQ(ExportReport(&shown), c.written ? 1 : 0);
        EXPECT_EQ(ReadFileBytes(target), c.written ? report : std::string(c.exists ? "previous" : ""));
        EXPECT_EQ(CommandLine.quitAfterExport, c.quitAfter);
        EXPECT_STREQ(Settings.ExportFolder, c.written ? "" : "/last");
        ASSERT_EQ(shown->messages.size(), c.questions);
        if (c.questions) {
            ExpectMessage(shown->messages[0],
                          "The specified export file \"" + target + "\" already exists!\n\nOverwrite it?", "Warning",
                          kMbOkCancel | kMbIconWarning, nullptr);
        }
    }
}

TEST_F(ReportTest, AFileThatCannotBeCreatedIsReportedAfterSettingTheExportFolder) {
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
        EXPECT_STREQ(Settings.ExportFolder, fromDialog ? folder.Path("missing-folder").c_str() : "");
        EXPECT_FALSE(std::filesystem::exists(target));
    }
}

TEST_F(ReportTest, AWriteThatFailsAfterOpeningIsReported) {
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {}});
    int window = 0;
    shown->exportChoice = "/dev/full";  // opens, and every write finds the disk full
    EXPECT_EQ(ExportReport(&window), 0);
    ASSERT_EQ(shown->messages.size(), 1u);
    ExpectMessage(shown->messages[0], "Could not write file!", "Error", kMbOk | kMbIconStop, &window);
}
