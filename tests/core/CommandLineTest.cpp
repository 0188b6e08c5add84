#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include "harness/Seeds.h"

namespace {

CommandLineRequest Parse(const char* text) {
    KeepSeed("cmdline", text);
    CommandLineRequest request;
    ParseCommandLineInto(text, request);
    return request;
}

}  // namespace

TEST(ParseCommandLine, ReadsTheFullExample) {
    const auto r = Parse("/p:C:\\Songs\\ /s+ /e:C:\\report.txt /o /q");
    EXPECT_EQ(r.folderText, "C:\\Songs");
    EXPECT_FALSE(r.fileText);
    EXPECT_EQ(r.exportPath, "C:\\report.txt");
    EXPECT_EQ(r.subfolderMode, 1);
    EXPECT_EQ(r.overwrite, 1);
    EXPECT_EQ(r.quitAfterExport, 1);
    EXPECT_EQ(r.pending, 1);
}

TEST(ParseCommandLine, KeepsTheQuirksOfTheSwitchSyntax) {
    // Both subfolder switches: off wins.
    EXPECT_EQ(Parse("/p:x /s+ /s-").subfolderMode, 0);
    EXPECT_EQ(Parse("/p:x").subfolderMode, 2);
    // /o and /q mean nothing without /e:.
    const auto noExport = Parse("/p:C:\\Songs /o /q");
    EXPECT_EQ(noExport.overwrite, 0);
    EXPECT_EQ(noExport.quitAfterExport, 0);
    // A switch written against the next one loses its last character.
    EXPECT_EQ(Parse("/p:C:\\Songs/e:x.txt").folderText, "C:\\Song");
    EXPECT_EQ(Parse("/p:C:\\Songs/e:x.txt").exportPath, "x.txt");
    // /e: alone is not pending.
    const auto exportOnly = Parse("/e:C:\\r.txt /q");
    EXPECT_EQ(exportOnly.pending, 0);
    EXPECT_EQ(exportOnly.quitAfterExport, 1);
    // Any letter case; the first occurrence counts.
    const auto upper = Parse("/P:C:\\One /p:C:\\Two /F:a.xrns");
    EXPECT_EQ(upper.folderText, "C:\\One");
    EXPECT_EQ(upper.fileText, "a.xrns");
    // Blanks and backslashes only: an empty folder that is still pending.
    const auto empty = Parse("/p: \\\\  ");
    EXPECT_EQ(empty.folderText, "");
    EXPECT_EQ(empty.pending, 1);
    // A switch followed at once by the next: empty value, no underflow.
    EXPECT_EQ(Parse("/p:/e:r.txt").folderText, "");
    // Quotation marks stay; /f: keeps its backslashes.
    EXPECT_EQ(Parse("/f:\"My Song.xrns\" ").fileText, "\"My Song.xrns\"");
    EXPECT_EQ(Parse("/f:\\a\\ ").fileText, "\\a\\");
}

TEST(ParseCommandLine, AFileAloneIsPending) {
    const auto r = Parse("/f:Demo.xrns /e:out.txt");
    EXPECT_EQ(r.pending, 1);
    EXPECT_FALSE(r.folderText);
    EXPECT_EQ(r.fileText, "Demo.xrns");
    EXPECT_EQ(r.overwrite, 0);
}

TEST(ParseCommandLine, DiscardConsumesTheRequest) {
    ParseCommandLine("/p:C:\\Songs /e:r.txt");
    EXPECT_EQ(CommandLine.pending, 1);
    DiscardCommandLine();
    EXPECT_EQ(CommandLine.pending, 0);
    EXPECT_FALSE(CommandLine.folderText);
    EXPECT_FALSE(CommandLine.exportPath);
    CommandLine = CommandLineRequest{};
}
