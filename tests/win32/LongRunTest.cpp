// Long runs of the window: one collection dropped onto the window 20 times,
// with "Reset" chosen from the context menu between rounds. Every round must
// show the same results, and memory must not creep. `make check` reads a
// reduced collection; `make soak` sets QUORVEL_SOAK_SONGS=5000.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "report/Report.h"
#include "support/SoakCollection.h"
#include "support/ZipWriter.h"
#include "ui/resource.h"
#include "win32/MainWindowDriver.h"
#include "win32/Win32Support.h"

namespace {

constexpr int kRounds = 20;

struct RoundResult {
    std::string status;
    int songRows = -1;
    int errorLines = -1;
    int missingLines = -1;
    int unusedLines = -1;
    uint32_t report = 0;
    size_t privateBytes = 0;
    size_t workingSet = 0;
    bool resetOffered = false;
};

void MeasureMemory(RoundResult& round) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return;
    // Windows gives the commit charge twice, as PrivateUsage and as
    // PagefileUsage; Wine fills only the short record, whose PagefileUsage is
    // the anonymous resident memory plus swap.
    round.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    round.workingSet = counters.WorkingSetSize;
}

// What the window shows after a round: the status line, the four lists (the
// missing and unused ones are built when their tab is clicked) and the report.
void RecordRound(HWND main, RoundResult& round) {
    round.status = WindowText(GetDlgItem(main, IDC_STATUS));
    round.songRows = ListCount(GetDlgItem(main, IDC_SONG_LIST));
    round.errorLines = ListCount(GetDlgItem(main, IDC_ERROR_LIST));
    ClickTab(main, 1);
    round.missingLines = ListCount(GetDlgItem(main, IDC_MISSING_LIST));
    ClickTab(main, 2);
    round.unusedLines = ListCount(GetDlgItem(main, IDC_UNUSED_LIST));
    ClickTab(main, 0);
    round.report = Crc32Of(BuildReport());
    MeasureMemory(round);
}

bool ResetHighlighted() {
    HWND menu = OpenPopupMenu();
    if (!menu) return false;
    HMENU items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
    return (GetMenuState(items, IDM_RESET, MF_BYCOMMAND) & MF_HILITE) != 0;
}

void PressKey(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

size_t Kilobytes(size_t bytes) { return bytes / 1024; }

}  // namespace

TEST(LongRunTest, TwentyRoundsGiveTheSameResultsWithoutMemoryCreeping) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    const std::string songsFolder = folder.path + "\\songs";
    CreateDirectoryA(songsFolder.c_str(), nullptr);
    const SoakCollection collection = WriteSoakCollection(songsFolder);
    const size_t songs = collection.songs;

    MainWindowScript script;
    std::vector<RoundResult> rounds(kRounds);
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
        // An inventory that has some of the songs' plug-ins and some that no
        // song uses.
        for (int i = 0; i < 30; ++i)
            PluginSetAdd(InstalledPlugins, ("Synth" + std::to_string(i) + ".dll").c_str(), "C:\\VST");
        PluginSetAdd(InstalledPlugins, "Delay.dll", "C:\\VST");
        PluginSetAdd(InstalledPlugins, "Unused.dll", "C:\\VST\\More");
    });
    for (int r = 0; r < kRounds; ++r) {
        script.Do([&] { DropFiles(script.main, collection.files); })
            .Do([&, r] {
                RecordRound(script.main, rounds[r]);
                // A right click in the songs list, as the user asks for "Reset".
                HWND list = GetDlgItem(script.main, IDC_SONG_LIST);
                RECT area = {};
                GetWindowRect(list, &area);
                PostMessageA(script.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                             MAKELPARAM(area.left + 20, area.top + 20));
            })
            .WaitUntil([] { return OpenPopupMenu() != nullptr; })
            .Do([&, r] {
                HWND menu = OpenPopupMenu();
                HMENU items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
                rounds[r].resetOffered = (GetMenuState(items, IDM_RESET, MF_BYCOMMAND) & MF_GRAYED) == 0;
                PressKey(menu, VK_DOWN);  // "Reset" is the first item
            })
            .WaitUntil(ResetHighlighted)
            .Do([] { PressKey(OpenPopupMenu(), VK_RETURN); })
            .WaitUntil([&] {
                return OpenPopupMenu() == nullptr && ListCount(GetDlgItem(script.main, IDC_SONG_LIST)) == 0;
            });
    }
    script.Do([&] { PostMessageA(script.main, WM_CLOSE, 0, 0); });
    EXPECT_EQ(RunMainWindow(script, settings), 0);
    ASSERT_FALSE(script.timedOut) << "stopped at step " << script.next << " of " << script.steps.size();
    EXPECT_TRUE(script.boxes.empty());

    const RoundResult& first = rounds.front();
    for (int r = 0; r < kRounds; ++r) {
        const RoundResult& round = rounds[r];
        std::printf("Round %d: %s - songs %d - errors %d - report %08x - private %zu kB - working set %zu kB\n", r + 1,
                    round.status.c_str(), round.songRows, round.errorLines, static_cast<unsigned>(round.report),
                    Kilobytes(round.privateBytes), Kilobytes(round.workingSet));
        EXPECT_TRUE(round.resetOffered) << "round " << r + 1;
        EXPECT_EQ(round.status, first.status) << "round " << r + 1;
        EXPECT_EQ(round.songRows, first.songRows) << "round " << r + 1;
        EXPECT_EQ(round.errorLines, first.errorLines) << "round " << r + 1;
        EXPECT_EQ(round.missingLines, first.missingLines) << "round " << r + 1;
        EXPECT_EQ(round.unusedLines, first.unusedLines) << "round " << r + 1;
        EXPECT_EQ(round.report, first.report) << "round " << r + 1;
    }
    std::printf("%d rounds of %zu files, %d ticks of the window script\n", kRounds, collection.files.size(),
                script.tick);
    std::fflush(stdout);
    // Every file was read: a row for each song plus its plug-ins, a line for
    // each damaged archive.
    EXPECT_GT(first.songRows, static_cast<int>(songs - collection.broken));
    EXPECT_EQ(first.errorLines, static_cast<int>(collection.broken));
    EXPECT_NE(first.status.find("Errors: " + std::to_string(collection.broken)), std::string::npos) << first.status;
    EXPECT_GT(first.missingLines, 0);
    EXPECT_GT(first.unusedLines, 0);

    const RoundResult& last = rounds.back();
    ASSERT_GT(first.privateBytes, 0u);
    EXPECT_LE(last.privateBytes, first.privateBytes + first.privateBytes / 10)
        << "private memory after the first round " << Kilobytes(first.privateBytes) << " kB, after the last "
        << Kilobytes(last.privateBytes) << " kB";
    EXPECT_LE(last.workingSet, first.workingSet + first.workingSet / 10)
        << "working set after the first round " << Kilobytes(first.workingSet) << " kB, after the last "
        << Kilobytes(last.workingSet) << " kB";
}
