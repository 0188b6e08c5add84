// The Linux program as a real process on the bundled example collection:
// options, outputs, exit statuses. (formats_test.py reads the JSON and CSV
// forms back with real parsers.)
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Process.h"

namespace {

const char kExampleSummary[] =
    "Installed plugins: 13 - Collected plugins: 19 - Missing plugins: 9 - Unused plugins: 3 - Errors: 5\n"
    "1 missing plug-in exists only as a 32-bit library\n"
    "1 missing plug-in has an installed plug-in of a close name (--hints shows it)\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(SourcePath("examples/collection"), temp.path, std::filesystem::copy_options::recursive);
        env = {"HOME=" + temp.path, "XDG_CONFIG_HOME="};
    }
    // "@" in a text of the table stands for the collection's folder.
    std::string Filled(std::string text) const {
        for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, temp.path + "/");
        return Unescape(text);
    }
    // With the test's settings file.
    ProcessResult Run(std::vector<std::string> args, const std::string& folder = std::string()) {
        for (std::string& arg : args) arg = Filled(arg);
        args.insert(args.begin(), {"-c", temp.Path("quorvel.cfg")});
        return RunProcess(CliPath(), args, folder, env);
    }
    ProcessResult Scan() { return Run({"--vst", "@vst", "--wine-prefix", "@wineprefix", "-s", "@songs"}); }
    TempFolder temp;
    std::vector<std::string> env;
};

// The texts between the "|"s (an empty text has none, which checks the same).
std::vector<std::string> Pieces(const std::string& text) {
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, '|');) pieces.push_back(piece);
    return pieces;
}

}  // namespace

// The runs are rows of tests/data/misc/cli-runs.tsv.
TEST_F(CliTest, EveryRunOfTheTableEndsWithItsStatusAndOutputs) {
    EXPECT_EQ(Run({"-V"}).out, "quorvel " QUORVEL_VERSION "\n");
    Scan();
    temp.Write("report.txt", "keep me");
    for (const auto& row : ReadTableRows("misc/cli-runs.tsv")) {
        ASSERT_GE(row.size(), 5u);
        const auto result = Run({row.begin() + 4, row.end()}, temp.Path("songs"));
        SCOPED_TRACE(row[4] + " " + (row.size() > 5 ? row[5] : ""));
        EXPECT_EQ(result.exitCode, std::stoi(row[0])) << result.err;
        for (const auto& [stream, wanted] : {std::pair{&result.err, row[1]}, std::pair{&result.out, row[2]}}) {
            if (wanted == "-") {
                EXPECT_EQ(*stream, "");
                continue;
            }
            size_t at = 0;
            for (const std::string& piece : Pieces(Filled(wanted))) {
                at = stream->find(piece, at);
                ASSERT_NE(at, std::string::npos) << piece << "\n" << *stream;
            }
        }
        for (const std::string& piece : Pieces(Filled(row[3])))
            EXPECT_TRUE(piece.empty() || !Has(result.out, piece)) << piece;
    }
    EXPECT_EQ(ReadFileBytes(temp.Path("report.txt")), "keep me");
}

TEST_F(CliTest, TheExampleIsScannedReadAndReportedAndTheInventoryIsKept) {
    // The report in full, "@" standing for the collection's folder.
    const std::string report = Filled(ReadTestData("misc/example-report.txt"));
    const auto first = Scan();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, report);
    EXPECT_TRUE(first.err.ends_with(kExampleSummary)) << first.err;
    // The next start reads the stored inventory, and the libraries of the
    // other processor kind with it; nothing is scanned again.
    const auto second = Run({"-s", "@songs"});
    EXPECT_EQ(second.out, report);
    EXPECT_EQ(second.err, kExampleSummary);
    // What may explain the missing plug-ins follows the report, when asked for.
    const auto hinted = Run({"-s", "--hints", "@songs"});
    EXPECT_EQ(hinted.out, report + Filled(ReadTestData("misc/example-report.hints")));
    EXPECT_TRUE(Has(hinted.err, "close name (see the hints)\n"));
}

TEST_F(CliTest, TheExportFileHoldsTheSameBytesInEveryFormat) {
    for (const char* format : {"--format=text", "--format=json", "--format=csv", "--hints"}) {
        const auto toStdout = Run({"-s", format, "@songs"});
        const auto written = Run({"-o", "-s", format, "-e", "@report", "@songs"});
        EXPECT_EQ(written.exitCode, 0) << written.err;
        EXPECT_TRUE(written.out.empty());
        EXPECT_EQ(ReadFileBytes(temp.Path("report")), toStdout.out) << format;
    }
}

TEST_F(CliTest, NoVstEmptiesTheStoredInventory) {
    Scan();
    EXPECT_EQ(Run({"--no-vst"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(temp.Path("quorvel.cfg")).size(), 1332u);
}

TEST_F(CliTest, ATerminalShowsTheFilesDoneOfTheFilesFound) {
    Scan();
    const auto shown = RunProcessOnTerminal(
        CliPath(), {"-c", temp.Path("quorvel.cfg"), "-o", "-e", temp.Path("r.txt"), temp.Path("songs")}, env);
    EXPECT_EQ(shown.exitCode, 0) << shown.out;
    // Thirteen song files, subfolders included (notes.txt is none); the last
    // line is cleared before the summary.
    EXPECT_TRUE(Has(shown.out, "\r\033[K[#.......................] 1/13 Ambient Pad.xrni\r")) << shown.out;
    EXPECT_TRUE(Has(shown.out, "\r\033[K[########################] 13/13 Remix.xrns\r\033[KInstalled plugins: 13"))
        << shown.out;
    EXPECT_FALSE(Has(RunProcess(CliPath(), {"-c", temp.Path("quorvel.cfg"), temp.Path("songs")}, "", env).err, "["));
}
