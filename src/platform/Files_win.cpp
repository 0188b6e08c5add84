#include "platform/Files.h"

#include <windows.h>

#include "platform/Text.h"

struct PlatformFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace {

PlatformFile* Wrap(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    PlatformFile* file = new (std::nothrow) PlatformFile;
    if (!file) {
        CloseHandle(handle);
        return nullptr;
    }
    file->handle = handle;
    return file;
}

}  // namespace

PlatformFile* FileOpenRead(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return nullptr;
    }
    return Wrap(h);
}

PlatformFile* FileOpenWrite(const char* path, FileCreate mode) {
    const DWORD disposition = mode == FileCreate::kAlways ? CREATE_ALWAYS : OPEN_ALWAYS;
    return Wrap(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

void FileClose(PlatformFile* file) {
    if (!file) return;
    if (file->handle != INVALID_HANDLE_VALUE) CloseHandle(file->handle);
    delete file;
}

bool FileGetSize(PlatformFile* file, uint64_t* size) {
    LARGE_INTEGER li;
    if (!file || !GetFileSizeEx(file->handle, &li) || li.QuadPart < 0) return false;
    *size = static_cast<uint64_t>(li.QuadPart);
    return true;
}

bool FileSeek(PlatformFile* file, uint64_t offset) {
    if (!file) return false;
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file->handle, li, nullptr, FILE_BEGIN) != 0;
}

size_t FileRead(PlatformFile* file, void* buffer, size_t n) {
    if (!file) return 0;
    size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < n) {
        const DWORD want = static_cast<DWORD>((n - done) > 0x40000000u ? 0x40000000u : (n - done));
        DWORD got = 0;
        if (!ReadFile(file->handle, out + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

bool FileWrite(PlatformFile* file, const void* data, size_t n) {
    if (!file) return false;
    size_t done = 0;
    const char* in = static_cast<const char*>(data);
    while (done < n) {
        const DWORD want = static_cast<DWORD>((n - done) > 0x40000000u ? 0x40000000u : (n - done));
        DWORD put = 0;
        if (!WriteFile(file->handle, in + done, want, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

bool FileTruncateHere(PlatformFile* file) { return file && SetEndOfFile(file->handle) != 0; }

bool FileSync(PlatformFile* file) {
    if (!file) return false;
    // Only disk files have buffers to flush; a pipe or the console has none.
    if (GetFileType(file->handle) != FILE_TYPE_DISK) return true;
    return FlushFileBuffers(file->handle) != 0;
}

bool PathExists(const char* path) {
    return path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const char* path) {
    if (!path || !*path) return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool ReplaceFileWith(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MakeFolders(const char* path) {
    const std::string full(path);
    for (size_t i = 0; i <= full.size(); ++i) {
        if (i == full.size() || ((full[i] == '\\' || full[i] == '/') && i > 0 && full[i - 1] != ':')) {
            CreateDirectoryA(full.substr(0, i).c_str(), nullptr);
        }
    }
    return IsFolder(path);
}

bool GetCurrentFolder(std::string& folder) {
    char buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
    if (n == 0 || n >= MAX_PATH) return false;
    folder.assign(buffer, n);
    return true;
}

bool SetCurrentFolder(const char* folder) {
    return folder && *folder && SetCurrentDirectoryA(folder) != 0;
}

bool ListCurrentFolder(std::vector<FolderEntry>& entries) {
    entries.clear();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("*.*", &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!lstrcmpA(data.cFileName, ".") || !lstrcmpA(data.cFileName, "..")) continue;
        FolderEntry entry;
        entry.name = data.cFileName;
        entry.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
        entries.push_back(std::move(entry));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool CurrentFolderIdentity(FolderIdentity* identity) {
    HANDLE h = CreateFileA(".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

std::string ExecutableFolder() {
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return PathFolder(buffer);
}
