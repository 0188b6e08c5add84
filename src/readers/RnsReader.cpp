#include "readers/RnsReader.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "core/ByteOrder.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "platform/Files.h"
#include "platform/Text.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

constexpr size_t kVersionBytes = 9;
constexpr size_t kTagSize = 20;  // 19 name bytes padded with blanks, then a zero
constexpr size_t kTagNameSize = 19;

// Header V00: two fixed text fields after the tag.
constexpr size_t kFixedFieldSize = 20;
constexpr size_t kFixedNameOffset = 20;
constexpr size_t kFixedArtistOffset = 40;
// Header V01/V02: a 32-bit length, then that many bytes, twice.
constexpr size_t kPrefixedFirstLengthOffset = 20;
constexpr size_t kPrefixedLengthSize = 4;

// Player: an optional marker, 12 bytes nobody reads, then tempo and TPL.
constexpr size_t kPlayerMarkerOffset = 20;
constexpr size_t kPlayerMarkerSize = 17;
constexpr size_t kPlayerBpmOffset = 32;
constexpr size_t kPlayerTplOffset = 36;
constexpr size_t kPlayerFieldSize = 4;
constexpr char kPlayerMarker[kPlayerMarkerSize + 1] = "GlobalSongData00";  // the zero belongs to it

// A reference: a signed 32-bit length in front of a "Vst: " text.
constexpr size_t kReferenceLengthSize = 4;
constexpr size_t kReferencePrefixSize = 5;
constexpr int32_t kReferenceMaxLength = 255;
constexpr char kReferencePrefix[] = "Vst: ";

constexpr char kEndMarker[] = ">>>  Chunk End  <<<";
static_assert(sizeof kEndMarker == kTagSize, "the end marker is compared as a whole tag, zero included");

constexpr const char* kVersions[] = {"RNS04",  "RNS05",  "RNS06",  "RNS07",  "RNS08",
                                     "RNS09",  "RNS010", "RNS011", "RNS012", "RNS013",
                                     "RNS014", "RNS015", "RNS016", "RNS017", "RNS018"};

enum ChunkKind { kHeader, kPlayer, kTrackDsp, kInstruments, kNoChunk };

struct Tag {
    char bytes[kTagSize] = {};
    ChunkKind kind = kNoChunk;
};

constexpr Tag MakeTag(const char* name, ChunkKind kind) {
    Tag tag;
    size_t i = 0;
    for (; name[i]; ++i) tag.bytes[i] = name[i];
    for (; i < kTagNameSize; ++i) tag.bytes[i] = ' ';
    tag.bytes[kTagNameSize] = '\0';
    tag.kind = kind;
    return tag;
}

// Grouped by first byte: a candidate is compared only with the tags that begin like it.
constexpr Tag kHeaderTags[] = {MakeTag("Header V00", kHeader), MakeTag("Header V01", kHeader),
                               MakeTag("Header V02", kHeader)};
constexpr Tag kPlayerTags[] = {MakeTag("Player V00", kPlayer), MakeTag("Player V01", kPlayer)};
constexpr Tag kTrackDspTags[] = {MakeTag("TrackDsp V00", kTrackDsp), MakeTag("TrackDsp V01", kTrackDsp),
                                 MakeTag("TrackDsp V02", kTrackDsp), MakeTag("TrackDsp V03", kTrackDsp)};
constexpr Tag kInstrumentsTags[] = {
    MakeTag("Instruments V00", kInstruments), MakeTag("Instruments V01", kInstruments),
    MakeTag("Instruments V02", kInstruments), MakeTag("Instruments V03", kInstruments),
    MakeTag("Instruments V04", kInstruments)};
const Tag& kFixedHeaderTag = kHeaderTags[0];

enum Message { kCannotOpen, kDamaged, kNoMemoryForFile, kCannotRead, kUnsupported, kChunksMissing, kMemoryError };

