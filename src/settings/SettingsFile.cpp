#include "settings/SettingsFile.h"

#include <cstring>
#include <new>

#include "core/ByteOrder.h"
#include "core/FrontEnd.h"
#include "core/Results.h"
#include "platform/Files.h"
#include "platform/Text.h"

AppSettings Settings;

namespace {

std::string g_path;

const char kDamagedText[] = "Damaged config file, please reconfigure your settings!";
const char kCannotWriteText[] = "Could not open config file for writing!";

void AppendLe32(std::string& out, uint32_t v) {
    const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    out.append(bytes, 4);
}

void AppendPath(std::string& out, const char (&field)[kSettingsPathSize]) { out.append(field, kSettingsPathSize); }

// rawFlags keeps a flag's stored value, for the image that a short file is
// read over; a written file holds flags as 0 or 1.
void EncodeHead(std::string& out, const int32_t rect[4], const AppSettings& settings, bool rawFlags) {
    for (int i = 0; i < 4; ++i) AppendLe32(out, static_cast<uint32_t>(rect[i]));
    const auto flag = [rawFlags](uint32_t v) { return rawFlags ? v : (v ? 1u : 0u); };
    AppendLe32(out, flag(settings.ScanSubfolders));
    AppendLe32(out, flag(settings.VstFolder1Enabled));
    AppendLe32(out, flag(settings.VstFolder2Enabled));
    AppendPath(out, settings.OpenFilesFolder);
    AppendPath(out, settings.OpenFolderPath);
    AppendPath(out, settings.ExportFolder);
    AppendPath(out, settings.VstFolder1);
    AppendPath(out, settings.VstFolder2);
}

// A field without its zero would let every reader run into the next field
// (or past the block): the last byte becomes the terminator.
void DecodePath(const uint8_t* block, size_t offset, char (&field)[kSettingsPathSize]) {
    std::memcpy(field, block + offset, kSettingsPathSize);
    if (!std::memchr(field, 0, kSettingsPathSize)) field[kSettingsPathSize - 1] = '\0';
}

// One stored text: L, then L bytes whose text ends at the first zero.
// False when the length is out of range or the image ends inside.
bool ReadText(const uint8_t* data, size_t size, size_t& pos, std::string& text) {
    if (size - pos < 4) return false;
    const uint32_t length = LoadLe32(data + pos);
    pos += 4;
    if (length == 0 || length > kSettingsMaxTextLength || length > size - pos) return false;
    const char* start = reinterpret_cast<const char*>(data + pos);
    const void* zero = std::memchr(start, 0, length);
    text.assign(start, zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : length);
    pos += length;
    return true;
}

// 1: the file's bytes; 0: no file there or it could not be read whole.
int ReadWholeFile(const char* path, std::string& bytes) {
    FilePtr file(FileOpenRead(path));
    uint64_t size = 0;
    if (!file || !FileGetSize(file.get(), &size) || size != static_cast<size_t>(size)) return 0;
    try {
        bytes.assign(static_cast<size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        return 0;
    }
    bytes.resize(FileRead(file.get(), bytes.data(), bytes.size()));
    return 1;
}

// The old file stays whole until the new one is complete on the disk: a full
// disk or a crash in the middle leaves the previous settings, not a torn file.
int WriteReplacing(const std::string& path, const std::string& bytes) {
    if (path.empty()) return 0;
    std::string temporary;
    try {
        temporary = path + ".tmp";
    } catch (const std::bad_alloc&) {
        return 0;
    }
    PlatformFile* file = FileOpenWrite(temporary.c_str(), FileCreate::kAlways);
    if (!file) return 0;
    bool written = FileWrite(file, bytes.data(), bytes.size()) && FileSync(file);
    FileClose(file);
    if (written) written = ReplaceFileWith(temporary.c_str(), path.c_str());
    if (!written) RemoveFile(temporary.c_str());
    return written ? 1 : 0;
}

// What the file holds now: 1 with its bytes (empty when there is no file),
// 0 when a file is there but cannot be read, so nothing of it may be lost.
int ReadOldFile(std::string& bytes) {
    bytes.clear();
    if (!PathExists(g_path.c_str())) return 1;
    return ReadWholeFile(g_path.c_str(), bytes);
}

void ApplyDefaults() {
    std::memset(&Settings, 0, sizeof Settings);
    Settings.ScanSubfolders = 1;
    UpdateStatusLine();
    FrontEndCenterMainWindow();
}

}  // namespace

void SettingsSetPath(const char* path) {
    try {
        g_path = path ? path : "";
    } catch (const std::bad_alloc&) {
        g_path.clear();
    }
}

const char* SettingsPath() { return g_path.c_str(); }

void SettingsReset() {
    std::memset(&Settings, 0, sizeof Settings);
    g_path.clear();
    g_path.shrink_to_fit();
}

void SettingsEncodeHead(std::string& out, const int32_t rect[4], const AppSettings& settings) {
    EncodeHead(out, rect, settings, false);
}

namespace {

bool StorableText(const std::string& text) { return std::strlen(text.c_str()) < kSettingsMaxTextLength; }

void AppendText(std::string& out, const std::string& text) {
    const size_t length = std::strlen(text.c_str());
    AppendLe32(out, static_cast<uint32_t>(length + 1));
    out.append(text.c_str(), length + 1);
}

void PatchLe32(std::string& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i));
}

