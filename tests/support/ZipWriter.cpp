#include "support/ZipWriter.h"

#include <zlib.h>

#include "support/Bytes.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
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
        const std::string stored = e.method == kZipWriterDeflated ? DeflateRaw(e.data) : e.data;
        // From the flags (none) to the extra length, both headers alike.
        ByteWriter fields;
        fields.U16(0).U16(e.method).U16(kDosTime).U16(kDosDate).U32(Crc32Of(e.data));
        fields.U32(static_cast<uint32_t>(stored.size())).U32(static_cast<uint32_t>(e.data.size()));
        fields.U16(static_cast<uint16_t>(e.name.size())).U16(0);
        // Version made by MS-DOS, version needed 2.0; no comment, disk 0, no
        // internal attributes, the archive attribute.
        central.U32(kCentralSignature).U16(20).U16(20).Raw(fields.bytes);
        central.U16(0).U16(0).U16(0).U32(0x20).U32(static_cast<uint32_t>(archive.Size())).Raw(e.name);
        archive.U32(kLocalSignature).U16(20).Raw(fields.bytes).Raw(e.name).Raw(stored);
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(archive.Size());
    const uint16_t count = static_cast<uint16_t>(entries.size());
    // Disk 0 holding the whole directory; its size and offset; the comment.
    archive.Raw(central.bytes).U32(kEndSignature).U16(0).U16(0).U16(count).U16(count);
    archive.U32(static_cast<uint32_t>(central.Size())).U32(directoryOffset);
    archive.U16(static_cast<uint16_t>(comment.size())).Raw(comment);
    return archive.bytes;
}
