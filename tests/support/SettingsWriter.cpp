#include "support/SettingsWriter.h"

namespace {

void WritePathField(ByteWriter& out, const std::string& text, char fill) {
    out.Raw(text.substr(0, 259)).U8(0);
    const size_t used = (text.size() < 259 ? text.size() : 259) + 1;
    out.Fixed("", 260 - used, fill);
}

}  // namespace

void WriteSettingsHead(ByteWriter& out, const SettingsContent& content) {
    for (int32_t v : content.rect) out.I32(v);                        // offset 0: left, top, right, bottom
    out.U32(content.scanSubfolders);                                  // block +0
    out.U32(content.vstFolder1Enabled);                               // block +4
    out.U32(content.vstFolder2Enabled);                               // block +8
    WritePathField(out, content.openFilesFolder, content.pathFill);   // block +12
    WritePathField(out, content.openFolderPath, content.pathFill);    // block +272
    WritePathField(out, content.exportFolder, content.pathFill);      // block +532
    WritePathField(out, content.vstFolder1, content.pathFill);        // block +792
    WritePathField(out, content.vstFolder2, content.pathFill);        // block +1052
}

void WriteSettingsRecord(ByteWriter& out, const std::string& name, const std::string& folder) {
    out.U32(static_cast<uint32_t>(name.size() + 1)).Raw(name).U8(0);
    out.U32(static_cast<uint32_t>(folder.size() + 1)).Raw(folder).U8(0);
}

std::string SettingsFileBytes(const SettingsContent& content) {
    ByteWriter out;
    WriteSettingsHead(out, content);
    out.U32(static_cast<uint32_t>(content.records.size()));           // offset 1328: N
    for (const auto& record : content.records) WriteSettingsRecord(out, record.name, record.folder);
    return out.bytes;
}
