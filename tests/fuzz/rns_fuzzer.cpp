// Feeds arbitrary images to the legacy binary song reader. The image is copied
// into a block of exactly its size, so that any read past it is caught.
#include <cstdint>
#include <cstring>

#include "core/Results.h"
#include "platform/Memory.h"
#include "readers/RnsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeapBuffer image = HeapAllocZeroed(size);
    if (size) std::memcpy(image.get(), data, size);
    std::unique_ptr<SongEntry> entry = NewSongEntry("/fuzz.rns");
    if (entry) ReadRnsSong("/fuzz.rns", image.get(), size, *entry);
    entry.reset();
    ClearReadingResults();
    return 0;
}
