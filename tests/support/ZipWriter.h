// Zip archives composed byte by byte for tests, fuzz seeds and benchmarks.
// The damaged and unusual archives the zip reader is tested on are committed
// under tests/data/zip; this writes the ordinary ones, of any size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint16_t kZipWriterStored = 0;
inline constexpr uint16_t kZipWriterDeflated = 8;

struct ZipEntrySpec {
    std::string name;
    std::string data;  // the item's uncompressed bytes
    // 8 deflates data (raw deflate); any other number stores it unchanged and
    // writes that number as the method.
    uint16_t method = kZipWriterDeflated;
};

// Items stamped 2010-06-15 12:00:00, then the directory and the end record
// with the archive comment.
std::string BuildZip(const std::vector<ZipEntrySpec>& entries, std::string_view comment = {});

uint32_t Crc32Of(std::string_view data);
