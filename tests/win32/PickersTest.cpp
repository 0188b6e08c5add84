#include "ui/Pickers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "win32/Win32Support.h"

// Paths compare without regard to letter case, as the file system does.
static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

static void CollectPath(const char* path, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(Lower(path));
}

class PickersTest : public ::testing::Test {
protected:
    ScratchFolder songs;
    TestParent owner{100, 100, 600, 400};
    char folder[260] = {};
    void SetUp() override {
        for (const char* name : {"one.xrns", "a song.xrns", "b song.rns", "c song.xrni", "notes.txt"})
            WriteTextFile(songs.In(name), "x");
        std::strcpy(folder, songs.path.c_str());
    }
    // The open dialog with the names typed and confirmed (none: cancelled).
    int Pick(const std::string& names) {
        Script script;
        script.WaitUntil([&] { return script.Dialog() != nullptr; }).Pause(1).Do([&] {
            SetDlgItemTextA(script.Dialog(), kFileNameField, names.c_str());
            PostMessageA(script.Dialog(), WM_COMMAND, names.empty() ? IDCANCEL : IDOK, 0);
        });
        int picked = -1;
        RunScript(script, [&] { picked = PickFiles(owner.window, kSongFilter, kOpenSongsTitle, folder, 1); });
        EXPECT_TRUE(script.boxes.empty());
        return picked;
    }
    // The folder browser, confirmed or cancelled.
    int Browse(char* path, WPARAM answer) {
        Script script;
        script.WaitUntil([&] { return script.Dialog() != nullptr; }).Pause(3).Do([&] {
            PostMessageA(script.Dialog(), WM_COMMAND, answer, 0);
        });
        int chosen = -1;
        RunScript(script, [&] { chosen = PickFolder(owner.window, path, "Select a VST folder.", 1); });
        return chosen;
    }
};

TEST_F(PickersTest, ChosenNamesBecomeFullPathsInFieldOrder) {
    const struct {
        const char* typed;
        std::vector<std::string> expected;
    } cases[] = {
        {"one.xrns", {"one.xrns"}},
        {"\"c song.xrni\" \"a song.xrns\" \"b song.rns\"", {"c song.xrni", "a song.xrns", "b song.rns"}},
        {"\"one.xrns\" \"notes.txt\"", {"one.xrns"}},  // not a song: never handed to the visitor
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_EQ(Pick(c.typed), 1);
        std::vector<std::string> visited, expected;
        ForEachPickedFile(kSongPattern, CollectPath, &visited);
        for (const std::string& name : c.expected) expected.push_back(Lower(songs.In(name)));
        EXPECT_EQ(visited, expected);
        EXPECT_EQ(Lower(folder), Lower(songs.path));
        EXPECT_EQ(FirstPickedFile(), nullptr);  // the pick has ended
    }
}

TEST_F(PickersTest, CancelLeavesTheFoldersAndPicksNothing) {
    std::strcpy(folder, "C:\\windows");
    EXPECT_EQ(Pick(""), 0);
    EXPECT_STREQ(folder, "C:\\windows");
    std::vector<std::string> visited;
    ForEachPickedFile(kSongPattern, CollectPath, &visited);
    EXPECT_TRUE(visited.empty());

    char path[260] = {};
    std::strcpy(path, songs.path.c_str());
    EXPECT_EQ(Browse(path, IDCANCEL), 0);
    EXPECT_EQ(std::string(path), songs.path);
    // Confirming the preselected folder hands it back.
    EXPECT_NE(Browse(path, IDOK), 0);
    EXPECT_EQ(Lower(path), Lower(songs.path));
}
