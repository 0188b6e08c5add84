#include "readers/ZipReader.h"

#include <zlib.h>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

#include "core/ByteOrder.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {

// End of central directory record.
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kEndThisDisk = 4;
constexpr size_t kEndDirectoryDisk = 6;
constexpr size_t kEndEntriesHere = 8;
constexpr size_t kEndEntriesTotal = 10;
constexpr size_t kEndDirectorySize = 12;
constexpr size_t kEndDirectoryOffset = 16;

// Central directory record; offsets count from the byte after the signature,
// as the reader keeps those 42 bytes of the current item.
constexpr uint32_t kRecordSignature = 0x02014b50;
constexpr size_t kRecordSize = 46;
constexpr size_t kRecVersionMadeBy = 0;
constexpr size_t kRecFlags = 4;
constexpr size_t kRecMethod = 6;
constexpr size_t kRecDosTime = 8;
constexpr size_t kRecDosDate = 10;
constexpr size_t kRecCrc = 12;
constexpr size_t kRecCompressedSize = 16;
constexpr size_t kRecUncompressedSize = 20;
constexpr size_t kRecNameLength = 24;
constexpr size_t kRecExtraLength = 26;
constexpr size_t kRecCommentLength = 28;
constexpr size_t kRecExternalAttributes = 34;
constexpr size_t kRecLocalHeaderOffset = 38;

// Local header: only its extra length is consulted.
constexpr size_t kLocalExtraLength = 28;
constexpr size_t kLocalHeaderSize = 30;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// Gzip member header.
constexpr size_t kGzipFlags = 3;
constexpr size_t kGzipModifyTime = 4;
constexpr size_t kGzipFixedHeaderSize = 10;
constexpr size_t kGzipTrailerSize = 8;
constexpr uint8_t kGzipHeaderCrc = 0x02;
constexpr uint8_t kGzipExtra = 0x04;
constexpr uint8_t kGzipName = 0x08;
constexpr uint8_t kGzipComment = 0x10;

constexpr uint16_t kExtraUnixTime = 0x5455;  // "UT"
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicks1601To1970 = 116444736000000000ull;

constexpr uint32_t kSearchLimit = 0xFFFF;
constexpr uint32_t kSearchStep = 1024;
constexpr size_t kSearchWindow = kSearchStep + 4;
constexpr size_t kInputSize = 16384;
constexpr unsigned kEncryptionHeaderSize = 12;
constexpr size_t kMaxWantedName = 255;

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrDosMask = 0x37;
constexpr uint32_t kUnixDirectoryBit = 1u << 30;
constexpr uint32_t kUnixOwnerWriteBit = 1u << 23;

// --- The CRC-32 of delivered bytes ------------------------------------------
// zlib's crc32 takes about a fifth of the time that inflating a song takes.
// Where the processor multiplies without carries, 64-byte blocks are folded
// with that instruction (the method of Intel's "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ Instruction", constants for zlib's
// reflected polynomial 0xEDB88320), three to four times as fast; zlib's
// crc32 does the rest and serves everywhere else. Both give the same value.
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUORVEL_CRC_FOLDING 1

constexpr size_t kFoldBlock = 64;
constexpr size_t kFoldLane = 16;

#define QUORVEL_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

QUORVEL_FOLD_TARGET __m128i Load128(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x carried 128 bits (or 4 x 128 bits) ahead with the constants in k, plus next.
QUORVEL_FOLD_TARGET __m128i Fold128(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)), next);
}

