#include "inventory/ForeignLibraries.h"

#include <new>

#include "inventory/PeImage.h"
#include "platform/Text.h"

ForeignLibrarySet ForeignLibraries;

int ForeignLibraryAdd(ForeignLibrarySet& set, const char* name, const char* folder, uint16_t machine) {
    if (!name || !*name) return 0;
    try {
        if (set.find(std::string_view(name)) != set.end()) return 1;
        set.emplace(name, ForeignLibrary{name, folder ? folder : "", machine});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

const ForeignLibrary* ForeignLibraryFind(const char* name) {
    if (!name) return nullptr;
    const auto found = ForeignLibraries.find(std::string_view(name));
    return found == ForeignLibraries.end() ? nullptr : &found->second;
}

const char* MachineKindText(uint16_t machine) {
    switch (machine) {
        case kPeMachineI386: return "32-bit";
        case kPeMachineAmd64: return "64-bit";
        case kPeMachineArm64: return "ARM64";
        default: return "other";
    }
}

void ProbeForeignLibrary(const char* path) {
    PeImage image;
    if (!PeImageReadFile(path, &image) || !(image.characteristics & kPeFileDll)) return;
    if (image.machine == PeNativeMachine()) return;  // ours, yet the loader refused it: damaged
    if (!PeImageHasExport(image, "main") && !PeImageHasExport(image, "VSTPluginMain")) return;
    const char* name = PathFileName(path);
    // A shell of the other kind stands for plug-ins the registry names, not for itself.
    if (FindTextNoCase(name, "WaveShell")) return;
    try {
        ForeignLibraryAdd(ForeignLibraries, name, PathFolder(path).c_str(), image.machine);
    } catch (const std::bad_alloc&) {
    }
}
