#include "platform/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

TEST(CompareNames, SortsOneAlphabetRegardlessOfCase) {
    std::vector<std::string> names = {"gamma.dll", "Beta.dll", "alpha.dll", "BETA2.dll"};
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.dll", "Beta.dll", "BETA2.dll", "gamma.dll"}));
}

TEST(MatchMaskList, FollowsTheMaskRules) {
    struct Case {
        const char* name;
        const char* masks;
        bool matches;
    } cases[] = {
        {"Song.XRNS", "*.xrns;*.xml;*.rns;*.xrni", true},
        {"a.xml", "*.xrns;*.xml;*.rns;*.xrni", true},
        {"a.xrns.bak", "*.xrns;*.xml;*.rns;*.xrni", false},
        {"a.xrni", "*.xrns;  *.xrni", true},           // blanks in front of a mask are skipped
        {"a.xrni", "*.xrns;*.xrni  ", false},          // trailing blanks belong to the mask
        {"Demo.xrns", "Demo.xrns", true},              // a file name as its own pattern
        {"demo.XRNS", "Demo.xrns", true},
        {"a;b.xrns", "a;b.xrns", false},               // a name with ";" never matches itself
        {"x.dll", "?.dll", true},
        {"xy.dll", "?.dll", false},
        {".dll", "*.dll", true},                       // "*" matches an empty run
        {"abc", "a*b*c", true},
        {"abcb", "a*b", true},
        {"abcbd", "a*b", false},
        {"/songs/x.rns", "*.rns", true},               // a whole path against a mask
        {"anything", "", false},
        {"", "*", true},
        {"", "", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case& c : cases) {
        KeepSeed("mask", std::string(c.name) + '\0' + c.masks);
        EXPECT_EQ(MatchMaskList(c.name, c.masks), c.matches) << c.name << " ~ " << c.masks;
    }
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
