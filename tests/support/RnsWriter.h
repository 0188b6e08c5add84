// Legacy binary songs, well-formed and of any size, for the long run's
// collection and the benchmarks; broken ones are committed under tests/data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A well-formed song: version, header, player, track DSP and instruments
// chunks, each followed by an end marker. A zero byte stands before the
// markers of the scanned chunks: a reference text that touches the marker
// is not taken. Four zero bytes end the image, as the reader does not see a
// marker that ends exactly at its end.
struct RnsSongLayout {
    std::string version = "RNS018";
    int headerVersion = 1;  // 0: fixed fields; 1, 2: length-prefixed
    std::string songName = "Demo";
    std::string artist = "Someone";
    int32_t bpm = 125;
    int32_t tpl = 6;
    std::vector<std::string> trackDspReferences;     // whole texts: "Vst: Delay"
    std::vector<std::string> instrumentReferences;
    // Song data, for sizes like real songs: between the player and the track
    // DSP chunk (pattern data), spread between the track DSP references, and
    // spread between the instrument references (samples).
    size_t patternBytes = 0;
    size_t trackDspBytes = 0;
    size_t sampleBytes = 0;
    uint32_t seed = 1;
};

std::string WriteRnsSong(const RnsSongLayout& layout);