// Every line carries the full path; a line that cannot be formed for want of
// memory is dropped rather than thrown through the catalogue.
void Report(Message message, const char* path) {
    const char* shown = path ? path : "";
    try {
        std::string line;
        switch (message) {
            case kCannotOpen: line = TextFormat("Error: The file \"%s\" could not be opened!", shown); break;
            case kDamaged: line = TextFormat("Error: The file \"%s\" seems to be damaged!", shown); break;
            case kNoMemoryForFile:
                line = TextFormat("Error: Could not allocate enough memory for \"%s\"!", shown);
                break;
            case kCannotRead: line = TextFormat("Error: Could not read \"%s\"!", shown); break;
            case kUnsupported:
                line = TextFormat(
                    "Error: %s: Unsupported RNS file (only Renoise 1.0 to Renoise 1.5.2 songs are supported)!", shown);
                break;
            case kChunksMissing:
                line = TextFormat("Error: %s: Failed to parse the RNS file (chunks could not be found)!", shown);
                break;
            case kMemoryError:
                line = TextFormat("Error: %s: Failed to parse the RNS file (Memory error)!", shown);
                break;
        }
        AppendErrorLine(line);
    } catch (const std::bad_alloc&) {
    }
}

// True when [offset, offset + width) lies inside an image of size bytes.
bool Inside(size_t size, size_t offset, size_t width) { return offset <= size && width <= size - offset; }

int32_t ReadI32(const unsigned char* p) { return static_cast<int32_t>(LoadLe32(p)); }

bool IsAcceptedVersion(const unsigned char* image, size_t size) {
    char version[kVersionBytes + 1] = {};
    if (size) std::memcpy(version, image, size < kVersionBytes ? size : kVersionBytes);
    for (const char* accepted : kVersions)
        if (std::strcmp(version, accepted) == 0) return true;
    return false;
}

// --- The chunk scan --------------------------------------------------------

// Candidates for a tag are found sixteen offsets at a time as a bit mask, by
// their first two bytes (every tag kind has its own pair), so song data, where
// such pairs are rare, is passed over without a branch per byte.
constexpr size_t kBlock = 16;

#if defined(__SSE2__) || defined(_M_X64)
__m128i PairHits(__m128i first, __m128i second, char a, char b) {
    return _mm_and_si128(_mm_cmpeq_epi8(first, _mm_set1_epi8(a)), _mm_cmpeq_epi8(second, _mm_set1_epi8(b)));
}

// Needs 17 readable bytes at `at`.
uint32_t TagStartMask(const unsigned char* at) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
    const __m128i headerOrPlayer = _mm_or_si128(PairHits(first, second, 'H', 'e'), PairHits(first, second, 'P', 'l'));
    const __m128i trackOrInstruments =
        _mm_or_si128(PairHits(first, second, 'T', 'r'), PairHits(first, second, 'I', 'n'));
    const __m128i hits = _mm_or_si128(headerOrPlayer, trackOrInstruments);
    return static_cast<uint32_t>(_mm_movemask_epi8(hits));
}

// The first offset p in [from, limit) where the bytes a, b stand; image[limit]
// must be readable. kNone when there is none.
size_t FindPair(const unsigned char* image, size_t from, size_t limit, char a, char b) {
    while (limit - from >= kBlock) {  // both loads stay within [from, limit]
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + from));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + from + 1));
        const uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(PairHits(first, second, a, b)));
        if (mask) return from + static_cast<size_t>(std::countr_zero(mask));
        from += kBlock;
    }
    for (; from < limit; ++from)
        if (image[from] == static_cast<unsigned char>(a) && image[from + 1] == static_cast<unsigned char>(b))
            return from;
    return kNone;
}
#else
bool IsTagStart(const unsigned char* at) {
    return (at[0] == 'H' && at[1] == 'e') || (at[0] == 'P' && at[1] == 'l') || (at[0] == 'T' && at[1] == 'r') ||
           (at[0] == 'I' && at[1] == 'n');
}

uint32_t TagStartMask(const unsigned char* at) {
    uint32_t mask = 0;
    for (size_t i = 0; i < kBlock; ++i)
        if (IsTagStart(at + i)) mask |= 1u << i;
    return mask;
}

