#include "harness/Harness.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "inventory/ForeignLibraries.h"
#include "settings/SettingsFile.h"

static Recording g_recording;

Recording& InstallRecorder() {
    g_recording = Recording{};
    FrontEnd f;
    f.setStatusText = [](const char* text) { g_recording.statusTexts.emplace_back(text); };
    f.rowAppended = [](ResultTab tab, size_t index) { g_recording.appendedRows.emplace_back(tab, index); };
    f.listCleared = [](ResultTab tab) { g_recording.clearedLists.push_back(tab); };
    f.enterBusy = [] { ++g_recording.busyEntered; };
    f.leaveBusy = [] { ++g_recording.busyLeft; };
    f.enableExport = [](int enabled) { g_recording.exportEnabled = enabled; };
    // The window rebuilds these two lists whenever their tab is selected.
    f.selectTab = [](ResultTab tab) {
        g_recording.selectedTabs.push_back(tab);
        if (tab == kTabMissing) RebuildMissingList();
        if (tab == kTabUnused) RebuildUnusedList();
    };
    f.messageBox = [](void* owner, const char* text, const char* caption, unsigned style) {
        g_recording.messages.push_back(ShownMessage{caption, text, style, owner});
        return g_recording.messageAnswer;
    };
    f.chooseExportFile = [](void*, std::string& path) {
        path = g_recording.exportChoice;
        return !path.empty();
    };
    f.quitMainWindow = [] { ++g_recording.quitRequests; };
    f.getWindowRect = [](int32_t rect[4]) {
        std::copy(g_recording.windowRect, g_recording.windowRect + 4, rect);
        return true;
    };
    f.setWindowRect = [](const int32_t rect[4]) {
        g_recording.haveWindowRect = true;
        std::copy(rect, rect + 4, g_recording.windowRect);
    };
    f.centerMainWindow = [] { ++g_recording.centred; };
    FrontEndInstall(&f);
    return g_recording;
}

void ResetCatalogue() {
    ClearReadingResults();
    MissingList.clear();
    UnusedList.clear();
    PluginSetClear(InstalledPlugins);
    ForeignLibraries.clear();
    CommandLine = CommandLineRequest{};
    SettingsReset();
}

void CatalogueTest::SetUp() {
    FrontEndInstall(nullptr);
    ResetCatalogue();
    shown = &InstallRecorder();
}

void CatalogueTest::TearDown() {
    FrontEndInstall(nullptr);
    ResetCatalogue();
}

std::vector<std::string> InstalledEntries() {
    std::vector<std::string> entries;
    for (const auto& member : InstalledPlugins.members)
        entries.push_back(member.second.name + " @ " + member.second.folder + " x" +
                          std::to_string(member.second.count));
    return entries;
}

void AddSong(const SongInput& input) {
    auto song = NewSongEntry(input.path);
    if (input.artist) song->artist = input.artist;
    if (input.name) song->songName = input.name;
    song->bpm = input.bpm;
    song->tpl = input.tpl;
    for (const std::string& name : input.plugins) {
        PluginSetAdd(UsedPlugins, name.c_str(), nullptr);
        PluginSetAdd(*song->plugins, name.c_str(), nullptr);
        if (IsNotInstalled(name.c_str())) PluginSetAdd(MissingPlugins, name.c_str(), nullptr);
    }
    AppendSongRows(std::move(song));
}

void InstallPlugins(const std::vector<std::string>& names, const char* folder) {
    for (const std::string& name : names) PluginSetAdd(InstalledPlugins, name.c_str(), folder);
}

bool RunningAsRoot() { return geteuid() == 0; }

std::string SourcePath(const std::string& relative) {
    return (std::filesystem::path(QUORVEL_SOURCE_DIR) / relative).string();
}

std::string ReadTestData(const std::string& relative) { return ReadFileBytes(SourcePath("tests/data/" + relative)); }

std::vector<std::vector<std::string>> ReadTableRows(const std::string& relative) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(ReadTestData(relative));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string>& fields = rows.emplace_back();
        std::istringstream cells(line);
        for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    }
    // A table that is gone or empty would let its test pass without a case.
    EXPECT_FALSE(rows.empty()) << relative << " has no rows";
    return rows;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t kind = text[i] == '\\' && i + 1 < text.size() ? std::string("nrt\\x").find(text[i + 1]) : 5;
        if (kind >= 5) {
            out += text[i];
        } else if (kind < 4) {
            out += "\n\r\t\\"[kind];
            ++i;
        } else {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        }
    }
    return out;
}
