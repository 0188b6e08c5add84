// Exporting the report, from the save dialog and from a command-line run:
// what is written, the question before a file is replaced, the folder the
// next dialog opens in, and the messages of an export that fails. The bytes
// of every format are FormatsTest's.
#include "report/Report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "core/CommandLine.h"
#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "harness/Harness.h"
#include "settings/SettingsFile.h"

class ReportTest : public CatalogueTest {
protected:
    // Every message shown, one a line: "CAPTION: TEXT (STYLE, OWNER)".
    std::string Messages() const {
        std::string all;
        for (const ShownMessage& m : shown->messages)
            all += m.caption + ": " + m.text + " (" + std::to_string(m.style) +
                   (m.owner == &window ? ", the window)\n" : m.owner ? ", another owner)\n" : ", no owner)\n");
        return all;
    }
    const std::string kStop = " (" + std::to_string(kMbOk | kMbIconStop) + ", the window)\n";
    const std::string kCannotOpen = "Error: Could not open file for writing!" + kStop;
    TempFolder folder;
    int window = 0;
};

TEST_F(ReportTest, TheDialogsExportWritesTheTextReportAndRemembersItsFolder) {
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"x.dll"}});
    folder.Write("reports/out.txt", std::string(100000, 'o'));  // replaced and cut
    const std::string deep = folder.MakeFolder(std::string(200, 'd') + "/" + std::string(100, 'e'));
    const struct {
        std::string choice;  // empty: the dialog is cancelled
        int written;
        std::string exportFolder;
        std::string messages;
    } cases[] = {
        {folder.Path("reports/out.txt"), 1, folder.Path("reports"), ""},
        // A folder longer than the field is not cut into another folder's name.
        {deep + "/out.txt", 1, "", ""},
        {"", 0, "/kept", ""},
        // The folder is set before the message, as after a success.
        {folder.Path("missing-folder/out.txt"), 0, folder.Path("missing-folder"), kCannotOpen},
        {"/dev/full", 0, "/dev", "Error: Could not write file!" + kStop},  // every write finds the disk full
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        shown = &InstallRecorder();
        shown->exportChoice = c.choice;
        CommandLine.format = ExportFormat::kJson;  // a leftover of no command-line run
        std::strcpy(Settings.ExportFolder, "/kept");
        EXPECT_EQ(ExportReport(&window), c.written);
        if (c.written) { EXPECT_EQ(ReadFileBytes(c.choice), BuildReport()); }
        EXPECT_STREQ(Settings.ExportFolder, c.exportFolder.c_str());
        EXPECT_EQ(Messages(), c.messages);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing-folder/out.txt")));
}

// Through the run, which quits after the export, written or not, unless
// the question was answered Cancel. The runs are rows of
// tests/data/report/command-line-exports.tsv.
TEST_F(ReportTest, ACommandLineRunAsksBeforeReplacingAFileAndWritesTheAskedForFormat) {
    const std::string target = folder.Path("cli.txt");
    const std::string question = "Warning: The specified export file \"" + target +
                                 "\" already exists!\n\nOverwrite it? (" +
                                 std::to_string(kMbOkCancel | kMbIconWarning) + ", no owner)\n";
    const std::map<std::string, std::string> messages = {
        {"-", ""}, {"question", question}, {"cannot open", kCannotOpen},
        {"no folder", "Error: The specified folder \"" + folder.Path("missing") + "\" does not exist! (" +
                          std::to_string(kMbOk | kMbIconStop) + ", no owner)\n"}};
    const char* const outcomes[] = {"nothing", "missing", "read", "failed"};  // in CommandLineOutcome's order
    AddSong({"/s/a.xrns"});
    folder.MakeFolder("empty");
    for (const auto& row : ReadTableRows("report/command-line-exports.tsv")) {
        ASSERT_EQ(row.size(), 11u);
        SCOPED_TRACE(row[0]);
        shown = &InstallRecorder();
        shown->messageAnswer = row[4] == "ok" ? kIdOk : kIdCancel;
        std::filesystem::remove(target);
        if (row[2] == "1") folder.Write("cli.txt", "previous");
        const std::string path = folder.Path(row[7]);
        CommandLine = CommandLineRequest{};
        CommandLine.pending = 1;
        CommandLine.folderText = folder.Path(row[1]);
        CommandLine.exportPath = path;
        CommandLine.overwrite = std::stoi(row[3]);
        CommandLine.quitAfterExport = 1;
        ASSERT_TRUE(ParseExportFormat(row[5].c_str(), &CommandLine.format));
        const ExportFormat format = CommandLine.format;
        const int hints = CommandLine.hints = std::stoi(row[6]), quits = std::stoi(row[9]);
        std::strcpy(Settings.ExportFolder, "/last");
        const CommandLineOutcome outcome = RunCommandLine(&window);
        EXPECT_STREQ(outcomes[static_cast<int>(outcome)], row[8].c_str());
        EXPECT_EQ(ReadFileBytes(path), outcome == CommandLineOutcome::kRead ? BuildExportBytes(format, hints)
                                                                            : std::string(row[2] == "1" ? "previous" : ""));
        EXPECT_EQ(shown->quitRequests, quits);
        EXPECT_STREQ(Settings.ExportFolder, quits ? "" : "/last");
        EXPECT_EQ(Messages(), messages.at(row[10]));
        // No refresh and no tab change after the message.
        EXPECT_EQ(shown->selectedTabs.empty() && shown->statusTexts.empty(), row[8] == "missing");
        EXPECT_EQ(RunCommandLine(&window), CommandLineOutcome::kNothing);  // consumed
        EXPECT_FALSE(CommandLine.folderText || CommandLine.exportPath);
    }
}
