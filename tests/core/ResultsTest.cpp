#include "core/Results.h"

#include <gtest/gtest.h>

#include "harness/Harness.h"

namespace {

// Records references the way the readers do: used, the song's own set, and
// missing when the inventory lacks the name.
void Reference(SongEntry& song, const char* name) {
    PluginSetAdd(UsedPlugins, name, nullptr);
    PluginSetAdd(*song.plugins, name, nullptr);
    if (IsNotInstalled(name)) PluginSetAdd(MissingPlugins, name, nullptr);
}

void Install(int n) {
    for (int i = 0; i < n; ++i) PluginSetAdd(InstalledPlugins, ("p" + std::to_string(i) + ".dll").c_str(), "/vst");
}

}  // namespace

class ResultsTest : public CatalogueTest {};

TEST_F(ResultsTest, SongRowsTakeOrdinalsThatRestartAfterClearing) {
    auto first = NewSongEntry("/a.xrns");
    auto second = NewSongEntry("/b.xrns");
    EXPECT_EQ(first->ordinal, 1u);
    EXPECT_EQ(second->ordinal, 2u);
    auto shell = NewSongEntry(nullptr);
    EXPECT_EQ(shell->ordinal, 0u);
    EXPECT_EQ(shell->plugins, nullptr);
    EXPECT_EQ(SongCounter, 2u);
    AppendSongRows(std::move(first));
    ClearSongList();
    EXPECT_EQ(SongCounter, 0u);
    EXPECT_EQ(NewSongEntry("/c.xrns")->ordinal, 1u);
}

TEST_F(ResultsTest, AppendSongRowsAddsOnePluginRowPerMemberInSetOrderWithMissingMarks) {
    Install(2);  // p0.dll, p1.dll
    auto song = NewSongEntry("/songs/demo.xrns");
    Reference(*song, "p1.dll");
    Reference(*song, "Zeta.dll");
    Reference(*song, "P1.DLL");
    Reference(*song, "alpha.dll");
    AppendSongRows(std::move(song));
    ASSERT_EQ(SongList.size(), 4u);
    EXPECT_EQ(SongList[0]->plugin, nullptr);
    ASSERT_NE(SongList[1]->plugin, nullptr);
    EXPECT_EQ(SongList[1]->plugin->name, "alpha.dll");
    EXPECT_EQ(SongList[1]->missing, 1u);
    EXPECT_EQ(SongList[2]->plugin->name, "p1.dll");
    EXPECT_EQ(SongList[2]->plugin->count, 2u);
    EXPECT_EQ(SongList[2]->missing, 0u);
    EXPECT_EQ(SongList[3]->plugin->name, "Zeta.dll");
    EXPECT_EQ(SongList[3]->missing, 1u);
    EXPECT_EQ(shown->appendedRows.size(), 4u);
    EXPECT_EQ(shown->appendedRows.back(), std::make_pair(kTabSongs, size_t{3}));
}

TEST_F(ResultsTest, SongWithoutPluginsIsOneRow) {
    AppendSongRows(NewSongEntry("/quiet.xrns"));
    EXPECT_EQ(SongList.size(), 1u);
}

TEST_F(ResultsTest, TwoSongsWithOnePluginEachKeepTheirOwnCounts) {
    auto a = NewSongEntry("/a.xrns");
    for (int i = 0; i < 3; ++i) Reference(*a, "Delay.dll");
    auto b = NewSongEntry("/b.xrns");
    for (int i = 0; i < 2; ++i) Reference(*b, "delay.dll");
    AppendSongRows(std::move(a));
    AppendSongRows(std::move(b));
    EXPECT_EQ(SongList[1]->plugin->count, 3u);
    EXPECT_EQ(SongList[3]->plugin->count, 2u);
    EXPECT_EQ(PluginSetFind(UsedPlugins, "DELAY.DLL")->count, 5u);
    EXPECT_EQ(PluginSetFind(MissingPlugins, "Delay.dll")->count, 5u);
}

