// The Linux program as a real process on real folders: options, outputs,
// exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Process.h"
#include "platform/Files.h"
#include "support/ExampleCollection.h"
#include "support/SongXmlWriter.h"

namespace {

const char kExampleSummary[] =
    "Installed plugins: 12 - Collected plugins: 18 - Missing plugins: 8 - Unused plugins: 2 - Errors: 5\n";

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        ASSERT_TRUE(WriteExampleCollection(temp.path, &reason)) << reason;
        env = {"HOME=" + temp.path, "XDG_CONFIG_HOME="};
    }
    ProcessResult Run(std::vector<std::string> args, const std::string& folder = std::string()) {
        return RunProcess(CliPath(), args, folder, env);
    }
    std::string Config() const { return temp.Path("quorvel.cfg"); }
    ProcessResult Scan() {
        return Run({"-c", Config(), "--vst", temp.Path("vst"), "--wine-prefix", temp.Path("wineprefix"), "-s",
                    temp.Path("songs")});
    }
    TempFolder temp;
    std::vector<std::string> env;
};

std::string LastLine(const std::string& text) {
    const size_t end = text.size() > 0 ? text.rfind('\n', text.size() - 2) : std::string::npos;
    return end == std::string::npos ? text : text.substr(end + 1);
}

}  // namespace

TEST_F(CliTest, HelpAndVersionExitZero) {
    const auto help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: quorvel [OPTION]... [PATH]..."), std::string::npos);
    const auto version = Run({"-V"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quorvel " QUORVEL_VERSION "\n");
}

TEST_F(CliTest, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--no-such-option"},
             {"-p", temp.Path("songs"), temp.Path("songs")},
             {"--vst", "a", "--vst", "b", "--vst", "c"},
             {"--vst", "a", "--no-vst"},
         }) {
        const auto result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_NE(result.err.find("quorvel --help"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
}

TEST_F(CliTest, TheExampleIsScannedReadAndReportedAndTheInventoryIsKept) {
    const auto first = Scan();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.rfind("--- Processed songs and instruments: ---", 0), 0u);
    EXPECT_EQ(first.out.substr(first.out.size() - 4), "\r\n\r\n");
    EXPECT_NE(first.out.find("\r\n- Waves C4 - Instances used: 1\r\n"), std::string::npos);
    EXPECT_NE(first.out.find("\r\n- SuperSaw.dll\r\n"), std::string::npos);  // in the missing section
    EXPECT_NE(first.out.find("Error: Could not extract \"" + temp.Path("songs/Broken/Not An Archive.xrns") + "\"!"),
              std::string::npos);
    EXPECT_EQ(LastLine(first.err), kExampleSummary);
    EXPECT_EQ(ReadFileBytes(Config()).size() > 1332, true);

    // The next start reads the stored inventory; nothing is scanned again.
    const auto second = Run({"-c", Config(), "-s", temp.Path("songs")});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(LastLine(second.err), kExampleSummary);
}

TEST_F(CliTest, TheExportFileHoldsTheSameBytesAndIsReplacedOnlyWhenAllowed) {
    const auto toStdout = Scan();
    const std::string report = temp.Path("report.txt");
    const auto written = Run({"-c", Config(), "-s", "-e", report, temp.Path("songs")});
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_TRUE(written.out.empty());
    EXPECT_EQ(ReadFileBytes(report), toStdout.out);

    temp.Write("report.txt", "keep me");
    const auto refused = Run({"-c", Config(), "-e", report, temp.Path("songs")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Warning: The specified export file \"" + report + "\" already exists!\n\nOverwrite it?"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(report), "keep me");

    const auto replaced = Run({"-c", Config(), "-o", "-s", "-e", report, temp.Path("songs")});
    EXPECT_EQ(replaced.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(report), toStdout.out);

    const auto unwritable = Run({"-c", Config(), "-e", temp.Path("no/such/folder/r.txt"), temp.Path("songs")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("Error: Could not open file for writing!"), std::string::npos);
}

TEST_F(CliTest, MissingFoldersAndFilesExitOne) {
    const auto folder = Run({"-c", Config(), "-p", temp.Path("nowhere")});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("Error: The specified folder \"" + temp.Path("nowhere") + "\" does not exist!"),
              std::string::npos);
    EXPECT_TRUE(folder.out.empty());
    const auto file = Run({"-c", Config(), "-f", temp.Path("nothing.xrns")});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_NE(file.err.find("Error: The specified file \"" + temp.Path("nothing.xrns") + "\" could not be found!"),
              std::string::npos);
}

TEST_F(CliTest, PathsAreReadLikeDroppedFilesAndFolders) {
    // Relative PATHs are taken from the working folder; a file that is no song is an error line.
    const auto result = Run({"-c", Config(), "Old School.xrns", "notes.txt", "Collabs"}, temp.Path("songs"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("1 - " + temp.Path("songs/Old School.xrns") + "\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("2 - " + temp.Path("songs/Collabs/Remix.xrns") + "\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("Error: The specified file \"" + temp.Path("songs/notes.txt") +
                              "\" is no valid Renoise song or instrument!"),
              std::string::npos);
}

TEST_F(CliTest, FolderFileAndSubfolderOptions) {
    const auto masked = Run({"-c", Config(), "-p", temp.Path("songs"), "-f", "*.rns", "-s", "-S"});
    EXPECT_EQ(masked.exitCode, 0);
    EXPECT_NE(masked.out.find("Classic.rns"), std::string::npos);
    EXPECT_EQ(masked.out.find("From The Future.rns"), std::string::npos);  // -S wins over -s
    EXPECT_EQ(masked.out.find(".xrns"), std::string::npos);
    const auto one = Run({"-c", Config(), "-f", "Sketch.xml"}, temp.Path("songs"));
    EXPECT_NE(one.out.find("1 - " + temp.Path("songs/Sketch.xml")), std::string::npos);
    EXPECT_EQ(one.out.find("2 - "), std::string::npos);
}

TEST_F(CliTest, NothingToReadWritesNoReportAndQuietIsSilent) {
    const auto idle = Run({"-c", Config(), "-e", temp.Path("r.txt")});
    EXPECT_EQ(idle.exitCode, 0);
    EXPECT_TRUE(idle.out.empty());
    EXPECT_FALSE(PathExists(temp.Path("r.txt").c_str()));
    EXPECT_EQ(idle.err,
              "Installed VST plugins: n/a - Collected VST plugins: 0 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 0\n");
    const auto quiet = Run({"-c", Config(), "-q", temp.Path("songs")});
    EXPECT_TRUE(quiet.err.empty());
    EXPECT_FALSE(quiet.out.empty());
}

TEST_F(CliTest, NoVstEmptiesTheStoredInventory) {
    Scan();
    const auto cleared = Run({"-c", Config(), "--no-vst"});
    EXPECT_EQ(cleared.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(Config()).size(), 1332u);
    const auto unstorable = Run({"-c", "/proc/quorvel/quorvel.cfg", "--vst", temp.Path("vst")});
    EXPECT_EQ(unstorable.exitCode, 1);
    EXPECT_NE(unstorable.err.find("Error: Could not open config file for writing!"), std::string::npos);
}
