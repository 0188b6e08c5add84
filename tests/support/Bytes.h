// Little-endian byte building for test inputs: every writer of archives,
// images and settings files composes its bytes with this, field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ByteWriter {
    std::string bytes;

    size_t Size() const { return bytes.size(); }
    ByteWriter& U8(uint8_t v);
    ByteWriter& U16(uint16_t v);
    ByteWriter& U32(uint32_t v);
    ByteWriter& U64(uint64_t v);
    ByteWriter& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    ByteWriter& Raw(std::string_view data);
    // Text padded (or cut) to exactly width bytes with the fill byte.
    ByteWriter& Fixed(std::string_view text, size_t width, char fill = '\0');
    ByteWriter& Zeros(size_t n);
};

std::string LittleEndian32(uint32_t v);
// Bytes from a hex text ("50 4B 05 06"); blanks are ignored.
std::string FromHex(std::string_view hex);
