#include "core/Results.h"

#include <new>

#include "platform/Text.h"

uint32_t SongCounter = 0;
std::vector<std::unique_ptr<SongEntry>> SongList;
std::vector<std::string> MissingList;
std::vector<UnusedLine> UnusedList;
std::vector<std::string> ErrorList;

std::unique_ptr<SongEntry> NewSongEntry(const char* path) {
    try {
        auto entry = std::make_unique<SongEntry>();
        if (path) {
            entry->path = path;
            entry->plugins = std::make_unique<PluginSet>();
            entry->ordinal = ++SongCounter;
        }
        return entry;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void AppendSongRows(std::unique_ptr<SongEntry> song) {
    if (!song) return;
    const PluginSet* plugins = song->plugins.get();
    try {
        SongList.push_back(std::move(song));
    } catch (const std::bad_alloc&) {
        return;
    }
    FrontEndRowAppended(kTabSongs, SongList.size() - 1);
    if (!plugins) return;
    for (const auto& member : plugins->members) {
        // A plug-in row that cannot be allocated is left out, nothing else.
        try {
            auto row = NewSongEntry(nullptr);
            if (!row) continue;
            row->plugin = &member.second;
            row->missing = PluginSetContains(MissingPlugins, member.second.name.c_str()) ? 1 : 0;
            SongList.push_back(std::move(row));
        } catch (const std::bad_alloc&) {
            continue;
        }
        FrontEndRowAppended(kTabSongs, SongList.size() - 1);
    }
}

void AppendErrorLine(const std::string& text) {
    try {
        ErrorList.push_back(text);
    } catch (const std::bad_alloc&) {
        return;
    }
    FrontEndRowAppended(kTabErrors, ErrorList.size() - 1);
}

void ClearSongList() {
    // Plug-in rows point into the sets of song rows before them; releasing
    // from the back keeps every pointer valid until its row is gone.
    while (!SongList.empty()) SongList.pop_back();
    SongCounter = 0;
    FrontEndListCleared(kTabSongs);
}

void ClearErrorList() {
    ErrorList.clear();
    FrontEndListCleared(kTabErrors);
}

void ClearReadingResults() {
    ClearSongList();
    ClearErrorList();
    PluginSetClear(UsedPlugins);
    PluginSetClear(MissingPlugins);
}

void RebuildMissingList() {
    MissingList.clear();
    FrontEndListCleared(kTabMissing);
    if (InstalledPlugins.count == 0) {
        MissingList.emplace_back(kConfigureFirstText);
        FrontEndRowAppended(kTabMissing, 0);
        return;
    }
    if (UsedPlugins.count == 0 || MissingPlugins.count == 0) return;
    for (const auto& member : MissingPlugins.members) {
        MissingList.push_back(member.second.name);
        FrontEndRowAppended(kTabMissing, MissingList.size() - 1);
    }
}

void RebuildUnusedList() {
    UnusedList.clear();
    FrontEndListCleared(kTabUnused);
    if (InstalledPlugins.count == 0) {
        UnusedList.push_back(UnusedLine{kConfigureFirstText, std::string()});
        FrontEndRowAppended(kTabUnused, 0);
        return;
    }
    if (UsedPlugins.count == 0) return;
    for (const auto& member : InstalledPlugins.members) {
        if (PluginSetContains(UsedPlugins, member.second.name.c_str())) continue;
        UnusedList.push_back(UnusedLine{member.second.name, member.second.folder});
        FrontEndRowAppended(kTabUnused, UnusedList.size() - 1);
    }
}

std::string FormatStatusSummary() {
    const int errors = static_cast<int>(ErrorList.size());
    if (InstalledPlugins.count != 0) {
        return TextFormat(
            "Installed plugins: %d - Collected plugins: %d - Missing plugins: %d - Unused plugins: %d - Errors: %d",
            static_cast<int>(InstalledPlugins.count), static_cast<int>(UsedPlugins.count),
            static_cast<int>(MissingPlugins.count), static_cast<int>(CountUnusedPlugins()), errors);
    }
    return TextFormat(
        "Installed VST plugins: n/a - Collected VST plugins: %d - Missing plugins: n/a - Unused plugins: n/a - Errors: %d",
        static_cast<int>(UsedPlugins.count), errors);
}

void UpdateStatusLine() { FrontEndSetStatus(FormatStatusSummary().c_str()); }
