#include "support/ZipWriter.h"

#include <zlib.h>

#include <cstring>

#include "support/Bytes.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;

// The writer keeps its own key schedule (bitwise CRC, no table), so that a
// test never checks the reader's decryption against itself.
uint32_t CrcByte(uint32_t crc, uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    return crc;
}

struct Keys {
    uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    void Update(uint8_t plain) {
        k0 = CrcByte(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = CrcByte(k2, static_cast<uint8_t>(k1 >> 24));
    }
    uint8_t Stream() const {
        const uint16_t temp = static_cast<uint16_t>(k2 | 2);
        return static_cast<uint8_t>((static_cast<uint32_t>(temp) * (temp ^ 1u)) >> 8);
    }
};

}  // namespace

uint16_t DosDate(int year, int month, int day) { return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day); }

uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

std::string DeflateRaw(std::string_view data, int level) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
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

uint32_t Crc32Of(std::string_view data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string ExtraBlock(uint16_t id, std::string_view data) {
    ByteWriter w;
    w.U16(id).U16(static_cast<uint16_t>(data.size())).Raw(data);
    return w.bytes;
}

std::string UnixTimeExtra(uint8_t flags, const std::vector<int32_t>& times) {
    ByteWriter data;
    data.U8(flags);
    for (int32_t t : times) data.I32(t);
    return ExtraBlock(0x5455, data.bytes);
}

std::string EncryptTraditional(std::string_view plain, std::string_view password) {
    Keys keys;
    for (char c : password) keys.Update(static_cast<uint8_t>(c));
    std::string out(plain);
    for (char& c : out) {
        const uint8_t p = static_cast<uint8_t>(c);
        c = static_cast<char>(p ^ keys.Stream());
        keys.Update(p);
    }
    return out;
}

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, const ZipBuildOptions& options) {
    ByteWriter archive;  // offsets in headers count from here, without the prefix
    ByteWriter central;
    uint32_t seed = 1;  // the random bytes of the encryption headers, reproducible
    for (const ZipEntrySpec& e : entries) {
        std::string stored = e.payload ? *e.payload : (e.method == 8 ? DeflateRaw(e.data) : e.data);
        uint16_t flags = e.flags;
        const uint32_t crc = e.crc.value_or(Crc32Of(e.data));
        if (e.password) {
            flags |= kFlagEncrypted;
            std::string header(12, '\0');
            for (int i = 0; i < 11; ++i) {
                seed = seed * 1103515245u + 12345u;
                header[i] = static_cast<char>(seed >> 16);
            }
            header[11] = static_cast<char>((flags & kFlagDataDescriptor) ? (e.dosTime >> 8) : (crc >> 24));
            stored = EncryptTraditional(header + stored, *e.password);
        }
        const uint32_t compressedSize = e.compressedSize.value_or(static_cast<uint32_t>(stored.size()));
        const uint32_t uncompressedSize = e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size()));
        const bool descriptor = flags & kFlagDataDescriptor;
        const uint32_t localOffset = e.localHeaderOffset.value_or(static_cast<uint32_t>(archive.Size()));

        archive.U32(kLocalSignature)
            .U16(20)                                        // version needed
            .U16(flags)                                     // general purpose flags
            .U16(e.method)                                  // compression method
            .U16(e.dosTime)                                 // modification time
            .U16(e.dosDate)                                 // modification date
            .U32(descriptor ? 0 : crc)                      // CRC-32
            .U32(descriptor ? 0 : compressedSize)           // compressed size
            .U32(descriptor ? 0 : uncompressedSize)         // uncompressed size
            .U16(static_cast<uint16_t>(e.name.size()))      // name length
            .U16(0)                                         // extra length
            .Raw(e.name);
        archive.Raw(stored);
        if (descriptor) archive.U32(kDescriptorSignature).U32(crc).U32(compressedSize).U32(uncompressedSize);

        central.U32(kCentralSignature)
            .U16(e.versionMadeBy)                                                      // version made by
            .U16(20)                                                                   // version needed
            .U16(flags)                                                                // general purpose flags
            .U16(e.method)                                                             // compression method
            .U16(e.dosTime)                                                            // modification time
            .U16(e.dosDate)                                                            // modification date
            .U32(crc)                                                                  // CRC-32
            .U32(compressedSize)                                                       // compressed size
            .U32(uncompressedSize)                                                     // uncompressed size
            .U16(e.centralNameLength.value_or(static_cast<uint16_t>(e.name.size())))  // name length
            .U16(static_cast<uint16_t>(e.centralExtra.size()))                         // extra length
            .U16(0)                                                                    // comment length
            .U16(0)                                                                    // disk number start
            .U16(0)                                                                    // internal attributes
            .U32(e.externalAttributes)                                                 // external attributes
            .U32(localOffset)                                                          // local header offset
            .Raw(e.name)
            .Raw(e.centralExtra);
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(archive.Size());
    archive.Raw(central.bytes);
    const uint16_t count = static_cast<uint16_t>(entries.size());
    archive.U32(kEndSignature)
        .U16(options.thisDisk)                                    // number of this disk
        .U16(options.directoryDisk)                               // disk where the directory starts
        .U16(options.entriesOnDisk.value_or(count))               // entries on this disk
        .U16(options.entriesTotal.value_or(count))                // entries in total
        .U32(options.directorySize.value_or(static_cast<uint32_t>(central.Size())))  // directory size
        .U32(options.directoryOffset.value_or(directoryOffset))  // directory offset
        .U16(static_cast<uint16_t>(options.comment.size()))     // comment length
        .Raw(options.comment);
    return options.prefix + archive.bytes;
}

std::string BuildGzip(const GzipSpec& shape) {
    ByteWriter w;
    uint8_t flags = 0;
    if (shape.headerCrc) flags |= 0x02;
    if (shape.extra) flags |= 0x04;
    if (shape.name) flags |= 0x08;
    if (shape.comment) flags |= 0x10;
    w.U8(0x1F).U8(0x8B)      // magic
        .U8(8)                // method: deflate
        .U8(flags)            // FHCRC, FEXTRA, FNAME, FCOMMENT
        .U32(shape.modifyTime)  // Unix modification time
        .U8(0)                // extra flags
        .U8(3);               // operating system: Unix
    if (shape.extra) w.U16(static_cast<uint16_t>(shape.extra->size())).Raw(*shape.extra);
    if (shape.name) w.Raw(*shape.name).U8(0);
    if (shape.comment) w.Raw(*shape.comment).U8(0);
    if (shape.headerCrc) w.U16(static_cast<uint16_t>(Crc32Of(w.bytes)));
    w.Raw(shape.payload ? *shape.payload : DeflateRaw(shape.data));
    w.U32(Crc32Of(shape.data)).U32(static_cast<uint32_t>(shape.data.size()));
    std::string bytes = std::move(w.bytes);
    if (shape.truncateTo && *shape.truncateTo < bytes.size()) bytes.resize(*shape.truncateTo);
    return bytes;
}
