#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/Harness.h"
#include "harness/Seeds.h"

TEST(CompareNames, FoldsAsciiAndOrdersBytesUnsignedWithPrefixFirst) {
    EXPECT_EQ(CompareNames("Delay.dll", "DELAY.DLL"), 0);
    EXPECT_LT(CompareNames("alpha.dll", "Beta.dll"), 0);
    EXPECT_GT(CompareNames("gamma.dll", "Beta.dll"), 0);
    EXPECT_LT(CompareNames("Delay", "Delay.dll"), 0);  // a proper prefix first
    EXPECT_GT(CompareNames("\xC3\xA9", "z"), 0);         // high bytes above ASCII, unsigned
    EXPECT_NE(CompareNames("\xC3\xA9", "\xC3\x89"), 0);  // only ASCII letters fold
    EXPECT_LT(CompareNames("_x", "a"), 0);               // '_' (0x5F) before folded 'a', after 'Z'
}

// The cases are rows of tests/data/misc/masks.tsv: name, mask list, 1 if it matches.
TEST(MatchMaskList, FollowsTheMaskRules) {
    const auto rows = ReadTableRows("tests/data/misc/masks.tsv");
    for (const auto& row : rows) {
        ASSERT_GE(row.size(), 3u);
        KeepSeed("mask", row[0] + '\0' + row[1]);
        EXPECT_EQ(MatchMaskList(row[0].c_str(), row[1].c_str()), row[2] == "1") << row[0] << " ~ " << row[1];
    }
    EXPECT_EQ(rows.size(), 19u);
}

TEST(FindTextNoCase, FindsAnywhereIgnoringAsciiCase) {
    const char* text = "C:\\Plugins\\My-WAVESHELL-VST.dll";
    EXPECT_EQ(FindTextNoCase(text, "WaveShell"), text + 14);
    EXPECT_STREQ(FindTextNoCase("Vst: waves L1", "WAVES"), "waves L1");
    EXPECT_EQ(FindTextNoCase("Delay", "Waves"), nullptr);
    EXPECT_EQ(FindTextNoCase("Wave", "Waves"), nullptr);
    EXPECT_STREQ(FindTextNoCase("abc", ""), "abc");
}

TEST(TrimChars, RemovesGivenCharactersAtBothEndsOnly) {
    std::string folder = " \\C:\\Songs\\ \\";
    TrimChars(folder, "\\ ");
    EXPECT_EQ(folder, "C:\\Songs");
    std::string blanks = "   ";
    TrimChars(blanks, " ");
    EXPECT_EQ(blanks, "");
    char names[] = "\" a b \"";
    TrimCharsInPlace(names, " \"");
    EXPECT_STREQ(names, "a b");
}

TEST(Paths, JoinAndSplitWithOneSeparator) {
    EXPECT_EQ(PathJoin("/songs", "a.xrns"), "/songs/a.xrns");
    EXPECT_EQ(PathJoin("/songs/", "a.xrns"), "/songs/a.xrns");
    EXPECT_EQ(PathJoin("", "a.xrns"), "a.xrns");
    EXPECT_EQ(PathJoin("/songs", "/other/a.xrns"), "/other/a.xrns");
    EXPECT_STREQ(PathFileName("/songs/sub/a.xrns"), "a.xrns");
    EXPECT_STREQ(PathFileName("a.xrns"), "a.xrns");
    EXPECT_EQ(PathFolder("/songs/sub/a.xrns"), "/songs/sub");
    EXPECT_EQ(PathFolder("a.xrns"), "");
    EXPECT_EQ(PathFolder("/a.dll"), "/");
}

TEST(TextFormat, FormatsTextsOfAnyLength) {
    const std::string path(5000, 'x');
    const std::string line = TextFormat("Error: Could not extract \"%s\"!", path.c_str());
    EXPECT_EQ(line.size(), path.size() + 28);
    EXPECT_EQ(TextFormat("%d - %s", -1, "a"), "-1 - a");
    char small[5];
    CopyTextBounded(small, sizeof small, "abcdefgh");
    EXPECT_STREQ(small, "abcd");
}