size_t FindPair(const unsigned char* image, size_t from, size_t limit, char a, char b) {
    while (from < limit) {
        const void* hit = std::memchr(image + from, a, limit - from);
        if (!hit) return kNone;
        from = static_cast<size_t>(static_cast<const unsigned char*>(hit) - image);
        if (image[from + 1] == static_cast<unsigned char>(b)) return from;
        ++from;
    }
    return kNone;
}
#endif

template <size_t N>
ChunkKind MatchIn(const unsigned char* at, const Tag (&tags)[N]) {
    for (const Tag& tag : tags)
        if (std::memcmp(at, tag.bytes, kTagSize) == 0) return tag.kind;
    return kNoChunk;
}

ChunkKind MatchTag(const unsigned char* at) {
    switch (at[0]) {
        case 'H': return MatchIn(at, kHeaderTags);
        case 'P': return MatchIn(at, kPlayerTags);
        case 'T': return MatchIn(at, kTrackDspTags);
        case 'I': return MatchIn(at, kInstrumentsTags);
        default: return kNoChunk;
    }
}

// The first end marker at an offset j >= from with j + 20 < size.
size_t FindEndMarker(const unsigned char* image, size_t size, size_t from) {
    if (size <= kTagSize) return kNone;
    const size_t limit = size - kTagSize;
    while (from < limit) {
        from = FindPair(image, from, limit, kEndMarker[0], kEndMarker[1]);
        if (from == kNone) return kNone;
        if (std::memcmp(image + from, kEndMarker, kTagSize) == 0) return from;
        ++from;
    }
    return kNone;
}

// Every chunk tag asks for the first end marker after it. The questions come
// in rising order, so one remembered answer serves every tag up to that
// marker, and no byte is searched twice even in a file full of tags and
// without markers.
struct EndMarkerCache {
    bool searched = false;
    size_t from = 0;
    size_t found = kNone;
};

size_t NextEndMarker(const unsigned char* image, size_t size, size_t from, EndMarkerCache& cache) {
    if (cache.searched && from >= cache.from && (cache.found == kNone || cache.found >= from)) return cache.found;
    cache.searched = true;
    cache.from = from;
    cache.found = FindEndMarker(image, size, from);
    return cache.found;
}

struct ChunkPositions {
    size_t header = kNone;
    size_t player = kNone;
    size_t trackDsp = kNone;
    size_t instruments = kNone;
    size_t trackDspLength = kNone;
    size_t instrumentsLength = kNone;
};

// Records a tag at pos; true when it completes the four kinds. Each kind
// keeps the last tag seen; a length comes only with a found end marker and
// otherwise stays that of an earlier tag of its kind.
bool TakeTag(const unsigned char* image, size_t size, size_t pos, ChunkPositions& at, EndMarkerCache& markers) {
    switch (MatchTag(image + pos)) {
        case kHeader:
            at.header = pos;
            return at.player != kNone && at.trackDsp != kNone && at.instruments != kNone;
        case kPlayer:
            at.player = pos;
            return at.header != kNone && at.trackDsp != kNone && at.instruments != kNone;
        case kTrackDsp: {
            at.trackDsp = pos;
            const size_t end = NextEndMarker(image, size, pos + kTagSize, markers);
            if (end != kNone) at.trackDspLength = end - pos;
            return at.header != kNone && at.player != kNone && at.instruments != kNone;
        }
        case kInstruments: {
            at.instruments = pos;
            const size_t end = NextEndMarker(image, size, pos + kTagSize, markers);
            if (end != kNone) at.instrumentsLength = end - pos;
            return at.header != kNone && at.player != kNone && at.trackDsp != kNone;
        }
        case kNoChunk: break;
    }
    return false;
}

// Every offset is a candidate, also inside a chunk already found; the scan
// ends at the first tag that completes the four kinds.
ChunkPositions ScanChunks(const unsigned char* image, size_t size) {
    ChunkPositions at;
    if (size <= kTagSize) return at;
    const size_t limit = size - kTagSize;  // a tag ends before the image's last byte
    EndMarkerCache markers;
    // A block starting below limit has its 17 bytes inside the image, since limit + 20 = size.
    static_assert(kBlock + 1 <= kTagSize);
    for (size_t block = 0; block < limit; block += kBlock) {
        uint32_t mask = TagStartMask(image + block);
        if (limit - block < kBlock) mask &= (1u << (limit - block)) - 1;
        while (mask) {
            const size_t pos = block + static_cast<size_t>(std::countr_zero(mask));
            mask &= mask - 1;
            if (TakeTag(image, size, pos, at, markers)) return at;
        }
    }
    return at;
}

