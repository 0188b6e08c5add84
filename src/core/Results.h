// What the user sees: song entries, the four result lists behind the tabs,
// the song counter and the status summary. The window's list boxes mirror
// these lists; the Linux program and the report read them directly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/FrontEnd.h"
#include "core/PluginSet.h"

// A song row (plugin == nullptr) or a plug-in row of the song row before it.
struct SongEntry {
    uint32_t ordinal = 0;
    std::string path;
    std::optional<std::string> artist;
    std::optional<std::string> songName;
    int32_t bpm = 0;  // 0: not known
    int32_t tpl = 0;
    std::unique_ptr<PluginSet> plugins;     // song rows only
    const PluginRecord* plugin = nullptr;   // plug-in rows only
    uint32_t missing = 0;
};

struct UnusedLine {
    std::string text;
    std::string folder;  // empty: no folder
};

extern uint32_t SongCounter;
extern std::vector<std::unique_ptr<SongEntry>> SongList;
extern std::vector<std::string> MissingList;
extern std::vector<UnusedLine> UnusedList;
extern std::vector<std::string> ErrorList;

inline constexpr const char kConfigureFirstText[] = "Please configure your plugin folders first.";

// With a path: a song row with the next ordinal and an empty set. Without:
// a plug-in row shell. nullptr when memory runs out (the counter unchanged).
std::unique_ptr<SongEntry> NewSongEntry(const char* path);
// Appends the filled song row, then one plug-in row per member of its set.
void AppendSongRows(std::unique_ptr<SongEntry> song);
void AppendErrorLine(const std::string& text);
void ClearSongList();
void ClearErrorList();
// Everything a reading produced (song rows, error lines, used and missing
// plug-ins), so that the same files can be read again; the inventory stays.
void ClearReadingResults();
void RebuildMissingList();
void RebuildUnusedList();

std::string FormatStatusSummary();
void UpdateStatusLine();
