// Files and folders: the thin seam between the portable code and the
// operating system. Every parser of outside bytes works on memory or on a
// read-at-offset function; these calls only bring the bytes in and out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PlatformFile;  // an open file; FileClose releases it

enum class FileCreate {
    kAlways,      // create or truncate (the report)
    kOpenAlways,  // create when missing, keep the content (the settings file)
};

// Opens an existing regular file for reading, shared with other readers.
// Anything else (a folder, a pipe, a device) fails, so that no read can block.
PlatformFile* FileOpenRead(const char* path);
PlatformFile* FileOpenWrite(const char* path, FileCreate mode);
void FileClose(PlatformFile* file);  // safe on nullptr

bool FileGetSize(PlatformFile* file, uint64_t* size);
bool FileSeek(PlatformFile* file, uint64_t offset);
// Reads up to n bytes at the current position; returns the number read
// (fewer only at the end of the file or on an error).
size_t FileRead(PlatformFile* file, void* buffer, size_t n);
// Writes all n bytes or reports failure.
bool FileWrite(PlatformFile* file, const void* data, size_t n);
// Cuts the file off at the current position (or extends it with zero bytes).
bool FileTruncateHere(PlatformFile* file);
// Pushes written data to the device, so that a full disk shows as an error.
bool FileSync(PlatformFile* file);

struct FileCloser {
    void operator()(PlatformFile* file) const { FileClose(file); }
};
using FilePtr = std::unique_ptr<PlatformFile, FileCloser>;

// True when a file or folder exists at the path (PathFileExistsA's role).
bool PathExists(const char* path);
bool IsFolder(const char* path);
bool RemoveFile(const char* path);
// Replaces target by source in one step where the platform allows it.
bool ReplaceFileWith(const char* source, const char* target);
// Creates the folder and every missing folder above it.
bool MakeFolders(const char* path);

bool GetCurrentFolder(std::string& folder);
bool SetCurrentFolder(const char* folder);

enum class EntryKind { kFile, kFolder, kOther };

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::kOther;
};

// Lists the current folder without "." and "..", hidden entries included,
// in the platform's listing order (sorted by CompareNames where the platform
// has no order of its own). Returns false when the folder cannot be listed.
bool ListCurrentFolder(std::vector<FolderEntry>& entries);

// Identifies the current folder (device and index), to notice a link that
// leads back into a folder already on the walk's path.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderIdentity&) const = default;
};
bool CurrentFolderIdentity(FolderIdentity* identity);

// The folder of the running executable.
std::string ExecutableFolder();