// --- Chunk contents --------------------------------------------------------

// A text of at most width bytes that also ends at its first zero byte.
std::string TextOf(const unsigned char* at, size_t width) {
    const void* zero = std::memchr(at, 0, width);
    const size_t length = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - at) : width;
    return std::string(reinterpret_cast<const char*>(at), length);
}

// Returns 1 when the header was read, 0 after a line was appended.
int ReadHeader(const char* path, const unsigned char* image, size_t size, size_t header, SongEntry& entry) {
    if (std::memcmp(image + header, kFixedHeaderTag.bytes, kTagSize) == 0) {
        const size_t fields[] = {header + kFixedNameOffset, header + kFixedArtistOffset};
        std::optional<std::string>* targets[] = {&entry.songName, &entry.artist};
        for (int i = 0; i < 2; ++i) {
            if (!Inside(size, fields[i], kFixedFieldSize)) {
                Report(kChunksMissing, path);
                return 0;
            }
            try {
                *targets[i] = TextOf(image + fields[i], kFixedFieldSize);
            } catch (const std::bad_alloc&) {
                targets[i]->reset();  // an absent field is allowed here; reading goes on
            }
        }
        return 1;
    }
    size_t offset = header + kPrefixedFirstLengthOffset;
    std::optional<std::string>* targets[] = {&entry.songName, &entry.artist};
    for (std::optional<std::string>* target : targets) {
        if (!Inside(size, offset, kPrefixedLengthSize)) {
            Report(kChunksMissing, path);
            return 0;
        }
        const uint32_t length = LoadLe32(image + offset);
        offset += kPrefixedLengthSize;
        if (!Inside(size, offset, length)) {
            Report(kChunksMissing, path);
            return 0;
        }
        try {
            *target = TextOf(image + offset, length);
        } catch (const std::bad_alloc&) {
            Report(kMemoryError, path);
            return 0;
        }
        offset += length;
    }
    return 1;
}

int ReadPlayer(const char* path, const unsigned char* image, size_t size, size_t player, SongEntry& entry) {
    size_t offset = player;
    if (Inside(size, player + kPlayerMarkerOffset, kPlayerMarkerSize) &&
        std::memcmp(image + player + kPlayerMarkerOffset, kPlayerMarker, kPlayerMarkerSize) == 0)
        offset += kPlayerMarkerSize;
    if (!Inside(size, offset + kPlayerBpmOffset, kPlayerFieldSize)) {
        Report(kChunksMissing, path);
        return 0;
    }
    entry.bpm = ReadI32(image + offset + kPlayerBpmOffset);
    if (!Inside(size, offset + kPlayerTplOffset, kPlayerFieldSize)) {
        Report(kChunksMissing, path);
        return 0;
    }
    entry.tpl = ReadI32(image + offset + kPlayerTplOffset);
    return 1;
}

// Returns 0 when the range (or a length field) lies outside the image and
// the line was appended; the caller then reads no further.
int ScanReferences(const char* path, const unsigned char* image, size_t imageSize, size_t start, size_t length,
                   SongEntry& entry) {
    if (!Inside(imageSize, start, length)) {
        Report(kChunksMissing, path);
        return 0;
    }
    if (length <= kReferencePrefixSize) return 1;
    const size_t end = start + length;
    const size_t limit = end - kReferencePrefixSize;  // p + 5 < end
    size_t p = start;
    while (p < limit) {
        p = FindPair(image, p, limit, kReferencePrefix[0], kReferencePrefix[1]);
        if (p == kNone) break;
        if (std::memcmp(image + p, kReferencePrefix, kReferencePrefixSize) == 0) {
            // The length may stand before the chunk's start, but not before the image's.
            if (p < kReferenceLengthSize) {
                Report(kChunksMissing, path);
                return 0;
            }
            const int32_t n = ReadI32(image + p - kReferenceLengthSize);
            if (n >= 1 && n <= kReferenceMaxLength && static_cast<size_t>(n) < end - p) {
                // At most 255 bytes: a fixed buffer, so no copy can fail for memory.
                char text[kReferenceMaxLength + 1];
                std::memcpy(text, image + p, static_cast<size_t>(n));
                text[n] = '\0';
                RecordPluginReference(text, entry);
            }
        }
        ++p;  // an accepted text is scanned too
    }
    return 1;
}

}  // namespace

