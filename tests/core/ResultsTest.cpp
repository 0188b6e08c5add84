#include "core/Results.h"

#include <gtest/gtest.h>

#include "harness/Harness.h"

class ResultsTest : public CatalogueTest {};

TEST_F(ResultsTest, PluginRowsFollowTheSongInSetOrderWithTheirOwnCountsAndMissingMarks) {
    InstallPlugins({"p0.dll", "p1.dll"});
    AddSong({"/a.xrns", nullptr, nullptr, 0, 0, {"p1.dll", "Zeta.dll", "P1.DLL", "alpha.dll"}});
    AddSong({"/b.xrns", nullptr, nullptr, 0, 0, {"zeta.dll"}});
    AddSong({"/quiet.xrns"});
    std::vector<std::string> rows;
    for (const auto& row : SongList)
        rows.push_back(row->plugin ? row->plugin->name + "*" + std::to_string(row->plugin->count) +
                                         (row->missing ? " missing" : "")
                                   : row->path);
    EXPECT_EQ(rows, (std::vector<std::string>{"/a.xrns", "alpha.dll*1 missing", "p1.dll*2", "Zeta.dll*1 missing",
                                              "/b.xrns", "zeta.dll*1 missing", "/quiet.xrns"}));
    EXPECT_EQ(PluginSetFind(MissingPlugins, "ZETA.dll")->count, 2u);
    std::vector<std::string> visited;
    PluginSetVisit(
        MissingPlugins,
        [](const PluginRecord& r, void* names) { static_cast<std::vector<std::string>*>(names)->push_back(r.name); },
        &visited);
    EXPECT_EQ(visited, (std::vector<std::string>{"alpha.dll", "Zeta.dll"}));
    EXPECT_EQ(shown->appendedRows.size(), 7u);
    EXPECT_EQ(shown->appendedRows.back(), std::make_pair(kTabSongs, size_t{6}));
    ClearReadingResults();  // the window empties both of its lists
    EXPECT_EQ(shown->clearedLists, (std::vector<ResultTab>{kTabSongs, kTabErrors}));
}

TEST_F(ResultsTest, RebuiltListsFollowTheSetsNeverRepeatALineAndAskForConfigurationFirst) {
    AddSong({"/s.xrns", nullptr, nullptr, 0, 0, {"a.dll"}});
    RebuildMissingList();
    RebuildUnusedList();
    EXPECT_EQ(MissingList, std::vector<std::string>{"Please configure your plugin folders first."});
    ASSERT_EQ(UnusedList.size(), 1u);
    EXPECT_EQ(UnusedList[0].text + "|" + UnusedList[0].folder, "Please configure your plugin folders first.|");

    ResetCatalogue();
    InstallPlugins({"Used.dll", "Zzz.dll"}, "/vst/a");
    InstallPlugins({"idle.dll"}, "/vst/b");
    RebuildMissingList();
    RebuildUnusedList();
    EXPECT_TRUE(MissingList.empty() && UnusedList.empty());  // nothing used yet
    AddSong({"/s.xrns", nullptr, nullptr, 0, 0, {"used.DLL", "Gone.dll", "absent.dll"}});
    for (int round = 0; round < 3; ++round) {
        RebuildMissingList();
        RebuildUnusedList();
    }
    EXPECT_EQ(MissingList, (std::vector<std::string>{"absent.dll", "Gone.dll"}));
    ASSERT_EQ(UnusedList.size(), 2u);
    EXPECT_EQ(UnusedList[0].text + "|" + UnusedList[0].folder + "|" + UnusedList[1].text + "|" + UnusedList[1].folder,
              "idle.dll|/vst/b|Zzz.dll|/vst/a");
}
