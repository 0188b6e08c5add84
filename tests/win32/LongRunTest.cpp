// Long runs of the window: one collection dropped onto the window 20 times,
// with "Reset" chosen from the context menu between rounds. Every round must
// show the same results, and memory must not creep. The suite reads a
// reduced collection; scripts/soak-windows.sh sets QUORVEL_SOAK_SONGS=5000.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/PluginSet.h"
#include "report/Report.h"
#include "support/SoakCollection.h"
#include "support/ZipWriter.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr int kRounds = 20;

// What the window shows after a round: the status line, the rows of the
// songs, errors, missing and unused lists (the last two are built when their
// tab is clicked) and the report, all in one line; and the memory in use.
struct Round {
    std::string shown;
    std::vector<int> rows;
    size_t privateBytes = 0, workingSet = 0;
    void Record(const Script& script) {
        rows = {script.Count(IDC_SONG_LIST), script.Count(IDC_ERROR_LIST)};
        for (const auto& [tab, list] : {std::pair{1, IDC_MISSING_LIST}, std::pair{2, IDC_UNUSED_LIST}}) {
            ClickTab(script.main, tab);
            rows.push_back(script.Count(list));
        }
        ClickTab(script.main, 0);
        shown = script.Text(IDC_STATUS).append(" - rows");
        for (int count : rows) shown.append(" ").append(std::to_string(count));
        shown.append(" - report ").append(std::to_string(Crc32Of(BuildReport())));
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        // Windows gives the commit charge twice, as PrivateUsage and as
        // PagefileUsage; Wine fills only the short record, whose PagefileUsage
        // is the anonymous resident memory plus swap.
        privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
        workingSet = counters.WorkingSetSize;
    }
};

TEST(LongRunTest, TwentyRoundsGiveTheSameResultsWithoutMemoryCreeping) {
    TempFolder folder;
    const SoakCollection collection = WriteSoakCollection(folder.Path("songs"));
    const size_t songs = collection.songs, broken = collection.broken;

    Script script;
    std::vector<Round> rounds(kRounds);
    script.Do([&] {
        // An inventory with some of the songs' plug-ins and some no song uses.
        for (int i = 0; i < 30; ++i)
            PluginSetAdd(InstalledPlugins, ("Synth" + std::to_string(i) + ".dll").c_str(), "C:\\VST");
        PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
        PluginSetAdd(InstalledPlugins, "Unused.dll", "C:\\VST\\More");
    });
    for (Round& round : rounds) {
        script.Do([&] { DropFiles(script.main, collection.files); })
            .Do([&] {
                round.Record(script);
                AskContextMenu(script.main, IDC_SONG_LIST);  // a right click, as the user asks for "Reset"
            })
            .WaitUntil([] { return OpenPopupMenu() != nullptr; })
            .Do([&] {
                EXPECT_EQ(PopupItemState(IDM_RESET) & MF_GRAYED, 0u);
                PressKey(OpenPopupMenu(), VK_DOWN);  // "Reset" is the first item
            })
            .WaitUntil([] { return (PopupItemState(IDM_RESET) & MF_HILITE) != 0; })
            .Do([] { PressKey(OpenPopupMenu(), VK_RETURN); })
            .WaitUntil([&] { return OpenPopupMenu() == nullptr && script.Count(IDC_SONG_LIST) == 0; });
    }
    EXPECT_EQ(RunMainWindow(script.Close(), folder.Path("quorvel.cfg")), 0);
    EXPECT_TRUE(script.boxes.empty());

    const Round& first = rounds.front();
    for (const Round& round : rounds) {
        std::printf("%s - private %zu kB - working set %zu kB\n", round.shown.c_str(), round.privateBytes / 1024,
                    round.workingSet / 1024);
        EXPECT_EQ(round.shown, first.shown);
    }
    std::fflush(stdout);
    // Every file was read: a row for each song plus its plug-ins, a line for
    // each damaged archive.
    EXPECT_GT(first.rows[0], static_cast<int>(songs - broken));
    EXPECT_EQ(first.rows[1], static_cast<int>(broken));
    EXPECT_NE(first.shown.find("Errors: " + std::to_string(broken) + " "), std::string::npos) << first.shown;
    EXPECT_TRUE(first.rows[2] > 0 && first.rows[3] > 0);
    const Round& last = rounds.back();
    ASSERT_GT(first.privateBytes, 0u);
    for (const auto& [what, before, after] : {std::tuple{"private memory", first.privateBytes, last.privateBytes},
                                              std::tuple{"working set", first.workingSet, last.workingSet}})
        EXPECT_LE(after, before + before / 10)
            << what << " after the first round " << before / 1024 << " kB, after the last " << after / 1024 << " kB";
}