void EncodeForeign(std::string& out, const ForeignLibrarySet& foreign) {
    if (foreign.empty()) return;
    out.append(kSettingsForeignTag, sizeof kSettingsForeignTag);
    const size_t countAt = out.size();
    AppendLe32(out, 0);
    uint32_t written = 0;
    for (const auto& member : foreign) {
        const ForeignLibrary& library = member.second;
        if (!StorableText(library.name) || !StorableText(library.folder)) continue;
        AppendText(out, library.name);
        AppendText(out, library.folder);
        AppendLe32(out, library.machine);
        ++written;
    }
    PatchLe32(out, countAt, written);
}

void ParseForeign(const uint8_t* data, size_t size, size_t pos, ForeignLibrarySet& foreign) {
    if (size - pos < sizeof kSettingsForeignTag + 4 ||
        std::memcmp(data + pos, kSettingsForeignTag, sizeof kSettingsForeignTag) != 0)
        return;
    pos += sizeof kSettingsForeignTag;
    const uint32_t count = LoadLe32(data + pos);
    pos += 4;
    std::string name;
    std::string folder;
    for (uint32_t i = 0; i < count; ++i) {
        if (!ReadText(data, size, pos, name) || !ReadText(data, size, pos, folder) || size - pos < 4) return;
        const uint32_t machine = LoadLe32(data + pos);
        pos += 4;
        ForeignLibraryAdd(foreign, name.c_str(), folder.c_str(), static_cast<uint16_t>(machine));
    }
}

}  // namespace

void SettingsEncodeInventory(std::string& out, const PluginSet& plugins, const ForeignLibrarySet& foreign) {
    const size_t countAt = out.size();
    AppendLe32(out, 0);
    uint32_t written = 0;
    for (const auto& member : plugins.members) {
        const PluginRecord& record = member.second;
        if (!StorableText(record.name) || !StorableText(record.folder)) continue;
        AppendText(out, record.name);
        AppendText(out, record.folder);
        ++written;
    }
    PatchLe32(out, countAt, written);
    EncodeForeign(out, foreign);
}

