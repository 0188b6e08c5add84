#include "support/RnsWriter.h"

#include <algorithm>

#include "support/Bytes.h"

namespace {

// A chunk tag: the name padded with blanks to 19 bytes, then a zero byte.
void Tag(ByteWriter& out, const std::string& name) { out.Fixed(name, 19, ' ').U8(0); }
void EndMarker(ByteWriter& out) { out.Raw(std::string_view(">>>  Chunk End  <<<", 20)); }  // its zero included

// Pseudo-random bytes like sample or pattern data; the same seed gives the
// same bytes. xorshift64: fast enough for songs of tens of megabytes.
void Filler(std::string& bytes, size_t n, uint32_t seed) {
    uint64_t state = 0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(seed) << 1 | 1);
    const size_t first = bytes.size();
    bytes.resize(first + n);
    for (size_t i = 0; i < n; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (size_t k = 0; k < 8 && i + k < n; ++k) bytes[first + i + k] = static_cast<char>(state >> (8 * k));
    }
}

// The references (32-bit length, text) with `total` filler bytes spread over
// the gaps around them, then the zero byte and the end marker.
void ScannedChunk(ByteWriter& out, const char* tag, const std::vector<std::string>& references, size_t total,
                  uint32_t seed) {
    Tag(out, tag);
    const size_t gaps = references.size() + 1;
    for (size_t i = 0; i < gaps; ++i) {
        const size_t share = total / gaps + (i < total % gaps ? 1 : 0);
        if (share) Filler(out.bytes, share, seed + static_cast<uint32_t>(i));
        if (i < references.size()) out.I32(static_cast<int32_t>(references[i].size())).Raw(references[i]);
    }
    out.U8(0);
    EndMarker(out);
}

}  // namespace

std::string WriteRnsSong(const RnsSongLayout& layout) {
    ByteWriter out;
    out.Fixed(layout.version, std::max<size_t>(layout.version.size(), 9));  // zeros up to 9 bytes
    if (layout.headerVersion == 0) {  // two 20-byte fields
        Tag(out, "Header V00");
        out.Fixed(layout.songName, 20).Fixed(layout.artist, 20);
    } else {  // 32-bit lengths in front of the unterminated texts
        Tag(out, "Header V0" + std::to_string(layout.headerVersion));
        out.U32(static_cast<uint32_t>(layout.songName.size())).Raw(layout.songName);
        out.U32(static_cast<uint32_t>(layout.artist.size())).Raw(layout.artist);
    }
    EndMarker(out);
    Tag(out, "Player V01");  // the marker with its zero, 12 unread bytes, tempo, ticks per line
    out.Raw(std::string_view("GlobalSongData00", 17)).Zeros(12).I32(layout.bpm).I32(layout.tpl);
    EndMarker(out);
    if (layout.patternBytes) Filler(out.bytes, layout.patternBytes, layout.seed);
    ScannedChunk(out, "TrackDsp V03", layout.trackDspReferences, layout.trackDspBytes, layout.seed + 1000);
    ScannedChunk(out, "Instruments V04", layout.instrumentReferences, layout.sampleBytes, layout.seed + 2000);
    out.Zeros(4);
    return std::move(out.bytes);
}
