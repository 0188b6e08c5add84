#include "platform/Library.h"

#include <new>

#include "inventory/PeImage.h"

// Without the Windows loader the two questions are answered from the image's
// own tables; only the headers and the export names are read, never the code.
struct LibraryHandle {
    PeImage image;
};

LibraryHandle* LibraryMap(const char* path) {
    if (!path || !*path) return nullptr;
    LibraryHandle* library = new (std::nothrow) LibraryHandle;
    if (!library) return nullptr;
    if (!PeImageReadFile(path, &library->image) || !PeImageIsNativeLibrary(library->image)) {
        delete library;
        return nullptr;
    }
    return library;
}

bool LibraryHasExport(LibraryHandle* library, const char* name) {
    return library && PeImageHasExport(library->image, name);
}

void LibraryRelease(LibraryHandle* library) { delete library; }