// length: a multiple of 16, at least 64. crc and result are zlib's, inverted.
QUORVEL_FOLD_TARGET uint32_t FoldCrc32(const uint8_t* data, size_t length, uint32_t crc) {
    alignas(16) static const uint64_t kFold4[] = {0x0154442bd4, 0x01c6e41596};  // 4 x 128 bits ahead
    alignas(16) static const uint64_t kFold1[] = {0x01751997d0, 0x00ccaa009e};  // 128 bits ahead
    alignas(16) static const uint64_t kFold64[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const uint64_t kBarrett[] = {0x01db710641, 0x01f7011641};  // polynomial, mu
    __m128i x1 = _mm_xor_si128(Load128(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load128(data + 16), x3 = Load128(data + 32), x4 = Load128(data + 48);
    data += kFoldBlock;
    length -= kFoldBlock;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    for (; length >= kFoldBlock; data += kFoldBlock, length -= kFoldBlock) {
        x1 = Fold128(x1, k, Load128(data));
        x2 = Fold128(x2, k, Load128(data + 16));
        x3 = Fold128(x3, k, Load128(data + 32));
        x4 = Fold128(x4, k, Load128(data + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    x1 = Fold128(x1, k, x2);
    x1 = Fold128(x1, k, x3);
    x1 = Fold128(x1, k, x4);
    for (; length >= kFoldLane; data += kFoldLane, length -= kFoldLane) x1 = Fold128(x1, k, Load128(data));
    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), _mm_srli_si128(x1, 4));
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    __m128i reduced = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
    reduced = _mm_clmulepi64_si128(_mm_and_si128(reduced, low32), k, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, reduced), 1));
}

bool CanFoldCrc32() {
    static const bool supported = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}
#endif

uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, size_t length) {
#ifdef QUORVEL_CRC_FOLDING
    if (length >= kFoldBlock && CanFoldCrc32()) {
        const size_t folded = length & ~(kFoldLane - 1);
        crc = ~FoldCrc32(data, folded, ~crc);
        data += folded;
        length -= folded;
    }
#endif
    // Deliveries are at most an item's 32-bit size.
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(length)));
}

}  // namespace

struct ZipItemState {
    std::unique_ptr<uint8_t[]> input;
    size_t inputPos = 0;
    size_t inputLen = 0;
    z_stream stream{};
    bool inflating = false;  // stream initialised
    bool streamEnded = false;
    uint16_t method = 0;
    bool encrypted = false;
    uint32_t keys[3] = {0, 0, 0};
    unsigned headerLeft = 0;
    uint8_t checkByte = 0;
    uint64_t dataPosition = 0;
    uint32_t compressedLeft = 0;
    uint32_t uncompressedLeft = 0;
    uint32_t crc = 0;
};

void ZipItemStateFree::operator()(ZipItemState* state) const {
    if (!state) return;
    if (state->inflating) inflateEnd(&state->stream);
    delete state;
}

