// The one file that outlives the program: the main window's rectangle, the
// options and remembered folders, and the cached plug-in inventory.
//
// Layout (little-endian): rectangle (4 x int32) at 0, the settings block at
// 16, the record count N at 1328, then N records of
// (L1, name and its zero, L2, folder and its zero). Behind the records the
// libraries of another processor kind may follow: the tag "FRGN", M, and M
// records of (L1, name, L2, folder, machine as uint32). Readers that stop
// after the N records never see them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/PluginSet.h"
#include "inventory/ForeignLibraries.h"

inline constexpr size_t kSettingsPathSize = 260;

// Held exactly as stored; a path field's bytes after its zero carry no
// meaning and are written back as they stand.
struct AppSettings {
    uint32_t ScanSubfolders;
    uint32_t VstFolder1Enabled;
    uint32_t VstFolder2Enabled;
    char OpenFilesFolder[kSettingsPathSize];
    char OpenFolderPath[kSettingsPathSize];
    char ExportFolder[kSettingsPathSize];
    char VstFolder1[kSettingsPathSize];
    char VstFolder2[kSettingsPathSize];
};
static_assert(sizeof(AppSettings) == 1312, "the settings block is stored as 1312 bytes");

inline constexpr size_t kSettingsRectOffset = 0;
inline constexpr size_t kSettingsBlockOffset = 16;
inline constexpr size_t kSettingsBlockSize = 1312;
inline constexpr size_t kSettingsCountOffset = kSettingsBlockOffset + kSettingsBlockSize;  // 1328
inline constexpr size_t kSettingsRecordsOffset = kSettingsCountOffset + 4;                   // 1332
// Offsets inside the block.
inline constexpr size_t kBlockScanSubfolders = 0;
inline constexpr size_t kBlockVstFolder1Enabled = 4;
inline constexpr size_t kBlockVstFolder2Enabled = 8;
inline constexpr size_t kBlockOpenFilesFolder = 12;
inline constexpr size_t kBlockOpenFolderPath = 272;
inline constexpr size_t kBlockExportFolder = 532;
inline constexpr size_t kBlockVstFolder1 = 792;
inline constexpr size_t kBlockVstFolder2 = 1052;
// L1 and L2 count the text and its zero; texts are at most 259 bytes.
inline constexpr uint32_t kSettingsMaxTextLength = 260;
inline constexpr char kSettingsForeignTag[4] = {'F', 'R', 'G', 'N'};

extern AppSettings Settings;

// The window: the executable's folder joined with "quorvel.cfg"; the Linux
// program: its --config file. Empty (the start) means there is no file.
void SettingsSetPath(const char* path);
const char* SettingsPath();
// The state before LoadSettings: block all zero, no path (tests, restarts).
void SettingsReset();

void LoadSettings(void* mainWindow);
// 1 written, 0 not ("Could not open config file for writing!" was shown).
int SaveSettings(void* mainWindow);
// 1 written, 0 not (no message).
int SaveInstalledPlugins();

// Reads a file image over what rect and settings hold: bytes the image does
// not reach keep their values. Records are added to plugins in file order; a
// record with a length of 0 or above 260, or cut short by the end of the
// image, ends the list and the complete records before it are kept.
// Returns 1 when the list was read whole, 0 when damage ended it. With
// foreign, the libraries of another kind behind a whole list go there, up to
// any damage (which leaves the result alone: they are only a remark).
int SettingsParse(const uint8_t* data, size_t size, int32_t rect[4], AppSettings& settings, PluginSet& plugins,
                  ForeignLibrarySet* foreign = nullptr);
// The first 1328 bytes of a file: rectangle and block.
void SettingsEncodeHead(std::string& out, const int32_t rect[4], const AppSettings& settings);
// N and the records, in the set's order, then the foreign libraries when
// there are any. A record whose name or folder is longer than a stored text
// can be is left out, so that the list reads back.
void SettingsEncodeInventory(std::string& out, const PluginSet& plugins, const ForeignLibrarySet& foreign);
