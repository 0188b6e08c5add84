#include "support/Bytes.h"

ByteWriter& ByteWriter::U8(uint8_t v) {
    bytes.push_back(static_cast<char>(v));
    return *this;
}

ByteWriter& ByteWriter::U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }

ByteWriter& ByteWriter::U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}

ByteWriter& ByteWriter::U64(uint64_t v) {
    return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32));
}

ByteWriter& ByteWriter::Raw(std::string_view data) {
    bytes.append(data);
    return *this;
}

ByteWriter& ByteWriter::Fixed(std::string_view text, size_t width, char fill) {
    const size_t n = text.size() < width ? text.size() : width;
    bytes.append(text.substr(0, n));
    bytes.append(width - n, fill);
    return *this;
}

ByteWriter& ByteWriter::Zeros(size_t n) {
    bytes.append(n, '\0');
    return *this;
}

std::string LittleEndian32(uint32_t v) { return ByteWriter().U32(v).bytes; }

std::string FromHex(std::string_view hex) {
    std::string out;
    int high = -1;
    for (char c : hex) {
        int nibble;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = nibble;
        } else {
            out.push_back(static_cast<char>((high << 4) | nibble));
            high = -1;
        }
    }
    return out;
}
