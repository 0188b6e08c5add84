#include "inventory/WavesShell.h"

#include <cstdint>
#include <new>
#include <string>

#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "platform/Library.h"
#include "platform/Registry.h"
#include "platform/Text.h"

int WavesEnumerated = 0;

namespace {

constexpr char kClassList[] = "Software\\Classes\\CLSID";
constexpr uint32_t kDescriptionSize = 260;
constexpr uint32_t kLibraryPathSize = 520;
constexpr char kAccessError[] = "Could not access registry for scanning available Waves plugins!";
constexpr char kLoadError[] = "Error loading Waves plugin for verification!";

// An error ends the walk: the class list is closed, then the message shows.
bool StopWalk(void* owner, RegistryKeyPtr& list, const char* text) {
    list.reset();
    FrontEndShowError(owner, text);
    return false;
}

// Walks the class list; false when an error ended the walk early (the class
// list is then closed and the message shown).
bool VisitClasses(void* owner, RegistryKeyPtr& list) {
    for (uint32_t index = 0;; ++index) {
        char name[kRegistryNameSize] = {};
        const RegistryEnum step = RegistryEnumSubkey(list.get(), index, name);
        if (step == RegistryEnum::kNoMoreItems) return true;
        // A list that fails part-way is a registry error like any other; going
        // on with the next index would reuse a stale name or never end.
        if (step == RegistryEnum::kError) return StopWalk(owner, list, kAccessError);

        RegistryKeyPtr classKey(RegistryOpenMachineKey(TextFormat("%s\\%s", kClassList, name).c_str()));
        if (!classKey) return StopWalk(owner, list, kAccessError);
        char description[kDescriptionSize] = {};
        RegistryQueryString(classKey.get(), nullptr, description, sizeof description);
        classKey.reset();
        if (!FindTextNoCase(description, "Waves")) continue;

        RegistryKeyPtr server(
            RegistryOpenMachineKey(TextFormat("%s\\%s\\InprocServer32", kClassList, name).c_str()));
        if (!server) return StopWalk(owner, list, kAccessError);
        char storedPath[kLibraryPathSize] = {};
        RegistryQueryString(server.get(), nullptr, storedPath, sizeof storedPath);
        server.reset();

        const std::string libraryPath = RegistryLocalPath(storedPath);
        LibraryPtr library(LibraryMap(libraryPath.c_str()));
        if (!library) return StopWalk(owner, list, kLoadError);
        const bool isWaves = LibraryHasExport(library.get(), "DllRegisterServer") &&
                             LibraryHasExport(library.get(), "MarkAuthorizationState");
        library.reset();
        if (!isWaves) continue;

        const std::string folder = PathFolder(libraryPath.c_str());
        FrontEndSetStatus(description);
        PluginSetAdd(InstalledPlugins, description, folder.c_str());
    }
}

}  // namespace

void EnumerateWavesPlugins(void* owner) {
    RegistryKeyPtr list(RegistryOpenMachineKey(kClassList));
    if (!list) {
        FrontEndShowError(owner, kAccessError);
        WavesEnumerated = 1;
        return;
    }
    try {
        if (!VisitClasses(owner, list)) return;
    } catch (const std::bad_alloc&) {
        // Short of memory the walk ends like one that met an error: what was
        // recorded stays, and the next WaveShell may try again.
        return;
    }
    list.reset();
    WavesEnumerated = 1;
}
