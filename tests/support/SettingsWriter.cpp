#include "support/SettingsWriter.h"

#include "support/Bytes.h"

std::string SettingsHead(const SettingsContent& content) {
    ByteWriter out;
    for (int32_t v : content.rect) out.I32(v);  // offset 0: left, top, right, bottom
    out.U32(content.scanSubfolders).U32(content.vstFolder1Enabled).U32(content.vstFolder2Enabled);  // block +0, +4, +8
    // The path fields at block +12, +272, +532, +792 and +1052.
    for (const std::string* path : {&content.openFilesFolder, &content.openFolderPath, &content.exportFolder,
                                    &content.vstFolder1, &content.vstFolder2}) {
        const std::string text = path->substr(0, 259);
        out.Raw(text).U8(0).Fixed("", 259 - text.size(), content.pathFill);
    }
    return out.bytes;
}

std::string SettingsRecord(const std::string& name, const std::string& folder) {
    return ByteWriter().U32(static_cast<uint32_t>(name.size() + 1)).Raw(name).U8(0)
        .U32(static_cast<uint32_t>(folder.size() + 1)).Raw(folder).U8(0).bytes;
}

std::string SettingsFileBytes(const SettingsContent& content) {
    std::string out = SettingsHead(content) + LittleEndian32(static_cast<uint32_t>(content.records.size()));
    for (const auto& record : content.records) out += SettingsRecord(record.name, record.folder);
    return out;
}
