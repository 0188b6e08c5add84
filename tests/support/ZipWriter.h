// Zip archives and gzip files composed byte by byte for tests, fuzz seeds
// and benchmarks. Every field can be set, so that
// damaged and unusual archives are as easy to make as ordinary ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint16_t kZipWriterStored = 0;
inline constexpr uint16_t kZipWriterDeflated = 8;

// MS-DOS stamps as the zip format stores them.
uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);

struct ZipEntrySpec {
    std::string name;
    std::string data;  // the item's uncompressed bytes
    // 8 deflates data (raw deflate); any other number stores it unchanged and
    // writes that number as the method.
    uint16_t method = kZipWriterDeflated;
    // The item data exactly as it lands in the archive (before encryption),
    // instead of encoding data: damaged or hand-made deflate streams.
    std::optional<std::string> payload;
    uint16_t flags = 0;  // general purpose flags; bit 3 also writes a data descriptor
    // Encrypts the item with the traditional PKWARE scheme (sets flag bit 0).
    std::optional<std::string> password;
    uint16_t versionMadeBy = 20;  // high byte: host system (0 = MS-DOS, 3 = Unix)
    uint32_t externalAttributes = 0x20;
    uint16_t dosTime = DosTime(12, 0, 0);
    uint16_t dosDate = DosDate(2010, 6, 15);
    std::string centralExtra;
    // Values written instead of the true ones (the true ones otherwise).
    std::optional<uint32_t> crc;
    std::optional<uint32_t> compressedSize;
    std::optional<uint32_t> uncompressedSize;
    std::optional<uint32_t> localHeaderOffset;
    std::optional<uint16_t> centralNameLength;
};

struct ZipBuildOptions {
    std::string prefix;   // bytes before the archive (a self-extractor stub); offsets stay archive-relative
    std::string comment;  // the archive comment after the end record
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
    std::optional<uint16_t> entriesOnDisk;
    std::optional<uint16_t> entriesTotal;
    std::optional<uint32_t> directorySize;
    std::optional<uint32_t> directoryOffset;
};

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, const ZipBuildOptions& options = {});

// Raw deflate (no zlib or gzip wrapper), as zip method 8 stores it.
std::string DeflateRaw(std::string_view data, int level = 6);
uint32_t Crc32Of(std::string_view data);

// An extended timestamp block ("UT"): the flag byte, then the times whose
// bits are set (bit 0 modify, bit 1 access, bit 2 create), in that order.
std::string UnixTimeExtra(uint8_t flags, const std::vector<int32_t>& times);
// Any extra field block: id, size, data.
std::string ExtraBlock(uint16_t id, std::string_view data);

// Traditional PKWARE encryption of bytes that begin with the 12-byte header.
std::string EncryptTraditional(std::string_view plain, std::string_view password);

struct GzipSpec {
    std::string data;
    std::optional<std::string> name;     // FNAME
    std::optional<std::string> extra;    // FEXTRA
    std::optional<std::string> comment;  // FCOMMENT
    bool headerCrc = false;              // FHCRC
    uint32_t modifyTime = 0;             // Unix time
    std::optional<std::string> payload;  // instead of deflating data
    std::optional<size_t> truncateTo;
};

std::string BuildGzip(const GzipSpec& shape);