int SettingsParse(const uint8_t* data, size_t size, int32_t rect[4], AppSettings& settings, PluginSet& plugins,
                  ForeignLibrarySet* foreign) {
    if (!data) size = 0;
    // The image as it stands, overlaid with the bytes the file reaches.
    std::string head;
    try {
        head.reserve(kSettingsCountOffset);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    EncodeHead(head, rect, settings, true);
    const size_t reached = size < kSettingsCountOffset ? size : kSettingsCountOffset;
    if (reached) std::memcpy(head.data(), data, reached);

    const auto* image = reinterpret_cast<const uint8_t*>(head.data());
    for (int i = 0; i < 4; ++i) rect[i] = static_cast<int32_t>(LoadLe32(image + kSettingsRectOffset + 4 * i));
    const uint8_t* block = image + kSettingsBlockOffset;
    settings.ScanSubfolders = LoadLe32(block + kBlockScanSubfolders);
    settings.VstFolder1Enabled = LoadLe32(block + kBlockVstFolder1Enabled);
    settings.VstFolder2Enabled = LoadLe32(block + kBlockVstFolder2Enabled);
    DecodePath(block, kBlockOpenFilesFolder, settings.OpenFilesFolder);
    DecodePath(block, kBlockOpenFolderPath, settings.OpenFolderPath);
    DecodePath(block, kBlockExportFolder, settings.ExportFolder);
    DecodePath(block, kBlockVstFolder1, settings.VstFolder1);
    DecodePath(block, kBlockVstFolder2, settings.VstFolder2);

    // A file that ends before N holds no list.
    if (size < kSettingsRecordsOffset) return 1;
    const uint32_t count = LoadLe32(data + kSettingsCountOffset);
    size_t pos = kSettingsRecordsOffset;
    std::string name;
    std::string folder;
    for (uint32_t i = 0; i < count; ++i) {
        try {
            if (!ReadText(data, size, pos, name) || !ReadText(data, size, pos, folder)) return 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
        PluginSetAdd(plugins, name.c_str(), folder.c_str());
    }
    if (foreign) {
        try {
            ParseForeign(data, size, pos, *foreign);
        } catch (const std::bad_alloc&) {
        }
    }
    return 1;
}

void LoadSettings(void* mainWindow) {
    if (PathExists(g_path.c_str())) {
        int32_t rect[4] = {0, 0, 0, 0};
        int32_t current[4] = {0, 0, 0, 0};
        if (FrontEndGetWindowRect(current)) std::memcpy(rect, current, sizeof rect);
        std::string bytes;
        if (ReadWholeFile(g_path.c_str(), bytes) && !bytes.empty()) {
            SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, Settings,
                          InstalledPlugins, &ForeignLibraries);
            UpdateStatusLine();
            FrontEndSetWindowRect(rect);
            return;
        }
        FrontEndShowError(mainWindow, kDamagedText);
    }
    ApplyDefaults();
}

int SaveSettings(void* mainWindow) {
    int written = 0;
    try {
        std::string old;
        if (ReadOldFile(old)) {
            // A front end without a window keeps the rectangle the file holds.
            int32_t rect[4] = {0, 0, 0, 0};
            for (int i = 0; i < 4 && old.size() >= kSettingsBlockOffset; ++i)
                rect[i] = static_cast<int32_t>(LoadLe32(reinterpret_cast<const uint8_t*>(old.data()) + 4 * i));
            int32_t current[4] = {0, 0, 0, 0};
            if (FrontEndGetWindowRect(current)) std::memcpy(rect, current, sizeof rect);

            std::string bytes;
            bytes.reserve(kSettingsRecordsOffset + (old.size() > kSettingsCountOffset ? old.size() : 0));
            SettingsEncodeHead(bytes, rect, Settings);
            // Without an inventory the libraries of another kind are all
            // the scan found, and they are written with the empty list.
            if (InstalledPlugins.members.empty())
                SettingsEncodeInventory(bytes, InstalledPlugins, ForeignLibraries);
            else if (old.size() > kSettingsCountOffset)
                bytes.append(old, kSettingsCountOffset, std::string::npos);
            written = WriteReplacing(g_path, bytes);
        }
    } catch (const std::bad_alloc&) {
        written = 0;
    }
    if (!written) FrontEndShowError(mainWindow, kCannotWriteText);
    return written;
}

int SaveInstalledPlugins() {
    try {
        std::string old;
        if (!ReadOldFile(old)) return 0;
        // A shorter file is extended with zero bytes, filled in by the next SaveSettings.
        std::string bytes(kSettingsCountOffset, '\0');
        old.copy(bytes.data(), kSettingsCountOffset);
        SettingsEncodeInventory(bytes, InstalledPlugins, ForeignLibraries);
        return WriteReplacing(g_path, bytes);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
