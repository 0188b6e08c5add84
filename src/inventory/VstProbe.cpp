#include "inventory/VstProbe.h"

#include <new>
#include <string>

#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "inventory/ForeignLibraries.h"
#include "inventory/WavesShell.h"
#include "platform/Library.h"
#include "platform/Text.h"

void ProbeVstPlugin(const char* path, void* context) {
    // Released only on the way out: a WaveShell stays mapped while the
    // enumeration it started runs.
    LibraryPtr library(LibraryMap(path));
    if (!library) {
        ProbeForeignLibrary(path);
        return;
    }
    if (!LibraryHasExport(library.get(), "main") && !LibraryHasExport(library.get(), "VSTPluginMain")) return;
    const char* name = PathFileName(path);
    if (FindTextNoCase(name, "WaveShell")) {
        if (!WavesEnumerated) EnumerateWavesPlugins(context);
        return;
    }
    try {
        const std::string folder = PathFolder(path);
        FrontEndSetStatus(name);
        PluginSetAdd(InstalledPlugins, name, folder.c_str());
    } catch (const std::bad_alloc&) {
        // Short of memory the plug-in is simply absent from the inventory.
    }
}
