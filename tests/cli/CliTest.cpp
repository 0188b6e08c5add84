// The Linux program as a real process on the bundled example collection:
// options, outputs, exit statuses. (formats_test.py reads the JSON and CSV
// forms back with real parsers.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Process.h"
#include "platform/Files.h"

namespace {

const char kExampleSummary[] =
    "Installed plugins: 13 - Collected plugins: 19 - Missing plugins: 9 - Unused plugins: 3 - Errors: 5\n"
    "1 missing plug-in exists only as a 32-bit library\n"
    "1 missing plug-in has an installed plug-in of a close name (--hints shows it)\n";
const char kEmptySummary[] =
    "Installed VST plugins: n/a - Collected VST plugins: 0 - Missing plugins: n/a - Unused plugins: n/a - Errors: 0\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(SourcePath("examples/collection"), temp.path, std::filesystem::copy_options::recursive);
        env = {"HOME=" + temp.path, "XDG_CONFIG_HOME="};
    }
    // With the test's settings file; "@" at the start of an argument stands
    // for the collection's folder.
    ProcessResult Run(std::vector<std::string> args, const std::string& folder = std::string()) {
        for (std::string& arg : args)
            if (!arg.empty() && arg[0] == '@') arg = temp.Path(arg.substr(1));
        args.insert(args.begin(), {"-c", temp.Path("quorvel.cfg")});
        return RunProcess(CliPath(), args, folder, env);
    }
    ProcessResult Scan() { return Run({"--vst", "@vst", "--wine-prefix", "@wineprefix", "-s", "@songs"}); }
    TempFolder temp;
    std::vector<std::string> env;
};

}  // namespace

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    const auto help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Has(help.out, "Usage: quorvel [OPTION]... [PATH]...") && Has(help.out, "--format=FORMAT"));
    EXPECT_EQ(Run({"-V"}).out, "quorvel " QUORVEL_VERSION "\n");
    const std::vector<std::vector<std::string>> usageErrors = {
        {"--no-such-option"},
        {"-p", "@songs", "@songs"},
        {"--vst", "a", "--vst", "b", "--vst", "c"},
        {"--vst", "a", "--no-vst"},
        {"--repeat=0"},
        {"--format=xml", "@songs"},
    };
    for (const auto& args : usageErrors) {
        const auto result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_TRUE(Has(result.err, "Try 'quorvel --help'.")) << result.err;
        EXPECT_TRUE(result.out.empty()) << args[0];
    }
    EXPECT_TRUE(Has(Run({"--format=XML"}).err, "quorvel: unknown --format 'XML' (accepted: text, json, csv)\n"));
}

TEST_F(CliTest, TheExampleIsScannedReadAndReportedAndTheInventoryIsKept) {
    const auto first = Scan();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.rfind("--- Processed songs and instruments: ---", 0), 0u);
    EXPECT_EQ(first.out.substr(first.out.size() - 4), "\r\n\r\n");
    EXPECT_TRUE(Has(first.out, "\r\n- Waves C4 - Instances used: 1\r\n"));  // registered by the WaveShell
    EXPECT_TRUE(Has(first.out, "\r\n- SuperSaw.dll\r\n"));                  // in the missing section
    EXPECT_TRUE(Has(first.out, "Error: Could not extract \"" + temp.Path("songs/Broken/Not An Archive.xrns") + "\"!"));
    EXPECT_FALSE(Has(first.out, "Hints:"));
    EXPECT_TRUE(first.err.size() >= sizeof kExampleSummary - 1 &&
                first.err.substr(first.err.size() - (sizeof kExampleSummary - 1)) == kExampleSummary)
        << first.err;
    // The next start reads the stored inventory, and the libraries of the
    // other processor kind with it; nothing is scanned again.
    const auto second = Run({"-s", "@songs"});
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(second.err, kExampleSummary);
    // What may explain the missing plug-ins follows the report, when asked for.
    const auto hinted = Run({"-s", "--hints", "@songs"});
    EXPECT_EQ(hinted.out.substr(0, first.out.size()), first.out);
    EXPECT_EQ(hinted.out.substr(first.out.size()),
              "\r\n--- Hints: ---------------------------------------------------------------------\r\n\r\n\r\n\r\n"
              "SuperSaw.dll missing \xE2\x80\x94 did you mean SuperSaw_x64.dll?\r\n"
              "Vintage32.dll missing \xE2\x80\x94 exists only as a 32-bit library: " +
                  temp.Path("vst/x86/Vintage32.dll") + "\r\n\r\n\r\n");
    EXPECT_TRUE(Has(hinted.err, "close name (see the hints)\n"));
}

