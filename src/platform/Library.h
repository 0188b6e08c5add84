// Asks a library file two questions without running any of its code: can it
// be mapped as a library of this program's own processor kind, and does it
// export a function of exactly a given name. Windows maps it with the loader
// (no entry routine, no imports resolved); elsewhere the PE image is read.
#pragma once

#include <memory>

struct LibraryHandle;

// nullptr when the file cannot be mapped: not a library, another processor's
// library, a damaged file, or no file at all.
LibraryHandle* LibraryMap(const char* path);
// Exact, case-sensitive export name; forwarded exports count.
bool LibraryHasExport(LibraryHandle* library, const char* name);
void LibraryRelease(LibraryHandle* library);  // safe on nullptr

struct LibraryReleaser {
    void operator()(LibraryHandle* library) const { LibraryRelease(library); }
};
using LibraryPtr = std::unique_ptr<LibraryHandle, LibraryReleaser>;
