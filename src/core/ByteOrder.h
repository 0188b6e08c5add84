// Stored files (archives, library images, binary songs, the settings file)
// keep their numbers little-endian whatever machine wrote them.
#pragma once

#include <cstdint>

inline uint16_t LoadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
