// Settings files composed byte by byte, independently of the loader: the
// rectangle, the 1312-byte block with its five 260-byte path fields, N and
// the inventory records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SettingsRecordText {
    std::string name;
    std::string folder;
};

struct SettingsContent {
    int32_t rect[4] = {100, 50, 900, 650};  // left, top, right, bottom
    uint32_t scanSubfolders = 1;
    uint32_t vstFolder1Enabled = 0;
    uint32_t vstFolder2Enabled = 0;
    // Each path field is the text, its zero and then fill bytes up to 260.
    std::string openFilesFolder;
    std::string openFolderPath;
    std::string exportFolder;
    std::string vstFolder1;
    std::string vstFolder2;
    char pathFill = '\0';  // leftovers of an earlier, longer path
    std::vector<SettingsRecordText> records;
};

// The first 1328 bytes: rectangle and block.
std::string SettingsHead(const SettingsContent& content);
// One record: L1, name, zero, L2, folder, zero.
std::string SettingsRecord(const std::string& name, const std::string& folder);
// A whole file: head, N = the number of records, the records.
std::string SettingsFileBytes(const SettingsContent& content);
