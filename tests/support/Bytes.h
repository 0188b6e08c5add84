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
    ByteWriter& U8(uint8_t v) { return Le(v, 1); }
    ByteWriter& U16(uint16_t v) { return Le(v, 2); }
    ByteWriter& U32(uint32_t v) { return Le(v, 4); }
    ByteWriter& U64(uint64_t v) { return Le(v, 8); }
    ByteWriter& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    ByteWriter& Raw(std::string_view data) { bytes.append(data); return *this; }
    // Text padded (or cut) to exactly width bytes with the fill byte.
    ByteWriter& Fixed(std::string_view text, size_t width, char fill = '\0') {
        text = text.substr(0, width);
        bytes.append(text).append(width - text.size(), fill);
        return *this;
    }
    ByteWriter& Zeros(size_t n) { bytes.append(n, '\0'); return *this; }

private:
    ByteWriter& Le(uint64_t v, int width) {
        for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
};

// Bytes from a hex text ("50 4B 05 06"); blanks are ignored.
std::string FromHex(std::string_view hex);
