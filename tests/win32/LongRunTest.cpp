// Long runs of the window: one collection dropped onto the window 20 times,
// with "Reset" chosen from the context menu between rounds. Every round must
// show the same results, and memory must not creep. The suite reads a
// reduced collection; scripts/soak-windows.sh sets QUORVEL_SOAK_SONGS=5000.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "report/Report.h"
#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"
#include "support/ZipWriter.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr int kRounds = 20;

// Zipped songs naming their plug-ins the old and today's way, instruments,
// bare XML songs, legacy binary songs and damaged archives, spread over 20
// subfolders as a user's collection is. Returns the number of damaged ones.
static size_t WriteCollection(const std::string& root, size_t songs, std::vector<std::string>& files) {
    size_t broken = 0;
    for (int f = 0; f < 20; ++f) CreateDirectoryA((root + "\\" + std::to_string(f)).c_str(), nullptr);
    for (size_t i = 0; i < songs; ++i) {
        const std::string n = std::to_string(i);
        SongXmlShape shape;
        shape.songName = "Song " + n;
        shape.plugins = {"Delay", "Synth" + std::to_string(i % 50), "Waves C" + std::to_string(i % 3)};
        if (i % 4 == 1) shape.otherPlugins = {{"AU", "aumu:Synth:Vend"}, {"VST3", "Reverb" + std::to_string(i % 4)}};
        shape.legacyPluginNames = i % 2 == 0;
        shape.instrument = i % 10 == 9;
        shape.linesPerPattern = 16;
        shape.seed = static_cast<uint32_t>(i + 1);
        files.push_back(root + "\\" + std::to_string(i % 20) + "\\");
        if (i % 7 == 3) {
            RnsSongLayout layout;
            layout.songName = shape.songName;
            layout.trackDspReferences = {"Vst: Delay", "Vst: Old" + std::to_string(i % 5)};
            layout.instrumentReferences = {"Vst: Synth" + std::to_string(i % 30)};
            WriteTextFile(files.back().append("song").append(n).append(".rns"), WriteRnsSong(layout));
        } else if (i % 13 == 5) {
            WriteTextFile(files.back().append("broken").append(n).append(".xrns"), "damaged");
            ++broken;
        } else if (i % 11 == 8) {
            WriteTextFile(files.back().append("song").append(n).append(".xml"), WriteSongXml(shape));
        } else {
            files.back().append("song").append(n).append(shape.instrument ? ".xrni" : ".xrns");
            WriteTextFile(files.back(), WriteSongArchive(shape));
        }
    }
    return broken;
}

// What the window shows after a round: the status line, the four lists (the
// missing and unused ones are built when their tab is clicked), the report
// and the memory in use.
struct Round {
    std::string shown;  // everything but the memory, in one line
    int songs = -1, errors = -1, missing = -1, unused = -1;
    size_t privateBytes = 0, workingSet = 0;
    void Record(const Script& script) {
        songs = script.Count(IDC_SONG_LIST);
        errors = script.Count(IDC_ERROR_LIST);
        ClickTab(script.main, 1);
        missing = script.Count(IDC_MISSING_LIST);
        ClickTab(script.main, 2);
        unused = script.Count(IDC_UNUSED_LIST);
        ClickTab(script.main, 0);
        shown = script.Text(IDC_STATUS);
        shown.append(" - rows ").append(std::to_string(songs)).append(" ").append(std::to_string(errors));
        shown.append(" ").append(std::to_string(missing)).append(" ").append(std::to_string(unused));
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

// The state of "Reset" in the open context menu; 0 when no menu is open.
static UINT ResetState() {
    HWND menu = OpenPopupMenu();
    if (!menu) return 0;
    return GetMenuState(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)), IDM_RESET, MF_BYCOMMAND);
}

TEST(LongRunTest, TwentyRoundsGiveTheSameResultsWithoutMemoryCreeping) {
    ScratchFolder folder;
    CreateDirectoryA(folder.In("songs").c_str(), nullptr);
    const char* wanted = std::getenv("QUORVEL_SOAK_SONGS");
    const size_t songs = wanted && std::atoi(wanted) > 0 ? static_cast<size_t>(std::atoi(wanted)) : 300;
    std::vector<std::string> files;
    const size_t broken = WriteCollection(folder.In("songs"), songs, files);

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
        script.Do([&] { DropFiles(script.main, files); })
            .Do([&] {
                round.Record(script);
                // A right click in the songs list, as the user asks for "Reset".
                RECT area = {};
                GetWindowRect(script.Item(IDC_SONG_LIST), &area);
                PostMessageA(script.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(script.Item(IDC_SONG_LIST)),
                             MAKELPARAM(area.left + 20, area.top + 20));
            })
            .WaitUntil([] { return OpenPopupMenu() != nullptr; })
            .Do([&] {
                EXPECT_EQ(ResetState() & MF_GRAYED, 0u);
                PressKey(OpenPopupMenu(), VK_DOWN);  // "Reset" is the first item
            })
            .WaitUntil([] { return (ResetState() & MF_HILITE) != 0; })
            .Do([] { PressKey(OpenPopupMenu(), VK_RETURN); })
            .WaitUntil([&] { return OpenPopupMenu() == nullptr && script.Count(IDC_SONG_LIST) == 0; });
    }
    EXPECT_EQ(RunMainWindow(script.Close(), folder.In("quorvel.cfg")), 0);
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
    EXPECT_GT(first.songs, static_cast<int>(songs - broken));
    EXPECT_EQ(first.errors, static_cast<int>(broken));
    EXPECT_NE(first.shown.find("Errors: " + std::to_string(broken) + " "), std::string::npos) << first.shown;
    EXPECT_GT(first.missing, 0);
    EXPECT_GT(first.unused, 0);
    const Round& last = rounds.back();
    ASSERT_GT(first.privateBytes, 0u);
    EXPECT_LE(last.privateBytes, first.privateBytes + first.privateBytes / 10)
        << "private memory after the first round " << first.privateBytes / 1024 << " kB, after the last "
        << last.privateBytes / 1024 << " kB";
    EXPECT_LE(last.workingSet, first.workingSet + first.workingSet / 10)
        << "working set after the first round " << first.workingSet / 1024 << " kB, after the last "
        << last.workingSet / 1024 << " kB";
}