namespace {

int Fail(ZipReader* reader, int code) {
    if (reader) reader->lastResult = code;
    return code;
}

size_t ReadFromFile(const ZipReader* reader, uint64_t offset, void* buffer, size_t n) {
    if (!FileSeek(reader->file, reader->archiveStart + offset)) return 0;
    return FileRead(reader->file, buffer, n);
}

size_t ReadFromMemory(const ZipReader* reader, uint64_t offset, void* buffer, size_t n) {
    if (offset >= reader->archiveLength) return 0;
    const uint64_t available = reader->archiveLength - offset;
    const size_t count = available < n ? static_cast<size_t>(available) : n;
    std::memcpy(buffer, reader->memory + offset, count);
    return count;
}

// Reads exactly n bytes inside the archive; anything reaching past its end
// fails before the source is asked.
bool ReadExact(const ZipReader* reader, uint64_t offset, void* buffer, size_t n) {
    if (offset > reader->archiveLength || n > reader->archiveLength - offset) return false;
    if (n == 0) return true;
    return reader->readAt(reader, offset, buffer, n) == n;
}

// Traditional PKWARE encryption: the key update of the .ZIP application note.
void UpdateKeys(uint32_t keys[3], uint8_t plain) {
    const z_crc_t* table = get_crc_table();
    keys[0] = table[(keys[0] ^ plain) & 0xFF] ^ (keys[0] >> 8);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = table[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8);
}

uint8_t DecryptByte(uint32_t keys[3], uint8_t cipher) {
    const uint32_t temp = (keys[2] | 2) & 0xFFFF;
    const uint8_t plain = static_cast<uint8_t>(cipher ^ static_cast<uint8_t>((temp * (temp ^ 1)) >> 8));
    UpdateKeys(keys, plain);
    return plain;
}

uint64_t UnixToFileTime(int64_t seconds) {
    return static_cast<uint64_t>(seconds * static_cast<int64_t>(kTicksPerSecond)) + kTicks1601To1970;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A stamp that names no real moment (month 13, February 30, second 60) has no
// time at all rather than one that the C library's normalisation invents.
bool DosTimeToFileTime(uint16_t dosTime, uint16_t dosDate, uint64_t* fileTime) {
    static const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = 1980 + (dosDate >> 9);
    const int month = (dosDate >> 5) & 0x0F;
    const int day = dosDate & 0x1F;
    const int hour = dosTime >> 11;
    const int minute = (dosTime >> 5) & 0x3F;
    const int second = 2 * (dosTime & 0x1F);
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
    const int monthDays = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > monthDays) return false;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;  // the stamp's own date decides about daylight saving
    const std::time_t utc = std::mktime(&local);
    if (utc == static_cast<std::time_t>(-1)) return false;
    *fileTime = UnixToFileTime(static_cast<int64_t>(utc));
    return true;
}

void ApplyUnixTimes(const uint8_t* extra, size_t size, ZipItemInfo* info) {
    size_t pos = 0;
    while (size - pos >= 4) {
        const uint16_t id = LoadLe16(extra + pos);
        const size_t dataSize = LoadLe16(extra + pos + 2);
        pos += 4;
        if (dataSize > size - pos) return;
        if (id == kExtraUnixTime && dataSize >= 1) {
            const uint8_t* data = extra + pos;
            const uint8_t flags = data[0];
            // The directory's copy of the block usually carries only the
            // modification time whatever the flags say: read what is there.
            size_t at = 1;
            uint64_t* targets[3] = {&info->modifyTime, &info->accessTime, &info->createTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (dataSize - at < 4) break;
                const int32_t seconds = static_cast<int32_t>(LoadLe32(data + at));
                *targets[bit] = UnixToFileTime(seconds);
                at += 4;
            }
            return;
        }
        pos += dataSize;
    }
}

uint32_t MapAttributes(uint16_t versionMadeBy, uint32_t external) {
    const unsigned host = versionMadeBy >> 8;
    if (host == 0 || host == 7 || host == 11 || host == 14) return external & kAttrDosMask;
    uint32_t attributes = kAttrArchive;
    if (external & kUnixDirectoryBit) attributes |= kAttrDirectory;
    if (!(external & kUnixOwnerWriteBit)) attributes |= kAttrReadOnly;
    return attributes;
}

bool IsNameSeparator(char c) { return c == '/' || c == '\\'; }

// The stored name below the base folder: no drive, no leading or doubled
// separators, and a ".." component restarts at the base folder so that the
// name can never climb out of it.
void CleanName(const std::string& base, const char* stored, char* out) {
    std::string path = base;
    const size_t root = path.size();
    const size_t len = std::strlen(stored);
    size_t i = 0;
    if (len >= 2 && ((stored[0] >= 'A' && stored[0] <= 'Z') || (stored[0] >= 'a' && stored[0] <= 'z')) &&
        stored[1] == ':')
        i = 2;
    for (; i < len; ++i) {
        const char c = stored[i];
        const bool componentStart = path.size() == root || path.back() == kPathSeparator;
        if (IsNameSeparator(c)) {
            if (!componentStart) path.push_back(kPathSeparator);
        } else if (componentStart && c == '.' && i + 1 < len && stored[i + 1] == '.' &&
                   (i + 2 == len || IsNameSeparator(stored[i + 2]))) {
            path.resize(root);
            ++i;
        } else {
            path.push_back(c);
        }
    }
    CopyTextBounded(out, kZipNameSize, path.c_str());
}

void FillInfo(const ZipReader* reader, const char* storedName, const uint8_t* extra, size_t extraSize,
              ZipItemInfo* info) {
    const uint8_t* record = reader->currentRecord;
    info->index = reader->currentIndex;
    info->compressedSize = LoadLe32(record + kRecCompressedSize);
    info->uncompressedSize = LoadLe32(record + kRecUncompressedSize);
    info->attributes = MapAttributes(LoadLe16(record + kRecVersionMadeBy), LoadLe32(record + kRecExternalAttributes));
    uint64_t stamp = 0;
    if (reader->gzip)
        stamp = UnixToFileTime(LoadLe32(record + kRecDosTime));
    else
        DosTimeToFileTime(LoadLe16(record + kRecDosTime), LoadLe16(record + kRecDosDate), &stamp);
    info->accessTime = info->createTime = info->modifyTime = stamp;
    ApplyUnixTimes(extra, extraSize, info);
    CleanName(reader->baseFolder, storedName, info->name);
}

void CloseItem(ZipReader* reader) {
    reader->item.reset();
    reader->currentIndex = kZipNoItem;
}

// Reads a NUL-terminated text of the gzip header starting at *pos; keeps at
// most keepMax bytes of it in kept (when given) and leaves *pos after the NUL.
bool ReadGzipText(const ZipReader* reader, uint64_t* pos, std::string* kept, size_t keepMax) {
    uint8_t chunk[256];
    for (;;) {
        if (*pos >= reader->archiveLength) return false;
        const uint64_t left = reader->archiveLength - *pos;
        const size_t want = left < sizeof(chunk) ? static_cast<size_t>(left) : sizeof(chunk);
        if (!ReadExact(reader, *pos, chunk, want)) return false;
        const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(chunk, 0, want));
        const size_t textLen = nul ? static_cast<size_t>(nul - chunk) : want;
        if (kept && kept->size() < keepMax)
            kept->append(reinterpret_cast<const char*>(chunk), std::min(textLen, keepMax - kept->size()));
        *pos += textLen;
        if (nul) {
            *pos += 1;
            return true;
        }
    }
}

