// Archives from the wild reach the zip reader whole: open, find the song the
// way the program does, and extract it into a buffer of the claimed size.
#include <cstdint>
#include <cstring>
#include <vector>

#include "readers/ZipReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZipReader* reader = nullptr;
    // The seeds' encrypted items use this password; without it only the check byte is reached.
    if (ZipOpenMemory(data, size, "pw", &reader) != kZipOk) return 0;
    // The last name walks every rule of the reported path (drive, doubled separators, "..").
    for (const char* name : {"Song.xml", "a", "C://x/../a"}) {
        ZipItemInfo info;
        std::strcpy(info.name, name);
        if (ZipFindItem(reader, &info, 1) != kZipOk || info.uncompressedSize > (1u << 20)) continue;
        // A buffer shorter than the item now and then exercises the resumed extraction.
        const uint32_t first = (size & 1) ? info.uncompressedSize / 3 : info.uncompressedSize;
        std::vector<uint8_t> buffer(info.uncompressedSize);
        if (ZipExtractToMemory(reader, buffer.data(), first, &info) == kZipMoreData)
            ZipExtractToMemory(reader, buffer.data() + first, info.uncompressedSize - first, &info);
    }
    ZipClose(reader);
    return 0;
}
