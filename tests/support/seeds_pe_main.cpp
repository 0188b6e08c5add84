// Writes the seeds of the PE fuzz target: libraries of each processor kind,
// each placement of the export data, forwarded exports, and cut-off images.
#include <string>
#include <vector>

#include "support/PeWriter.h"
#include "support/Seeds.h"

int main(int argc, char** argv) {
    std::vector<Seed> seeds;
    seeds.push_back({"amd64-vst", BuildPeImage(PeDllSpec(kPeWriterAmd64, {"VSTPluginMain", "main"})).bytes});
    seeds.push_back({"i386-vst", BuildPeImage(PeDllSpec(kPeWriterI386, {"VSTPluginMain"})).bytes});
    seeds.push_back({"arm64-vst", BuildPeImage(PeDllSpec(kPeWriterArm64, {"main"})).bytes});
    PeSpec waves = PeDllSpec(kPeWriterAmd64, {"DllRegisterServer", "DllGetClassObject"});
    waves.exports.push_back(PeExport{"MarkAuthorizationState", "WAVESLIB.MarkAuthorizationState"});
    const char* placements[] = {"edata", "rdata", "split"};
    for (int p = 0; p < 3; ++p) {
        waves.placement = static_cast<PeExportPlacement>(p);
        seeds.push_back({std::string("waves-") + placements[p], BuildPeImage(waves).bytes});
    }
    PeSpec program = PeDllSpec(kPeWriterAmd64, {"main"});
    program.dll = false;
    seeds.push_back({"program", BuildPeImage(program).bytes});
    PeSpec bare = PeDllSpec(kPeWriterAmd64, {});
    bare.exportDirectory = false;
    seeds.push_back({"no-exports", BuildPeImage(bare).bytes});
    const PeFile whole = BuildPeImage(PeDllSpec(kPeWriterAmd64, {"VSTPluginMain"}));
    for (size_t cut : PeBoundaries(whole.layout))
        if (cut > 0 && cut < whole.bytes.size()) seeds.push_back({"cut-" + std::to_string(cut), whole.bytes.substr(0, cut)});
    return WriteSeedsMain(argc, argv, seeds);
}