// A gzip file is an archive of one deflated item; its header becomes a
// directory record so that finding and extracting need no second path.
int OpenGzip(ZipReader* reader) {
    uint8_t header[kGzipFixedHeaderSize];
    if (!ReadExact(reader, 0, header, sizeof(header))) return kZipCorrupt;
    const uint8_t flags = header[kGzipFlags];
    uint64_t pos = kGzipFixedHeaderSize;
    if (flags & kGzipExtra) {
        uint8_t lengthBytes[2];
        if (!ReadExact(reader, pos, lengthBytes, 2)) return kZipCorrupt;
        pos += 2 + LoadLe16(lengthBytes);
    }
    if (flags & kGzipName) {
        if (!ReadGzipText(reader, &pos, &reader->gzipName, kZipNameSize - 1)) return kZipCorrupt;
    }
    if ((flags & kGzipComment) && !ReadGzipText(reader, &pos, nullptr, 0)) return kZipCorrupt;
    if (flags & kGzipHeaderCrc) pos += 2;
    if (reader->archiveLength < kGzipTrailerSize || pos > reader->archiveLength - kGzipTrailerSize)
        return kZipCorrupt;
    uint8_t trailer[kGzipTrailerSize];
    if (!ReadExact(reader, reader->archiveLength - kGzipTrailerSize, trailer, sizeof(trailer))) return kZipCorrupt;
    const uint64_t compressed = reader->archiveLength - kGzipTrailerSize - pos;
    if (compressed > 0xFFFFFFFFu) return kZipCorrupt;

    uint8_t* record = reader->currentRecord;
    std::memset(record, 0, kZipRecordFieldsSize);
    record[kRecMethod] = kMethodDeflated;
    // The Unix time takes the place of the DOS stamp; FillInfo knows.
    std::memcpy(record + kRecDosTime, header + kGzipModifyTime, 4);
    std::memcpy(record + kRecCrc, trailer, 4);
    const uint32_t compressed32 = static_cast<uint32_t>(compressed);
    for (int i = 0; i < 4; ++i) record[kRecCompressedSize + i] = static_cast<uint8_t>(compressed32 >> (8 * i));
    std::memcpy(record + kRecUncompressedSize, trailer + 4, 4);
    record[kRecExternalAttributes] = kAttrArchive;
    reader->gzip = true;
    reader->gzipDataStart = pos;
    reader->entryCount = 1;
    return kZipOk;
}