TEST_F(ResultsTest, StatusLineUsesTheFirstFormatWithAnInventory) {
    Install(10);
    auto song = NewSongEntry("/s.xrns");
    for (const char* name : {"p1.dll", "p2.dll", "p3.dll", "gone.dll"}) Reference(*song, name);
    AppendSongRows(std::move(song));
    UpdateStatusLine();
    EXPECT_EQ(shown->LastStatus(),
              "Installed plugins: 10 - Collected plugins: 4 - Missing plugins: 1 - Unused plugins: 7 - Errors: 0");
}

TEST_F(ResultsTest, StatusLineUsesTheSecondFormatWithoutAnInventory) {
    UpdateStatusLine();
    EXPECT_EQ(shown->LastStatus(),
              "Installed VST plugins: n/a - Collected VST plugins: 0 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 0");
    auto song = NewSongEntry("/s.xrns");
    for (const char* name : {"a.dll", "b.dll", "c.dll"}) Reference(*song, name);
    AppendSongRows(std::move(song));
    AppendErrorLine("Error: something");
    UpdateStatusLine();
    EXPECT_EQ(shown->LastStatus(),
              "Installed VST plugins: n/a - Collected VST plugins: 3 - Missing plugins: n/a - Unused plugins: n/a - "
              "Errors: 1");
    EXPECT_EQ(SongList[1]->missing, 1u);  // with no inventory every plug-in is missing
}

TEST_F(ResultsTest, InstalledButNothingUsedShowsNoUnusedPlugins) {
    Install(3);
    AppendSongRows(NewSongEntry("/quiet.xrns"));
    UpdateStatusLine();
    EXPECT_EQ(shown->LastStatus(),
              "Installed plugins: 3 - Collected plugins: 0 - Missing plugins: 0 - Unused plugins: 0 - Errors: 0");
    RebuildMissingList();
    RebuildUnusedList();
    EXPECT_TRUE(MissingList.empty());
    EXPECT_TRUE(UnusedList.empty());
}

TEST_F(ResultsTest, RebuiltListsAskForConfigurationWithoutAnInventory) {
    auto song = NewSongEntry("/s.xrns");
    Reference(*song, "a.dll");
    AppendSongRows(std::move(song));
    RebuildMissingList();
    RebuildUnusedList();
    EXPECT_EQ(MissingList, std::vector<std::string>{"Please configure your plugin folders first."});
    ASSERT_EQ(UnusedList.size(), 1u);
    EXPECT_EQ(UnusedList[0].text, "Please configure your plugin folders first.");
    EXPECT_EQ(UnusedList[0].folder, "");
}

TEST_F(ResultsTest, RebuiltListsFollowTheSetsAndNeverRepeatALine) {
    PluginSetAdd(InstalledPlugins, "Used.dll", "/vst/a");
    PluginSetAdd(InstalledPlugins, "idle.dll", "/vst/b");
    PluginSetAdd(InstalledPlugins, "Zzz.dll", "/vst/c");
    auto song = NewSongEntry("/s.xrns");
    Reference(*song, "used.DLL");
    Reference(*song, "Gone.dll");
    Reference(*song, "absent.dll");
    AppendSongRows(std::move(song));
    for (int round = 0; round < 3; ++round) {
        RebuildMissingList();
        RebuildUnusedList();
    }
    EXPECT_EQ(MissingList, (std::vector<std::string>{"absent.dll", "Gone.dll"}));
    ASSERT_EQ(UnusedList.size(), 2u);
    EXPECT_EQ(UnusedList[0].text, "idle.dll");
    EXPECT_EQ(UnusedList[0].folder, "/vst/b");
    EXPECT_EQ(UnusedList[1].text, "Zzz.dll");
}

TEST_F(ResultsTest, ClearingSongsKeepsErrorsAndTellsTheFrontEnd) {
    AppendSongRows(NewSongEntry("/s.xrns"));
    AppendErrorLine("Error: one");
    ClearSongList();
    EXPECT_TRUE(SongList.empty());
    EXPECT_EQ(ErrorList.size(), 1u);
    ClearErrorList();
    EXPECT_TRUE(ErrorList.empty());
    EXPECT_EQ(shown->clearedLists, (std::vector<ResultTab>{kTabSongs, kTabErrors}));
}
