#include "core/CommandLine.h"

#include <gtest/gtest.h>

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

TEST(ParseCommandLine, KeepsTheRulesAndQuirksOfTheSwitchSyntax) {
    struct Case {
        const char* text;
        const char* request;
        const char* why;
    } cases[] = {
        {"/p:C:\\Songs\\ /s+ /e:C:\\report.txt /o /q", "1 [C:\\Songs] - [C:\\report.txt] s1 o1 q1 t0", "the full example"},
        {"/p:x /s+ /s-", "1 [x] - - s0 o0 q0 t0", "both subfolder switches: off wins"},
        {"/p:C:\\Songs /o /q", "1 [C:\\Songs] - - s2 o0 q0 t0", "/o and /q mean nothing without /e:"},
        {"/p:C:\\Songs/e:x.txt", "1 [C:\\Song] - [x.txt] s2 o0 q0 t0", "a switch against the next loses a character"},
        {"/e:C:\\r.txt /q", "0 - - [C:\\r.txt] s2 o0 q1 t0", "/e: alone is not pending"},
        {"/P:C:\\One /p:C:\\Two /F:a.xrns", "1 [C:\\One] [a.xrns] - s2 o0 q0 t0", "any case; the first occurrence"},
        {"/p: \\\\  ", "1 [] - - s2 o0 q0 t0", "blanks and backslashes only: empty but pending"},
        {"/p:/e:r.txt", "1 [] - [r.txt] s2 o0 q0 t0", "a switch followed at once by the next"},
        {"/f:\"My Song.xrns\" ", "1 - [\"My Song.xrns\"] - s2 o0 q0 t0", "quotation marks stay"},
        {"/f:\\a\\ /e:out.txt", "1 - [\\a\\] [out.txt] s2 o0 q0 t0", "/f: keeps its backslashes; a file is pending"},
        {"/p:x /e:r.json /T:JSON", "1 [x] - [r.json] s2 o0 q0 t1", "/t: picks the format, in any case"},
        {"/p:x /e:r.csv /t:csv /t:json", "1 [x] - [r.csv] s2 o0 q0 t2", "the first /t: counts"},
        {"/p:x /e:r.txt /t:xml", "1 [x] - [r.txt] s2 o0 q0 t0", "an unknown format writes text"},
        {"/p:x /t:json", "1 [x] - - s2 o0 q0 t0", "/t: means nothing without /e:"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parsed(c.text), c.request) << c.why;
}

TEST(ParseCommandLine, DiscardConsumesTheRequest) {
    ParseCommandLine("/p:C:\\Songs /e:r.txt");
    EXPECT_EQ(CommandLine.pending, 1);
    DiscardCommandLine();
    EXPECT_EQ(CommandLine.pending, 0);
    EXPECT_FALSE(CommandLine.folderText || CommandLine.exportPath);
    CommandLine = CommandLineRequest{};
}