// Backwards in overlapping windows, so that a signature straddling a window
// border is still seen; the hit nearest the end wins.
bool FindEndRecord(const ZipReader* reader, uint64_t* position) {
    const uint64_t limit = std::min<uint64_t>(reader->archiveLength, kSearchLimit);
    uint8_t window[kSearchWindow];
    uint64_t reach = 4;
    while (reach < limit) {
        reach = std::min<uint64_t>(reach + kSearchStep, limit);
        const uint64_t start = reader->archiveLength - reach;
        const size_t size = static_cast<size_t>(std::min<uint64_t>(kSearchWindow, reach));
        if (reader->readAt(reader, start, window, size) != size) return false;
        for (size_t i = size - 4 + 1; i-- > 0;) {
            if (LoadLe32(window + i) == kEndSignature) {
                *position = start + i;
                return true;
            }
        }
    }
    return false;
}

int OpenArchive(ZipReader* reader) {
    uint64_t endPosition = 0;
    if (!FindEndRecord(reader, &endPosition)) {
        uint8_t magic[2];
        if (ReadExact(reader, 0, magic, 2) && magic[0] == 0x1F && magic[1] == 0x8B) return OpenGzip(reader);
        return kZipCorrupt;
    }
    uint8_t end[kEndRecordSize];
    if (!ReadExact(reader, endPosition, end, sizeof(end))) return kZipCorrupt;
    const uint16_t entriesHere = LoadLe16(end + kEndEntriesHere);
    if (LoadLe16(end + kEndThisDisk) != 0 || LoadLe16(end + kEndDirectoryDisk) != 0 ||
        entriesHere != LoadLe16(end + kEndEntriesTotal))
        return kZipUnsupported;
    const uint64_t directoryEnd =
        static_cast<uint64_t>(LoadLe32(end + kEndDirectoryOffset)) + LoadLe32(end + kEndDirectorySize);
    if (endPosition < directoryEnd) return kZipCorrupt;
    reader->prefix = endPosition - directoryEnd;
    reader->entryCount = entriesHere;
    reader->directoryOffset = LoadLe32(end + kEndDirectoryOffset);
    return kZipOk;
}