TEST_F(CliTest, ExitStatuses) {
    Scan();
    temp.Write("report.txt", "keep me");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;  // on standard error
    };
    const Case cases[] = {
        {{"-p", "@nowhere"}, 1, "Error: The specified folder \"" + temp.Path("nowhere") + "\" does not exist!"},
        {{"-f", "@nothing.xrns"}, 1, "Error: The specified file \"" + temp.Path("nothing.xrns") + "\" could not be found!"},
        {{"-e", "@no/such/folder/r.txt", "@songs"}, 1, "Error: Could not open file for writing!"},
        {{"-e", "@report.txt", "@songs"}, 1,
         "Warning: The specified export file \"" + temp.Path("report.txt") + "\" already exists!\n\nOverwrite it?\n"
         "(no terminal to answer: not overwritten)"},
        {{"--fail-on-missing", "-s", "@songs"}, 3, "Missing plugins: 9"},
        {{"--fail-on-missing", "@songs/Sketch.xml"}, 0, "Missing plugins: 0"},
        {{"--fail-on-missing", "@songs", "@nowhere.xrns"}, 1, "could not be found!"},
        {{"--fail-on-missing", "-c", "@other.cfg", "@songs/Sketch.xml"}, 3, "Missing plugins: n/a"},
    };
    for (const Case& c : cases) {
        const auto result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[1] << "\n" << result.err;
        EXPECT_TRUE(Has(result.err, c.message)) << result.err;
    }
    EXPECT_EQ(ReadFileBytes(temp.Path("report.txt")), "keep me");
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

TEST_F(CliTest, PathsFoldersMasksAndSubfolders) {
    // Relative PATHs are taken from the working folder; a file that is no song is an error line.
    const auto paths = Run({"Old School.xrns", "notes.txt", "Collabs"}, temp.Path("songs"));
    EXPECT_EQ(paths.exitCode, 0) << paths.err;
    EXPECT_TRUE(Has(paths.out, "1 - " + temp.Path("songs/Old School.xrns") + "\r\n"));
    EXPECT_TRUE(Has(paths.out, "2 - " + temp.Path("songs/Collabs/Remix.xrns") + "\r\n"));
    EXPECT_TRUE(Has(paths.out, "Error: The specified file \"" + temp.Path("songs/notes.txt") +
                                   "\" is no valid Renoise song or instrument!"));
    const auto masked = Run({"-p", "@songs", "-f", "*.rns", "-s", "-S"});
    EXPECT_TRUE(Has(masked.out, "Classic.rns"));
    EXPECT_FALSE(Has(masked.out, "From The Future.rns"));  // -S wins over -s
    EXPECT_FALSE(Has(masked.out, ".xrns"));
    const auto one = Run({"-f", "Sketch.xml"}, temp.Path("songs"));
    EXPECT_TRUE(Has(one.out, "1 - " + temp.Path("songs/Sketch.xml")));
    EXPECT_FALSE(Has(one.out, "2 - "));
}

TEST_F(CliTest, NothingToReadWritesNoReportQuietIsSilentAndNoVstEmptiesTheInventory) {
    const auto idle = Run({"-e", "@r.txt"});
    EXPECT_EQ(idle.exitCode, 0);
    EXPECT_TRUE(idle.out.empty());
    EXPECT_FALSE(PathExists(temp.Path("r.txt").c_str()));
    EXPECT_EQ(idle.err, kEmptySummary);
    const auto quiet = Run({"-q", "@songs"});
    EXPECT_TRUE(quiet.err.empty());
    EXPECT_FALSE(quiet.out.empty());

    Scan();
    EXPECT_EQ(Run({"--no-vst"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(temp.Path("quorvel.cfg")).size(), 1332u);
    const auto unstorable = RunProcess(CliPath(), {"-c", "/proc/quorvel/quorvel.cfg", "--vst", temp.Path("vst")}, "", env);
    EXPECT_EQ(unstorable.exitCode, 1);
    EXPECT_TRUE(Has(unstorable.err, "Error: Could not open config file for writing!"));
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
