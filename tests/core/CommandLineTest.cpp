#include "core/CommandLine.h"

#include <gtest/gtest.h>

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
    for (const auto& row : ReadTableRows("misc/command-lines.tsv")) {
        ASSERT_EQ(row.size(), 3u);
        EXPECT_EQ(Parsed(row[0].c_str()), row[1]) << row[2];
    }
}