int OpenReader(ZipReader* reader, const char* password, ZipReader** out) {
    int code = kZipOk;
    try {
        if (password) reader->password = password;
        code = OpenArchive(reader);
        if (code == kZipOk) {
            std::string folder;
            if (GetCurrentFolder(folder)) {
                if (folder.empty() || folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
                if (folder.size() < kZipNameSize) reader->baseFolder = folder;
            }
        }
    } catch (const std::bad_alloc&) {
        code = kZipNoMemory;
    }
    if (code != kZipOk) {
        ZipClose(reader);
        return code;
    }
    *out = reader;
    return kZipOk;
}

// Reads the directory record at position (signature and fixed fields) into
// the reader's current record.
int ReadRecord(ZipReader* reader, uint64_t position) {
    uint8_t fixed[kRecordSize];
    if (!ReadExact(reader, position, fixed, sizeof(fixed)) || LoadLe32(fixed) != kRecordSignature) return kZipCorrupt;
    std::memcpy(reader->currentRecord, fixed + 4, kZipRecordFieldsSize);
    reader->currentRecordPosition = position;
    return kZipOk;
}

int FindInDirectory(ZipReader* reader, const char* wanted, unsigned flags, ZipItemInfo* info) {
    if (reader->entryCount == 0) return kZipNoSuchItem;
    const bool ignoreCase = flags & 1;
    uint64_t position = reader->prefix + reader->directoryOffset;
    char stored[kZipNameSize];
    for (uint32_t index = 0;; ++index) {
        if (const int code = ReadRecord(reader, position); code != kZipOk) return code;
        const uint8_t* record = reader->currentRecord;
        const size_t nameLength = LoadLe16(record + kRecNameLength);
        const size_t extraLength = LoadLe16(record + kRecExtraLength);
        const size_t kept = std::min(nameLength, kZipNameSize - 1);
        if (!ReadExact(reader, position + kRecordSize, stored, kept)) return kZipCorrupt;
        stored[kept] = '\0';
        const int order = ignoreCase ? CompareNames(wanted, stored) : CompareExact(wanted, stored);
        if (order == 0) {
            const uint16_t method = LoadLe16(record + kRecMethod);
            if (method != kMethodStored && method != kMethodDeflated) return kZipUnsupported;
            std::vector<uint8_t> extra(extraLength);
            if (!ReadExact(reader, position + kRecordSize + nameLength, extra.data(), extraLength)) return kZipCorrupt;
            reader->currentIndex = index;
            FillInfo(reader, stored, extra.data(), extraLength, info);
            return kZipOk;
        }
        if (index + 1 >= reader->entryCount) return kZipNoSuchItem;
        position += kRecordSize + nameLength + extraLength + LoadLe16(record + kRecCommentLength);
    }
}

int FindGzipItem(ZipReader* reader, const char* wanted, unsigned flags, ZipItemInfo* info) {
    const char* stored = reader->gzipName.c_str();
    const int order = (flags & 1) ? CompareNames(wanted, stored) : CompareExact(wanted, stored);
    if (order != 0) return kZipNoSuchItem;
    reader->currentIndex = 0;
    FillInfo(reader, stored, nullptr, 0, info);
    return kZipOk;
}

int OpenItem(ZipReader* reader) {
    std::unique_ptr<ZipItemState, ZipItemStateFree> state(new (std::nothrow) ZipItemState);
    if (!state) return kZipNoMemory;
    state->input.reset(new (std::nothrow) uint8_t[kInputSize]);
    if (!state->input) return kZipNoMemory;
    const uint8_t* record = reader->currentRecord;
    state->method = LoadLe16(record + kRecMethod);
    if (state->method == kMethodDeflated) {
        if (inflateInit2(&state->stream, -MAX_WBITS) != Z_OK) return kZipNoMemory;
        state->inflating = true;
    }
    state->compressedLeft = LoadLe32(record + kRecCompressedSize);
    state->uncompressedLeft = LoadLe32(record + kRecUncompressedSize);
    const uint16_t flags = LoadLe16(record + kRecFlags);
    state->checkByte = (flags & kFlagDataDescriptor) ? static_cast<uint8_t>(LoadLe16(record + kRecDosTime) >> 8)
                                                     : static_cast<uint8_t>(LoadLe32(record + kRecCrc) >> 24);
    if (flags & kFlagEncrypted) {
        state->encrypted = true;
        state->headerLeft = kEncryptionHeaderSize;
        state->keys[0] = 0x12345678;
        state->keys[1] = 0x23456789;
        state->keys[2] = 0x34567890;
        for (const char c : reader->password) UpdateKeys(state->keys, static_cast<uint8_t>(c));
    }
    if (reader->gzip) {
        state->dataPosition = reader->gzipDataStart;
    } else {
        const uint64_t local = reader->prefix + LoadLe32(record + kRecLocalHeaderOffset);
        uint8_t extraLength[2];
        if (!ReadExact(reader, local + kLocalExtraLength, extraLength, 2)) return kZipReadFailed;
        state->dataPosition = local + kLocalHeaderSize + LoadLe16(record + kRecNameLength) + LoadLe16(extraLength);
    }
    reader->expectedCrc = LoadLe32(record + kRecCrc);
    reader->deliveredCrc = 0;
    reader->crcMismatch = false;
    state->crc = crc32(0, nullptr, 0);
    reader->item = std::move(state);
    return kZipOk;
}

// Refills the input buffer with the next piece of the item's data, which may
// be cut short by the end of the archive; nothing at all is a failed read.
int FillInput(ZipReader* reader, ZipItemState* s) {
    if (s->dataPosition >= reader->archiveLength) return kZipReadFailed;
    const uint64_t available = reader->archiveLength - s->dataPosition;
    const size_t want = static_cast<size_t>(std::min<uint64_t>({kInputSize, s->compressedLeft, available}));
    const size_t got = reader->readAt(reader, s->dataPosition, s->input.get(), want);
    if (got == 0) return kZipReadFailed;
    if (s->encrypted)
        for (size_t i = 0; i < got; ++i) s->input[i] = DecryptByte(s->keys, s->input[i]);
    s->dataPosition += got;
    s->compressedLeft -= static_cast<uint32_t>(got);
    s->inputPos = 0;
    s->inputLen = got;
    return kZipOk;
}

// A stored item without encryption goes from the archive straight into the
// caller's buffer, in the same pieces as through the input buffer but without
// the copy; nothing at all is a failed read.
int ReadStored(ZipReader* reader, ZipItemState* s, uint8_t* target, uint32_t space, uint32_t* produced) {
    if (s->dataPosition >= reader->archiveLength) return kZipReadFailed;
    const uint64_t available = reader->archiveLength - s->dataPosition;
    const size_t want = static_cast<size_t>(std::min<uint64_t>({kInputSize, s->compressedLeft, space, available}));
    const size_t got = reader->readAt(reader, s->dataPosition, target, want);
    if (got == 0) return kZipReadFailed;
    s->dataPosition += got;
    s->compressedLeft -= static_cast<uint32_t>(got);
    *produced = static_cast<uint32_t>(got);
    return kZipOk;
}

// Delivers into out[0, room); *written counts what landed. Returns the code;
// the loop ends early without error when the data ends before the item does.
int Deliver(ZipReader* reader, uint8_t* out, uint32_t room, uint32_t* written) {
    ZipItemState* s = reader->item.get();
    while (*written < room && s->uncompressedLeft > 0 && !s->streamEnded) {
        if (s->method == kMethodStored && !s->encrypted && s->inputPos == s->inputLen) {
            if (s->compressedLeft == 0) break;  // the stored data ended before the item
            uint8_t* target = out + *written;
            uint32_t produced = 0;
            if (const int code = ReadStored(reader, s, target, room - *written, &produced); code != kZipOk)
                return code;
            s->crc = UpdateCrc32(s->crc, target, produced);
            *written += produced;
            s->uncompressedLeft -= std::min(produced, s->uncompressedLeft);
            continue;
        }
        if (s->inputPos == s->inputLen && s->compressedLeft > 0) {
            if (const int code = FillInput(reader, s); code != kZipOk) return code;
        }
        if (s->headerLeft > 0) {
            const size_t skip = std::min<size_t>(s->headerLeft, s->inputLen - s->inputPos);
            s->inputPos += skip;
            s->headerLeft -= static_cast<unsigned>(skip);
            if (skip > 0 && s->headerLeft == 0 && s->input[s->inputPos - 1] != s->checkByte)
                return kZipWrongPassword;
            if (s->inputPos == s->inputLen && s->compressedLeft > 0) continue;
        }
        const size_t buffered = s->inputLen - s->inputPos;
        uint8_t* target = out + *written;
        const uint32_t space = room - *written;
        uint32_t produced = 0;
        int code = kZipOk;
        if (s->method == kMethodStored) {
            if (buffered == 0) break;  // the stored data ended before the item
            produced = static_cast<uint32_t>(std::min<size_t>(buffered, space));
            std::memcpy(target, s->input.get() + s->inputPos, produced);
            s->inputPos += produced;
        } else {
            s->stream.next_in = s->input.get() + s->inputPos;
            s->stream.avail_in = static_cast<uInt>(buffered);
            s->stream.next_out = target;
            s->stream.avail_out = space;
            const int result = inflate(&s->stream, Z_SYNC_FLUSH);
            s->inputPos = s->inputLen - s->stream.avail_in;
            produced = space - s->stream.avail_out;
            s->streamEnded = result == Z_STREAM_END;
            // The bytes before the damage still count as delivered.
            if (result != Z_OK && result != Z_STREAM_END) code = kZipBadData;
        }
        s->crc = UpdateCrc32(s->crc, target, produced);
        *written += produced;
        s->uncompressedLeft -= std::min(produced, s->uncompressedLeft);
        if (code != kZipOk) return code;
    }
    return kZipOk;
}

}  // namespace

