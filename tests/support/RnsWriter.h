// Legacy binary songs for tests, fuzz seeds and the benchmarks. RnsWriter lays out any image piece by piece in file order, also
// broken ones; WriteRnsSong builds a well-formed song from a layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Bytes.h"

inline constexpr char kRnsEndMarker[] = ">>>  Chunk End  <<<";
inline constexpr char kRnsPlayerMarker[] = "GlobalSongData00";

struct RnsWriter {
    ByteWriter out;

    // The version text and zero bytes up to 9 bytes (none when it has 9 or more).
    RnsWriter& Version(std::string_view text);
    // A chunk tag: the name padded with blanks to 19 bytes, then a zero byte.
    RnsWriter& Tag(std::string_view name);
    RnsWriter& EndMarker();

    // "Header V00": two 20-byte fields, zero-padded (a text of 20 or more fills its field).
    RnsWriter& HeaderFixed(std::string_view songName, std::string_view artist);
    // "Header V0<version>" with 32-bit lengths in front of the unterminated texts.
    RnsWriter& HeaderPrefixed(std::string_view songName, std::string_view artist, int version = 1);
    // "Player V0<version>", the "GlobalSongData00" marker with its zero,
    // 12 zero bytes, then tempo and ticks per line.
    RnsWriter& Player(int32_t bpm, int32_t tpl, int version = 0);

    // A reference: its 32-bit length, then the text.
    RnsWriter& Reference(std::string_view text);

    RnsWriter& Raw(std::string_view bytes);
    RnsWriter& Zeros(size_t n);
    // Pseudo-random bytes like sample or pattern data; the same seed gives the same bytes.
    RnsWriter& Filler(size_t n, uint32_t seed = 1);

    size_t Size() const { return out.bytes.size(); }
    const std::string& Bytes() const { return out.bytes; }
};

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
