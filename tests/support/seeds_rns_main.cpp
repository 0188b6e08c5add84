// Writes fuzz seeds for the legacy binary song reader into the folder argv[1]:
// every tag version and header layout, the player with and without its marker,
// references at the length limits, and the ways a song can break off.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/RnsWriter.h"

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes) {
    const std::string path = folder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

RnsSongLayout Layout(int header, int player, bool marker, int trackDsp, int instruments) {
    RnsSongLayout layout;
    layout.headerVersion = header;
    layout.playerVersion = player;
    layout.globalMarker = marker;
    layout.trackDspVersion = trackDsp;
    layout.instrumentsVersion = instruments;
    layout.trackDspReferences = {"Vst: Delay", "Vst: RVerb (Waves)"};
    layout.instrumentReferences = {"Vst: DELAY", "Vst: Synth"};
    layout.trackDspBytes = 40;
    layout.sampleBytes = 60;
    return layout;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<std::pair<std::string, std::string>> seeds;

    seeds.emplace_back("fixed-header", WriteRnsSong(Layout(0, 0, false, 0, 0)));
    seeds.emplace_back("prefixed-header-v01", WriteRnsSong(Layout(1, 1, true, 1, 1)));
    seeds.emplace_back("prefixed-header-v02", WriteRnsSong(Layout(2, 0, true, 2, 2)));
    seeds.emplace_back("last-versions", WriteRnsSong(Layout(2, 1, false, 3, 4)));
    RnsSongLayout old = Layout(0, 0, false, 3, 3);
    old.version = "RNS04";
    seeds.emplace_back("version-04", WriteRnsSong(old));

    RnsWriter limits;
    limits.Version("RNS018").HeaderPrefixed("Limits", "").EndMarker().Player(999, 1).EndMarker();
    limits.Tag("TrackDsp V00").Reference(255, "Vst: " + std::string(250, 'x')).Zeros(1);
    limits.Reference(256, "Vst: " + std::string(251, 'y')).Reference(0, "Vst: ").Reference(-1, "Vst: a");
    limits.Reference("Vst: ").Reference(3, "Vst: abc").Reference("Vst: Edge").EndMarker();
    limits.Tag("Instruments V04").Reference("Vst: Shared").Zeros(1).EndMarker().Zeros(1);
    seeds.emplace_back("reference-limits", limits.Bytes());

    RnsWriter shared;  // two chunks end at one marker; a later tag keeps an earlier length
    shared.Version("RNS012").Tag("Instruments V02").Tag("TrackDsp V00").Zeros(16).EndMarker();
    shared.Tag("TrackDsp V01").Reference("Vst: Near").Zeros(8).Reference("Vst: Far");
    shared.HeaderFixed("Twenty characters!!!", "").Player(1, 2, false).Zeros(1);
    seeds.emplace_back("kept-length", shared.Bytes());

    RnsWriter cut;  // the header is the last chunk and breaks off inside its artist
    cut.Version("RNS018").Player(125, 6).Tag("TrackDsp V00").EndMarker().Tag("Instruments V00").EndMarker();
    cut.Tag("Header V01").U32(4).Raw("Name").U32(100).Raw("Art");
    seeds.emplace_back("cut-header", cut.Bytes());

    RnsWriter cutPlayer;
    cutPlayer.Version("RNS018").HeaderPrefixed("Demo", "A").Tag("TrackDsp V00").EndMarker();
    cutPlayer.Tag("Instruments V00").EndMarker().Tag("Player V01").Raw("GlobalSongData00").Zeros(5);
    seeds.emplace_back("cut-player", cutPlayer.Bytes());

    RnsSongLayout noMarker = Layout(1, 1, true, 1, 1);
    noMarker.trailingBytes = 0;
    seeds.emplace_back("marker-at-the-end", WriteRnsSong(noMarker));
    seeds.emplace_back("unsupported", RnsWriter().Version("RNS10").Tag("Header V00").Bytes());

    for (const auto& seed : seeds) {
        if (!WriteSeed(folder, "rns-" + seed.first, seed.second)) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), seed.first.c_str());
            return 1;
        }
    }
    return 0;
}
