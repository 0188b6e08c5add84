// Writes seed settings files into the folder argv[1]: a whole file with
// records, the empty list, short files, and damaged record lists.
#include <string>
#include <vector>

#include "support/Seeds.h"
#include "support/SettingsWriter.h"

int main(int argc, char** argv) {
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

    return WriteSeedsMain(argc, argv,
                          {
                              {"whole", whole},
                              {"empty-list", SettingsFileBytes(SettingsContent{})},
                              {"short-block", whole.substr(0, 300)},
                              {"short-count", whole.substr(0, 1330)},
                              {"damaged-length", damaged.bytes},
                              {"cut-record", cut.bytes},
                          });
}
