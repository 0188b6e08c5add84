#include "support/ZipWriter.h"

#include <zlib.h>

#include "support/Bytes.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kDosTime = 12 << 11;                          // 12:00:00
constexpr uint16_t kDosDate = ((2010 - 1980) << 9) | (6 << 5) | 15;  // 2010-06-15

// Raw deflate (no zlib or gzip wrapper), as zip method 8 stores it.
std::string DeflateRaw(std::string_view data) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

uint32_t Crc32Of(std::string_view data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, std::string_view comment) {
    ByteWriter archive;
    ByteWriter central;
    for (const ZipEntrySpec& e : entries) {
        const std::string stored = e.payload ? *e.payload : (e.method == 8 ? DeflateRaw(e.data) : e.data);
        const uint32_t crc = Crc32Of(e.data);
        const uint32_t compressedSize = static_cast<uint32_t>(stored.size());
        const uint32_t uncompressedSize = static_cast<uint32_t>(e.data.size());
        const bool descriptor = e.flags & kFlagDataDescriptor;
        const uint32_t localOffset = static_cast<uint32_t>(archive.Size());

        archive.U32(kLocalSignature)
            .U16(20)                                    // version needed
            .U16(e.flags)                               // general purpose flags
            .U16(e.method)                              // compression method
            .U16(kDosTime)                              // modification time
            .U16(kDosDate)                              // modification date
            .U32(descriptor ? 0 : crc)                  // CRC-32
            .U32(descriptor ? 0 : compressedSize)       // compressed size
            .U32(descriptor ? 0 : uncompressedSize)     // uncompressed size
            .U16(static_cast<uint16_t>(e.name.size()))  // name length
            .U16(0)                                     // extra length
            .Raw(e.name)
            .Raw(stored);
        if (descriptor) archive.U32(kDescriptorSignature).U32(crc).U32(compressedSize).U32(uncompressedSize);

        central.U32(kCentralSignature)
            .U16(20)                                    // version made by: MS-DOS
            .U16(20)                                    // version needed
            .U16(e.flags)                               // general purpose flags
            .U16(e.method)                              // compression method
            .U16(kDosTime)                              // modification time
            .U16(kDosDate)                              // modification date
            .U32(crc)                                   // CRC-32
            .U32(compressedSize)                        // compressed size
            .U32(uncompressedSize)                      // uncompressed size
            .U16(static_cast<uint16_t>(e.name.size()))  // name length
            .U16(0)                                     // extra length
            .U16(0)                                     // comment length
            .U16(0)                                     // disk number start
            .U16(0)                                     // internal attributes
            .U32(0x20)                                  // external attributes: archive
            .U32(localOffset)                           // local header offset
            .Raw(e.name);
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(archive.Size());
    const uint16_t count = static_cast<uint16_t>(entries.size());
    archive.Raw(central.bytes)
        .U32(kEndSignature)
        .U16(0)                                             // number of this disk
        .U16(0)                                             // disk where the directory starts
        .U16(count)                                         // entries on this disk
        .U16(count)                                         // entries in total
        .U32(static_cast<uint32_t>(central.Size()))         // directory size
        .U32(directoryOffset)                               // directory offset
        .U16(static_cast<uint16_t>(comment.size()))         // comment length
        .Raw(comment);
    return archive.bytes;
}