int LoadFileIntoMemory(const char* path, HeapBuffer& buffer, size_t* size) {
    buffer.reset();
    if (size) *size = 0;
    FilePtr file(path ? FileOpenRead(path) : nullptr);
    if (!file) {
        Report(kCannotOpen, path);
        return 0;
    }
    uint64_t fileSize = 0;
    if (!FileGetSize(file.get(), &fileSize)) {
        Report(kCannotRead, path);
        return 0;
    }
    if (fileSize == 0) {
        Report(kDamaged, path);
        return 0;
    }
    // Compared in 64 bits: a size beyond size_t must not wrap into a small block.
    // Not zero-filled first: a block is handed out only when the read filled
    // every byte of it, so zeroing would be work that nothing can see.
    HeapBuffer block;
    if (fileSize <= static_cast<uint64_t>(SIZE_MAX))
        block = HeapBuffer(static_cast<char*>(std::malloc(static_cast<size_t>(fileSize))));
    if (!block) {
        Report(kNoMemoryForFile, path);
        return 0;
    }
    const size_t wanted = static_cast<size_t>(fileSize);
    if (FileRead(file.get(), block.get(), wanted) != wanted) {
        Report(kCannotRead, path);
        return 0;
    }
    buffer = std::move(block);
    if (size) *size = wanted;
    return 1;
}

void ReadRnsSong(const char* path, const char* image, size_t size, SongEntry& entry) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(image);
    if (!bytes) size = 0;
    if (!IsAcceptedVersion(bytes, size)) {
        Report(kUnsupported, path);
        return;
    }
    const ChunkPositions at = ScanChunks(bytes, size);
    if (at.header == kNone || at.player == kNone || at.trackDsp == kNone || at.instruments == kNone ||
        at.trackDspLength == kNone || at.instrumentsLength == kNone) {
        Report(kChunksMissing, path);
        return;
    }
    if (!ReadHeader(path, bytes, size, at.header, entry)) return;
    if (!ReadPlayer(path, bytes, size, at.player, entry)) return;
    if (!ScanReferences(path, bytes, size, at.trackDsp, at.trackDspLength, entry)) return;
    ScanReferences(path, bytes, size, at.instruments, at.instrumentsLength, entry);
}

void ScanVstReferences(const char* path, const char* image, size_t imageSize, size_t start, size_t length,
                       SongEntry& entry) {
    if (!image) imageSize = 0;
    ScanReferences(path, reinterpret_cast<const unsigned char*>(image), imageSize, start, length, entry);
}

void RecordPluginReference(const char* text, SongEntry& entry) {
    if (!text) return;
    const size_t textLength = std::strlen(text);
    if (textLength < kReferencePrefixSize) return;
    const char* rest = text + kReferencePrefixSize;
    char name[kMaxPluginNameLength + 1];
    size_t length = textLength - kReferencePrefixSize;
    if (length > kMaxPluginNameLength) length = kMaxPluginNameLength;
    std::memcpy(name, rest, length);
    // Waves plug-ins are known by their registered names, everything else by its library file.
    if (!FindTextNoCase(text, "Waves")) {
        for (const char* suffix = ".dll"; *suffix && length < kMaxPluginNameLength; ++suffix) name[length++] = *suffix;
    }
    name[length] = '\0';
    PluginSetAdd(UsedPlugins, name, nullptr);
    if (entry.plugins) PluginSetAdd(*entry.plugins, name, nullptr);
    if (IsNotInstalled(name)) PluginSetAdd(MissingPlugins, name, nullptr);
}
