#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/Harness.h"
#include "harness/Seeds.h"

// Each row of text.tsv: a function, its arguments and what it gives.
TEST(Text, NamesAndPathsAsTheTableSays) {
    for (auto row : ReadTableRows("inventory/text.tsv")) {
        row.resize(4);
        const std::string& function = row[0];
        const char *a = row[1].c_str(), *b = row[2].c_str();
        std::string got = row[1];
        if (function == "compare") got = std::to_string((CompareNames(a, b) > 0) - (CompareNames(a, b) < 0));
        else if (function == "find") got = FindTextNoCase(a, b) ? FindTextNoCase(a, b) : "<none>";
        else if (function == "trim") TrimChars(got, b);
        else if (function == "join") got = PathJoin(a, b);
        else if (function == "name") got = PathFileName(a);
        else if (function == "folder") got = PathFolder(a);
        else if (function == "trim-in-place") TrimCharsInPlace(got.data(), b);
        else ADD_FAILURE() << "unknown function " << function;
        EXPECT_EQ(std::string(got.c_str()), row[3]) << function << " '" << row[1] << "' '" << row[2] << "'";
    }
}

// The cases are rows of tests/data/misc/masks.tsv: name, mask list, 1 if it matches.
TEST(MatchMaskList, FollowsTheMaskRules) {
    for (const auto& row : ReadTableRows("misc/masks.tsv")) {
        ASSERT_GE(row.size(), 3u);
        KeepSeed("mask", row[0] + '\0' + row[1]);
        EXPECT_EQ(MatchMaskList(row[0].c_str(), row[1].c_str()), row[2] == "1") << row[0] << " ~ " << row[1];
    }
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
