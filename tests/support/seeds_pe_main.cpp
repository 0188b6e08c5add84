// Writes the seeds of the PE fuzz target: libraries of each processor kind,
// each placement of the export data, forwarded exports, and cut-off images.
#include <cstdio>
#include <fstream>
#include <string>

#include "support/PeWriter.h"

namespace {

void Save(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    Save(folder, "amd64-vst", BuildPeImage(PeDllSpec(kPeWriterAmd64, {"VSTPluginMain", "main"})).bytes);
    Save(folder, "i386-vst", BuildPeImage(PeDllSpec(kPeWriterI386, {"VSTPluginMain"})).bytes);
    Save(folder, "arm64-vst", BuildPeImage(PeDllSpec(kPeWriterArm64, {"main"})).bytes);
    PeSpec waves = PeDllSpec(kPeWriterAmd64, {"DllRegisterServer", "DllGetClassObject"});
    waves.exports.push_back(PeExport{"MarkAuthorizationState", "WAVESLIB.MarkAuthorizationState"});
    const char* placements[] = {"edata", "rdata", "split"};
    for (int p = 0; p < 3; ++p) {
        waves.placement = static_cast<PeExportPlacement>(p);
        Save(folder, std::string("waves-") + placements[p], BuildPeImage(waves).bytes);
    }
    PeSpec program = PeDllSpec(kPeWriterAmd64, {"main"});
    program.dll = false;
    Save(folder, "program", BuildPeImage(program).bytes);
    PeSpec bare = PeDllSpec(kPeWriterAmd64, {});
    bare.exportDirectory = false;
    Save(folder, "no-exports", BuildPeImage(bare).bytes);
    const PeFile whole = BuildPeImage(PeDllSpec(kPeWriterAmd64, {"VSTPluginMain"}));
    for (size_t cut : PeBoundaries(whole.layout))
        if (cut > 0 && cut < whole.bytes.size()) Save(folder, "cut-" + std::to_string(cut), whole.bytes.substr(0, cut));
    return 0;
}
