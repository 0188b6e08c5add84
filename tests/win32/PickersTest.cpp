#include "ui/Pickers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win32/Win32Support.h"

namespace {

constexpr int kFileNameField = 0x047C;  // cmb13 of the Explorer-style dialog

// Paths compare without regard to letter case, as the file system does.
std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Types the names into the open dialog and confirms, or cancels it.
DialogDriver TypeInto(const std::string& names) {
    return DialogDriver([names](HWND dialog, int tick) {
        if (tick != 2) return;
        if (names.empty()) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetDlgItemTextA(dialog, kFileNameField, names.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
}

void CollectPath(const char* path, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(path); }

class PickersTest : public ::testing::Test {
protected:
    ScratchFolder songs;
    TestParent owner{100, 100, 600, 400};
    char folder[260] = {};
    void SetUp() override {
        for (const char* name : {"one.xrns", "a song.xrns", "b song.rns", "c song.xrni", "notes.txt"})
            songs.AddFile(name);
        std::strcpy(folder, songs.path.c_str());
    }
    std::string In(const char* name) const { return Lower(songs.path + "\\" + name); }
};

TEST_F(PickersTest, ChosenNamesBecomeFullPathsInFieldOrder) {
    struct Case {
        const char* typed;
        std::vector<const char*> expected;
    };
    const Case cases[] = {
        {"one.xrns", {"one.xrns"}},
        {"\"c song.xrni\" \"a song.xrns\" \"b song.rns\"", {"c song.xrni", "a song.xrns", "b song.rns"}},
        {"\"one.xrns\" \"notes.txt\"", {"one.xrns"}},  // not a song: never handed to the visitor
    };
    for (const Case& c : cases) {
        std::vector<std::string> visited;
        {
            DialogDriver driver = TypeInto(c.typed);
            ASSERT_EQ(PickFiles(owner.window, kSongFilter, kOpenSongsTitle, folder, 1), 1) << c.typed;
            EXPECT_TRUE(driver.otherDialogs.empty()) << c.typed;
        }
        ForEachPickedFile(kSongPattern, CollectPath, &visited);
        ASSERT_EQ(visited.size(), c.expected.size()) << c.typed;
        for (size_t i = 0; i < visited.size(); ++i) EXPECT_EQ(Lower(visited[i]), In(c.expected[i])) << c.typed;
        EXPECT_EQ(Lower(folder), Lower(songs.path)) << c.typed;
        EXPECT_EQ(FirstPickedFile(), nullptr);  // the pick has ended
    }
}

TEST_F(PickersTest, StepwiseIterationHandsOutEveryNameOnce) {
    {
        DialogDriver driver = TypeInto("\"a song.xrns\" \"notes.txt\"");
        ASSERT_EQ(PickFiles(owner.window, kSongFilter, kOpenSongsTitle, folder, 1), 1);
    }
    const char* first = FirstPickedFile();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Lower(first), In("a song.xrns"));
    const char* second = NextPickedFile();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Lower(second), In("notes.txt"));
    EXPECT_EQ(NextPickedFile(), nullptr);
    EXPECT_EQ(NextPickedFile(), nullptr);
    EndPickedFiles();
    EXPECT_EQ(FirstPickedFile(), nullptr);
}

TEST_F(PickersTest, CancelLeavesTheFolderAndPicksNothing) {
    std::strcpy(folder, "C:\\windows");
    {
        DialogDriver driver = TypeInto("");
        EXPECT_EQ(PickFiles(owner.window, kSongFilter, kOpenSongsTitle, folder, 1), 0);
        EXPECT_FALSE(driver.timedOut);
    }
    EXPECT_STREQ(folder, "C:\\windows");
    std::vector<std::string> visited;
    ForEachPickedFile(kSongPattern, CollectPath, &visited);
    EXPECT_TRUE(visited.empty());
}

TEST_F(PickersTest, FolderBrowserKeepsTheBufferOnCancelAndFillsItOnOk) {
    char path[260] = {};
    std::strcpy(path, songs.path.c_str());
    {
        DialogDriver driver([](HWND dialog, int tick) {
            if (tick == 2) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(PickFolder(owner.window, path, "Select a VST folder.", 1), 0);
        EXPECT_FALSE(driver.timedOut);
    }
    EXPECT_EQ(std::string(path), songs.path);
    {
        // Confirming the preselected folder hands it back.
        DialogDriver driver([](HWND dialog, int tick) {
            if (tick == 4) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_NE(PickFolder(owner.window, path, "Select a VST folder.", 1), 0);
        EXPECT_FALSE(driver.timedOut);
    }
    EXPECT_EQ(Lower(path), Lower(songs.path));
}

}  // namespace