int ZipOpenFile(const char* path, const char* password, ZipReader** reader) {
    if (!reader) return kZipBadArgument;
    *reader = nullptr;
    ZipReader* created = new (std::nothrow) ZipReader;
    if (!created) return kZipNoMemory;
    created->file = path ? FileOpenRead(path) : nullptr;
    if (!created->file) {
        delete created;
        return kZipCannotOpen;
    }
    created->ownsFile = true;
    created->readAt = ReadFromFile;
    if (!FileGetSize(created->file, &created->archiveLength)) {
        ZipClose(created);
        return kZipSeekFailed;
    }
    return OpenReader(created, password, reader);
}

int ZipOpenMemory(const void* bytes, size_t size, const char* password, ZipReader** reader) {
    if (!reader || (!bytes && size > 0)) return kZipBadArgument;
    *reader = nullptr;
    ZipReader* created = new (std::nothrow) ZipReader;
    if (!created) return kZipNoMemory;
    created->memory = static_cast<const uint8_t*>(bytes);
    created->archiveLength = size;
    created->readAt = ReadFromMemory;
    return OpenReader(created, password, reader);
}

int ZipFindItem(ZipReader* reader, ZipItemInfo* info, unsigned flags) {
    if (!reader) return kZipBadArgument;
    if (!info) return Fail(reader, kZipBadArgument);
    char wanted[kZipNameSize];
    const void* end = std::memchr(info->name, '\0', kZipNameSize);
    const size_t wantedLength = end ? static_cast<size_t>(static_cast<const char*>(end) - info->name) : kZipNameSize;
    CloseItem(reader);
    if (wantedLength > kMaxWantedName) return Fail(reader, kZipBadArgument);
    std::memcpy(wanted, info->name, wantedLength);
    wanted[wantedLength] = '\0';
    std::replace(wanted, wanted + wantedLength, '\\', '/');
    int code = kZipOk;
    try {
        code = reader->gzip ? FindGzipItem(reader, wanted, flags, info) : FindInDirectory(reader, wanted, flags, info);
    } catch (const std::bad_alloc&) {
        code = kZipNoMemory;
    }
    if (code != kZipOk) reader->currentIndex = kZipNoItem;
    return Fail(reader, code);
}

