#include "platform/Library.h"

#include <windows.h>

// The handle is the module itself.
LibraryHandle* LibraryMap(const char* path) {
    if (!path || !*path) return nullptr;
    // A damaged library must fail quietly, not stop the scan with a system
    // error box for every file.
    DWORD previous = 0;
    const BOOL quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE module = LoadLibraryExA(path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (quiet) SetThreadErrorMode(previous, nullptr);
    return reinterpret_cast<LibraryHandle*>(module);
}

bool LibraryHasExport(LibraryHandle* library, const char* name) {
    if (!library || !name) return false;
    return GetProcAddress(reinterpret_cast<HMODULE>(library), name) != nullptr;
}

void LibraryRelease(LibraryHandle* library) {
    if (library) FreeLibrary(reinterpret_cast<HMODULE>(library));
}
