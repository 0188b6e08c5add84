#include "platform/Library.h"

#include <new>

#include "inventory/PeImage.h"
#include "platform/Files.h"

// Without the Windows loader the two questions are answered from the image's
// own tables; only the headers and the export names are read, never the code.
struct LibraryHandle {
    PeImage image;
};

namespace {

size_t ReadFileAt(void* source, uint64_t offset, void* buffer, size_t n) {
    PlatformFile* file = static_cast<PlatformFile*>(source);
    if (!FileSeek(file, offset)) return 0;
    return FileRead(file, buffer, n);
}

}  // namespace

LibraryHandle* LibraryMap(const char* path) {
    if (!path || !*path) return nullptr;
    FilePtr file(FileOpenRead(path));
    uint64_t size = 0;
    if (!file || !FileGetSize(file.get(), &size)) return nullptr;
    LibraryHandle* library = new (std::nothrow) LibraryHandle;
    if (!library) return nullptr;
    if (!PeImageRead(ReadFileAt, file.get(), size, &library->image) || !PeImageIsNativeLibrary(library->image)) {
        delete library;
        return nullptr;
    }
    return library;
}

bool LibraryHasExport(LibraryHandle* library, const char* name) {
    return library && PeImageHasExport(library->image, name);
}

void LibraryRelease(LibraryHandle* library) { delete library; }
