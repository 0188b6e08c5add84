#include "support/RnsWriter.h"

namespace {

constexpr size_t kVersionWidth = 9;
constexpr size_t kTagNameWidth = 19;
constexpr size_t kFixedFieldWidth = 20;
constexpr size_t kPlayerUnreadBytes = 12;

std::string VersionedTag(const char* name, int version) { return name + std::string(" V0") + std::to_string(version); }

// Puts `total` filler bytes into references.size() + 1 gaps around the references.
void WriteReferencesWithFiller(RnsWriter& writer, const std::vector<std::string>& references, size_t total,
                               uint32_t seed) {
    const size_t gaps = references.size() + 1;
    for (size_t i = 0; i < gaps; ++i) {
        const size_t share = total / gaps + (i < total % gaps ? 1 : 0);
        if (share) writer.Filler(share, seed + static_cast<uint32_t>(i));
        if (i < references.size()) writer.Reference(references[i]);
    }
}

}  // namespace

RnsWriter& RnsWriter::Version(std::string_view text) {
    out.Raw(text);
    if (text.size() < kVersionWidth) out.Zeros(kVersionWidth - text.size());
    return *this;
}

RnsWriter& RnsWriter::Tag(std::string_view name) {
    out.Fixed(name, kTagNameWidth, ' ');
    out.U8(0);
    return *this;
}

RnsWriter& RnsWriter::EndMarker() {
    out.Raw(std::string_view(kRnsEndMarker, sizeof kRnsEndMarker));  // its zero byte included
    return *this;
}

RnsWriter& RnsWriter::HeaderFixed(std::string_view songName, std::string_view artist) {
    Tag("Header V00");
    out.Fixed(songName, kFixedFieldWidth);
    out.Fixed(artist, kFixedFieldWidth);
    return *this;
}

RnsWriter& RnsWriter::HeaderPrefixed(std::string_view songName, std::string_view artist, int version) {
    Tag(VersionedTag("Header", version));
    out.U32(static_cast<uint32_t>(songName.size())).Raw(songName);
    out.U32(static_cast<uint32_t>(artist.size())).Raw(artist);
    return *this;
}

RnsWriter& RnsWriter::Player(int32_t bpm, int32_t tpl, int version) {
    Tag(VersionedTag("Player", version));
    out.Raw(std::string_view(kRnsPlayerMarker, sizeof kRnsPlayerMarker));
    out.Zeros(kPlayerUnreadBytes);
    out.I32(bpm).I32(tpl);
    return *this;
}

RnsWriter& RnsWriter::Reference(std::string_view text) {
    out.I32(static_cast<int32_t>(text.size())).Raw(text);
    return *this;
}

RnsWriter& RnsWriter::Raw(std::string_view bytes) {
    out.Raw(bytes);
    return *this;
}

RnsWriter& RnsWriter::Zeros(size_t n) {
    out.Zeros(n);
    return *this;
}

RnsWriter& RnsWriter::Filler(size_t n, uint32_t seed) {
    // xorshift64: fast enough for songs of tens of megabytes.
    uint64_t state = 0x9E3779B97F4A7C15ull ^ (static_cast<uint64_t>(seed) << 1 | 1);
    std::string& bytes = out.bytes;
    const size_t first = bytes.size();
    bytes.resize(first + n);
    for (size_t i = 0; i < n; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (size_t k = 0; k < 8 && i + k < n; ++k) bytes[first + i + k] = static_cast<char>(state >> (8 * k));
    }
    return *this;
}

std::string WriteRnsSong(const RnsSongLayout& layout) {
    RnsWriter writer;
    writer.Version(layout.version);
    if (layout.headerVersion == 0)
        writer.HeaderFixed(layout.songName, layout.artist);
    else
        writer.HeaderPrefixed(layout.songName, layout.artist, layout.headerVersion);
    writer.EndMarker();
    writer.Player(layout.bpm, layout.tpl, 1).EndMarker();
    if (layout.patternBytes) writer.Filler(layout.patternBytes, layout.seed);
    writer.Tag("TrackDsp V03");
    WriteReferencesWithFiller(writer, layout.trackDspReferences, layout.trackDspBytes, layout.seed + 1000);
    writer.Zeros(1).EndMarker();
    writer.Tag("Instruments V04");
    WriteReferencesWithFiller(writer, layout.instrumentReferences, layout.sampleBytes, layout.seed + 2000);
    writer.Zeros(1).EndMarker();
    writer.Zeros(4);
    return writer.Bytes();
}
