// A Wine registry file parsed from arbitrary bytes, then walked the way the
// Waves scan walks the class list.
#include <cstddef>
#include <cstdint>

#include "inventory/WineRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WineRegistry registry;
    if (!WineRegistryParse(reinterpret_cast<const char*>(data), size, &registry)) return 0;
    for (const char* path : {"Software\\Classes\\CLSID", "Software\\VST", "", "a\\b"}) {
        const uint32_t key = WineRegistryFind(registry, 0, path);
        if (key == kWineNoKey) continue;
        WineRegistryFindValue(registry, key, "VSTPluginsPath");
        for (uint32_t i = 0; i < 64; ++i) {
            const uint32_t child = WineRegistrySubkey(registry, key, i);
            if (child == kWineNoKey) break;
            if (registry.keys[child].name.size() > kWineMaxKeyNameLength) __builtin_trap();
            WineRegistryFindValue(registry, child, nullptr);
            WineRegistryFindValue(registry, WineRegistryFind(registry, child, "InprocServer32"), nullptr);
        }
    }
    return 0;
}
