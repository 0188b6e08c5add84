#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "harness/Harness.h"
#include "harness/Seeds.h"

namespace {

// The request as one line: pending, folder, file, export, subfolder mode,
// overwrite, quit, format ("-" for an absent text).
std::string Parsed(const char* text) {
    KeepSeed("cmdline", text);
    CommandLineRequest r;
    ParseCommandLineInto(text, r);
    const auto shown = [](const std::optional<std::string>& value) { return value ? "[" + *value + "]" : "-"; };
    return std::to_string(r.pending) + " " + shown(r.folderText) + " " + shown(r.fileText) + " " +
           shown(r.exportPath) + " s" + std::to_string(r.subfolderMode) + " o" + std::to_string(r.overwrite) + " q" +
           std::to_string(r.quitAfterExport) + " t" + std::to_string(static_cast<int>(r.format));
}

}  // namespace

// The cases are rows of tests/data/misc/command-lines.tsv: switch text, request, why.
TEST(ParseCommandLine, KeepsTheRulesAndQuirksOfTheSwitchSyntax) {
    std::istringstream rows(ReadFileBytes(SourcePath("tests/data/misc/command-lines.tsv")));
    int cases = 0;
    for (std::string line; std::getline(rows, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab1 = line.find('\t');
        const size_t tab2 = line.find('\t', tab1 + 1);
        const std::string request = line.substr(tab1 + 1, tab2 - tab1 - 1);
        EXPECT_EQ(Parsed(line.substr(0, tab1).c_str()), request) << line.substr(tab2 + 1);
        ++cases;
    }
    EXPECT_EQ(cases, 14);
}

TEST(ParseCommandLine, DiscardConsumesTheRequest) {
    ParseCommandLine("/p:C:\\Songs /e:r.txt");
    EXPECT_EQ(CommandLine.pending, 1);
    DiscardCommandLine();
    EXPECT_EQ(CommandLine.pending, 0);
    EXPECT_FALSE(CommandLine.folderText || CommandLine.exportPath);
    CommandLine = CommandLineRequest{};
}
