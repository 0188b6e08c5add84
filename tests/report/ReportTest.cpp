// Exporting the report, from the save dialog and from a command-line run:
// what is written, the question before a file is replaced, the folder the
// next dialog opens in, and the messages of an export that fails. The bytes
// of every format are FormatsTest's.
#include "report/Report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

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
        if (c.written) {
            EXPECT_EQ(ReadFileBytes(c.choice), BuildReport());
        }
        EXPECT_STREQ(Settings.ExportFolder, c.exportFolder.c_str());
        EXPECT_EQ(Messages(), c.messages);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing-folder/out.txt")));
}

// Through the run, which quits after the export, written or not, unless
// the question was answered Cancel; a folder that does not exist stops the
// run at its message.
TEST_F(ReportTest, ACommandLineRunAsksBeforeReplacingAFileAndWritesTheAskedForFormat) {
    const std::string target = folder.Path("cli.txt");
    const std::string question = "Warning: The specified export file \"" + target +
                                 "\" already exists!\n\nOverwrite it? (" +
                                 std::to_string(kMbOkCancel | kMbIconWarning) + ", no owner)\n";
    using enum CommandLineOutcome;
    const struct {
        const char* what;
        const char* songs;
        bool exists;
        int overwrite;
        int answer;
        ExportFormat format;
        int hints;
        std::string path;
        CommandLineOutcome outcome;
        int quits;
        std::string messages;
    } cases[] = {
        {"new file", "empty", false, 0, kIdCancel, ExportFormat::kText, 0, target, kRead, 1, ""},
        {"existing, OK", "empty", true, 0, kIdOk, ExportFormat::kJson, 0, target, kRead, 1, question},
        {"existing, Cancel", "empty", true, 0, kIdCancel, ExportFormat::kText, 0, target, kExportFailed, 0, question},
        {"existing, /o", "empty", true, 1, kIdCancel, ExportFormat::kCsv, 0, target, kRead, 1, ""},
        {"with hints", "empty", false, 0, kIdOk, ExportFormat::kText, 1, target, kRead, 1, ""},
        {"no such folder", "empty", false, 0, kIdOk, ExportFormat::kText, 0, folder.Path("missing-folder/out.txt"),
         kExportFailed, 1, kCannotOpen},
        {"no song folder", "missing", false, 0, kIdOk, ExportFormat::kText, 0, target, kMissingInput, 0,
         "Error: The specified folder \"" + folder.Path("missing") + "\" does not exist! (" + std::to_string(kMbOk | kMbIconStop) + ", no owner)\n"},
    };
    AddSong({"/s/a.xrns"});
    folder.MakeFolder("empty");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        shown = &InstallRecorder();
        shown->messageAnswer = c.answer;
        std::filesystem::remove(target);
        if (c.exists) folder.Write("cli.txt", "previous");
        CommandLine = CommandLineRequest{};
        CommandLine.pending = 1;
        CommandLine.folderText = folder.Path(c.songs);
        CommandLine.exportPath = c.path;
        CommandLine.overwrite = c.overwrite;
        CommandLine.quitAfterExport = 1;
        CommandLine.format = c.format;
        CommandLine.hints = c.hints;
        std::strcpy(Settings.ExportFolder, "/last");
        EXPECT_EQ(RunCommandLine(&window), c.outcome);
        EXPECT_EQ(ReadFileBytes(c.path), c.outcome == kRead ? BuildExportBytes(c.format, c.hints)
                                                            : std::string(c.exists ? "previous" : ""));
        EXPECT_EQ(shown->quitRequests, c.quits);
        EXPECT_STREQ(Settings.ExportFolder, c.quits ? "" : "/last");
        EXPECT_EQ(Messages(), c.messages);
        // No refresh and no tab change after the message.
        EXPECT_EQ(shown->selectedTabs.empty() && shown->statusTexts.empty(), c.outcome == kMissingInput);
        EXPECT_EQ(RunCommandLine(&window), kNothing);  // consumed
    }
}
