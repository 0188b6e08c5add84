// What every test of the catalogue needs: a front end that records what a run
// showed, a clean catalogue, and real folders on disk.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/FrontEnd.h"
#include "harness/TempFolder.h"

struct ShownMessage {
    std::string caption;
    std::string text;
    unsigned style = 0;
    void* owner = nullptr;
};

struct Recording {
    std::vector<std::string> statusTexts;
    std::vector<ShownMessage> messages;
    std::vector<ResultTab> selectedTabs;
    std::vector<std::pair<ResultTab, size_t>> appendedRows;
    std::vector<ResultTab> clearedLists;
    int busyEntered = 0;
    int busyLeft = 0;
    int exportEnabled = -1;  // last value given, -1 before any
    int quitRequests = 0;
    int messageAnswer = kIdOk;       // what every message box answers
    std::string exportChoice;        // the save dialog's answer; empty: cancel
    bool haveWindowRect = false;
    int32_t windowRect[4] = {0, 0, 0, 0};
    int centred = 0;
    std::string LastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }
};

// Installs the recording front end with a fresh recording and returns it.
Recording& InstallRecorder();

// Empties every process-wide part of the catalogue: the three sets, the four
// lists and the counter, the libraries of the other processor kind, the
// command-line request and the settings block.
void ResetCatalogue();

// The inventory as "name @ folder xcount", in the set's order.
std::vector<std::string> InstalledEntries();

// A song as the readers leave it: its texts (nullptr: absent), then every
// plug-in name counted in UsedPlugins, its own set and, when the inventory
// lacks it, MissingPlugins; appended with its rows.
struct SongInput {
    const char* path;
    const char* artist = nullptr;
    const char* name = nullptr;
    int32_t bpm = 0;
    int32_t tpl = 0;
    std::vector<std::string> plugins = {};  // in reading order, repeats count
};
void AddSong(const SongInput& input);
void InstallPlugins(const std::vector<std::string>& names, const char* folder = "/vst");

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Recording* shown = nullptr;
};

bool RunningAsRoot();
// The source tree (tests find their committed data there).
std::string SourcePath(const std::string& relative);
// The bytes of a committed file below tests/data.
std::string ReadTestData(const std::string& relative);
// The rows of a committed table below tests/data: tab-separated
// fields, with blank lines and "#" comments left out; a table without rows fails the test.
std::vector<std::vector<std::string>> ReadTableRows(const std::string& relative);
// The blank-separated words of a text.
std::vector<std::string> Words(const std::string& text);
// A committed text with its C escapes (\n \r \t \\ \xHH) made bytes; any other
// backslash stands as it is, so that Windows paths keep theirs.
std::string Unescape(const std::string& text);
