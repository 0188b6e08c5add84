// Writes seed settings files into the folder argv[1]: a whole file with
// records, the empty list, short files, and damaged record lists.
#include <cstdio>
#include <string>

#include "support/SettingsWriter.h"

namespace {

bool Save(const std::string& folder, const char* name, const std::string& bytes) {
    const std::string path = folder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    SettingsContent full;
    full.vstFolder1Enabled = 1;
    full.openFilesFolder = "C:\\Music";
    full.exportFolder = "C:\\Reports";
    full.vstFolder1 = "C:\\VST";
    full.pathFill = 'x';
    full.records = {{"a.dll", "C:\\VST"}, {"B.dll", "C:\\VST\\Sub"}, {std::string(259, 'n'), std::string(259, 'f')}};
    const std::string whole = SettingsFileBytes(full);

    ByteWriter damaged;
    WriteSettingsHead(damaged, SettingsContent{});
    damaged.U32(3);                                // N claims three records
    WriteSettingsRecord(damaged, "kept.dll", "/v");
    damaged.U32(261).Raw("too long");              // L1 out of range

    ByteWriter cut;
    WriteSettingsHead(cut, SettingsContent{});
    cut.U32(2);
    WriteSettingsRecord(cut, "a.dll", "/v");
    cut.U32(6).Raw("b.d");                         // ends inside the name

    bool ok = Save(folder, "whole", whole);
    ok = Save(folder, "empty-list", SettingsFileBytes(SettingsContent{})) && ok;
    ok = Save(folder, "short-block", whole.substr(0, 300)) && ok;
    ok = Save(folder, "short-count", whole.substr(0, 1330)) && ok;
    ok = Save(folder, "damaged-length", damaged.bytes) && ok;
    ok = Save(folder, "cut-record", cut.bytes) && ok;
    return ok ? 0 : 1;
}
