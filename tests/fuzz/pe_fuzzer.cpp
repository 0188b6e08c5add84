// The PE reader over arbitrary bytes, asked the questions the probe asks.
#include <cstddef>
#include <cstdint>

#include "inventory/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PeImage image;
    if (!PeImageReadMemory(data, size, &image)) return 0;
    PeImageIsNativeLibrary(image);
    for (const char* name : {"main", "VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState", ""})
        PeImageHasExport(image, name);
    for (size_t i = 1; i < image.exportNames.size(); ++i)
        if (!(image.exportNames[i - 1] < image.exportNames[i])) __builtin_trap();  // sorted, no repeats
    return 0;
}
