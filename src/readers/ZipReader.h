// Read-only zip archives (and single-member gzip files) on zlib: find one
// item by name and extract it into a caller's buffer. Every operation returns
// one of the result codes below and keeps it in the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct PlatformFile;

inline constexpr int kZipOk = 0;
inline constexpr int kZipCannotOpen = 1;
inline constexpr int kZipNoMemory = 2;
inline constexpr int kZipWriteFailed = 3;  // only extraction to files raises it; kept for the numbering
inline constexpr int kZipNoSuchItem = 4;
inline constexpr int kZipMoreData = 5;  // the buffer filled (or the data ended) before the item did
inline constexpr int kZipCorrupt = 6;
inline constexpr int kZipReadFailed = 7;
inline constexpr int kZipUnsupported = 8;
inline constexpr int kZipBadArgument = 9;
inline constexpr int kZipSeekFailed = 16;
inline constexpr int kZipBadData = 18;
inline constexpr int kZipWrongPassword = 19;

inline constexpr uint32_t kZipNoItem = 0xFFFFFFFFu;
inline constexpr size_t kZipNameSize = 260;
inline constexpr size_t kZipRecordFieldsSize = 42;  // a directory record after its signature

struct ZipItemInfo {
    uint32_t index = 0;
    uint32_t attributes = 0;  // Windows file attribute bits
    // Windows file times: 100-nanosecond ticks since 1601-01-01 UTC.
    uint64_t accessTime = 0;
    uint64_t createTime = 0;
    uint64_t modifyTime = 0;
    // ZipExtractToMemory reports the number of bytes it delivered here.
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    // In: the wanted name. Out: the base folder followed by the cleaned
    // stored name, i.e. where an extraction to a file would put the item.
    char name[kZipNameSize] = {};
};

// The read state of an item open for extraction; exists only between the
// first ZipExtractToMemory of an item and its end.
struct ZipItemState;
struct ZipItemStateFree {
    void operator()(ZipItemState* state) const;
};

struct ZipReader {
    // The one way bytes come in: up to n bytes at an offset of the archive.
    size_t (*readAt)(const ZipReader* reader, uint64_t offset, void* buffer, size_t n) = nullptr;
    PlatformFile* file = nullptr;
    bool ownsFile = false;
    const uint8_t* memory = nullptr;  // borrowed; must outlive the reader
    bool gzip = false;
    int lastResult = kZipOk;

    uint64_t archiveStart = 0;
    uint64_t archiveLength = 0;
    uint32_t entryCount = 0;
    uint32_t directoryOffset = 0;
    uint64_t prefix = 0;  // bytes in front of the archive (a self-extractor stub)

    uint32_t currentIndex = kZipNoItem;
    uint64_t currentRecordPosition = 0;
    uint8_t currentRecord[kZipRecordFieldsSize] = {};

    std::string password;
    std::unique_ptr<ZipItemState, ZipItemStateFree> item;

    // Of the last item extracted to its end: what the directory promised and
    // what the delivered bytes gave. A mismatch is not an error of its own.
    uint32_t expectedCrc = 0;
    uint32_t deliveredCrc = 0;
    bool crcMismatch = false;

    // Gzip mode: the one item's stored name and where its deflate data starts.
    std::string gzipName;
    uint64_t gzipDataStart = 0;

    std::string baseFolder;  // the working directory at open time, with a trailing separator
};

// password may be nullptr (no password). On kZipOk *reader is the new reader.
int ZipOpenFile(const char* path, const char* password, ZipReader** reader);
// The same over a block of memory, which must outlive the reader.
int ZipOpenMemory(const void* bytes, size_t size, const char* password, ZipReader** reader);
// flags bit 0: compare without regard to letter case. On kZipOk the item is
// the reader's current item and info describes it.
int ZipFindItem(ZipReader* reader, ZipItemInfo* info, unsigned flags);
// Writes at most length bytes of the current item into buffer and reports the
// number written in info->compressedSize. kZipMoreData keeps the item open so
// that a further call continues; any other result ends the current item.
int ZipExtractToMemory(ZipReader* reader, void* buffer, uint32_t length, ZipItemInfo* info);
int ZipClose(ZipReader* reader);  // safe on nullptr (returns kZipBadArgument)
