// Writes the seeds of the Wine registry fuzz target: class lists as the
// Waves scan reads them, every value kind, escapes and continuation lines.
#include <string>
#include <vector>

#include "support/Seeds.h"
#include "support/WineRegWriter.h"

int main(int argc, char** argv) {
    std::vector<Seed> seeds;
    seeds.push_back(
        {"classes",
         WineSystemReg({{"", "Waves C1 Compressor", "C:\\Program Files\\Waves\\WaveShell1-VST 9.2_x64.dll", true, true},
                        {"", "Ole Helper", "C:\\windows\\system32\\ole32.dll", true, true},
                        {"", "waves \"Q10\" K\xC3\xB6ln \xF0\x9F\x8E\xB9", "C:\\a\\b.dll", true, true},
                        {"", "no server", "", true, false},
                        {"", "", "", false, true}})});
    WineKey kinds{"Software\\VST", {}};
    kinds.values.push_back(WineValue{"VSTPluginsPath", WineValueKind::kString, "C:\\VstPlugins\\\t\r\n", 0, ""});
    kinds.values.push_back(WineValue{"Expand", WineValueKind::kExpandString, "%ProgramFiles%\\x", 0, ""});
    kinds.values.push_back(WineValue{"Multi", WineValueKind::kMultiString, std::string("a\0b", 3), 0, ""});
    kinds.values.push_back(WineValue{"Count", WineValueKind::kDword, "", 42, ""});
    kinds.values.push_back(WineValue{"Blob", WineValueKind::kHex, "", 0, std::string(80, '\x5A')});
    seeds.push_back({"value-kinds", WriteWineRegistry({kinds})});
    seeds.push_back({"crlf", "WINE REGISTRY Version 2\r\n[A\\\\B] 1\r\n@=\"x\"\r\n"});
    return WriteSeedsMain(argc, argv, seeds);
}