int ZipExtractToMemory(ZipReader* reader, void* buffer, uint32_t length, ZipItemInfo* info) {
    if (!reader) return kZipBadArgument;
    if (reader->currentIndex == kZipNoItem || !info || (!buffer && length > 0)) return Fail(reader, kZipBadArgument);
    if (!reader->item) {
        if (const int code = OpenItem(reader); code != kZipOk) {
            info->compressedSize = 0;
            CloseItem(reader);
            return Fail(reader, code);
        }
    }
    ZipItemState* s = reader->item.get();
    const uint32_t room = std::min(length, s->uncompressedLeft);
    uint32_t written = 0;
    const int code = Deliver(reader, static_cast<uint8_t*>(buffer), room, &written);
    info->compressedSize = written;
    reader->deliveredCrc = s->crc;
    if (code == kZipOk && s->uncompressedLeft > 0) return Fail(reader, kZipMoreData);
    // A completed item whose bytes disagree with the directory's CRC-32 is
    // still delivered: the caller's parser judges the content, and the
    // mismatch stays on record here.
    if (code == kZipOk) reader->crcMismatch = s->crc != reader->expectedCrc;
    CloseItem(reader);
    return Fail(reader, code);
}

int ZipClose(ZipReader* reader) {
    if (!reader) return kZipBadArgument;
    reader->item.reset();
    if (reader->ownsFile) FileClose(reader->file);
    delete reader;
    return kZipOk;
}
