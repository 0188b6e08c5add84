// Writes fuzz seeds for the legacy binary song reader into the folder argv[1]:
// every tag version and header layout, the player with and without its marker,
// references at the length limits, and the ways a song can break off.
#include <string>
#include <vector>

#include "support/RnsWriter.h"
#include "support/Seeds.h"

namespace {

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
    std::vector<Seed> seeds;

    seeds.push_back({"rns-fixed-header", WriteRnsSong(Layout(0, 0, false, 0, 0))});
    seeds.push_back({"rns-prefixed-header-v01", WriteRnsSong(Layout(1, 1, true, 1, 1))});
    seeds.push_back({"rns-prefixed-header-v02", WriteRnsSong(Layout(2, 0, true, 2, 2))});
    seeds.push_back({"rns-last-versions", WriteRnsSong(Layout(2, 1, false, 3, 4))});
    RnsSongLayout old = Layout(0, 0, false, 3, 3);
    old.version = "RNS04";
    seeds.push_back({"rns-version-04", WriteRnsSong(old)});

    RnsWriter limits;
    limits.Version("RNS018").HeaderPrefixed("Limits", "").EndMarker().Player(999, 1).EndMarker();
    limits.Tag("TrackDsp V00").Reference(255, "Vst: " + std::string(250, 'x')).Zeros(1);
    limits.Reference(256, "Vst: " + std::string(251, 'y')).Reference(0, "Vst: ").Reference(-1, "Vst: a");
    limits.Reference("Vst: ").Reference(3, "Vst: abc").Reference("Vst: Edge").EndMarker();
    limits.Tag("Instruments V04").Reference("Vst: Shared").Zeros(1).EndMarker().Zeros(1);
    seeds.push_back({"rns-reference-limits", limits.Bytes()});

    RnsWriter shared;  // two chunks end at one marker; a later tag keeps an earlier length
    shared.Version("RNS012").Tag("Instruments V02").Tag("TrackDsp V00").Zeros(16).EndMarker();
    shared.Tag("TrackDsp V01").Reference("Vst: Near").Zeros(8).Reference("Vst: Far");
    shared.HeaderFixed("Twenty characters!!!", "").Player(1, 2, false).Zeros(1);
    seeds.push_back({"rns-kept-length", shared.Bytes()});

    RnsWriter cut;  // the header is the last chunk and breaks off inside its artist
    cut.Version("RNS018").Player(125, 6).Tag("TrackDsp V00").EndMarker().Tag("Instruments V00").EndMarker();
    cut.Tag("Header V01").U32(4).Raw("Name").U32(100).Raw("Art");
    seeds.push_back({"rns-cut-header", cut.Bytes()});

    RnsWriter cutPlayer;
    cutPlayer.Version("RNS018").HeaderPrefixed("Demo", "A").Tag("TrackDsp V00").EndMarker();
    cutPlayer.Tag("Instruments V00").EndMarker().Tag("Player V01").Raw("GlobalSongData00").Zeros(5);
    seeds.push_back({"rns-cut-player", cutPlayer.Bytes()});

    RnsSongLayout noMarker = Layout(1, 1, true, 1, 1);
    noMarker.trailingBytes = 0;
    seeds.push_back({"rns-marker-at-the-end", WriteRnsSong(noMarker)});
    seeds.push_back({"rns-unsupported", RnsWriter().Version("RNS10").Tag("Header V00").Bytes()});

    return WriteSeedsMain(argc, argv, seeds);
}
