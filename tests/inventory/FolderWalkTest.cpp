#include "inventory/FolderWalk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {

struct Visit {
    std::string path;
    std::string currentFolder;
};

void Collect(const char* path, void* context) {
    std::string here;
    GetCurrentFolder(here);
    static_cast<std::vector<Visit>*>(context)->push_back(Visit{path, here});
}

std::vector<std::string> Walk(const std::string& folder, const char* pattern, int recurse,
                              const std::string& root) {
    std::vector<Visit> visits;
    WalkFolder(folder.c_str(), pattern, recurse, Collect, &visits);
    std::vector<std::string> relative;
    for (const Visit& v : visits) {
        EXPECT_TRUE(std::filesystem::equivalent(PathFolder(v.path.c_str()), v.currentFolder))
            << "the visitor runs in the file's folder: " << v.path;
        relative.push_back(v.path.substr(root.size() + 1));
    }
    return relative;
}

class FolderWalkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(GetCurrentFolder(startFolder)); }
    void TearDown() override {
        std::string now;
        GetCurrentFolder(now);
        EXPECT_EQ(now, startFolder) << "the walk restores the current folder";
        SetCurrentFolder(startFolder.c_str());
    }
    std::string startFolder;
    TempFolder temp;
};

}  // namespace

TEST_F(FolderWalkTest, VisitsFilesBeforeSubfoldersDepthFirstInNameOrderAndOnlyFiles) {
    for (const char* file : {"b.xrns", "A.xrns", "notes.txt", "sub2/c.xrns", "sub1/inner/d.XRNS", "sub1/e.rns",
                             "sub1/.hidden.xml", "z.xrni", "x.xrns/real.xrns"})
        temp.Write(file, "x");
    ASSERT_EQ(mkfifo(temp.Path("pipe.xrns").c_str(), 0600), 0);  // neither a pipe nor a matching folder is visited
    EXPECT_EQ(Walk(temp.path, "*.xrns;*.xml;*.rns;*.xrni", 1, temp.path),
              (std::vector<std::string>{"A.xrns", "b.xrns", "z.xrni", "sub1/.hidden.xml", "sub1/e.rns",
                                        "sub1/inner/d.XRNS", "sub2/c.xrns", "x.xrns/real.xrns"}));
    EXPECT_EQ(Walk(temp.path, "*.xrns", 0, temp.path), (std::vector<std::string>{"A.xrns", "b.xrns"}));
}

TEST_F(FolderWalkTest, AFolderThatCannotBeEnteredWalksTheCurrentFolder) {
    temp.Write("here.xrns", "x");
    ASSERT_TRUE(SetCurrentFolder(temp.path.c_str()));
    EXPECT_EQ(Walk("", "here.xrns", 0, temp.path), std::vector<std::string>{"here.xrns"});
    EXPECT_EQ(Walk(temp.Path("no-such-folder"), "*.xrns", 0, temp.path), std::vector<std::string>{"here.xrns"});
    SetCurrentFolder(startFolder.c_str());
}

TEST_F(FolderWalkTest, ALinkBackIntoTheWalkPathIsNotEnteredAgain) {
    temp.Write("a/song.xrns", "x");
    temp.Write("a/b/deeper.xrns", "x");
    std::filesystem::create_directory_symlink(temp.Path("a"), temp.Path("a/b/loop"));
    std::filesystem::create_directory_symlink(temp.Path("a/b"), temp.Path("side"));
    const auto visits = Walk(temp.path, "*.xrns", 1, temp.path);
    // Under a/b the link back to a is on the walk's path and is not entered.
    // "side" reaches a/b from outside that path, so it is walked, and through
    // it a once more, whose b is then side itself and is not entered again.
    EXPECT_EQ(visits, (std::vector<std::string>{"a/song.xrns", "a/b/deeper.xrns", "side/deeper.xrns",
                                                "side/loop/song.xrns"}));
}

TEST_F(FolderWalkTest, AfterALinkedFolderTheWalkReturnsToItsOwnParent) {
    const std::string elsewhere = temp.MakeFolder("elsewhere/deep");
    temp.Write("elsewhere/deep/x.xrns", "x");
    temp.Write("root/1link/placeholder", "");
    std::filesystem::remove(temp.Path("root/1link/placeholder"));
    std::filesystem::remove(temp.Path("root/1link"));
    std::filesystem::create_directory_symlink(elsewhere, temp.Path("root/1link"));
    temp.Write("root/2next/y.xrns", "x");
    const auto visits = Walk(temp.Path("root"), "*.xrns", 1, temp.Path("root"));
    EXPECT_EQ(visits, (std::vector<std::string>{"1link/x.xrns", "2next/y.xrns"}));
}
